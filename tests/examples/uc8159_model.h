/* SPDX-License-Identifier: MIT
 * Copyright (c) 2026 kestrow developers */
/* A model of a six- or seven-colour e-paper's controller (UC8159 class) on
 * the bus the docs' code drives (bus_command, bus_data, bus_wait_busy).
 * See uc8159_model.c for what it models. */
#ifndef KESTROW_UC8159_MODEL_H
#define KESTROW_UC8159_MODEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct uc8159_model {
    uint8_t memory[800 * 480 / 2]; /* display memory, four bits a pixel */
    uint32_t at;                   /* where the next data byte goes */
    int command;                   /* the last command, whose data the bytes are; -1 none */
    int busy;                      /* a refresh is running until bus_wait_busy */
    unsigned refreshes;
    unsigned faults;               /* what the datasheet does not allow, with the first */
    char fault[160];
} uc8159_model_t;

/* The model the bus reaches, cleared as at power-on. */
void uc8159_model_start(uc8159_model_t *model);

#ifdef __cplusplus
}
#endif

#endif
