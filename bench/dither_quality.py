#!/usr/bin/python3
"""How close what the display shows comes to the original picture.

For each picture and each way of reducing it to the display's colours, the
mean CIEDE2000 difference between the original and what the display shows,
both blurred with a Gaussian of sigma 1.2 px in linear light (roughly what
the eye sees from viewing distance). Lower is better; about 1 is the
smallest difference a person notices side by side.

Ways compared, in each display format:
  plain       the converter alone (top bits of each channel)
  bmpdither   bmpdither / bmpdither16, then the converter
  ImageMagick 6-bit: Floyd-Steinberg remap onto the 64 colours in linear
              light; 16-bit: its 8x8 ordered dither to 32/64/32 levels.
              Measured only where `convert` is installed.
Every result goes through the converter and photo2bmp, so what is measured
is what the display shows.

Then the time of a whole bmpdither run against the whole ImageMagick run on
a 1920 x 1080 picture, interleaved rounds, medians.

usage: bench/dither_quality.py [BUILD_DIR [ROUNDS]]
(BUILD_DIR defaults to build/default; needs python3-skimage, python3-pil.)
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image
from scipy.ndimage import gaussian_filter
from skimage import color, data

IM_6BIT = ["-colorspace", "RGB", "-dither", "FloydSteinberg", "-remap", "mpr:pal",
           "-colorspace", "sRGB", "-type", "truecolor"]
IM_16BIT = ["-ordered-dither", "o8x8,32,64,32", "-type", "truecolor"]


def generated_pictures():
    """Smooth pictures, the hardest case for a few levels a channel."""
    w, h = 512, 256
    x = np.linspace(0, 1, w)[None, :, None]
    y = np.linspace(0, 1, h)[:, None, None]
    gradient = np.concatenate([np.broadcast_to(x, (h, w, 1)),
                               np.broadcast_to(y, (h, w, 1)),
                               np.broadcast_to(1 - x, (h, w, 1))], axis=2)
    grey = np.broadcast_to(x, (h, w, 3))
    hsv = np.concatenate([np.broadcast_to(x, (h, w, 1)),
                          np.broadcast_to(1 - 0.7 * y, (h, w, 1)),
                          np.broadcast_to(0.35 + 0.65 * (1 - y), (h, w, 1))], axis=2)
    hue = color.hsv2rgb(hsv)
    as8 = lambda a: np.round(np.clip(a, 0, 1) * 255).astype(np.uint8)
    return [("gradient", as8(gradient)), ("grey ramp", as8(grey)), ("hue sweep", as8(hue))]


def photographs():
    return [(name, getattr(data, name)()) for name in ("astronaut", "chelsea", "coffee", "rocket")]


def to_linear(srgb8):
    c = srgb8.astype(np.float64) / 255
    return np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)


def to_srgb(linear):
    c = np.clip(linear, 0, 1)
    return np.where(c <= 0.0031308, 12.92 * c, 1.055 * c ** (1 / 2.4) - 0.055)


def seen_lab(srgb8):
    """The picture as seen from a distance: blurred in linear light, in Lab."""
    blurred = gaussian_filter(to_linear(srgb8), sigma=(1.2, 1.2, 0))
    return color.rgb2lab(to_srgb(blurred))


def mean_ciede2000(original, shown):
    return float(np.mean(color.deltaE_ciede2000(seen_lab(original), seen_lab(shown))))


def run(cmd):
    start = time.perf_counter()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


class Bench:
    def __init__(self, build, work):
        self.build = build
        self.work = work
        self.convert = shutil.which("convert")

    def prog(self, name):
        return os.path.join(self.build, name)

    def path(self, name):
        return os.path.join(self.work, name)

    def shown(self, bmp, bits):
        """What the display shows for a BMP: converter, then photo2bmp."""
        converter = self.prog("kestrow" if bits == 6 else "kestrow16")
        run([converter, bmp, self.path("t.photo")])
        run([self.prog("photo2bmp"), self.path("t.photo"), self.path("shown.bmp")])
        return np.asarray(Image.open(self.path("shown.bmp")).convert("RGB"))

    def reduce(self, method, bits, src):
        """Reduces `src` by `method`; returns the BMP it wrote and the seconds it took."""
        out = self.path("reduced.bmp")
        if method == "plain":
            return src, 0.0
        if method == "bmpdither":
            return out, run([self.prog("bmpdither" if bits == 6 else "bmpdither16"), src, out])
        if bits == 6:
            cmd = [self.convert, "hald:2", "-colorspace", "RGB", "-write", "mpr:pal", "+delete",
                   src] + IM_6BIT + ["BMP3:" + out]
        else:
            cmd = [self.convert, src] + IM_16BIT + ["BMP3:" + out]
        return out, run(cmd)

    def methods(self):
        return ["plain", "bmpdither"] + (["ImageMagick"] if self.convert else [])


def quality_table(bench, pictures):
    print("| format | picture | " + " | ".join(bench.methods()) + " |")
    print("|---|---|" + "---|" * len(bench.methods()))
    means = {}
    for bits in (6, 16):
        for kind, pics in pictures:
            for name, pixels in pics:
                src = bench.path("src.bmp")
                Image.fromarray(pixels).save(src, "BMP")
                cells = []
                for method in bench.methods():
                    reduced, seconds = bench.reduce(method, bits, src)
                    score = mean_ciede2000(pixels, bench.shown(reduced, bits))
                    means.setdefault((bits, kind, method), []).append(score)
                    means.setdefault((bits, "all", method), []).append(score)
                    cells.append(f"{score:.3f}" + (f" ({seconds * 1000:.0f} ms)" if seconds else ""))
                print(f"| {bits}-bit | {name} | " + " | ".join(cells) + " |")
        for kind in ("generated", "photographs", "all"):
            cells = [f"**{statistics.mean(means[(bits, kind, m)]):.3f}**" for m in bench.methods()]
            print(f"| {bits}-bit | mean, {kind} | " + " | ".join(cells) + " |")
    return means


def speed_table(bench, rounds):
    """Whole process against whole process on a 1920 x 1080 photograph."""
    big = Image.fromarray(data.astronaut()).resize((1920, 1080), Image.BICUBIC)
    src = bench.path("big.bmp")
    big.save(src, "BMP")
    print("\n1920 x 1080, median of %d interleaved rounds:\n" % rounds)
    print("| format | bmpdither ms | ImageMagick ms | ratio |")
    print("|---|---|---|---|")
    for bits in (6, 16):
        times = {"bmpdither": [], "ImageMagick": []}
        for _ in range(rounds):
            for method in times:
                times[method].append(bench.reduce(method, bits, src)[1])
        ours = statistics.median(times["bmpdither"]) * 1000
        theirs = statistics.median(times["ImageMagick"]) * 1000
        print(f"| {bits}-bit | {ours:.1f} | {theirs:.1f} | {theirs / ours:.0f}x |")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    for name in ("kestrow", "kestrow16", "bmpdither", "bmpdither16", "photo2bmp"):
        if not os.access(os.path.join(build, name), os.X_OK):
            sys.exit(f"{build}/{name} is missing: build first (cmake --build --preset default)")
    with tempfile.TemporaryDirectory() as work:
        bench = Bench(build, work)
        if not bench.convert:
            print("ImageMagick's convert is not installed: its column is left out.\n")
        quality_table(bench, [("generated", generated_pictures()), ("photographs", photographs())])
        if bench.convert:
            speed_table(bench, rounds)


if __name__ == "__main__":
    main()
