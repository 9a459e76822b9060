/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The reader's entry points as a table, so one test can run them compiled
 * as C and as C++. */
#ifndef KESTROW_TESTS_PHOTO_FILE_C_H
#define KESTROW_TESTS_PHOTO_FILE_C_H

#include <kestrow/photo_file.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct photo_api {
    const char *language;
    int (*open_memory)(photo_file_t *p, const void *data, size_t size);
    int (*open_reader)(photo_file_t *p, photo_read_fn read, void *context, uint32_t size);
    int (*read_rows)(const photo_file_t *p, uint32_t top, uint32_t count, photo_format_t format, void *dst);
    int (*read_span)(const photo_file_t *p, uint32_t x, uint32_t y, uint32_t n, photo_format_t format, void *dst);
    int (*check_values)(const photo_file_t *p, uint32_t *bad_offset);
    const char *(*error_text)(int code);
} photo_api_t;

extern const photo_api_t photo_api_c;

#ifdef __cplusplus
}
#endif

#endif
