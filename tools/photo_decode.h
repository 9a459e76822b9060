// What the display shows for a photo file's colour values: the inverse of
// the encodings, each channel widened back to 8 bits.
#ifndef KESTROW_PHOTO_DECODE_H
#define KESTROW_PHOTO_DECODE_H

#include <cstdint>

struct rgb8_t {
    uint8_t red, green, blue;
};

// 6-bit values the encoder can write: 0 to 63 except 0x3C, and 0x40.
constexpr bool vga6_value_valid(uint8_t v)
{
    return (v < 64 && v != 0x3C) || v == 0x40;
}

// Two bits a channel, times 85 (0, 85, 170, 255); 0x40 is pure yellow.
constexpr rgb8_t vga6_to_rgb(uint8_t v)
{
    if (v == 0x40)
        return {255, 255, 0};
    return {static_cast<uint8_t>((v >> 4 & 3) * 85), static_cast<uint8_t>((v >> 2 & 3) * 85),
            static_cast<uint8_t>((v & 3) * 85)};
}

// 5:6:5, each channel widened by repeating its top bits (31 -> 255, 0 -> 0).
constexpr rgb8_t vga16_to_rgb(uint16_t v)
{
    const unsigned r = v >> 11, g = v >> 5 & 63, b = v & 31;
    return {static_cast<uint8_t>(r << 3 | r >> 2), static_cast<uint8_t>(g << 2 | g >> 4),
            static_cast<uint8_t>(b << 3 | b >> 2)};
}

#endif
