/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The yardstick of the cost table: n bytes copied one at a time, in a
 * file of its own built without loop-to-memcpy rewriting, so that it stays
 * the plain loop a firmware author would write. */
#ifndef KESTROW_COST_COPY_H
#define KESTROW_COST_COPY_H

#include <stdint.h>

void cost_copy_bytes(uint8_t *dst, const uint8_t *src, uint32_t n);

#endif
