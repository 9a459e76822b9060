// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A picture kept in flash, shown on a 128 x 64 monochrome OLED (SSD1306, or
// SH1106 with column_offset 2) over I2C.
//
// Wiring: the OLED's SDA to the Uno's A4, SCL to A5, VCC to 5 V (or 3.3 V,
// as its board wants), GND to GND. Address 0x3C (some boards: 0x3D).
//
// picture.h holds a 6-bit photo file dithered onto the mono palette, made
// as the docs' e-paper and OLED page says:
//
//     bmpdither --palette mono picture.bmp dithered.bmp
//     kestrow dithered.bmp picture.photo
//     xxd -i picture.photo | sed 's/^unsigned char \(.*\)\[\]/static const uint8_t \1[] PHOTO_FLASH/' > picture.h
//
// The reader hands it out a page (eight rows) at a time as the OLED takes
// it: a byte a column, the page's top row in bit 0. The library's zip ships
// the sample picture dithered so.
#include <Wire.h>
#include <photo_file.h>

#include "picture.h"

const uint8_t oled_address = 0x3C;
const uint8_t column_offset = 0;  // 2 for an SH1106

static const photo_palette_t mono = PHOTO_PALETTE_MONO;

// The Wire library sends at most 32 bytes a transmission, its control byte
// among them.
const uint8_t chunk = 16;

// A run of commands (control byte 0x00) or of display data (0x40).
void oled_send(uint8_t control, const uint8_t *bytes, uint8_t n)
{
    Wire.beginTransmission(oled_address);
    Wire.write(control);
    Wire.write(bytes, n);
    Wire.endTransmission();
}

void setup()
{
    Wire.begin();
    // The SSD1306's start-up for 128 x 64 (its datasheet's example): off,
    // clock, 64 rows, no offset, start line 0, charge pump on, page
    // addressing, columns and rows mirrored for the usual mounting, COM
    // pins, contrast, precharge, VCOMH, display from memory, normal, on.
    static const uint8_t start[] = {0xAE, 0xD5, 0x80, 0xA8, 0x3F, 0xD3, 0x00, 0x40, 0x8D, 0x14, 0x20, 0x02,
                                    0xA1, 0xC8, 0xDA, 0x12, 0x81, 0xCF, 0xD9, 0xF1, 0xDB, 0x40, 0xA4, 0xA6, 0xAF};
    oled_send(0x00, start, sizeof start);
    photo_file_t photo;
    int rc = photo_open_flash(&photo, picture_photo, picture_photo_len);
    if (rc == 0 && photo.width > 128)
        rc = PHOTO_ERR_RANGE;
    // A taller picture shows its top 64 rows.
    const uint32_t rows = rc == 0 && photo.height < 64 ? photo.height : 64;
    uint8_t page[128];
    for (uint32_t y = 0; rc == 0 && y < rows; y += 8) {
        rc = photo_read_packed(&photo, &mono, PHOTO_PACK_PAGES, y, 0, page);
        if (rc != 0)
            break;
        const uint8_t at[] = {uint8_t(0xB0 | y / 8), uint8_t(column_offset & 0x0F), uint8_t(0x10 | column_offset >> 4)};
        oled_send(0x00, at, sizeof at);
        for (uint8_t x = 0; x < photo.width; x += chunk)
            oled_send(0x40, page + x, uint8_t(photo.width - x < chunk ? photo.width - x : chunk));
    }
}

void loop() {}
