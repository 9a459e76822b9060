// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// fbview end to end: its help, its refusals, and a picture drawn on a
// framebuffer in a file.
#include "tools_support.h"

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
