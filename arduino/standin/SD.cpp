// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// The stand-in SD library's bodies, so that SdViewer links as well as
// compiles: a card that is never there, as on a board with no card.
#include "SD.h"

int File::read(void *, uint16_t) { return -1; }
bool File::seek(uint32_t) { return false; }
uint32_t File::size() { return 0; }
void File::close() {}
File::operator bool() { return false; }

bool SDClass::begin(uint8_t) { return false; }
File SDClass::open(const char *, uint8_t) { return File(); }
SDClass SD;
