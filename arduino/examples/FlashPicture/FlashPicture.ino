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
// not hold it). It is shown in the middle of the panel by photo_panel_draw,
// which on an AVR sends it from flash at the SPI bus's own pace (36 cycles
// a pixel), none of it copied to RAM.
#include <SPI.h>
#include <photo_file.h>
#include <photo_panel.h>

#include "picture.h"

// The panel: one line to change for an ST7789 (240 x 240; 240 x 320 for
// the taller ones).
const photo_panel panel = {PHOTO_PANEL_ILI9341, 320, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};
// const photo_panel panel = {PHOTO_PANEL_ST7789, 240, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};

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
    photo_panel_draw(panel, &photo, x0, y0);
}

void loop() {}
