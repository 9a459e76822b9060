/* fbview: shows a photo file on the Linux framebuffer, centred on black,
 * its middle if it is larger than the screen.
 *
 *     usage: fbview <photo file> [framebuffer, /dev/fb0 by default]
 *
 * The screen must be 16-bit RGB565 or 32-bit XRGB8888, as nearly every
 * framebuffer is. Try it on a text console, where no display server owns
 * the screen (Ctrl+Alt+F3), as a user in group video; the picture stays
 * until something redraws the console. */
#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/fb.h>

#include "examples.h"

int fbview_draw(const photo_file_t *photo, const fbview_screen_t *screen)
{
    const photo_format_t format = screen->bits_per_pixel == 16 ? PHOTO_RGB565_LE : PHOTO_XRGB8888;
    const uint32_t pixel_bytes = screen->bits_per_pixel / 8;
    const uint32_t w = photo->width < screen->width ? photo->width : screen->width;
    const uint32_t h = photo->height < screen->height ? photo->height : screen->height;
    /* Where the visible part starts in the picture and on the screen. */
    const uint32_t from_x = (photo->width - w) / 2, from_y = (photo->height - h) / 2;
    const uint32_t to_x = (screen->width - w) / 2, to_y = (screen->height - h) / 2;
    uint32_t y;
    if (screen->bits_per_pixel != 16 && screen->bits_per_pixel != 32)
        return PHOTO_ERR_FORMAT;
    for (y = 0; y < screen->height; y++)
        memset(screen->pixels + (size_t)y * screen->line_length, 0, (size_t)screen->width * pixel_bytes);
    for (y = 0; y < h; y++) {
        uint8_t *row = screen->pixels + (size_t)(to_y + y) * screen->line_length + (size_t)to_x * pixel_bytes;
        const int rc = photo_read_span(photo, from_x, from_y + y, w, format, row);
        if (rc != 0)
            return rc;
    }
    return 0;
}

#ifndef FBVIEW_NO_MAIN

/* The reader's read function over a descriptor. */
static int fd_read(void *context, uint32_t offset, void *dst, uint32_t n)
{
    const int fd = *(const int *)context;
    return pread(fd, dst, n, (off_t)offset) == (ssize_t)n ? 0 : -1;
}

/* The two layouts the reader writes, with red, green and blue where the
 * framebuffer says they are. */
static int layout_supported(const struct fb_var_screeninfo *v)
{
    if (v->bits_per_pixel == 16)
        return v->red.offset == 11 && v->green.offset == 5 && v->blue.offset == 0 && v->green.length == 6;
    if (v->bits_per_pixel == 32)
        return v->red.offset == 16 && v->green.offset == 8 && v->blue.offset == 0 && v->red.length == 8;
    return 0;
}

int main(int argc, char **argv)
{
    const char *device = argc == 3 ? argv[2] : "/dev/fb0";
    struct fb_var_screeninfo var;
    struct fb_fix_screeninfo fix;
    struct stat st;
    photo_file_t photo;
    fbview_screen_t screen;
    uint8_t *map;
    int fd, fb, rc;

    if (argc != 2 && argc != 3) {
        fprintf(stderr, "usage: %s <photo file> [framebuffer]\n", argv[0]);
        return 2;
    }
    fd = open(argv[1], O_RDONLY);
    if (fd < 0 || fstat(fd, &st) != 0) {
        perror(argv[1]);
        return 2;
    }
    rc = photo_open_reader(&photo, fd_read, &fd, st.st_size > UINT32_MAX ? UINT32_MAX : (uint32_t)st.st_size);
    if (rc != 0) {
        fprintf(stderr, "%s: %s\n", argv[1], photo_error_text(rc));
        close(fd);
        return 2;
    }

    fb = open(device, O_RDWR);
    if (fb < 0 || ioctl(fb, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fb, FBIOGET_FSCREENINFO, &fix) != 0) {
        perror(device);
        close(fd);
        return 2;
    }
    if (!layout_supported(&var)) {
        fprintf(stderr, "%s: %u bits a pixel in a layout other than RGB565 or XRGB8888\n", device,
                var.bits_per_pixel);
        close(fb);
        close(fd);
        return 2;
    }
    map = mmap(NULL, fix.smem_len, PROT_READ | PROT_WRITE, MAP_SHARED, fb, 0);
    if (map == MAP_FAILED) {
        perror("mmap");
        close(fb);
        close(fd);
        return 2;
    }
    screen.pixels = map + (size_t)var.yoffset * fix.line_length + (size_t)var.xoffset * (var.bits_per_pixel / 8);
    screen.width = var.xres;
    screen.height = var.yres;
    screen.line_length = fix.line_length;
    screen.bits_per_pixel = var.bits_per_pixel;
    rc = fbview_draw(&photo, &screen);
    if (rc != 0)
        fprintf(stderr, "%s: %s\n", argv[1], photo_error_text(rc));
    munmap(map, fix.smem_len);
    close(fb);
    close(fd);
    return rc != 0;
}

#endif
