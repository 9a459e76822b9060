/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* A C header photo2raw wrote, compiled as C99 with the strictest warnings
 * firmware meets; the C++ tests include it too. */
#include "photo2raw_header_c.h"

#include "sample_rgb565.h"
#include "sample_rgb565be.h"

const uint8_t *photo2raw_header_bytes(uint32_t *length, uint32_t *width, uint32_t *height)
{
    *length = SAMPLE_RGB565BE_LENGTH;
    *width = SAMPLE_RGB565BE_WIDTH;
    *height = SAMPLE_RGB565BE_HEIGHT;
    return sample_rgb565be;
}

const uint16_t *photo2raw_header_numbers(uint32_t *count, uint32_t *width, uint32_t *height)
{
    *count = SAMPLE_RGB565_LENGTH;
    *width = SAMPLE_RGB565_WIDTH;
    *height = SAMPLE_RGB565_HEIGHT;
    return sample_rgb565;
}
