// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The dither onto a panel's palette.
//
// Each pixel is first taken to the mixture of the panel's colours that
// looks nearest to it (gamut_map.h: an e-paper white is far darker than
// sRGB white, its green dark and dull, and error that no entry can ever pay
// back would otherwise pile up and burst out as specks of the wrong
// colour); the error carried from earlier pixels is added, held to half
// the box the panel's colours span beyond it. The entry nearest to that is
// chosen, by luminance and the two opponent colour axes in linear light
// (chosen in OKLab instead, or in sRGB, the choice and the error it leaves
// are measured in different spaces, and the noise grows:
// bench/palette_quality.py measured both), and what is left over,
// measured against what that entry really looks like, goes on to the
// neighbours in Floyd and Steinberg's shares, the rows scanned in
// alternating directions.
#include <algorithm>
#include <cstring>

#include "gamut_map.h"
#include "halves.h"
#include "palette.h"
#include "srgb_table.h"

namespace {


// The luminance of linear red, green and blue (Rec. 709), in 14 bits.
constexpr int32_t luma_red = 3483, luma_green = 11718, luma_blue = 1183;

// A colour in linear light as its luminance and the two opponent axes (red
// against green, blue against yellow), in 8ths of a linear step so that
// their squares add up within 32 bits (a value is at most 1.5 steps). How
// far apart two colours look is the sum of the squares of the differences.
struct opponent_t {
    int32_t y, red_green, blue_yellow;
};

opponent_t opponent(const int32_t rgb[3])
{
    const int32_t r = rgb[0] / 8, g = rgb[1] / 8, b = rgb[2] / 8;
    return {(luma_red * r + luma_green * g + luma_blue * b) >> 14, r - g, b - (r + g) / 2};
}

struct entry_t {
    int32_t linear[3];  // what the panel shows, red, green, blue, linear
    opponent_t seen;    // the same as luminance and opponent axes
    uint8_t bgr[3];     // the nominal colour, as the BMP holds it
};

int64_t luminance(const int32_t rgb[3])
{
    return (int64_t{luma_red} * rgb[0] + int64_t{luma_green} * rgb[1] + int64_t{luma_blue} * rgb[2]) >> 14;
}

struct palette_run {
    entry_t entries[PHOTO_PALETTE_MAX];
    unsigned count = 0;
    int32_t low[3], high[3];  // the box the panel's colours span, per channel
    int64_t dark = 1;         // below this luminance a pixel passes on only part of its error
    int32_t first_step = 0;   // from the darkest entry's luminance to the next darkest's

    explicit palette_run(const photo_palette_t *palette)
    {
        for (int c = 0; c < 3; c++)
            low[c] = srgb_linear_one, high[c] = 0;
        for (unsigned i = 0; i < palette->count && i < PHOTO_PALETTE_MAX; i++) {
            const photo_palette_entry_t &e = palette->entry[i];
            entry_t t{};
            const uint8_t shown[3] = {e.red, e.green, e.blue};
            for (int c = 0; c < 3; c++) {
                t.linear[c] = srgb_to_linear[shown[c]];
                low[c] = std::min(low[c], t.linear[c]);
                high[c] = std::max(high[c], t.linear[c]);
            }
            const photo_rgb_t nominal = photo_value6_rgb(e.value);
            t.bgr[0] = nominal.blue, t.bgr[1] = nominal.green, t.bgr[2] = nominal.red;
            t.seen = opponent(t.linear);
            entries[count++] = t;
        }
        // A 64th of the way from the darkest entry to the next darkest.
        int64_t lowest = INT64_MAX, next = INT64_MAX;
        for (unsigned i = 0; i < count; i++) {
            const int64_t y = luminance(entries[i].linear);
            if (y < lowest)
                next = lowest, lowest = y;
            else if (y < next)
                next = y;
        }
        if (next != INT64_MAX)
            dark = std::max<int64_t>(1, (next - lowest) / 64), first_step = static_cast<int32_t>(next - lowest);
    }

    // The share of its error (in 256ths) a pixel asking for `asked` passes
    // on: all of it, but falling to none towards black. There the next
    // entry up would only appear as dots far apart, which the eye sees as
    // noise rather than as a dark tone.
    int32_t share(const int32_t asked[3]) const
    {
        const int64_t y = luminance(asked);
        return y >= dark ? 256 : static_cast<int32_t>(y * 256 / dark);
    }

    // Chosen without a branch: which entry wins is as good as random in a
    // dither, and a mispredicted branch cost more than the rest.
    const entry_t &nearest(const int32_t rgb[3]) const
    {
        const opponent_t want = opponent(rgb);
        unsigned best = 0;
        int32_t best_d = INT32_MAX;
        for (unsigned i = 0; i < count; i++) {
            const opponent_t &e = entries[i].seen;
            const int32_t dy = want.y - e.y, drg = want.red_green - e.red_green, dby = want.blue_yellow - e.blue_yellow;
            const int32_t d = dy * dy + drg * drg + dby * dby;
            const bool nearer = d < best_d;
            best = nearer ? i : best;
            best_d = nearer ? d : best_d;
        }
        return entries[best];
    }
};

// One half of the picture: `rows` rows scanned from the picture's top row
// down, or from its bottom row up (`first` counted from the top, `down`
// +1 or -1). The halves meet at the cut, each there far from its start:
// a scan's first rows over a dark tone are sparse, even with the error it
// starts with (seed_errors), which at the picture's edges is the edge,
// but started at the cut would be a band across the picture.
struct palette_half_t {
    const palette_run *run;
    const gamut::map_t *map;
    uint8_t *img;
    size_t row_width;
    uint32_t width, height;
    uint32_t first, rows;
    int down;
    // Error reaching this row and the next, red, green, blue a pixel, with
    // a pixel of margin at each end; in 16ths of a linear step. (At most
    // 4096 pixels a row: the BMP reader's limit.)
    int32_t (*err)[(PHOTO_MAX_SIDE + 2) * 3];
};

// Dithers one row (`width` pixels, blue, green, red) in the direction
// `step`, with the error reaching it in `this_row`; fills `next_row` with
// the error it passes to the row below.
void dither_row(const palette_run &run, const gamut::map_t *map, uint8_t *row, uint32_t width, int step,
                int32_t *this_row, int32_t *next_row)
{
    memset(next_row, 0, (size_t{width} + 2) * 3 * sizeof next_row[0]);
    for (uint32_t i = 0; i < width; i++) {
        const uint32_t x = step > 0 ? i : width - 1 - i;
        uint8_t *px = row + size_t{x} * 3;
        int32_t *err = &this_row[(size_t{x} + 1) * 3];
        int32_t want[3], asked[3];
        gamut::map_pixel(map, px, asked);
        for (int c = 0; c < 3; c++) {
            // The colour asked for, as the panel can show it, plus the
            // error, which is held to half the box beyond it.
            const int32_t margin = (run.high[c] - run.low[c]) / 2;
            want[c] = std::clamp(asked[c] + err[c] / 16, run.low[c] - margin, run.high[c] + margin);
        }
        const entry_t &e = run.nearest(want);
        const int32_t share = run.share(asked);
        for (int c = 0; c < 3; c++) {
            const int32_t left = (want[c] - e.linear[c]) * share / 256;
            err[step * 3 + c] += left * 7;
            int32_t *below = &next_row[(size_t{x} + 1) * 3 + static_cast<size_t>(c)];
            below[-step * 3] += left * 3;
            below[0] += left * 5;
            below[step * 3] += left;
        }
        px[0] = e.bgr[0], px[1] = e.bgr[1], px[2] = e.bgr[2];
    }
}

// The error a scan starts with: a grey of its own at each pixel, spread
// evenly over half the first step either way (in the order of a fixed
// hash of the column). Started with none, every pixel of a row over a flat
// tone carries the same error, and the row lights all at once: a scan over
// a dark grey first left rows empty and then filled one, a pattern of
// lines that took tens of rows to die away.
void seed_errors(const palette_run &run, int32_t *row, uint32_t width)
{
    memset(row, 0, (size_t{width} + 2) * 3 * sizeof row[0]);
    for (uint32_t x = 0; x < width; x++) {
        const int32_t place = static_cast<int32_t>((x * 2654435761u) >> 22) - 512;  // -512 to 511
        const int32_t grey = static_cast<int32_t>(int64_t{run.first_step} * place / 1024) * 16;
        for (int c = 0; c < 3; c++)
            row[(size_t{x} + 1) * 3 + static_cast<size_t>(c)] = grey;
    }
}

void dither_half(void *half)
{
    const palette_half_t *h = static_cast<const palette_half_t *>(half);
    int32_t *this_row = h->err[0], *next_row = h->err[1];
    seed_errors(*h->run, this_row, h->width);
    for (uint32_t t = 0; t < h->rows; t++) {
        const uint32_t y = h->first + static_cast<uint32_t>(h->down) * t;  // from the top
        uint8_t *row = h->img + (size_t{h->height} - 1 - y) * h->row_width;
        dither_row(*h->run, h->map, row, h->width, t % 2 == 0 ? 1 : -1, this_row, next_row);
        std::swap(this_row, next_row);
    }
}

} // namespace

void palette_dither(const photo_palette_t *palette, uint8_t *img, size_t row_width, uint32_t width,
                    uint32_t height)
{
    const palette_run run(palette);
    static gamut::map_t map;
    int32_t linear[PHOTO_PALETTE_MAX][3];
    for (unsigned i = 0; i < run.count; i++)
        std::copy(run.entries[i].linear, run.entries[i].linear + 3, linear[i]);
    gamut::map_init(&map, linear, run.count);
    gamut::map_prepare(&map, img, row_width, width, height);
    static int32_t err[2][2][(PHOTO_MAX_SIDE + 2) * 3];
    const uint32_t cut = halves_cut(height);
    if (cut == 0) {
        palette_half_t whole = {&run, &map, img, row_width, width, height, 0, height, 1, err[0]};
        dither_half(&whole);
        return;
    }
    palette_half_t top = {&run, &map, img, row_width, width, height, 0, cut, 1, err[0]};
    palette_half_t bottom = {&run, &map, img, row_width, width, height, height - 1, height - cut, -1, err[1]};
    halves_run(dither_half, &top, dither_half, &bottom);
}
