// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
// Error diffusion is one long chain: each pixel waits for the error of the
// one before it. The dithers cut a picture into a top and a bottom half
// that exchange no error, and do the bottom half on a second core where
// the machine has one. How the work is shared out between cores changes
// nothing in what is written.
#ifndef KESTROW_HALVES_H
#define KESTROW_HALVES_H

#include <cstdint>

// The first row of the bottom half of a picture `height` rows high (the
// top half has the odd row), or 0 where the picture is not cut: under 64
// rows a half would be mostly start and warming up.
inline uint32_t halves_cut(uint32_t height)
{
    return height < 64 ? 0 : height - height / 2;
}

// Runs `here(here_arg)` on this thread and `beside(beside_arg)` on a thread
// of its own where one can be had (never in WebAssembly, which has no
// threads); if not, one after the other. Returns when both are done.
using half_fn = void (*)(void *);
void halves_run(half_fn here, void *here_arg, half_fn beside, void *beside_arg);

#endif
