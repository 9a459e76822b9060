// Writing 24-bit BMPs: a 54-byte header (40-byte DIB header, positive
// height, so rows keep the order they are written in), then each row of
// blue, green, red bytes with zero fill to a multiple of 4.
#ifndef KESTROW_BMP_OUTPUT_H
#define KESTROW_BMP_OUTPUT_H

#include <cstdint>
#include <cstdio>

// Both report a refused write as "write BMP file" in system-error form and
// return 0; otherwise they return 1.
int bmp_output_header(FILE *out, uint32_t width, uint32_t height);
int bmp_output_row(FILE *out, const uint8_t *bgr, uint32_t width);

#endif
