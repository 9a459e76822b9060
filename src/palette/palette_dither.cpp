// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The dither onto a panel's palette.
//
// Each pixel is decoded to linear light and the error carried from earlier
// pixels is added; the result is held inside the box of the colours the
// panel can show (an e-paper white is far darker than sRGB white, and error
// that no entry can ever pay back would otherwise pile up and burst out as
// specks of the wrong colour). The entry nearest to it in OKLab is chosen,
// and what is left over, measured against what that entry really looks
// like, goes on to the neighbours in Floyd and Steinberg's shares, the rows
// scanned in alternating directions.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "palette.h"
#include "srgb_table.h"

namespace {

// OKLab (Björn Ottosson, 2020) in integers: linear sRGB to cone responses,
// their cube roots, and those to lightness and two opponent axes. The
// matrices in 14-bit fixed point.
constexpr int32_t fix(double v) { return static_cast<int32_t>(v * 16384.0 + (v < 0 ? -0.5 : 0.5)); }
constexpr int32_t to_lms[3][3] = {{fix(0.4122214708), fix(0.5363325363), fix(0.0514459929)},
                                  {fix(0.2119034982), fix(0.6806995451), fix(0.1073969566)},
                                  {fix(0.0883024619), fix(0.2817188376), fix(0.6299787005)}};
constexpr int32_t to_lab[3][3] = {{fix(0.2104542553), fix(0.7936177850), fix(-0.0040720468)},
                                  {fix(1.9779984951), fix(-2.4285922050), fix(0.4505937099)},
                                  {fix(0.0259040371), fix(0.7827717662), fix(-0.8086757660)}};

// cube_root[x] = the cube root of x / 65535, times 65535, rounded down.
struct cube_root_table {
    uint16_t at[65536];
    cube_root_table()
    {
        constexpr uint64_t one2 = uint64_t{65535} * 65535;
        uint64_t r = 0;
        for (uint64_t x = 0; x < 65536; x++) {
            while ((r + 1) * (r + 1) * (r + 1) <= x * one2)
                r++;
            at[x] = static_cast<uint16_t>(r);
        }
    }
};

struct lab_t {
    int32_t l, a, b;
};

// `rgb`: linear red, green, blue, each 0 to 65535.
lab_t oklab(const cube_root_table &cbrt, const int32_t rgb[3])
{
    int32_t c[3];
    for (int i = 0; i < 3; i++) {
        const int64_t v = (int64_t{to_lms[i][0]} * rgb[0] + int64_t{to_lms[i][1]} * rgb[1] +
                           int64_t{to_lms[i][2]} * rgb[2] + 8192) >> 14;
        c[i] = cbrt.at[std::clamp<int64_t>(v, 0, 65535)];
    }
    int32_t o[3];
    for (int i = 0; i < 3; i++)
        o[i] = static_cast<int32_t>(
            (int64_t{to_lab[i][0]} * c[0] + int64_t{to_lab[i][1]} * c[1] + int64_t{to_lab[i][2]} * c[2]) >> 14);
    return {o[0], o[1], o[2]};
}

struct entry_t {
    int32_t linear[3];  // what the panel shows, red, green, blue, linear
    lab_t lab;          // the same in OKLab
    uint8_t bgr[3];     // the nominal colour, as the BMP holds it
};

struct palette_run {
    const cube_root_table &cbrt;
    entry_t entries[PHOTO_PALETTE_MAX];
    unsigned count = 0;
    int32_t low[3], high[3];  // the box the panel's colours span, per channel

    palette_run(const cube_root_table &table, const photo_palette_t *palette) : cbrt(table)
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
            t.lab = oklab(cbrt, t.linear);
            const photo_rgb_t nominal = photo_value6_rgb(e.value);
            t.bgr[0] = nominal.blue, t.bgr[1] = nominal.green, t.bgr[2] = nominal.red;
            entries[count++] = t;
        }
    }

    const entry_t &nearest(const int32_t rgb[3]) const
    {
        const lab_t want = oklab(cbrt, rgb);
        const entry_t *best = &entries[0];
        int64_t best_d = INT64_MAX;
        for (unsigned i = 0; i < count; i++) {
            const entry_t &e = entries[i];
            const int64_t dl = want.l - e.lab.l, da = want.a - e.lab.a, db = want.b - e.lab.b;
            const int64_t d = dl * dl + da * da + db * db;
            if (d < best_d)
                best_d = d, best = &e;
        }
        return *best;
    }
};

} // namespace

void palette_dither(const photo_palette_t *palette, uint8_t *img, size_t row_width, uint32_t width,
                    uint32_t height)
{
    static const cube_root_table cbrt;
    const palette_run run(cbrt, palette);
    // Error reaching this row and the next, red, green, blue a pixel, with
    // a pixel of margin at each end; in 16ths of a linear step.
    // (At most 4096 pixels a row: the BMP reader's limit.)
    static int32_t rows[2][(PHOTO_MAX_SIDE + 2) * 3];
    int32_t *this_row = rows[0], *next_row = rows[1];
    memset(this_row, 0, sizeof rows[0]);
    for (uint32_t y = 0; y < height; y++) {
        uint8_t *row = img + (size_t{height} - 1 - y) * row_width;  // top row first
        const bool forward = y % 2 == 0;
        const int step = forward ? 1 : -1;
        memset(next_row, 0, sizeof rows[0]);
        for (uint32_t i = 0; i < width; i++) {
            const uint32_t x = forward ? i : width - 1 - i;
            uint8_t *px = row + size_t{x} * 3;
            int32_t *err = &this_row[(size_t{x} + 1) * 3];
            int32_t want[3];
            for (int c = 0; c < 3; c++)
                want[c] = std::clamp(srgb_to_linear[px[2 - c]] + err[c] / 16, run.low[c], run.high[c]);
            const entry_t &e = run.nearest(want);
            for (int c = 0; c < 3; c++) {
                const int32_t left = want[c] - e.linear[c];
                err[step * 3 + c] += left * 7;
                int32_t *below = &next_row[(size_t{x} + 1) * 3 + static_cast<size_t>(c)];
                below[-step * 3] += left * 3;
                below[0] += left * 5;
                below[step * 3] += left;
            }
            px[0] = e.bgr[0], px[1] = e.bgr[1], px[2] = e.bgr[2];
        }
        std::swap(this_row, next_row);
    }
}
