// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Rows in the 6-bit format: 00RRGGBB, one byte a pixel, with the display's
// own code 0x40 for pure yellow (0x3C).
#include "photo_row.h"

#include "vga_color.h"

static_assert(vga_color_bytes == 1, "this file is the 6-bit build's rows");

void photo_row_encode_scalar(const uint8_t *bgr, uint32_t width, uint8_t *out)
{
    for (uint32_t x = 0; x < width; x++, bgr += 3)
        *out++ = vga_color6(bgr[0], bgr[1], bgr[2]);
}

#ifdef KESTROW_HAVE_SSSE3
#include "photo_row_ssse3.h"

using namespace photo_row_ssse3;

// 00RRGGBB, then 0x3C becomes 0x40 (add 4 where equal).
__attribute__((target("ssse3"))) void photo_row_encode_ssse3(const uint8_t *bgr, uint32_t width, uint8_t *out)
{
    uint32_t x = 0;
    // Reads exactly the 48 bytes of 16 pixels: never past the row.
    for (; x + 16 <= width; x += 16, bgr += 48, out += 16) {
        const channels16 c = load16(bgr);
        __m128i v = _mm_or_si128(_mm_or_si128(srl8(c.r, 2, 0x30), srl8(c.g, 4, 0x0C)), srl8(c.b, 6, 0x03));
        const __m128i yellow = _mm_cmpeq_epi8(v, _mm_set1_epi8(0x3C));
        v = _mm_add_epi8(v, _mm_and_si128(yellow, _mm_set1_epi8(0x04)));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), v);
    }
    photo_row_encode_scalar(bgr, width - x, out);
}
#endif
