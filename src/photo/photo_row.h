// Encoding whole pixel rows into the build's colour format. The writer's hot
// loop: one call a row instead of one stream write a pixel.
#ifndef KESTROW_VGA_ROW_H
#define KESTROW_VGA_ROW_H

#include <cstdint>

// Encodes `width` stored pixels (blue, green, red bytes) at `bgr` into
// width x vga_color_bytes bytes at `out`, each value low byte first.
using vga_row_encoder = void (*)(const uint8_t *bgr, uint32_t width, uint8_t *out);

// Portable path, one pixel at a time; the reference for the others.
void vga_row_encode_scalar(const uint8_t *bgr, uint32_t width, uint8_t *out);

#if defined(__x86_64__) || defined(__i386__)
#define KESTROW_HAVE_SSSE3 1
// 16 pixels a step with SSSE3 byte shuffles; only on a CPU that has them.
void vga_row_encode_ssse3(const uint8_t *bgr, uint32_t width, uint8_t *out);
bool vga_row_ssse3_supported();
#endif

// The fastest path this CPU runs.
vga_row_encoder vga_row_encoder_select();

#endif
