// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// For the panel harness: the picture drawn by photo_panel_draw at
// (PICTURE_X, PICTURE_Y) on a 240 x 320 ST7789, rather than in the middle:
// a window starting at row 256 or below needs the high byte of its row.
#include <SPI.h>
#include <photo_file.h>
#include <photo_panel.h>

#include "picture.h"

const photo_panel panel = {PHOTO_PANEL_ST7789, 240, 320, /* cs */ 10, /* dc */ 9, /* rst */ 8};

void setup()
{
    photo_panel_begin(panel);
    photo_file_t photo;
    if (photo_open_flash(&photo, picture_photo, picture_photo_len) == 0)
        photo_panel_draw(panel, &photo, PICTURE_X, PICTURE_Y);
}

void loop() {}
