/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The reader on an 8-bit AVR, where int has 16 bits: an ATmega328P (the
 * Arduino Uno's chip, 2 KiB of RAM, 32 KiB of flash) under simavr. The
 * sample's two photo files sit in flash (PHOTO_FLASH, together larger
 * than the RAM) and are read through photo_open_flash; the generated
 * pictures are made in RAM and read from both sources. Prints on USART0,
 * which simavr copies to its standard error, what the host prints for the
 * same files, then "done" and sleeps with interrupts off, which ends the
 * simulation. */
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <stdint.h>

#include <kestrow/photo_file.h>

#include "photo16_size.h"
#include "photo6_size.h"
#include "reader_digests.h"

static const uint8_t photo6[PHOTO6_SIZE] PHOTO_FLASH = {
#include "photo6.inc"
};

static const uint8_t photo16[PHOTO16_SIZE] PHOTO_FLASH = {
#include "photo16.inc"
};

static void put_char(char c)
{
    while ((UCSR0A & (1u << UDRE0)) == 0) {
    }
    UDR0 = (uint8_t)c;
}

static void emit(const char *line)
{
    while (*line != '\0')
        put_char(*line++);
}

int main(void)
{
    UCSR0B = 1u << TXEN0;
    if (digest_flash("photo6", photo6, PHOTO6_SIZE, emit) == 0 &&
        digest_flash("photo16", photo16, PHOTO16_SIZE, emit) == 0 && digest_generated(emit) == 0)
        emit("done\n");
    cli();
    sleep_cpu();
    return 0;
}
