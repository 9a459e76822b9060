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

#endif
