/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The reader on a 32-bit core with no operating system: a Cortex-M0 (the
 * micro:bit's nRF51822 under qemu-system-arm -M microbit) or an rv32imac
 * (qemu-system-riscv32 -M virt). Both photo files, embedded at odd
 * addresses, read in every format into buffers at odd addresses, then the
 * generated pictures, then the array photo2raw wrote. Prints through semihosting what the host prints for
 * the same files; a fault (on a Cortex-M0, an unaligned access) ends the
 * run as failed. */
#include <stdint.h>

#include "photo16_raw.h"
#include "photo16_rgb565.h"
#include "photo16_size.h"
#include "photo6_size.h"
#include "reader_digests.h"
#include "semihost.h"

/* The photo files, as `xxd -i` writes their bytes, each one byte into a
 * word-aligned block so that the file itself starts at an odd address. */
static const struct __attribute__((packed, aligned(4))) {
    uint8_t pad;
    uint8_t bytes[PHOTO6_SIZE];
} photo6 = {0, {
#include "photo6.inc"
}};

static const struct __attribute__((packed, aligned(4))) {
    uint8_t pad;
    uint8_t bytes[PHOTO16_SIZE];
} photo16 = {0, {
#include "photo16.inc"
}};

static void emit(const char *line) { semihost_write0(line); }

int main(void)
{
    if (((uintptr_t)photo6.bytes & 1u) == 0 || ((uintptr_t)photo16.bytes & 1u) == 0) {
        semihost_write0("the photo files are not at odd addresses\n");
        return 1;
    }
    if (digest_photo("photo6", photo6.bytes, PHOTO6_SIZE, emit) != 0 ||
        digest_photo("photo16", photo16.bytes, PHOTO16_SIZE, emit) != 0 ||
        digest_flash("photo6", photo6.bytes, PHOTO6_SIZE, emit) != 0 ||
        digest_flash("photo16", photo16.bytes, PHOTO16_SIZE, emit) != 0 || digest_generated(emit) != 0)
        return 1;
    /* The C header photo2raw wrote of the 16-bit file: the same bytes as
     * the reader gives (the host prints the reader's). */
    digest_bytes("photo2raw rgb565be", photo16_raw, PHOTO16_RAW_LENGTH, emit);
    /* And of 16-bit numbers, as the panel libraries take them: their bytes
     * in memory, on these little-endian cores, low byte first. */
    digest_bytes("photo2raw rgb565", (const uint8_t *)photo16_rgb565, 2u * PHOTO16_RGB565_LENGTH, emit);
    emit("done\n");
    return 0;
}
