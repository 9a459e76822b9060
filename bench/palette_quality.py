#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""How close what a panel of a few colours shows comes to the original.

For each picture and palette (mono, bwr, spectra6), the mean CIEDE2000
between the original and the picture as the panel shows it (every pixel in
its entry's measured appearance), both blurred in linear light as
dither_quality.py does. Ways compared, all onto the same appearance colours:
  kestrow        bmpdither --palette, kestrow, photo2bmp --palette
  IM sRGB        ImageMagick -dither FloydSteinberg -remap (in sRGB)
  IM linear      the same in linear light (-colorspace RGB around it)
  Pillow         Image.quantize(palette=..., dither=FLOYDSTEINBERG)
  nearest        Pillow's nearest colour, no dither
and, on the photographs, the floor: the least any picture made of the
panel's colours can score. Blurred, such a picture is at each pixel a
mixture of the appearance colours in linear light, so it can come no
nearer than the mixture nearest the blurred original there (estimated
from 6000 mixtures, on every fourth pixel of every fourth row). Where the
floor is above 0.85 of the best other, no dither onto that palette can
reach that goal.
Then the time of whole runs on a 1920 x 1080 photograph: bmpdither
--palette spectra6 against ImageMagick's remap, interleaved, medians.

usage: bench/palette_quality.py [BUILD_DIR [ROUNDS]]
       bench/palette_quality.py --speed [BUILD_DIR [ROUNDS]]
       bench/palette_quality.py --pictures BEFORE_BUILD_DIR BUILD_DIR OUT_DIR
--speed runs the timing alone (on a quiet machine: the tables take minutes).
The second writes the docs' pictures: part of a photograph and of a logo
on spectra6 as the panel shows them, from the original, nearest colour,
ImageMagick's remap in sRGB, an earlier build's bmpdither and this one's.
(needs python3-skimage, python3-scipy, python3-pil; ImageMagick's convert
for its columns.)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from dither_quality import (generated_pictures, held_out_pictures, mean_ciede2000,  # noqa: E402
                            photographs, seen_lab, to_linear, to_srgb, unseen_pictures)

PALETTES = ("mono", "bwr", "spectra6")


def builtin_palettes(root):
    """Each palette's entries as (value, number, appearance), read from the
    reader's table, the one list."""
    import re
    text = open(os.path.join(root, "include", "kestrow", "photo_file.h")).read()
    found = {}
    for name, body in re.findall(r'\{"(\w+)", \d+, \{(.*?)\}\}\n', text.replace("\\\n", "\n").replace("\n ", " "),
                                 re.S):
        entries = re.findall(r"\{0x([0-9A-F]{2}), (\d+), (\d+), (\d+), (\d+)\}", body)
        found[name] = [(int(v, 16), int(n), (int(r), int(g), int(b))) for v, n, r, g, b in entries]
    return found


def floor(original, appearance):
    """The least mean CIEDE2000 any picture of these appearance colours
    can reach against `original`, estimated as the module says."""
    from skimage import color
    rng = np.random.default_rng(1)
    n = len(appearance)
    weights = np.vstack([np.eye(n), rng.dirichlet(np.ones(n) * 0.5, 6000 - n)])
    mixtures = color.rgb2lab(to_srgb(weights @ to_linear(appearance))[None])[0]
    want = seen_lab(original)[::4, ::4].reshape(-1, 3)
    least = np.empty(len(want))
    for i in range(0, len(want), 256):
        chunk = want[i:i + 256]
        least[i:i + 256] = color.deltaE_ciede2000(chunk[:, None, :], mixtures[None, :, :]).min(axis=1)
    return float(least.mean())


def run(cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)


class Bench:
    def __init__(self, build, work):
        self.build, self.work = build, work
        root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.palettes = builtin_palettes(root)
        self.convert = next((c for c in ("/usr/bin/convert", "/usr/local/bin/convert") if os.access(c, os.X_OK)), None)

    def path(self, name):
        return os.path.join(self.work, name)

    def appearance(self, palette):
        return np.array([shown for _, _, shown in self.palettes[palette]], dtype=np.uint8)

    def palette_png(self, palette):
        out = self.path(palette + ".png")
        Image.fromarray(self.appearance(palette)[None, :, :]).save(out)
        return out

    def kestrow(self, src, palette):
        b = self.build
        run([os.path.join(b, "bmpdither"), "--palette", palette, src, self.path("d.bmp")])
        run([os.path.join(b, "kestrow"), self.path("d.bmp"), self.path("d.photo")])
        run([os.path.join(b, "photo2bmp"), "--palette", palette, self.path("d.photo"), self.path("shown.bmp")])
        return np.asarray(Image.open(self.path("shown.bmp")).convert("RGB"))

    def magick(self, src, palette, linear):
        pal = self.palette_png(palette)
        space = ["-colorspace", "RGB"] if linear else []
        run([self.convert, pal] + space + ["-write", "mpr:pal", "+delete", src] + space +
            ["-dither", "FloydSteinberg", "-remap", "mpr:pal"] + (["-colorspace", "sRGB"] if linear else []) +
            ["-type", "truecolor", "BMP3:" + self.path("im.bmp")])
        return np.asarray(Image.open(self.path("im.bmp")).convert("RGB"))

    def pillow(self, src, palette, dither):
        colours = self.appearance(palette)
        pal = Image.new("P", (1, 1))
        flat = list(colours.flatten()) + list(colours[0]) * (256 - len(colours))
        pal.putpalette([int(v) for v in flat])
        out = Image.open(src).convert("RGB").quantize(palette=pal, dither=dither)
        return np.asarray(out.convert("RGB"))

    def methods(self):
        m = {"kestrow": self.kestrow}
        if self.convert:
            m["IM sRGB"] = lambda s, p: self.magick(s, p, False)
            m["IM linear"] = lambda s, p: self.magick(s, p, True)
        m["Pillow"] = lambda s, p: self.pillow(s, p, Image.Dither.FLOYDSTEINBERG)
        m["nearest"] = lambda s, p: self.pillow(s, p, Image.Dither.NONE)
        return m


def quality_table(bench, sets):
    methods = bench.methods()
    for palette in PALETTES:
        print(f"\n### {palette}\n")
        print("| picture | " + " | ".join(methods) + " | kestrow / best other | floor / best other |")
        print("|---" * (len(methods) + 3) + "|")
        for set_name, pictures in sets:
            ratios, floors = [], []
            for name, pixels in pictures:
                src = bench.path("src.bmp")
                Image.fromarray(pixels).convert("RGB").save(src, "BMP")
                scores = {m: mean_ciede2000(pixels[:, :, :3], f(src, palette)) for m, f in methods.items()}
                best_other = min(v for m, v in scores.items() if m != "kestrow")
                ratio = scores["kestrow"] / best_other
                ratios.append(ratio)
                flag = " (worse than nearest)" if scores["kestrow"] > scores["nearest"] else ""
                least = ""
                if set_name == "photographs":
                    floors.append(floor(pixels[:, :, :3], bench.appearance(palette)) / best_other)
                    least = f"{floors[-1]:.2f}x"
                print(f"| {name} ({set_name}) | " + " | ".join(f"{scores[m]:.2f}" for m in methods) +
                      f" | {ratio:.2f}x{flag} | {least} |")
            mean_floor = f"**{statistics.mean(floors):.2f}x**" if floors else ""
            print(f"| **{set_name}, mean** | " + " | ".join("" for _ in methods) +
                  f" | **{statistics.mean(ratios):.2f}x** | {mean_floor} |")


def speed_table(bench, rounds):
    from skimage import data
    src = bench.path("big.bmp")
    Image.fromarray(data.astronaut()).resize((1920, 1080), Image.BICUBIC).save(src, "BMP")
    pal = bench.palette_png("spectra6")
    commands = {"bmpdither": [os.path.join(bench.build, "bmpdither"), "--palette", "spectra6", src,
                              bench.path("o.bmp")]}
    if bench.convert:
        commands["ImageMagick"] = [bench.convert, src, "-dither", "FloydSteinberg", "-remap", pal,
                                   "BMP3:" + bench.path("o2.bmp")]
    times = {k: [] for k in commands}
    for _ in range(rounds):
        for k, cmd in commands.items():
            start = time.perf_counter()
            run(cmd)
            times[k].append((time.perf_counter() - start) * 1000)
    print("\n| 1920 x 1080, spectra6 | median ms |\n|---|---|")
    for k, t in times.items():
        print(f"| {k} | {statistics.median(t):.1f} |")
    if "ImageMagick" in times:
        print(f"\nImageMagick / bmpdither: {statistics.median(times['ImageMagick']) / statistics.median(times['bmpdither']):.1f}x")


def pictures(before, after, out):
    from skimage import data
    logo = unseen_pictures()[-1][1]
    with tempfile.TemporaryDirectory() as work:
        earlier, bench = Bench(before, work), Bench(after, work)
        # Crops of 256 x 256 at full size, so the dots show as the panel's.
        for name, pixels in (("astronaut", data.astronaut()[16:272, 120:376]), ("logo", logo[40:296, 20:276])):
            src = bench.path("src.bmp")
            Image.fromarray(pixels[:, :, :3]).save(src, "BMP")
            panels = [pixels[:, :, :3], bench.pillow(src, "spectra6", Image.Dither.NONE)]
            if bench.convert:
                panels.append(bench.magick(src, "spectra6", False))
            panels += [earlier.kestrow(src, "spectra6"), bench.kestrow(src, "spectra6")]
            gap = np.full((pixels.shape[0], 8, 3), 255, np.uint8)
            row = np.concatenate([x for p in panels for x in (p, gap)][:-1], axis=1)
            path = os.path.join(out, f"epaper-{name}.png")
            Image.fromarray(row).save(path)
            print(path)


def main():
    if sys.argv[1:2] == ["--pictures"]:
        return pictures(*sys.argv[2:5])
    speed_only = sys.argv[1:2] == ["--speed"]
    args = sys.argv[2:] if speed_only else sys.argv[1:]
    build = args[0] if args else "build/default"
    rounds = int(args[1]) if len(args) > 1 else 7
    with tempfile.TemporaryDirectory() as work:
        bench = Bench(build, work)
        if speed_only:
            return speed_table(bench, rounds)
        if not bench.convert:
            print("ImageMagick's convert is not installed: its columns are left out.\n")
        quality_table(bench, [("photographs", photographs()), ("not tuned on", unseen_pictures()),
                              ("held out", held_out_pictures()), ("generated", generated_pictures())])
        speed_table(bench, rounds)


if __name__ == "__main__":
    main()
