/* Reads a photo file in every format, from memory and through a read
 * function, and prints one digest a format. The same code runs on the host
 * and on the Cortex-M0, so the two outputs must be equal line for line. */
#ifndef KESTROW_READER_DIGESTS_H
#define KESTROW_READER_DIGESTS_H

#include <stdint.h>

/* Prints one line of text (it ends in a newline). */
typedef void (*digest_emit_fn)(const char *line);

/* Returns 0, or a negative reader code after emitting a line that says so.
 * `file` may sit at any address. */
int digest_photo(const char *label, const uint8_t *file, uint32_t size, digest_emit_fn emit);

#endif
