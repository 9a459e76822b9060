// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "palette.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

const photo_palette_t builtins[] = {PHOTO_PALETTES};
constexpr size_t builtin_count = sizeof builtins / sizeof builtins[0];

void report_unknown(const char *name)
{
    fprintf(stderr, "%s is not a palette: give ", name);
    for (size_t i = 0; i < builtin_count; i++)
        fprintf(stderr, "%s%s", builtins[i].name, i + 1 < builtin_count ? ", " : " or a palette file.\n");
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Six hex digits at *p, then a space or the end; moves *p past them.
bool read_colour(const char **p, uint8_t rgb[3])
{
    const char *s = *p;
    for (int i = 0; i < 6; i++)
        if (hex_digit(s[i]) < 0)
            return false;
    if (s[6] != '\0' && s[6] != ' ' && s[6] != '\t')
        return false;
    for (int i = 0; i < 3; i++)
        rgb[i] = static_cast<uint8_t>(hex_digit(s[2 * i]) << 4 | hex_digit(s[2 * i + 1]));
    *p = s + 6;
    return true;
}

// A decimal number of at most three digits, then a space or the end.
bool read_number(const char **p, unsigned *n)
{
    const char *s = *p;
    unsigned v = 0, digits = 0;
    for (; *s >= '0' && *s <= '9' && digits < 4; s++, digits++)
        v = v * 10 + static_cast<unsigned>(*s - '0');
    if (digits == 0 || digits > 3 || (*s != '\0' && *s != ' ' && *s != '\t'))
        return false;
    *n = v;
    *p = s;
    return true;
}

void skip_blanks(const char **p)
{
    while (**p == ' ' || **p == '\t')
        ++*p;
}

// The 6-bit value of a grid colour (yellow as the file holds it, 0x40), or
// -1 for a colour off the grid.
int grid_value(const uint8_t rgb[3])
{
    unsigned v = 0;
    for (int i = 0; i < 3; i++) {
        if (rgb[i] % 0x55 != 0)
            return -1;
        v = v << 2 | rgb[i] / 0x55u;
    }
    return v == 0x3C ? 0x40 : static_cast<int>(v);
}

// One line of a palette file into the next entry. Returns 1 (with `*used`
// saying whether the line held an entry), or 0 after one message.
int parse_line(const char *file, unsigned line_number, char *line, photo_palette_t *out, unsigned lines[],
               bool *used)
{
    char *hash = strchr(line, '#');
    if (hash != nullptr)
        *hash = '\0';
    line[strcspn(line, "\r\n")] = '\0';
    const char *p = line;
    skip_blanks(&p);
    *used = *p != '\0';
    if (!*used)
        return 1;
    uint8_t nominal[3], shown[3];
    unsigned number = 0;
    bool ok = read_colour(&p, nominal);
    skip_blanks(&p);
    ok = ok && read_colour(&p, shown);
    skip_blanks(&p);
    ok = ok && read_number(&p, &number);
    skip_blanks(&p);
    if (!ok || *p != '\0') {
        fprintf(stderr,
                "%s:%u: not a palette entry: give the colour, the colour the panel shows and the panel's "
                "number, as in FF0000 770C02 3.\n",
                file, line_number);
        return 0;
    }
    const int value = grid_value(nominal);
    if (value < 0) {
        fprintf(stderr, "%s:%u: %02X%02X%02X is not a 6-bit colour: each channel must be 00, 55, AA or FF.\n", file,
                line_number, nominal[0], nominal[1], nominal[2]);
        return 0;
    }
    if (number > 15) {
        fprintf(stderr, "%s:%u: %u is not a panel's number: give 0 to 15.\n", file, line_number, number);
        return 0;
    }
    for (unsigned i = 0; i < out->count; i++)
        if (out->entry[i].value == value) {
            fprintf(stderr, "%s:%u: %02X%02X%02X is already the colour of line %u.\n", file, line_number,
                    nominal[0], nominal[1], nominal[2], lines[i]);
            return 0;
        }
    if (out->count == PHOTO_PALETTE_MAX) {
        fprintf(stderr, "%s:%u: more than %u entries.\n", file, line_number, PHOTO_PALETTE_MAX);
        return 0;
    }
    lines[out->count] = line_number;
    out->entry[out->count++] = {static_cast<uint8_t>(value), static_cast<uint8_t>(number), shown[0], shown[1],
                                shown[2]};
    return 1;
}

int load_file(const char *name, FILE *in, photo_palette_t *out)
{
    *out = photo_palette_t{};
    out->name = name;
    unsigned lines[PHOTO_PALETTE_MAX] = {};
    char line[256];
    unsigned line_number = 0;
    while (fgets(line, sizeof line, in) != nullptr) {
        line_number++;
        // A line too long for the buffer is no entry.
        if (strchr(line, '\n') == nullptr && !feof(in)) {
            fprintf(stderr, "%s:%u: not a palette entry: the line is too long.\n", name, line_number);
            return 0;
        }
        bool used = false;
        if (!parse_line(name, line_number, line, out, lines, &used))
            return 0;
    }
    if (ferror(in)) {
        perror("read palette file");
        return 0;
    }
    if (out->count < 2) {
        fprintf(stderr, "%s: a palette needs at least two entries.\n", name);
        return 0;
    }
    return 1;
}

} // namespace

int palette_load(const char *name, photo_palette_t *out)
{
    for (const photo_palette_t &p : builtins)
        if (strcmp(p.name, name) == 0) {
            *out = p;
            return 1;
        }
    FILE *in = fopen(name, "r");
    if (in == nullptr) {
        if (errno == ENOENT && strchr(name, '/') == nullptr)
            report_unknown(name);
        else
            perror("open palette file");
        return 0;
    }
    const int ok = load_file(name, in, out);
    fclose(in);
    return ok;
}

int palette_option(int *argc, char ***argv, photo_palette_t *palette, bool *given)
{
    *given = false;
    if (*argc < 2 || strcmp((*argv)[1], "--palette") != 0)
        return 1;
    if (*argc < 3) {
        fprintf(stderr, "--palette needs a palette's name.\n");
        return 0;
    }
    if (!palette_load((*argv)[2], palette))
        return 0;
    *given = true;
    // The program's name stays first.
    (*argv)[2] = (*argv)[0];
    *argv += 2;
    *argc -= 2;
    return 1;
}

int palette_check_photo(const photo_palette_t *palette, const photo_file_t *photo, const char *name)
{
    if (photo->value_bytes != 1) {
        fprintf(stderr, "%s is 16-bit: a picture for %s is a 6-bit one (bmpdither --palette %s, then kestrow).\n",
                name, palette->name, palette->name);
        return 0;
    }
    uint8_t values[PHOTO_MAX_SIDE];
    for (uint32_t y = 0; y < photo->height; y++) {
        const int rc = photo_read_rows(photo, y, 1, PHOTO_AS_STORED, values);
        if (rc != 0) {
            fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
            return 0;
        }
        for (uint32_t x = 0; x < photo->width; x++)
            if (photo_palette_number(palette, values[x]) < 0) {
                fprintf(stderr, "%s: the pixel at %u, %u (from the top left) is 0x%02X, which %s does not have.\n",
                        name, x, y, values[x], palette->name);
                return 0;
            }
    }
    return 1;
}
