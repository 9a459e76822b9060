// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// An SPI panel of the ILI9341 (320 x 240) or ST7789 (240 x 240, 240 x 320)
// kind, driven through the Arduino SPI library alone, for the examples:
// the controller's start-up (hardware and software reset, sleep out, 16
// bits a pixel, memory access control, display on), an address window,
// and the memory write that fills it left to right and top to bottom,
// RGB565 high byte first, as photo_read_span gives PHOTO_RGB565_BE. Every
// transfer is an SPI transaction of its own with CS low only for it, so an
// SD card may share the bus: between two pieces of pixels the panel keeps
// its place in the window (both datasheets' "data transfer pause").
// Commands and waits from the controllers' datasheets (ILI9341 V1.11,
// ST7789VW V1.0).
#ifndef KESTROW_PHOTO_PANEL_H
#define KESTROW_PHOTO_PANEL_H

#include <Arduino.h>
#include <SPI.h>

#include "photo_file.h"

enum photo_panel_controller { PHOTO_PANEL_ILI9341, PHOTO_PANEL_ST7789 };

struct photo_panel {
    photo_panel_controller controller;
    uint16_t width, height;  // as the memory access control below sets them
    uint8_t cs, dc, rst;     // chip select, data (high) / command (low), reset
};

// The commands used; both controllers number them alike.
enum : uint8_t {
    PHOTO_PANEL_SWRESET = 0x01,
    PHOTO_PANEL_SLPOUT = 0x11,
    PHOTO_PANEL_INVON = 0x21,
    PHOTO_PANEL_DISPON = 0x29,
    PHOTO_PANEL_CASET = 0x2A,  // column address set
    PHOTO_PANEL_RASET = 0x2B,  // row (ILI9341: page) address set
    PHOTO_PANEL_RAMWR = 0x2C,
    PHOTO_PANEL_MADCTL = 0x36,
    PHOTO_PANEL_COLMOD = 0x3A,
};

// SPI clock F_CPU / 2 (8 MHz on a 16 MHz Uno), within both controllers'
// write cycle; mode 0, high bit first.
inline SPISettings photo_panel_spi() { return SPISettings(F_CPU / 2, MSBFIRST, SPI_MODE0); }

// Sends a command and its parameters.
inline void photo_panel_command(const photo_panel &p, uint8_t command, const uint8_t *params = nullptr,
                                uint8_t n = 0)
{
    SPI.beginTransaction(photo_panel_spi());
    digitalWrite(p.cs, LOW);
    digitalWrite(p.dc, LOW);
    SPI.transfer(command);
    digitalWrite(p.dc, HIGH);
    for (uint8_t i = 0; i < n; i++)
        SPI.transfer(params[i]);
    digitalWrite(p.cs, HIGH);
    SPI.endTransaction();
}

// Resets the panel and sets it up for 16-bit pixels.
inline void photo_panel_begin(const photo_panel &p)
{
    pinMode(p.cs, OUTPUT);
    pinMode(p.dc, OUTPUT);
    pinMode(p.rst, OUTPUT);
    digitalWrite(p.cs, HIGH);
    SPI.begin();
    // Hardware reset: low for at least 10 us, then 120 ms before commands.
    digitalWrite(p.rst, LOW);
    delay(1);
    digitalWrite(p.rst, HIGH);
    delay(120);
    photo_panel_command(p, PHOTO_PANEL_SWRESET);
    delay(120);  // 5 ms before the next command, 120 ms before sleep out
    photo_panel_command(p, PHOTO_PANEL_SLPOUT);
    delay(120);  // the supply and clock settle
    const uint8_t rgb565 = 0x55;  // 16 bits a pixel
    photo_panel_command(p, PHOTO_PANEL_COLMOD, &rgb565, 1);
    // ILI9341: rows and columns exchanged (MV), so the panel is 320 wide,
    // blue and red in the order its glass has them (BGR). ST7789: as it
    // is, and inverted, as its IPS glass needs to show black as black.
    const uint8_t madctl = p.controller == PHOTO_PANEL_ILI9341 ? 0x28 : 0x00;
    photo_panel_command(p, PHOTO_PANEL_MADCTL, &madctl, 1);
    if (p.controller == PHOTO_PANEL_ST7789)
        photo_panel_command(p, PHOTO_PANEL_INVON);
    photo_panel_command(p, PHOTO_PANEL_DISPON);
}

// Sets the window (x0, y0) to (x1, y1), inclusive, and starts the memory
// write at its top left.
inline void photo_panel_window(const photo_panel &p, uint16_t x0, uint16_t y0, uint16_t x1, uint16_t y1)
{
    const uint8_t columns[] = {uint8_t(x0 >> 8), uint8_t(x0), uint8_t(x1 >> 8), uint8_t(x1)};
    const uint8_t rows[] = {uint8_t(y0 >> 8), uint8_t(y0), uint8_t(y1 >> 8), uint8_t(y1)};
    photo_panel_command(p, PHOTO_PANEL_CASET, columns, 4);
    photo_panel_command(p, PHOTO_PANEL_RASET, rows, 4);
    photo_panel_command(p, PHOTO_PANEL_RAMWR);
}

// Sends n bytes of pixels into the window, where the last ones stopped.
inline void photo_panel_pixels(const photo_panel &p, const uint8_t *bytes, uint32_t n)
{
    SPI.beginTransaction(photo_panel_spi());
    digitalWrite(p.cs, LOW);
#if defined(__AVR__)
    // The next byte goes out as soon as the last has (16 CPU cycles at
    // F_CPU / 2), already fetched while the last was on the wire; nothing
    // is read back. A pointer, not a 32-bit count, keeps the loop's own
    // cycles inside the byte's 16.
    if (n != 0) {
        const uint8_t *end = bytes + n;
        uint8_t next = *bytes++;
        for (;;) {
            SPDR = next;
            const bool last = bytes == end;
            if (!last)
                next = *bytes++;
            while (!(SPSR & _BV(SPIF))) {
            }
            if (last)
                break;
        }
    }
#else
    for (uint32_t i = 0; i < n; i++)
        SPI.transfer(bytes[i]);
#endif
    digitalWrite(p.cs, HIGH);
    SPI.endTransaction();
}

#if defined(__AVR__) && !defined(PHOTO_PANEL_PORTABLE)
// A picture in an AVR's flash at the SPI bus's own pace. The ATmega328P's
// SPI data register has no transmit buffer: a byte written while the last
// is still going out (16 cycles at F_CPU / 2, and 2 more a real chip
// needs) is lost. Polling SPIF between bytes costs a pixel about 90
// cycles; here each byte is written blind, 18 cycles after the one
// before, counted out in instructions, and the flash reads for the next
// pixel fill those cycles: 36 cycles a pixel. Interrupts (millis) only
// lengthen a gap, which is safe.

// 18 cycles between writes: "out" (1) + what the comment says + padding.
#define PHOTO_PANEL_PAD2 "rjmp .+0\n\t"

// One row of a 16-bit photo file in flash: `n` (at least 1) values from
// `row`, each low byte first, sent high byte first.
inline void photo_panel_flash_row16(const uint8_t *row, uint16_t n)
{
    uint16_t now, next;
    asm volatile(
        "lpm %A[now], Z+\n\t"
        "lpm %B[now], Z+\n\t"
        "1:\n\t"
        "out %[spdr], %B[now]\n\t"  // the high byte: cycle 0
        "lpm %A[next], Z+\n\t"      // 3
        "lpm %B[next], Z+\n\t"      // 3
        "sbiw %[n], 1\n\t"          // 2
        PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 "nop\n\t"  // 9
        "out %[spdr], %A[now]\n\t"  // the low byte: cycle 18
        "movw %A[now], %A[next]\n\t" // 1
        PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2
        PHOTO_PANEL_PAD2  // 14
        "brne 1b\n\t"               // 2: the next high byte at cycle 36
        : [now] "=&r"(now), [next] "=&r"(next), [n] "+w"(n), "+z"(row)
        : [spdr] "I"(_SFR_IO_ADDR(SPDR)));
}

// The same for a 6-bit file: each value (one byte) looked up as RGB565 in
// two 65-byte tables in RAM, high bytes then low bytes.
inline void photo_panel_flash_row6(const uint8_t *row, uint16_t n, const uint8_t *table)
{
    uint8_t v, high, low;
    const uint8_t zero = 0;
    const uint8_t *entry;
    asm volatile(
        "1:\n\t"
        "lpm %[v], Z+\n\t"               // 3
        "movw %A[entry], %A[table]\n\t"  // 1
        "add %A[entry], %[v]\n\t"        // 1
        "adc %B[entry], %[zero]\n\t"     // 1
        "ld %[high], X\n\t"              // 2
        "subi %A[entry], lo8(-65)\n\t"   // 1
        "sbci %B[entry], hi8(-65)\n\t"   // 1
        "ld %[low], X\n\t"               // 2
        "sbiw %[n], 1\n\t"               // 2
        "nop\n\t"                        // 1: 18 since the last low byte
        "out %[spdr], %[high]\n\t"       // the high byte: cycle 0
        PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2
        PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 "nop\n\t"  // 17
        "out %[spdr], %[low]\n\t"        // the low byte: cycle 18
        "brne 1b\n\t"                    // 2: 36 a pixel
        : [v] "=&r"(v), [high] "=&r"(high), [low] "=&r"(low), [entry] "=&x"(entry), [n] "+w"(n), "+z"(row)
        : [spdr] "I"(_SFR_IO_ADDR(SPDR)), [table] "r"(table), [zero] "r"(zero));
}
#endif

// Draws a photo file at (x0, y0): the window, then every row, top first.
// A picture opened with photo_open_flash on an AVR goes at the bus's pace
// (above); any other source, or any other board, through
// photo_read_span, 64 pixels at a time. Returns 0 or a reader code
// (PHOTO_ERR_RANGE where the picture does not fit the panel there).
inline int photo_panel_draw(const photo_panel &p, const photo_file_t *photo, uint16_t x0, uint16_t y0)
{
    if (photo->width == 0 || x0 + photo->width > p.width || y0 + photo->height > p.height)
        return PHOTO_ERR_RANGE;
#if defined(__AVR__) && !defined(PHOTO_PANEL_PORTABLE)
    // Refused before anything is drawn, as a read would refuse them.
    int rc = photo_check_values(photo, nullptr);
    if (rc != 0)
        return rc;
#endif
    photo_panel_window(p, x0, y0, uint16_t(x0 + photo->width - 1), uint16_t(y0 + photo->height - 1));
#if defined(__AVR__) && !defined(PHOTO_PANEL_PORTABLE)
    if (photo->read == photo_flash_read) {
        const uint8_t *file = static_cast<const uint8_t *>(photo->context);
        const uint16_t w = uint16_t(photo->width), row_bytes = uint16_t(photo->value_bytes * w);
        uint8_t table[2 * 65];
        if (photo->value_bytes == 1)
            for (uint8_t v = 0; v <= 0x40; v++) {
                const photo_rgb_t c = photo_value6_rgb(v);
                const uint16_t rgb565 = uint16_t((c.red >> 3) << 11 | (c.green >> 2) << 5 | c.blue >> 3);
                table[v] = uint8_t(rgb565 >> 8);
                table[65 + v] = uint8_t(rgb565);
            }
        SPI.beginTransaction(photo_panel_spi());
        digitalWrite(p.cs, LOW);
        // The top row is stored last.
        for (uint16_t y = 0; y < photo->height; y++) {
            const uint8_t *row = file + PHOTO_HEADER_BYTES + uint32_t(photo->height - 1 - y) * row_bytes;
            if (photo->value_bytes == 2)
                photo_panel_flash_row16(row, w);
            else
                photo_panel_flash_row6(row, w, table);
        }
        // The last byte goes out before CS rises.
        asm volatile(PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2
                         PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2 PHOTO_PANEL_PAD2);
        digitalWrite(p.cs, HIGH);
        SPI.endTransaction();
        return 0;
    }
#else
    int rc = 0;
#endif
    uint8_t bytes[2 * 64];
    for (uint32_t y = 0; rc == 0 && y < photo->height; y++)
        for (uint32_t x = 0; rc == 0 && x < photo->width; x += 64) {
            const uint32_t n = photo->width - x < 64 ? photo->width - x : 64;
            rc = photo_read_span(photo, x, y, n, PHOTO_RGB565_BE, bytes);
            if (rc == 0)
                photo_panel_pixels(p, bytes, 2 * n);
        }
    return rc;
}

#endif
