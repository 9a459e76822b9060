// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2mem: photo files as one memory image for an FPGA, in the form the
// output's name asks for:
//   *.mem  the text Verilog's $readmemh reads, with a Verilog header beside
//          it (cat.mem, cat.vh) giving the pictures' parameters;
//   *.coe  Vivado's memory initialisation file;
//   *.mif  Quartus's memory initialisation file;
//   *.vhd  a VHDL-93 package holding the values as a constant array;
//   any other name: the $readmemh text alone.
// The address of pixel (x, y) of a picture is its start + y x width + x,
// with y = 0 the top row as shown; the pictures follow one another in the
// order given, the first at address 0. A 6-bit file gives 6-bit values as
// an RGB222 board's pins take them (RR GG BB in bits 5..0, the display's
// 0x40 for yellow written as 0x3C), a 16-bit file its 5:6:5 values; with
// --rgb444, every picture gives 12-bit values R << 8 | G << 4 | B, from a
// 16-bit file the top four bits of each channel, from a 6-bit file each
// 2-bit level k widened to 5k, so full scale stays full scale.
//
//   usage: photo2mem [--rgb444] <photo file>... <memory file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <kestrow/photo_file.h>

#include "cli_support.h"
#include "photo_tool.h"

namespace {

enum mem_format_t { mem_readmemh, mem_coe, mem_mif, mem_vhdl };

struct memory_t {
    photo_tool_picture *pictures;
    const char *const *names;  // each picture's file name, as given
    int count;
    bool rgb444;
    unsigned bits;             // 6, 12 or 16
    uint32_t depth;            // words in all
    mem_format_t format;
    const char *out_name;
    int argc;
    char **argv;
};

const char usage_text[] = "usage: %s [--rgb444] <photo file>... <memory file>\n";

void print_help(const char *name)
{
    printf(usage_text, name);
    printf("Writes photo files, one after another, as one memory image for an FPGA, in the form\n"
           "the memory file's name asks for: .mem ($readmemh text, with a Verilog header .vh\n"
           "beside it), .coe (Vivado), .mif (Quartus) or .vhd (a VHDL-93 package); any other\n"
           "name gets the $readmemh text alone. Values are the files' own, 6-bit RGB222 or\n"
           "16-bit RGB565; --rgb444 makes them 12-bit R << 8 | G << 4 | B for 12-bit VGA.\n"
           "The pictures must share their value width (all 6-bit or all 16-bit) unless\n"
           "--rgb444 is given.\n");
}

bool ends_with(const char *name, const char *suffix)
{
    const size_t n = strlen(name), k = strlen(suffix);
    return n > k && strcmp(name + n - k, suffix) == 0;
}

mem_format_t format_of(const char *name)
{
    if (ends_with(name, ".coe"))
        return mem_coe;
    if (ends_with(name, ".mif"))
        return mem_mif;
    if (ends_with(name, ".vhd"))
        return mem_vhdl;
    return mem_readmemh;
}

uint32_t picture_words(const photo_tool_picture *p) { return p->file.width * p->file.height; }

uint32_t start_of(const memory_t *m, int index)
{
    uint32_t start = 0;
    for (int i = 0; i < index; i++)
        start += picture_words(&m->pictures[i]);
    return start;
}

bool same_size(const memory_t *m)
{
    for (int i = 1; i < m->count; i++)
        if (m->pictures[i].file.width != m->pictures[0].file.width ||
            m->pictures[i].file.height != m->pictures[0].file.height)
            return false;
    return true;
}

// One row of a picture, top row first, as the memory's values.
int row_values(const memory_t *m, const photo_file_t *file, uint32_t y, uint16_t *values)
{
    const bool six = file->value_bytes == 1;
    uint8_t raw[PHOTO_MAX_SIDE * 2];
    const int rc = photo_read_rows(file, y, 1, six ? PHOTO_RGB222 : PHOTO_RGB565_BE, raw);
    if (rc != 0) {
        fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
        return 0;
    }
    for (uint32_t x = 0; x < file->width; x++) {
        const unsigned v = six ? raw[x] : unsigned{raw[2 * x]} << 8 | raw[2 * x + 1];
        if (!m->rgb444)
            values[x] = static_cast<uint16_t>(v);
        else if (six)  // RR GG BB: each level k as 5k of 15
            values[x] = static_cast<uint16_t>((v >> 4 & 3) * 5 << 8 | (v >> 2 & 3) * 5 << 4 | (v & 3) * 5);
        else  // RRRRR GGGGGG BBBBB: the top four bits of each
            values[x] = static_cast<uint16_t>((v >> 12 & 15) << 8 | (v >> 7 & 15) << 4 | (v >> 1 & 15));
    }
    return 1;
}

int write_text(FILE *out, const char *text, size_t n)
{
    if (n != 0 && fwrite(text, n, 1, out) != 1) {
        perror("write memory file");
        return 0;
    }
    return 1;
}

int write_line(FILE *out, const char *format, ...) __attribute__((format(printf, 2, 3)));
int write_line(FILE *out, const char *format, ...)
{
    char text[1024];
    va_list ap;
    va_start(ap, format);
    const int n = vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    return write_text(out, text, static_cast<size_t>(n < 0 ? 0 : n < int{sizeof text} ? n : int{sizeof text} - 1));
}

// A name as it may stand in a comment line: no control characters.
void comment_safe(const char *text, char *out, size_t size)
{
    size_t k = 0;
    for (const char *c = text; *c != '\0' && k < size - 1; c++)
        out[k++] = static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F ? '?' : *c;
    out[k] = '\0';
}

const char *encoding_text(const memory_t *m)
{
    const bool six = m->pictures[0].file.value_bytes == 1;
    if (m->rgb444)
        return "12-bit RGB444: RRRR GGGG BBBB in bits 11..0 (from a 16-bit file the top four bits of each "
               "channel, from a 6-bit file each level k as 5k)";
    return six ? "6-bit, as RGB222 pins: RR GG BB in bits 5..0 (the display's 0x40 as 0x3C)"
               : "16-bit 5:6:5: RRRRR GGGGGG BBBBB in bits 15..0";
}

unsigned hex_digits(const memory_t *m) { return (m->bits + 3) / 4; }

// The comment lines every format starts with, after `lead` ("//", ";",
// "--"). One picture of the file's own width keeps the lines photo2mem has
// always written.
int write_comments(FILE *out, const memory_t *m, const char *lead, const char *what)
{
    const photo_file_t *first = &m->pictures[0].file;
    if (m->count == 1) {
        if (!write_line(out,
                        "%s photo2mem: %s of a photo file\n"
                        "%s width %u, height %u\n"
                        "%s encoding %s\n"
                        "%s depth %u words of %u bits, %u hex digits a line\n"
                        "%s address y * %u + x, y = 0 the top row as shown\n",
                        lead, what, lead, first->width, first->height, lead, encoding_text(m), lead, m->depth,
                        m->bits, hex_digits(m), lead, first->width))
            return 0;
    } else {
        if (!write_line(out,
                        "%s photo2mem: %s of %d photo files, one after another\n"
                        "%s encoding %s\n"
                        "%s depth %u words of %u bits, %u hex digits a line\n",
                        lead, what, m->count, lead, encoding_text(m), lead, m->depth, m->bits, hex_digits(m)))
            return 0;
        for (int i = 0; i < m->count; i++) {
            char name[256];
            comment_safe(m->names[i], name, sizeof name);
            const photo_file_t *f = &m->pictures[i].file;
            if (!write_line(out, "%s picture %d (%s): width %u, height %u, address %u + y * %u + x\n", lead, i,
                            name, f->width, f->height, start_of(m, i), f->width))
                return 0;
        }
    }
    // The command as typed, but for the program's directory, so that the
    // image does not depend on where the program is installed.
    if (!write_line(out, "%s made by:", lead))
        return 0;
    for (int i = 0; i < m->argc; i++) {
        const char *word = m->argv[i];
        if (i == 0)
            for (const char *c = m->argv[0]; *c != '\0'; c++)
                if (*c == '/')
                    word = c + 1;
        char safe[1024];
        comment_safe(word, safe, sizeof safe);
        if (!write_line(out, " %s", safe))
            return 0;
    }
    return write_text(out, "\n", 1);
}

// Every value in address order, each written by `put` into `text` (which
// it returns advanced); `between` separates values and `last` follows the
// last one.
using put_fn = char *(*)(const memory_t *m, uint32_t address, unsigned value, char *text);

int write_values(FILE *out, const memory_t *m, put_fn put)
{
    uint16_t values[PHOTO_MAX_SIDE];
    // The longest value line is a .vhd's binary string, or a .mif's
    // address and value: well under 48 bytes.
    static char text[PHOTO_MAX_SIDE * 48];
    uint32_t address = 0;
    for (int i = 0; i < m->count; i++) {
        const photo_file_t *f = &m->pictures[i].file;
        for (uint32_t y = 0; y < f->height; y++) {
            if (!row_values(m, f, y, values))
                return 0;
            char *end = text;
            for (uint32_t x = 0; x < f->width; x++, address++)
                end = put(m, address, values[x], end);
            if (!write_text(out, text, static_cast<size_t>(end - text)))
                return 0;
        }
    }
    return 1;
}

char *put_hex(unsigned value, unsigned digits, char *text)
{
    static constexpr char hex[] = "0123456789abcdef";
    for (unsigned d = digits; d-- > 0;)
        *text++ = hex[value >> (4 * d) & 15];
    return text;
}

char *put_readmemh(const memory_t *m, uint32_t, unsigned value, char *text)
{
    text = put_hex(value, hex_digits(m), text);
    *text++ = '\n';
    return text;
}

// "f800,\n", the last "001f;\n".
char *put_coe(const memory_t *m, uint32_t address, unsigned value, char *text)
{
    text = put_hex(value, hex_digits(m), text);
    *text++ = address + 1 == m->depth ? ';' : ',';
    *text++ = '\n';
    return text;
}

// "1a2 : f800;\n": the address in hex too, one line each (no ranges).
char *put_mif(const memory_t *m, uint32_t address, unsigned value, char *text)
{
    char digits[8];
    char *end = put_hex(address, 8, digits);
    const char *a = digits;
    while (a + 1 < end && *a == '0')
        a++;
    while (a < end)
        *text++ = *a++;
    *text++ = ' ';
    *text++ = ':';
    *text++ = ' ';
    text = put_hex(value, hex_digits(m), text);
    *text++ = ';';
    *text++ = '\n';
    return text;
}

// x"f800" for 12 and 16 bits, "010110" for 6 (a hex literal has a multiple
// of four bits in VHDL-93); eight a line. One value alone needs a named
// association, (0 => ...).
char *put_vhdl(const memory_t *m, uint32_t address, unsigned value, char *text)
{
    if (address % 8 == 0)
        text = static_cast<char *>(memcpy(text, "    ", 4)) + 4;
    if (m->depth == 1)
        text = static_cast<char *>(memcpy(text, "0 => ", 5)) + 5;
    if (m->bits % 4 == 0) {
        *text++ = 'x';
        *text++ = '"';
        text = put_hex(value, hex_digits(m), text);
    } else {
        *text++ = '"';
        for (unsigned b = m->bits; b-- > 0;)
            *text++ = static_cast<char>('0' + (value >> b & 1));
    }
    *text++ = '"';
    if (address + 1 < m->depth)
        *text++ = ',';
    *text++ = address % 8 == 7 || address + 1 == m->depth ? '\n' : ' ';
    return text;
}

int write_readmemh(FILE *out, const memory_t *m)
{
    return write_comments(out, m, "//", "a $readmemh image") && write_values(out, m, put_readmemh);
}

int write_coe(FILE *out, const memory_t *m)
{
    return write_comments(out, m, ";", "a Vivado .coe memory image") &&
           write_line(out, "memory_initialization_radix=16;\nmemory_initialization_vector=\n") &&
           write_values(out, m, put_coe);
}

int write_mif(FILE *out, const memory_t *m)
{
    return write_comments(out, m, "--", "a Quartus .mif memory image") &&
           write_line(out, "DEPTH = %u;\nWIDTH = %u;\nADDRESS_RADIX = HEX;\nDATA_RADIX = HEX;\nCONTENT BEGIN\n",
                      m->depth, m->bits) &&
           write_values(out, m, put_mif) && write_line(out, "END;\n");
}

// The package's name: the memory file's own, without its directory and
// suffix, as a VHDL identifier (letters, digits and single underscores,
// starting with a letter), with "_pkg" after it, which no reserved word
// ends in.
void vhdl_package_name(const char *file, char *out, size_t size)
{
    const char *base = file;
    for (const char *c = file; *c != '\0'; c++)
        if (*c == '/')
            base = c + 1;
    const char *dot = strrchr(base, '.');
    const size_t n = dot != nullptr && dot != base ? static_cast<size_t>(dot - base) : strlen(base);
    size_t k = 0;
    if (n == 0 || !((base[0] >= 'a' && base[0] <= 'z') || (base[0] >= 'A' && base[0] <= 'Z'))) {
        memcpy(out, "photo", 5);
        k = 5;
    }
    for (size_t i = 0; i < n && k + 6 < size; i++) {
        const char c = base[i];
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum)
            out[k++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        else if (k > 0 && out[k - 1] != '_')
            out[k++] = '_';
    }
    if (k > 0 && out[k - 1] == '_')
        k--;
    memcpy(out + k, "_pkg", 5);
}

int write_vhdl(FILE *out, const memory_t *m)
{
    char name[256];
    vhdl_package_name(m->out_name, name, sizeof name);
    if (!write_comments(out, m, "--", "a VHDL package") ||
        !write_line(out,
                    "library ieee;\nuse ieee.std_logic_1164.all;\n\npackage %s is\n"
                    "  constant PHOTO_COUNT : natural := %d;\n"
                    "  constant PHOTO_DEPTH : natural := %u;\n"
                    "  constant PHOTO_VALUE_BITS : natural := %u;\n",
                    name, m->count, m->depth, m->bits))
        return 0;
    if (same_size(m) && !write_line(out,
                                    "  constant PHOTO_WIDTH : natural := %u;\n"
                                    "  constant PHOTO_HEIGHT : natural := %u;\n",
                                    m->pictures[0].file.width, m->pictures[0].file.height))
        return 0;
    for (int i = 0; i < m->count; i++)
        if (!write_line(out,
                        "  constant PHOTO%d_START : natural := %u;\n"
                        "  constant PHOTO%d_WIDTH : natural := %u;\n"
                        "  constant PHOTO%d_HEIGHT : natural := %u;\n",
                        i, start_of(m, i), i, m->pictures[i].file.width, i, m->pictures[i].file.height))
            return 0;
    return write_line(out,
                      "  type photo_memory_t is array (0 to PHOTO_DEPTH - 1) of\n"
                      "    std_logic_vector(PHOTO_VALUE_BITS - 1 downto 0);\n"
                      "  constant PHOTO_MEMORY : photo_memory_t := (\n") &&
           write_values(out, m, put_vhdl) && write_line(out, "  );\nend package %s;\n", name);
}

// cat.mem -> cat.vh in `vh`; false for a memory file not named *.mem (or
// a name too long for `vh`).
bool header_name(const char *mem_name, char *vh, size_t size)
{
    const size_t n = strlen(mem_name);
    if (!ends_with(mem_name, ".mem") || n >= size)
        return false;
    memcpy(vh, mem_name, n - 4);
    memcpy(vh + n - 4, ".vh", 4);
    return true;
}

// The Verilog header beside a .mem: one picture's width, height, value
// width and the image's name as localparams (as photo2mem has always
// written them), and for several pictures their count, the depth and
// each one's start, width and height.
int write_verilog_header(const memory_t *m)
{
    char vh[4096];
    if (!header_name(m->out_name, vh, sizeof vh))
        return 1;
    FILE *out = fopen(vh, "w");
    if (out == nullptr) {
        perror("open Verilog header");
        return 0;
    }
    // The file name as a Verilog string: no quote, backslash or control
    // character in it, or it is left out of the header.
    bool plain = true;
    for (const char *c = m->out_name; *c != '\0'; c++)
        plain &= *c != '"' && *c != '\\' && static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F;
    const photo_file_t *first = &m->pictures[0].file;
    int n = fprintf(out, "// photo2mem: the parameters of the memory image %s\n",
                    plain ? m->out_name : "(its name cannot be a Verilog string)");
    if (n >= 0 && same_size(m))
        n = fprintf(out, "localparam PHOTO_WIDTH = %u;\nlocalparam PHOTO_HEIGHT = %u;\n", first->width,
                    first->height);
    if (n >= 0)
        n = fprintf(out, "localparam PHOTO_VALUE_BITS = %u;\nlocalparam PHOTO_INIT_FILE = \"%s\";\n", m->bits,
                    plain ? m->out_name : "");
    if (n >= 0 && m->count > 1) {
        n = fprintf(out, "localparam PHOTO_COUNT = %d;\nlocalparam PHOTO_DEPTH = %u;\n", m->count, m->depth);
        for (int i = 0; i < m->count && n >= 0; i++)
            n = fprintf(out,
                        "localparam PHOTO%d_START = %u;\nlocalparam PHOTO%d_WIDTH = %u;\n"
                        "localparam PHOTO%d_HEIGHT = %u;\n",
                        i, start_of(m, i), i, m->pictures[i].file.width, i, m->pictures[i].file.height);
    }
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

int write_memory(FILE *out, void *context)
{
    const auto *m = static_cast<const memory_t *>(context);
    switch (m->format) {
    case mem_coe:
        return write_coe(out, m);
    case mem_mif:
        return write_mif(out, m);
    case mem_vhdl:
        return write_vhdl(out, m);
    default:
        return write_readmemh(out, m) && write_verilog_header(m);
    }
}

// All pictures share the value width, unless --rgb444 makes them all 12
// bits. Returns 1, or 0 after naming the first file that differs.
int widths_agree(const memory_t *m)
{
    if (m->rgb444)
        return 1;
    for (int i = 1; i < m->count; i++)
        if (m->pictures[i].file.value_bytes != m->pictures[0].file.value_bytes) {
            const auto bits = [](const photo_tool_picture &p) { return p.file.value_bytes == 1 ? 6 : 16; };
            fprintf(stderr,
                    "%s is %d-bit, but %s is %d-bit: the pictures of one memory must share their value width "
                    "(or give --rgb444).\n",
                    m->names[i], bits(m->pictures[i]), m->names[0], bits(m->pictures[0]));
            return 0;
        }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const char *own = program_name(argc, argv, "photo2mem");
    if (argc == 2 && strcmp(argv[1], "--help") == 0) {
        print_help(own);
        return 0;
    }
    const bool rgb444 = argc > 1 && strcmp(argv[1], "--rgb444") == 0;
    const int first = rgb444 ? 2 : 1;
    if (argc - first < 2) {
        fprintf(stderr, usage_text, own);
        return 2;
    }
    const int count = argc - first - 1;
    const char *out_name = argv[argc - 1];
    auto *pictures = static_cast<photo_tool_picture *>(calloc(static_cast<size_t>(count), sizeof(photo_tool_picture)));
    if (pictures == nullptr) {
        perror("allocate");
        return 2;
    }
    memory_t m = {pictures, argv + first, 0, rgb444, 0, 0, format_of(out_name), out_name, argc, argv};
    int status = 0;
    for (; m.count < count; m.count++)
        if (!photo_tool_load(argv[first + m.count], out_name, &pictures[m.count])) {
            status = 2;
            break;
        }
    if (status == 0 && !widths_agree(&m))
        status = 2;
    if (status == 0) {
        m.bits = rgb444 ? 12 : pictures[0].file.value_bytes == 1 ? 6 : 16;
        for (int i = 0; i < count; i++)
            m.depth += picture_words(&pictures[i]);
        status = photo_tool_write_output(out_name, "memory file", write_memory, &m);
    }
    for (int i = 0; i < m.count; i++)
        photo_tool_release(&pictures[i]);
    free(pictures);
    return status;
}
