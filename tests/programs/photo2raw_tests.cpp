// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2raw end to end: every format the reader's bytes, its C headers and
// LVGL files compiled to them, and its refusals.
#include "tools_support.h"

namespace {

// The reader's bytes for a whole picture, top row first.
bytes read_whole(const bytes &file, photo_format_t format)
{
    photo_file_t p;
    EXPECT_EQ(photo_open_memory(&p, file.data(), file.size()), 0);
    bytes out(size_t{p.width} * p.height * photo_format_bytes(format, p.value_bytes));
    EXPECT_EQ(photo_read_rows(&p, 0, p.height, format, out.data()), 0);
    return out;
}

// The values of the array a header holds, in order.
bytes header_values(const std::string &text)
{
    bytes values;
    for (size_t at = text.find("= {"); (at = text.find("0x", at)) != std::string::npos; at += 4)
        values.push_back(static_cast<uint8_t>(std::stoul(text.substr(at + 2, 2), nullptr, 16)));
    return values;
}

// A header of 16-bit numbers' values, as the bytes they are low byte first.
bytes header_numbers_le(const std::string &text)
{
    bytes values;
    for (size_t at = text.find("= {"); (at = text.find("0x", at)) != std::string::npos; at += 6) {
        const auto v = std::stoul(text.substr(at + 2, 4), nullptr, 16);
        values.push_back(static_cast<uint8_t>(v));
        values.push_back(static_cast<uint8_t>(v >> 8));
    }
    return values;
}

TEST_F(Photo2bmp, Photo2rawWritesWhatTheReaderGivesInEveryFormat)
{
    const struct {
        const char *name;
        photo_format_t format;
    } formats[] = {{"rgb565", PHOTO_RGB565_LE},   {"rgb565be", PHOTO_RGB565_BE}, {"rgb565le", PHOTO_RGB565_LE},
                   {"rgb332", PHOTO_RGB332},
                   {"rgb888", PHOTO_RGB888},     {"xrgb8888", PHOTO_XRGB8888},  {"rgb222", PHOTO_RGB222},
                   {"stored", PHOTO_AS_STORED}};
    // 13 x 7 in both encodings, the 6-bit one holding yellow's 0x40.
    bytes six = {13, 0, 7, 0}, sixteen = {13, 0, 7, 0};
    for (uint32_t i = 0; i < 13 * 7; i++) {
        six.push_back(i % 11 == 0 ? uint8_t{0x40} : uint8_t(i * 7 % 60));
        sixteen.push_back(uint8_t(i * 37));
        sixteen.push_back(uint8_t(i * 11 + 3));
    }
    const std::string raw = dir / "out.raw", header = dir / "3d-cat pic.h";
    for (const bytes *file : {&six, &sixteen})
        for (const auto &f : formats) {
            SCOPED_TRACE(std::string(f.name) + (file == &six ? " from 6-bit" : " from 16-bit"));
            write_file(photo, *file);
            const bytes want = read_whole(*file, f.format);
            run_result r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, photo, raw, f.name});
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(raw), want);
            // As a C header: the same bytes, in an array named after the file.
            r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, photo, header, f.name});
            EXPECT_EQ(r.status, 0) << r.err;
            const bytes h = read_file(header);
            const std::string text(h.begin(), h.end());
            // rgb565 holds 16-bit numbers (red 0xF800), one a pixel; the
            // raw file has them low byte first.
            const bool numbers = std::string(f.name) == "rgb565";
            EXPECT_EQ(numbers ? header_numbers_le(text) : header_values(text), want);
            EXPECT_NE(text.find(std::string("static const ") + (numbers ? "uint16_t" : "uint8_t") +
                                " photo_3d_cat_pic[PHOTO_3D_CAT_PIC_LENGTH]"),
                      std::string::npos);
            EXPECT_NE(text.find("#define PHOTO_3D_CAT_PIC_WIDTH 13u\n#define PHOTO_3D_CAT_PIC_HEIGHT 7u\n"),
                      std::string::npos);
            EXPECT_NE(text.find("#define PHOTO_3D_CAT_PIC_LENGTH " + std::to_string(want.size() / (numbers ? 2 : 1)) +
                                "u /* " + (numbers ? "values" : "bytes") + " */"),
                      std::string::npos);
            EXPECT_NE(text.find(std::string("format ") + f.name + ":"), std::string::npos);
        }
    // The first comment names both files, with what could end the comment
    // or break its line ('*', control characters) made harmless.
    const std::string odd_photo = dir / "we*rd\tname.photo", odd_header = dir / "odd*\x01.h";
    write_file(odd_photo, six);
    const run_result odd = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, odd_photo, odd_header, "rgb565be"});
    ASSERT_EQ(odd.status, 0) << odd.err;
    const bytes odd_text = read_file(odd_header);
    const std::string first_line(odd_text.begin(), std::find(odd_text.begin(), odd_text.end(), '\n'));
    EXPECT_EQ(first_line, "/* odd??.h: we?rd?name.photo as photo2raw writes it, 13 x 7 pixels, top row first,");
    // An unknown format is refused by naming the known ones, before any
    // file is opened.
    const run_result r = run_program(PHOTO2RAW_BIN, {PHOTO2RAW_BIN, dir / "none.photo", raw + "2", "rgb555"});
    EXPECT_EQ(r.status, 2);
    const std::string give = "rgb555 is not a format: give ";
    EXPECT_EQ(r.err.substr(0, give.size()), give);
    EXPECT_EQ(r.err.substr(r.err.size() - 2), ".\n");
    for (const auto &f : formats)
        EXPECT_NE(r.err.find(std::string(" ") + f.name + ","), std::string::npos) << f.name;
    EXPECT_FALSE(file_exists(raw + "2"));
}

TEST(Photo2raw, ItsHeaderCompilesAsCAndCxxToTheReadersBytes)
{
    const bytes file = read_file(PHOTO2RAW_SAMPLE);
    const bytes want = read_whole(file, PHOTO_RGB565_BE);
    uint32_t length = 0, width = 0, height = 0;
    const uint8_t *c = photo2raw_header_bytes(&length, &width, &height);
    EXPECT_EQ(bytes(c, c + length), want);
    EXPECT_EQ(width, 97u);
    EXPECT_EQ(height, 65u);
    EXPECT_EQ(bytes(sample_rgb565be, sample_rgb565be + SAMPLE_RGB565BE_LENGTH), want);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(sample_rgb565be) % 4, 0u) << "aligned for DMA";
    // The numbers the panel libraries take: red 0xF800, as the reader's
    // RGB565 high byte first reads them.
    uint32_t count = 0;
    const uint16_t *numbers = photo2raw_header_numbers(&count, &width, &height);
    ASSERT_EQ(size_t{count} * 2, want.size());
    EXPECT_EQ(width, 97u);
    EXPECT_EQ(height, 65u);
    for (uint32_t i = 0; i < count; i++)
        ASSERT_EQ(numbers[i], want[2 * i] << 8 | want[2 * i + 1]) << i;
    EXPECT_EQ(sample_rgb565[0], numbers[0]);
}

// The LVGL files, compiled against lvgl.h stand-ins with LVGL's field
// layout: each descriptor's fields, and its data the reader's bytes.
TEST(Photo2raw, ItsLvglFilesCompileToDescriptorsOfTheReadersBytes)
{
    const bytes file = read_file(PHOTO2RAW_SAMPLE);
    const struct {
        photo2raw_lvgl_fields got;
        uint32_t magic, cf, stride;
        photo_format_t format;
    } cases[] = {
        // LV_IMAGE_HEADER_MAGIC, LV_COLOR_FORMAT_RGB565: native 16-bit numbers.
        {photo2raw_lvgl9(), 0x19, 0x12, 97 * 2, PHOTO_RGB565_LE},
        // LV_COLOR_FORMAT_RGB565_SWAPPED: high byte first.
        {photo2raw_lvgl9_swapped(), 0x19, 0x1B, 97 * 2, PHOTO_RGB565_BE},
        // always_zero, LV_IMG_CF_TRUE_COLOR: with LV_COLOR_16_SWAP, high byte first.
        {photo2raw_lvgl8(), 0, 4, 0, PHOTO_RGB565_BE},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.got.magic, c.magic);
        EXPECT_EQ(c.got.cf, c.cf);
        EXPECT_EQ(c.got.w, 97u);
        EXPECT_EQ(c.got.h, 65u);
        EXPECT_EQ(c.got.stride, c.stride);
        EXPECT_EQ(bytes(c.got.data, c.got.data + c.got.data_size), read_whole(file, c.format));
    }
}

} // namespace
