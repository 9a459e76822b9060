// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Runs the example VGA design under Verilator for two whole frames and
// more. Checks the 640 x 480 at 60 Hz timing at the outputs: sync widths
// and periods, the visible area at its offsets, black in the blanking.
// Then takes one whole frame of visible pixels, checks that all but the
// centred picture is black and that each picture pixel is shown as a
// PICTURE_SCALE x PICTURE_SCALE block of one colour, and writes the picture
// twice: as the BMP photo2bmp would write (its channels widened as the
// photo file reader widens them) and as $readmemh text, one value a line,
// top row first. Given a third name, also the whole 640 x 480 frame as a
// BMP, as a screen would show it.
//
//   usage: tb_vga <shown.bmp> <values.txt> [frame.bmp]
//
// Built once a design and picture: VTOP is the Verilated top (RGB222,
// RGB444 or RGB565 output, VALUE_BITS 6, 12 or 16), PICTURE_WIDTH,
// PICTURE_HEIGHT and PICTURE_SCALE its parameters, and PICTURE_INDEX the
// picture it is asked to show of a memory holding several (0 by default).
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include <kestrow/photo_file.h>

#include "bmp_output.h"
#include "verilated.h"

#define KESTROW_STR2(x) #x
#define KESTROW_STR(x) KESTROW_STR2(x)
#include KESTROW_STR(VTOP.h)

namespace {

constexpr long h_total = 800, v_total = 525, frame = h_total * v_total;
constexpr uint32_t pic_w = PICTURE_WIDTH, pic_h = PICTURE_HEIGHT, scale = PICTURE_SCALE;
constexpr unsigned value_bits = VALUE_BITS;
static_assert(value_bits == 6 || value_bits == 12 || value_bits == 16, "VALUE_BITS is 6, 12 or 16");
#ifndef PICTURE_INDEX
#define PICTURE_INDEX 0
#endif

struct sample {
    bool hsync_n, vsync_n, de;
    unsigned r, g, b;
};

int failures = 0;

void expect(bool ok, const char *what, long at)
{
    if (!ok && failures++ < 10)
        fprintf(stderr, "tb_vga: %s (cycle %ld)\n", what, at);
}

// Cycles at which `level(s)` goes from true to false.
template <typename F>
std::vector<long> falls(const std::vector<sample> &t, F level)
{
    std::vector<long> at;
    for (size_t i = 1; i < t.size(); i++)
        if (level(t[i - 1]) && !level(t[i]))
            at.push_back(static_cast<long>(i));
    return at;
}

template <typename F>
long run_length(const std::vector<sample> &t, long from, F holds)
{
    long n = 0;
    while (from + n < static_cast<long>(t.size()) && holds(t[static_cast<size_t>(from + n)]))
        n++;
    return n;
}

void check_timing(const std::vector<sample> &t)
{
    const auto hs = [](const sample &s) { return s.hsync_n; };
    const auto vs = [](const sample &s) { return s.vsync_n; };
    const auto low = [](bool sample::*f) { return [f](const sample &s) { return !(s.*f); }; };
    const std::vector<long> h_falls = falls(t, hs), v_falls = falls(t, vs);
    expect(v_falls.size() >= 2, "fewer than two vsync pulses", 0);
    for (size_t i = 0; i < h_falls.size(); i++) {
        if (h_falls[i] + h_total < static_cast<long>(t.size()))
            expect(run_length(t, h_falls[i], low(&sample::hsync_n)) == 96, "hsync is not 96 clocks low", h_falls[i]);
        if (i > 0)
            expect(h_falls[i] - h_falls[i - 1] == h_total, "hsync period is not 800 clocks", h_falls[i]);
    }
    for (size_t i = 0; i < v_falls.size(); i++) {
        expect(run_length(t, v_falls[i], low(&sample::vsync_n)) == 2 * h_total, "vsync is not 2 lines low", v_falls[i]);
        if (i > 0)
            expect(v_falls[i] - v_falls[i - 1] == frame, "vsync period is not 525 lines", v_falls[i]);
    }
    // A frame's visible lines: 35 lines (sync and back porch) after vsync
    // falls, 480 lines of 640 clocks, each 144 clocks (sync and back porch)
    // after hsync falls, the last one ending 8160 clocks (front porch) before
    // the next vsync.
    const long first = v_falls[0] + 35 * h_total;
    for (long line = 0; line < 480; line++) {
        const long start = first + line * h_total;
        expect(!t[static_cast<size_t>(start - 1)].de && t[static_cast<size_t>(start)].de, "no visible line where one starts", start);
        expect(run_length(t, start, [](const sample &s) { return s.de; }) == 640, "a visible line is not 640 clocks", start);
        expect(!t[static_cast<size_t>(start - 144)].hsync_n && t[static_cast<size_t>(start - 145)].hsync_n,
               "a visible line does not start 144 clocks after hsync falls", start);
    }
    expect(v_falls[1] - (first + 479 * h_total + 640) == 8160, "the front porch is not 10 lines and 16 clocks", v_falls[1]);
    long visible = 0;
    for (size_t i = static_cast<size_t>(v_falls[0]); i < static_cast<size_t>(v_falls[1]); i++) {
        visible += t[i].de;
        expect(t[i].de || (t[i].r | t[i].g | t[i].b) == 0, "colour in the blanking", static_cast<long>(i));
    }
    expect(visible == 640 * 480, "a frame does not have 640 x 480 visible clocks", v_falls[0]);
}

// A sample's colour widened to 8 bits a channel: blue, green, red. A 4-bit
// DAC's level k is 17k of 255.
void widen(const sample &s, uint8_t *bgr)
{
    if (value_bits == 16) {
        bgr[0] = photo_widen5(s.b);
        bgr[1] = photo_widen6(s.g);
        bgr[2] = photo_widen5(s.r);
    } else if (value_bits == 12) {
        bgr[0] = static_cast<uint8_t>(17 * s.b);
        bgr[1] = static_cast<uint8_t>(17 * s.g);
        bgr[2] = static_cast<uint8_t>(17 * s.r);
    } else {
        bgr[0] = photo_widen2(s.b);
        bgr[1] = photo_widen2(s.g);
        bgr[2] = photo_widen2(s.r);
    }
}

bool same_colour(const sample &a, const sample &b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

int write_bmp(const char *name, const std::vector<sample> &pixels, uint32_t w, uint32_t h)
{
    FILE *bmp = fopen(name, "wb");
    if (bmp == nullptr) {
        perror(name);
        return 0;
    }
    int ok = bmp_output_header(bmp, w, h);
    std::vector<uint8_t> row(3 * w);
    for (uint32_t y = h; ok && y-- > 0;) {
        for (uint32_t x = 0; x < w; x++)
            widen(pixels[size_t{y} * w + x], &row[3 * x]);
        ok = bmp_output_row(bmp, row.data(), w);
    }
    return (fclose(bmp) == 0) & ok;
}

int write_outputs(const std::vector<sample> &t, const char *bmp_name, const char *values_name,
                  const char *frame_name)
{
    const long first = falls(t, [](const sample &s) { return s.vsync_n; })[0] + 35 * h_total;
    const uint32_t shown_w = pic_w * scale, shown_h = pic_h * scale;
    const uint32_t x0 = (640 - shown_w) / 2, y0 = (480 - shown_h) / 2;
    std::vector<sample> screen, picture;
    for (uint32_t y = 0; y < 480; y++)
        for (uint32_t x = 0; x < 640; x++)
            screen.push_back(t[static_cast<size_t>(first + long{y} * h_total + x)]);
    for (uint32_t y = 0; y < 480; y++)
        for (uint32_t x = 0; x < 640; x++) {
            const sample &s = screen[size_t{y} * 640 + x];
            const long at = first + long{y} * h_total + x;
            if (x < x0 || x >= x0 + shown_w || y < y0 || y >= y0 + shown_h) {
                expect((s.r | s.g | s.b) == 0, "colour outside the picture", at);
                continue;
            }
            // Every screen pixel of a block shows its top left one.
            const uint32_t bx = x0 + (x - x0) / scale * scale, by = y0 + (y - y0) / scale * scale;
            expect(same_colour(s, screen[size_t{by} * 640 + bx]), "a picture pixel's block is not of one colour", at);
            if (x == bx && y == by)
                picture.push_back(s);
        }

    FILE *values = fopen(values_name, "w");
    if (values == nullptr) {
        perror(values_name);
        return 0;
    }
    for (const sample &s : picture) {
        if (value_bits == 16)
            fprintf(values, "%04x\n", s.r << 11 | s.g << 5 | s.b);
        else if (value_bits == 12)
            fprintf(values, "%03x\n", s.r << 8 | s.g << 4 | s.b);
        else
            fprintf(values, "%02x\n", s.r << 4 | s.g << 2 | s.b);
    }
    int ok = fclose(values) == 0;
    ok &= write_bmp(bmp_name, picture, pic_w, pic_h);
    if (frame_name != nullptr)
        ok &= write_bmp(frame_name, screen, 640, 480);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        fprintf(stderr, "usage: %s <shown.bmp> <values.txt> [frame.bmp]\n", argv[0]);
        return 2;
    }
    auto context = std::make_unique<VerilatedContext>();
    auto top = std::make_unique<VTOP>(context.get());
    const auto tick = [&] {
        top->clk = 0;
        top->eval();
        top->clk = 1;
        top->eval();
    };
    if (context->gotFinish()) {
        fprintf(stderr, "tb_vga: the design stopped at the start\n");
        return 1;
    }
    top->picture = PICTURE_INDEX;
    top->reset = 1;
    tick();
    tick();
    top->reset = 0;
    // Two frames and a half: two vsync pulses and a whole frame between.
    std::vector<sample> trace;
    for (long i = 0; i < 5 * frame / 2; i++) {
        tick();
        trace.push_back({top->vga_hsync_n != 0, top->vga_vsync_n != 0, top->vga_de != 0, top->vga_r, top->vga_g,
                         top->vga_b});
    }
    top->final();
    check_timing(trace);
    if (failures == 0 && !write_outputs(trace, argv[1], argv[2], argc == 4 ? argv[3] : nullptr))
        return 1;
    if (failures != 0) {
        fprintf(stderr, "tb_vga: %d failed checks\n", failures);
        return 1;
    }
    return 0;
}
