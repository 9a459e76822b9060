#include "dither.h"

#include <climits>
#include <cstddef>
#include <cstring>

#include "photo_decode.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

using widen_fn = uint8_t (*)(unsigned);

// Error weights, in 32nds: next pixel of the scan, below, below and behind.
// Compact and leaning on the diagonal, so the pattern left behind is as
// fine as it can be; a plain Floyd-Steinberg kernel leaves coarser noise
// that the eye's blur does not remove.
constexpr int32_t weight_next = 14;
constexpr int32_t weight_below = 9;
constexpr int32_t weight_behind = 9;
static_assert(weight_next + weight_below + weight_behind == 32);
static_assert(weight_behind == weight_below, "the scan hands on one share for both");

// A pixel passes on its error times (weight x share kept), the share in
// 256ths, so what reaches a pixel is in 8192nds of a linear step.
constexpr int32_t error_shift = 13;
constexpr int32_t error_half = 1 << (error_shift - 1);  // rounds to the nearest step
static_assert(32 * 256 == 1 << error_shift);

// Below this share of the first level (in hundredths), a pixel's error is
// passed on only in part.
constexpr int32_t dark_percent = 6;

constexpr ptrdiff_t slots = 4;  // error slots a pixel

// The smallest linear value nearest to level k + 1 rather than k (a tie
// goes to the lower level).
int32_t threshold(const dither_channel_t *c, unsigned k)
{
    return (c->linear[k] + c->linear[k + 1]) / 2 + 1;
}

unsigned nearest(const dither_channel_t *c, int32_t v)
{
    unsigned k = 0;
    while (k + 1 < c->count && v >= threshold(c, k))
        k++;
    return k;
}

// How far carried error may move a value (half the level step around it,
// within 0 to one), and which levels it can then reach: at most the one
// below and the two above the nearest to its lowest.
dither_input_t input_init(const dither_channel_t *c, int32_t v)
{
    unsigned j = 0;  // the step [level j, level j + 1] that holds v
    while (j + 2 < c->count && c->linear[j + 1] <= v)
        j++;
    const int32_t half_step = (c->linear[j + 1] - c->linear[j]) / 2;
    const int32_t low = v - half_step < 0 ? 0 : v - half_step;
    const int32_t high = v + half_step > srgb_linear_one ? srgb_linear_one : v + half_step;
    const unsigned first = nearest(c, low);
    dither_input_t in{};
    in.linear_first = v | static_cast<int32_t>(first << 16);
    in.move_down = low - v;
    in.move_up = high - v;
    in.past1 = first + 1 < c->count ? threshold(c, first) - 1 : INT32_MAX;
    in.past2 = first + 2 < c->count ? threshold(c, first + 1) - 1 : INT32_MAX;
    in.base = c->linear[first];
    in.rise1 = first + 1 < c->count ? c->linear[first + 1] - c->linear[first] : 0;
    in.rise2 = first + 2 < c->count ? c->linear[first + 2] - c->linear[first + 1] : 0;
    return in;
}

void channel_init(dither_channel_t *c, unsigned bits, widen_fn widen)
{
    c->count = 1u << bits;
    for (unsigned k = 0; k < c->count; k++) {
        c->shown[k] = widen(k);
        c->linear[k] = srgb_to_linear[c->shown[k]];
    }
    for (unsigned s = 0; s < 256; s++)
        c->input[s] = input_init(c, srgb_to_linear[s]);
}

// The share of error a pixel passes on, by its brightest channel: all of it
// from dark_percent of the coarsest channel's first level up, falling in
// proportion to none at black.
void keep_init(dither_t *d)
{
    const int64_t first = d->blue.linear[1] > d->green.linear[1] ? d->blue.linear[1]
                                                                 : d->green.linear[1];
    for (unsigned s = 0; s < 256; s++) {
        const int64_t share = int64_t{srgb_to_linear[s]} * 256 * 100 / (dark_percent * first);
        const auto keep = static_cast<int32_t>(share < 256 ? share : 256);
        for (ptrdiff_t lane = 0; lane < slots; lane++) {
            d->keep_next[s][lane] = weight_next * keep;
            d->keep_below[s][lane] = weight_below * keep;
        }
    }
}

// The widenings as arithmetic for the vector scan: k * 85 for 2 bits,
// k * 8 + (k >> 2) for 5 and k * 4 + (k >> 4) for 6 (the shifted-in bits
// never overlap).
void shown_init(dither_t *d, unsigned color_bits)
{
    const bool six = color_bits != 16;
    const int32_t times[slots] = {six ? 85 : 8, six ? 85 : 4, six ? 85 : 8, 0};
    const int32_t plus[slots] = {six ? 0 : 16, six ? 0 : 4, six ? 0 : 16, 0};
    memcpy(d->shown_times, times, sizeof times);
    memcpy(d->shown_plus, plus, sizeof plus);
}

uint8_t max3(uint8_t a, uint8_t b, uint8_t c)
{
    const uint8_t ab = a > b ? a : b;
    return ab > c ? ab : c;
}

// The carried error's move, held within [low, high]. A branch here would
// mispredict all over a photograph, and compilers do not always choose a
// conditional move, so the clamp is arithmetic: the differences are far
// from overflowing, and a right shift of a negative value copies its sign.
inline int32_t clamp_branchless(int32_t v, int32_t low, int32_t high)
{
    const int32_t below = v - low;
    v -= below & (below >> 31);
    const int32_t above = v - high;
    return v - (above & ~(above >> 31));
}

// One channel of one pixel: `incoming` is what reaches it from the row
// above and from the previous pixel of the scan (the rounding half already
// in). Sets `error` to what is left over and returns the level shown.
inline uint8_t dither_channel(const dither_channel_t *c, uint8_t srgb, int32_t incoming,
                              int32_t *error)
{
    const dither_input_t *in = &c->input[srgb];
    const int32_t move = clamp_branchless(incoming >> error_shift, in->move_down, in->move_up);
    const int32_t w = (in->linear_first & 0xFFFF) + move;
    // As masks (all ones or zero), for the same reason.
    const int32_t above1 = -static_cast<int32_t>(w > in->past1);
    const int32_t above2 = -static_cast<int32_t>(w > in->past2);
    *error = w - in->base - (in->rise1 & above1) - (in->rise2 & above2);
    return c->shown[(in->linear_first >> 16) - above1 - above2];
}

// One row of `band` in the direction `step` (+1 or -1), one channel after
// another, in place. Slot 4 * (x + 1) of an error row holds pixel x; slots
// 0-3 and the last four are margin. Each slot of the next row is written
// once, when both pixels that reach it are done, so it needs no clearing.
template <int step>
void dither_scan_portable(const dither_t *d, const dither_band_t *band, uint8_t *row)
{
    const int32_t *const err_this = band->err_this;
    int32_t *const err_next = band->err_next;
    const auto width = static_cast<ptrdiff_t>(d->width);
    // What the previous pixel passes to the next one and to each pixel below.
    int32_t next_b = 0, next_g = 0, next_r = 0;
    int32_t below_b = 0, below_g = 0, below_r = 0;
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step) {
        uint8_t *const px = row + 3 * x;
        const ptrdiff_t slot = slots * (x + 1);
        const uint8_t b = px[0], g = px[1], r = px[2];
        const uint8_t brightest = max3(b, g, r);
        const int32_t keep_next = d->keep_next[brightest][0];
        const int32_t keep_below = d->keep_below[brightest][0];
        int32_t e_b, e_g, e_r;
        px[0] = dither_channel(&d->blue, b, err_this[slot] + next_b, &e_b);
        px[1] = dither_channel(&d->green, g, err_this[slot + 1] + next_g, &e_g);
        px[2] = dither_channel(&d->red, r, err_this[slot + 2] + next_r, &e_r);
        next_b = e_b * keep_next;
        next_g = e_g * keep_next;
        next_r = e_r * keep_next;
        // The slot behind gets its share from this pixel and the previous
        // one (the weights below and below-behind are equal).
        const ptrdiff_t behind = slot - slots * step;
        err_next[behind] = below_b + e_b * keep_below + error_half;
        err_next[behind + 1] = below_g + e_g * keep_below + error_half;
        err_next[behind + 2] = below_r + e_r * keep_below + error_half;
        err_next[behind + 3] = error_half;
        below_b = e_b * keep_below;
        below_g = e_g * keep_below;
        below_r = e_r * keep_below;
    }
    // The last pixel's slot below has nothing behind it.
    const ptrdiff_t last = slots * (x - step + 1);  // the last pixel's slot
    err_next[last] = below_b + error_half;
    err_next[last + 1] = below_g + error_half;
    err_next[last + 2] = below_r + error_half;
    err_next[last + 3] = error_half;
}

#ifdef __SSE2__
// The same scan with a pixel's three channels in the lanes of one vector
// (blue, green, red, and a fourth that stays zero), so each step of the
// arithmetic is done once a pixel, not three times. It gives the same
// bytes: the values stay within 16 bits where 16-bit instructions are
// used. The carried move and the clamp's bounds stay within +-19661 (half
// the widest level step, and what a full share of weights adds up to), so
// as sign-extended 16-bit halves their 16-bit max and min are the 32-bit
// ones; errors times shares (at most 14 x 256) and levels times widening
// factors fit the 16-bit multiply-add, whose upper halves multiply zero.

// Three records' two halves, turned into vectors of one field a lane.
struct fields {
    __m128i linear_first, move_down, move_up, past1, past2, base, rise1, rise2;
};

inline void transpose(__m128i a, __m128i b, __m128i c, __m128i *f0, __m128i *f1, __m128i *f2,
                      __m128i *f3)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i ab_lo = _mm_unpacklo_epi32(a, b), c_lo = _mm_unpacklo_epi32(c, zero);
    const __m128i ab_hi = _mm_unpackhi_epi32(a, b), c_hi = _mm_unpackhi_epi32(c, zero);
    *f0 = _mm_unpacklo_epi64(ab_lo, c_lo);
    *f1 = _mm_unpackhi_epi64(ab_lo, c_lo);
    *f2 = _mm_unpacklo_epi64(ab_hi, c_hi);
    *f3 = _mm_unpackhi_epi64(ab_hi, c_hi);
}

inline __m128i load(const void *p) { return _mm_loadu_si128(static_cast<const __m128i *>(p)); }

inline fields gather(const dither_t *d, uint8_t b, uint8_t g, uint8_t r)
{
    const dither_input_t *ib = &d->blue.input[b], *ig = &d->green.input[g], *ir = &d->red.input[r];
    fields f;
    transpose(load(ib), load(ig), load(ir), &f.linear_first, &f.move_down, &f.move_up, &f.past1);
    transpose(load(&ib->past2), load(&ig->past2), load(&ir->past2), &f.past2, &f.base, &f.rise1,
              &f.rise2);
    return f;
}

// One band's row as the vector scan walks it, and what the previous pixel
// passes on.
struct lane_t {
    const int32_t *err_this;
    int32_t *err_next;
    uint8_t *row;
    __m128i next, below;
};

lane_t lane_start(const dither_band_t *band, uint8_t *row)
{
    return {band->err_this, band->err_next, row, _mm_setzero_si128(), _mm_setzero_si128()};
}

inline void store(int32_t *p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i *>(p), v); }

// One pixel of one band, all three channels at once.
template <int step>
inline void dither_pixel_sse2(const dither_t *d, lane_t *l, ptrdiff_t x)
{
    const __m128i half = _mm_set1_epi32(error_half);
    const __m128i low16 = _mm_set1_epi32(0xFFFF);
    uint8_t *const px = l->row + 3 * x;
    const ptrdiff_t slot = slots * (x + 1);
    const uint8_t b = px[0], g = px[1], r = px[2];
    const uint8_t brightest = max3(b, g, r);
    const fields f = gather(d, b, g, r);
    const __m128i incoming = _mm_add_epi32(load(l->err_this + slot), l->next);
    __m128i move = _mm_srai_epi32(incoming, error_shift);
    move = _mm_min_epi16(_mm_max_epi16(move, f.move_down), f.move_up);
    const __m128i w = _mm_add_epi32(_mm_and_si128(f.linear_first, low16), move);
    const __m128i above1 = _mm_cmpgt_epi32(w, f.past1);
    const __m128i above2 = _mm_cmpgt_epi32(w, f.past2);
    const __m128i level = _mm_add_epi32(f.base, _mm_add_epi32(_mm_and_si128(f.rise1, above1),
                                                             _mm_and_si128(f.rise2, above2)));
    const __m128i e = _mm_sub_epi32(w, level);
    l->next = _mm_madd_epi16(e, load(d->keep_next[brightest]));
    const __m128i e_below = _mm_madd_epi16(e, load(d->keep_below[brightest]));
    store(l->err_next + slot - slots * step, _mm_add_epi32(_mm_add_epi32(l->below, e_below), half));
    l->below = e_below;
    // The level's number, then its sRGB value, then three bytes.
    const __m128i k = _mm_sub_epi32(_mm_sub_epi32(_mm_srli_epi32(f.linear_first, 16), above1), above2);
    const __m128i shown = _mm_add_epi32(_mm_madd_epi16(k, load(d->shown_times)),
                                        _mm_srli_epi32(_mm_madd_epi16(k, load(d->shown_plus)), 6));
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(shown, shown), shown);
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(bytes));
    px[0] = static_cast<uint8_t>(packed);
    px[1] = static_cast<uint8_t>(packed >> 8);
    px[2] = static_cast<uint8_t>(packed >> 16);
}

inline void lane_finish(lane_t *l, ptrdiff_t last_x)
{
    store(l->err_next + slots * (last_x + 1), _mm_add_epi32(l->below, _mm_set1_epi32(error_half)));
}

// A row of each of `count` bands (1 or 2) in the direction `step`, the same
// pixel of each in turn: the bands do not depend on each other, so the core
// works on both chains at once.
template <int step, int count>
void dither_scan_sse2(const dither_t *d, lane_t *lanes)
{
    static_assert(sizeof(dither_input_t) == 32 && offsetof(dither_input_t, past2) == 16);
    const auto width = static_cast<ptrdiff_t>(d->width);
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step)
        for (int band = 0; band < count; band++)
            dither_pixel_sse2<step>(d, &lanes[band], x);
    for (int band = 0; band < count; band++)
        lane_finish(&lanes[band], x - step);
}
#endif

void err_row_clear(int32_t *row, uint32_t width)
{
    for (ptrdiff_t i = 0; i < (ptrdiff_t{width} + 2) * slots; i++)
        row[i] = error_half;
}

void rows_swap(dither_band_t *band)
{
    int32_t *const done = band->err_this;
    band->err_this = band->err_next;
    band->err_next = done;
}

// The rows of the two bands: the upper band has the middle row of an odd
// height. Row t of either band is scanned left to right when t is even.
uint32_t upper_rows(uint32_t height) { return height - height / 2; }

uint8_t *band_row(uint8_t *img, size_t row_width, uint32_t height, bool lower, uint32_t t)
{
    return img + row_width * (lower ? height - 1 - t : t);
}

void dither_band_portable(dither_t *d, dither_band_t *band, uint8_t *img, size_t row_width,
                          uint32_t height, bool lower)
{
    const uint32_t rows = lower ? height / 2 : upper_rows(height);
    for (uint32_t t = 0; t < rows; t++) {
        uint8_t *const row = band_row(img, row_width, height, lower, t);
        if (t % 2 == 0)
            dither_scan_portable<1>(d, band, row);
        else
            dither_scan_portable<-1>(d, band, row);
        rows_swap(band);
    }
}

} // namespace

void dither_init(dither_t *d, unsigned color_bits, uint32_t width)
{
    if (color_bits == 16) {
        channel_init(&d->blue, 5, widen5);
        channel_init(&d->green, 6, widen6);
        channel_init(&d->red, 5, widen5);
    } else {
        channel_init(&d->blue, 2, widen2);
        d->green = d->blue;
        d->red = d->blue;
    }
    keep_init(d);
    shown_init(d, color_bits);
    d->width = width;
    d->upper = {d->err_rows[0], d->err_rows[1]};
    d->lower = {d->err_rows[2], d->err_rows[3]};
    for (int32_t *row : d->err_rows)
        err_row_clear(row, width);
}

void dither_image_portable(dither_t *d, uint8_t *img, size_t row_width, uint32_t height)
{
    if (d->width == 0)
        return;
    dither_band_portable(d, &d->upper, img, row_width, height, false);
    dither_band_portable(d, &d->lower, img, row_width, height, true);
}

#ifdef __SSE2__
namespace {

template <int count>
void dither_rows_sse2(dither_t *d, uint8_t *const rows[2], uint32_t t)
{
    dither_band_t *const bands[2] = {&d->upper, &d->lower};
    lane_t lanes[2];
    for (int band = 0; band < count; band++)
        lanes[band] = lane_start(bands[band], rows[band]);
    if (t % 2 == 0)
        dither_scan_sse2<1, count>(d, lanes);
    else
        dither_scan_sse2<-1, count>(d, lanes);
    for (int band = 0; band < count; band++)
        rows_swap(bands[band]);
}

} // namespace

void dither_image(dither_t *d, uint8_t *img, size_t row_width, uint32_t height)
{
    if (d->width == 0)
        return;
    // Row t of both bands together; an odd height leaves the upper band one
    // more row.
    for (uint32_t t = 0; t < height / 2; t++) {
        uint8_t *const rows[2] = {band_row(img, row_width, height, false, t),
                                  band_row(img, row_width, height, true, t)};
        dither_rows_sse2<2>(d, rows, t);
    }
    if (height % 2 != 0) {
        const uint32_t t = height / 2;
        uint8_t *const rows[2] = {band_row(img, row_width, height, false, t), nullptr};
        dither_rows_sse2<1>(d, rows, t);
    }
}

bool dither_vectorized() { return true; }
#else
void dither_image(dither_t *d, uint8_t *img, size_t row_width, uint32_t height)
{
    dither_image_portable(d, img, row_width, height);
}

bool dither_vectorized() { return false; }
#endif
