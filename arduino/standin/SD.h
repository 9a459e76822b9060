// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Stand-in for the Arduino SD library: the calls the SdViewer example
// makes, declared as the library declares them.
#ifndef KESTROW_SD_STANDIN_H
#define KESTROW_SD_STANDIN_H

#include <Arduino.h>

#define FILE_READ 0x01

class File {
public:
    int read(void *buf, uint16_t nbyte);
    bool seek(uint32_t pos);
    uint32_t size();
    void close();
    operator bool();
};

class SDClass {
public:
    bool begin(uint8_t csPin);
    File open(const char *filename, uint8_t mode = FILE_READ);
};
extern SDClass SD;

#endif
