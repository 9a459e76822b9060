// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "bmp_input.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

// WebAssembly (the web page's build) has no mmap, and no huge pages to ask for.
#ifndef __wasi__
#include <sys/mman.h>
#endif

#include "stream_read.h"

namespace {

uint16_t le16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t le32(const uint8_t *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Decodes the on-disk record; offsets are relative to the byte after "BM".
void bmp_header_decode(const uint8_t *b, bmp_header_t *h)
{
    h->file_size = le32(b + 0);
    h->reserved = le32(b + 4);
    h->pixel_offset = le32(b + 8);
    h->dib_header_size = le32(b + 12);
    h->img_width = le32(b + 16);
    h->img_height = le32(b + 20);
    h->planes = le16(b + 24);
    h->bits_per_pixel = le16(b + 26);
    h->compression_type = le32(b + 28);
    h->img_size = le32(b + 32);
}

} // namespace

void *large_buffer_alloc(size_t size, size_t huge_from)
{
#ifdef MADV_HUGEPAGE
    constexpr size_t huge_page = size_t{2} << 20;
    if (size >= huge_from) {
        const size_t rounded = (size + huge_page - 1) & ~(huge_page - 1);
        void *p = aligned_alloc(huge_page, rounded);
        if (p != nullptr) {
            // Only a hint: if it is refused, nothing changes, not even errno.
            const int saved_errno = errno;
            madvise(p, rounded, MADV_HUGEPAGE);
            errno = saved_errno;
        }
        return p;
    }
#else
    (void)huge_from;
#endif
    return malloc(size);
}

namespace {

// The pixel array, as a large buffer from 2 MiB up.
uint8_t *pixel_array_alloc(uint32_t size)
{
    return static_cast<uint8_t *>(large_buffer_alloc(size, size_t{2} << 20));
}

bool bmp_format_supported(const bmp_header_t *h)
{
    return h->img_width <= bmp_max_side && h->img_height <= bmp_max_side &&
           h->planes == 1 && h->bits_per_pixel == 24 && h->compression_type == 0;
}

} // namespace

int32_t bmp_row_width(const bmp_header_t *h)
{
    return static_cast<int32_t>((h->img_width * 3u + 3u) & ~3u);
}

int bmp_header_check(const char *fname, FILE *in, bmp_header_t *h)
{
    char magic[3] = {0, 0, 0};
    if (fread(magic, 1, 2, in) < 2 || strcmp(magic, "BM") != 0) {
        fprintf(stderr, "%s does not appear to be a BMP file.\n", fname);
        return 0;
    }

    uint8_t raw[bmp_header_bytes];
    if (fread(raw, sizeof raw, 1, in) != 1) {
        fprintf(stderr, "%s does not appear to be a BMP file.\n", fname);
        return 0;
    }
    bmp_header_decode(raw, h);

    if (!bmp_format_supported(h)) {
        fprintf(stderr, "%s must be 24-bit-color on one plane with no compression.\n", fname);
        return 0;
    }

    // Within the size limits this product is at most 4096 x 12288.
    if (h->img_size != h->img_height * static_cast<uint32_t>(bmp_row_width(h))) {
        fprintf(stderr, "%s image size incorrect in BMP/DIB header.\n", fname);
        return 0;
    }
    return 1;
}

// Seeks `in` to `offset` bytes from its start; 1 on success. The offset is
// 32 bits unsigned, and where long is 32 bits signed one fseek cannot take
// the upper half of that range: the seek then goes in steps that fit, so
// every host ends up in the same place (past the end of any ordinary file,
// where the read comes up short) and says the same thing.
static int seek_from_start(FILE *in, uint32_t offset)
{
    constexpr uint32_t step_max = LONG_MAX < UINT32_MAX ? static_cast<uint32_t>(LONG_MAX) : UINT32_MAX;
    uint32_t step = offset < step_max ? offset : step_max;
    if (fseek(in, static_cast<long>(step), SEEK_SET) != 0)
        return 0;
    for (uint32_t left = offset - step; left > 0; left -= step) {
        step = left < step_max ? left : step_max;
        if (fseek(in, static_cast<long>(step), SEEK_CUR) != 0)
            return 0;
    }
    return 1;
}

uint8_t *read_bmp_image_data(FILE *in, const bmp_header_t *h)
{
    if (!seek_from_start(in, h->pixel_offset)) {
        perror("fseek to start of image data in BMP file");
        return nullptr;
    }

    uint8_t *img_data = pixel_array_alloc(h->img_size);
    // One item of img_size bytes: an empty picture (img_size 0) never
    // delivers a whole item and is refused here.
    if (img_data == nullptr || !stream_read_whole(img_data, h->img_size, in)) {
        perror("allocate and read image");
        free(img_data);
        return nullptr;
    }
    return img_data;
}
