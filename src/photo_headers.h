// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Records of the two file formats this tool speaks: the front of a BMP file
// (read) and the header of a photo file (written).
#ifndef KESTROW_PHOTO_HEADERS_H
#define KESTROW_PHOTO_HEADERS_H

#include <cstddef>
#include <cstdint>

// The 36 bytes that follow the "BM" magic: the rest of the BMP file header
// and the first fields of the DIB header, in file order. Every field sits at
// a multiple of its own width, so the record has no gaps and mirrors the file
// byte for byte. The bytes are decoded field by field as little-endian values,
// so the record is right on any host.
struct bmp_header_t {
    uint32_t file_size;        // not examined
    uint32_t reserved;         // not examined
    uint32_t pixel_offset;     // where the pixel array starts, from file start
    uint32_t dib_header_size;  // not examined: pixels are found via pixel_offset
    uint32_t img_width;        // pixels per row
    uint32_t img_height;       // rows; a top-down BMP reads as a huge value
    uint16_t planes;
    uint16_t bits_per_pixel;
    uint32_t compression_type;
    uint32_t img_size;         // bytes in the pixel array, fill included
};

// Header of a photo file: written as 4 bytes, width then height, each low
// byte first.
struct photo_header_t {
    uint16_t width;
    uint16_t height;
};

// Bytes of the BMP record on disk; file offset = record offset + 2 (magic).
inline constexpr std::size_t bmp_header_bytes = 36;
inline constexpr std::size_t photo_header_bytes = 4;

static_assert(sizeof(bmp_header_t) == bmp_header_bytes, "bmp_header_t must have no padding");
static_assert(offsetof(bmp_header_t, pixel_offset) == 8);
static_assert(offsetof(bmp_header_t, img_width) == 16);
static_assert(offsetof(bmp_header_t, img_height) == 20);
static_assert(offsetof(bmp_header_t, planes) == 24);
static_assert(offsetof(bmp_header_t, bits_per_pixel) == 26);
static_assert(offsetof(bmp_header_t, compression_type) == 28);
static_assert(offsetof(bmp_header_t, img_size) == 32);
static_assert(sizeof(photo_header_t) == photo_header_bytes, "photo_header_t must have no padding");

#endif
