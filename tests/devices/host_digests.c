/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The host's side of the bare-metal checks: the same digests of the same
 * photo files, read by the host's build of the reader. With --flash-only,
 * the sample files only through photo_open_flash, as on an AVR, whose RAM
 * holds neither. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "reader_digests.h"

static void emit(const char *line) { fputs(line, stdout); }

enum source { FROM_BOTH, FROM_FLASH, AS_RAW_RGB565BE, AS_RAW_RGB565LE };

/* The file at an odd address, as on the devices. */
static int digest_file(const char *label, const char *path, enum source source)
{
    FILE *f = fopen(path, "rb");
    uint8_t *buf;
    long size;
    int rc = 1;
    if (f == NULL || fseek(f, 0, SEEK_END) != 0 || (size = ftell(f)) < 0 || fseek(f, 0, SEEK_SET) != 0) {
        perror(path);
        if (f != NULL)
            fclose(f);
        return 1;
    }
    buf = (uint8_t *)malloc((size_t)size + 1);
    if (buf != NULL && fread(buf + 1, 1, (size_t)size, f) == (size_t)size) {
        const uint8_t *file = buf + 1;
        const uint32_t n = (uint32_t)size;
        rc = (source == FROM_BOTH    ? digest_photo(label, file, n, emit)
              : source == FROM_FLASH ? digest_flash(label, file, n, emit)
              : source == AS_RAW_RGB565BE ? digest_rows(label, file, n, PHOTO_RGB565_BE, emit)
                                          : digest_rows(label, file, n, PHOTO_RGB565_LE, emit)) != 0;
    } else {
        perror(path);
    }
    free(buf);
    fclose(f);
    return rc;
}

int main(int argc, char **argv)
{
    const int flash_only = argc == 4 && strcmp(argv[1], "--flash-only") == 0;
    if (argc != 3 && !flash_only) {
        fprintf(stderr, "usage: %s [--flash-only] <6-bit photo file> <16-bit photo file>\n", argv[0]);
        return 2;
    }
    if (flash_only)
        return digest_file("photo6", argv[2], FROM_FLASH) || digest_file("photo16", argv[3], FROM_FLASH) ||
               digest_generated(emit) != 0 || fputs("done\n", stdout) == EOF;
    /* The 32-bit devices also hold the arrays photo2raw wrote of the 16-bit
     * file, of bytes and of 16-bit numbers (whose bytes, on these
     * little-endian cores, are RGB565 low byte first); their digests must
     * be the reader's. */
    return digest_file("photo6", argv[1], FROM_BOTH) || digest_file("photo16", argv[2], FROM_BOTH) ||
           digest_file("photo6", argv[1], FROM_FLASH) || digest_file("photo16", argv[2], FROM_FLASH) ||
           digest_generated(emit) != 0 || digest_file("photo2raw rgb565be", argv[2], AS_RAW_RGB565BE) ||
           digest_file("photo2raw rgb565", argv[2], AS_RAW_RGB565LE) || fputs("done\n", stdout) == EOF;
}
