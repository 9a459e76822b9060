// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Writing 24-bit BMPs: a 54-byte header (40-byte DIB header, positive
// height, so rows keep the order they are written in), then each row of
// blue, green, red bytes with zero fill to a multiple of 4.
#ifndef KESTROW_BMP_OUTPUT_H
#define KESTROW_BMP_OUTPUT_H

#include <cstdint>
#include <cstdio>

// Each reports a refused write as "write BMP file" in system-error form and
// returns 0; otherwise it returns 1.
int bmp_output_header(FILE *out, uint32_t width, uint32_t height);
int bmp_output_row(FILE *out, const uint8_t *bgr, uint32_t width);

// A whole pixel array of rows already stored with their fill, in one write:
// the fill bytes are set to zero first, then all `height` rows go out at
// once, which costs far less than a write a row.
int bmp_output_rows(FILE *out, uint8_t *rows, uint32_t width, uint32_t height);

#endif
