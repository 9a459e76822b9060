/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The descriptor of a C file photo2raw wrote for LVGL, compiled as C99 (with
 * every warning an error) against the stand-in lvgl.h of its version, its
 * fields handed to the C++ tests. Built once a version (LVGL_MAJOR). */
#include "photo2raw_header_c.h"
#include "lvgl.h"

#if LVGL_MAJOR == 9
extern const lv_image_dsc_t sample_lvgl9, sample_lvgl9_swapped;
static photo2raw_lvgl_fields fields9(const lv_image_dsc_t *d)
{
    const photo2raw_lvgl_fields f = {d->header.magic, d->header.cf,       d->header.w, d->header.h,
                                     d->header.stride, d->data_size, d->data};
    return f;
}
photo2raw_lvgl_fields photo2raw_lvgl9(void) { return fields9(&sample_lvgl9); }
photo2raw_lvgl_fields photo2raw_lvgl9_swapped(void) { return fields9(&sample_lvgl9_swapped); }
#else
extern const lv_img_dsc_t sample_lvgl8;
photo2raw_lvgl_fields photo2raw_lvgl8(void)
{
    const photo2raw_lvgl_fields f = {sample_lvgl8.header.always_zero, sample_lvgl8.header.cf, sample_lvgl8.header.w,
                                     sample_lvgl8.header.h, 0, sample_lvgl8.data_size, sample_lvgl8.data};
    return f;
}
#endif
