// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Builds BMP files in memory for the tests, including deliberately broken
// ones: every header field can be overridden.
#ifndef KESTROW_TESTS_BMP_BUILDER_H
#define KESTROW_TESTS_BMP_BUILDER_H

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "vga_color.h"

struct rgb {
    uint8_t r, g, b;
    bool operator==(const rgb &) const = default;
};

struct bmp_fields {
    uint32_t width = 1;
    uint32_t height = 1;
    uint16_t planes = 1;
    uint16_t bits_per_pixel = 24;
    uint32_t compression = 0;
    uint32_t dib_header_size = 40;
    std::optional<uint32_t> img_size;      // default: height x row width
    std::optional<uint32_t> pixel_offset;  // default: right after the DIB header
    char magic[2] = {'B', 'M'};
};

// Value of the fill bytes at the end of each row: never 0, so a writer that
// leaks fill into the output is caught.
inline constexpr uint8_t bmp_fill_byte = 0xEE;

inline bmp_fields bmp_size(uint32_t width, uint32_t height)
{
    bmp_fields f;
    f.width = width;
    f.height = height;
    return f;
}

// The bytes one pixel becomes in a photo file of `pixel_bytes` (1 or 2) a value.
inline std::vector<uint8_t> encoded_pixel(rgb c, unsigned pixel_bytes)
{
    if (pixel_bytes == 1)
        return {vga_color6(c.b, c.g, c.r)};
    const uint16_t v = vga_color16(c.b, c.g, c.r);
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}

inline uint32_t test_row_width(uint32_t width) { return (width * 3 + 3) & ~3u; }

inline void put_le(std::vector<uint8_t> &v, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        v.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Overwrites a 32-bit field in place, for headers the builder would not
// write as they are (an offset of gigabytes, say).
inline void set_le32(std::vector<uint8_t> &v, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        v.at(at + size_t(i)) = static_cast<uint8_t>(value >> (8 * i));
}

// `pixels` are in stored order: first stored row first, left to right. Rows
// missing from `pixels` are black. Everything between the fields written here
// and pixel_offset is zero.
inline std::vector<uint8_t> make_bmp(const bmp_fields &f, const std::vector<rgb> &pixels = {})
{
    const uint32_t row = test_row_width(f.width);
    const uint32_t offset = f.pixel_offset.value_or(14 + f.dib_header_size);
    // A negative height (top-down picture) still stores |height| rows.
    const uint32_t rows = f.height > 0x7FFFFFFFu ? 0u - f.height : f.height;
    const uint64_t array_size = uint64_t{row} * rows;

    std::vector<uint8_t> v;
    v.push_back(static_cast<uint8_t>(f.magic[0]));
    v.push_back(static_cast<uint8_t>(f.magic[1]));
    put_le(v, offset + array_size, 4);  // file_size
    put_le(v, 0, 4);                    // reserved
    put_le(v, offset, 4);
    put_le(v, f.dib_header_size, 4);
    put_le(v, f.width, 4);
    put_le(v, f.height, 4);
    put_le(v, f.planes, 2);
    put_le(v, f.bits_per_pixel, 2);
    put_le(v, f.compression, 4);
    put_le(v, f.img_size.value_or(static_cast<uint32_t>(array_size)), 4);
    // An offset below 38 overlaps the header: the pixels then simply follow it.
    if (v.size() < offset)
        v.resize(offset, 0);

    for (uint32_t y = 0; y < rows; y++) {
        for (uint32_t x = 0; x < f.width; x++) {
            const size_t i = size_t{y} * f.width + x;
            const rgb c = i < pixels.size() ? pixels[i] : rgb{0, 0, 0};
            v.push_back(c.b);
            v.push_back(c.g);
            v.push_back(c.r);
        }
        for (uint32_t pad = f.width * 3; pad < row; pad++)
            v.push_back(bmp_fill_byte);
    }
    return v;
}

inline std::vector<rgb> random_pixels(size_t n, uint32_t seed)
{
    std::mt19937 gen(seed);
    std::vector<rgb> px(n);
    for (auto &p : px) {
        const auto bits = static_cast<uint32_t>(gen());
        p = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
             static_cast<uint8_t>(bits >> 16)};
    }
    return px;
}

#endif
