// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Error diffusion onto the display's colours, in linear light.
//
// Each channel is decoded from sRGB to linear light (a fixed table), the
// error carried from earlier pixels is added, and a display level is
// chosen; what is left over is passed on to three neighbours: 14/32 to the
// next pixel of the scan, 9/32 to the pixel on the next row and 9/32 to
// the one behind it there. Rows are scanned in alternating directions.
//
// Green takes the level nearest its value in linear light. Blue and red
// take the level nearest their value less a share of green's error: a
// quarter for a grey pixel, less as the pixel's bytes spread apart, close
// to none for a saturated colour. Chosen each on its own, the three
// channels err every which way, and a pale or grey tone is shown as specks
// of colour, which the eye (and CIEDE2000) weighs far more than the same
// noise in lightness; leaning on green, they err alike.
//
// The picture is done in bands, each scanned away from where it starts, so
// that they never exchange error and can be done at once: the core works
// on two bands' chains together (each pixel must wait for the error of the
// one before it, so one chain leaves it mostly idle), and a second core
// takes the other half of the picture. A picture is cut into two halves
// (not at all under 64 rows), and each half into two bands: one from the
// half's top row down, one from its bottom row up, meeting in its middle
// like a picture's last rows seen from both sides. Where a band starts
// inside the picture (either side of the cut), it first runs over the 8
// rows before its start, as they were, and shows none of them, so it
// starts with the error a scan would be carrying there rather than none;
// otherwise a flat dark tone would have a band of empty rows there. How
// the work is shared out changes nothing in what is written.
//
// Two limits keep the diffused error from turning into visible noise:
//  - the carried error may move a value at most half a level step (the
//    step around the value itself), so error piled up on one side of an
//    edge does not spill far into the other;
//  - where a pixel is nearly black (its brightest channel below 6% of the
//    first level), only a share of its error is passed on, falling to none
//    at black. There the first level would appear only as isolated dots,
//    far apart, which the eye sees as noise rather than as a dark tone.
//
// Integers only, so every host writes the same bytes.
#ifndef KESTROW_DITHER_H
#define KESTROW_DITHER_H

#include <cstddef>
#include <cstdint>

#include "bmp_input.h"
#include "srgb_table.h"

// What one channel needs to know about one 8-bit sRGB input value. Eight
// 32-bit fields, so the records of a pixel's three channels load as two
// vectors each.
struct dither_input_t {
    int32_t linear_first;  // the value in linear light; from bit 16, the lowest
                           // level a moved value can be nearest to
    int32_t move_down;     // carried error may move the value this far down (<= 0)
    int32_t move_up;       // and this far up (>= 0)
    int32_t past1;         // a moved value above this is nearest to level first + 1,
    int32_t past2;         // above this to first + 2
    int32_t base;          // level first in linear light
    int32_t rise1, rise2;  // from there to level first + 1, and on to first + 2
};

// The levels one channel of the display shows.
struct dither_channel_t {
    unsigned count;                 // 4, 16, 32 or 64
    uint8_t shown[64];              // as 8-bit sRGB, rising
    int32_t linear[64];             // the same in linear light
    dither_input_t input[256];      // by sRGB input value
};

// The error one band carries from row to row (in 8192nds of a linear step;
// four slots a pixel, blue, green, red and one unused, and a pixel of margin
// at each end so the scan never needs a bounds test).
struct dither_band_t {
    int32_t *err_this;  // error reaching the row being dithered
    int32_t *err_next;  // error reaching the band's next row
};

// Everything one run needs: the levels of each channel, the share of error
// passed on by a pixel's brightest channel, and two rows of error for each
// band. The per-pixel values come four times over, one for each slot, ready
// to load as a vector.
struct dither_t {
    dither_channel_t blue, green, red;
    alignas(16) int32_t keep_next[256][4];   // weight to the next pixel times the share kept,
    alignas(16) int32_t keep_below[256][4];  // and to each pixel below; by a pixel's largest sRGB byte
    alignas(16) int32_t lean[256][4];        // blue and red lean by green's error >> this, by spread
    alignas(16) int32_t shown_times[4];      // level k shows as k * times + (k * plus >> 6),
    alignas(16) int32_t shown_plus[4];       // the widening of each channel
    uint32_t width;
    dither_band_t bands[4];  // the top half's band down and band up, then the bottom half's
    alignas(16) int32_t err_rows[8][(bmp_max_side + 2) * 4];
    uint8_t warm[2 * 8][bmp_max_side * 3];  // the rows either side of the cut, as they were
};

// Sets up `d` for rows of `width` pixels (at most bmp_max_side) in the
// display format of `color_bits`: 6, 16, or 12 for 4:4:4 (levels 17k). No
// error is carried yet.
void dither_init(dither_t *d, unsigned color_bits, uint32_t width);

// Dithers a whole pixel array in place: `height` rows `row_width` bytes
// apart, each holding width pixels as blue, green, red; every channel
// becomes one of the display levels. The bytes past a row's pixels are left
// alone. Once for each dither_init. Uses the fastest scan this machine has.
void dither_image(dither_t *d, uint8_t *img, size_t row_width, uint32_t height);

// The ways of running the scan. Each writes the same bytes; the vector ones
// are only faster, and the tests hold them to the portable one.
enum dither_scan_t { dither_portable, dither_sse2, dither_avx2, dither_wasm_simd };

// Whether this build, on this machine, can run `scan`.
bool dither_scan_available(dither_scan_t scan);

// dither_image with the given scan, which must be available.
void dither_image_using(dither_t *d, uint8_t *img, size_t row_width, uint32_t height, dither_scan_t scan);

#endif
