// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// BMP input: which BMP files are accepted, and loading their pixel array.
#ifndef KESTROW_BMP_INPUT_H
#define KESTROW_BMP_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "photo_headers.h"

// Largest accepted width and height, both inclusive.
inline constexpr uint32_t bmp_max_side = 4096;

// Bytes one stored pixel row takes: width x 3 rounded up to a multiple of 4.
int32_t bmp_row_width(const bmp_header_t *h);

// Allocates `size` bytes, released with free(). From `huge_from` bytes up
// the buffer is placed on 2 MiB boundaries, rounded up to a whole number of
// them, and offered to the kernel as huge pages: filling tens of thousands
// of 4 KiB pages one fault at a time costs more than the copy into them.
void *large_buffer_alloc(size_t size, size_t huge_from);

// Reads the magic and the header record from the start of `in` into `h`.
// Returns 1 when the picture is one this tool converts, with `in` left at
// offset 38; otherwise prints one message naming `fname` and returns 0.
int bmp_header_check(const char *fname, FILE *in, bmp_header_t *h);

// Seeks to the pixel array and reads all img_size bytes of it in one read.
// Returns a malloc'd buffer the caller frees, or null after one message.
uint8_t *read_bmp_image_data(FILE *in, const bmp_header_t *h);

#endif
