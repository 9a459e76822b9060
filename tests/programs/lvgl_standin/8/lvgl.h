/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Stand-in for LVGL 8.3's lvgl.h (LVGL is neither in Debian nor in npm):
 * only what photo2raw's LVGL 8 files use, declared with the field layout
 * of LVGL's src/draw/lv_img_buf.h (little-endian systems), configured as
 * lv_conf.h would be for 16-bit colour sent byte-swapped to an SPI panel. */
#ifndef KESTROW_LVGL8_STANDIN_H
#define KESTROW_LVGL8_STANDIN_H
#include <stdint.h>

#define LV_COLOR_DEPTH 16
#define LV_COLOR_16_SWAP 1
enum { LV_IMG_CF_UNKNOWN, LV_IMG_CF_RAW, LV_IMG_CF_RAW_ALPHA, LV_IMG_CF_RAW_CHROMA_KEYED, LV_IMG_CF_TRUE_COLOR };

typedef struct {
    uint32_t cf : 5;
    uint32_t always_zero : 3;
    uint32_t reserved : 2;
    uint32_t w : 11;
    uint32_t h : 11;
} lv_img_header_t;

typedef struct {
    lv_img_header_t header;
    uint32_t data_size;
    const uint8_t *data;
} lv_img_dsc_t;

#endif
