/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Reads a photo file in every format, from memory and through a read
 * function, and prints one digest a format. The same code runs on the host
 * and on each bare-metal core, so the outputs must be equal line for line. */
#ifndef KESTROW_READER_DIGESTS_H
#define KESTROW_READER_DIGESTS_H

#include <stdint.h>

#include <kestrow/photo_file.h>

/* Prints one line of text (it ends in a newline). */
typedef void (*digest_emit_fn)(const char *line);

/* Each returns 0, or a negative reader code after emitting a line that
 * says so. `file` may sit at any address. */

/* The file from memory, then through a read function. */
int digest_photo(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit);

/* The file through photo_open_flash: declared PHOTO_FLASH on an AVR. */
int digest_flash(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit);

/* Small pictures of odd and edge sizes, both encodings, made in RAM. */
int digest_generated(digest_emit_fn emit);

/* "label digest" over the file's rows, top first, in `format`; and over n
 * bytes (an array photo2raw wrote), to be compared with it. */
int digest_rows(const char *label, const uint8_t *file, uint32_t size, photo_format_t format, digest_emit_fn emit);
void digest_bytes(const char *label, const uint8_t *bytes, uint32_t n, digest_emit_fn emit);

#endif
