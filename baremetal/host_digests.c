/* The host's side of the bare-metal checks: the same digests of the same
 * photo files, read by the host's build of the reader. With --flash-only,
 * the sample files only through photo_open_flash, as on an AVR, whose RAM
 * holds neither. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "reader_digests.h"

static void emit(const char *line) { fputs(line, stdout); }

/* The file at an odd address, as on the devices. */
static int digest_file(const char *label, const char *path, int flash_only)
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
    if (buf != NULL && fread(buf + 1, 1, (size_t)size, f) == (size_t)size)
        rc = (flash_only ? digest_flash(label, buf + 1, (uint32_t)size, emit)
                         : digest_photo(label, buf + 1, (uint32_t)size, emit)) != 0;
    else
        perror(path);
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
        return digest_file("photo6", argv[2], 1) || digest_file("photo16", argv[3], 1) || digest_generated(emit) != 0 ||
               fputs("done\n", stdout) == EOF;
    return digest_file("photo6", argv[1], 0) || digest_file("photo16", argv[2], 0) ||
           digest_file("photo6", argv[1], 1) || digest_file("photo16", argv[2], 1) || digest_generated(emit) != 0 ||
           fputs("done\n", stdout) == EOF;
}
