// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// What the display shows for each channel level, as the photo file reader
// widens it. The dithering step takes its display levels from here, so
// what it writes is exactly what photo2bmp shows.
#ifndef KESTROW_PHOTO_DECODE_H
#define KESTROW_PHOTO_DECODE_H

#include <cstdint>

#include <kestrow/photo_file.h>

inline uint8_t widen2(unsigned v) { return photo_widen2(v); }
inline uint8_t widen5(unsigned v) { return photo_widen5(v); }
inline uint8_t widen6(unsigned v) { return photo_widen6(v); }
// A 12-bit (4:4:4) VGA's level k of a channel, as its 4-bit DAC shows it:
// 17k, so that 15 is full scale. Kept exactly by kestrow16, whose top four
// bits of each channel of 17k are k again.
inline uint8_t widen4(unsigned v) { return static_cast<uint8_t>(v * 17); }

#endif
