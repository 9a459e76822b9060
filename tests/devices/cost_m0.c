/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* What a pixel of photo_read_span costs on a Cortex-M0, in instructions,
 * against a plain byte-copy loop that writes the same number of bytes.
 * Run under qemu-system-arm -icount shift=0, where the virtual clock
 * advances a fixed step an instruction, so SysTick counts instructions
 * (in ticks of a fixed number of them, calibrated below) and every run
 * gives the same figures. Prints a table through semihosting. */
#include <stdint.h>

#include <kestrow/photo_file.h>

#include "cost_copy.h"
#include "semihost.h"

#define SYST_CSR (*(volatile uint32_t *)0xE000E010u)
#define SYST_RVR (*(volatile uint32_t *)0xE000E014u)
#define SYST_CVR (*(volatile uint32_t *)0xE000E018u)

#define PIXELS 240u /* a row of a 240 x 320 panel */
#define ROUNDS 16u

static uint8_t file6[PHOTO_HEADER_BYTES + PIXELS];
static uint8_t file16[PHOTO_HEADER_BYTES + 2 * PIXELS];
static uint8_t out[4 * PIXELS];

static uint32_t ticks_now(void) { return SYST_CVR; }

/* SysTick counts down from 2^24 - 1; no measurement here is that long. */
static uint32_t ticks_since(uint32_t start) { return (start - SYST_CVR) & 0xFFFFFFu; }

/* 2 instructions a round: subs, bne. */
static uint32_t calibrate(void)
{
    uint32_t n = 100000u;
    const uint32_t start = ticks_now();
    __asm__ volatile(".syntax unified\n1: subs %0, %0, #1\n bne 1b" : "+l"(n) : : "cc");
    return ticks_since(start);
}

static void put_decimal(uint32_t v, uint32_t width)
{
    char b[12];
    uint32_t i = 11;
    b[i] = '\0';
    do {
        b[--i] = (char)('0' + v % 10u);
        v /= 10u;
    } while (v != 0);
    while (11 - i < width)
        b[--i] = ' ';
    semihost_write0(b + i);
}

/* Hundredths as "12.34". */
static void put_hundredths(uint32_t v)
{
    put_decimal(v / 100u, 3);
    semihost_write0(".");
    put_decimal(v % 100u / 10u, 1);
    put_decimal(v % 10u, 1);
}

static uint32_t span_ticks(const photo_file_t *p, photo_format_t format)
{
    uint32_t r, start;
    (void)photo_read_span(p, 0, 0, PIXELS, format, out); /* warm */
    start = ticks_now();
    for (r = 0; r < ROUNDS; r++)
        if (photo_read_span(p, 0, 0, PIXELS, format, out) != 0)
            return 0;
    return ticks_since(start);
}

static uint32_t copy_ticks(const uint8_t *src, uint32_t bytes)
{
    uint32_t r, start;
    cost_copy_bytes(out, src, bytes);
    start = ticks_now();
    for (r = 0; r < ROUNDS; r++)
        cost_copy_bytes(out, src, bytes);
    return ticks_since(start);
}

static int row(const char *name, const photo_file_t *p, photo_format_t format, const uint8_t *src,
               uint32_t hundredths_per_tick)
{
    const uint32_t bytes = photo_format_bytes(format, p->value_bytes);
    const uint32_t span = span_ticks(p, format), copy = copy_ticks(src, bytes * PIXELS);
    if (span == 0 || copy == 0)
        return 1;
    semihost_write0(name);
    put_hundredths(span * hundredths_per_tick / (PIXELS * ROUNDS));
    semihost_write0("  ");
    put_hundredths(copy * hundredths_per_tick / (PIXELS * ROUNDS));
    semihost_write0("  ");
    put_hundredths(span * 100u / copy);
    semihost_write0("\n");
    return 0;
}

int main(void)
{
    photo_file_t p6, p16;
    uint32_t i, state = 1u, hundredths_per_tick;
    SYST_RVR = 0xFFFFFFu;
    SYST_CVR = 0;
    SYST_CSR = 5; /* on, processor clock, no interrupt */
    (void)ticks_now();
    /* A picture of random values an encoder writes, one row of each. */
    file6[0] = file16[0] = (uint8_t)PIXELS;
    file6[2] = file16[2] = 1;
    for (i = 0; i < 2 * PIXELS; i++) {
        state = state * 1103515245u + 12345u;
        file16[PHOTO_HEADER_BYTES + i] = (uint8_t)(state >> 16);
        if (i < PIXELS) {
            const uint8_t v = (uint8_t)(state >> 24 & 63u);
            file6[PHOTO_HEADER_BYTES + i] = v == 0x3C ? 0x40 : v;
        }
    }
    if (photo_open_memory(&p6, file6, sizeof file6) != 0 || photo_open_memory(&p16, file16, sizeof file16) != 0)
        return 1;
    hundredths_per_tick = 200u * 100000u / calibrate();
    semihost_write0("instructions per tick: ");
    put_hundredths(hundredths_per_tick);
    semihost_write0("\nformat    file     span/px  copy/px  ratio\n");
    return row("rgb565be  16-bit ", &p16, PHOTO_RGB565_BE, file16, hundredths_per_tick) ||
           row("rgb565be  6-bit  ", &p6, PHOTO_RGB565_BE, file6, hundredths_per_tick) ||
           row("xrgb8888  16-bit ", &p16, PHOTO_XRGB8888, file16, hundredths_per_tick) ||
           row("xrgb8888  6-bit  ", &p6, PHOTO_XRGB8888, file6, hundredths_per_tick);
}
