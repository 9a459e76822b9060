// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// bmpdither / bmpdither16: dither a 24-bit BMP onto the colours the display
// shows (6-bit or 16-bit, chosen when building), in linear light. Every
// pixel of the BMP it writes is a display colour, so the converters keep it
// exactly, and photo2bmp shows it back byte for byte.
//
// bmpdither (6-bit) also dithers onto a panel's palette (e-paper, OLEDs):
// every pixel becomes the nominal colour of one entry, the error carried
// against what the panel really shows.
//
//   usage: bmpdither [--palette NAME] <BMP file name> <output file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bmp_input.h"
#include "bmp_output.h"
#include "cli_support.h"
#include "dither.h"
#include "palette.h"

#ifndef KESTROW_PROGRAM_NAME
#define KESTROW_PROGRAM_NAME "bmpdither"
#endif
#ifndef KESTROW_COLOR_BITS
#define KESTROW_COLOR_BITS 6
#endif

namespace {

// Dithers the pixel array in place and writes it out. Returns 1, or 0 after
// one message.
int write_dithered(FILE *out, const bmp_header_t *h, uint8_t *img, dither_t *d, const photo_palette_t *palette)
{
    if (palette != nullptr)
        palette_dither(palette, img, static_cast<size_t>(bmp_row_width(h)), h->img_width, h->img_height);
    else
        dither_image(d, img, static_cast<size_t>(bmp_row_width(h)), h->img_height);
    return bmp_output_header(out, h->img_width, h->img_height) &&
           bmp_output_rows(out, img, h->img_width, h->img_height);
}

} // namespace

int main(int argc, char **argv)
{
    photo_palette_t palette{};
    bool use_palette = false;
    if (KESTROW_COLOR_BITS == 6 && !palette_option(&argc, &argv, &palette, &use_palette))
        return 2;
    if (argc != 3) {
        fprintf(stderr, "usage: %s <BMP file name> <output file>\n",
                program_name(argc, argv, KESTROW_PROGRAM_NAME));
        return 2;
    }
    const char *in_name = argv[1];
    const char *out_name = argv[2];

    // Only read: unlike the converters, this needs no write access.
    FILE *in = fopen(in_name, "rb");
    if (in == nullptr) {
        perror("open BMP file");
        return 2;
    }
    if (same_file(in, out_name)) {
        fprintf(stderr, "%s and %s are the same file.\n", in_name, out_name);
        fclose(in);
        return 2;
    }
    // A directory opens for reading and then reads as nothing at all.
    if (is_directory(in)) {
        fprintf(stderr, "%s is not a BMP file: it is a directory.\n", in_name);
        fclose(in);
        return 2;
    }

    bmp_header_t bmp_header;
    if (!bmp_header_check(in_name, in, &bmp_header)) {
        fclose(in);
        return 2;
    }
    uint8_t *img_data = read_bmp_image_data(in, &bmp_header);
    fclose(in);
    if (img_data == nullptr)
        return 2;

    // In huge pages too: the rows of error, copies and tables it touches
    // would be hundreds of 4 KiB page faults, a millisecond and more.
    auto *d = static_cast<dither_t *>(large_buffer_alloc(sizeof(dither_t), 0));
    if (d == nullptr) {
        perror("allocate dither state");
        free(img_data);
        return 2;
    }
    dither_init(d, KESTROW_COLOR_BITS, bmp_header.img_width);

    // Opened only once the BMP is read and accepted: a refused input leaves
    // an existing output alone.
    FILE *out = fopen(out_name, "wb");
    if (out == nullptr) {
        perror("open output file");
        free(d);
        free(img_data);
        return 2;
    }

    int written = write_dithered(out, &bmp_header, img_data, d, use_palette ? &palette : nullptr);
    if (fclose(out) != 0) {
        perror("close output file");
        written = 0;
    }
    free(d);
    free(img_data);
    return written ? 0 : 3;
}
