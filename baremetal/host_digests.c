/* The host's side of the bare-metal check: the same digests of the same
 * photo files, read by the host's build of the reader. */
#include <stdio.h>
#include <stdlib.h>

#include "reader_digests.h"

static void emit(const char *line) { fputs(line, stdout); }

/* The file at an odd address, as on the device. */
static int digest_file(const char *label, const char *path)
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
        rc = digest_photo(label, buf + 1, (uint32_t)size, emit) != 0;
    else
        perror(path);
    free(buf);
    fclose(f);
    return rc;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s <6-bit photo file> <16-bit photo file>\n", argv[0]);
        return 2;
    }
    return digest_file("photo6", argv[1]) || digest_file("photo16", argv[2]);
}
