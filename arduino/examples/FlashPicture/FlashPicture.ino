// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A picture kept in flash, shown on a panel a row at a time.
//
// picture.h holds a photo file as `xxd -i` writes it, declared PHOTO_FLASH:
// on an AVR it stays in flash (an Uno's 2 KiB of RAM could not hold it),
// elsewhere it is ordinary const data. To show your own picture:
//
//     kestrow16 picture.bmp picture.photo
//     xxd -i picture.photo > picture.h
//
// then make its first line `static const uint8_t picture[] PHOTO_FLASH = {`
// and its length line `sizeof picture` does the rest.
//
// Each row is read, a span at a time, as RGB565, high byte first, which is what SPI panels
// (ST7735, ST7789, ILI9341) take; fill in panel_write() for yours.
#include <photo_file.h>

#include "picture.h"

// Pixels read at a time: a picture of any width is sent in pieces this
// long, so only 2 * span_pixels bytes of it are ever in RAM.
const uint32_t span_pixels = 32;

// Sends n bytes of pixels to the panel. With most SPI panel libraries:
// set the address window once for the whole picture before the first row,
// then write the bytes as they come.
void panel_write(const uint8_t *bytes, uint32_t n)
{
    (void)bytes;
    (void)n;
}

void setup()
{
    Serial.begin(9600);
    photo_file_t photo;
    uint8_t bytes[2 * span_pixels];
    int rc = photo_open_flash(&photo, picture, sizeof picture);
    for (uint32_t y = 0; rc == 0 && y < photo.height; y++)
        for (uint32_t x = 0; rc == 0 && x < photo.width; x += span_pixels) {
            const uint32_t n = photo.width - x < span_pixels ? photo.width - x : span_pixels;
            rc = photo_read_span(&photo, x, y, n, PHOTO_RGB565_BE, bytes);
            if (rc == 0)
                panel_write(bytes, 2 * n);
        }
    if (rc != 0)
        Serial.println(photo_error_text(rc));
}

void loop() {}
