// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Writes a test picture for the FPGA checks: a BMP of the given size with
// smooth ramps in all three channels and a sprinkle of random pixels, so
// that dithering makes every display colour, yellow's 0x40 among them.
//
//   usage: make_picture <width> <height> <seed> <out.bmp>
//
// Or cuts a BMP that photo2bmp wrote to what a 12-bit VGA shows of it:
// each channel's top four bits, as a 4-bit DAC's level k shows, 17k.
//
//   usage: make_picture --cut444 <in.bmp> <out.bmp>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bmp_builder.h"

namespace {

uint32_t le32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

int cut444(const char *in, const char *out)
{
    std::vector<uint8_t> b;
    FILE *f = fopen(in, "rb");
    if (f == nullptr) {
        perror(in);
        return 1;
    }
    for (int c; (c = fgetc(f)) != EOF;)
        b.push_back(static_cast<uint8_t>(c));
    fclose(f);
    if (b.size() < 54 || le32(b, 10) != 54) {
        fprintf(stderr, "%s: not a BMP photo2bmp wrote\n", in);
        return 1;
    }
    const uint32_t w = le32(b, 18), h = le32(b, 22), row = (3 * w + 3) / 4 * 4;
    if (b.size() != 54 + size_t{row} * h) {
        fprintf(stderr, "%s: not a BMP photo2bmp wrote\n", in);
        return 1;
    }
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t i = 0; i < 3 * w; i++) {
            uint8_t &c = b[54 + size_t{row} * y + i];
            c = static_cast<uint8_t>((c >> 4) * 17);
        }
    f = fopen(out, "wb");
    if (f == nullptr || fwrite(b.data(), b.size(), 1, f) != 1 || fclose(f) != 0) {
        perror(out);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--cut444")
        return cut444(argv[2], argv[3]);
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
