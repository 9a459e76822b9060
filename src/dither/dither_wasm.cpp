// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The dither's scan with WebAssembly SIMD (wasm_simd128.h): the SSE2 scan
// of dither_x86.cpp, one band's pixel a vector (blue, green, red and a
// fourth lane that stays zero), instruction for instruction where
// WebAssembly has the same one. Where SSE2 takes a 16-bit min and max of
// values whose ranges make them the 32-bit ones (see dither_x86.cpp), this
// takes the 32-bit ones. It writes the bytes the portable scan writes, and
// leaves each band with the same error; the dither's tests hold it to that
// under Node.
#include "dither_scan.h"

#ifdef KESTROW_DITHER_WASM_SIMD

#include <wasm_simd128.h>

namespace dither_scan {
namespace {

using v128 = v128_t;

struct fields128 {
    v128 linear_first, move_down, move_up, past1, past2, base, rise1, rise2;
};

struct chain128 {
    v128 next, below;
};

inline v128 load(const void *p) { return wasm_v128_load(p); }
inline void store(int32_t *p, v128 v) { wasm_v128_store(p, v); }

// Lanes 0 of a, b, c and zero, and so on: SSE2's unpack steps in one
// shuffle each.
inline void transpose(v128 a, v128 b, v128 c, v128 *f0, v128 *f1, v128 *f2, v128 *f3)
{
    const v128 zero = wasm_i32x4_const(0, 0, 0, 0);
    const v128 ab_lo = wasm_i32x4_shuffle(a, b, 0, 4, 1, 5), c_lo = wasm_i32x4_shuffle(c, zero, 0, 4, 1, 5);
    const v128 ab_hi = wasm_i32x4_shuffle(a, b, 2, 6, 3, 7), c_hi = wasm_i32x4_shuffle(c, zero, 2, 6, 3, 7);
    *f0 = wasm_i64x2_shuffle(ab_lo, c_lo, 0, 2);
    *f1 = wasm_i64x2_shuffle(ab_lo, c_lo, 1, 3);
    *f2 = wasm_i64x2_shuffle(ab_hi, c_hi, 0, 2);
    *f3 = wasm_i64x2_shuffle(ab_hi, c_hi, 1, 3);
}

inline fields128 gather(const dither_t *d, const uint8_t *px)
{
    const dither_input_t *ib = &d->blue.input[px[0]], *ig = &d->green.input[px[1]],
                         *ir = &d->red.input[px[2]];
    fields128 f;
    transpose(load(ib), load(ig), load(ir), &f.linear_first, &f.move_down, &f.move_up, &f.past1);
    transpose(load(&ib->past2), load(&ig->past2), load(&ir->past2), &f.past2, &f.base, &f.rise1,
              &f.rise2);
    return f;
}

inline v128 rises(const fields128 &f, v128 above1, v128 above2)
{
    return wasm_i32x4_add(wasm_v128_and(f.rise1, above1), wasm_v128_and(f.rise2, above2));
}

template <int step>
inline void pixel_simd(const dither_t *d, chain128 *c, uint8_t *px, const int32_t *err_this, int32_t *err_next)
{
    const uint8_t brightest = max3(px[0], px[1], px[2]);
    const fields128 f = gather(d, px);
    v128 move = wasm_i32x4_shr(wasm_i32x4_add(load(err_this), c->next), error_shift);
    move = wasm_i32x4_min(wasm_i32x4_max(move, f.move_down), f.move_up);
    const v128 w = wasm_i32x4_add(wasm_v128_and(f.linear_first, wasm_i32x4_splat(0xFFFF)), move);
    // Green's choice, then blue and red leaning toward green's error, as
    // in the SSE2 pixel.
    const v128 over_base = wasm_i32x4_sub(w, f.base);
    const v128 taken = rises(f, wasm_i32x4_gt(w, f.past1), wasm_i32x4_gt(w, f.past2));
    const v128 not_green = wasm_i32x4_const(-1, 0, -1, 0);
    const v128 green_taken = wasm_v128_and(wasm_i32x4_shuffle(taken, taken, 1, 1, 1, 1), not_green);
    const v128 green_over = wasm_v128_and(wasm_i32x4_shuffle(over_base, over_base, 1, 1, 1, 1), not_green);
    const auto shift = static_cast<uint32_t>(d->lean[spread_of(px)][0]);
    const v128 above1 =
        wasm_i32x4_gt(wasm_i32x4_add(wasm_i32x4_shl(wasm_i32x4_sub(w, f.past1), shift), green_taken), green_over);
    const v128 above2 =
        wasm_i32x4_gt(wasm_i32x4_add(wasm_i32x4_shl(wasm_i32x4_sub(w, f.past2), shift), green_taken), green_over);
    const v128 e = wasm_i32x4_sub(over_base, rises(f, above1, above2));
    c->next = wasm_i32x4_dot_i16x8(e, load(d->keep_next[brightest]));
    const v128 e_below = wasm_i32x4_dot_i16x8(e, load(d->keep_below[brightest]));
    store(err_next - slots * step, wasm_i32x4_add(wasm_i32x4_add(c->below, e_below), wasm_i32x4_splat(error_half)));
    c->below = e_below;
    const v128 k = wasm_i32x4_sub(wasm_i32x4_sub(wasm_u32x4_shr(f.linear_first, 16), above1), above2);
    const v128 shown = wasm_i32x4_add(wasm_i32x4_dot_i16x8(k, load(d->shown_times)),
                                      wasm_u32x4_shr(wasm_i32x4_dot_i16x8(k, load(d->shown_plus)), 6));
    px[0] = static_cast<uint8_t>(wasm_i32x4_extract_lane(shown, 0));
    px[1] = static_cast<uint8_t>(wasm_i32x4_extract_lane(shown, 1));
    px[2] = static_cast<uint8_t>(wasm_i32x4_extract_lane(shown, 2));
}

template <int step, int count>
void scan_simd(const dither_t *d, const dither_band_t *const bands[2], uint8_t *const rows[2])
{
    const auto width = static_cast<ptrdiff_t>(d->width);
    chain128 chains[2] = {};
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step) {
        const ptrdiff_t slot = slots * (x + 1);
        for (int b = 0; b < count; b++)
            pixel_simd<step>(d, &chains[b], rows[b] + 3 * x, bands[b]->err_this + slot, bands[b]->err_next + slot);
    }
    const ptrdiff_t last = slots * (x - step + 1);
    for (int b = 0; b < count; b++)
        store(bands[b]->err_next + last, wasm_i32x4_add(chains[b].below, wasm_i32x4_splat(error_half)));
}

} // namespace

void rows_wasm_simd(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
                    uint32_t t)
{
    if (count == 2)
        (t % 2 == 0 ? scan_simd<1, 2> : scan_simd<-1, 2>)(d, bands, rows);
    else
        (t % 2 == 0 ? scan_simd<1, 1> : scan_simd<-1, 1>)(d, bands, rows);
    for (int b = 0; b < count; b++)
        rows_swap(bands[b]);
}

} // namespace dither_scan

#endif
