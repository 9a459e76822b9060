#include "dither.h"

#include <cstring>

#include "photo_decode.h"

namespace {

using widen_fn = uint8_t (*)(unsigned);

void channel_init(dither_channel_t *c, unsigned bits, widen_fn widen)
{
    c->count = 1u << bits;
    for (unsigned k = 0; k < c->count; k++) {
        c->shown[k] = widen(k);
        c->linear[k] = srgb_to_linear[c->shown[k]];
    }
    // Levels rise, so one walk up the linear scale finds every nearest one;
    // a tie goes to the lower level.
    unsigned k = 0;
    for (int32_t v = 0; v <= srgb_linear_one; v++) {
        while (k + 1 < c->count && c->linear[k + 1] - v < v - c->linear[k])
            k++;
        c->nearest[v] = static_cast<uint8_t>(k);
    }
}

int32_t clamp_linear(int32_t v)
{
    return v < 0 ? 0 : v > srgb_linear_one ? srgb_linear_one : v;
}

// One channel of one pixel: chooses its level and spreads what is left
// over. `here` is the channel's slot in the current error row, `step` the
// distance in slots to the next pixel of the scan (+3 or -3).
inline uint8_t dither_channel(const dither_channel_t *c, uint8_t srgb, int32_t *here,
                              int32_t *below, int step)
{
    // Error is kept in sixteenths of a linear step; round to the nearest step.
    const int32_t wanted = clamp_linear(srgb_to_linear[srgb] + ((*here + 8) >> 4));
    const unsigned k = c->nearest[wanted];
    const int32_t e = wanted - c->linear[k];
    here[step] += 7 * e;
    below[-step] += 3 * e;
    below[0] += 5 * e;
    below[step] += e;
    return c->shown[k];
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
    d->width = width;
    d->err_this = d->err_rows[0];
    d->err_next = d->err_rows[1];
    memset(d->err_rows, 0, sizeof d->err_rows);
}

void dither_row(dither_t *d, uint32_t y, const uint8_t *bgr, uint8_t *out)
{
    const bool forward = y % 2 == 0;
    const int step = forward ? 3 : -3;
    // Slot 3 * (x + 1) holds pixel x; slots 0-2 and the last three are margin.
    int32_t *const err_this = d->err_this;
    int32_t *const err_next = d->err_next;
    for (uint32_t i = 0; i < d->width; i++) {
        const uint32_t x = forward ? i : d->width - 1 - i;
        const size_t p = 3 * size_t{x};
        const size_t slot = p + 3;
        out[p] = dither_channel(&d->blue, bgr[p], err_this + slot, err_next + slot, step);
        out[p + 1] = dither_channel(&d->green, bgr[p + 1], err_this + slot + 1, err_next + slot + 1, step);
        out[p + 2] = dither_channel(&d->red, bgr[p + 2], err_this + slot + 2, err_next + slot + 2, step);
    }
    // The next row starts from what reached it; this row's slots are reused.
    memset(err_this, 0, sizeof(int32_t) * (size_t{d->width} + 2) * 3);
    d->err_this = err_next;
    d->err_next = err_this;
}
