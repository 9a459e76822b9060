// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Photo output: writing the photo file.
#ifndef KESTROW_PHOTO_OUTPUT_H
#define KESTROW_PHOTO_OUTPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "photo_headers.h"

// Bytes of encoded pixels gathered before each stream write.
inline constexpr std::size_t photo_chunk_bytes = 64 * 1024;

// Writes the photo header and one colour value per pixel, rows in stored
// order, fill bytes skipped. Returns 1 when everything was handed to `out`,
// 0 after one message; neither closes `out` nor frees `img`.
int write_output_file(FILE *out, const bmp_header_t *h, const uint8_t *img);

#endif
