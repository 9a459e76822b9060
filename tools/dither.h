// Error diffusion onto the display's colours, in linear light.
//
// Each channel is decoded from sRGB to linear light (a fixed table), the
// error carried from earlier pixels is added, and the display level nearest
// in linear light is chosen; what is left over is passed on with the
// Floyd-Steinberg weights (7, 3, 5, 1 sixteenths), the scan running left to
// right on even rows and right to left on odd ones. The display's colours
// are every combination of its channel levels, so the nearest colour in
// linear RGB is the nearest level of each channel on its own.
//
// Integers only, so every host writes the same bytes.
#ifndef KESTROW_DITHER_H
#define KESTROW_DITHER_H

#include <cstdint>

#include "bmp_input.h"
#include "srgb_table.h"

// The levels one channel of the display shows.
struct dither_channel_t {
    unsigned count;                                 // 4, 32 or 64
    uint8_t shown[64];                              // as 8-bit sRGB, rising
    int32_t linear[64];                             // the same in linear light
    uint8_t nearest[srgb_linear_one + 1];           // level nearest to each linear value
};

// Everything one run needs: the levels of each channel and two rows of
// carried error (three channels a pixel, in sixteenths, with a pixel of
// margin at each end so the kernel never needs a bounds test).
struct dither_t {
    dither_channel_t blue, green, red;
    uint32_t width;
    int32_t *err_this;  // error reaching the row being dithered
    int32_t *err_next;  // error reaching the row after it
    int32_t err_rows[2][(bmp_max_side + 2) * 3];
};

// Sets up `d` for rows of `width` pixels (at most bmp_max_side) in the
// display format of `color_bits` (6 or 16). No error is carried yet.
void dither_init(dither_t *d, unsigned color_bits, uint32_t width);

// Dithers the next stored row: `bgr` holds width pixels as blue, green, red;
// `out` receives the same number of pixels, each channel one of the display
// levels. Rows must come in stored order, each once.
void dither_row(dither_t *d, uint32_t y, const uint8_t *bgr, uint8_t *out);

#endif
