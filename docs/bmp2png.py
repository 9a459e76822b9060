#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""Turns a 24-bit uncompressed BMP into a PNG, scaled up by a whole factor
(nearest neighbour) so that small pictures stay sharp on a web page.

    docs/bmp2png.py IN.bmp OUT.png [SCALE]
"""
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if data[:2] != b"BM" or planes != 1 or bits != 24 or compression != 0:
        sys.exit(f"{path}: not an uncompressed 24-bit BMP")
    row = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        start = offset + row * y
        rows.append([tuple(data[start + 3 * x:start + 3 * x + 3][::-1]) for x in range(width)])
    if height > 0:          # bottom-up: the first stored row is the bottom one
        rows.reverse()
    return width, abs(height), rows


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, rows, scale):
    raw = bytearray()
    for r in rows:
        line = b"".join(bytes(px) * scale for px in r)
        for _ in range(scale):
            raw += b"\0" + line
    ihdr = struct.pack(">IIBBBBB", width * scale, height * scale, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) +
                png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    w, h, pixels = read_bmp(sys.argv[1])
    write_png(sys.argv[2], w, h, pixels, int(sys.argv[3]) if len(sys.argv) == 4 else 1)
