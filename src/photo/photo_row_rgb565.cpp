// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Rows in the 16-bit format: 5:6:5, two bytes a pixel, low byte first.
#include "photo_row.h"

#include "vga_color.h"

static_assert(vga_color_bytes == 2, "this file is the 16-bit build's rows");

void photo_row_encode_scalar(const uint8_t *bgr, uint32_t width, uint8_t *out)
{
    for (uint32_t x = 0; x < width; x++, bgr += 3) {
        const uint16_t c = vga_color16(bgr[0], bgr[1], bgr[2]);
        *out++ = static_cast<uint8_t>(c);
        *out++ = static_cast<uint8_t>(c >> 8);
    }
}

#ifdef KESTROW_HAVE_SSSE3
#include "photo_row_ssse3.h"

using namespace photo_row_ssse3;

// Low byte GGGBBBBB, high byte RRRRRGGG; interleaved low, high.
__attribute__((target("ssse3"))) void photo_row_encode_ssse3(const uint8_t *bgr, uint32_t width, uint8_t *out)
{
    uint32_t x = 0;
    // Reads exactly the 48 bytes of 16 pixels: never past the row.
    for (; x + 16 <= width; x += 16, bgr += 48, out += 32) {
        const channels16 c = load16(bgr);
        const __m128i lo = _mm_or_si128(sll8(c.g, 3, 0xE0), srl8(c.b, 3, 0x1F));
        const __m128i hi = _mm_or_si128(_mm_and_si128(c.r, _mm_set1_epi8(static_cast<char>(0xF8))),
                                        srl8(c.g, 5, 0x07));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(lo, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), _mm_unpackhi_epi8(lo, hi));
    }
    photo_row_encode_scalar(bgr, width - x, out);
}
#endif
