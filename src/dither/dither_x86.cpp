// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The dither's scan on x86-64: a pixel's three channels in the lanes of one
// vector (blue, green, red, and a fourth that stays zero), so each step of
// the arithmetic is done once a pixel, not three times. SSE2, which every
// x86-64 core has, does one band's pixel a vector; AVX2, where the core has
// it, puts the two bands' pixels in the two halves of one vector, every
// instruction used keeping to its own half.
//
// Both write the bytes the portable scan writes. Where 16-bit instructions
// are used, the values stay within 16 bits: the carried move and the
// clamp's bounds stay within +-24577 (half the widest level step, and what
// a full share of weights adds up to, with blue and red leaning by up to a
// quarter of green's error), so as sign-extended 16-bit halves their 16-bit
// max and min are the 32-bit ones; errors times shares (at most 14 x 256)
// and levels times widening factors fit the 16-bit multiply-add, whose
// upper halves multiply zero; a value's distance from a level, shifted
// left by at most 10, stays within 32 bits.
#include "dither_scan.h"

#ifdef KESTROW_DITHER_X86

#include <cstring>

#include <immintrin.h>

namespace dither_scan {
namespace {

static_assert(sizeof(dither_input_t) == 32 && offsetof(dither_input_t, past2) == 16,
              "a record loads as two vectors");

// ---- SSE2: one band a vector ----

using v128 = __m128i;

// Three records' two halves, turned into vectors of one field a lane.
struct fields128 {
    v128 linear_first, move_down, move_up, past1, past2, base, rise1, rise2;
};

// What the previous pixel of a scan passes on to the next and below.
struct chain128 {
    v128 next, below;
};

inline v128 load(const void *p) { return _mm_loadu_si128(static_cast<const v128 *>(p)); }
inline void store(int32_t *p, v128 v) { _mm_storeu_si128(reinterpret_cast<v128 *>(p), v); }

inline void transpose(v128 a, v128 b, v128 c, v128 *f0, v128 *f1, v128 *f2, v128 *f3)
{
    const v128 zero = _mm_setzero_si128();
    const v128 ab_lo = _mm_unpacklo_epi32(a, b), c_lo = _mm_unpacklo_epi32(c, zero);
    const v128 ab_hi = _mm_unpackhi_epi32(a, b), c_hi = _mm_unpackhi_epi32(c, zero);
    *f0 = _mm_unpacklo_epi64(ab_lo, c_lo);
    *f1 = _mm_unpackhi_epi64(ab_lo, c_lo);
    *f2 = _mm_unpacklo_epi64(ab_hi, c_hi);
    *f3 = _mm_unpackhi_epi64(ab_hi, c_hi);
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

// The rises from the base level to the level chosen, given whether it is
// above the first and the second (masks).
inline v128 rises(const fields128 &f, v128 above1, v128 above2)
{
    return _mm_add_epi32(_mm_and_si128(f.rise1, above1), _mm_and_si128(f.rise2, above2));
}

// One pixel of one band: `px` its three bytes (replaced by the levels
// shown), `err_this` and `err_next` the band's error rows at its slot.
template <int step>
inline void pixel_sse2(const dither_t *d, chain128 *c, uint8_t *px, const int32_t *err_this,
                       int32_t *err_next)
{
    const uint8_t brightest = max3(px[0], px[1], px[2]);
    const fields128 f = gather(d, px);
    v128 move = _mm_srai_epi32(_mm_add_epi32(load(err_this), c->next), error_shift);
    move = _mm_min_epi16(_mm_max_epi16(move, f.move_down), f.move_up);
    const v128 w = _mm_add_epi32(_mm_and_si128(f.linear_first, _mm_set1_epi32(0xFFFF)), move);
    // Green's choice, then blue and red leaning toward green's error e by
    // a shift s: w - (e >> s) > past exactly when (w - past) << s plus the
    // rises green took is above green's value over its base. Green's own
    // lane compares against zeros, so stays as it was.
    const v128 over_base = _mm_sub_epi32(w, f.base);
    const v128 taken = rises(f, _mm_cmpgt_epi32(w, f.past1), _mm_cmpgt_epi32(w, f.past2));
    const v128 not_green = _mm_setr_epi32(-1, 0, -1, 0);
    const v128 green_taken = _mm_and_si128(_mm_shuffle_epi32(taken, _MM_SHUFFLE(1, 1, 1, 1)), not_green);
    const v128 green_over = _mm_and_si128(_mm_shuffle_epi32(over_base, _MM_SHUFFLE(1, 1, 1, 1)), not_green);
    const v128 shift = _mm_cvtsi32_si128(d->lean[spread_of(px)][0]);
    const v128 above1 = _mm_cmpgt_epi32(_mm_add_epi32(_mm_sll_epi32(_mm_sub_epi32(w, f.past1), shift), green_taken), green_over);
    const v128 above2 = _mm_cmpgt_epi32(_mm_add_epi32(_mm_sll_epi32(_mm_sub_epi32(w, f.past2), shift), green_taken), green_over);
    const v128 e = _mm_sub_epi32(over_base, rises(f, above1, above2));
    c->next = _mm_madd_epi16(e, load(d->keep_next[brightest]));
    const v128 e_below = _mm_madd_epi16(e, load(d->keep_below[brightest]));
    store(err_next - slots * step, _mm_add_epi32(_mm_add_epi32(c->below, e_below), _mm_set1_epi32(error_half)));
    c->below = e_below;
    // The level's number, then its sRGB value, then three bytes.
    const v128 k = _mm_sub_epi32(_mm_sub_epi32(_mm_srli_epi32(f.linear_first, 16), above1), above2);
    const v128 shown = _mm_add_epi32(_mm_madd_epi16(k, load(d->shown_times)),
                                     _mm_srli_epi32(_mm_madd_epi16(k, load(d->shown_plus)), 6));
    const v128 bytes = _mm_packus_epi16(_mm_packs_epi32(shown, shown), shown);
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    px[0] = static_cast<uint8_t>(packed);
    px[1] = static_cast<uint8_t>(packed >> 8);
    px[2] = static_cast<uint8_t>(packed >> 16);
}

// A row of each of `count` bands in the direction `step`, the same pixel of
// each in turn: the bands do not depend on each other, so the core works on
// both chains at once.
template <int step, int count>
void scan_sse2(const dither_t *d, const dither_band_t *const bands[2], uint8_t *const rows[2])
{
    const auto width = static_cast<ptrdiff_t>(d->width);
    chain128 chains[2] = {};
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step) {
        const ptrdiff_t slot = slots * (x + 1);
        for (int b = 0; b < count; b++)
            pixel_sse2<step>(d, &chains[b], rows[b] + 3 * x, bands[b]->err_this + slot,
                             bands[b]->err_next + slot);
    }
    // The last pixel's slot below has nothing behind it.
    const ptrdiff_t last = slots * (x - step + 1);
    for (int b = 0; b < count; b++)
        store(bands[b]->err_next + last, _mm_add_epi32(chains[b].below, _mm_set1_epi32(error_half)));
}

// ---- AVX2: two bands in one vector, the first in the low half ----

#define KESTROW_AVX2 __attribute__((target("avx2")))

using v256 = __m256i;

struct fields256 {
    v256 linear_first, move_down, move_up, past1, past2, base, rise1, rise2;
};

struct chain256 {
    v256 next, below;
};

KESTROW_AVX2 inline v256 load2(const void *low, const void *high)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(load(low)), load(high), 1);
}

KESTROW_AVX2 inline void store2(int32_t *low, int32_t *high, v256 v)
{
    store(low, _mm256_castsi256_si128(v));
    store(high, _mm256_extracti128_si256(v, 1));
}

KESTROW_AVX2 inline void transpose2(v256 a, v256 b, v256 c, v256 *f0, v256 *f1, v256 *f2, v256 *f3)
{
    const v256 zero = _mm256_setzero_si256();
    const v256 ab_lo = _mm256_unpacklo_epi32(a, b), c_lo = _mm256_unpacklo_epi32(c, zero);
    const v256 ab_hi = _mm256_unpackhi_epi32(a, b), c_hi = _mm256_unpackhi_epi32(c, zero);
    *f0 = _mm256_unpacklo_epi64(ab_lo, c_lo);
    *f1 = _mm256_unpackhi_epi64(ab_lo, c_lo);
    *f2 = _mm256_unpacklo_epi64(ab_hi, c_hi);
    *f3 = _mm256_unpackhi_epi64(ab_hi, c_hi);
}

KESTROW_AVX2 inline fields256 gather2(const dither_t *d, const uint8_t *pa, const uint8_t *pb)
{
    const dither_input_t *ib[2] = {&d->blue.input[pa[0]], &d->blue.input[pb[0]]};
    const dither_input_t *ig[2] = {&d->green.input[pa[1]], &d->green.input[pb[1]]};
    const dither_input_t *ir[2] = {&d->red.input[pa[2]], &d->red.input[pb[2]]};
    fields256 f;
    transpose2(load2(ib[0], ib[1]), load2(ig[0], ig[1]), load2(ir[0], ir[1]), &f.linear_first,
               &f.move_down, &f.move_up, &f.past1);
    transpose2(load2(&ib[0]->past2, &ib[1]->past2), load2(&ig[0]->past2, &ig[1]->past2),
               load2(&ir[0]->past2, &ir[1]->past2), &f.past2, &f.base, &f.rise1, &f.rise2);
    return f;
}

KESTROW_AVX2 inline v256 rises2(const fields256 &f, v256 above1, v256 above2)
{
    return _mm256_add_epi32(_mm256_and_si256(f.rise1, above1), _mm256_and_si256(f.rise2, above2));
}

// Three bytes from the low end of `packed`, in two stores (x86 is
// little-endian).
KESTROW_AVX2 inline void put3(uint8_t *px, uint32_t packed)
{
    const auto low = static_cast<uint16_t>(packed);
    memcpy(px, &low, 2);
    px[2] = static_cast<uint8_t>(packed >> 16);
}

// The error rows of both bands and the constants of a scan, held in locals
// (the pixel stores are bytes, which the compiler must assume may change
// anything read through a pointer).
struct pair_rows_t {
    const int32_t *this_a, *this_b;
    int32_t *next_a, *next_b;
};

struct pair_consts_t {
    v256 half, low16, times, plus;
    v256 green_but_green;  // byte shuffle: green's lane into blue's and red's, zero into green's
};

// The same pixel of both bands: `pa` and `pb` their bytes, `slot` their
// slot in each band's error rows.
template <int step, bool six>
KESTROW_AVX2 inline void pixel_avx2(const dither_t *d, const pair_consts_t &k0, chain256 *c, uint8_t *pa,
                                    uint8_t *pb, const pair_rows_t &r, ptrdiff_t slot)
{
    const uint8_t ba = pa[0], ga = pa[1], ra = pa[2], bb = pb[0], gb = pb[1], rb = pb[2];
    const uint8_t bright_a = max3(ba, ga, ra), bright_b = max3(bb, gb, rb);
    const uint8_t spread_a = static_cast<uint8_t>(bright_a - min3(ba, ga, ra));
    const uint8_t spread_b = static_cast<uint8_t>(bright_b - min3(bb, gb, rb));
    const uint8_t both_a[3] = {ba, ga, ra}, both_b[3] = {bb, gb, rb};
    const fields256 f = gather2(d, both_a, both_b);
    // The value is added to the error before the shift and the clamp made
    // around it, so it is not added on the way from one pixel to the next:
    // v + clamp(m, down, up) is clamp(v + m, v + down, v + up), and v is a
    // whole number of 8192nds.
    const v256 v = _mm256_and_si256(f.linear_first, k0.low16);
    const v256 carried = _mm256_add_epi32(load2(r.this_a + slot, r.this_b + slot), _mm256_slli_epi32(v, error_shift));
    const v256 moved = _mm256_srai_epi32(_mm256_add_epi32(carried, c->next), error_shift);
    const v256 w = _mm256_min_epi32(_mm256_max_epi32(moved, _mm256_add_epi32(v, f.move_down)),
                                    _mm256_add_epi32(v, f.move_up));
    // As in the SSE2 pixel: green's choice, then blue and red leaning
    // toward its error, with green's lane comparing against zeros.
    const v256 over_base = _mm256_sub_epi32(w, f.base);
    const v256 taken = rises2(f, _mm256_cmpgt_epi32(w, f.past1), _mm256_cmpgt_epi32(w, f.past2));
    const v256 green_taken = _mm256_shuffle_epi8(taken, k0.green_but_green);
    const v256 green_over = _mm256_shuffle_epi8(over_base, k0.green_but_green);
    const v256 shift = load2(d->lean[spread_a], d->lean[spread_b]);
    const v256 above1 = _mm256_cmpgt_epi32(
        _mm256_add_epi32(_mm256_sllv_epi32(_mm256_sub_epi32(w, f.past1), shift), green_taken), green_over);
    const v256 above2 = _mm256_cmpgt_epi32(
        _mm256_add_epi32(_mm256_sllv_epi32(_mm256_sub_epi32(w, f.past2), shift), green_taken), green_over);
    const v256 e = _mm256_sub_epi32(over_base, rises2(f, above1, above2));
    c->next = _mm256_madd_epi16(e, load2(d->keep_next[bright_a], d->keep_next[bright_b]));
    const v256 e_below = _mm256_madd_epi16(e, load2(d->keep_below[bright_a], d->keep_below[bright_b]));
    const ptrdiff_t behind = slot - slots * step;
    store2(r.next_a + behind, r.next_b + behind, _mm256_add_epi32(_mm256_add_epi32(c->below, e_below), k0.half));
    c->below = e_below;
    const v256 k = _mm256_sub_epi32(_mm256_sub_epi32(_mm256_srli_epi32(f.linear_first, 16), above1), above2);
    // k * 85 for 2 bits: the widening's second term is zero there.
    const v256 shown = six ? _mm256_madd_epi16(k, k0.times)
                           : _mm256_add_epi32(_mm256_madd_epi16(k, k0.times),
                                              _mm256_srli_epi32(_mm256_madd_epi16(k, k0.plus), 6));
    const v256 bytes = _mm256_packus_epi16(_mm256_packs_epi32(shown, shown), shown);
    put3(pa, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes))));
    put3(pb, static_cast<uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1))));
}

template <int step, bool six>
KESTROW_AVX2 void scan_avx2(const dither_t *d, const dither_band_t *first, const dither_band_t *second,
                            uint8_t *const rows[2])
{
    const auto width = static_cast<ptrdiff_t>(d->width);
    const pair_rows_t r = {first->err_this, second->err_this, first->err_next, second->err_next};
    const v256 green_but_green = _mm256_setr_epi8(4, 5, 6, 7, -1, -1, -1, -1, 4, 5, 6, 7, -1, -1, -1, -1,
                                                  4, 5, 6, 7, -1, -1, -1, -1, 4, 5, 6, 7, -1, -1, -1, -1);
    const pair_consts_t k0 = {_mm256_set1_epi32(error_half), _mm256_set1_epi32(0xFFFF),
                              load2(d->shown_times, d->shown_times), load2(d->shown_plus, d->shown_plus),
                              green_but_green};
    uint8_t *const row_a = rows[0], *const row_b = rows[1];
    chain256 c = {_mm256_setzero_si256(), _mm256_setzero_si256()};
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step)
        pixel_avx2<step, six>(d, k0, &c, row_a + 3 * x, row_b + 3 * x, r, slots * (x + 1));
    const ptrdiff_t last = slots * (x - step + 1);
    store2(r.next_a + last, r.next_b + last, _mm256_add_epi32(c.below, k0.half));
}

} // namespace

void rows_sse2(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
               uint32_t t)
{
    if (count == 2)
        (t % 2 == 0 ? scan_sse2<1, 2> : scan_sse2<-1, 2>)(d, bands, rows);
    else
        (t % 2 == 0 ? scan_sse2<1, 1> : scan_sse2<-1, 1>)(d, bands, rows);
    for (int b = 0; b < count; b++)
        rows_swap(bands[b]);
}

void rows_avx2(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2], int count,
               uint32_t t)
{
    if (count != 2) {  // a band alone fills half a vector: SSE2 does that as well
        rows_sse2(d, bands, rows, count, t);
        return;
    }
    const bool six = d->green.count == 4;
    if (six)
        (t % 2 == 0 ? scan_avx2<1, true> : scan_avx2<-1, true>)(d, bands[0], bands[1], rows);
    else
        (t % 2 == 0 ? scan_avx2<1, false> : scan_avx2<-1, false>)(d, bands[0], bands[1], rows);
    rows_swap(bands[0]);
    rows_swap(bands[1]);
}

bool avx2_supported() { return __builtin_cpu_supports("avx2"); }

} // namespace dither_scan

#endif
