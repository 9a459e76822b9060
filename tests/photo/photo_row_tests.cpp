// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The row encoders against the one-pixel definition, and against each other.
#include <cstdio>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "vga_color.h"
#include "photo_row.h"

namespace {

using bytes = std::vector<uint8_t>;

// Every 24-bit colour once, as one long stored row.
bytes all_colours()
{
    bytes bgr(size_t{3} << 24);
    for (uint32_t v = 0; v < (1u << 24); v++) {
        bgr[3 * size_t{v}] = uint8_t(v);
        bgr[3 * size_t{v} + 1] = uint8_t(v >> 8);
        bgr[3 * size_t{v} + 2] = uint8_t(v >> 16);
    }
    return bgr;
}

bytes encode_with(photo_row_encoder encode, const bytes &bgr, uint32_t width, size_t slack = 0)
{
    bytes out(size_t{width} * vga_color_bytes + slack, 0xA5);
    encode(bgr.data(), width, out.data());
    return out;
}

TEST(VgaRow, ScalarMatchesThePixelEncodingOnEveryColour)
{
    const bytes bgr = all_colours();
    const bytes out = encode_with(photo_row_encode_scalar, bgr, 1u << 24);
    for (uint32_t v = 0; v < (1u << 24); v++) {
        const vga_color_t c = vga_color(uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16));
        for (unsigned i = 0; i < vga_color_bytes; i++)
            ASSERT_EQ(out[size_t{v} * vga_color_bytes + i], uint8_t(c >> (8 * i))) << "colour " << v;
    }
}

#ifdef KESTROW_HAVE_SSSE3
// What the kernel says the CPU has, read independently of the program's own
// check: a wrong check must not turn the SSSE3 tests into skips.
bool cpuinfo_has_ssse3()
{
    FILE *f = fopen("/proc/cpuinfo", "r");
    if (f == nullptr)
        return false;
    char line[4096];
    bool found = false;
    while (!found && fgets(line, sizeof line, f) != nullptr)
        found = strncmp(line, "flags", 5) == 0 && strstr(line, " ssse3") != nullptr;
    fclose(f);
    return found;
}

TEST(VgaRowSelect, TakesTheSsse3PathExactlyWhenTheCpuHasIt)
{
    EXPECT_EQ(photo_row_ssse3_supported(), cpuinfo_has_ssse3());
    EXPECT_EQ(photo_row_encoder_select(),
              cpuinfo_has_ssse3() ? photo_row_encode_ssse3 : photo_row_encode_scalar);
}

class VgaRowSsse3 : public testing::Test {
protected:
    void SetUp() override
    {
        if (!cpuinfo_has_ssse3())
            GTEST_SKIP() << "this CPU has no SSSE3";
    }
};

TEST_F(VgaRowSsse3, MatchesScalarOnEveryColour)
{
    const bytes bgr = all_colours();
    EXPECT_TRUE(encode_with(photo_row_encode_ssse3, bgr, 1u << 24) ==
                encode_with(photo_row_encode_scalar, bgr, 1u << 24));
}

TEST_F(VgaRowSsse3, MatchesScalarOnEveryWidthModuloSixteen)
{
    // Widths 0..49 reach every remainder with 0 to 3 whole blocks before it;
    // the slack bytes after the row must stay untouched.
    for (uint32_t width = 0; width < 50; width++) {
        const auto px = random_pixels(width, width + 1);
        bytes bgr;
        for (const rgb &c : px)
            bgr.insert(bgr.end(), {c.b, c.g, c.r});
        EXPECT_EQ(encode_with(photo_row_encode_ssse3, bgr, width, 32),
                  encode_with(photo_row_encode_scalar, bgr, width, 32))
            << "width " << width;
    }
}
#endif

} // namespace
