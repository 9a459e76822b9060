// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Panels of a few colours (e-paper, monochrome OLEDs): their palettes, by
// name or from a file a user wrote, and the dither onto them.
//
// A palette file has one entry a line: the entry's nominal colour (a colour
// of the 6-bit grid, each channel 00, 55, AA or FF), the colour the panel
// really shows for it (as measured), and the panel's own number for it
// (0 to 15), as in
//     FF0000 770C02 3   # red
// Colours are six hex digits; '#' starts a comment, to the end of the line.
#ifndef KESTROW_PALETTE_H
#define KESTROW_PALETTE_H

#include <cstddef>
#include <cstdint>

#include <kestrow/photo_file.h>

// The built-in palette `name`, or the palette file of that name. Returns 1,
// or 0 after one message. A file's palette is named by `name` itself.
int palette_load(const char *name, photo_palette_t *out);

// Takes a leading "--palette NAME" off the command line: on return argv
// and argc hold what follows it, with argv[0] kept. Returns 1 with
// `*palette` loaded (and `*given` set) or with nothing given, 0 after one
// message.
int palette_option(int *argc, char ***argv, photo_palette_t *palette, bool *given);

// Whether every value of `photo` is in `palette`; says which pixel is not
// (naming the file `name`). Returns 1, or 0 after one message.
int palette_check_photo(const photo_palette_t *palette, const photo_file_t *photo, const char *name);

// Dithers a BMP's pixel array in place onto `palette`: `height` rows
// `row_width` bytes apart, each holding `width` pixels as blue, green, red.
// Each pixel becomes the nominal colour of one entry. A colour no mixture
// of the entries can show is first taken to the mixture that looks nearest
// to it; the error is carried in linear light against what each entry
// looks like, and each pixel takes the nearest entry by luminance and the
// two opponent colour axes.
// Every host writes the same bytes (gamut_map.h says how).
void palette_dither(const photo_palette_t *palette, uint8_t *img, size_t row_width, uint32_t width,
                    uint32_t height);

#endif
