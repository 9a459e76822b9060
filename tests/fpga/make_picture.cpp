// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Writes a test picture for the FPGA checks: a BMP of the given size with
// smooth ramps in all three channels and a sprinkle of random pixels, so
// that dithering makes every display colour, yellow's 0x40 among them.
//
//   usage: make_picture <width> <height> <seed> <out.bmp>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bmp_builder.h"

int main(int argc, char **argv)
{
    if (argc != 5) {
        fprintf(stderr, "usage: %s <width> <height> <seed> <out.bmp>\n", argv[0]);
        return 2;
    }
    const auto w = static_cast<uint32_t>(strtoul(argv[1], nullptr, 10));
    const auto h = static_cast<uint32_t>(strtoul(argv[2], nullptr, 10));
    std::mt19937 gen(static_cast<uint32_t>(strtoul(argv[3], nullptr, 10)));
    std::vector<rgb> px;
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++) {
            if (gen() % 16 == 0) {
                const auto bits = static_cast<uint32_t>(gen());
                px.push_back({uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16)});
            } else {
                px.push_back({uint8_t(255 * x / (w > 1 ? w - 1 : 1)), uint8_t(255 * y / (h > 1 ? h - 1 : 1)),
                              uint8_t(255 - 255 * x / (w > 1 ? w - 1 : 1))});
            }
        }
    const std::vector<uint8_t> bmp = make_bmp(bmp_size(w, h), px);
    FILE *f = fopen(argv[4], "wb");
    if (f == nullptr || fwrite(bmp.data(), bmp.size(), 1, f) != 1 || fclose(f) != 0) {
        perror(argv[4]);
        return 1;
    }
    return 0;
}
