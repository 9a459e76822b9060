/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The array kestrow_add_picture() made, against what the reader reads from
 * the photo file named on the command line: the same bytes, or status 1. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <kestrow/photo_file.h>

#include "splash.h"

int main(int argc, char **argv)
{
    static uint8_t file[4 + 2 * PHOTO_MAX_SIDE * 64], row[2 * PHOTO_MAX_SIDE];
    FILE *f = argc == 2 ? fopen(argv[1], "rb") : NULL;
    const size_t size = f != NULL ? fread(file, 1, sizeof file, f) : 0;
    photo_file_t photo;
    if (f == NULL || photo_open_memory(&photo, file, size) != 0 || photo.width != SPLASH_WIDTH ||
        photo.height != SPLASH_HEIGHT)
        return 1;
    for (uint32_t y = 0; y < photo.height; y++)
        if (photo_read_rows(&photo, y, 1, PHOTO_RGB565_BE, row) != 0 ||
            memcmp(row, splash + (size_t)y * photo.width * 2, (size_t)photo.width * 2) != 0)
            return 1;
    printf("%ux%u, the reader's bytes\n", (unsigned)photo.width, (unsigned)photo.height);
    fclose(f);
    return 0;
}
