// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The tools around the converters, end to end. photo2bmp: what it shows for
// each encoding, what it refuses, and the round trip through both
// converters. bmpdither: display colours only, kept exactly by the
// converters, the same bytes on every host, and photo2bmp's conventions.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <kestrow/photo_file.h>

#include "bmp_builder.h"
#include "photo2raw_header_c.h"
#include "sample_rgb565.h"
#include "sample_rgb565be.h"
#include "photo_decode.h"
#include "process_support.h"

namespace {

using bytes = std::vector<uint8_t>;

uint32_t le32_at(const bytes &b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

// The pixels of a 24-bit BMP as photo2bmp writes it, in stored order, after
// checking its header.
std::vector<rgb> bmp_pixels(const bytes &b, uint32_t w, uint32_t h)
{
    const uint32_t row = test_row_width(w);
    EXPECT_EQ(b.size(), 54 + size_t{row} * h);
    EXPECT_EQ(le32_at(b, 2), b.size());     // file size
    EXPECT_EQ(le32_at(b, 10), 54u);         // pixel offset
    EXPECT_EQ(le32_at(b, 14), 40u);         // DIB header size
    EXPECT_EQ(le32_at(b, 18), w);
    EXPECT_EQ(le32_at(b, 22), h);
    EXPECT_EQ(le32_at(b, 26), 1u | 24u << 16);  // planes, bits a pixel
    EXPECT_EQ(le32_at(b, 30), 0u);          // no compression
    EXPECT_EQ(le32_at(b, 34), row * h);     // image size
    EXPECT_EQ(le32_at(b, 38), 2835u);       // 72 dots an inch, both ways
    EXPECT_EQ(le32_at(b, 42), 2835u);
    EXPECT_EQ(le32_at(b, 46), 0u);          // no palette
    EXPECT_EQ(le32_at(b, 50), 0u);
    std::vector<rgb> px;
    for (uint32_t y = 0; y < h && b.size() >= 54 + size_t{row} * h; y++) {
        const size_t start = 54 + size_t{row} * y;
        for (uint32_t x = 0; x < w; x++)
            px.push_back({b[start + 3 * x + 2], b[start + 3 * x + 1], b[start + 3 * x]});
        for (uint32_t pad = 3 * w; pad < row; pad++)
            EXPECT_EQ(b[start + pad], 0);
    }
    return px;
}

// The programs that show a photo file, what each calls its output, and the
// third argument of those that take one.
struct photo_tool {
    const char *path;
    const char *output;          // "BMP file"
    const char *extra = nullptr;  // photo2raw's format, as given
    const char *extra_name = nullptr;
    const char *inputs = "<photo file>";  // as the usage line names them

    // The command line for an input and an output.
    std::vector<std::string> args(const std::string &in, const std::string &out) const
    {
        std::vector<std::string> a = {path, in, out};
        if (extra != nullptr)
            a.push_back(extra);
        return a;
    }
    std::string usage() const
    {
        return std::string("usage: ") + path + " " + inputs + " <" + output + ">" +
               (extra_name != nullptr ? std::string(" <") + extra_name + ">" : "") + "\n";
    }
};
const photo_tool photo_tools[] = {{PHOTO2BMP_BIN, "BMP file"},
                                  {PHOTO2MEM_BIN, "memory file", nullptr, nullptr, "[--rgb444] <photo file>..."},
                                  {PHOTO2RAW_BIN, "output file", "rgb565be", "format"}};

class Photo2bmp : public testing::Test {
protected:
    temp_dir dir;
    std::string photo = dir / "in.photo";
    std::string bmp = dir / "out.bmp";

    run_result show(const std::string &in, const std::string &out)
    {
        return run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, in, out});
    }
};

TEST_F(Photo2bmp, ShowsEachEncodingAsTheDisplayWould)
{
    struct decode_case {
        const char *name;
        bytes photo;
        std::vector<rgb> shown;
    };
    const decode_case cases[] = {
        {"6-bit", {5, 0, 1, 0, 0x00, 0x30, 0x40, 0x3F, 0x15},
         {{0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {85, 85, 85}}},
        {"6-bit channels", {3, 0, 1, 0, 0x24, 0x09, 0x02}, {{170, 85, 0}, {0, 170, 85}, {0, 0, 170}}},
        {"16-bit", {5, 0, 1, 0, 0x00, 0x00, 0x00, 0xF8, 0xE0, 0xFF, 0xFF, 0xFF, 0x10, 0x84},
         {{0, 0, 0}, {255, 0, 0}, {255, 255, 0}, {255, 255, 255}, {132, 130, 132}}},
        {"16-bit lowest steps", {3, 0, 1, 0, 0x00, 0x08, 0x20, 0x00, 0x01, 0x00},
         {{8, 0, 0}, {0, 4, 0}, {0, 0, 8}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(photo, c.photo);
        const run_result r = show(photo, bmp);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(bmp_pixels(read_file(bmp), c.photo[0], c.photo[2]), c.shown);
    }
}

TEST_F(Photo2bmp, RoundTripGivesTheSamePhotoFileInBothFormats)
{
    const std::string original = dir / "original.bmp";
    const std::string again = dir / "again.photo";
    for (const char *converter : {KESTROW_BIN, KESTROW16_BIN})
        for (uint32_t w : {1u, 2u, 3u, 4u, 5u, 15u, 16u, 17u, 31u, 100u, 4096u}) {
            // 4096 x 7 is over 64 KiB of BMP: the high halves of its size
            // fields count.
            const uint32_t h = 7;
            SCOPED_TRACE(testing::Message() << converter << " " << w << " x " << h);
            write_file(original, make_bmp(bmp_size(w, h), random_pixels(size_t{w} * h, w * 31 + h)));
            ASSERT_EQ(run_program(converter, {converter, original, photo}).status, 0);
            ASSERT_EQ(show(photo, bmp).status, 0);
            const run_result r = run_program(converter, {converter, bmp, again});
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(again), read_file(photo));
        }
}

TEST_F(Photo2bmp, RefusesWhatNoConverterWrites)
{
    const std::string not_photo = photo + " is not a photo file: ";
    struct refusal {
        const char *name;
        bytes photo;
        std::string message;
    };
    const refusal cases[] = {
        {"empty", {}, not_photo + "it is shorter than its 4-byte header.\n"},
        {"3 bytes", {1, 0, 1}, not_photo + "it is shorter than its 4-byte header.\n"},
        {"width 0", {0, 0, 1, 0}, not_photo + "it is 0 x 1 pixels.\n"},
        {"height 0", {1, 0, 0, 0, 7}, not_photo + "it is 1 x 0 pixels.\n"},
        {"width 4097", {0x01, 0x10, 1, 0, 7}, not_photo + "it is 4097 x 1 pixels.\n"},
        {"one value short", {2, 0, 1, 0, 7}, not_photo + "1 bytes of values fit neither 6-bit nor 16-bit colour at 2 x 1.\n"},
        {"three bytes for one pixel", {1, 0, 1, 0, 7, 7, 7}, not_photo + "3 bytes of values fit neither 6-bit nor 16-bit colour at 1 x 1.\n"},
        {"value 60", {2, 0, 1, 0, 7, 60}, not_photo + "byte 5 holds 60, which no 6-bit colour is.\n"},
        {"value 65", {1, 0, 1, 0, 65}, not_photo + "byte 4 holds 65, which no 6-bit colour is.\n"},
        {"value 255", {1, 0, 1, 0, 255}, not_photo + "byte 4 holds 255, which no 6-bit colour is.\n"},
        // The names given the wrong way round: "BM" reads as width 19778.
        {"a BMP", make_bmp(bmp_size(3, 2)), not_photo + "it looks like a BMP file (run kestrow or kestrow16 on it first).\n"},
        {"width 19778 from other bytes", {0x42, 0x4D, 1, 0, 7}, not_photo + "it looks like a BMP file (run kestrow or kestrow16 on it first).\n"},
        {"width 19779", {0x43, 0x4D, 1, 0, 7}, not_photo + "it is 19779 x 1 pixels.\n"},
    };
    for (const photo_tool &tool : photo_tools)
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(tool.path) + ": " + c.name);
            write_file(photo, c.photo);
            const run_result r = run_program(tool.path, tool.args(photo, bmp));
            EXPECT_EQ(r.status, 2);
            EXPECT_EQ(r.err, c.message);
            EXPECT_FALSE(file_exists(bmp));
        }
}

TEST_F(Photo2bmp, ArgumentsFilesAndWriteFailures)
{
    const bytes one_pixel = {1, 0, 1, 0, 0x30};
    write_file(photo, one_pixel);
    const std::string link_name = dir / "link.photo";
    ASSERT_EQ(symlink("in.photo", link_name.c_str()), 0);
    // 64 rows of 12 KiB each: a limit of 100 000 bytes stops the writes in
    // the ninth row.
    const std::string big = dir / "big.photo";
    bytes big_photo(4 + 2 * 4096 * 64, 0x5A);
    big_photo[0] = 0x00, big_photo[1] = 0x10, big_photo[2] = 64, big_photo[3] = 0;
    write_file(big, big_photo);
    const auto file_size_limit = [] {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl = {100000, 100000};
        setrlimit(RLIMIT_FSIZE, &rl);
    };
    struct file_case {
        std::vector<std::string> args;
        int status;
        std::string message;
        std::function<void()> setup = {};
    };
    for (const photo_tool &tool : photo_tools) {
        const std::string output = tool.output;
        const file_case cases[] = {
            {{photo}, 2, tool.usage()},
            {{dir / "none.photo", bmp}, 2, std::string("open photo file: ") + strerror(ENOENT) + "\n"},
            {{photo, dir / "no/out.bmp"}, 2, "open " + output + ": " + strerror(ENOENT) + "\n"},
            {{photo, link_name}, 2, photo + " and " + link_name + " are the same file.\n"},
            {{photo, "/dev/full"}, 3, "close " + output + ": " + strerror(ENOSPC) + "\n"},
            {{dir.path, bmp}, 2, dir.path + " is not a photo file: it is not a regular file.\n"},
            // A failed row write is reported once and ends the run.
            {{big, bmp}, 3, "write " + output + ": " + strerror(EFBIG) + "\n", file_size_limit},
        };
        for (const auto &c : cases) {
            std::vector<std::string> argv = {tool.path};
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            if (c.args.size() == 2 && tool.extra != nullptr)
                argv.push_back(tool.extra);
            const run_result r = run_program(tool.path, argv, c.setup);
            EXPECT_EQ(r.status, c.status) << c.message;
            EXPECT_EQ(r.err, c.message);
        }
    }
    EXPECT_EQ(read_file(photo), one_pixel);
}

TEST_F(Photo2bmp, AllocationFailureIsReported)
{
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("an address-space limit");
    // A sparse file of the largest 16-bit picture: 32 MiB of values that
    // cannot be had under a 24 MiB address-space limit.
    const int fd = open(photo.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    const uint8_t header[4] = {0x00, 0x10, 0x00, 0x10};
    ASSERT_EQ(write(fd, header, 4), 4);
    ASSERT_EQ(ftruncate(fd, 4 + 2 * 4096 * 4096), 0);
    close(fd);
    for (const photo_tool &tool : photo_tools) {
        const run_result r = run_program(tool.path, tool.args(photo, bmp), [] {
            const struct rlimit rl = {24u << 20, 24u << 20};
            setrlimit(RLIMIT_AS, &rl);
        });
        EXPECT_EQ(r.status, 2) << tool.path;
        EXPECT_EQ(r.err, std::string("allocate and read photo file: ") + strerror(ENOMEM) + "\n");
        EXPECT_FALSE(file_exists(bmp));
    }
}

TEST_F(Photo2bmp, AFileEndingEarlySaysSo)
{
    // The file shrinks between the size check and the read; a library
    // preloaded into the program reports one byte more than there is.
    KESTROW_SKIP_WITHOUT_PRELOAD("a preloaded library");
    write_file(photo, {2, 0, 1, 0, 0x30});
    for (const photo_tool &tool : photo_tools) {
        const run_result r =
            run_program(tool.path, tool.args(photo, bmp), [] { preload_in_child(FSTAT_ONE_MORE_LIB); });
        EXPECT_EQ(r.status, 2) << tool.path;
        EXPECT_EQ(r.err, std::string("allocate and read photo file: ") + strerror(ENODATA) + "\n");
        EXPECT_FALSE(file_exists(bmp));
    }
}

TEST_F(Photo2bmp, Photo2memWritesTheTopRowFirstAsThePinsShowIt)
{
    const std::string mem = dir / "out.mem";
    const std::string made_by = std::string("// made by: photo2mem ") + photo + " " + mem + "\n";
    const struct {
        const char *name;
        bytes photo;
        std::string image;
    } cases[] = {
        // 3 x 2, stored bottom row first: yellow (0x40), red, white; then
        // grey, black, blue.
        {"6-bit", {3, 0, 2, 0, 0x40, 0x30, 0x3F, 0x15, 0x00, 0x03},
         "// photo2mem: a $readmemh image of a photo file\n"
         "// width 3, height 2\n"
         "// encoding 6-bit, as RGB222 pins: RR GG BB in bits 5..0 (the display's 0x40 as 0x3C)\n"
         "// depth 6 words of 6 bits, 2 hex digits a line\n"
         "// address y * 3 + x, y = 0 the top row as shown\n" +
             made_by + "15\n00\n03\n3c\n30\n3f\n"},
        {"16-bit", {1, 0, 2, 0, 0xE0, 0xFF, 0x21, 0x08},
         "// photo2mem: a $readmemh image of a photo file\n"
         "// width 1, height 2\n"
         "// encoding 16-bit 5:6:5: RRRRR GGGGGG BBBBB in bits 15..0\n"
         "// depth 2 words of 16 bits, 4 hex digits a line\n"
         "// address y * 1 + x, y = 0 the top row as shown\n" +
             made_by + "0821\nffe0\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(photo, c.photo);
        const run_result r = run_program(PHOTO2MEM_BIN, {PHOTO2MEM_BIN, photo, mem});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(read_file_text(mem), c.image);
        // Beside it, the Verilog header a design includes.
        const bool six = c.photo.size() == 10;
        EXPECT_EQ(read_file_text(dir / "out.vh"),
                  "// photo2mem: the parameters of the memory image " + mem + "\n" +
                      (six ? "localparam PHOTO_WIDTH = 3;\nlocalparam PHOTO_HEIGHT = 2;\nlocalparam PHOTO_VALUE_BITS = 6;\n"
                           : "localparam PHOTO_WIDTH = 1;\nlocalparam PHOTO_HEIGHT = 2;\nlocalparam PHOTO_VALUE_BITS = 16;\n") +
                      "localparam PHOTO_INIT_FILE = \"" + mem + "\";\n");
    }
    // No header for a memory file not named *.mem.
    const std::string txt = dir / "out.txt";
    ASSERT_EQ(run_program(PHOTO2MEM_BIN, {PHOTO2MEM_BIN, photo, txt}).status, 0);
    EXPECT_FALSE(file_exists(dir / "out.txt.vh"));
    EXPECT_FALSE(file_exists(dir / "out.vh.vh"));
    // A control character in a name cannot end a comment line early.
    const std::string odd = dir / "a\nb.photo";
    write_file(odd, {1, 0, 1, 0, 0x30});
    ASSERT_EQ(run_program(PHOTO2MEM_BIN, {PHOTO2MEM_BIN, odd, mem}).status, 0);
    EXPECT_NE(read_file_text(mem).find("a?b.photo " + mem + "\n30\n"), std::string::npos) << read_file_text(mem);
}

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

TEST_F(Photo2bmp, AFailingFstatIsReported)
{
    KESTROW_SKIP_WITHOUT_PRELOAD("a preloaded library");
    write_file(photo, {1, 0, 1, 0, 0x30});
    for (const photo_tool &tool : photo_tools) {
        const run_result r = run_program(tool.path, tool.args(photo, bmp), [] {
            setenv("KESTROW_FSTAT", "fail", 1);
            preload_in_child(FSTAT_ONE_MORE_LIB);
        });
        EXPECT_EQ(r.status, 2) << tool.path;
        EXPECT_EQ(r.err, std::string("read photo file: ") + strerror(EIO) + "\n");
        EXPECT_FALSE(file_exists(bmp));
    }
}

// What this build writes for the picture in GivesTheSameBytesEveryRun...,
// as an FNV-1a digest. A change to the dithering changes them, on purpose.
constexpr uint64_t DITHER6_DIGEST = 0xa98b71d881a6cc18u;
constexpr uint64_t DITHER16_DIGEST = 0x98c63855fb0ec2d7u;
constexpr uint64_t DITHER12_DIGEST = 0x4d8712599464177eu;

// The dithering tools, one a display format.
struct dither_tool {
    const char *name;
    const char *path;
    const char *converter;
    unsigned bits[3];  // red, green, blue
};

void PrintTo(const dither_tool &t, std::ostream *os) { *os << t.name; }

const dither_tool dither_tools[] = {
    {"bmpdither", BMPDITHER_BIN, KESTROW_BIN, {2, 2, 2}},
    {"bmpdither16", BMPDITHER16_BIN, KESTROW16_BIN, {5, 6, 5}},
    // 12-bit VGA: dithered onto 4:4:4 and carried by a 16-bit photo file.
    {"bmpdither12", BMPDITHER12_BIN, KESTROW16_BIN, {4, 4, 4}},
};

// The 8-bit values a channel of `bits` bits shows.
std::vector<uint8_t> channel_levels(unsigned bits)
{
    std::vector<uint8_t> levels;
    for (unsigned v = 0; v < 1u << bits; v++)
        levels.push_back(bits == 2 ? widen2(v) : bits == 4 ? uint8_t(17 * v) : bits == 5 ? widen5(v) : widen6(v));
    return levels;
}

bool is_level(uint8_t v, unsigned bits)
{
    const auto levels = channel_levels(bits);
    return std::find(levels.begin(), levels.end(), v) != levels.end();
}

// Smooth ramps in all three channels, the pictures dithering is for.
std::vector<rgb> gradient_pixels(uint32_t w, uint32_t h)
{
    std::vector<rgb> px;
    for (uint32_t y = 0; y < h; y++)
        for (uint32_t x = 0; x < w; x++)
            px.push_back({uint8_t(255 * x / std::max(w - 1, 1u)), uint8_t(255 * y / std::max(h - 1, 1u)),
                          uint8_t((x + y) * 7)});
    return px;
}

// sRGB to linear light, as the eye adds light up.
double to_linear(uint8_t v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

class Dither : public testing::TestWithParam<dither_tool> {
protected:
    temp_dir dir;
    std::string in = dir / "in.bmp";
    std::string out = dir / "out.bmp";

    run_result dither(const std::string &from, const std::string &to)
    {
        return run_program(GetParam().path, {GetParam().path, from, to});
    }
};

TEST_P(Dither, WritesOnlyDisplayColoursThatSurviveTheRoundTripExactly)
{
    const std::string photo = dir / "out.photo";
    const std::string shown = dir / "shown.bmp";
    // The widest three reach the ends of the rows of carried error.
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1},  {2, 3},    {5, 4},    {17, 9},
                                                   {31, 2}, {333, 7}, {4094, 2}, {4095, 3}, {4096, 2}};
    for (const auto &[w, h] : sizes)
        for (const bool random : {false, true}) {
            SCOPED_TRACE(testing::Message() << w << " x " << h << (random ? " random" : " gradient"));
            const auto px = random ? random_pixels(size_t{w} * h, w + 977 * h) : gradient_pixels(w, h);
            write_file(in, make_bmp(bmp_size(w, h), px));
            const run_result r = dither(in, out);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            const bytes dithered = read_file(out);
            for (const rgb &c : bmp_pixels(dithered, w, h))
                ASSERT_TRUE(is_level(c.r, GetParam().bits[0]) && is_level(c.g, GetParam().bits[1]) &&
                            is_level(c.b, GetParam().bits[2]))
                    << int(c.r) << " " << int(c.g) << " " << int(c.b);
            const char *conv = GetParam().converter;
            ASSERT_EQ(run_program(conv, {conv, out, photo}).status, 0);
            if (GetParam().bits[0] == 4) {
                // A 12-bit VGA shows the top four bits of each channel of
                // the 16-bit values: exactly the levels dithered.
                const bytes file = read_file(photo);
                const auto shown_px = bmp_pixels(dithered, w, h);
                ASSERT_EQ(file.size(), 4 + 2 * shown_px.size());
                for (size_t i = 0; i < shown_px.size(); i++) {
                    const unsigned v = file[4 + 2 * i] | unsigned{file[5 + 2 * i]} << 8;
                    const rgb top_bits = {widen4(v >> 12), widen4(v >> 7 & 15), widen4(v >> 1 & 15)};
                    ASSERT_EQ(top_bits, shown_px[i]) << i;
                }
                continue;
            }
            ASSERT_EQ(run_program(PHOTO2BMP_BIN, {PHOTO2BMP_BIN, photo, shown}).status, 0);
            EXPECT_EQ(read_file(shown), dithered) << "the display must show what was dithered";
        }
}

TEST_P(Dither, KeepsTheLightOfFlatAreas)
{
    // Over a flat field the light of the dithered pixels adds up to the
    // light asked for: that is what the error diffusion is for. Without it
    // every pixel takes the same nearest level, off by up to half a step.
    for (const uint8_t v : {uint8_t(40), uint8_t(100), uint8_t(188), uint8_t(230)}) {
        SCOPED_TRACE(int(v));
        constexpr uint32_t w = 64, h = 64;
        write_file(in, make_bmp(bmp_size(w, h), std::vector<rgb>(w * h, rgb{v, v, v})));
        ASSERT_EQ(dither(in, out).status, 0);
        double sum[3] = {};
        for (const rgb &c : bmp_pixels(read_file(out), w, h)) {
            sum[0] += to_linear(c.r);
            sum[1] += to_linear(c.g);
            sum[2] += to_linear(c.b);
        }
        for (const double s : sum)
            EXPECT_NEAR(s / (w * h), to_linear(v), 0.004);
    }
}

TEST_P(Dither, ScattersNoDotsIntoBlackOrNearBlack)
{
    // Isolated dots of the first level on a near-black sky are seen as
    // noise, not as a dark tone, and error carried into black makes them.
    // Pictures of 64 x 64; stars are single white pixels.
    constexpr uint32_t w = 64, h = 64;
    const std::pair<uint32_t, uint32_t> stars[] = {{5, 7}, {40, 12}, {22, 33}, {60, 60}, {9, 50}};
    const auto near_star = [&](uint32_t x, uint32_t y) {
        return std::any_of(std::begin(stars), std::end(stars), [&](const auto &s) {
            return std::max(x, s.first) - std::min(x, s.first) <= 2 && std::max(y, s.second) - std::min(y, s.second) <= 2;
        });
    };
    struct picture {
        const char *name;
        uint8_t field;        // the grey of everything but the lines and stars
        bool black_lines;     // a black row 20 and column 30
        bool with_stars;
        bool six_bit_only;    // 16-bit levels are fine enough to dither this
    };
    const picture pictures[] = {
        {"black lines across mid grey", 128, true, false, false},
        {"black lines across random-looking light", 200, true, false, false},
        {"a near-black sky", 12, false, false, true},
        {"stars on a near-black sky", 12, false, true, true},
        {"stars on black", 0, false, true, false},
    };
    const bool six_bit = GetParam().bits[0] == 2;  // 4:4:4 is fine enough too
    for (const picture &p : pictures) {
        if (p.six_bit_only && !six_bit)
            continue;
        SCOPED_TRACE(p.name);
        std::vector<rgb> px(w * h, rgb{p.field, p.field, p.field});
        for (uint32_t y = 0; y < h; y++)
            for (uint32_t x = 0; x < w; x++) {
                rgb &c = px[y * w + x];
                if (p.field == 200)  // some texture, so the error varies
                    c = rgb{uint8_t(190 + (x * 7 + y * 3) % 23), uint8_t(195 + (x * 5) % 19), uint8_t(185 + (y * 11) % 29)};
                if (p.black_lines && (x == 30 || y == 20))
                    c = rgb{0, 0, 0};
            }
        if (p.with_stars)
            for (const auto &[x, y] : stars)
                px[y * w + x] = rgb{255, 255, 255};
        write_file(in, make_bmp(bmp_size(w, h), px));
        ASSERT_EQ(dither(in, out).status, 0);
        const auto shown = bmp_pixels(read_file(out), w, h);
        for (uint32_t y = 0; y < h; y++)
            for (uint32_t x = 0; x < w; x++) {
                const rgb &want = px[y * w + x], &got = shown[y * w + x];
                const bool dark = want.r + want.g + want.b <= 3 * 12;
                if (!dark || (p.with_stars && near_star(x, y)))
                    continue;
                ASSERT_TRUE(got.r == 0 && got.g == 0 && got.b == 0)
                    << "a dot at " << x << ", " << y << ": " << int(got.r) << " " << int(got.g) << " " << int(got.b);
            }
    }
}

TEST_P(Dither, GivesTheSameBytesEveryRunAndOnEveryHost)
{
    // The digest pins this build's output for one picture; every host the
    // suite runs on, big- or little-endian, must write the same bytes.
    // Over 64 rows, so the picture is cut in two and the bands either side
    // of the cut warm up: every part of the scan counts towards the digest.
    write_file(in, make_bmp(bmp_size(123, 77), random_pixels(123 * 77, 2026)));
    ASSERT_EQ(dither(in, out).status, 0);
    const bytes first = read_file(out);
    ASSERT_EQ(dither(in, out).status, 0);
    EXPECT_EQ(read_file(out), first);
    uint64_t fnv = 0xcbf29ce484222325u;
    for (const uint8_t b : first)
        fnv = (fnv ^ b) * 0x100000001b3u;
    const unsigned bits = GetParam().bits[0];
    const uint64_t pinned = bits == 2 ? DITHER6_DIGEST : bits == 4 ? DITHER12_DIGEST : DITHER16_DIGEST;
    EXPECT_EQ(fnv, pinned) << std::hex << fnv;
}

// In a child: the real user dropped from root to nobody, then at most one
// process or thread for that user, so the dither's second thread cannot
// be started. (Set after the user changes, so the program itself still
// starts.)
void one_thread_only()
{
    drop_root();
    const struct rlimit rl = {1, 1};
    setrlimit(RLIMIT_NPROC, &rl);
}

void *nothing(void *) { return nullptr; }

// Whether one_thread_only() does keep a process from starting a thread.
bool threads_refused_here()
{
    const pid_t pid = fork();
    if (pid == 0) {
        one_thread_only();
        pthread_t t;
        _exit(pthread_create(&t, nullptr, nothing, nullptr) == 0 ? 1 : 0);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_P(Dither, WritesTheSameWithoutASecondThread)
{
    // The lower half of a picture is dithered on a thread of its own where
    // one can be had, and after the upper half where not: same bytes.
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("a limit on threads");
    KESTROW_NEED(threads_refused_here(), "a process limit does not stop threads here");
    write_file(in, make_bmp(bmp_size(201, 150), random_pixels(201 * 150, 77)));
    const std::string p = GetParam().path;
    ASSERT_EQ(dither(in, out).status, 0);
    const bytes threaded = read_file(out);
    const std::string alone = dir / "alone.bmp";
    const run_result r = run_program(reachable_by_nobody(p, dir), {p, in, alone}, one_thread_only);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(alone), threaded);
}

TEST_P(Dither, FollowsTheConventionsOfTheOtherTools)
{
    const bytes good = make_bmp(bmp_size(3, 2), random_pixels(6, 9));
    bytes truncated = good;
    truncated.pop_back();
    bmp_fields bpp8 = bmp_size(2, 2);
    bpp8.bits_per_pixel = 8;
    const bytes kept = {'o', 'l', 'd'};
    const std::string link_name = dir / "link.bmp";
    ASSERT_EQ(symlink("in.bmp", link_name.c_str()), 0);
    const std::string pictures = dir / "pictures";
    ASSERT_EQ(mkdir(pictures.c_str(), 0755), 0);
    // 64 rows of 12 KiB each: a limit of 100 000 bytes stops the writes in
    // the ninth row.
    const bytes big = make_bmp(bmp_size(4096, 64), random_pixels(4096 * 64, 3));
    const auto file_size_limit = [] {
        signal(SIGXFSZ, SIG_IGN);
        const struct rlimit rl = {100000, 100000};
        setrlimit(RLIMIT_FSIZE, &rl);
    };
    const std::string p = GetParam().path;
    struct convention {
        const char *name;
        bytes input;
        std::vector<std::string> args;
        int status;
        std::string message;
        bool output_kept;  // an existing output must be left as it was
        std::function<void()> setup = {};
        bool as_nobody = false;  // run the copy nobody can reach
    };
    const convention cases[] = {
        {"usage", good, {in}, 2, "usage: " + p + " <BMP file name> <output file>\n", true},
        {"missing input", good, {dir / "none.bmp", out}, 2, std::string("open BMP file: ") + strerror(ENOENT) + "\n", true},
        {"same file", good, {in, link_name}, 2, in + " and " + link_name + " are the same file.\n", true},
        {"not a BMP", {'G', 'I', 'F'}, {in, out}, 2, in + " does not appear to be a BMP file.\n", true},
        {"8-bit", make_bmp(bpp8), {in, out}, 2, in + " must be 24-bit-color on one plane with no compression.\n", true},
        {"truncated", truncated, {in, out}, 2, std::string("allocate and read image: ") + strerror(ENODATA) + "\n", true},
        {"output unopenable", good, {in, dir / "no/out.bmp"}, 2, std::string("open output file: ") + strerror(ENOENT) + "\n", true},
        {"full device", good, {in, "/dev/full"}, 3, std::string("close output file: ") + strerror(ENOSPC) + "\n", true},
        {"a directory", good, {pictures, out}, 2, pictures + " is not a BMP file: it is a directory.\n", true},
        // A failed row write is reported once and ends the run.
        {"row write fails", big, {in, out}, 3, std::string("write BMP file: ") + strerror(EFBIG) + "\n", false, file_size_limit},
        // Only read, so a read-only BMP will do (tried as "nobody").
        {"read-only input", good, {in, out}, 0, "", false, drop_root, true},
    };
    const std::string nobody_copy = reachable_by_nobody(p, dir);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(in, c.input);
        write_file(out, kept);
        chmod(in.c_str(), c.setup ? 0444 : 0644);
        chmod(out.c_str(), 0666);
        std::vector<std::string> argv = {p};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const run_result r = run_program(c.as_nobody ? nobody_copy : p, argv, c.setup);
        KESTROW_NEED(r.status != 99, "cannot drop root privileges here");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(read_file(in), c.input) << "the input must not change";
        if (c.output_kept) {
            EXPECT_EQ(read_file(out), kept);
        } else {
            EXPECT_NE(read_file(out), kept);
        }
    }
}

TEST_P(Dither, AFailedStateAllocationIsReported)
{
    KESTROW_SKIP_UNDER_SANITIZER_OR_EMULATOR("an address-space limit");
    // The pixel array (3 MiB) is loaded first, the dither state (a few
    // hundred KiB) after it. Between the least address space that loads
    // the pixels and the least that also holds the state lies a limit at
    // which the state alone fails: found by bisection, as it depends on how
    // the program and its libraries are laid out.
    write_file(in, make_bmp(bmp_size(1024, 1024)));
    const std::string p = GetParam().path;
    const auto run_under = [&](rlim_t limit) {
        unlink(out.c_str());
        return run_program(p, {p, in, out}, [limit] {
            const struct rlimit rl = {limit, limit};
            setrlimit(RLIMIT_AS, &rl);
        });
    };
    const std::string image_fails = std::string("allocate and read image: ") + strerror(ENOMEM) + "\n";
    // Past the pixel array: any run that did not fail before it.
    const auto got_past_pixels = [&](const run_result &r) { return r.status == 0 || r.err != image_fails; };
    rlim_t low = rlim_t{4} << 20, high = rlim_t{1} << 30;
    ASSERT_FALSE(got_past_pixels(run_under(low))) << "the program runs in 4 MiB";
    ASSERT_EQ(run_under(high).status, 0);
    while (high - low > 4096) {
        const rlim_t mid = low + (high - low) / 2;
        (got_past_pixels(run_under(mid)) ? high : low) = mid;
    }
    const run_result r = run_under(high);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, std::string("allocate dither state: ") + strerror(ENOMEM) + "\n");
    EXPECT_FALSE(file_exists(out)) << "the output is opened only after the state is had";
}

INSTANTIATE_TEST_SUITE_P(Tools, Dither, testing::ValuesIn(dither_tools),
                         [](const testing::TestParamInfo<dither_tool> &i) { return std::string(i.param.name); });

} // namespace

namespace {

// fbview checks the whole photo file before it opens the framebuffer, so
// its help and its refusals of a file are tested without one.
TEST(Fbview, HelpsOnRequestAndNamesABmpGivenForAPhotoFile)
{
    const run_result help = run_program(FBVIEW_BIN, {FBVIEW_BIN, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: ", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    temp_dir dir;
    const std::string in = dir / "in.photo";
    const struct {
        const char *name;
        bytes file;
        std::string message;
    } refused[] = {
        {"a BMP", make_bmp(bmp_size(3, 2)), "it looks like a BMP file (run kestrow or kestrow16 on it first)"},
        {"width 19779", {0x43, 0x4D, 1, 0, 7}, "width or height is 0 or above 4096"},
        {"width 0", {0, 0, 1, 0}, "width or height is 0 or above 4096"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        write_file(in, c.file);
        const run_result r = run_program(FBVIEW_BIN, {FBVIEW_BIN, in, "/dev/null"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, in + ": not a photo file: " + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// With a framebuffer in a file (fake_framebuffer.cpp: 4 x 4, XRGB8888), a
// 2 x 2 picture is drawn in the middle on black, top row first; and a read
// that fails in the middle of the draw is reported as the other refusals
// of the photo file are, with status 2.
TEST(Fbview, DrawsInTheMiddleAndReportsAReadThatFailsWhileDrawing)
{
    KESTROW_SKIP_WITHOUT_PRELOAD("a preloaded library");
    temp_dir dir;
    const std::string in = dir / "in.photo", device = dir / "fb";
    // Stored bottom row first: red, white; then the top row: blue, black.
    write_file(in, {2, 0, 2, 0, 0x00, 0xF8, 0xFF, 0xFF, 0x1F, 0x00, 0x00, 0x00});
    const auto with_screen = [](const char *mode) {
        return [mode] {
            setenv("KESTROW_FB", mode, 1);
            preload_in_child(FAKE_FRAMEBUFFER_LIB);
        };
    };
    write_file(device, bytes(64, 0x55));
    const run_result drawn = run_program(FBVIEW_BIN, {FBVIEW_BIN, in, device}, with_screen("draw"));
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const bytes screen = read_file(device);
    // A 32-bit pixel in the machine's own byte order, red at bit 16, green
    // at 8, blue at 0, as the fake screen says: blue, green, red.
    const auto pixel = [&](unsigned x, unsigned y) {
        uint32_t v = 0;
        memcpy(&v, screen.data() + 16 * size_t{y} + 4 * size_t{x}, 4);
        return bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16)};
    };
    const bytes black = {0, 0, 0}, red = {0, 0, 255}, white = {255, 255, 255}, blue = {255, 0, 0};
    EXPECT_EQ(pixel(1, 1), blue);
    EXPECT_EQ(pixel(2, 1), black);
    EXPECT_EQ(pixel(1, 2), red);
    EXPECT_EQ(pixel(2, 2), white);
    for (unsigned i = 0; i < 4; i++) {
        EXPECT_EQ(pixel(i, 0), black) << i;
        EXPECT_EQ(pixel(i, 3), black) << i;
        EXPECT_EQ(pixel(0, i), black) << i;
        EXPECT_EQ(pixel(3, i), black) << i;
    }

    write_file(device, bytes(64, 0x55));
    const run_result failed = run_program(FBVIEW_BIN, {FBVIEW_BIN, in, device}, with_screen("fail-reads"));
    EXPECT_EQ(failed.status, 2);
    EXPECT_EQ(failed.err, in + ": " + photo_error_text(PHOTO_ERR_READ) + "\n");
}

} // namespace
