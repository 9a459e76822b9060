// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What the ways of running the dither's scan share: the fixed-point scale of
// carried error, the per-pixel helpers, and one entry a way. Private to the
// dither; callers use dither.h.
#ifndef KESTROW_DITHER_SCAN_H
#define KESTROW_DITHER_SCAN_H

#include <cstddef>
#include <cstdint>

#include "dither.h"

namespace dither_scan {

// A pixel passes on its error times (weight x share kept), the weights in
// 32nds and the share in 256ths, so what reaches a pixel is in 8192nds of a
// linear step.
inline constexpr int32_t error_shift = 13;
inline constexpr int32_t error_half = 1 << (error_shift - 1);  // rounds to the nearest step

inline constexpr ptrdiff_t slots = 4;  // error slots a pixel: blue, green, red, unused

inline uint8_t max3(uint8_t a, uint8_t b, uint8_t c)
{
    const uint8_t ab = a > b ? a : b;
    return ab > c ? ab : c;
}

inline uint8_t min3(uint8_t a, uint8_t b, uint8_t c)
{
    const uint8_t ab = a < b ? a : b;
    return ab < c ? ab : c;
}

// How far a pixel's bytes spread apart: what blue and red lean on green by.
inline uint8_t spread_of(const uint8_t *px)
{
    return static_cast<uint8_t>(max3(px[0], px[1], px[2]) - min3(px[0], px[1], px[2]));
}

inline void rows_swap(dither_band_t *band)
{
    int32_t *const done = band->err_this;
    band->err_this = band->err_next;
    band->err_next = done;
}

// A row of each of `count` bands (1 or 2), bands[i] dithering rows[i] in
// place; each band's error rows are swapped after. The rows are a band's
// row t, which runs left to right when t is even.
using rows_fn = void (*)(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2],
                         int count, uint32_t t);
void rows_portable(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
                   uint32_t t);
#if defined(__x86_64__)
#define KESTROW_DITHER_X86 1
void rows_sse2(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
               uint32_t t);
void rows_avx2(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
               uint32_t t);
bool avx2_supported();
#endif
#if defined(__wasm_simd128__)
#define KESTROW_DITHER_WASM_SIMD 1
void rows_wasm_simd(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
                    uint32_t t);
#endif

} // namespace dither_scan

#endif
