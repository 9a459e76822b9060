#include "reader_digests.h"

#include <kestrow/photo_file.h>

/* The widest picture the device's row buffer takes. */
#define DIGEST_MAX_WIDTH 128u

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

int digest_photo(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit)
{
    static const char *const source_names[] = {"memory", "reader"};
    memory_file_t mem;
    int source;
    mem.bytes = file;
    mem.size = size;
    for (source = 0; source < 2; source++) {
        photo_file_t p;
        char line[96];
        uint32_t at = 0, f;
        int rc = source == 0 ? photo_open_memory(&p, file, size) : photo_open_reader(&p, memory_read, &mem, size);
        put_text(line, &at, label);
        put_text(line, &at, " ");
        put_text(line, &at, source_names[source]);
        if (rc == 0 && p.width > DIGEST_MAX_WIDTH)
            rc = PHOTO_ERR_RANGE;
        if (rc != 0) {
            put_text(line, &at, ": ");
            put_text(line, &at, photo_error_text(rc));
            put_text(line, &at, "\n");
            emit(line);
            return rc;
        }
        put_text(line, &at, " ");
        put_decimal(line, &at, p.width);
        put_text(line, &at, "x");
        put_decimal(line, &at, p.height);
        put_text(line, &at, p.value_bytes == 1 ? " 6-bit\n" : " 16-bit\n");
        emit(line);
        for (f = 0; f < FORMAT_COUNT; f++) {
            uint32_t digest = 0;
            at = 0;
            put_text(line, &at, "  ");
            put_text(line, &at, format_names[f]);
            put_text(line, &at, " ");
            rc = digest_format(&p, (photo_format_t)f, &digest);
            if (rc != 0) {
                put_text(line, &at, photo_error_text(rc));
                put_text(line, &at, "\n");
                emit(line);
                return rc;
            }
            put_hex(line, &at, digest);
            put_text(line, &at, "\n");
            emit(line);
        }
    }
    return 0;
}
