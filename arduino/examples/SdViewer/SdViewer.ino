// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// A photo file on an SD card, shown on a panel a row at a time.
//
// The reader asks for a few bytes at an offset; the read function below
// answers with the SD library's File (seek, then read). Only a span of a row
// and a 64-byte chunk are ever in RAM, so a picture of any size fits an Uno.
//
// Copy a photo file (made by kestrow or kestrow16) to the card as
// PICTURE.PHO (the SD library takes 8.3 names).
//
// The panel (ILI9341 or ST7789) shares the SPI bus with the card, wired as
// in FlashPicture; each piece of a row is read from the card, then sent to
// the panel, RGB565 high byte first. The picture is shown in the middle of
// the panel.
#include <SD.h>
#include <SPI.h>
#include <photo_file.h>
#include <photo_panel.h>

// The panel: one line to change for an ST7789.
const photo_panel panel = {PHOTO_PANEL_ILI9341, 320, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};
// const photo_panel panel = {PHOTO_PANEL_ST7789, 240, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};

// The card's chip select pin: 4 on the Ethernet and many SD shields, 10 on
// others.
const uint8_t sd_chip_select = 4;

// Pixels read at a time: a picture of any width is sent in pieces this
// long, so only 2 * span_pixels bytes of it are ever in RAM.
const uint32_t span_pixels = 32;

// The reader's read function: n bytes at offset, 0 when all came.
int sd_read(void *context, uint32_t offset, void *dst, uint32_t n)
{
    File *file = static_cast<File *>(context);
    if (!file->seek(offset))
        return -1;
    return file->read(dst, static_cast<uint16_t>(n)) == static_cast<int>(n) ? 0 : -1;
}

void setup()
{
    Serial.begin(9600);
    photo_panel_begin(panel);
    if (!SD.begin(sd_chip_select)) {
        Serial.println("no SD card");
        return;
    }
    File file = SD.open("PICTURE.PHO");
    if (!file) {
        Serial.println("no PICTURE.PHO on the card");
        return;
    }
    photo_file_t photo;
    uint8_t bytes[2 * span_pixels];
    int rc = photo_open_reader(&photo, sd_read, &file, file.size());
    if (rc == 0 && (photo.width > panel.width || photo.height > panel.height))
        rc = PHOTO_ERR_RANGE;  // larger than the panel
    if (rc == 0) {
        const uint16_t x0 = uint16_t((panel.width - photo.width) / 2);
        const uint16_t y0 = uint16_t((panel.height - photo.height) / 2);
        photo_panel_window(panel, x0, y0, uint16_t(x0 + photo.width - 1), uint16_t(y0 + photo.height - 1));
    }
    for (uint32_t y = 0; rc == 0 && y < photo.height; y++)
        for (uint32_t x = 0; rc == 0 && x < photo.width; x += span_pixels) {
            const uint32_t n = photo.width - x < span_pixels ? photo.width - x : span_pixels;
            rc = photo_read_span(&photo, x, y, n, PHOTO_RGB565_BE, bytes);
            if (rc == 0)
                photo_panel_pixels(panel, bytes, 2 * n);
        }
    if (rc != 0)
        Serial.println(photo_error_text(rc));
    file.close();
}

void loop() {}
