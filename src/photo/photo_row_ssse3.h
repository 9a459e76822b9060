// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The SSSE3 half both encodings share: gathering one channel of 16 stored
// pixels into a register, and byte-wise shifts. Included only by the
// encodings' own files, which add the packing of their values.
#ifndef KESTROW_PHOTO_ROW_SSSE3_H
#define KESTROW_PHOTO_ROW_SSSE3_H

#include <cstdint>

#include <immintrin.h>

namespace photo_row_ssse3 {

// Shuffle masks that gather one channel of 16 pixels (48 stored bytes, in
// three 16-byte blocks) into one register: mask for `channel` from `block`
// puts byte 3j + channel of the 48 into lane j when that byte lies in the
// block, and zero otherwise (0x80). OR-ing the three results gives the
// channel.
struct shuffle_table {
    alignas(16) int8_t mask[3][3][16];  // [channel][block][lane]
};

constexpr shuffle_table make_shuffle_table()
{
    shuffle_table t{};
    for (int ch = 0; ch < 3; ch++)
        for (int block = 0; block < 3; block++)
            for (int lane = 0; lane < 16; lane++) {
                const int src = 3 * lane + ch - 16 * block;
                t.mask[ch][block][lane] = static_cast<int8_t>(src >= 0 && src < 16 ? src : -128);
            }
    return t;
}

inline constexpr shuffle_table shuffles = make_shuffle_table();

__attribute__((target("ssse3"))) inline __m128i gather_channel(int ch, __m128i a, __m128i b, __m128i c)
{
    const auto *m = reinterpret_cast<const __m128i *>(shuffles.mask[ch]);
    return _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(m)),
                                     _mm_shuffle_epi8(b, _mm_load_si128(m + 1))),
                        _mm_shuffle_epi8(c, _mm_load_si128(m + 2)));
}

// Byte-wise shifts: shift 16-bit lanes, then mask off what crossed bytes.
__attribute__((target("ssse3"))) inline __m128i srl8(__m128i v, int n, int keep)
{
    return _mm_and_si128(_mm_srli_epi16(v, n), _mm_set1_epi8(static_cast<char>(keep)));
}

__attribute__((target("ssse3"))) inline __m128i sll8(__m128i v, int n, int keep)
{
    return _mm_and_si128(_mm_slli_epi16(v, n), _mm_set1_epi8(static_cast<char>(keep)));
}

// The blue, green and red bytes of 16 stored pixels (exactly their 48
// bytes, never past them), each channel in a register of its own.
struct channels16 {
    __m128i b, g, r;
};

__attribute__((target("ssse3"))) inline channels16 load16(const uint8_t *bgr)
{
    const __m128i s0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr));
    const __m128i s1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 16));
    const __m128i s2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 32));
    return {gather_channel(0, s0, s1, s2), gather_channel(1, s0, s1, s2), gather_channel(2, s0, s1, s2)};
}

} // namespace photo_row_ssse3

#endif
