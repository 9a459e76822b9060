// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A picture kept in flash, shown on a three-colour e-paper (black, white
// and red or yellow) with an SSD1680 controller: 2.9" 128 x 296 panels and
// their kin, held upright (the picture's width runs along the panel's 128
// sources).
//
// Wiring (the usual pins of e-paper modules; change them here): SCK and
// MOSI (DIN) to the Uno's 13 and 11, CS to 10, DC to 9, RST to 8, BUSY to
// 7, VCC to 3.3 V and GND to GND (the modules' own boards take 5 V logic;
// a bare panel needs a level shifter).
//
// picture.h holds a 6-bit photo file dithered onto the bwr (or bwy)
// palette, made as the docs' e-paper and OLED page says:
//
//     bmpdither --palette bwr picture.bmp dithered.bmp
//     kestrow dithered.bmp picture.photo
//     xxd -i picture.photo | sed 's/^unsigned char \(.*\)\[\]/static const uint8_t \1[] PHOTO_FLASH/' > picture.h
//
// The reader hands out each row of each of the panel's two planes as the
// controller takes it. The library's zip ships the sample dithered so.
#include <SPI.h>
#include <photo_file.h>

#include "picture.h"

const uint8_t pin_cs = 10, pin_dc = 9, pin_rst = 8, pin_busy = 7;
static const photo_palette_t palette = PHOTO_PALETTE_BWR;  // PHOTO_PALETTE_BWY for black, white and yellow

void wait_busy()
{
    while (digitalRead(pin_busy) == HIGH) {
    }
}

void command(uint8_t c, const uint8_t *data = nullptr, uint8_t n = 0)
{
    SPI.beginTransaction(SPISettings(4000000, MSBFIRST, SPI_MODE0));
    digitalWrite(pin_cs, LOW);
    digitalWrite(pin_dc, LOW);
    SPI.transfer(c);
    digitalWrite(pin_dc, HIGH);
    for (uint8_t i = 0; i < n; i++)
        SPI.transfer(data[i]);
    digitalWrite(pin_cs, HIGH);
    SPI.endTransaction();
}

void data(const uint8_t *bytes, uint8_t n)
{
    SPI.beginTransaction(SPISettings(4000000, MSBFIRST, SPI_MODE0));
    digitalWrite(pin_cs, LOW);
    for (uint8_t i = 0; i < n; i++)
        SPI.transfer(bytes[i]);
    digitalWrite(pin_cs, HIGH);
    SPI.endTransaction();
}

void setup()
{
    pinMode(pin_cs, OUTPUT);
    pinMode(pin_dc, OUTPUT);
    pinMode(pin_rst, OUTPUT);
    pinMode(pin_busy, INPUT);
    digitalWrite(pin_cs, HIGH);
    SPI.begin();
    digitalWrite(pin_rst, LOW);  // hardware reset
    delay(10);
    digitalWrite(pin_rst, HIGH);
    delay(10);
    wait_busy();
    command(0x12);  // software reset
    wait_busy();
    photo_file_t photo;
    if (photo_open_flash(&photo, picture_photo, picture_photo_len) != 0 || photo.width > 128 || photo.height > 296)
        return;
    const uint8_t gates[] = {0x27, 0x01, 0x00};  // 296 rows
    const uint8_t entry = 0x03;                  // x, then y, both counting up
    const uint8_t bytes = uint8_t((photo.width + 7) / 8);
    const uint8_t x_range[] = {0, uint8_t(bytes - 1)};
    const uint8_t y_range[] = {0, 0, uint8_t(photo.height - 1), uint8_t((photo.height - 1) >> 8)};
    const uint8_t border = 0x05, sensor = 0x80, update = 0xF7, zero[] = {0, 0};
    command(0x01, gates, 3);
    command(0x11, &entry, 1);
    command(0x44, x_range, 2);
    command(0x45, y_range, 4);
    command(0x3C, &border, 1);
    command(0x18, &sensor, 1);  // the panel's own temperature sensor
    uint8_t row[128 / 8];
    for (uint8_t plane = 0; plane < 2; plane++) {
        command(0x4E, zero, 1);
        command(0x4F, zero, 2);
        command(plane == 0 ? 0x24 : 0x26);  // black/white RAM, then colour RAM
        for (uint16_t y = 0; y < photo.height; y++) {
            if (photo_read_packed(&photo, &palette, PHOTO_PACK_PLANES, y, plane, row) != 0)
                return;
            // Past a width that is not a multiple of 8: white, no colour.
            if (plane == 0 && photo.width % 8 != 0)
                row[bytes - 1] = uint8_t(row[bytes - 1] | 0xFF >> (photo.width % 8));
            data(row, bytes);
        }
    }
    command(0x22, &update, 1);  // the whole update sequence
    command(0x20);              // and run it
    wait_busy();
}

void loop() {}
