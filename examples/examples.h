/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* The docs' examples of showing a photo file, as functions the tests
 * call. */
#ifndef KESTROW_EXAMPLES_H
#define KESTROW_EXAMPLES_H

#include <stdint.h>

#include <kestrow/photo_file.h>

#include "fbview.h" /* fbview_draw, tested with the examples */

#ifdef __cplusplus
extern "C" {
#endif

/* Yours: sends n bytes of pixel data to the panel (SPI, with the panel's
 * window set and its memory-write command sent). */
void panel_write(const uint8_t *buf, uint32_t n);

/* Feeds the whole picture to the panel, top row first, RGB565 high byte
 * first. Returns 0 or a reader code. */
int panel_show(const photo_file_t *photo);

/* The picture embedded in flash with xxd -i, fed to the panel. */
int show_flash_picture(void);

/* A six- or seven-colour e-paper (docs/e-paper.md), over yours: */
void bus_command(uint8_t command);
void bus_data(const uint8_t *bytes, uint32_t n);
void bus_wait_busy(void);
int colour_epaper_show(const photo_file_t *photo, const photo_palette_t *palette);

#ifdef __cplusplus
}
#endif

#endif
