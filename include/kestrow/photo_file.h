/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* photo_file.h: reads kestrow photo files, for firmware and for Linux.
 *
 * A photo file is a 4-byte header, width then height (16 bits each, low
 * byte first, 1 to 4096), and one colour value a pixel, rows stored bottom
 * row first, pixels left to right. The value is one byte of 6-bit colour
 * (00RRGGBB; pure yellow is written 0x40, not 0x3C) or two bytes of 16-bit
 * 5:6:5 colour, low byte first. The file does not say which: it is told
 * from the size, 4 + w*h bytes for 6-bit and 4 + 2*w*h for 16-bit.
 *
 * This reader hands out rows in display order, row 0 being the top row as
 * the picture is shown, converted to what a panel or framebuffer takes.
 * The colours are exactly those photo2bmp shows: a 2-bit channel widens to
 * 0, 85, 170, 255, a 5- or 6-bit one repeats its top bits below itself,
 * and narrower formats take the top bits of those 8-bit channels.
 *
 * Using it: every function is static inline, so include the header
 * wherever it is used; there is nothing to define and nothing to link.
 * (PHOTO_FILE_IMPLEMENTATION, the convention of other single-header
 * libraries, is accepted and changes nothing.) It is C99 and C++.
 *
 *     photo_file_t photo;
 *     uint8_t row[320 * 2];
 *     int rc = photo_open_memory(&photo, picture, sizeof picture);
 *     for (uint32_t y = 0; rc == 0 && y < photo.height; y++) {
 *         rc = photo_read_rows(&photo, y, 1, PHOTO_RGB565_BE, row);
 *         if (rc == 0)
 *             panel_write(row, photo.width * 2);
 *     }
 *     if (rc != 0)
 *         show_error(photo_error_text(rc));
 *
 * Two sources: the whole file in memory (flash, XIP, an `xxd -i` array;
 * on an AVR's flash, see photo_open_flash), or a function that reads n bytes at an offset (FatFs, an SD card, a
 * descriptor); the second is read through a PHOTO_FILE_CHUNK_BYTES buffer
 * on the stack (64 unless defined before the include; even, at least 2).
 *
 * What it does not do: allocate, use stdio or floating point, keep state
 * of its own, or divide. The file's bytes and the caller's buffer are only
 * reached through byte pointers (and memcpy of 2 or 4 bytes, which a
 * compiler makes byte accesses on cores that need them), never through a
 * wider pointer, so both may sit at any address, also on cores that fault
 * on unaligned loads. An open photo_file_t is only read, so several tasks
 * may read one at once.
 *
 * Every function returns 0 on success or a negative PHOTO_ERR_ code.
 * A read that fails may have written part of dst.
 */
#ifndef KESTROW_PHOTO_FILE_H
#define KESTROW_PHOTO_FILE_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#ifdef __cplusplus
#if defined(__GNUC__) || defined(__clang__) || defined(_MSC_VER)
#define PHOTO_FILE_RESTRICT __restrict
#else
#define PHOTO_FILE_RESTRICT
#endif
#else
#define PHOTO_FILE_RESTRICT restrict
#endif

#ifndef PHOTO_FILE_CHUNK_BYTES
#define PHOTO_FILE_CHUNK_BYTES 64
#endif
#if PHOTO_FILE_CHUNK_BYTES < 2 || PHOTO_FILE_CHUNK_BYTES % 2 != 0
#error "PHOTO_FILE_CHUNK_BYTES must be even and at least 2"
#endif

/* Written for an int of 16 bits as well as 32 (AVR, MSP430): every
 * product that can pass 65535 is taken in uint32_t, and no shift moves a
 * bit into or past the sign of an int. */
#define PHOTO_MAX_SIDE 4096u
#define PHOTO_HEADER_BYTES 4u
/* The longest file either encoding allows: 4 + 2 * 4096 * 4096. */
#define PHOTO_MAX_FILE_BYTES ((uint32_t)PHOTO_HEADER_BYTES + (uint32_t)2 * PHOTO_MAX_SIDE * PHOTO_MAX_SIDE)

#ifdef __cplusplus
extern "C" {
#endif

/* Reads n bytes at offset into dst; returns 0 when all n were read. */
typedef int (*photo_read_fn)(void *context, uint32_t offset, void *dst, uint32_t n);

/* What a read delivers, each pixel packed after the one before. */
typedef enum photo_format {
    PHOTO_AS_STORED,  /* the file's own bytes: 1 (6-bit) or 2 (5:6:5, low first) */
    PHOTO_RGB565_LE,  /* RRRRRGGG GGGBBBBB, low byte first */
    PHOTO_RGB565_BE,  /* the same, high byte first, as SPI panels take it */
    PHOTO_RGB332,     /* RRRGGGBB, one byte */
    PHOTO_RGB888,     /* red, green, blue bytes */
    PHOTO_XRGB8888,   /* 0xFFRRGGBB low byte first: blue, green, red, 0xFF */
    PHOTO_RGB222      /* 00RRGGBB as an RGB222 board's pins take it: yellow is 0x3C */
} photo_format_t;

enum photo_error {
    PHOTO_ERR_ARGUMENT = -1,   /* a null pointer, or a file that is not open */
    PHOTO_ERR_FORMAT = -2,     /* not a photo_format_t */
    PHOTO_ERR_SHORT = -3,      /* shorter than the header */
    PHOTO_ERR_DIMENSIONS = -4, /* width or height 0 or above 4096 */
    PHOTO_ERR_LENGTH = -5,     /* size fits neither encoding */
    PHOTO_ERR_RANGE = -6,      /* rows or span outside the picture */
    PHOTO_ERR_READ = -7,       /* the read function failed */
    PHOTO_ERR_VALUE = -8       /* a 6-bit value no encoder writes */
};

/* An open photo file. Set by photo_open_*; the fields after value_bytes
 * belong to the reader. After a failed open value_bytes is 0 and every
 * read refuses the file; width and height still hold the header's values
 * once it was read, for a message. */
typedef struct photo_file {
    uint32_t width;        /* pixels, 1 to 4096 */
    uint32_t height;       /* pixels, 1 to 4096 */
    uint32_t value_bytes;  /* 1: 6-bit colour, 2: 16-bit 5:6:5 */
    const uint8_t *data;   /* the whole file, or null for a read function */
    photo_read_fn read;
    void *context;
} photo_file_t;

typedef struct photo_rgb {
    uint8_t red, green, blue;
} photo_rgb_t;

/* ---- One value ---------------------------------------------------------- */

/* 6-bit values an encoder writes: 0 to 63 except 0x3C, and 0x40. */
static inline int photo_value6_valid(uint8_t v)
{
    return (v < 0x40 && v != 0x3C) || v == 0x40;
}

/* Channels widened to 8 bits: 2 bits times 85; 5 and 6 bits repeat their
 * top bits below them (31 -> 255). */
static inline uint8_t photo_widen2(unsigned v) { return (uint8_t)(v * 85u); }
static inline uint8_t photo_widen5(unsigned v) { return (uint8_t)(v << 3 | v >> 2); }
static inline uint8_t photo_widen6(unsigned v) { return (uint8_t)(v << 2 | v >> 4); }

/* 0x40 is the display's code for pure yellow, 00RRGGBB = 0x3C. */
static inline photo_rgb_t photo_value6_rgb(uint8_t v)
{
    const unsigned c = v == 0x40 ? 0x3Cu : v;
    photo_rgb_t rgb;
    rgb.red = photo_widen2(c >> 4 & 3u);
    rgb.green = photo_widen2(c >> 2 & 3u);
    rgb.blue = photo_widen2(c & 3u);
    return rgb;
}

static inline photo_rgb_t photo_value16_rgb(uint16_t v)
{
    photo_rgb_t rgb;
    rgb.red = photo_widen5(v >> 11);
    rgb.green = photo_widen6(v >> 5 & 63u);
    rgb.blue = photo_widen5(v & 31u);
    return rgb;
}

/* Bytes one pixel takes in `format` for a file of `value_bytes` values;
 * 0 for a format that is not one. */
static inline uint32_t photo_format_bytes(photo_format_t format, uint32_t value_bytes)
{
    switch (format) {
    case PHOTO_AS_STORED: return value_bytes;
    case PHOTO_RGB565_LE:
    case PHOTO_RGB565_BE: return 2;
    case PHOTO_RGB332:
    case PHOTO_RGB222: return 1;
    case PHOTO_RGB888: return 3;
    case PHOTO_XRGB8888: return 4;
    }
    return 0;
}

/* ---- Runs of pixels ----------------------------------------------------- */
/* Each converts n values at src into dst; neither is assumed aligned. */

static inline void photo_put_pixel(photo_rgb_t c, photo_format_t format, uint8_t *PHOTO_FILE_RESTRICT d)
{
    unsigned v;
    switch (format) {
    case PHOTO_RGB565_LE:
    case PHOTO_RGB565_BE:
        v = (unsigned)(c.red >> 3) << 11 | (unsigned)(c.green >> 2) << 5 | (unsigned)(c.blue >> 3);
        d[format == PHOTO_RGB565_LE ? 0 : 1] = (uint8_t)v;
        d[format == PHOTO_RGB565_LE ? 1 : 0] = (uint8_t)(v >> 8);
        break;
    case PHOTO_RGB332:
        d[0] = (uint8_t)((c.red & 0xE0u) | (c.green & 0xE0u) >> 3 | c.blue >> 6);
        break;
    case PHOTO_RGB222:
        d[0] = (uint8_t)((c.red & 0xC0u) >> 2 | (c.green & 0xC0u) >> 4 | c.blue >> 6);
        break;
    case PHOTO_RGB888:
        d[0] = c.red, d[1] = c.green, d[2] = c.blue;
        break;
    case PHOTO_XRGB8888:
        d[0] = c.blue, d[1] = c.green, d[2] = c.red, d[3] = 0xFF;
        break;
    case PHOTO_AS_STORED:
        break;
    }
}

/* Tables of what a 6-bit value gives, 0 to 0x40, so that a core pays a
 * load a pixel rather than a widening. An entry also tells whether the
 * value is one an encoder writes: bit 16 of an RGB565 entry, the top byte
 * of an XRGB8888 one, are clear only for 0x3C, which stands for every
 * value no encoder writes. On an AVR they stay in flash, as plain const
 * data would be copied into its RAM. */
#if defined(__AVR__)
#include <avr/pgmspace.h>
#define PHOTO_TABLE PROGMEM
#define PHOTO_TABLE_ENTRY(table, i) pgm_read_dword(&(table)[i])
#else
#define PHOTO_TABLE
#define PHOTO_TABLE_ENTRY(table, i) ((table)[i])
#endif

static inline unsigned photo_entry6_index(unsigned v) { return v <= 0x40 ? v : 0x3Cu; }

#define PHOTO_RGB565_VALID 0x10000u
static inline uint32_t photo_rgb565_entry6(unsigned v)
{
    static const uint32_t table[65] PHOTO_TABLE = {
        0x10000u, 0x1000Au, 0x10015u, 0x1001Fu, 0x102A0u, 0x102AAu, 0x102B5u, 0x102BFu,
        0x10540u, 0x1054Au, 0x10555u, 0x1055Fu, 0x107E0u, 0x107EAu, 0x107F5u, 0x107FFu,
        0x15000u, 0x1500Au, 0x15015u, 0x1501Fu, 0x152A0u, 0x152AAu, 0x152B5u, 0x152BFu,
        0x15540u, 0x1554Au, 0x15555u, 0x1555Fu, 0x157E0u, 0x157EAu, 0x157F5u, 0x157FFu,
        0x1A800u, 0x1A80Au, 0x1A815u, 0x1A81Fu, 0x1AAA0u, 0x1AAAAu, 0x1AAB5u, 0x1AABFu,
        0x1AD40u, 0x1AD4Au, 0x1AD55u, 0x1AD5Fu, 0x1AFE0u, 0x1AFEAu, 0x1AFF5u, 0x1AFFFu,
        0x1F800u, 0x1F80Au, 0x1F815u, 0x1F81Fu, 0x1FAA0u, 0x1FAAAu, 0x1FAB5u, 0x1FABFu,
        0x1FD40u, 0x1FD4Au, 0x1FD55u, 0x1FD5Fu, 0x0FFE0u, 0x1FFEAu, 0x1FFF5u, 0x1FFFFu,
        0x1FFE0u,
    };
    return PHOTO_TABLE_ENTRY(table, photo_entry6_index(v));
}

#define PHOTO_XRGB8888_VALID 0xFF000000u
static inline uint32_t photo_xrgb8888_entry6(unsigned v)
{
    static const uint32_t table[65] PHOTO_TABLE = {
        0xFF000000u, 0xFF000055u, 0xFF0000AAu, 0xFF0000FFu, 0xFF005500u, 0xFF005555u,
        0xFF0055AAu, 0xFF0055FFu, 0xFF00AA00u, 0xFF00AA55u, 0xFF00AAAAu, 0xFF00AAFFu,
        0xFF00FF00u, 0xFF00FF55u, 0xFF00FFAAu, 0xFF00FFFFu, 0xFF550000u, 0xFF550055u,
        0xFF5500AAu, 0xFF5500FFu, 0xFF555500u, 0xFF555555u, 0xFF5555AAu, 0xFF5555FFu,
        0xFF55AA00u, 0xFF55AA55u, 0xFF55AAAAu, 0xFF55AAFFu, 0xFF55FF00u, 0xFF55FF55u,
        0xFF55FFAAu, 0xFF55FFFFu, 0xFFAA0000u, 0xFFAA0055u, 0xFFAA00AAu, 0xFFAA00FFu,
        0xFFAA5500u, 0xFFAA5555u, 0xFFAA55AAu, 0xFFAA55FFu, 0xFFAAAA00u, 0xFFAAAA55u,
        0xFFAAAAAAu, 0xFFAAAAFFu, 0xFFAAFF00u, 0xFFAAFF55u, 0xFFAAFFAAu, 0xFFAAFFFFu,
        0xFFFF0000u, 0xFFFF0055u, 0xFFFF00AAu, 0xFFFF00FFu, 0xFFFF5500u, 0xFFFF5555u,
        0xFFFF55AAu, 0xFFFF55FFu, 0xFFFFAA00u, 0xFFFFAA55u, 0xFFFFAAAAu, 0xFFFFAAFFu,
        0x00FFFF00u, 0xFFFFFF55u, 0xFFFFFFAAu, 0xFFFFFFFFu, 0xFFFFFF00u,
    };
    return PHOTO_TABLE_ENTRY(table, photo_entry6_index(v));
}

/* Nonzero when v is a value no encoder writes: above 0x40, or 0x3C. */
static inline unsigned photo_value6_bad(unsigned v) { return (unsigned)(v > 0x40) | (unsigned)(v == 0x3C); }

/* The formats a panel is fed each have a loop of their own, the value's
 * check folded in, so that a core pays a few instructions a pixel and a
 * compiler can vectorise; what the loops write when a value is bad does
 * not matter, as the read fails. */
static inline int photo_run6(const uint8_t *PHOTO_FILE_RESTRICT s, uint32_t n, photo_format_t format,
                             uint8_t *PHOTO_FILE_RESTRICT d)
{
    uint32_t i;
    unsigned bad = 0;
    switch (format) {
    case PHOTO_AS_STORED:
        for (i = 0; i < n; i++) {
            bad |= photo_value6_bad(s[i]);
            d[i] = s[i];
        }
        break;
    case PHOTO_RGB565_LE:
    case PHOTO_RGB565_BE: {
        const uint32_t high = format == PHOTO_RGB565_BE ? 0 : 1;
        uint32_t all = PHOTO_RGB565_VALID;
        for (i = 0; i < n; i++) {
            const uint32_t e = photo_rgb565_entry6(s[i]);
            all &= e;
            d[2 * i + high] = (uint8_t)(e >> 8);
            d[2 * i + (high ^ 1u)] = (uint8_t)e;
        }
        bad = all == 0;
        break;
    }
    case PHOTO_XRGB8888: {
        uint32_t all = PHOTO_XRGB8888_VALID;
        for (i = 0; i < n; i++) {
            const uint32_t e = photo_xrgb8888_entry6(s[i]);
            all &= e;
            d[4 * i] = (uint8_t)e;
            d[4 * i + 1] = (uint8_t)(e >> 8);
            d[4 * i + 2] = (uint8_t)(e >> 16);
            d[4 * i + 3] = 0xFF;
        }
        bad = all == 0;
        break;
    }
    case PHOTO_RGB332:
    case PHOTO_RGB888:
    case PHOTO_RGB222: {
        const uint32_t step = photo_format_bytes(format, 1);
        for (i = 0; i < n; i++, d += step) {
            bad |= photo_value6_bad(s[i]);
            photo_put_pixel(photo_value6_rgb(s[i]), format, d);
        }
        break;
    }
    }
    return bad ? PHOTO_ERR_VALUE : 0;
}

/* Moves of one 16- or 32-bit little-endian value at any address. memcpy of
 * a fixed size is what compilers turn into byte accesses on cores that need
 * them and into one load or store where unaligned access is allowed; the
 * byte order test folds to a constant. Where an unaligned word costs one
 * access, a pixel built as a word is fastest (and vectorises); on the
 * others (Cortex-M0, RISC-V microcontrollers, AVR) those byte accesses
 * and the word's masks cost more than building each byte on its own. */
#ifndef PHOTO_FILE_WIDE_MOVES
#if defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__ARM_FEATURE_UNALIGNED) || \
    defined(__s390x__) || defined(__powerpc64__)
#define PHOTO_FILE_WIDE_MOVES 1
#else
#define PHOTO_FILE_WIDE_MOVES 0
#endif
#endif

static inline int photo_host_little_endian(void)
{
    const uint16_t one = 1;
    uint8_t first;
    memcpy(&first, &one, 1);
    return first == 1;
}

static inline uint32_t photo_load16le(const uint8_t *p)
{
    uint16_t v;
    memcpy(&v, p, 2);
    return photo_host_little_endian() ? v : (uint32_t)(v >> 8 | (v & 0xFFu) << 8);
}

static inline void photo_store32le(uint8_t *p, uint32_t v)
{
    if (!photo_host_little_endian())
        v = v >> 24 | (v >> 8 & 0xFF00u) | (v & 0xFF00u) << 8 | v << 24;
    memcpy(p, &v, 4);
}

/* The formats a panel is fed from a 16-bit file, each a loop of its own so
 * that a compiler can vectorise it. */
static inline int photo_run16(const uint8_t *PHOTO_FILE_RESTRICT s, uint32_t n, photo_format_t format,
                              uint8_t *PHOTO_FILE_RESTRICT d)
{
    size_t i; /* not uint32_t: 4 * i must not wrap, or loops do not vectorise */
    switch (format) {
    case PHOTO_AS_STORED:
    case PHOTO_RGB565_LE:
        for (i = 0; i < 2 * n; i++)
            d[i] = s[i];
        return 0;
    case PHOTO_RGB565_BE:
#if defined(__AVR__)
        /* Walked by pointer: an 8-bit core has no indexed addressing. */
        for (const uint8_t *end = s + 2 * (size_t)n; s != end; s += 2, d += 2) {
            d[0] = s[1];
            d[1] = s[0];
        }
        (void)i;
#else
        for (i = 0; i < n; i++) {
            d[2 * i] = s[2 * i + 1];
            d[2 * i + 1] = s[2 * i];
        }
#endif
        return 0;
    case PHOTO_XRGB8888:
#if PHOTO_FILE_WIDE_MOVES
        for (i = 0; i < n; i++) {
            /* Each channel widened in place: 0xFF, then r5 r5[4:2], g6
             * g6[5:4], b5 b5[4:2] from bit 23 down. */
            const uint32_t v = photo_load16le(s + 2 * i);
            photo_store32le(d + 4 * i, 0xFF000000u | (v & 0xF800u) << 8 | (v & 0xE000u) << 3 | (v & 0x07E0u) << 5 |
                                           (v & 0x0600u) >> 1 | (v & 0x001Fu) << 3 | (v & 0x001Cu) >> 2);
        }
#else
        for (i = 0; i < n; i++) {
            /* lo = gggbbbbb, hi = rrrrrggg; each channel repeats its top
             * bits below itself. */
            const unsigned lo = s[2 * i], hi = s[2 * i + 1];
            d[4 * i] = (uint8_t)(lo << 3 | (lo & 0x1Cu) >> 2);
            d[4 * i + 1] = (uint8_t)((hi & 7u) << 5 | (lo & 0xE0u) >> 3 | (hi & 6u) >> 1);
            d[4 * i + 2] = (uint8_t)((hi & 0xF8u) | hi >> 5);
            d[4 * i + 3] = 0xFF;
        }
#endif
        return 0;
    case PHOTO_RGB332:
    case PHOTO_RGB222:
    case PHOTO_RGB888: {
        const uint32_t step = photo_format_bytes(format, 2);
        for (i = 0; i < n; i++, d += step)
            photo_put_pixel(photo_value16_rgb((uint16_t)((unsigned)s[2 * i] | (unsigned)s[2 * i + 1] << 8)), format, d);
        return 0;
    }
    }
    return PHOTO_ERR_FORMAT;
}

static inline int photo_run(const uint8_t *PHOTO_FILE_RESTRICT s, uint32_t n, uint32_t value_bytes,
                            photo_format_t format, uint8_t *PHOTO_FILE_RESTRICT d)
{
    return value_bytes == 1 ? photo_run6(s, n, format, d) : photo_run16(s, n, format, d);
}

#if defined(__AVR__)
static inline int photo_flash_read(void *context, uint32_t offset, void *dst, uint32_t n);

/* A 16-bit file in an AVR's flash read as RGB565 high byte first, what an
 * SPI panel takes: straight from program memory, not copied through the
 * chunk first, which would more than double the cycles a pixel. */
static inline void photo_flash_rgb565_be(const uint8_t *flash, uint32_t n, uint8_t *d)
{
    const uint8_t *end = flash + 2 * (size_t)n;
    for (; flash != end; flash += 2, d += 2) {
        d[0] = pgm_read_byte(flash + 1);
        d[1] = pgm_read_byte(flash);
    }
}
#endif

/* n pixels starting at file offset `offset`, from either source. */
static inline int photo_read_run(const photo_file_t *p, uint32_t offset, uint32_t n, photo_format_t format,
                                 uint8_t *dst)
{
    uint8_t chunk[PHOTO_FILE_CHUNK_BYTES];
    const uint32_t shift = p->value_bytes - 1; /* bytes = pixels << shift */
    const uint32_t chunk_pixels = (uint32_t)PHOTO_FILE_CHUNK_BYTES >> shift;
    const uint32_t out_bytes = photo_format_bytes(format, p->value_bytes);

    if (p->data != NULL)
        return photo_run(p->data + offset, n, p->value_bytes, format, dst);
#if defined(__AVR__)
    if (p->read == photo_flash_read && p->value_bytes == 2 && format == PHOTO_RGB565_BE) {
        photo_flash_rgb565_be((const uint8_t *)p->context + offset, n, dst);
        return 0;
    }
#endif
    while (n > 0) {
        const uint32_t k = n < chunk_pixels ? n : chunk_pixels;
        int rc;
        if (p->read(p->context, offset, chunk, k << shift) != 0)
            return PHOTO_ERR_READ;
        rc = photo_run(chunk, k, p->value_bytes, format, dst);
        if (rc != 0)
            return rc;
        offset += k << shift;
        dst += k * out_bytes;
        n -= k;
    }
    return 0;
}

/* Refuses what cannot be read: a file that is not open, no buffer, an
 * unknown format. */
static inline int photo_read_check(const photo_file_t *p, photo_format_t format, const void *dst)
{
    if (p == NULL || dst == NULL || (p->value_bytes != 1 && p->value_bytes != 2))
        return PHOTO_ERR_ARGUMENT;
    if (p->data == NULL && p->read == NULL)
        return PHOTO_ERR_ARGUMENT;
    if (photo_format_bytes(format, p->value_bytes) == 0)
        return PHOTO_ERR_FORMAT;
    return 0;
}

/* File offset of display pixel (x, y): the top row is stored last. */
static inline uint32_t photo_offset(const photo_file_t *p, uint32_t x, uint32_t y)
{
    return PHOTO_HEADER_BYTES + (((p->height - 1 - y) * p->width + x) << (p->value_bytes - 1));
}

/* ---- Opening ------------------------------------------------------------ */

/* Checks the header and tells the encoding from the total size. */
static inline int photo_open_header(photo_file_t *p, const uint8_t header[4], uint32_t size)
{
    uint32_t pixels;
    p->width = (uint32_t)header[0] | (uint32_t)header[1] << 8;
    p->height = (uint32_t)header[2] | (uint32_t)header[3] << 8;
    if (p->width == 0 || p->height == 0 || p->width > PHOTO_MAX_SIDE || p->height > PHOTO_MAX_SIDE)
        return PHOTO_ERR_DIMENSIONS;
    /* At most 2^24 pixels, so neither size below overflows 32 bits. */
    pixels = p->width * p->height;
    if (size - PHOTO_HEADER_BYTES == pixels)
        p->value_bytes = 1;
    else if (size - PHOTO_HEADER_BYTES == 2 * pixels)
        p->value_bytes = 2;
    else
        return PHOTO_ERR_LENGTH;
    return 0;
}

static inline void photo_clear(photo_file_t *p)
{
    p->width = p->height = p->value_bytes = 0;
    p->data = NULL;
    p->read = NULL;
    p->context = NULL;
}

/* The file is the `size` bytes at `data`, which must stay in place while
 * it is read. */
static inline int photo_open_memory(photo_file_t *p, const void *data, size_t size)
{
    uint32_t size32 = (uint32_t)size;
    int rc;
    if (p == NULL)
        return PHOTO_ERR_ARGUMENT;
    photo_clear(p);
    if (data == NULL)
        return PHOTO_ERR_ARGUMENT;
    if (size < PHOTO_HEADER_BYTES)
        return PHOTO_ERR_SHORT;
#if SIZE_MAX > 0xFFFFFFFFu
    /* No valid file is near 2^32 bytes; a longer one, which a cut to 32
     * bits could make look right, fits no encoding. (Where size_t has 32
     * bits or fewer the cut loses nothing.) */
    if (size > PHOTO_MAX_FILE_BYTES)
        size32 = 0;
#endif
    rc = photo_open_header(p, (const uint8_t *)data, size32);
    if (rc != 0) {
        p->value_bytes = 0;
        return rc;
    }
    p->data = (const uint8_t *)data;
    return 0;
}

/* The file is `size` bytes long and read through `read`, which is given
 * `context` back on every call. */
static inline int photo_open_reader(photo_file_t *p, photo_read_fn read, void *context, uint32_t size)
{
    uint8_t header[PHOTO_HEADER_BYTES];
    int rc;
    if (p == NULL)
        return PHOTO_ERR_ARGUMENT;
    photo_clear(p);
    if (read == NULL)
        return PHOTO_ERR_ARGUMENT;
    if (size < PHOTO_HEADER_BYTES)
        return PHOTO_ERR_SHORT;
    if (read(context, 0, header, PHOTO_HEADER_BYTES) != 0)
        return PHOTO_ERR_READ;
    rc = photo_open_header(p, header, size);
    if (rc != 0) {
        p->value_bytes = 0;
        return rc;
    }
    p->read = read;
    p->context = context;
    return 0;
}

/* A picture in flash. Where flash is in the address space (ARM, RISC-V,
 * ESP32, hosts) this is photo_open_memory. On an AVR, data declared
 * PROGMEM stays in flash but is not reachable through an ordinary pointer,
 * and plain `const` data is copied into the few KiB of RAM at start-up,
 * so a picture is declared PHOTO_FLASH and read with memcpy_P through the
 * read-function source. Declare it the same way on every core:
 *
 *     static const uint8_t picture[] PHOTO_FLASH = { ...xxd -i bytes... };
 *     rc = photo_open_flash(&photo, picture, sizeof picture);
 *
 * On an AVR with more than 64 KiB of flash, the pictures must lie in its
 * first 64 KiB, which avr-gcc fills with PROGMEM data first. */
#if defined(__AVR__)
#define PHOTO_FLASH PROGMEM

static inline int photo_flash_read(void *context, uint32_t offset, void *dst, uint32_t n)
{
    memcpy_P(dst, (const uint8_t *)context + offset, (size_t)n);
    return 0;
}

static inline int photo_open_flash(photo_file_t *p, const void *data, size_t size)
{
    if (p != NULL && data == NULL) {
        photo_clear(p);
        return PHOTO_ERR_ARGUMENT;
    }
    return photo_open_reader(p, photo_flash_read, (void *)(uintptr_t)data, (uint32_t)size);
}
#else
#define PHOTO_FLASH

static inline int photo_open_flash(photo_file_t *p, const void *data, size_t size)
{
    return photo_open_memory(p, data, size);
}
#endif

/* ---- Reading ------------------------------------------------------------ */

/* `count` whole rows from display row `top` down, packed one after the
 * other into dst: count * width * photo_format_bytes(format, value_bytes)
 * bytes. The rows must lie within the picture; count 0 reads nothing. */
static inline int photo_read_rows(const photo_file_t *p, uint32_t top, uint32_t count, photo_format_t format,
                                  void *dst)
{
    uint8_t *d = (uint8_t *)dst;
    uint32_t row_bytes, i;
    int rc = photo_read_check(p, format, dst);
    if (rc != 0)
        return rc;
    if (count > p->height || top > p->height - count)
        return PHOTO_ERR_RANGE;
    row_bytes = p->width * photo_format_bytes(format, p->value_bytes);
    for (i = 0; i < count; i++, d += row_bytes) {
        rc = photo_read_run(p, photo_offset(p, 0, top + i), p->width, format, d);
        if (rc != 0)
            return rc;
    }
    return 0;
}

/* n pixels of display row y from column x on, for a partial redraw. The
 * span must lie within the row; n 0 reads nothing. */
static inline int photo_read_span(const photo_file_t *p, uint32_t x, uint32_t y, uint32_t n, photo_format_t format,
                                  void *dst)
{
    int rc = photo_read_check(p, format, dst);
    if (rc != 0)
        return rc;
    if (y >= p->height || n > p->width || x > p->width - n)
        return PHOTO_ERR_RANGE;
    return n == 0 ? 0 : photo_read_run(p, photo_offset(p, x, y), n, format, (uint8_t *)dst);
}

/* Checks every value of the file before any of it is shown. On
 * PHOTO_ERR_VALUE, *bad_offset (when not null) is the file offset of the
 * first value no encoder writes. A 16-bit file has no such value. */
static inline int photo_check_values(const photo_file_t *p, uint32_t *bad_offset)
{
    uint8_t chunk[PHOTO_FILE_CHUNK_BYTES];
    const uint32_t end = p == NULL ? 0 : PHOTO_HEADER_BYTES + p->width * p->height;
    uint32_t at = PHOTO_HEADER_BYTES;
    if (p == NULL || (p->value_bytes != 1 && p->value_bytes != 2) || (p->data == NULL && p->read == NULL))
        return PHOTO_ERR_ARGUMENT;
    if (p->value_bytes == 2)
        return 0;
    while (at < end) {
        const uint32_t k = end - at < PHOTO_FILE_CHUNK_BYTES ? end - at : PHOTO_FILE_CHUNK_BYTES;
        const uint8_t *s = p->data != NULL ? p->data + at : chunk;
        uint32_t i;
        if (p->data == NULL && p->read(p->context, at, chunk, k) != 0)
            return PHOTO_ERR_READ;
        for (i = 0; i < k; i++)
            if (!photo_value6_valid(s[i])) {
                if (bad_offset != NULL)
                    *bad_offset = at + i;
                return PHOTO_ERR_VALUE;
            }
        at += k;
    }
    return 0;
}

/* ---- Panels of a few colours ------------------------------------------- */
/* E-paper panels and monochrome OLEDs show a few colours, each known to the
 * panel by a number of its own. A photo file for one is a 6-bit file whose
 * every value is the nominal colour of a palette entry (bmpdither
 * --palette writes such pictures); the reader hands its rows out as the
 * panel's numbers, packed as the panel takes them. Each entry also keeps
 * the colour the panel really shows, as measured, for previews. */
typedef struct photo_palette_entry {
    uint8_t value;            /* the 6-bit value in the file (pure yellow 0x40) */
    uint8_t number;           /* the panel's own number for it, 0 to 15 */
    uint8_t red, green, blue; /* what the panel shows (sRGB, measured) */
} photo_palette_entry_t;

#define PHOTO_PALETTE_MAX 16u
typedef struct photo_palette {
    const char *name;
    uint8_t count;
    photo_palette_entry_t entry[PHOTO_PALETTE_MAX];
} photo_palette_t;

/* The built-in palettes, each a braced initialiser for a photo_palette_t:
 *     static const photo_palette_t panel = PHOTO_PALETTE_BWR;
 * Where each measurement comes from is in the docs (e-paper page). */
#define PHOTO_PALETTE_MONO                                                                               \
    {"mono", 2, {{0x00, 0, 0, 0, 0}, {0x3F, 1, 255, 255, 255}}}
#define PHOTO_PALETTE_GRAY4                                                                              \
    {"gray4", 4, {{0x00, 0, 26, 14, 35}, {0x15, 1, 73, 69, 85}, {0x2A, 2, 124, 130, 142}, {0x3F, 3, 180, 197, 202}}}
#define PHOTO_PALETTE_BWR                                                                                \
    {"bwr", 3, {{0x00, 0, 26, 14, 35}, {0x3F, 1, 180, 197, 202}, {0x30, 2, 119, 12, 2}}}
#define PHOTO_PALETTE_BWY                                                                                \
    {"bwy", 3, {{0x00, 0, 26, 14, 35}, {0x3F, 1, 180, 197, 202}, {0x40, 2, 201, 185, 0}}}
#define PHOTO_PALETTE_ACEP7                                                                              \
    {"acep7", 7, {{0x00, 0, 57, 48, 57}, {0x3F, 1, 255, 255, 255}, {0x0C, 2, 58, 91, 70}, {0x03, 3, 61, 59, 94}, \
                  {0x30, 4, 156, 72, 75}, {0x40, 5, 208, 190, 71}, {0x38, 6, 177, 106, 73}}}
#define PHOTO_PALETTE_SPECTRA6                                                                           \
    {"spectra6", 6, {{0x00, 0, 26, 14, 35}, {0x3F, 1, 180, 197, 202}, {0x40, 2, 201, 185, 0},             \
                     {0x30, 3, 119, 12, 2}, {0x03, 5, 0, 67, 137}, {0x0C, 6, 40, 81, 58}}}
/* Every built-in palette, for a table of them. */
#define PHOTO_PALETTES                                                                                   \
    PHOTO_PALETTE_MONO, PHOTO_PALETTE_GRAY4, PHOTO_PALETTE_BWR, PHOTO_PALETTE_BWY, PHOTO_PALETTE_ACEP7,    \
        PHOTO_PALETTE_SPECTRA6

/* How a panel takes its pixels. Rows are display rows, top first; a
 * row's last byte is filled out with zero bits. */
typedef enum photo_packing {
    PHOTO_PACK_1BPP,   /* a bit a pixel, leftmost in the top bit: the number (mono: white 1) */
    PHOTO_PACK_PAGES,  /* SSD1306 / SH1106: a page of eight rows, a byte a column, top row in bit 0 */
    PHOTO_PACK_2BPP,   /* two bits a pixel, leftmost in the top bits */
    PHOTO_PACK_PLANES, /* three colours, two planes of a bit a pixel: plane 0 is 0 where black
                        * (number 0), 1 elsewhere; plane 1 is 1 where the colour is (number 2) */
    PHOTO_PACK_4BPP    /* four bits a pixel, two a byte, leftmost in the high nibble */
} photo_packing_t;

/* The highest number a packing holds. */
static inline unsigned photo_packing_top(photo_packing_t packing)
{
    switch (packing) {
    case PHOTO_PACK_1BPP:
    case PHOTO_PACK_PAGES: return 1;
    case PHOTO_PACK_PLANES: return 2;
    case PHOTO_PACK_2BPP: return 3;
    case PHOTO_PACK_4BPP: return 15;
    }
    return 0;
}

/* Bits a pixel takes in a row of `packing`; 0 for one that is not. */
static inline unsigned photo_packing_bits(photo_packing_t packing)
{
    switch (packing) {
    case PHOTO_PACK_1BPP:
    case PHOTO_PACK_PLANES: return 1;
    case PHOTO_PACK_2BPP: return 2;
    case PHOTO_PACK_4BPP: return 4;
    case PHOTO_PACK_PAGES: return 8; /* a byte a column, for a page */
    }
    return 0;
}

/* Bytes one read gives: a row (of one plane), or for PHOTO_PACK_PAGES a
 * page, one byte a column. */
static inline uint32_t photo_packed_bytes(const photo_file_t *p, photo_packing_t packing)
{
    const uint32_t bits = photo_packing_bits(packing);
    return packing == PHOTO_PACK_PAGES ? p->width : (p->width * bits + 7u) / 8u;
}

/* The panel's number for a 6-bit value, or -1 where the palette has none. */
static inline int photo_palette_number(const photo_palette_t *palette, uint8_t value)
{
    unsigned i;
    for (i = 0; i < palette->count && i < PHOTO_PALETTE_MAX; i++)
        if (palette->entry[i].value == value)
            return palette->entry[i].number;
    return -1;
}

/* Where a packed pixel's bits go: ORs number `n` of column x into row. */
static inline void photo_pack_pixel(photo_packing_t packing, unsigned plane, uint32_t x, unsigned n, uint8_t *row)
{
    switch (packing) {
    case PHOTO_PACK_1BPP: row[x >> 3] = (uint8_t)(row[x >> 3] | n << (7u - (x & 7u))); break;
    case PHOTO_PACK_PLANES:
        row[x >> 3] = (uint8_t)(row[x >> 3] | (plane == 0 ? n != 0 : n == 2) << (7u - (x & 7u)));
        break;
    case PHOTO_PACK_2BPP: row[x >> 2] = (uint8_t)(row[x >> 2] | n << (6u - 2u * (x & 3u))); break;
    case PHOTO_PACK_4BPP: row[x >> 1] = (uint8_t)(row[x >> 1] | n << ((x & 1u) ? 0u : 4u)); break;
    case PHOTO_PACK_PAGES: break;
    }
}

/* Display row y of a 6-bit file as the panel's numbers in `packing` (plane
 * 0 or 1 for PHOTO_PACK_PLANES, else 0), photo_packed_bytes bytes into
 * dst; for PHOTO_PACK_PAGES, the page of rows y to y + 7 (y a multiple of
 * 8; rows past the picture's last are 0). PHOTO_ERR_VALUE where a value is
 * not in the palette or its number does not fit the packing;
 * PHOTO_ERR_FORMAT for a 16-bit file or an unknown packing. */
static inline int photo_read_packed(const photo_file_t *p, const photo_palette_t *palette, photo_packing_t packing,
                                    uint32_t y, unsigned plane, uint8_t *dst)
{
    uint8_t values[8];
    const unsigned top = photo_packing_top(packing);
    const uint32_t rows = packing == PHOTO_PACK_PAGES ? 8u : 1u;
    uint32_t x, r, i, bytes;
    int rc = photo_read_check(p, PHOTO_AS_STORED, dst);
    if (rc != 0)
        return rc;
    if (palette == NULL)
        return PHOTO_ERR_ARGUMENT;
    if (p->value_bytes != 1 || top == 0 || plane > (packing == PHOTO_PACK_PLANES ? 1u : 0u))
        return PHOTO_ERR_FORMAT;
    if (y >= p->height || (packing == PHOTO_PACK_PAGES && (y & 7u) != 0))
        return PHOTO_ERR_RANGE;
    bytes = photo_packed_bytes(p, packing);
    for (i = 0; i < bytes; i++)
        dst[i] = 0;
    for (x = 0; x < p->width; x += 8) {
        const uint32_t k = p->width - x < 8u ? p->width - x : 8u;
        for (r = 0; r < rows && y + r < p->height; r++) {
            rc = photo_read_span(p, x, y + r, k, PHOTO_AS_STORED, values);
            if (rc != 0)
                return rc;
            for (i = 0; i < k; i++) {
                const int n = photo_palette_number(palette, values[i]);
                if (n < 0 || (unsigned)n > top)
                    return PHOTO_ERR_VALUE;
                if (packing == PHOTO_PACK_PAGES)
                    dst[x + i] = (uint8_t)(dst[x + i] | (unsigned)n << r);
                else
                    photo_pack_pixel(packing, plane, x + i, (unsigned)n, dst);
            }
        }
    }
    return 0;
}

/* One line for each code, without a newline. */
static inline const char *photo_error_text(int code)
{
    switch (code) {
    case 0: return "no error";
    case PHOTO_ERR_ARGUMENT: return "null pointer, or the photo file is not open";
    case PHOTO_ERR_FORMAT: return "unknown pixel format";
    case PHOTO_ERR_SHORT: return "not a photo file: shorter than its 4-byte header";
    case PHOTO_ERR_DIMENSIONS: return "not a photo file: width or height is 0 or above 4096";
    case PHOTO_ERR_LENGTH: return "not a photo file: its size fits neither 6-bit nor 16-bit colour";
    case PHOTO_ERR_RANGE: return "rows or span outside the picture";
    case PHOTO_ERR_READ: return "the photo file could not be read";
    case PHOTO_ERR_VALUE: return "not a photo file: a value that no 6-bit colour is";
    }
    return "unknown error code";
}

#ifdef __cplusplus
}
#endif

#endif
