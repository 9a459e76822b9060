/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The reader compiled as C99, for the same tests that call it from C++. */
#include "photo_file_c.h"

static int c_open_memory(photo_file_t *p, const void *data, size_t size) { return photo_open_memory(p, data, size); }

static int c_open_reader(photo_file_t *p, photo_read_fn read, void *context, uint32_t size)
{
    return photo_open_reader(p, read, context, size);
}

static int c_read_rows(const photo_file_t *p, uint32_t top, uint32_t count, photo_format_t format, void *dst)
{
    return photo_read_rows(p, top, count, format, dst);
}

static int c_read_span(const photo_file_t *p, uint32_t x, uint32_t y, uint32_t n, photo_format_t format, void *dst)
{
    return photo_read_span(p, x, y, n, format, dst);
}

static int c_check_values(const photo_file_t *p, uint32_t *bad_offset) { return photo_check_values(p, bad_offset); }

static const char *c_error_text(int code) { return photo_error_text(code); }

const photo_api_t photo_api_c = {"C", c_open_memory, c_open_reader, c_read_rows,
                                 c_read_span, c_check_values, c_error_text};
