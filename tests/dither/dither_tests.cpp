// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The dithering's level choice, checked against a plain search: for every
// input value of every channel, over the whole range carried error can move
// it in, the two compares of its record must pick the level nearest in
// linear light (a tie going to the lower one). What blue and red leaning
// toward green's error is for. And every vector scan this machine has,
// held to the portable one.
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dither.h"

namespace {

unsigned nearest_by_search(const dither_channel_t &c, int32_t w)
{
    unsigned best = 0;
    for (unsigned k = 1; k < c.count; k++)
        if (std::abs(c.linear[k] - w) < std::abs(c.linear[best] - w))
            best = k;
    return best;
}

class DitherLevels : public testing::TestWithParam<unsigned> {};

TEST_P(DitherLevels, TheRecordsPickTheNearestLevelOverTheirWholeRange)
{
    auto *d = static_cast<dither_t *>(malloc(sizeof(dither_t)));
    ASSERT_NE(d, nullptr);
    dither_init(d, GetParam(), 16);
    const std::pair<const char *, const dither_channel_t *> channels[] = {
        {"blue", &d->blue}, {"green", &d->green}, {"red", &d->red}};
    for (const auto &[name, c] : channels)
        for (unsigned s = 0; s < 256; s++) {
            const dither_input_t &in = c->input[s];
            SCOPED_TRACE(testing::Message() << name << " sRGB " << s);
            const int32_t linear = in.linear_first & 0xFFFF, first = in.linear_first >> 16;
            ASSERT_EQ(linear, srgb_to_linear[s]);
            ASSERT_LE(in.move_down, 0);
            ASSERT_GE(in.move_up, 0);
            ASSERT_GE(linear + in.move_down, 0);
            ASSERT_LE(linear + in.move_up, srgb_linear_one);
            // What the vector scan's 16-bit clamp relies on.
            ASSERT_GE(in.move_down, -19661);
            ASSERT_LE(in.move_up, 19661);
            for (int32_t w = linear + in.move_down; w <= linear + in.move_up; w++) {
                const bool above1 = w > in.past1, above2 = w > in.past2;
                const auto k = static_cast<unsigned>(first + above1 + above2);
                const int32_t level = in.base + (above1 ? in.rise1 : 0) + (above2 ? in.rise2 : 0);
                const unsigned want = nearest_by_search(*c, w);
                if (k != want || level != c->linear[want])
                    FAIL() << "at " << w << ": level " << k << " (" << level << "), nearest " << want;
            }
        }
    free(d);
}

// Dithers a `w` x `h` field of one colour (blue, green, red), without row
// fill, by the portable scan; with `lean` false, as if each channel chose
// its levels on its own.
std::vector<uint8_t> dithered_field(unsigned bits, const uint8_t bgr[3], uint32_t w, uint32_t h, bool lean)
{
    auto *d = static_cast<dither_t *>(malloc(sizeof(dither_t)));
    if (d == nullptr)
        return {};
    dither_init(d, bits, w);
    if (!lean)
        for (auto &shift : d->lean)
            for (int32_t &s : shift)
                s = 30;  // green's error shifted to 0 or -1: no lean left
    std::vector<uint8_t> img(size_t{w} * h * 3);
    for (size_t i = 0; i < img.size(); i++)
        img[i] = bgr[i % 3];
    dither_image_using(d, img.data(), size_t{w} * 3, h, dither_portable);
    free(d);
    return img;
}

size_t not_grey(const std::vector<uint8_t> &img)
{
    size_t n = 0;
    for (size_t i = 0; i + 2 < img.size(); i += 3)
        n += img[i] != img[i + 1] || img[i + 1] != img[i + 2];
    return n;
}

TEST(DitherLean, PaleColoursAreShownWithFewerSpecksOfColour)
{
    // At 6 bits a pale colour lies between greys, and channels choosing on
    // their own scatter pixels of every hue over it; leaning on green's
    // error, they err alike and more pixels stay grey. One pixel of
    // 137, 136, 137 alone: green takes level 1 (85) with much of its value
    // left over, and blue and red, just past the middle of their step,
    // follow it down instead of going up to 170.
    const uint8_t alone[3] = {137, 136, 137};
    EXPECT_EQ(dithered_field(6, alone, 1, 1, true), (std::vector<uint8_t>{85, 85, 85}));
    EXPECT_EQ(dithered_field(6, alone, 1, 1, false), (std::vector<uint8_t>{170, 85, 170}));
    // Fields of 64 x 64: no more than three quarters of the pixels that
    // would not be grey.
    const uint8_t fields[][3] = {{137, 136, 137}, {98, 104, 100}, {61, 62, 60}, {210, 190, 200}};
    for (const auto &bgr : fields) {
        SCOPED_TRACE(testing::Message() << int(bgr[2]) << " " << int(bgr[1]) << " " << int(bgr[0]));
        const size_t leaning = not_grey(dithered_field(6, bgr, 64, 64, true));
        const size_t alone_ = not_grey(dithered_field(6, bgr, 64, 64, false));
        EXPECT_LE(leaning * 4, alone_ * 3) << leaning << " against " << alone_;
    }
}

TEST(DitherBands, NoRowsAreLeftEmptyWhereBandsStartInsideThePicture)
{
    // Over a flat dark grey the first level shows as sparse dots, and a scan
    // starting with no error carried needs some rows to build up to its
    // first dots: at a picture's top that is its edge, but where bands
    // start at a cut it would be a band of empty rows across the picture.
    // The bands there first run over the rows before them, so away from
    // the picture's own top and bottom, every four rows together keep at
    // least half the light of four rows on average.
    for (const uint32_t height : {256u, 301u})
        for (const uint8_t grey : {uint8_t(20), uint8_t(26), uint8_t(40)}) {
            SCOPED_TRACE(testing::Message() << height << " rows of grey " << int(grey));
            constexpr uint32_t width = 256;
            const uint8_t bgr[3] = {grey, grey, grey};
            const std::vector<uint8_t> img = dithered_field(6, bgr, width, height, true);
            ASSERT_EQ(img.size(), size_t{width} * 3 * height);
            std::vector<double> light(height);
            double total = 0;
            for (uint32_t y = 0; y < height; y++) {
                for (uint32_t i = 0; i < width * 3; i++)
                    light[y] += img[size_t{width} * 3 * y + i];
                total += light[y];
            }
            const double mean = total / height;
            for (uint32_t y = 8; y + 4 + 8 <= height; y++) {
                const double four = light[y] + light[y + 1] + light[y + 2] + light[y + 3];
                ASSERT_GE(four, 2 * mean) << "rows " << y << " to " << y + 3;
            }
        }
}

TEST_P(DitherLevels, EveryVectorScanWritesWhatThePortableOneWrites)
{
    // Random pictures with dark runs (shares below a whole), runs of one
    // value and pale ones (blue and red leaning on green by the most), in
    // widths that reach the margins and heights that leave the upper band
    // a row of its own or not; each scan from the same start, pixels
    // compared, and the error each band is left with, so a slip in either
    // band's last row shows too. The fill after each row must stay as it
    // was.
    const std::pair<dither_scan_t, const char *> scans[] = {
        {dither_sse2, "SSE2"}, {dither_avx2, "AVX2"}, {dither_wasm_simd, "WebAssembly SIMD"}};
    int tried = 0;
    for (const auto &[scan, scan_name] : scans) {
        if (!dither_scan_available(scan))
            continue;
        tried++;
        SCOPED_TRACE(scan_name);
        std::mt19937 random(GetParam());
        const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},  {2, 2},   {7, 3},  {640, 9},
                                                       {4096, 6}, {33, 63}, {5, 64}, {33, 67}, {129, 130}};
        for (const auto &[width, height] : sizes) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            auto *vec = static_cast<dither_t *>(malloc(sizeof(dither_t)));
            auto *port = static_cast<dither_t *>(malloc(sizeof(dither_t)));
            ASSERT_TRUE(vec != nullptr && port != nullptr);
            dither_init(vec, GetParam(), width);
            dither_init(port, GetParam(), width);
            const size_t row_width = size_t{width} * 3 + 5;
            std::vector<uint8_t> img(row_width * height);
            for (size_t i = 0; i < img.size(); i++) {
                const size_t kind = i / row_width % 4;
                img[i] = static_cast<uint8_t>(kind == 0   ? random()
                                              : kind == 1 ? random() % 24
                                              : kind == 2 ? 77 + (i / 96) % 3
                                                          : 200 + random() % 8);
            }
            std::vector<uint8_t> out_vec = img, out_port = img;
            dither_image_using(vec, out_vec.data(), row_width, height, scan);
            dither_image_using(port, out_port.data(), row_width, height, dither_portable);
            for (uint32_t y = 0; y < height; y++)
                for (size_t i = 0; i < row_width; i++) {
                    const size_t at = row_width * y + i;
                    ASSERT_EQ(out_vec[at], out_port[at]) << "row " << y << ", byte " << i;
                    if (i >= size_t{width} * 3) {
                        ASSERT_EQ(out_vec[at], img[at]) << "row " << y << ", fill byte " << i;
                    }
                }
            for (int b = 0; b < 4; b++)
                for (size_t i = 0; i < (size_t{width} + 2) * 4; i++)
                    ASSERT_EQ(vec->bands[b].err_this[i], port->bands[b].err_this[i]) << "band " << b << ", slot " << i;
            free(vec);
            free(port);
        }
    }
    if (tried == 0)
        GTEST_SKIP() << "this build has no vector scan";
}

INSTANTIATE_TEST_SUITE_P(Formats, DitherLevels, testing::Values(6u, 12u, 16u),
                         [](const testing::TestParamInfo<unsigned> &i) { return std::to_string(i.param) + "bit"; });

} // namespace
