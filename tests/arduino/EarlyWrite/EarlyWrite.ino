// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// For the panel harness's own test: after the memory write command, two
// pixel bytes written blind GAP cycles apart (17: one cycle too early for
// the ATmega328P's SPI, which loses the second; 18: in time). The harness
// must name the lost byte's cycle.
#include <SPI.h>
#include <photo_panel.h>

#ifndef GAP
#define GAP 17
#endif

const photo_panel panel = {PHOTO_PANEL_ILI9341, 320, 240, /* cs */ 10, /* dc */ 9, /* rst */ 8};

void setup()
{
    photo_panel_begin(panel);
    photo_panel_window(panel, 0, 0, 0, 0);
    SPI.beginTransaction(photo_panel_spi());
    digitalWrite(panel.cs, LOW);
    // "out" takes 1 cycle, each "rjmp .+0" 2 and "nop" 1: GAP - 1 between.
    asm volatile("out %[spdr], %[a]\n\t"
                 ".rept %[pairs]\n\trjmp .+0\n\t.endr\n\t"
                 ".rept %[single]\n\tnop\n\t.endr\n\t"
                 "out %[spdr], %[b]\n\t"
                 :
                 : [spdr] "I"(_SFR_IO_ADDR(SPDR)), [a] "r"(uint8_t(0xF8)), [b] "r"(uint8_t(0x00)),
                   [pairs] "n"((GAP - 1) / 2), [single] "n"((GAP - 1) % 2));
    delayMicroseconds(10);
    digitalWrite(panel.cs, HIGH);
    SPI.endTransaction();
}

void loop() {}
