/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Reads a two-pixel photo file (yellow, red) top row first as RGB888. */
#include <stdio.h>

#include <kestrow/photo_file.h>

int main(void)
{
    static const uint8_t file[] = {2, 0, 1, 0, 0x40, 0x30};
    uint8_t rgb[6];
    photo_file_t photo;
    int rc = photo_open_memory(&photo, file, sizeof file);
    if (rc == 0)
        rc = photo_read_rows(&photo, 0, 1, PHOTO_RGB888, rgb);
    if (rc != 0) {
        fprintf(stderr, "%s\n", photo_error_text(rc));
        return 1;
    }
    printf("%ux%u %02x%02x%02x %02x%02x%02x\n", (unsigned)photo.width, (unsigned)photo.height, rgb[0], rgb[1],
           rgb[2], rgb[3], rgb[4], rgb[5]);
    return 0;
}
