#include "dither.h"

#include <climits>
#include <cstddef>

#include "photo_decode.h"

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

// How far carried error may move a value, and which levels it can then
// reach: at most the one below and the two above the nearest to `low`.
dither_input_t input_init(const dither_channel_t *c, int32_t v)
{
    unsigned j = 0;  // the step [level j, level j + 1] that holds v
    while (j + 2 < c->count && c->linear[j + 1] <= v)
        j++;
    const int32_t half_step = (c->linear[j + 1] - c->linear[j]) / 2;
    dither_input_t in{};
    in.linear = v;
    in.low = v - half_step < 0 ? 0 : v - half_step;
    in.high = v + half_step > srgb_linear_one ? srgb_linear_one : v + half_step;
    const unsigned first = nearest(c, in.low);
    in.first = static_cast<int32_t>(first);
    in.up1 = first + 1 < c->count ? threshold(c, first) : INT32_MAX;
    in.up2 = first + 2 < c->count ? threshold(c, first + 1) : INT32_MAX;
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
        d->keep_next[s] = weight_next * keep;
        d->keep_below[s] = weight_below * keep;
    }
}

// A branch here would mispredict all over a photograph, and compilers do
// not always choose a conditional move, so the clamp is arithmetic: the
// differences are far from overflowing, and a right shift of a negative
// value copies its sign bit.
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
//
// Each pixel waits for the previous one, so this is the scan's critical
// path: no table lookup on it beyond the value's own record, and the level
// chosen by two compares rather than a search.
inline uint8_t dither_channel(const dither_channel_t *c, uint8_t srgb, int32_t incoming,
                              int32_t *error)
{
    const dither_input_t *in = &c->input[srgb];
    int32_t w = in->linear + (incoming >> error_shift);
    w = clamp_branchless(w, in->low, in->high);
    // As masks (all ones or zero), for the same reason.
    const int32_t above1 = -static_cast<int32_t>(w >= in->up1);
    const int32_t above2 = -static_cast<int32_t>(w >= in->up2);
    *error = w - in->base - (in->rise1 & above1) - (in->rise2 & above2);
    return c->shown[in->first - above1 - above2];
}

uint8_t max3(uint8_t a, uint8_t b, uint8_t c)
{
    const uint8_t ab = a > b ? a : b;
    return ab > c ? ab : c;
}

// One row in the direction `step` (+1 or -1). Slot 3 * (x + 1) of an error
// row holds pixel x; slots 0-2 and the last three are margin. Each slot of
// the next row is written once, when both pixels above that reach it are
// done, so the next row needs no clearing.
template <int step>
void dither_scan(dither_t *d, const uint8_t *bgr, uint8_t *out)
{
    const int32_t *const err_this = d->err_this;
    int32_t *const err_next = d->err_next;
    const auto width = static_cast<ptrdiff_t>(d->width);
    // What the previous pixel passes to the next one and to each pixel below.
    int32_t next_b = 0, next_g = 0, next_r = 0;
    int32_t below_b = 0, below_g = 0, below_r = 0;
    ptrdiff_t x = step > 0 ? 0 : width - 1;
    for (ptrdiff_t i = 0; i < width; i++, x += step) {
        const ptrdiff_t p = 3 * x;
        const ptrdiff_t slot = p + 3;
        const uint8_t b = bgr[p], g = bgr[p + 1], r = bgr[p + 2];
        const uint8_t brightest = max3(b, g, r);
        const int32_t keep_next = d->keep_next[brightest];
        const int32_t keep_below = d->keep_below[brightest];
        int32_t e_b, e_g, e_r;
        const uint8_t out_b = dither_channel(&d->blue, b, err_this[slot] + next_b, &e_b);
        const uint8_t out_g = dither_channel(&d->green, g, err_this[slot + 1] + next_g, &e_g);
        const uint8_t out_r = dither_channel(&d->red, r, err_this[slot + 2] + next_r, &e_r);
        next_b = e_b * keep_next;
        next_g = e_g * keep_next;
        next_r = e_r * keep_next;
        // The slot behind gets its share from this pixel and the previous
        // one (the weights below and below-behind are equal).
        const ptrdiff_t behind = slot - 3 * step;
        err_next[behind] = below_b + e_b * keep_below + error_half;
        err_next[behind + 1] = below_g + e_g * keep_below + error_half;
        err_next[behind + 2] = below_r + e_r * keep_below + error_half;
        below_b = e_b * keep_below;
        below_g = e_g * keep_below;
        below_r = e_r * keep_below;
        out[p] = out_b;
        out[p + 1] = out_g;
        out[p + 2] = out_r;
    }
    // The last pixel's slot below has nothing behind it.
    const ptrdiff_t last = 3 * (x - step) + 3;
    err_next[last] = below_b + error_half;
    err_next[last + 1] = below_g + error_half;
    err_next[last + 2] = below_r + error_half;
}

void err_row_clear(int32_t *row)
{
    for (size_t i = 0; i < (bmp_max_side + 2) * 3; i++)
        row[i] = error_half;
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
    d->width = width;
    d->err_this = d->err_rows[0];
    d->err_next = d->err_rows[1];
    err_row_clear(d->err_this);
    err_row_clear(d->err_next);
}

void dither_row(dither_t *d, uint32_t y, const uint8_t *bgr, uint8_t *out)
{
    if (d->width == 0)
        return;
    if (y % 2 == 0)
        dither_scan<1>(d, bgr, out);
    else
        dither_scan<-1>(d, bgr, out);
    int32_t *const done = d->err_this;
    d->err_this = d->err_next;
    d->err_next = done;
}
