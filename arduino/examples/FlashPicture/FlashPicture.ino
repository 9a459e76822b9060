// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A picture kept in flash, shown on an ILI9341 or ST7789 SPI panel.
//
// Wiring (the usual pins of Uno panel shields; change them here): the
// panel's SCK, MOSI to the Uno's 13, 11 (its hardware SPI), CS to 10, DC
// (data/command) to 9, RST to 8, and VCC, GND and the backlight as the
// panel's board wants them (many need 3.3 V logic: a level shifter).
//
// picture.h holds a photo file, made as the docs' microcontrollers page
// says (one recipe):
//
//     kestrow16 picture.bmp picture.photo
//     xxd -i picture.photo | sed 's/^unsigned char \(.*\)\[\]/static const uint8_t \1[] PHOTO_FLASH/' > picture.h
//
// PHOTO_FLASH keeps it in flash on an AVR (an Uno's 2 KiB of RAM could
// not hold it). It is shown in the middle of the panel, a row at a time,
// 64 pixels read at a time: only 128 bytes of it are ever in RAM.
#include <SPI.h>
#include <photo_file.h>
#include <photo_panel.h>

#include "picture.h"

// The panel: one line to change for an ST7789 (240 x 240; 240 x 320 for
// the taller ones).
const photo_panel panel = {PHOTO_PANEL_ILI9341, 320, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};
// const photo_panel panel = {PHOTO_PANEL_ST7789, 240, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};

const uint32_t span_pixels = 64;

void setup()
{
    photo_panel_begin(panel);
    photo_file_t photo;
    int rc = photo_open_flash(&photo, picture_photo, picture_photo_len);
    if (rc == 0 && (photo.width > panel.width || photo.height > panel.height))
        rc = PHOTO_ERR_RANGE;  // larger than the panel
    if (rc != 0)
        return;
    const uint16_t x0 = uint16_t((panel.width - photo.width) / 2);
    const uint16_t y0 = uint16_t((panel.height - photo.height) / 2);
    photo_panel_window(panel, x0, y0, uint16_t(x0 + photo.width - 1), uint16_t(y0 + photo.height - 1));
    uint8_t bytes[2 * span_pixels];
    for (uint32_t y = 0; rc == 0 && y < photo.height; y++)
        for (uint32_t x = 0; rc == 0 && x < photo.width; x += span_pixels) {
            const uint32_t n = photo.width - x < span_pixels ? photo.width - x : span_pixels;
            rc = photo_read_span(&photo, x, y, n, PHOTO_RGB565_BE, bytes);
            if (rc == 0)
                photo_panel_pixels(panel, bytes, 2 * n);
        }
}

void loop() {}
