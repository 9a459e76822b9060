#include "vga_row.h"

#include "vga_color.h"

void vga_row_encode_scalar(const uint8_t *bgr, uint32_t width, uint8_t *out)
{
    for (uint32_t x = 0; x < width; x++, bgr += 3) {
        const vga_color_t c = vga_color(bgr[0], bgr[1], bgr[2]);
        for (unsigned i = 0; i < vga_color_bytes; i++)
            *out++ = static_cast<uint8_t>(c >> (8 * i));
    }
}

#ifdef KESTROW_HAVE_SSSE3
#include <immintrin.h>

namespace {

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

constexpr shuffle_table shuffles = make_shuffle_table();

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

#if KESTROW_COLOR_BITS == 6
// 00RRGGBB, then 0x3C becomes 0x40 (add 4 where equal).
__attribute__((target("ssse3"))) inline void encode16(__m128i b, __m128i g, __m128i r, uint8_t *out)
{
    __m128i v = _mm_or_si128(_mm_or_si128(srl8(r, 2, 0x30), srl8(g, 4, 0x0C)), srl8(b, 6, 0x03));
    const __m128i yellow = _mm_cmpeq_epi8(v, _mm_set1_epi8(0x3C));
    v = _mm_add_epi8(v, _mm_and_si128(yellow, _mm_set1_epi8(0x04)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), v);
}
#else
__attribute__((target("ssse3"))) inline __m128i sll8(__m128i v, int n, int keep)
{
    return _mm_and_si128(_mm_slli_epi16(v, n), _mm_set1_epi8(static_cast<char>(keep)));
}

// Low byte GGGBBBBB, high byte RRRRRGGG; interleaved low, high.
__attribute__((target("ssse3"))) inline void encode16(__m128i b, __m128i g, __m128i r, uint8_t *out)
{
    const __m128i lo = _mm_or_si128(sll8(g, 3, 0xE0), srl8(b, 3, 0x1F));
    const __m128i hi = _mm_or_si128(_mm_and_si128(r, _mm_set1_epi8(static_cast<char>(0xF8))),
                                    srl8(g, 5, 0x07));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(lo, hi));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 16), _mm_unpackhi_epi8(lo, hi));
}
#endif

} // namespace

__attribute__((target("ssse3"))) void vga_row_encode_ssse3(const uint8_t *bgr, uint32_t width,
                                                            uint8_t *out)
{
    uint32_t x = 0;
    // Reads exactly the 48 bytes of 16 pixels: never past the row.
    for (; x + 16 <= width; x += 16, bgr += 48, out += 16 * vga_color_bytes) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bgr + 32));
        encode16(gather_channel(0, a, b, c), gather_channel(1, a, b, c), gather_channel(2, a, b, c), out);
    }
    vga_row_encode_scalar(bgr, width - x, out);
}

bool vga_row_ssse3_supported()
{
    return __builtin_cpu_supports("ssse3");
}
#endif

vga_row_encoder vga_row_encoder_select()
{
#ifdef KESTROW_HAVE_SSSE3
    if (vga_row_ssse3_supported())
        return vga_row_encode_ssse3;
#endif
    return vga_row_encode_scalar;
}
