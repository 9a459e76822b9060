/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
#include "cost_copy.h"

void cost_copy_bytes(uint8_t *dst, const uint8_t *src, uint32_t n)
{
    uint32_t i;
    for (i = 0; i < n; i++)
        dst[i] = src[i];
}
