// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// kestrow / kestrow16: convert an uncompressed 24-bit BMP into a photo file
// for the display (6-bit or 16-bit colour, chosen when building).
//
//   usage: kestrow <BMP file name> <output file>
//
// Exit status: 0 written, 2 bad arguments or input, 3 writing failed.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "bmp_input.h"
#include "photo_headers.h"
#include "photo_output.h"
#include "cli_support.h"

#ifndef KESTROW_PROGRAM_NAME
#define KESTROW_PROGRAM_NAME "kestrow"
#endif

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s <BMP file name> <output file>\n",
                program_name(argc, argv, KESTROW_PROGRAM_NAME));
        return 2;
    }
    const char *in_name = argv[1];
    const char *out_name = argv[2];

    // "r+b": the BMP must exist and be writable.
    FILE *in = fopen(in_name, "r+b");
    if (in == nullptr) {
        perror("open BMP file");
        return 2;
    }

    // Opening the output with "w+b" would empty the BMP before it is read.
    if (same_file(in, out_name)) {
        fprintf(stderr, "%s and %s are the same file.\n", in_name, out_name);
        fclose(in);
        return 2;
    }

    // Opened (so created or emptied) before the BMP is examined.
    FILE *out = fopen(out_name, "w+b");
    if (out == nullptr) {
        const int open_errno = errno;
        fclose(in);
        errno = open_errno;
        perror("open output file");
        return 2;
    }

    bmp_header_t bmp_header;
    if (!bmp_header_check(in_name, in, &bmp_header)) {
        fclose(in);
        fclose(out);
        return 2;
    }

    uint8_t *img_data = read_bmp_image_data(in, &bmp_header);
    if (img_data == nullptr) {
        fclose(in);
        fclose(out);
        return 2;
    }
    fclose(in);

    int written = write_output_file(out, &bmp_header, img_data);
    if (fclose(out) != 0) {
        perror("close output file");
        written = 0;
    }
    free(img_data);

    return written ? 0 : 3;
}
