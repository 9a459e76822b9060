// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "dither.h"

#include <cstddef>
#include <cstring>

#include "dither_scan.h"
#include "halves.h"
#include "photo_decode.h"

using namespace dither_scan;

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

static_assert(32 * 256 == 1 << error_shift, "weights in 32nds times shares in 256ths");

// Below this share of the first level (in hundredths), a pixel's error is
// passed on only in part.
constexpr int32_t dark_percent = 6;


// A level past the channel's last: above any value, leaned or not. Small
// enough that the vector scans can scale its distance from a value by 2^10
// within 32 bits.
constexpr int32_t past_none = 1 << 20;

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
    in.past1 = first + 1 < c->count ? threshold(c, first) - 1 : past_none;
    in.past2 = first + 2 < c->count ? threshold(c, first + 1) - 1 : past_none;
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

// How far blue and red lean toward green's error, by a pixel's spread.
// Where the three channels choose their levels each on its own, their
// errors point every which way, and a grey or pale pixel is shown as
// specks of colour: the eye, and CIEDE2000, weigh such colour noise on a
// near-neutral tone far more than the same amount of noise in lightness.
// Choosing blue and red as if their values were moved by a share of
// green's error makes the three err alike, so the noise left is mostly in
// lightness. A saturated colour has little to gain and its smooth ramps
// would only pick up green's pattern, so the share falls with the spread:
// about (256 - spread) / 1024, taken as a power of two, green's error
// shifted right by 2 (a quarter) for grey down to 10 at full saturation.
// A shift, not a product, because the vector scans then need no multiply
// on the way from one pixel to the next.
void lean_init(dither_t *d)
{
    for (int32_t spread = 0; spread < 256; spread++) {
        // The power of two nearest (256 - spread) / 1024: while 1024 over
        // it is at least 2^(shift + 1/2), one more.
        const int64_t room = 256 - spread;
        int32_t shift = 2;
        while (shift < 10 && int64_t{1024} * 1024 >= (room * room) << (2 * shift + 1))
            shift++;
        for (ptrdiff_t lane = 0; lane < slots; lane++)
            d->lean[spread][lane] = shift;
    }
}

// The widenings as arithmetic for the vector scan: k * 85 for 2 bits,
// k * 17 for 4, k * 8 + (k >> 2) for 5 and k * 4 + (k >> 4) for 6 (the
// shifted-in bits never overlap).
void shown_init(dither_t *d, unsigned color_bits)
{
    const bool sixteen = color_bits == 16;
    const int32_t same = color_bits == 12 ? 17 : 85;
    const int32_t times[slots] = {sixteen ? 8 : same, sixteen ? 4 : same, sixteen ? 8 : same, 0};
    const int32_t plus[slots] = {sixteen ? 16 : 0, sixteen ? 4 : 0, sixteen ? 16 : 0, 0};
    memcpy(d->shown_times, times, sizeof times);
    memcpy(d->shown_plus, plus, sizeof plus);
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
// in). The level is chosen for the value less `lean`, and the error is
// what is left over of the value itself. Sets `error` and returns the
// level shown.
inline uint8_t dither_channel(const dither_channel_t *c, uint8_t srgb, int32_t incoming, int32_t lean,
                              int32_t *error)
{
    const dither_input_t *in = &c->input[srgb];
    const int32_t move = clamp_branchless(incoming >> error_shift, in->move_down, in->move_up);
    const int32_t w = (in->linear_first & 0xFFFF) + move;
    // As masks (all ones or zero), for the same reason.
    const int32_t above1 = -static_cast<int32_t>(w - lean > in->past1);
    const int32_t above2 = -static_cast<int32_t>(w - lean > in->past2);
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
        // Green first: blue and red lean toward its error.
        px[1] = dither_channel(&d->green, g, err_this[slot + 1] + next_g, 0, &e_g);
        const int32_t lean = e_g >> d->lean[brightest - min3(b, g, r)][0];
        px[0] = dither_channel(&d->blue, b, err_this[slot] + next_b, lean, &e_b);
        px[2] = dither_channel(&d->red, r, err_this[slot + 2] + next_r, lean, &e_r);
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

void err_row_clear(int32_t *row, uint32_t width)
{
    for (ptrdiff_t i = 0; i < (static_cast<ptrdiff_t>(width) + 2) * slots; i++)
        row[i] = error_half;
}

// Rows a band starting inside the picture first runs over. Even, so its
// first real row still runs left to right.
constexpr uint32_t warm_rows = sizeof(dither_t::warm) / sizeof(dither_t::warm[0]) / 2;
static_assert(warm_rows % 2 == 0);

// One part of the picture, rows [top, top + rows), done by bands
// first_band (from the top row down) and first_band + 1 (from the bottom
// row up). `warm` is null, or the rows the band starting inside the
// picture runs over first, in its order; `warm_band` is that band.
struct dither_part_t {
    dither_t *d;
    uint8_t *img;
    size_t row_width;
    uint32_t top, rows;
    int first_band;
    dither_band_t *warm_band;
    uint8_t (*warm)[bmp_max_side * 3];
    rows_fn rows_of;
};

void part_run(const dither_part_t *p)
{
    dither_band_t *const down = &p->d->bands[p->first_band], *const up = down + 1;
    if (p->warm != nullptr)
        for (uint32_t t = 0; t < warm_rows; t++) {
            dither_band_t *const bands[2] = {p->warm_band, nullptr};
            uint8_t *const rows[2] = {p->warm[t], nullptr};
            p->rows_of(p->d, bands, rows, 1, t);
        }
    // Row t of both bands together; an odd number of rows leaves the band
    // down one more.
    const uint32_t up_rows = p->rows / 2;
    uint32_t t = 0;
    for (; t < up_rows; t++) {
        dither_band_t *const bands[2] = {down, up};
        uint8_t *const rows[2] = {p->img + p->row_width * (p->top + t),
                                  p->img + p->row_width * (p->top + p->rows - 1 - t)};
        p->rows_of(p->d, bands, rows, 2, t);
    }
    if (p->rows % 2 != 0) {
        dither_band_t *const bands[2] = {down, nullptr};
        uint8_t *const rows[2] = {p->img + p->row_width * (p->top + t), nullptr};
        p->rows_of(p->d, bands, rows, 1, t);
    }
}

void part_half(void *part)
{
    part_run(static_cast<const dither_part_t *>(part));
}

// Copies of the rows either side of the cut at row `cut`, as they were: the
// top half's band up runs over rows cut + 7 up to cut first, the bottom
// half's band down over rows cut - 8 down to cut - 1.
void warm_rows_copy(dither_t *d, const uint8_t *img, size_t row_width, uint32_t cut)
{
    const size_t bytes = size_t{d->width} * 3;
    for (uint32_t i = 0; i < warm_rows; i++) {
        memcpy(d->warm[i], img + row_width * (cut + warm_rows - 1 - i), bytes);
        memcpy(d->warm[warm_rows + i], img + row_width * (cut - warm_rows + i), bytes);
    }
}

rows_fn rows_for(dither_scan_t scan)
{
#ifdef KESTROW_DITHER_X86
    if (scan == dither_sse2)
        return rows_sse2;
    if (scan == dither_avx2)
        return rows_avx2;
#endif
#ifdef KESTROW_DITHER_WASM_SIMD
    if (scan == dither_wasm_simd)
        return rows_wasm_simd;
#endif
    (void)scan;
    return rows_portable;
}

} // namespace

void dither_scan::rows_portable(const dither_t *d, dither_band_t *const bands[2], uint8_t *const rows[2],
                                int count, uint32_t t)
{
    for (int b = 0; b < count; b++) {
        (t % 2 == 0 ? dither_scan_portable<1> : dither_scan_portable<-1>)(d, bands[b], rows[b]);
        rows_swap(bands[b]);
    }
}

void dither_init(dither_t *d, unsigned color_bits, uint32_t width)
{
    if (color_bits == 16) {
        channel_init(&d->blue, 5, widen5);
        channel_init(&d->green, 6, widen6);
        channel_init(&d->red, 5, widen5);
    } else if (color_bits == 12) {
        channel_init(&d->blue, 4, widen4);
        d->green = d->blue;
        d->red = d->blue;
    } else {
        channel_init(&d->blue, 2, widen2);
        d->green = d->blue;
        d->red = d->blue;
    }
    keep_init(d);
    lean_init(d);
    shown_init(d, color_bits);
    d->width = width;
    for (int b = 0; b < 4; b++) {
        d->bands[b] = {d->err_rows[2 * b], d->err_rows[2 * b + 1]};
        err_row_clear(d->err_rows[2 * b], width);
        err_row_clear(d->err_rows[2 * b + 1], width);
    }
}

bool dither_scan_available(dither_scan_t scan)
{
    switch (scan) {
    case dither_portable:
        return true;
#ifdef KESTROW_DITHER_X86
    case dither_sse2:
        return true;
    case dither_avx2:
        return avx2_supported();
#endif
#ifdef KESTROW_DITHER_WASM_SIMD
    case dither_wasm_simd:
        return true;
#endif
    default:
        return false;
    }
}

void dither_image_using(dither_t *d, uint8_t *img, size_t row_width, uint32_t height, dither_scan_t scan)
{
    if (d->width == 0)
        return;
    const rows_fn rows_of = rows_for(scan);
    const uint32_t cut = halves_cut(height);
    if (cut == 0) {
        const dither_part_t whole = {d, img, row_width, 0, height, 0, nullptr, nullptr, rows_of};
        part_run(&whole);
        return;
    }
    warm_rows_copy(d, img, row_width, cut);
    dither_part_t top = {d, img, row_width, 0, cut, 0, &d->bands[1], d->warm, rows_of};
    dither_part_t bottom = {d, img, row_width, cut, height - cut, 2, &d->bands[2], d->warm + warm_rows, rows_of};
    halves_run(part_half, &top, part_half, &bottom);
}

void dither_image(dither_t *d, uint8_t *img, size_t row_width, uint32_t height)
{
    const dither_scan_t fastest = dither_scan_available(dither_avx2)        ? dither_avx2
                                  : dither_scan_available(dither_sse2)      ? dither_sse2
                                  : dither_scan_available(dither_wasm_simd) ? dither_wasm_simd
                                                                            : dither_portable;
    dither_image_using(d, img, row_width, height, fastest);
}
