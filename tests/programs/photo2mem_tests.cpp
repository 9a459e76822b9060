// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2mem end to end: the memory image, top row first, as an FPGA's
// pins show it.
#include "tools_support.h"

namespace {

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

} // namespace
