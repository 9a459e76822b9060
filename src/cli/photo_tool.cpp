// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "photo_tool.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include <sys/stat.h>

#include "cli_support.h"
#include "stream_read.h"

namespace {

using photo_t = photo_tool_picture;

// The photo file reader's read function over a stream.
int stream_read_at(void *context, uint32_t offset, void *dst, uint32_t n)
{
    FILE *in = static_cast<FILE *>(context);
    return fseek(in, static_cast<long>(offset), SEEK_SET) == 0 && fread(dst, n, 1, in) == 1 ? 0 : -1;
}

// Says why the reader refused to open the file; `size` is its length.
void report_refusal(const char *name, const photo_file_t *p, int rc, long long size)
{
    // "BM" read as a width is 19778: a BMP given where a photo file belongs.
    if (rc == PHOTO_ERR_DIMENSIONS && p->width == ('B' | 'M' << 8))
        fprintf(stderr, "%s is not a photo file: it looks like a BMP file (run kestrow or kestrow16 on it first).\n",
                name);
    else if (rc == PHOTO_ERR_DIMENSIONS)
        fprintf(stderr, "%s is not a photo file: it is %u x %u pixels.\n", name, p->width, p->height);
    else if (rc == PHOTO_ERR_LENGTH)
        fprintf(stderr, "%s is not a photo file: %lld bytes of values fit neither 6-bit nor 16-bit colour at %u x %u.\n",
                name, size - 4, p->width, p->height);
    else
        fprintf(stderr, "%s is not a photo file: it is shorter than its 4-byte header.\n", name);
}

// Reads and checks the whole photo file. Returns 1, or 0 after one message.
int photo_read(const char *name, FILE *in, photo_t *photo)
{
    struct stat st {};
    if (fstat(fileno(in), &st) != 0) {
        perror("read photo file");
        return 0;
    }
    // The encoding is told from the size, so only a regular file has one.
    if (!S_ISREG(st.st_mode)) {
        fprintf(stderr, "%s is not a photo file: it is not a regular file.\n", name);
        return 0;
    }
    // The header and the size first, read through the stream, so that a
    // refused file is never loaded. No photo file is near 4 GiB long.
    const auto size = static_cast<uint32_t>(st.st_size > UINT32_MAX ? UINT32_MAX : st.st_size);
    int rc = photo_open_reader(&photo->file, stream_read_at, in, size);
    if (rc != 0) {
        report_refusal(name, &photo->file, rc, st.st_size);
        return 0;
    }

    photo->bytes = static_cast<uint8_t *>(malloc(size));
    if (photo->bytes == nullptr || fseek(in, 0, SEEK_SET) != 0 || !stream_read_whole(photo->bytes, size, in)) {
        perror("allocate and read photo file");
        free(photo->bytes);
        return 0;
    }
    rc = photo_open_memory(&photo->file, photo->bytes, size);
    uint32_t bad = 0;
    if (rc == 0)
        rc = photo_check_values(&photo->file, &bad);
    if (rc == PHOTO_ERR_VALUE)
        fprintf(stderr, "%s is not a photo file: byte %u holds %u, which no 6-bit colour is.\n", name, bad,
                photo->bytes[bad]);
    else if (rc != 0)
        report_refusal(name, &photo->file, rc, st.st_size);
    if (rc != 0) {
        free(photo->bytes);
        return 0;
    }
    return 1;
}

// "open BMP file" and the like.
void report_on_output(const char *action, const char *output)
{
    char what[64];
    snprintf(what, sizeof what, "%s %s", action, output);
    perror(what);
}

} // namespace

int photo_tool_main(int argc, char **argv, const char *own_name, const char *output, photo_tool_write_fn write)
{
    return photo_tool_main_with(argc, argv, own_name, output, nullptr, nullptr, write);
}

int photo_tool_load(const char *name, const char *out_name, photo_tool_picture *picture)
{
    *picture = {};
    FILE *in = fopen(name, "rb");
    if (in == nullptr) {
        perror("open photo file");
        return 0;
    }
    if (same_file(in, out_name)) {
        fprintf(stderr, "%s and %s are the same file.\n", name, out_name);
        fclose(in);
        return 0;
    }
    const int read_ok = photo_read(name, in, picture);
    fclose(in);
    if (!read_ok)
        *picture = {};
    return read_ok;
}

void photo_tool_release(photo_tool_picture *picture)
{
    free(picture->bytes);
    *picture = {};
}

int photo_tool_write_output(const char *out_name, const char *output, photo_tool_output_fn write, void *context)
{
    // Opened only once the inputs are known good: a refused input leaves
    // an existing output alone.
    FILE *out = fopen(out_name, "wb");
    if (out == nullptr) {
        report_on_output("open", output);
        return 2;
    }
    int written = write(out, context);
    if (fclose(out) != 0) {
        report_on_output("close", output);
        written = 0;
    }
    return written ? 0 : 3;
}

namespace {

photo_tool_accept_fn accept_also = nullptr;

struct one_picture {
    const photo_file_t *file;
    char **argv;
    photo_tool_write_fn write;
};

int write_one(FILE *out, void *context)
{
    const auto *one = static_cast<const one_picture *>(context);
    return one->write(out, one->file, one->argv);
}

} // namespace

void photo_tool_accept_only(photo_tool_accept_fn accept) { accept_also = accept; }

int photo_tool_main_with(int argc, char **argv, const char *own_name, const char *output, const char *extra,
                         photo_tool_check_fn check, photo_tool_write_fn write)
{
    if (argc != (extra == nullptr ? 3 : 4)) {
        if (extra == nullptr)
            fprintf(stderr, "usage: %s <photo file> <%s>\n", program_name(argc, argv, own_name), output);
        else
            fprintf(stderr, "usage: %s <photo file> <%s> <%s>\n", program_name(argc, argv, own_name), output,
                    extra);
        return 2;
    }
    if (check != nullptr && !check(argv[3]))
        return 2;
    photo_tool_picture picture;
    if (!photo_tool_load(argv[1], argv[2], &picture))
        return 2;
    if (accept_also != nullptr && !accept_also(&picture.file, argv[1])) {
        photo_tool_release(&picture);
        return 2;
    }
    one_picture one = {&picture.file, argv, write};
    const int status = photo_tool_write_output(argv[2], output, write_one, &one);
    photo_tool_release(&picture);
    return status;
}
