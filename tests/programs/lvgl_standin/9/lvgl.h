/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Stand-in for LVGL 9.2's lvgl.h (LVGL is neither in Debian nor in npm):
 * only what photo2raw's LVGL 9 files use, declared with the field layout
 * of LVGL's src/draw/lv_image_dsc.h and the values of src/misc/lv_color.h
 * (little-endian systems). */
#ifndef KESTROW_LVGL9_STANDIN_H
#define KESTROW_LVGL9_STANDIN_H
#include <stdint.h>

#define LV_IMAGE_HEADER_MAGIC (0x19)
enum {
    LV_COLOR_FORMAT_RGB888 = 0x0F,
    LV_COLOR_FORMAT_XRGB8888 = 0x11,
    LV_COLOR_FORMAT_RGB565 = 0x12,
    LV_COLOR_FORMAT_RGB565_SWAPPED = 0x1B
};

typedef struct {
    uint32_t magic : 8;
    uint32_t cf : 8;
    uint32_t flags : 16;
    uint32_t w : 16;
    uint32_t h : 16;
    uint32_t stride : 16;
    uint32_t reserved_2 : 16;
} lv_image_header_t;

typedef struct {
    lv_image_header_t header;
    uint32_t data_size;
    const uint8_t *data;
    const void *reserved;
} lv_image_dsc_t;

#endif
