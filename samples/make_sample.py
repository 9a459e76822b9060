#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""Draws samples/sample.bmp: a small 24-bit BMP with colour bars and a hue
sweep. Its width is odd, so every stored row carries fill bytes."""
import colorsys
import struct
import sys

WIDTH, HEIGHT = 97, 65
BARS = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
        (0, 255, 255), (255, 0, 255), (255, 255, 255), (0, 0, 0)]


def pixel(x, y):
    """Colour at column x, row y counted from the top."""
    if y >= HEIGHT - 16:                      # colour bars along the bottom
        return BARS[x * len(BARS) // WIDTH]
    hue = x / WIDTH                           # hue sweep, fading to white at
    sat = 1.0 - y / (HEIGHT - 16)             # the top and to dark at the
    val = 1.0 if y > 8 else 0.5 + y / 16      # very top edge
    return tuple(round(c * 255) for c in colorsys.hsv_to_rgb(hue, 1 - sat, val))


def bmp_bytes():
    row_width = (WIDTH * 3 + 3) & ~3
    rows = []
    for y in reversed(range(HEIGHT)):         # BMP stores the bottom row first
        row = bytearray()
        for x in range(WIDTH):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(row + bytes(row_width - len(row)))
    pixels = b"".join(rows)
    dib = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels),
                      2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(dib) + len(pixels), 0, 0, 14 + len(dib))
    return head + dib + pixels


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "samples/sample.bmp"
    with open(out, "wb") as f:
        f.write(bmp_bytes())
