// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The smallest stand-in for the Arduino core that the examples need, so
// that they are compiled for an Uno with Debian's avr-g++ alone: what the
// IDE adds before a sketch, and Serial. The declarations follow the core's
// own; nothing here is linked or run.
#ifndef KESTROW_ARDUINO_STANDIN_H
#define KESTROW_ARDUINO_STANDIN_H

#include <avr/pgmspace.h>
#include <stddef.h>
#include <stdint.h>

class HardwareSerial {
public:
    void begin(unsigned long baud);
    size_t println(const char *text);
};
extern HardwareSerial Serial;

void setup();
void loop();

#endif
