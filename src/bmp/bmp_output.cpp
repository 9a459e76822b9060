// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "bmp_output.h"

#include <cstring>

#include "bmp_input.h"

namespace {

void put_le16(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put_le32(uint8_t *p, uint32_t v)
{
    put_le16(p, v);
    put_le16(p + 2, v >> 16);
}

uint32_t row_bytes(uint32_t width)
{
    bmp_header_t h{};
    h.img_width = width;
    return static_cast<uint32_t>(bmp_row_width(&h));
}

int write_or_report(FILE *out, const void *bytes, size_t n)
{
    if (n != 0 && fwrite(bytes, n, 1, out) != 1) {
        perror("write BMP file");
        return 0;
    }
    return 1;
}

} // namespace

int bmp_output_header(FILE *out, uint32_t width, uint32_t height)
{
    const uint32_t image_size = row_bytes(width) * height;
    uint8_t h[54] = {'B', 'M'};
    put_le32(h + 2, 54 + image_size);  // file size
    put_le32(h + 10, 54);              // pixel offset
    put_le32(h + 14, 40);              // DIB header size
    put_le32(h + 18, width);
    put_le32(h + 22, height);          // positive: rows stay in written order
    put_le16(h + 26, 1);               // planes
    put_le16(h + 28, 24);              // bits a pixel
    put_le32(h + 34, image_size);      // compression (30) stays 0
    put_le32(h + 38, 2835);            // 72 dots an inch
    put_le32(h + 42, 2835);
    return write_or_report(out, h, sizeof h);
}

int bmp_output_rows(FILE *out, uint8_t *rows, uint32_t width, uint32_t height)
{
    const size_t row_width = row_bytes(width), pixel_bytes = size_t{3} * width;
    for (uint32_t y = 0; y < height; y++)
        memset(rows + row_width * y + pixel_bytes, 0, row_width - pixel_bytes);
    return write_or_report(out, rows, row_width * height);
}

int bmp_output_row(FILE *out, const uint8_t *bgr, uint32_t width)
{
    static constexpr uint8_t fill[3] = {0, 0, 0};
    const uint32_t pixel_bytes = 3 * width;
    return write_or_report(out, bgr, pixel_bytes) &&
           write_or_report(out, fill, row_bytes(width) - pixel_bytes);
}
