// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Reference writer for the benchmark: the simplest reading of the photo
// format, one stream write a pixel with the stream's own buffering doing the
// batching. Linked in place of the real writer into kestrow_ref and
// kestrow16_ref; same bytes, same messages.
#include "bmp_input.h"
#include "photo_output.h"
#include "vga_color.h"

int write_output_file(FILE *out, const bmp_header_t *h, const uint8_t *img)
{
    const uint8_t header[photo_header_bytes] = {
        static_cast<uint8_t>(h->img_width), static_cast<uint8_t>(h->img_width >> 8),
        static_cast<uint8_t>(h->img_height), static_cast<uint8_t>(h->img_height >> 8)};
    if (fwrite(header, sizeof header, 1, out) != 1) {
        perror("write header to output file");
        return 0;
    }
    const auto row_width = static_cast<uint32_t>(bmp_row_width(h));
    for (uint16_t y = 0; y < h->img_height; y++) {
        for (uint16_t x = 0; x < h->img_width; x++) {
            const uint8_t *p = img + row_width * y + 3u * x;
            const vga_color_t c = vga_color(p[0], p[1], p[2]);
            uint8_t bytes[vga_color_bytes];
            for (unsigned i = 0; i < vga_color_bytes; i++)
                bytes[i] = static_cast<uint8_t>(c >> (8 * i));
            if (fwrite(bytes, sizeof bytes, 1, out) != 1) {
                perror("write data to output file");
                return 0;
            }
        }
    }
    return 1;
}
