/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
#include "reader_digests.h"

#include <kestrow/photo_file.h>

/* The widest picture the device's row buffer takes (two rows of it, four
 * bytes a pixel); a core with little RAM sets it to what it reads. */
#ifndef DIGEST_MAX_WIDTH
#define DIGEST_MAX_WIDTH 128u
#endif

typedef struct {
    const uint8_t *bytes;
    uint32_t size;
} memory_file_t;

/* The read-function source over bytes in memory, byte by byte. */
static int memory_read(void *context, uint32_t offset, void *dst, uint32_t n)
{
    const memory_file_t *f = (const memory_file_t *)context;
    uint8_t *d = (uint8_t *)dst;
    uint32_t i;
    if (offset > f->size || n > f->size - offset)
        return -1;
    for (i = 0; i < n; i++)
        d[i] = f->bytes[offset + i];
    return 0;
}

/* FNV-1a, 32 bits. */
static uint32_t fnv1a(uint32_t h, const uint8_t *p, uint32_t n)
{
    uint32_t i;
    for (i = 0; i < n; i++)
        h = (h ^ p[i]) * 16777619u;
    return h;
}

/* Appends s at *at; the caller's line has room for what it builds. */
static void put_text(char *line, uint32_t *at, const char *s)
{
    while (*s != '\0')
        line[(*at)++] = *s++;
    line[*at] = '\0';
}

static void put_hex(char *line, uint32_t *at, uint32_t v)
{
    static const char digits[] = "0123456789abcdef";
    int shift;
    for (shift = 28; shift >= 0; shift -= 4)
        line[(*at)++] = digits[v >> shift & 15u];
    line[*at] = '\0';
}

static void put_decimal(char *line, uint32_t *at, uint32_t v)
{
    char tmp[10];
    uint32_t n = 0;
    do {
        tmp[n++] = (char)('0' + v % 10u);
        v /= 10u;
    } while (v != 0);
    while (n > 0)
        line[(*at)++] = tmp[--n];
    line[*at] = '\0';
}

static const char *const format_names[] = {"as-stored", "rgb565le", "rgb565be", "rgb332",
                                           "rgb888",    "xrgb8888", "rgb222"};
#define FORMAT_COUNT (sizeof format_names / sizeof format_names[0])

/* Every row top first one at a time, then two rows at once, then a span
 * from the middle, each into a buffer at an odd address. */
static int digest_format(const photo_file_t *p, photo_format_t format, uint32_t *digest)
{
    /* One byte in front, so the output starts at an odd address. */
    uint8_t buffer[1 + 2 * DIGEST_MAX_WIDTH * 4];
    uint8_t *const out = buffer + 1;
    const uint32_t row_bytes = p->width * photo_format_bytes(format, p->value_bytes);
    uint32_t h = 2166136261u, y;
    int rc;
    for (y = 0; y < p->height; y++) {
        rc = photo_read_rows(p, y, 1, format, out);
        if (rc != 0)
            return rc;
        h = fnv1a(h, out, row_bytes);
    }
    if (p->height >= 2) {
        rc = photo_read_rows(p, p->height - 2, 2, format, out);
        if (rc != 0)
            return rc;
        h = fnv1a(h, out, 2 * row_bytes);
    }
    rc = photo_read_span(p, p->width / 3, p->height / 2, p->width / 3, format, out);
    if (rc != 0)
        return rc;
    h = fnv1a(h, out, row_bytes / p->width * (p->width / 3));
    *digest = h;
    return 0;
}

static void put_code(char *line, uint32_t *at, int rc)
{
    put_text(line, at, ": error -");
    put_decimal(line, at, (uint32_t)-rc);
    put_text(line, at, "\n");
}

/* One opened file (rc is what the open returned): its size and encoding,
 * then one digest a format. Errors are printed as codes, not as
 * photo_error_text, whose strings an AVR would have to keep in RAM. */
static int digest_open(const char *label, const char *source, const photo_file_t *p, int rc, digest_emit_fn emit)
{
    char line[48];
    uint32_t at = 0, f;
    put_text(line, &at, label);
    put_text(line, &at, " ");
    put_text(line, &at, source);
    if (rc == 0 && p->width > DIGEST_MAX_WIDTH)
        rc = PHOTO_ERR_RANGE;
    if (rc != 0) {
        put_code(line, &at, rc);
        emit(line);
        return rc;
    }
    put_text(line, &at, " ");
    put_decimal(line, &at, p->width);
    put_text(line, &at, "x");
    put_decimal(line, &at, p->height);
    put_text(line, &at, p->value_bytes == 1 ? " 6-bit\n" : " 16-bit\n");
    emit(line);
    for (f = 0; f < FORMAT_COUNT; f++) {
        uint32_t digest = 0;
        at = 0;
        put_text(line, &at, "  ");
        put_text(line, &at, format_names[f]);
        rc = digest_format(p, (photo_format_t)f, &digest);
        if (rc != 0) {
            put_code(line, &at, rc);
            emit(line);
            return rc;
        }
        put_text(line, &at, " ");
        put_hex(line, &at, digest);
        put_text(line, &at, "\n");
        emit(line);
    }
    return 0;
}

int digest_photo(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit)
{
    memory_file_t mem;
    photo_file_t p;
    int rc;
    mem.bytes = file;
    mem.size = size;
    rc = digest_open(label, "memory", &p, photo_open_memory(&p, file, (size_t)size), emit);
    if (rc == 0)
        rc = digest_open(label, "reader", &p, photo_open_reader(&p, memory_read, &mem, size), emit);
    return rc;
}

/* Then the same handle opened again without data: refused, and cleared,
 * so that it no longer reads the file it had (a read of it must fail). */
int digest_flash(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit)
{
    photo_file_t p;
    uint8_t pixel[4];
    char line[48];
    uint32_t at = 0;
    int rc = digest_open(label, "flash", &p, photo_open_flash(&p, file, (size_t)size), emit);
    if (rc != 0)
        return rc;
    put_text(line, &at, label);
    put_text(line, &at, " reopened without data");
    put_code(line, &at, photo_open_flash(&p, NULL, 0));
    emit(line);
    at = 0;
    put_text(line, &at, label);
    put_text(line, &at, " read after it");
    rc = photo_read_span(&p, 0, 0, 1, PHOTO_AS_STORED, pixel);
    if (rc == 0)
        put_text(line, &at, ": read\n");
    else
        put_code(line, &at, rc);
    emit(line);
    return 0;
}

/* xorshift32: the same numbers on every core. */
static uint32_t next_random(uint32_t *state)
{
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

/* Pictures of odd and edge sizes, of values an encoder writes (0x40 and
 * not 0x3C), made alike on every core and read from RAM. The 3 x 2 6-bit
 * file is the 10-byte one that a 16-bit int once refused. */
#define GENERATED_MAX_BYTES 260u
static const struct {
    uint8_t width, height, value_bytes;
} generated_sizes[] = {{1, 1, 1}, {1, 1, 2}, {3, 2, 1}, {3, 2, 2}, {13, 7, 1},
                       {13, 7, 2}, {1, 63, 2}, {95, 2, 1}, {61, 2, 2}};

int digest_generated(digest_emit_fn emit)
{
    static uint8_t file[GENERATED_MAX_BYTES];
    uint32_t state = 2463534242u, i, n;
    for (n = 0; n < sizeof generated_sizes / sizeof generated_sizes[0]; n++) {
        const uint32_t w = generated_sizes[n].width, h = generated_sizes[n].height;
        const uint32_t size = PHOTO_HEADER_BYTES + w * h * generated_sizes[n].value_bytes;
        char label[16];
        uint32_t at = 0;
        int rc;
        file[0] = (uint8_t)w;
        file[1] = 0;
        file[2] = (uint8_t)h;
        file[3] = 0;
        for (i = PHOTO_HEADER_BYTES; i < size; i++) {
            uint8_t v = (uint8_t)next_random(&state);
            if (generated_sizes[n].value_bytes == 1) {
                v &= 63u;
                if (v == 0x3C)
                    v = 0x40;
            }
            file[i] = v;
        }
        put_text(label, &at, "gen");
        put_decimal(label, &at, n);
        rc = digest_photo(label, file, size, emit);
        if (rc != 0)
            return rc;
    }
    return 0;
}

/* A line "label digest" over n bytes. */
static void emit_digest(const char *label, uint32_t digest, digest_emit_fn emit)
{
    char line[48];
    uint32_t at = 0;
    put_text(line, &at, label);
    put_text(line, &at, " ");
    put_hex(line, &at, digest);
    put_text(line, &at, "\n");
    emit(line);
}

void digest_bytes(const char *label, const uint8_t *bytes, uint32_t n, digest_emit_fn emit)
{
    emit_digest(label, fnv1a(2166136261u, bytes, n), emit);
}

int digest_rows(const char *label, const uint8_t *file, uint32_t size, photo_format_t format, digest_emit_fn emit)
{
    uint8_t row[DIGEST_MAX_WIDTH * 4];
    photo_file_t p;
    uint32_t h = 2166136261u, y;
    int rc = photo_open_memory(&p, file, (size_t)size);
    if (rc == 0 && p.width > DIGEST_MAX_WIDTH)
        rc = PHOTO_ERR_RANGE;
    for (y = 0; rc == 0 && y < p.height; y++) {
        rc = photo_read_rows(&p, y, 1, format, row);
        h = fnv1a(h, row, p.width * photo_format_bytes(format, p.value_bytes));
    }
    if (rc == 0)
        emit_digest(label, h, emit);
    return rc;
}
