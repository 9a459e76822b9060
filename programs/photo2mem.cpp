// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2mem: a photo file as a memory image for an FPGA, in the text form
// Verilog's $readmemh reads: one value a line in hex, the address of pixel
// (x, y) being y x width + x with y = 0 the top row as shown. A 6-bit file
// gives 6-bit values as an RGB222 board's pins take them, RR GG BB in bits
// 5..0, the display's 0x40 for yellow written as 0x3C; a 16-bit file gives
// its 5:6:5 values. `//` lines at the top say what the image holds.
//
// When the memory file's name ends in ".mem", a Verilog header is written
// beside it (cat.mem, cat.vh): the picture's width, height, value width
// and the memory file's name as localparams, for a design to include, so
// that its parameters cannot disagree with the image.
//
//   usage: photo2mem <photo file> <memory file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <kestrow/photo_file.h>

#include "photo_tool.h"

namespace {

int write_or_report(FILE *out, const char *text, size_t n)
{
    if (n != 0 && fwrite(text, n, 1, out) != 1) {
        perror("write memory file");
        return 0;
    }
    return 1;
}

// The comment lines. The command is written as typed, but for the
// program's directory (so that the image does not depend on where the
// program is installed), with any control character as '?', so that a
// file name cannot end a comment line early.
int write_comments(FILE *out, const photo_file_t *photo, char **argv)
{
    const bool six = photo->value_bytes == 1;
    char text[512];
    int n = snprintf(text, sizeof text,
                     "// photo2mem: a $readmemh image of a photo file\n"
                     "// width %u, height %u\n"
                     "// encoding %s\n"
                     "// depth %u words of %u bits, %u hex digits a line\n"
                     "// address y * %u + x, y = 0 the top row as shown\n"
                     "// made by:",
                     photo->width, photo->height,
                     six ? "6-bit, as RGB222 pins: RR GG BB in bits 5..0 (the display's 0x40 as 0x3C)"
                         : "16-bit 5:6:5: RRRRR GGGGGG BBBBB in bits 15..0",
                     photo->width * photo->height, six ? 6u : 16u, six ? 2u : 4u, photo->width);
    if (!write_or_report(out, text, static_cast<size_t>(n)))
        return 0;
    for (int i = 0; i < 3; i++) {
        size_t k = 0;
        text[k++] = ' ';
        const char *word = argv[i];
        if (i == 0)
            for (const char *c = argv[0]; *c != '\0'; c++)
                if (*c == '/')
                    word = c + 1;
        for (const char *c = word; *c != '\0' && k < sizeof text - 1; c++)
            text[k++] = static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F ? '?' : *c;
        if (i == 2)
            text[k++] = '\n';
        if (!write_or_report(out, text, k))
            return 0;
    }
    return 1;
}

// The values a row at a time, top row first.
int mem_write(FILE *out, const photo_file_t *photo, char **argv)
{
    static constexpr char hex[] = "0123456789abcdef";
    if (!write_comments(out, photo, argv))
        return 0;
    const bool six = photo->value_bytes == 1;
    uint8_t values[PHOTO_MAX_SIDE * 2];
    char text[PHOTO_MAX_SIDE * 5];
    for (uint32_t y = 0; y < photo->height; y++) {
        const int rc = photo_read_rows(photo, y, 1, six ? PHOTO_RGB222 : PHOTO_RGB565_BE, values);
        if (rc != 0) {
            fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
            return 0;
        }
        size_t n = 0;
        for (uint32_t i = 0; i < photo->width * photo->value_bytes; i++) {
            text[n++] = hex[values[i] >> 4];
            text[n++] = hex[values[i] & 15];
            if (six || i % 2 == 1)
                text[n++] = '\n';
        }
        if (!write_or_report(out, text, n))
            return 0;
    }
    return 1;
}

// cat.mem -> cat.vh in `vh`; false for a memory file not named *.mem (or
// a name too long for `vh`).
bool header_name(const char *mem_name, char *vh, size_t size)
{
    const size_t n = strlen(mem_name);
    if (n <= 4 || strcmp(mem_name + n - 4, ".mem") != 0 || n >= size)
        return false;
    memcpy(vh, mem_name, n - 4);
    memcpy(vh + n - 4, ".vh", 4);
    return true;
}

int write_verilog_header(const photo_file_t *photo, const char *mem_name)
{
    char vh[4096];
    if (!header_name(mem_name, vh, sizeof vh))
        return 1;
    FILE *out = fopen(vh, "w");
    if (out == nullptr) {
        perror("open Verilog header");
        return 0;
    }
    // The file name as a Verilog string: no quote, backslash or control
    // character in it, or it is left out of the header.
    bool plain = true;
    for (const char *c = mem_name; *c != '\0'; c++)
        plain &= *c != '"' && *c != '\\' && static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F;
    const int n = fprintf(out,
                          "// photo2mem: the parameters of the memory image %s\n"
                          "localparam PHOTO_WIDTH = %u;\n"
                          "localparam PHOTO_HEIGHT = %u;\n"
                          "localparam PHOTO_VALUE_BITS = %u;\n"
                          "localparam PHOTO_INIT_FILE = \"%s\";\n",
                          plain ? mem_name : "(its name cannot be a Verilog string)", photo->width, photo->height,
                          photo->value_bytes == 1 ? 6u : 16u, plain ? mem_name : "");
    if (n < 0) {
        perror("write Verilog header");
        fclose(out);
        return 0;
    }
    if (fclose(out) != 0) {
        perror("close Verilog header");
        return 0;
    }
    return 1;
}

int mem_and_header_write(FILE *out, const photo_file_t *photo, char **argv)
{
    return mem_write(out, photo, argv) && write_verilog_header(photo, argv[2]);
}

} // namespace

int main(int argc, char **argv)
{
    return photo_tool_main(argc, argv, "photo2mem", "memory file", mem_and_header_write);
}
