// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Encoding whole pixel rows into the build's colour format. The writer's hot
// loop: one call a row instead of one stream write a pixel. Each encoding has
// a file of its own (photo_row_rgb222.cpp, photo_row_rgb565.cpp) holding its
// portable and SSSE3 rows side by side; a build links the one it writes.
#ifndef KESTROW_PHOTO_ROW_H
#define KESTROW_PHOTO_ROW_H

#include <cstdint>

// Encodes `width` stored pixels (blue, green, red bytes) at `bgr` into
// width x vga_color_bytes bytes at `out`, each value low byte first.
using photo_row_encoder = void (*)(const uint8_t *bgr, uint32_t width, uint8_t *out);

// Portable path, one pixel at a time; the reference for the others.
void photo_row_encode_scalar(const uint8_t *bgr, uint32_t width, uint8_t *out);

#if defined(__x86_64__) || defined(__i386__)
#define KESTROW_HAVE_SSSE3 1
// 16 pixels a step with SSSE3 byte shuffles; only on a CPU that has them.
void photo_row_encode_ssse3(const uint8_t *bgr, uint32_t width, uint8_t *out);
inline bool photo_row_ssse3_supported() { return __builtin_cpu_supports("ssse3"); }
#endif

// The fastest path this CPU runs.
inline photo_row_encoder photo_row_encoder_select()
{
#ifdef KESTROW_HAVE_SSSE3
    if (photo_row_ssse3_supported())
        return photo_row_encode_ssse3;
#endif
    return photo_row_encode_scalar;
}

#endif
