// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2raw: a photo file as the bytes a panel or framebuffer takes, in
// display order (top row first), in one of the reader's pixel formats;
// or, when the output's name ends in ".h", as a C header holding those
// bytes in a const array, for firmware that sends a picture to a panel by
// DMA without converting it at run time. The format rgb565 is RGB565 as
// 16-bit numbers (red 0xF800), the form the panel libraries take
// (TFT_eSPI's pushImage, Adafruit_GFX's drawRGBBitmap): a uint16_t array
// in a header, low byte first as bytes. The lvgl formats write a C file
// that LVGL compiles as it is: an image descriptor (LVGL 9's
// lv_image_dsc_t, LVGL 8's lv_img_dsc_t) over the pixels; its output's name
// must end in ".c". The packed formats are for panels of a few colours
// (e-paper, monochrome OLEDs): each pixel as the panel's own number for it
// in the palette given with --palette, packed as the panel takes it.
//
//   usage: photo2raw [--palette NAME] <photo file> <output file> <format>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <kestrow/photo_file.h>

#include "palette.h"
#include "photo_tool.h"

namespace {

struct raw_format {
    const char *name;
    photo_format_t format;  // as bytes; rgb565's numbers are read as RGB565_BE
    const char *what;
    bool numbers = false;   // a header of uint16_t values rather than bytes
    int lvgl = 0;           // 9 or 8: an LVGL image descriptor of that version
    const char *lvgl_cf = nullptr;    // its colour format, as LVGL names it
    const char *lvgl_guard = nullptr; // LVGL 8: the configuration its pixels need
    int packing = -1;       // a photo_packing_t: the panel's numbers, packed
};

const raw_format formats[] = {
    {"rgb565", PHOTO_RGB565_LE, "RGB565 as 16-bit numbers, red 0xF800 (TFT_eSPI, Adafruit_GFX)", true},
    {"rgb565be", PHOTO_RGB565_BE, "RGB565, high byte first (SPI panels)"},
    {"rgb565le", PHOTO_RGB565_LE, "RGB565, low byte first"},
    {"rgb332", PHOTO_RGB332, "RGB332, one byte RRRGGGBB"},
    {"rgb888", PHOTO_RGB888, "RGB888, red, green, blue bytes"},
    {"xrgb8888", PHOTO_XRGB8888, "XRGB8888, blue, green, red, 0xFF bytes"},
    {"rgb222", PHOTO_RGB222, "RGB222, one byte 00RRGGBB, yellow 0x3C"},
    {"stored", PHOTO_AS_STORED, "the photo file's own values (6-bit, or 5:6:5 low byte first)"},
    // LVGL's colour formats in memory: RGB565 a native 16-bit number (low
    // byte first on the little-endian cores LVGL runs on), XRGB8888 blue,
    // green, red, 0xFF bytes.
    {"lvgl9-rgb565", PHOTO_RGB565_LE, "an LVGL 9 lv_image_dsc_t, RGB565", false, 9, "LV_COLOR_FORMAT_RGB565"},
    {"lvgl9-xrgb8888", PHOTO_XRGB8888, "an LVGL 9 lv_image_dsc_t, XRGB8888", false, 9, "LV_COLOR_FORMAT_XRGB8888"},
    // RGB565 high byte first, as SPI panels take it (LVGL 9.3 and later).
    {"lvgl9-rgb565-swapped", PHOTO_RGB565_BE, "an LVGL 9 lv_image_dsc_t, RGB565 high byte first", false, 9,
     "LV_COLOR_FORMAT_RGB565_SWAPPED"},
    {"lvgl8-rgb565", PHOTO_RGB565_LE, "an LVGL 8 lv_img_dsc_t, true colour at LV_COLOR_DEPTH 16", false, 8,
     "LV_IMG_CF_TRUE_COLOR", "LV_COLOR_DEPTH == 16 && !LV_COLOR_16_SWAP"},
    {"lvgl8-rgb565-swap", PHOTO_RGB565_BE, "an LVGL 8 lv_img_dsc_t, true colour at LV_COLOR_DEPTH 16 with "
     "LV_COLOR_16_SWAP", false, 8, "LV_IMG_CF_TRUE_COLOR", "LV_COLOR_DEPTH == 16 && LV_COLOR_16_SWAP"},
    {"lvgl8-xrgb8888", PHOTO_XRGB8888, "an LVGL 8 lv_img_dsc_t, true colour at LV_COLOR_DEPTH 32", false, 8,
     "LV_IMG_CF_TRUE_COLOR", "LV_COLOR_DEPTH == 32"},
    // Panels of a few colours: the panel's numbers from --palette's table.
    {"1bpp", PHOTO_AS_STORED, "a bit a pixel in rows, leftmost pixel in the top bit (mono: white 1)", false, 0,
     nullptr, nullptr, PHOTO_PACK_1BPP},
    {"ssd1306", PHOTO_AS_STORED, "pages of eight rows, a byte a column, top row in bit 0 (SSD1306, SH1106)", false,
     0, nullptr, nullptr, PHOTO_PACK_PAGES},
    {"2bpp", PHOTO_AS_STORED, "two bits a pixel in rows, leftmost pixel in the top bits", false, 0, nullptr, nullptr,
     PHOTO_PACK_2BPP},
    {"planes", PHOTO_AS_STORED, "two planes of a bit a pixel: 0 where black, then 1 where the colour is", false, 0,
     nullptr, nullptr, PHOTO_PACK_PLANES},
    {"4bpp", PHOTO_AS_STORED, "four bits a pixel, two a byte, leftmost pixel in the high nibble", false, 0, nullptr,
     nullptr, PHOTO_PACK_4BPP},
};

photo_palette_t palette;
bool use_palette = false;

const raw_format *find_format(const char *name)
{
    for (const raw_format &f : formats)
        if (strcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}

int check_format(const char *name)
{
    if (find_format(name) != nullptr)
        return 1;
    // The names as the table has them: "a, b, ... or z".
    fprintf(stderr, "%s is not a format: give ", name);
    const size_t count = sizeof formats / sizeof formats[0];
    for (size_t i = 0; i < count; i++)
        fprintf(stderr, "%s%s", formats[i].name, i + 2 < count ? ", " : i + 1 < count ? " or " : ".\n");
    return 0;
}

int write_or_report(FILE *out, const void *bytes, size_t n)
{
    if (n != 0 && fwrite(bytes, n, 1, out) != 1) {
        perror("write output file");
        return 0;
    }
    return 1;
}

// Hands each packed row (each page; plane 0's rows, then plane 1's), top
// first, to `emit`; returns 1, or 0 after a message.
template <typename Emit> int for_each_packed(const photo_file_t *photo, photo_packing_t packing, Emit emit)
{
    uint8_t row[PHOTO_MAX_SIDE];
    const size_t bytes = photo_packed_bytes(photo, packing);
    const unsigned planes = packing == PHOTO_PACK_PLANES ? 2 : 1, step = packing == PHOTO_PACK_PAGES ? 8 : 1;
    for (unsigned plane = 0; plane < planes; plane++)
        for (uint32_t y = 0; y < photo->height; y += step) {
            const int rc = photo_read_packed(photo, &palette, packing, y, plane, row);
            if (rc != 0) {
                fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
                return 0;
            }
            if (!emit(row, bytes))
                return 0;
        }
    return 1;
}

// The bytes the output holds, with `f`.
unsigned long output_bytes(const photo_file_t *photo, const raw_format &f)
{
    if (f.packing < 0)
        return static_cast<unsigned long>(photo->width) * photo->height * photo_format_bytes(f.format, photo->value_bytes);
    const auto packing = static_cast<photo_packing_t>(f.packing);
    const unsigned long rows = packing == PHOTO_PACK_PAGES ? (photo->height + 7) / 8 : photo->height;
    return rows * photo_packed_bytes(photo, packing) * (packing == PHOTO_PACK_PLANES ? 2 : 1);
}

// Hands each row, top first, to `emit`; returns 1, or 0 after a message.
// `format` is the reader's format (a header's numbers are read high byte
// first, to be written as numbers).
template <typename Emit>
int for_each_row(const photo_file_t *photo, const raw_format &f, photo_format_t format, Emit emit)
{
    if (f.packing >= 0)
        return for_each_packed(photo, static_cast<photo_packing_t>(f.packing), emit);
    uint8_t row[PHOTO_MAX_SIDE * 4];
    const size_t row_bytes = size_t{photo->width} * photo_format_bytes(format, photo->value_bytes);
    for (uint32_t y = 0; y < photo->height; y++) {
        const int rc = photo_read_rows(photo, y, 1, format, row);
        if (rc != 0) {
            fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
            return 0;
        }
        if (!emit(row, row_bytes))
            return 0;
    }
    return 1;
}

bool ends_with_h(const char *name)
{
    const size_t n = strlen(name);
    return n > 2 && strcmp(name + n - 2, ".h") == 0;
}

const char *base_name(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// The array's name: the output's file name without ".h" or ".c", as a C
// identifier (other characters as '_', "photo_" before a leading digit).
void identifier(const char *path, char *id, size_t size, bool upper)
{
    const char *base = base_name(path);
    size_t n = strlen(base), k = 0;
    if (n > 2 && base[n - 2] == '.' && (base[n - 1] == 'h' || base[n - 1] == 'c'))
        n -= 2;
    if (n == 0 || (base[0] >= '0' && base[0] <= '9'))
        for (const char *p = upper ? "PHOTO_" : "photo_"; *p != '\0'; p++)
            id[k++] = *p;
    for (size_t i = 0; i < n && k < size - 1; i++) {
        char c = base[i];
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        c = alnum ? c : '_';
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        id[k++] = c;
    }
    id[k] = '\0';
}

// A name as it may stand in a comment: no control characters, no '*'.
void comment_safe(const char *text, char *out, size_t size)
{
    size_t k = 0;
    for (const char *c = text; *c != '\0' && k < size - 1; c++)
        out[k++] = static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F || *c == '*' ? '?' : *c;
    out[k] = '\0';
}

int write_values(FILE *out, const photo_file_t *photo, const raw_format &f, unsigned long length);

int write_header(FILE *out, const photo_file_t *photo, char **argv, const raw_format &f)
{
    char id[256], ID[256], input[256], output[256], text[2048];
    identifier(argv[2], id, sizeof id, false);
    identifier(argv[2], ID, sizeof ID, true);
    comment_safe(base_name(argv[1]), input, sizeof input);
    comment_safe(base_name(argv[2]), output, sizeof output);
    // A header of numbers counts values, one a pixel; of bytes, bytes.
    const unsigned long length = f.numbers ? static_cast<unsigned long>(photo->width) * photo->height
                                           : output_bytes(photo, f);
    const char *type = f.numbers ? "uint16_t" : "uint8_t";
    int n = snprintf(text, sizeof text,
                     "/* %s: %s as photo2raw writes it, %u x %u pixels, top row first,\n"
                     " * format %s: %s. */\n"
                     "#ifndef PHOTO2RAW_%s_H\n"
                     "#define PHOTO2RAW_%s_H\n\n"
                     "#include <stdint.h>\n\n"
                     "#define %s_WIDTH %uu\n"
                     "#define %s_HEIGHT %uu\n"
                     "#define %s_LENGTH %luu /* %s */\n\n"
                     "/* Aligned to 4 bytes for DMA; in flash on an AVR (PROGMEM: read it\n"
                     " * with memcpy_P or pgm_read_byte). */\n"
                     "#if defined(__AVR__)\n"
                     "#include <avr/pgmspace.h>\n"
                     "#define %s_FLASH PROGMEM\n"
                     "#else\n"
                     "#define %s_FLASH\n"
                     "#endif\n"
                     "#if defined(__GNUC__) || defined(__clang__)\n"
                     "#define %s_ALIGNED __attribute__((aligned(4)))\n"
                     "#else\n"
                     "#define %s_ALIGNED\n"
                     "#endif\n\n"
                     "static const %s %s[%s_LENGTH] %s_ALIGNED %s_FLASH = {\n",
                     output, input, photo->width, photo->height, f.name, f.what, ID, ID, ID, photo->width, ID,
                     photo->height, ID, length, f.numbers ? "values" : "bytes", ID, ID, ID, ID, type, id, ID, ID,
                     ID);
    if (n < 0 || static_cast<size_t>(n) >= sizeof text || !write_or_report(out, text, static_cast<size_t>(n)) ||
        !write_values(out, photo, f, length))
        return 0;
    n = snprintf(text, sizeof text, "};\n\n#endif\n");
    return write_or_report(out, text, static_cast<size_t>(n));
}

// An LVGL image descriptor over the pixels, as a C file LVGL compiles.
int write_lvgl(FILE *out, const photo_file_t *photo, char **argv, const raw_format &f)
{
    char id[256], input[256], output[256], text[2048];
    identifier(argv[2], id, sizeof id, false);
    comment_safe(base_name(argv[1]), input, sizeof input);
    comment_safe(base_name(argv[2]), output, sizeof output);
    const unsigned stride = photo->width * photo_format_bytes(f.format, photo->value_bytes);
    const unsigned long length = static_cast<unsigned long>(stride) * photo->height;
    int n = snprintf(text, sizeof text,
                     "/* %s: %s as photo2raw writes it, %u x %u pixels, top row first,\n"
                     " * format %s: %s. */\n"
                     "#if defined(LV_LVGL_H_INCLUDE_SIMPLE)\n"
                     "#include \"lvgl.h\"\n"
                     "#else\n"
                     "#include \"lvgl/lvgl.h\"\n"
                     "#endif\n\n",
                     output, input, photo->width, photo->height, f.name, f.what);
    if (n > 0 && f.lvgl_guard != nullptr)
        n += snprintf(text + n, sizeof text - static_cast<size_t>(n),
                      "#if !(%s)\n#error \"%s needs %s in lv_conf.h\"\n#endif\n\n", f.lvgl_guard, output,
                      f.lvgl_guard);
    // LVGL 8 keeps the sides in 11 bits: a larger picture would wrap, so
    // the file refuses to compile instead.
    if (n > 0 && f.lvgl == 8 && (photo->width > 2047 || photo->height > 2047))
        n += snprintf(text + n, sizeof text - static_cast<size_t>(n),
                      "#error \"%s: %u x %u pixels, more than LVGL 8's 2047 a side\"\n\n", output, photo->width,
                      photo->height);
    if (n > 0 && static_cast<size_t>(n) < sizeof text)
        n += snprintf(text + n, sizeof text - static_cast<size_t>(n),
                      "#ifndef LV_ATTRIBUTE_MEM_ALIGN\n#define LV_ATTRIBUTE_MEM_ALIGN\n#endif\n\n"
                      "static const LV_ATTRIBUTE_MEM_ALIGN uint8_t %s_map[%luu] = {\n", id, length);
    if (n < 0 || static_cast<size_t>(n) >= sizeof text || !write_or_report(out, text, static_cast<size_t>(n)) ||
        !write_values(out, photo, f, length))
        return 0;
    if (f.lvgl == 9)
        n = snprintf(text, sizeof text,
                     "};\n\nconst lv_image_dsc_t %s = {\n"
                     "    .header = {.magic = LV_IMAGE_HEADER_MAGIC, .cf = %s, .flags = 0, .w = %u, .h = %u, "
                     ".stride = %u},\n"
                     "    .data_size = %luu,\n    .data = %s_map,\n};\n",
                     id, f.lvgl_cf, photo->width, photo->height, stride, length, id);
    else
        n = snprintf(text, sizeof text,
                     "};\n\nconst lv_img_dsc_t %s = {\n"
                     "    .header = {.cf = %s, .always_zero = 0, .reserved = 0, .w = %u, .h = %u},\n"
                     "    .data_size = %luu,\n    .data = %s_map,\n};\n",
                     id, f.lvgl_cf, photo->width, photo->height, length, id);
    return n > 0 && static_cast<size_t>(n) < sizeof text && write_or_report(out, text, static_cast<size_t>(n));
}

// The array's values: 12 bytes or 8 numbers a line; a number from its two
// bytes, high first.
int write_values(FILE *out, const photo_file_t *photo, const raw_format &f, unsigned long length)
{
    static constexpr char hex[] = "0123456789abcdef";
    const unsigned digits = f.numbers ? 4 : 2, per_line = f.numbers ? 8 : 12;
    unsigned long at = 0;
    return for_each_row(photo, f, f.numbers ? PHOTO_RGB565_BE : f.format, [&](const uint8_t *row, size_t bytes) {
        char line[PHOTO_MAX_SIDE * 4 * 6 + PHOTO_MAX_SIDE];
        size_t k = 0;
        for (size_t i = 0; i < bytes; i += digits / 2, at++) {
            if (at % per_line == 0) {
                line[k++] = ' ';
                line[k++] = ' ';
                line[k++] = ' ';
                line[k++] = ' ';
            }
            line[k++] = '0', line[k++] = 'x';
            for (unsigned b = 0; b < digits / 2; b++)
                line[k++] = hex[row[i + b] >> 4], line[k++] = hex[row[i + b] & 15];
            line[k++] = ',';
            line[k++] = at % per_line == per_line - 1 || at + 1 == length ? '\n' : ' ';
        }
        return write_or_report(out, line, k);
    });
}

int raw_write(FILE *out, const photo_file_t *photo, char **argv)
{
    const raw_format &f = *find_format(argv[3]);
    if (f.lvgl != 0)
        return write_lvgl(out, photo, argv, f);
    if (ends_with_h(argv[2]))
        return write_header(out, photo, argv, f);
    return for_each_row(photo, f, f.format,
                        [out](const uint8_t *row, size_t bytes) { return write_or_report(out, row, bytes); });
}

} // namespace

// A packed format needs a palette whose every number it can hold; the
// others take none.
int check_palette_for(const raw_format &f)
{
    if (f.packing < 0) {
        if (use_palette)
            fprintf(stderr, "%s takes no palette: --palette is for 1bpp, ssd1306, 2bpp, planes and 4bpp.\n", f.name);
        return !use_palette;
    }
    if (!use_palette) {
        fprintf(stderr, "%s needs --palette NAME: the palette the picture was dithered onto.\n", f.name);
        return 0;
    }
    const unsigned top = photo_packing_top(static_cast<photo_packing_t>(f.packing));
    for (unsigned i = 0; i < palette.count; i++)
        if (palette.entry[i].number > top) {
            fprintf(stderr, "%s has the number %u, and %s holds 0 to %u.\n", palette.name, palette.entry[i].number,
                    f.name, top);
            return 0;
        }
    return 1;
}

int check_format_and_palette(const char *name)
{
    return check_format(name) && check_palette_for(*find_format(name));
}

int check_palette(const photo_file_t *photo, const char *name) { return palette_check_photo(&palette, photo, name); }

int main(int argc, char **argv)
{
    if (!palette_option(&argc, &argv, &palette, &use_palette))
        return 2;
    if (use_palette)
        photo_tool_accept_only(check_palette);
    return photo_tool_main_with(argc, argv, "photo2raw", "output file", "format", check_format_and_palette, raw_write);
}
