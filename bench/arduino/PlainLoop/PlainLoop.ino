// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The cost bench's baseline: FlashPicture's picture sent to the same panel
// without the reader, straight from flash in the loop that feeds SPDR (a
// 16-bit photo file's values, rows turned over, high byte first), to show
// what the bus allows. Not an example: it trusts the file blindly.
#include <SPI.h>
#include <avr/pgmspace.h>
#include <photo_file.h>
#include <photo_panel.h>

#include "picture.h"

const photo_panel panel = {PHOTO_PANEL_ILI9341, 320, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};

void setup()
{
    photo_panel_begin(panel);
    const uint8_t *file = picture_photo;
    const uint16_t w = pgm_read_word(file), h = pgm_read_word(file + 2);
    const uint16_t x0 = uint16_t((panel.width - w) / 2), y0 = uint16_t((panel.height - h) / 2);
    photo_panel_window(panel, x0, y0, uint16_t(x0 + w - 1), uint16_t(y0 + h - 1));
    SPI.beginTransaction(photo_panel_spi());
    digitalWrite(panel.cs, LOW);
    // Each byte fetched while the one before is on the wire.
    for (uint16_t y = h; y-- > 0;) {
        const uint8_t *p = file + 4 + 2 * uint32_t(y) * w;
        uint8_t high = pgm_read_byte(p + 1);
        for (const uint8_t *end = p + 2 * w; p != end; p += 2) {
            SPDR = high;
            const uint8_t low = pgm_read_byte(p);
            while (!(SPSR & _BV(SPIF))) {
            }
            SPDR = low;
            high = pgm_read_byte(p + 3);
            while (!(SPSR & _BV(SPIF))) {
            }
        }
    }
    digitalWrite(panel.cs, HIGH);
    SPI.endTransaction();
}

void loop() {}
