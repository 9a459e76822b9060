// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2bmp end to end: what it shows for each encoding, what it refuses,
// the round trip through both converters; and what the three programs that
// show a photo file share (arguments, files, write failures, a failing
// fstat).
#include "tools_support.h"

namespace {

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

} // namespace
