// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The I/O floor for the converters: opens the files the same way, reads the
// pixel array with one read into one buffer and writes as many bytes as the
// photo file has, encoding nothing. No converter can beat it.
//
//   usage: io_floor <bytes a pixel: 1 or 2> <BMP file> <output file>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bmp_input.h"

int main(int argc, char **argv)
{
    if (argc != 4 || (argv[1][0] != '1' && argv[1][0] != '2')) {
        fprintf(stderr, "usage: io_floor <1|2> <BMP file> <output file>\n");
        return 2;
    }
    const size_t pixel_bytes = argv[1][0] == '1' ? 1 : 2;
    FILE *in = fopen(argv[2], "r+b");
    if (in == nullptr) {
        perror("open BMP file");
        return 2;
    }
    FILE *out = fopen(argv[3], "w+b");
    if (out == nullptr) {
        perror("open output file");
        fclose(in);
        return 2;
    }
    bmp_header_t h;
    uint8_t *img = nullptr;
    if (!bmp_header_check(argv[2], in, &h) || (img = read_bmp_image_data(in, &h)) == nullptr) {
        fclose(in);
        fclose(out);
        return 2;
    }
    fclose(in);
    // Header, then the pixel values' worth of the pixel array, which is
    // always at least that long (3 bytes a pixel against 1 or 2).
    const size_t n = size_t{h.img_width} * h.img_height * pixel_bytes;
    int status = fwrite(&h, 4, 1, out) == 1 && fwrite(img, 1, n, out) == n ? 0 : 3;
    if (fclose(out) != 0)
        status = 3;
    free(img);
    return status;
}
