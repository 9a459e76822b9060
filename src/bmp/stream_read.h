// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Whole-item reads from a C stream, for messages printed with perror.
#ifndef KESTROW_STREAM_READ_H
#define KESTROW_STREAM_READ_H

#include <cerrno>
#include <cstddef>
#include <cstdio>

// Reads one item of `size` bytes into `buf`. A read that merely ends early
// at the end of the file sets no error code, so perror would describe
// whatever code was current ("Success", as often as not); such a read is
// given ENODATA. A real read error keeps its own code. A zero-size item is
// never delivered whole.
inline bool stream_read_whole(void *buf, std::size_t size, FILE *in)
{
    if (size != 0 && fread(buf, size, 1, in) == 1)
        return true;
    if (size == 0 || !ferror(in))
        errno = ENODATA;
    return false;
}

#endif
