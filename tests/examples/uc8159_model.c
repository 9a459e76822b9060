/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* A model of the controller of a six- or seven-colour e-paper (UC8159 class:
 * ACeP seven colours, Spectra 6), from its datasheet, as far as the docs'
 * code drives it on a board's bus (a command byte; data bytes; a wait on
 * BUSY): 0x10 (data start transmission) and then the picture's four-bit
 * numbers in order into display memory; 0x12 (display refresh), BUSY until
 * it ends. A command or data while BUSY is a fault (the controller ignores
 * the bus then), as is any other command, or data outside 0x10's. The
 * OLED and three-colour panels are modelled on a simulated Uno instead
 * (tests/arduino). */
#include "uc8159_model.h"

#include <stdio.h>
#include <string.h>

#include "examples.h"

static uc8159_model_t *panel;

void uc8159_model_start(uc8159_model_t *model)
{
    memset(model, 0, sizeof *model);
    model->command = -1;
    panel = model;
}

static void fault(const char *what, unsigned value)
{
    if (panel->faults++ == 0)
        snprintf(panel->fault, sizeof panel->fault, "%s (0x%02X)", what, value);
}

void bus_command(uint8_t command)
{
    if (panel->busy) {
        fault("a command while BUSY", command);
        return;
    }
    panel->command = command;
    if (command == 0x10) {
        panel->at = 0;
    } else if (command == 0x12) {
        panel->busy = 1;
        panel->refreshes++;
    } else {
        fault("a command this model does not know", command);
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
        if (panel->command != 0x10 || panel->at >= sizeof panel->memory) {
            fault("data outside the picture's data command", bytes[i]);
            return;
        }
        panel->memory[panel->at++] = bytes[i];
    }
}

void bus_wait_busy(void) { panel->busy = 0; }
