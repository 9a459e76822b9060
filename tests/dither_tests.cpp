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

TEST_P(DitherLevels, TheVectorScanWritesWhatThePortableOneWrites)
{
    if (!dither_vectorized())
        GTEST_SKIP() << "this build has no vector scan";
    // Random rows with dark runs (shares below a whole) and runs of one
    // value, in widths that reach the margins; both scans from the same
    // start, row by row, errors compared as well as pixels.
    std::mt19937 random(GetParam());
    for (const uint32_t width : {1u, 2u, 7u, 640u, 4096u}) {
        SCOPED_TRACE(width);
        auto *vec = static_cast<dither_t *>(malloc(sizeof(dither_t)));
        auto *port = static_cast<dither_t *>(malloc(sizeof(dither_t)));
        ASSERT_TRUE(vec != nullptr && port != nullptr);
        dither_init(vec, GetParam(), width);
        dither_init(port, GetParam(), width);
        std::vector<uint8_t> row(size_t{width} * 3), out_vec(row.size()), out_port(row.size());
        for (uint32_t y = 0; y < 24; y++) {
            const unsigned kind = y % 3;
            for (size_t i = 0; i < row.size(); i++)
                row[i] = static_cast<uint8_t>(kind == 0 ? random() : kind == 1 ? random() % 24 : 77 + (i / 96) % 3);
            dither_row(vec, y, row.data(), out_vec.data());
            dither_row_portable(port, y, row.data(), out_port.data());
            ASSERT_EQ(out_vec, out_port) << "row " << y;
            for (size_t i = 0; i < (size_t{width} + 2) * 4; i++)
                ASSERT_EQ(vec->err_this[i], port->err_this[i]) << "row " << y << ", slot " << i;
        }
        free(vec);
        free(port);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DitherLevels, testing::Values(6u, 16u),
                         [](const testing::TestParamInfo<unsigned> &i) { return std::to_string(i.param) + "bit"; });

} // namespace
