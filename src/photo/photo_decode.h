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

#endif
