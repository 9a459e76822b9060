// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Preloaded into fbview under test, so that its drawing and its errors can
// be tested without a kernel's framebuffer: the file it is given as the
// device answers the two framebuffer ioctls as a 4 x 4 screen of 32-bit
// XRGB8888 true colour (16 bytes a line), and fbview draws into that file
// through its mapping. With KESTROW_FB=fail-reads, every pread after the
// screen was asked for fails with EIO, as a photo file on a failing disk
// would in the middle of a draw. Both offset sizes' pread are defined, so
// it is built with the platform's own offset size.
#undef _FILE_OFFSET_BITS
// A fortified build makes pread an inline wrapper that this file could not
// define again.
#undef _FORTIFY_SOURCE
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool screen_asked = false;

bool reads_fail()
{
    const char *mode = getenv("KESTROW_FB");
    return screen_asked && mode != nullptr && strcmp(mode, "fail-reads") == 0;
}

void describe(fb_var_screeninfo *v)
{
    memset(v, 0, sizeof *v);
    v->xres = v->yres = v->xres_virtual = v->yres_virtual = 4;
    v->bits_per_pixel = 32;
    v->red = {16, 8, 0};
    v->green = {8, 8, 0};
    v->blue = {0, 8, 0};
}

void describe(fb_fix_screeninfo *f)
{
    memset(f, 0, sizeof *f);
    f->visual = FB_VISUAL_TRUECOLOR;
    f->line_length = 16;
    f->smem_len = 64;
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list ap;
    va_start(ap, request);
    void *arg = va_arg(ap, void *);
    va_end(ap);
    if (request == FBIOGET_VSCREENINFO) {
        describe(static_cast<fb_var_screeninfo *>(arg));
        screen_asked = true;
        return 0;
    }
    if (request == FBIOGET_FSCREENINFO) {
        describe(static_cast<fb_fix_screeninfo *>(arg));
        screen_asked = true;
        return 0;
    }
    using fn = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<fn>(dlsym(RTLD_NEXT, "ioctl"));
    return real(fd, request, arg);
}

extern "C" ssize_t pread(int fd, void *buf, size_t n, off_t offset)
{
    using fn = ssize_t (*)(int, void *, size_t, off_t);
    static const auto real = reinterpret_cast<fn>(dlsym(RTLD_NEXT, "pread"));
    if (reads_fail()) {
        errno = EIO;
        return -1;
    }
    return real(fd, buf, n, offset);
}

#ifdef __USE_LARGEFILE64
extern "C" ssize_t pread64(int fd, void *buf, size_t n, off64_t offset)
{
    using fn = ssize_t (*)(int, void *, size_t, off64_t);
    static const auto real = reinterpret_cast<fn>(dlsym(RTLD_NEXT, "pread64"));
    if (reads_fail()) {
        errno = EIO;
        return -1;
    }
    return real(fd, buf, n, offset);
}
#endif
