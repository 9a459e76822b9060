/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* fbview's drawing, apart from the device, so that it can be tested on
 * screens in memory. */
#ifndef KESTROW_FBVIEW_H
#define KESTROW_FBVIEW_H

#include <stdint.h>

#include <kestrow/photo_file.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Where a channel sits in a pixel, as the framebuffer reports it: its
 * lowest bit and its width. */
typedef struct fbview_channel {
    uint32_t offset, length;
} fbview_channel_t;

/* A framebuffer as mapped: `pixels` is the top left of the visible screen,
 * rows `line_length` bytes apart, each pixel bits_per_pixel / 8 bytes in
 * the machine's byte order. */
typedef struct fbview_screen {
    uint8_t *pixels;
    uint32_t width, height;   /* visible pixels */
    uint32_t line_length;     /* bytes from one row to the next */
    uint32_t bits_per_pixel;  /* 16, 24 or 32 */
    fbview_channel_t red, green, blue;
} fbview_screen_t;

/* Nonzero when fbview can draw on the screen: 16, 24 or 32 bits a pixel,
 * each channel 1 to 8 bits wide and inside the pixel. */
int fbview_layout_supported(const fbview_screen_t *screen);

/* Clears the screen to black and draws the picture centred on it; a
 * picture larger than the screen shows its middle. Each channel is the
 * picture's 8-bit channel cut to the screen's width. Returns 0 or a reader
 * code (PHOTO_ERR_FORMAT for a layout fbview_layout_supported refuses). */
int fbview_draw(const photo_file_t *photo, const fbview_screen_t *screen);

#ifdef __cplusplus
}
#endif

#endif
