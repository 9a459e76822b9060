#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""Side-by-side pictures of what the 6-bit display shows: plain (the
converter alone), dithered by an earlier build, dithered by this one. For
one photograph and the star field of dither_quality.py, each cropped and
scaled up twice (nearest neighbour) so the dots can be seen.

usage: bench/dither_pictures.py BEFORE_BUILD_DIR AFTER_BUILD_DIR OUT_DIR
(needs python3-skimage, python3-scipy, python3-pil.)
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image
from skimage import data

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dither_quality import star_field  # noqa: E402


def shown(build, src, work, dither):
    """What the display shows for `src`: dithered by `build` or not, then
    the converter and photo2bmp of the after-build."""
    bmp = src
    if dither:
        bmp = os.path.join(work, "dithered.bmp")
        subprocess.run([os.path.join(build, "bmpdither"), src, bmp], check=True)
    return bmp


def panel(after, bmp, work):
    photo, back = os.path.join(work, "t.photo"), os.path.join(work, "shown.bmp")
    subprocess.run([os.path.join(after, "kestrow"), bmp, photo], check=True)
    subprocess.run([os.path.join(after, "photo2bmp"), photo, back], check=True)
    return np.asarray(Image.open(back).convert("RGB"))


def main():
    before, after, out = sys.argv[1:4]
    os.makedirs(out, exist_ok=True)
    pictures = [("astronaut", data.astronaut()[40:232, 160:416]), ("star-field", star_field()[:, :256])]
    with tempfile.TemporaryDirectory() as work:
        for name, pixels in pictures:
            src = os.path.join(work, "src.bmp")
            Image.fromarray(pixels).save(src, "BMP")
            panels = [pixels,
                      panel(after, shown(after, src, work, False), work),
                      panel(after, shown(before, src, work, True), work),
                      panel(after, shown(after, src, work, True), work)]
            gap = np.full((pixels.shape[0], 4, 3), 255, np.uint8)
            row = np.concatenate([x for p in panels for x in (p, gap)][:-1], axis=1)
            path = os.path.join(out, f"dither-{name}.png")
            Image.fromarray(row).resize((row.shape[1] * 2, row.shape[0] * 2), Image.NEAREST).save(path)
            print(path)


if __name__ == "__main__":
    main()
