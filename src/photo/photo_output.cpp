// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "photo_output.h"

#include "bmp_input.h"
#include "vga_color.h"
#include "photo_row.h"

namespace {

// The 4 header bytes: width then height, each low byte first.
void photo_header_encode(const photo_header_t *ph, uint8_t bytes[photo_header_bytes])
{
    bytes[0] = static_cast<uint8_t>(ph->width);
    bytes[1] = static_cast<uint8_t>(ph->width >> 8);
    bytes[2] = static_cast<uint8_t>(ph->height);
    bytes[3] = static_cast<uint8_t>(ph->height >> 8);
}

int write_photo_header(FILE *out, const bmp_header_t *h)
{
    // Both sides are at most 4096, so the low 16 bits lose nothing.
    const photo_header_t photo_header = {static_cast<uint16_t>(h->img_width),
                                         static_cast<uint16_t>(h->img_height)};
    uint8_t bytes[photo_header_bytes];
    photo_header_encode(&photo_header, bytes);
    if (fwrite(bytes, sizeof bytes, 1, out) != 1) {
        perror("write header to output file");
        return 0;
    }
    return 1;
}

// On a refusal nothing more is written: the caller returns at once.
int write_pixel_bytes(FILE *out, const uint8_t *bytes, size_t n)
{
    if (fwrite(bytes, 1, n, out) != n) {
        perror("write data to output file");
        return 0;
    }
    return 1;
}

} // namespace

int write_output_file(FILE *out, const bmp_header_t *h, const uint8_t *img)
{
    if (!write_photo_header(out, h))
        return 0;

    // Rows are encoded into one fixed chunk and handed to the stream a chunk
    // at a time: a stream write per pixel would cost more than the encoding
    // and the file I/O together. The largest row (8 KiB) always fits.
    const photo_row_encoder encode = photo_row_encoder_select();
    const auto row_width = static_cast<size_t>(bmp_row_width(h));
    const size_t out_row = size_t{h->img_width} * vga_color_bytes;
    uint8_t chunk[photo_chunk_bytes];
    size_t used = 0;
    for (uint32_t y = 0; y < h->img_height; y++) {
        if (used + out_row > sizeof chunk) {
            if (!write_pixel_bytes(out, chunk, used))
                return 0;
            used = 0;
        }
        encode(img + row_width * y, h->img_width, chunk + used);
        used += out_row;
    }
    return write_pixel_bytes(out, chunk, used);
}
