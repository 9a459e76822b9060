// The dithering's level choice, checked against a plain search: for every
// input value of every channel, over the whole range carried error can move
// it in, the two compares of its record must pick the level nearest in
// linear light (a tie going to the lower one). And the vector scan, where
// there is one, held to the portable one.
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

TEST_P(DitherLevels, EveryVectorScanWritesWhatThePortableOneWrites)
{
    // Random pictures with dark runs (shares below a whole), runs of one
    // value and pale ones (blue and red leaning on green by the most), in
    // widths that reach the margins and heights that leave the upper band
    // a row of its own or not; each scan from the same start, pixels
    // compared, and the error each band is left with, so a slip in either
    // band's last row shows too. The fill after each row must stay as it
    // was.
    const std::pair<dither_scan_t, const char *> scans[] = {{dither_sse2, "SSE2"}, {dither_avx2, "AVX2"}};
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

INSTANTIATE_TEST_SUITE_P(Formats, DitherLevels, testing::Values(6u, 16u),
                         [](const testing::TestParamInfo<unsigned> &i) { return std::to_string(i.param) + "bit"; });

} // namespace
