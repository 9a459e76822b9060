/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
#ifndef KESTROW_PHOTO2RAW_HEADER_C_H
#define KESTROW_PHOTO2RAW_HEADER_C_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The array of sample_rgb565be.h, as the C side sees it. */
const uint8_t *photo2raw_header_bytes(uint32_t *length, uint32_t *width, uint32_t *height);

/* The array of sample_rgb565.h: RGB565 as 16-bit numbers. */
const uint16_t *photo2raw_header_numbers(uint32_t *count, uint32_t *width, uint32_t *height);

/* The fields of an LVGL image descriptor photo2raw wrote (magic: LVGL 8's
 * always_zero; stride: 0 for LVGL 8, which has none). */
typedef struct {
    uint32_t magic, cf, w, h, stride, data_size;
    const uint8_t *data;
} photo2raw_lvgl_fields;
photo2raw_lvgl_fields photo2raw_lvgl9(void); /* sample_lvgl9.c, lvgl9-rgb565 */
photo2raw_lvgl_fields photo2raw_lvgl9_swapped(void); /* sample_lvgl9_swapped.c, lvgl9-rgb565-swapped */
photo2raw_lvgl_fields photo2raw_lvgl8(void); /* sample_lvgl8.c, lvgl8-rgb565-swap */

#ifdef __cplusplus
}
#endif

#endif
