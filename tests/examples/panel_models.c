/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Models of three controllers, from their datasheets, as far as the docs'
 * code drives them, on the bus of a board (a command byte; data bytes; a
 * wait on the BUSY pin). What each models:
 *  - SSD1306 / SH1106 (OLED): page addressing. 0xB0-0xB7 set the page,
 *    0x00-0x0F and 0x10-0x1F the low and high nibbles of the column; each
 *    data byte is the column's eight rows of the page (top row in bit 0),
 *    the column then counting up. Any other command is a fault here (the
 *    docs' code sends none).
 *  - SSD1680 (three-colour e-paper): 0x11 data entry mode (only x then y,
 *    both up, 0x03), 0x44 / 0x45 the RAM window in x bytes and y rows,
 *    0x4E / 0x4F the address counter, 0x24 / 0x26 writes to the
 *    black/white and the colour RAM, the counter moving along x and on to
 *    the next row at the window's end; 0x22 takes its one byte; 0x20 starts
 *    an update, BUSY until it ends.
 *  - UC8159 class (ACeP seven colours, Spectra 6): 0x10 then the picture's
 *    four-bit numbers in order; 0x12 refreshes, BUSY until it ends.
 * On every panel a command or data while BUSY is a fault: the controller
 * ignores the bus then. */
#include "panel_models.h"

#include <stdio.h>
#include <string.h>

#include "examples.h"

static panel_model_t *panel;

void panel_model_start(panel_model_t *model, enum panel_kind kind)
{
    memset(model, 0, sizeof *model);
    model->kind = kind;
    model->command = -1;
    panel = model;
}

static void fault(const char *what, unsigned value)
{
    if (panel->faults++ == 0)
        snprintf(panel->fault, sizeof panel->fault, "%s (0x%02X)", what, value);
}

static void ssd1306_command(uint8_t c)
{
    if (c >= 0xB0 && c <= 0xB7)
        panel->page = c & 7u;
    else if (c <= 0x0F)
        panel->column = (panel->column & 0xF0u) | c;
    else if (c >= 0x10 && c <= 0x1F)
        panel->column = (panel->column & 0x0Fu) | (unsigned)(c & 0x0F) << 4;
    else
        fault("SSD1306: a command this model does not know", c);
}

static void ssd1306_data(uint8_t b)
{
    if (panel->column >= 132) {
        fault("SSD1306: a byte past the last column", b);
        return;
    }
    panel->gddram[panel->page][panel->column++] = b;
}

static void ssd1680_data(uint8_t b)
{
    const uint32_t i = panel->argument++;
    switch (panel->command) {
    case 0x11:
        if (b != 0x03)
            fault("SSD1680: a data entry mode this model does not know", b);
        break;
    case 0x44:
        if (i == 0)
            panel->x_start = b & 0x3Fu;
        else
            panel->x_end = b & 0x3Fu;
        break;
    case 0x45:
        if (i == 0 || i == 1)
            panel->y_start = i == 0 ? (panel->y_start & 0x100u) | b : (panel->y_start & 0xFFu) | (b & 1u) << 8;
        else
            panel->y_end = i == 2 ? (panel->y_end & 0x100u) | b : (panel->y_end & 0xFFu) | (b & 1u) << 8;
        break;
    case 0x4E: panel->x = b & 0x3Fu; break;
    case 0x4F: panel->y = i == 0 ? (panel->y & 0x100u) | b : (panel->y & 0xFFu) | (b & 1u) << 8; break;
    case 0x22: break;
    case 0x24:
    case 0x26:
        if (panel->x >= 22 || panel->y >= 296) {
            fault("SSD1680: a byte outside the RAM", b);
            return;
        }
        panel->ram[panel->command == 0x26][panel->y][panel->x] = b;
        if (panel->x++ == panel->x_end) {
            panel->x = panel->x_start;
            panel->y = panel->y == panel->y_end ? panel->y_start : panel->y + 1;
        }
        break;
    default: fault("SSD1680: data after a command that takes none", b);
    }
}

static void uc8159_data(uint8_t b)
{
    if (panel->command != 0x10 || panel->at >= sizeof panel->memory) {
        fault("UC8159: data outside the picture's data command", b);
        return;
    }
    panel->memory[panel->at++] = b;
}

void bus_command(uint8_t command)
{
    if (panel->busy) {
        fault("a command while BUSY", command);
        return;
    }
    panel->command = command;
    panel->argument = 0;
    if (panel->kind == PANEL_SSD1306) {
        ssd1306_command(command);
    } else if (command == 0x20 || command == 0x12) {
        panel->busy = 1;
        panel->refreshes++;
    } else if (panel->kind == PANEL_UC8159) {
        if (command == 0x10)
            panel->at = 0;
        else
            fault("UC8159: a command this model does not know", command);
    } else if (memchr("\x11\x44\x45\x4E\x4F\x22\x24\x26", command, 8) == NULL) {
        fault("SSD1680: a command this model does not know", command);
    }
}

void bus_data(const uint8_t *bytes, uint32_t n)
{
    uint32_t i;
    for (i = 0; i < n; i++) {
        if (panel->busy) {
            fault("data while BUSY", bytes[i]);
            return;
        }
        if (panel->kind == PANEL_SSD1306)
            ssd1306_data(bytes[i]);
        else if (panel->kind == PANEL_SSD1680)
            ssd1680_data(bytes[i]);
        else
            uc8159_data(bytes[i]);
    }
}

void bus_wait_busy(void) { panel->busy = 0; }
