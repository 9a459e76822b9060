// The dithering's level choice, checked against a plain search: for every
// input value of every channel, over the whole range carried error can move
// it in, the two compares of its record must pick the level nearest in
// linear light (a tie going to the lower one).
#include <cstdlib>

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
            ASSERT_EQ(in.linear, srgb_to_linear[s]);
            ASSERT_LE(in.low, in.linear);
            ASSERT_GE(in.high, in.linear);
            ASSERT_GE(in.low, 0);
            ASSERT_LE(in.high, srgb_linear_one);
            for (int32_t w = in.low; w <= in.high; w++) {
                const int above = (w >= in.up1) + (w >= in.up2);
                const unsigned k = static_cast<unsigned>(in.first + above);
                const int32_t level = in.base + (w >= in.up1 ? in.rise1 : 0) + (w >= in.up2 ? in.rise2 : 0);
                const unsigned want = nearest_by_search(*c, w);
                if (k != want || level != c->linear[want])
                    FAIL() << "at " << w << ": level " << k << " (" << level << "), nearest " << want;
            }
        }
    free(d);
}

INSTANTIATE_TEST_SUITE_P(Formats, DitherLevels, testing::Values(6u, 16u),
                         [](const testing::TestParamInfo<unsigned> &i) { return std::to_string(i.param) + "bit"; });

} // namespace
