/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Every entry point of the reader as a function of its own, so that the
 * object's size is the reader's code size on the target and its stack use
 * is read off -fstack-usage. */
#include <kestrow/photo_file.h>

int size_open_memory(photo_file_t *p, const void *data, size_t size);
int size_open_reader(photo_file_t *p, photo_read_fn read, void *context, uint32_t size);
int size_read_rows(const photo_file_t *p, uint32_t top, uint32_t count, photo_format_t format, void *dst);
int size_read_span(const photo_file_t *p, uint32_t x, uint32_t y, uint32_t n, photo_format_t format, void *dst);
int size_check_values(const photo_file_t *p, uint32_t *bad_offset);
const char *size_error_text(int code);

int size_open_memory(photo_file_t *p, const void *data, size_t size) { return photo_open_memory(p, data, size); }

int size_open_reader(photo_file_t *p, photo_read_fn read, void *context, uint32_t size)
{
    return photo_open_reader(p, read, context, size);
}

int size_read_rows(const photo_file_t *p, uint32_t top, uint32_t count, photo_format_t format, void *dst)
{
    return photo_read_rows(p, top, count, format, dst);
}

int size_read_span(const photo_file_t *p, uint32_t x, uint32_t y, uint32_t n, photo_format_t format, void *dst)
{
    return photo_read_span(p, x, y, n, format, dst);
}

int size_check_values(const photo_file_t *p, uint32_t *bad_offset) { return photo_check_values(p, bad_offset); }

const char *size_error_text(int code) { return photo_error_text(code); }
