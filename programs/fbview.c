/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* fbview: shows a photo file on the Linux framebuffer, centred on black,
 * its middle if it is larger than the screen.
 *
 *     usage: fbview <photo file> [framebuffer, /dev/fb0 by default]
 *
 * It draws true-colour framebuffers of 16, 24 and 32 bits a pixel, with red,
 * green and blue wherever the framebuffer says they are (RGB565, RGB555,
 * BGR888, XRGB8888, XBGR8888...), and refuses the others by name. Try it on
 * a text console, where no display server owns the screen (Ctrl+Alt+F3),
 * as a user in group video; the picture stays until something redraws the
 * console. */
#define _POSIX_C_SOURCE 200809L

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/fb.h>

#include "fbview.h"

static int channel_fits(fbview_channel_t c, uint32_t bits)
{
    return c.length >= 1 && c.length <= 8 && c.offset < bits && c.length <= bits - c.offset;
}

int fbview_layout_supported(const fbview_screen_t *s)
{
    return (s->bits_per_pixel == 16 || s->bits_per_pixel == 24 || s->bits_per_pixel == 32) &&
           channel_fits(s->red, s->bits_per_pixel) && channel_fits(s->green, s->bits_per_pixel) &&
           channel_fits(s->blue, s->bits_per_pixel);
}

static uint32_t place(uint8_t value, fbview_channel_t c)
{
    return (uint32_t)(value >> (8 - c.length)) << c.offset;
}

/* One pixel, in the machine's byte order as framebuffers keep it. */
static void put_pixel(uint8_t *d, uint32_t v, uint32_t bytes)
{
    const uint16_t one = 1;
    uint8_t little;
    uint32_t k;
    memcpy(&little, &one, 1);
    for (k = 0; k < bytes; k++)
        d[k] = (uint8_t)(v >> (8 * (little ? k : bytes - 1 - k)));
}

int fbview_draw(const photo_file_t *photo, const fbview_screen_t *screen)
{
    uint8_t rgb[3 * PHOTO_MAX_SIDE];
    const uint32_t pixel_bytes = screen->bits_per_pixel / 8;
    const uint32_t w = photo->width < screen->width ? photo->width : screen->width;
    const uint32_t h = photo->height < screen->height ? photo->height : screen->height;
    /* Where the visible part starts in the picture and on the screen. */
    const uint32_t from_x = (photo->width - w) / 2, from_y = (photo->height - h) / 2;
    const uint32_t to_x = (screen->width - w) / 2, to_y = (screen->height - h) / 2;
    uint32_t x, y;
    if (!fbview_layout_supported(screen))
        return PHOTO_ERR_FORMAT;
    for (y = 0; y < screen->height; y++)
        memset(screen->pixels + (size_t)y * screen->line_length, 0, (size_t)screen->width * pixel_bytes);
    for (y = 0; y < h; y++) {
        uint8_t *row = screen->pixels + (size_t)(to_y + y) * screen->line_length + (size_t)to_x * pixel_bytes;
        const int rc = photo_read_span(photo, from_x, from_y + y, w, PHOTO_RGB888, rgb);
        if (rc != 0)
            return rc;
        for (x = 0; x < w; x++) {
            const uint8_t *c = rgb + 3 * x;
            put_pixel(row + (size_t)x * pixel_bytes,
                      place(c[0], screen->red) | place(c[1], screen->green) | place(c[2], screen->blue), pixel_bytes);
        }
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

static fbview_channel_t channel(struct fb_bitfield f)
{
    fbview_channel_t c;
    c.offset = f.offset;
    c.length = f.length;
    return c;
}

static const char usage[] = "usage: %s <photo file> [framebuffer, /dev/fb0 by default]\n";

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

    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        printf(usage, argv[0]);
        printf("Shows a kestrow photo file centred on black on a Linux framebuffer (16, 24 or 32\n"
               "bits of true colour), its middle if it is larger than the screen.\n");
        return 0;
    }
    if (argc != 2 && argc != 3) {
        fprintf(stderr, usage, argv[0]);
        return 2;
    }
    fd = open(argv[1], O_RDONLY);
    if (fd < 0 || fstat(fd, &st) != 0) {
        perror(argv[1]);
        if (fd >= 0)
            close(fd);
        return 2;
    }
    rc = photo_open_reader(&photo, fd_read, &fd, st.st_size > UINT32_MAX ? UINT32_MAX : (uint32_t)st.st_size);
    if (rc == 0)
        rc = photo_check_values(&photo, NULL);
    if (rc != 0) {
        /* "BM" read as a width is 19778: a BMP given where a photo file
         * belongs, as the other tools say too. */
        if (rc == PHOTO_ERR_DIMENSIONS && photo.width == ('B' | 'M' << 8))
            fprintf(stderr, "%s: not a photo file: it looks like a BMP file (run kestrow or kestrow16 on it first)\n",
                    argv[1]);
        else
            fprintf(stderr, "%s: %s\n", argv[1], photo_error_text(rc));
        close(fd);
        return 2;
    }

    fb = open(device, O_RDWR);
    if (fb < 0 || ioctl(fb, FBIOGET_VSCREENINFO, &var) != 0 || ioctl(fb, FBIOGET_FSCREENINFO, &fix) != 0) {
        perror(device);
        if (fb >= 0)
            close(fb);
        close(fd);
        return 2;
    }
    screen.width = var.xres;
    screen.height = var.yres;
    screen.line_length = fix.line_length;
    screen.bits_per_pixel = var.bits_per_pixel;
    screen.red = channel(var.red);
    screen.green = channel(var.green);
    screen.blue = channel(var.blue);
    if ((fix.visual != FB_VISUAL_TRUECOLOR && fix.visual != FB_VISUAL_DIRECTCOLOR) ||
        !fbview_layout_supported(&screen)) {
        fprintf(stderr,
                "%s: %u bits a pixel, %s, red %u bits at %u, green %u at %u, blue %u at %u: fbview draws 16, 24 "
                "or 32 bits of true colour\n",
                device, var.bits_per_pixel,
                fix.visual == FB_VISUAL_TRUECOLOR || fix.visual == FB_VISUAL_DIRECTCOLOR ? "true colour"
                                                                                         : "a palette or mono",
                var.red.length, var.red.offset, var.green.length, var.green.offset, var.blue.length,
                var.blue.offset);
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
    rc = fbview_draw(&photo, &screen);
    if (rc != 0)
        fprintf(stderr, "%s: %s\n", argv[1], photo_error_text(rc));
    munmap(map, fix.smem_len);
    close(fb);
    close(fd);
    return rc != 0 ? 2 : 0;
}

#endif
