// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The docs' ways of showing a photo file: the SPI panel loop on the
// picture embedded with xxd -i, the framebuffer viewer's drawing on screens
// in memory, and the shell recipes. Each is checked against the photo
// file's own bytes: rows reversed, values as the display shows them.
#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "examples.h"
#include "process_support.h"

namespace {

using bytes = std::vector<uint8_t>;

bytes panel_bytes;

uint32_t le16(const bytes &b, size_t at) { return b.at(at) | uint32_t{b.at(at + 1)} << 8; }

// The 16-bit value of display pixel (x, y): the top row is stored last.
uint32_t value16(const bytes &file, uint32_t x, uint32_t y)
{
    const uint32_t w = le16(file, 0), h = le16(file, 2);
    return le16(file, 4 + 2 * (size_t{h - 1 - y} * w + x));
}

// A 16-bit file's values top row first, high byte first: what an SPI panel
// must be sent.
bytes top_first_high_byte_first(const bytes &file)
{
    bytes out;
    for (uint32_t y = 0; y < le16(file, 2); y++)
        for (uint32_t x = 0; x < le16(file, 0); x++) {
            const uint32_t v = value16(file, x, y);
            out.push_back(uint8_t(v >> 8));
            out.push_back(uint8_t(v));
        }
    return out;
}

} // namespace

extern "C" void panel_write(const uint8_t *buf, uint32_t n) { panel_bytes.insert(panel_bytes.end(), buf, buf + n); }

namespace {

TEST(Examples, TheFlashPictureReachesThePanelTopRowFirstHighByteFirst)
{
    panel_bytes.clear();
    ASSERT_EQ(show_flash_picture(), 0);
    const bytes file = read_file(KESTROW_EXAMPLE_PICTURE);
    ASSERT_EQ(le16(file, 0), 97u);  // wider than the loop's 64-pixel pieces
    EXPECT_EQ(panel_bytes, top_first_high_byte_first(file));
}

TEST(Examples, SixBitPicturesReachThePanelAsTheDisplayShowsThem)
{
    // 2 x 1, stored: yellow (0x40), then blue; 1 x 2 stored bottom first.
    const struct {
        bytes file;
        bytes sent;
    } cases[] = {
        {{2, 0, 1, 0, 0x40, 0x03}, {0xFF, 0xE0, 0x00, 0x1F}},
        {{1, 0, 2, 0, 0x30, 0x0C}, {0x07, 0xE0, 0xF8, 0x00}},
    };
    for (const auto &c : cases) {
        photo_file_t photo;
        ASSERT_EQ(photo_open_memory(&photo, c.file.data(), c.file.size()), 0);
        panel_bytes.clear();
        ASSERT_EQ(panel_show(&photo), 0);
        EXPECT_EQ(panel_bytes, c.sent);
    }
}

// What photo2bmp shows for a 16-bit value: each channel's top bits repeated.
uint32_t widen(uint32_t v, uint32_t bits) { return (v << (8 - bits) | v >> (2 * bits - 8)) & 0xFF; }

TEST(Examples, TheViewerCentresOrClipsAndKeepsToTheScreen)
{
    const bytes file = read_file(KESTROW_EXAMPLE_PICTURE);  // 97 x 65, 16-bit
    photo_file_t photo;
    ASSERT_EQ(photo_open_memory(&photo, file.data(), file.size()), 0);
    // Channel layouts as framebuffers report them: {offset, length}.
    const fbview_channel_t r565 = {11, 5}, g565 = {5, 6}, b565 = {0, 5};
    const fbview_channel_t r555 = {10, 5}, g555 = {5, 5}, b555 = {0, 5};
    const fbview_channel_t at16 = {16, 8}, at8 = {8, 8}, at0 = {0, 8};
    const struct {
        uint32_t width, height, line_length, bits;
        fbview_channel_t red, green, blue;
    } screens[] = {
        {50, 40, 50 * 2 + 6, 16, r565, g565, b565},    // smaller: the middle, rows with padding
        {200, 100, 200 * 4, 32, at16, at8, at0},       // larger: centred on black, XRGB8888
        {97, 65, 97 * 2, 16, r565, g565, b565},        // exactly the picture
        {120, 30, 120 * 4 + 4, 32, at0, at8, at16},    // wider but lower, XBGR8888
        {101, 70, 101 * 3 + 1, 24, at16, at8, at0},    // 24 bits, RGB888 as a word
        {90, 66, 90 * 3, 24, at0, at8, at16},          // 24 bits, BGR
        {99, 67, 99 * 2, 16, r555, g555, b555},        // RGB555
    };
    for (const auto &s : screens) {
        SCOPED_TRACE(testing::Message() << s.width << "x" << s.height << " " << s.bits << " bits, red at "
                                        << s.red.offset);
        // One row of guard below the screen, and the padding, must survive.
        bytes memory(size_t{s.line_length} * (s.height + 1), 0xEE);
        const fbview_screen_t screen = {memory.data(), s.width, s.height, s.line_length, s.bits,
                                        s.red,         s.green, s.blue};
        ASSERT_EQ(fbview_draw(&photo, &screen), 0);
        const uint32_t w = std::min(97u, s.width), h = std::min(65u, s.height);
        const uint32_t px = s.bits / 8;
        const auto place = [](uint32_t c8, fbview_channel_t c) { return (c8 >> (8 - c.length)) << c.offset; };
        for (uint32_t y = 0; y <= s.height; y++)
            for (uint32_t at = 0; at + px <= s.line_length; at += px) {
                const uint32_t x = at / px;
                const uint8_t *p = &memory[size_t{y} * s.line_length + at];
                uint32_t got = 0, want;
                for (uint32_t k = 0; k < px; k++)
                    got |= uint32_t(p[k]) << (8 * k);
                if (y == s.height || x >= s.width) {
                    want = 0xEEEEEEEEu >> (32 - s.bits);
                } else if (x < (s.width - w) / 2 || x >= (s.width - w) / 2 + w || y < (s.height - h) / 2 ||
                           y >= (s.height - h) / 2 + h) {
                    want = 0;
                } else {
                    const uint32_t v = value16(file, x - (s.width - w) / 2 + (97 - w) / 2,
                                               y - (s.height - h) / 2 + (65 - h) / 2);
                    want = place(widen(v >> 11, 5), s.red) | place(widen(v >> 5 & 63, 6), s.green) |
                           place(widen(v & 31, 5), s.blue);
                }
                ASSERT_EQ(got, want) << "at " << x << "," << y;
            }
    }
    // Layouts fbview does not draw: a palette's 8 bits, channels wider
    // than a byte or outside the pixel.
    bytes memory(64 * 4);
    const fbview_screen_t refused[] = {
        {memory.data(), 8, 8, 8, 8, {5, 3}, {2, 3}, {0, 2}},
        {memory.data(), 8, 8, 32, 32, {20, 10}, {10, 10}, {0, 10}},
        {memory.data(), 8, 8, 16, 16, {12, 5}, {5, 6}, {0, 5}},
        {memory.data(), 8, 8, 16, 16, {11, 0}, {5, 6}, {0, 5}},
    };
    for (const auto &screen : refused) {
        EXPECT_FALSE(fbview_layout_supported(&screen));
        EXPECT_EQ(fbview_draw(&photo, &screen), PHOTO_ERR_FORMAT);
    }
}

// The docs' recipes for those who write no C, run as the docs give them
// (taken from the page by the build).
TEST(Examples, ShellRecipesGiveTheTopRowFirstAndSwapTheBytes)
{
    KESTROW_NEED(access("/usr/bin/xxd", X_OK) == 0, "xxd is not installed");
    temp_dir dir;
    const std::string in = dir / "in.photo", out = dir / "out.bin";
    const bytes sample = read_file(KESTROW_EXAMPLE_PICTURE);
    // The 16-bit sample, and a 6-bit file of 3 x 4 whose rows all differ.
    bytes six = {3, 0, 4, 0};
    for (uint8_t v = 0; v < 12; v++)
        six.push_back(v == 5 ? 0x40 : v);
    const bytes six_top_first = {9, 10, 11, 6, 7, 8, 3, 4, 0x40, 0, 1, 2};
    const struct {
        const char *recipe;
        bytes file;
        bytes expected;
    } cases[] = {
        {KESTROW_RECIPE_ROWS16, sample, top_first_high_byte_first(sample)},
        {KESTROW_RECIPE_ROWS6, six, six_top_first},
    };
    for (const auto &c : cases) {
        write_file(in, c.file);
        const run_result r = run_program("/bin/sh", {"/bin/sh", c.recipe, in, out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_file(out), c.expected);
    }
}

} // namespace

// The docs' code for a six- or seven-colour e-paper on a model of its
// controller: its memory must hold every pixel's number.
#include "uc8159_model.h"

namespace {

// A 6-bit photo file of w x h values drawn at random from `palette`'s
// entries, and the numbers of its pixels, top row first.
struct palette_picture {
    bytes file;
    std::vector<unsigned> number;  // by y * w + x
};

palette_picture random_palette_picture(const photo_palette_t &palette, uint32_t w, uint32_t h, unsigned seed)
{
    palette_picture p{{uint8_t(w), uint8_t(w >> 8), uint8_t(h), uint8_t(h >> 8)}, std::vector<unsigned>(w * h)};
    p.file.resize(4 + size_t{w} * h);
    uint32_t state = seed;
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++) {
            state = state * 1103515245u + 12345u;
            const photo_palette_entry_t &e = palette.entry[(state >> 16) % palette.count];
            p.file[4 + size_t{h - 1 - y} * w + x] = e.value;  // the top row is stored last
            p.number[size_t{y} * w + x] = e.number;
        }
    return p;
}

TEST(Uc8159Model, ASixOrSevenColourEpaperHoldsEveryNumber)
{
    static const photo_palette_t spectra6 = PHOTO_PALETTE_SPECTRA6, acep7 = PHOTO_PALETTE_ACEP7;
    for (const auto &[palette, w, h] : {std::tuple{&spectra6, 800u, 480u}, std::tuple{&acep7, 600u, 448u},
                                        std::tuple{&acep7, 7u, 3u}}) {
        SCOPED_TRACE(testing::Message() << palette->name << " " << w << " x " << h);
        const palette_picture pic = random_palette_picture(*palette, w, h, w);
        photo_file_t photo;
        ASSERT_EQ(photo_open_memory(&photo, pic.file.data(), pic.file.size()), 0);
        static uc8159_model_t panel;
        uc8159_model_start(&panel);
        ASSERT_EQ(colour_epaper_show(&photo, palette), 0);
        EXPECT_EQ(panel.faults, 0u) << panel.fault;
        EXPECT_EQ(panel.refreshes, 1u);
        const uint32_t row_bytes = (w + 1) / 2;
        ASSERT_EQ(panel.at, row_bytes * h);
        for (uint32_t y = 0; y < h; y++)
            for (uint32_t x = 0; x < w; x++)
                ASSERT_EQ(unsigned(panel.memory[y * row_bytes + x / 2] >> (x % 2 ? 0 : 4) & 15), pic.number[y * w + x])
                    << x << ", " << y;
    }
}

} // namespace
