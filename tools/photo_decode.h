// What the display shows for a photo file's colour values: the inverse of
// the encodings, each channel widened back to 8 bits. The dithering step
// takes its display levels from the same widening, so what it writes is
// exactly what photo2bmp shows.
#ifndef KESTROW_PHOTO_DECODE_H
#define KESTROW_PHOTO_DECODE_H

#include <cstdint>

struct rgb8_t {
    uint8_t red, green, blue;
};

// A 2-bit channel times 85: 0, 85, 170, 255.
constexpr uint8_t widen2(unsigned v) { return static_cast<uint8_t>(v * 85); }

// 5- and 6-bit channels repeat their top bits below them (31 -> 255).
constexpr uint8_t widen5(unsigned v) { return static_cast<uint8_t>(v << 3 | v >> 2); }
constexpr uint8_t widen6(unsigned v) { return static_cast<uint8_t>(v << 2 | v >> 4); }

// 6-bit values the encoder can write: 0 to 63 except 0x3C, and 0x40.
constexpr bool vga6_value_valid(uint8_t v)
{
    return (v < 64 && v != 0x3C) || v == 0x40;
}

// 0x40 is pure yellow, the display's code for 0x3C.
constexpr rgb8_t vga6_to_rgb(uint8_t v)
{
    if (v == 0x40)
        return {255, 255, 0};
    return {widen2(v >> 4 & 3u), widen2(v >> 2 & 3u), widen2(v & 3u)};
}

// 5:6:5.
constexpr rgb8_t vga16_to_rgb(uint16_t v)
{
    return {widen5(v >> 11), widen6(v >> 5 & 63u), widen5(v & 31u)};
}

#endif
