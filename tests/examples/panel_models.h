/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* Models of three controllers of panels of a few colours, on the bus the
 * docs' e-paper and OLED code drives (bus_command, bus_data,
 * bus_wait_busy). See panel_models.c for what each models. */
#ifndef KESTROW_PANEL_MODELS_H
#define KESTROW_PANEL_MODELS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum panel_kind { PANEL_SSD1306, PANEL_SSD1680, PANEL_UC8159 };

typedef struct panel_model {
    enum panel_kind kind;
    /* SSD1306 / SH1106: display memory of 8 pages of 132 columns, a byte a
     * column, the page's top row in bit 0. */
    uint8_t gddram[8][132];
    unsigned page, column;
    /* SSD1680: black/white and colour memories, 296 gate rows of 176
     * sources (22 bytes); the window and address counter. */
    uint8_t ram[2][296][22];
    unsigned x_start, x_end, y_start, y_end, x, y;
    /* UC8159 class (ACeP, Spectra 6): display memory, four bits a pixel. */
    uint8_t memory[800 * 480 / 2];
    uint32_t at;
    int command;       /* the last command, whose data the bytes are; -1 none */
    uint32_t argument; /* how many of its data bytes came so far */
    int busy;          /* an update is running until bus_wait_busy */
    unsigned refreshes;
    unsigned faults;   /* what the datasheet does not allow, with the first */
    char fault[160];
} panel_model_t;

/* The model the bus reaches, cleared as at power-on. */
void panel_model_start(panel_model_t *model, enum panel_kind kind);

#ifdef __cplusplus
}
#endif

#endif
