// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// photo2bmp: shows what the display would show for a photo file, as a 24-bit
// BMP. The encoding is told from the file size: 4 + w x h bytes is 6-bit,
// 4 + 2 x w x h is 16-bit. With a palette, a panel of a few colours
// (e-paper, OLEDs): each pixel in the colour the panel really shows for its
// entry, so the preview looks like the panel; a value the palette lacks is
// refused with its place.
//
//   usage: photo2bmp [--palette NAME] <photo file> <BMP file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cstdint>
#include <cstdio>

#include <kestrow/photo_file.h>

#include "bmp_output.h"
#include "palette.h"
#include "photo_tool.h"

namespace {

photo_palette_t palette;
bool use_palette = false;

// Each pixel of display row y in its entry's appearance, as a BMP row
// (the values were checked against the palette before the output opened).
void palette_row(const photo_file_t *photo, uint32_t y, uint8_t *row)
{
    uint8_t values[PHOTO_MAX_SIDE];
    photo_read_rows(photo, y, 1, PHOTO_AS_STORED, values);
    for (uint32_t x = 0; x < photo->width; x++) {
        const photo_palette_entry_t *e = &palette.entry[0];
        for (unsigned i = 0; i < palette.count; i++)
            if (palette.entry[i].value == values[x])
                e = &palette.entry[i];
        row[3 * x] = e->blue, row[3 * x + 1] = e->green, row[3 * x + 2] = e->red;
    }
}

int check_palette(const photo_file_t *photo, const char *name) { return palette_check_photo(&palette, photo, name); }

// Writes the BMP a row at a time, bottom row first as BMPs store them.
// Returns 1, or 0 after one message.
int bmp_write(FILE *out, const photo_file_t *photo, char ** /* argv */)
{
    if (!bmp_output_header(out, photo->width, photo->height))
        return 0;
    uint8_t row[PHOTO_MAX_SIDE * 3];
    for (uint32_t y = photo->height; y-- > 0;) {
        if (use_palette) {
            palette_row(photo, y, row);
            if (!bmp_output_row(out, row, photo->width))
                return 0;
            continue;
        }
        const int rc = photo_read_rows(photo, y, 1, PHOTO_RGB888, row);
        if (rc != 0) {
            fprintf(stderr, "read photo file: %s\n", photo_error_text(rc));
            return 0;
        }
        for (uint32_t x = 0; x < photo->width; x++) {
            const uint8_t red = row[3 * x];
            row[3 * x] = row[3 * x + 2];
            row[3 * x + 2] = red;
        }
        if (!bmp_output_row(out, row, photo->width))
            return 0;
    }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (!palette_option(&argc, &argv, &palette, &use_palette))
        return 2;
    if (use_palette)
        photo_tool_accept_only(check_palette);
    return photo_tool_main(argc, argv, "photo2bmp", "BMP file", bmp_write);
}
