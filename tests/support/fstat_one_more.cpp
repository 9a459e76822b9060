// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Preloaded into a program under test: every regular file looks one byte
// longer than it is, as if it shrank between the size check and the read.
// With KESTROW_FSTAT=fail in the environment, fstat of a regular file fails
// instead, with EIO, as on a failing disk. It defines both the 32-bit and the 64-bit offset entry points, so it is
// built with the platform's own offset size, whatever the project asks.
#undef _FILE_OFFSET_BITS
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <sys/stat.h>

namespace {

template <typename Stat>
int one_more(int status, Stat *st)
{
    if (status != 0 || !S_ISREG(st->st_mode))
        return status;
    const char *mode = getenv("KESTROW_FSTAT");
    if (mode != nullptr && strcmp(mode, "fail") == 0) {
        errno = EIO;
        return -1;
    }
    st->st_size += 1;
    return status;
}

} // namespace

extern "C" int fstat(int fd, struct stat *st)
{
    using fn = int (*)(int, struct stat *);
    static const auto real = reinterpret_cast<fn>(dlsym(RTLD_NEXT, "fstat"));
    return one_more(real(fd, st), st);
}

#ifdef __USE_LARGEFILE64
extern "C" int fstat64(int fd, struct stat64 *st)
{
    using fn = int (*)(int, struct stat64 *);
    static const auto real = reinterpret_cast<fn>(dlsym(RTLD_NEXT, "fstat64"));
    return one_more(real(fd, st), st);
}
#endif
