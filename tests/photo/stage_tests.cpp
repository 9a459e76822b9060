// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The three stages in-process, on temporary streams. Built once per colour
// format; expectations name both formats and the build picks its own.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bmp_builder.h"
#include "bmp_input.h"
#include "photo_output.h"
#include "stream_support.h"
#include "vga_color.h"

namespace {

using bytes = std::vector<uint8_t>;

// ---------------------------------------------------------------- colours

struct colour_case {
    rgb in;
    uint8_t six;
    uint16_t sixteen;
};

const colour_case colour_table[] = {
    {{0, 0, 0}, 0x00, 0x0000},
    {{255, 0, 0}, 0x30, 0xF800},
    {{0, 255, 0}, 0x0C, 0x07E0},
    {{0, 0, 255}, 0x03, 0x001F},
    {{255, 255, 0}, 0x40, 0xFFE0},       // yellow: 0x3C is written as 0x40
    {{192, 192, 63}, 0x40, 0xC607},      // darkest colour that still maps to 0x3C
    {{191, 255, 0}, 0x2C, 0xBFE0},       // only the assembled 0x3C is replaced
    {{255, 255, 64}, 0x3D, 0xFFE8},
    {{128, 128, 128}, 0x2A, 0x8410},
    {{200, 100, 50}, 0x34, 0xCB26},
    {{255, 255, 255}, 0x3F, 0xFFFF},
    {{7, 3, 7}, 0x00, 0x0000},           // below every channel's first step
    {{8, 4, 8}, 0x00, 0x0821},
};

TEST(VgaColor, MatchesTheColourTables)
{
    for (const auto &c : colour_table) {
        SCOPED_TRACE(testing::Message() << "rgb " << int(c.in.r) << "," << int(c.in.g) << "," << int(c.in.b));
        EXPECT_EQ(vga_color6(c.in.b, c.in.g, c.in.r), c.six);
        EXPECT_EQ(vga_color16(c.in.b, c.in.g, c.in.r), c.sixteen);
    }
}

TEST(VgaColor, SixBitValuesAreZeroToSixtyThreeWithoutSixtyAndWithSixtyFour)
{
    std::vector<unsigned> seen(256, 0);
    for (unsigned v = 0; v < (1u << 24); v += 0x010101 / 3 + 1)
        seen[vga_color6(uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16))]++;
    for (unsigned r = 0; r < 256; r += 17)
        for (unsigned g = 0; g < 256; g += 17)
            for (unsigned b = 0; b < 256; b += 17)
                seen[vga_color6(uint8_t(b), uint8_t(g), uint8_t(r))]++;
    for (unsigned v = 0; v < 256; v++) {
        const bool possible = (v < 64 && v != 0x3C) || v == 0x40;
        EXPECT_EQ(seen[v] > 0, possible) << "value " << v;
    }
}

// -------------------------------------------------------------- row width

TEST(BmpRowWidth, RoundsThreeBytesAPixelUpToFour)
{
    const std::pair<uint32_t, int32_t> table[] = {
        {1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {4095, 12288}, {4096, 12288}};
    for (const auto &[width, expected] : table) {
        bmp_header_t h{};
        h.img_width = width;
        EXPECT_EQ(bmp_row_width(&h), expected) << "width " << width;
    }
}

// ----------------------------------------------------------- header check

const std::string not_bmp = "in.bmp does not appear to be a BMP file.\n";
const std::string not_24 = "in.bmp must be 24-bit-color on one plane with no compression.\n";
const std::string bad_size = "in.bmp image size incorrect in BMP/DIB header.\n";

bytes with_magic(char a, char b)
{
    bmp_fields f;
    f.magic[0] = a;
    f.magic[1] = b;
    return make_bmp(f);
}

bytes first_bytes(const bytes &v, size_t n) { return bytes(v.begin(), v.begin() + long(n)); }

struct header_case {
    const char *name;
    bytes file;
    std::string message;  // empty: accepted
};

std::vector<header_case> header_cases()
{
    const bytes good = make_bmp(bmp_size(3, 2));
    auto f = [](auto change) { bmp_fields x = bmp_size(3, 2); change(x); return make_bmp(x); };
    return {
        {"empty file", {}, not_bmp},
        {"one byte", {'B'}, not_bmp},
        {"magic BA", with_magic('B', 'A'), not_bmp},
        {"magic MB", with_magic('M', 'B'), not_bmp},
        {"magic B and NUL", with_magic('B', '\0'), not_bmp},
        {"magic only", {'B', 'M'}, not_bmp},
        {"37 bytes", first_bytes(good, 37), not_bmp},
        {"38 bytes, pixels missing", first_bytes(good, 38), ""},
        {"width 4097", f([](bmp_fields &x) { x.width = 4097; x.height = 1; }), not_24},
        {"height 4097", f([](bmp_fields &x) { x.width = 1; x.height = 4097; }), not_24},
        {"top-down", f([](bmp_fields &x) { x.height = uint32_t(-2); x.img_size = 24; }), not_24},
        {"two planes", f([](bmp_fields &x) { x.planes = 2; }), not_24},
        {"zero planes", f([](bmp_fields &x) { x.planes = 0; }), not_24},
        {"8 bits", f([](bmp_fields &x) { x.bits_per_pixel = 8; }), not_24},
        {"32 bits", f([](bmp_fields &x) { x.bits_per_pixel = 32; }), not_24},
        // A decoder that read only the low byte would take these as 1 and 24.
        {"planes 0x0101", f([](bmp_fields &x) { x.planes = 0x0101; }), not_24},
        {"bits 0x0118", f([](bmp_fields &x) { x.bits_per_pixel = 0x0118; }), not_24},
        {"run-length", f([](bmp_fields &x) { x.compression = 1; }), not_24},
        {"bit fields", f([](bmp_fields &x) { x.compression = 3; }), not_24},
        {"oversize wins over bad img_size", f([](bmp_fields &x) { x.width = 5000; x.img_size = 1; }), not_24},
        {"img_size 0", f([](bmp_fields &x) { x.img_size = 0; }), bad_size},
        {"img_size without fill", f([](bmp_fields &x) { x.img_size = 18; }), bad_size},
        {"img_size one short", f([](bmp_fields &x) { x.img_size = 23; }), bad_size},
        {"img_size one over", f([](bmp_fields &x) { x.img_size = 25; }), bad_size},
        {"width 0, img_size 0", f([](bmp_fields &x) { x.width = 0; }), ""},
        {"4096 x 1", f([](bmp_fields &x) { x.width = 4096; x.height = 1; }), ""},
        {"1 x 4096", f([](bmp_fields &x) { x.width = 1; x.height = 4096; }), ""},
        {"124-byte DIB header", f([](bmp_fields &x) { x.dib_header_size = 124; }), ""},
        {"108-byte DIB header", f([](bmp_fields &x) { x.dib_header_size = 108; }), ""},
        {"good 3 x 2", good, ""},
    };
}

TEST(BmpHeaderCheck, AcceptsOrRefusesWithOneMessage)
{
    for (const auto &c : header_cases()) {
        SCOPED_TRACE(c.name);
        FILE *in = stream_with(c.file);
        ASSERT_NE(in, nullptr);
        bmp_header_t h{};
        int ok = -1;
        const std::string err = stderr_of([&] { ok = bmp_header_check("in.bmp", in, &h); });
        EXPECT_EQ(err, c.message);
        EXPECT_EQ(ok, c.message.empty() ? 1 : 0);
        if (ok == 1) {
            EXPECT_EQ(ftell(in), 38);
        }
        fclose(in);
    }
}

TEST(BmpHeaderCheck, DecodesEveryFieldLittleEndian)
{
    bmp_fields f = bmp_size(4095, 7);
    f.dib_header_size = 124;
    f.pixel_offset = 0x01020304;
    bytes file = make_bmp(f);
    file.resize(60);
    FILE *in = stream_with(file);
    bmp_header_t h{};
    ASSERT_EQ(bmp_header_check("in.bmp", in, &h), 1);
    fclose(in);
    EXPECT_EQ(h.pixel_offset, 0x01020304u);
    EXPECT_EQ(h.dib_header_size, 124u);
    EXPECT_EQ(h.img_width, 4095u);
    EXPECT_EQ(h.img_height, 7u);
    EXPECT_EQ(h.planes, 1u);
    EXPECT_EQ(h.bits_per_pixel, 24u);
    EXPECT_EQ(h.compression_type, 0u);
    EXPECT_EQ(h.img_size, 7u * 12288u);
}

// ---------------------------------------------------------------- loading

struct loaded {
    uint8_t *data = nullptr;
    std::string err;
    bmp_header_t h{};
};

loaded load(const bytes &file)
{
    loaded r;
    FILE *in = stream_with(file);
    EXPECT_EQ(bmp_header_check("in.bmp", in, &r.h), 1);
    r.err = stderr_of([&] { r.data = read_bmp_image_data(in, &r.h); });
    fclose(in);
    return r;
}

TEST(ReadBmpImageData, LoadsThePixelArrayFromItsOffset)
{
    for (uint32_t dib : {40u, 108u, 124u}) {
        bmp_fields f = bmp_size(3, 2);
        f.dib_header_size = dib;
        const bytes file = make_bmp(f, random_pixels(6, dib));
        loaded r = load(file);
        ASSERT_NE(r.data, nullptr) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(bytes(r.data, r.data + 24), bytes(file.end() - 24, file.end())) << "dib " << dib;
        free(r.data);
    }
}

TEST(ReadBmpImageData, PixelArraysAroundHugePageSizesLoadWhole)
{
    // 1365 pixels make rows of 4096 bytes: arrays of 2 MiB less a row, 2 MiB,
    // 2 MiB and a row, 4, 5 and 6 MiB, each read into a buffer rounded for
    // huge pages (a short one overflows, as ASan and valgrind would say).
    for (uint32_t h : {511u, 512u, 513u, 1024u, 1280u, 1536u}) {
        const bytes file = make_bmp(bmp_size(1365, h), random_pixels(size_t{1365} * h, h));
        loaded r = load(file);
        ASSERT_NE(r.data, nullptr) << r.err;
        const size_t size = size_t{4096} * h;
        EXPECT_EQ(memcmp(r.data, file.data() + (file.size() - size), size), 0) << "height " << h;
        free(r.data);
    }
}

TEST(ReadBmpImageData, OffsetZeroLoadsTheHeaderBytesAsPixels)
{
    bmp_fields f = bmp_size(4, 4);  // 48 bytes of pixel array
    f.pixel_offset = 0;
    const bytes file = make_bmp(f);
    loaded r = load(file);
    ASSERT_NE(r.data, nullptr) << r.err;
    EXPECT_EQ(bytes(r.data, r.data + 48), first_bytes(file, 48));
    free(r.data);
}

TEST(ReadBmpImageData, RefusesWhatCannotBeReadWhole)
{
    const std::string alloc = "allocate and read image: ";
    const std::string seek = "fseek to start of image data in BMP file: ";
    struct load_case {
        const char *name;
        bmp_fields f;
        size_t drop;  // bytes cut from the end of the file
    };
    bmp_fields empty = bmp_size(0, 5);
    bmp_fields past_end = bmp_size(2, 2);
    past_end.pixel_offset = 1000;
    bmp_fields huge_offset = bmp_size(2, 2);
    huge_offset.pixel_offset = 0x80000000u;
    bmp_fields max_offset = bmp_size(2, 2);
    max_offset.pixel_offset = 0xFFFFFFFFu;
    const load_case cases[] = {
        {"width 0", empty, 0},
        {"one pixel byte short", bmp_size(2, 2), 1},
        {"offset past the end", past_end, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        bytes file = make_bmp(c.f);
        if (c.f.pixel_offset.value_or(0) >= 1000)
            file.resize(60);
        file.resize(file.size() - c.drop);
        // Whatever error code was current must not show: the file simply ended.
        errno = 0;
        loaded r = load(file);
        EXPECT_EQ(r.data, nullptr);
        EXPECT_EQ(r.err, alloc + strerror(ENODATA) + "\n");
    }
    for (const auto &f : {huge_offset, max_offset}) {
        bytes file = make_bmp(bmp_size(2, 2));
        set_le32(file, 10, *f.pixel_offset);
        loaded r = load(file);
        EXPECT_EQ(r.data, nullptr);
        EXPECT_TRUE(r.err.rfind(alloc, 0) == 0 || r.err.rfind(seek, 0) == 0) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    }
}

// ---------------------------------------------------------------- writing

// Expected bytes of one pixel in this build.
bytes encoded(rgb c) { return encoded_pixel(c, vga_color_bytes); }

bytes convert_in_memory(uint32_t w, uint32_t h, const std::vector<rgb> &px)
{
    loaded r = load(make_bmp(bmp_size(w, h), px));
    EXPECT_NE(r.data, nullptr) << r.err;
    if (r.data == nullptr)
        return {};
    FILE *out = tmpfile();
    int ok = -1;
    const std::string err = stderr_of([&] { ok = write_output_file(out, &r.h, r.data); });
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(err, "");
    bytes result = stream_contents(out);
    fclose(out);
    free(r.data);
    return result;
}

TEST(WriteOutputFile, TwoByTwoExample)
{
    const rgb red{255, 0, 0}, yellow{255, 255, 0}, white{255, 255, 255}, black{0, 0, 0};
    const bytes got = convert_in_memory(2, 2, {red, yellow, white, black});
    const bytes six = {0x02, 0x00, 0x02, 0x00, 0x30, 0x40, 0x3F, 0x00};
    const bytes sixteen = {0x02, 0x00, 0x02, 0x00, 0x00, 0xF8, 0xE0, 0xFF, 0xFF, 0xFF, 0x00, 0x00};
    EXPECT_EQ(got, vga_color_bytes == 1 ? six : sixteen);
}

TEST(WriteOutputFile, EveryWidthModuloFourInStoredOrder)
{
    // Widths 1..9 cover every amount of row fill (0 to 3 bytes); the fill
    // bytes are 0xEE and must never reach the output.
    for (uint32_t w = 1; w <= 9; w++) {
        const uint32_t h = 3;
        const auto px = random_pixels(size_t{w} * h, w);
        bytes expected = {uint8_t(w), 0, uint8_t(h), 0};
        for (const rgb &c : px) {
            const bytes e = encoded(c);
            expected.insert(expected.end(), e.begin(), e.end());
        }
        EXPECT_EQ(convert_in_memory(w, h, px), expected) << "width " << w;
    }
}

TEST(WriteOutputFile, LargestPictureHasTheFullLengthAndHeader)
{
    const std::vector<rgb> px = {{255, 255, 0}};  // first pixel yellow, rest black
    const bytes got = convert_in_memory(4096, 4096, px);
    ASSERT_EQ(got.size(), 4u + 4096u * 4096u * vga_color_bytes);
    EXPECT_EQ(bytes(got.begin(), got.begin() + 4), (bytes{0x00, 0x10, 0x00, 0x10}));
    EXPECT_EQ(bytes(got.begin() + 4, got.begin() + 4 + vga_color_bytes), encoded({255, 255, 0}));
    EXPECT_EQ(bytes(got.end() - vga_color_bytes, got.end()), encoded({0, 0, 0}));
}

} // namespace
