// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The display's two colour formats, and the build-time choice between them.
//
// Both encoders take the top bits of each channel, with no rounding and no
// dithering. Both are always declared, so tools and tests can compare them;
// the build picks one as `vga_color` through KESTROW_COLOR_BITS (6 when not
// set, or 16).
#ifndef KESTROW_VGA_COLOR_H
#define KESTROW_VGA_COLOR_H

#include <cstdint>

// 6-bit: 00RRGGBB. The one value 0x3C (pure yellow on the display) is
// written as 0x40, the display's code for it.
constexpr uint8_t vga_color6(uint8_t blue, uint8_t green, uint8_t red)
{
    const auto v = static_cast<uint8_t>((red >> 6) << 4 | (green >> 6) << 2 | blue >> 6);
    return v == 0x3C ? uint8_t{0x40} : v;
}

// 16-bit 5:6:5: RRRRRGGGGGGBBBBB.
constexpr uint16_t vga_color16(uint8_t blue, uint8_t green, uint8_t red)
{
    return static_cast<uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | blue >> 3);
}

#ifndef KESTROW_COLOR_BITS
#define KESTROW_COLOR_BITS 6
#endif

#if KESTROW_COLOR_BITS == 6
using vga_color_t = uint8_t;
constexpr vga_color_t vga_color(uint8_t blue, uint8_t green, uint8_t red)
{
    return vga_color6(blue, green, red);
}
#elif KESTROW_COLOR_BITS == 16
using vga_color_t = uint16_t;
constexpr vga_color_t vga_color(uint8_t blue, uint8_t green, uint8_t red)
{
    return vga_color16(blue, green, red);
}
#else
#error "KESTROW_COLOR_BITS must be 6 or 16"
#endif

// Bytes one pixel takes in the photo file.
inline constexpr unsigned vga_color_bytes = sizeof(vga_color_t);

#endif
