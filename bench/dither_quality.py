#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""How close what the display shows comes to the original picture.

For each picture and each way of reducing it to the display's colours, the
mean CIEDE2000 difference between the original and what the display shows,
both blurred with a Gaussian of sigma 1.2 px in linear light (roughly what
the eye sees from viewing distance). Lower is better; about 1 is the
smallest difference a person notices side by side.

Ways compared, in each display format (6-bit, 16-bit, and 12-bit: a 4:4:4
VGA showing the top four bits of each channel of a 16-bit photo file):
  plain       the converter alone (top bits of each channel)
  bmpdither   bmpdither / bmpdither16 / bmpdither12, then the converter
  dither16    12-bit only: bmpdither16, then cut to 4:4:4 by the screen,
              what a 12-bit board showed before bmpdither12
  ImageMagick 6-bit and 12-bit: Floyd-Steinberg remap onto the 64 or 4096
              colours in linear light; 16-bit: its 8x8 ordered dither to
              32/64/32 levels. Measured only where `convert` is installed.
Every result goes through the converter and photo2bmp, so what is measured
is what the display shows.

Pictures come in four sets: generated ones (smooth ramps and a star field),
the photographs the dithering was tuned on, pictures it was not tuned on
(looked at while tuning, though), and pictures held out: added only after
the dithering was settled. A cell is marked "worse than plain" or
"> IM + 0.05" where it is.

Then the time of whole runs, interleaved rounds, medians, on tmpfs: bmpdither
against the converter on the same picture at 1920 x 1080 and 4096 x 4096,
and against ImageMagick at 1920 x 1080.

usage: bench/dither_quality.py [BUILD_DIR [ROUNDS]]
(BUILD_DIR defaults to build/default; needs python3-skimage, python3-scipy,
python3-pil.)
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


def star_field(w=512, h=256):
    """Sparse small bright points on near-black with a faint gradient: where
    diffused error turns into isolated dots that read as noise."""
    rng = np.random.default_rng(7)
    x = np.linspace(0, 1, w)[None, :]
    y = np.linspace(0, 1, h)[:, None]
    sky = 0.0004 + 0.004 * x * (0.6 + 0.4 * y)
    linear = sky[:, :, None] * np.array([0.8, 0.9, 1.3])
    yy, xx = np.mgrid[0:h, 0:w]
    for _ in range(180):
        cx, cy = rng.uniform(0, w), rng.uniform(0, h)
        radius = rng.uniform(0.4, 1.3)
        brightness = rng.uniform(0.05, 1.0) ** 2
        tint = np.array([1.0, rng.uniform(0.8, 1.0), rng.uniform(0.6, 1.2)])
        spot = np.exp(-((xx - cx) ** 2 + (yy - cy) ** 2) / (2 * radius * radius))
        linear += (brightness * spot)[:, :, None] * tint
    return np.round(to_srgb(linear) * 255).astype(np.uint8)


def generated_pictures():
    """Smooth pictures, the hardest case for a few levels a channel, and a
    star field."""
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
    return [("gradient", as8(gradient)), ("grey ramp", as8(grey)), ("hue sweep", as8(hue)),
            ("star field", star_field())]


def photographs():
    """The photographs the dithering's constants were chosen on."""
    return [(name, getattr(data, name)()) for name in ("astronaut", "chelsea", "coffee", "rocket")]


def unseen_pictures():
    """Pictures the constants were not chosen on: a real star field, a dark
    retina, a stained slide, a colour wheel, grey photographs, a logo."""
    grey = lambda a: np.repeat(a[:, :, None], 3, axis=2)
    logo = data.logo().astype(np.float64)
    on_white = logo[:, :, :3] * logo[:, :, 3:] / 255 + 255 * (1 - logo[:, :, 3:] / 255)
    return [("hubble", data.hubble_deep_field()[::2, ::2]), ("retina", data.retina()[::3, ::3]),
            ("stained slide", data.immunohistochemistry()), ("colour wheel", data.colorwheel()),
            ("camera", grey(data.camera())), ("coins", grey(data.coins())),
            ("logo", np.round(on_white).astype(np.uint8))]


def held_out_pictures():
    """Pictures added only after the dithering was settled, and first
    measured then: grey photographs, two of them toned sepia (pale colours,
    where blue and red lean most on green), and a generated evening sky."""
    grey = lambda a: np.repeat(a[:, :, None], 3, axis=2)
    def sepia(a):
        t = a.astype(np.float64)[:, :, None] / 255
        tone = np.array([1.0, 0.86, 0.66])  # red, green, blue of the paper
        return np.round(t * tone * 255).astype(np.uint8)
    w, h = 512, 256
    x = np.linspace(0, 1, w)[None, :, None]
    y = np.linspace(0, 1, h)[:, None, None]
    top, bottom = np.array([0.10, 0.18, 0.45]), np.array([0.98, 0.62, 0.35])
    sky = top + (bottom - top) * y ** 1.5 + 0.04 * np.sin(6 * x)
    sky = np.round(np.clip(sky, 0, 1) * 255).astype(np.uint8)
    return [("moon", grey(data.moon())), ("brick", grey(data.brick())), ("gravel", grey(data.gravel())),
            ("clock", grey(data.clock())), ("sepia clock", sepia(data.clock())),
            ("sepia cells", sepia(data.cell()[::2, ::2])), ("evening sky", sky)]


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


def im_command(bench, bits, src, out):
    # hald:2 holds the 4 levels a channel of the 6-bit display, hald:4 the
    # 16 of a 4:4:4 one.
    if bits in (6, 12):
        return [bench.convert, "hald:2" if bits == 6 else "hald:4", "-colorspace", "RGB", "-write", "mpr:pal",
                "+delete", src] + IM_6BIT + ["BMP3:" + out]
    return [bench.convert, src] + IM_16BIT + ["BMP3:" + out]


class Bench:
    def __init__(self, build, work):
        self.build = build
        self.work = work
        # Debian's own, not a wrapper that may stand before it on the PATH.
        self.convert = "/usr/bin/convert" if os.access("/usr/bin/convert", os.X_OK) else shutil.which("convert")

    def prog(self, name):
        return os.path.join(self.build, name)

    def path(self, name):
        return os.path.join(self.work, name)

    def shown(self, bmp, bits):
        """What the display shows for a BMP: converter, then photo2bmp (and
        for a 4:4:4 screen, the top four bits of each channel, level k
        shown as 17k)."""
        converter = self.prog("kestrow" if bits == 6 else "kestrow16")
        run([converter, bmp, self.path("t.photo")])
        run([self.prog("photo2bmp"), self.path("t.photo"), self.path("shown.bmp")])
        shown = np.asarray(Image.open(self.path("shown.bmp")).convert("RGB"))
        return (shown >> 4) * 17 if bits == 12 else shown

    def reduce(self, method, bits, src):
        """Reduces `src` by `method`; returns the BMP it wrote and the seconds it took."""
        out = self.path("reduced.bmp")
        if method == "plain":
            return src, 0.0
        if method == "bmpdither":
            return out, run([self.prog({6: "bmpdither", 12: "bmpdither12", 16: "bmpdither16"}[bits]), src, out])
        if method == "dither16":
            return out, run([self.prog("bmpdither16"), src, out])
        return out, run(im_command(self, bits, src, out))

    def methods(self, bits):
        return (["plain", "bmpdither"] + (["dither16"] if bits == 12 else [])
                + (["ImageMagick"] if self.convert else []))


def quality_table(bench, pictures):
    means = {}
    for bits in (6, 16, 12):
        methods = bench.methods(bits)
        print(f"\n| format | picture | " + " | ".join(methods) + " |")
        print("|---|---|" + "---|" * len(methods))
        for kind, pics in pictures:
            for name, pixels in pics:
                src = bench.path("src.bmp")
                Image.fromarray(pixels).save(src, "BMP")
                scores = {}
                for method in methods:
                    reduced, _ = bench.reduce(method, bits, src)
                    scores[method] = mean_ciede2000(pixels, bench.shown(reduced, bits))
                    means.setdefault((bits, kind, method), []).append(scores[method])
                cells = [f"{scores[m]:.3f}" for m in methods]
                ours = scores["bmpdither"]
                if ours > scores["plain"]:
                    cells[1] += " worse than plain"
                if "ImageMagick" in scores and ours > scores["ImageMagick"] + 0.05:
                    cells[1] += " > IM + 0.05"
                print(f"| {bits}-bit | {name} | " + " | ".join(cells) + " |")
        for kind, _ in pictures:
            cells = [f"**{statistics.mean(means[(bits, kind, m)]):.3f}**" for m in methods]
            print(f"| {bits}-bit | mean, {kind} | " + " | ".join(cells) + " |")
    if bench.convert:
        print("\nbmpdither's mean against ImageMagick's, same run:\n")
        for bits in (6, 16, 12):
            for kind, _ in pictures:
                ours = statistics.mean(means[(bits, kind, "bmpdither")])
                theirs = statistics.mean(means[(bits, kind, "ImageMagick")])
                print(f"- {bits}-bit, {kind}: {ours / theirs:.3f}")
    return means


def timed_rounds(commands, rounds):
    """Medians in ms of whole runs, the commands interleaved in each round."""
    times = {name: [] for name in commands}
    for _ in range(rounds):
        for name, cmd in commands.items():
            times[name].append(run(cmd))
    return {name: statistics.median(t) * 1000 for name, t in times.items()}


def speed_table(bench, rounds):
    """Whole process against whole process, on tmpfs where there is one."""
    where = "/dev/shm" if os.path.isdir("/dev/shm") else bench.work
    with tempfile.TemporaryDirectory(dir=where) as tmp:
        print(f"\nWhole runs on {where}, median of {rounds} interleaved rounds (astronaut, scaled):\n")
        print("| size | format | converter ms | bmpdither ms | ratio | ImageMagick ms |")
        print("|---|---|---|---|---|---|")
        for w, h in ((1920, 1080), (4096, 4096)):
            src = os.path.join(tmp, "big.bmp")
            out = os.path.join(tmp, "out")
            Image.fromarray(data.astronaut()).resize((w, h), Image.BICUBIC).save(src, "BMP")
            for bits in (6, 16):
                suffix = "" if bits == 6 else "16"
                commands = {"converter": [bench.prog("kestrow" + suffix), src, out],
                            "bmpdither": [bench.prog("bmpdither" + suffix), src, out]}
                if bench.convert and w == 1920:
                    commands["ImageMagick"] = im_command(bench, bits, src, out + ".bmp")
                t = timed_rounds(commands, rounds)
                theirs = f"{t['ImageMagick']:.1f}" if "ImageMagick" in t else "-"
                print(f"| {w} x {h} | {bits}-bit | {t['converter']:.1f} | {t['bmpdither']:.1f} | "
                      f"{t['bmpdither'] / t['converter']:.2f}x | {theirs} |")


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build/default"
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    for name in ("kestrow", "kestrow16", "bmpdither", "bmpdither16", "bmpdither12", "photo2bmp"):
        if not os.access(os.path.join(build, name), os.X_OK):
            sys.exit(f"{build}/{name} is missing: build first (cmake --build --preset default)")
    with tempfile.TemporaryDirectory() as work:
        bench = Bench(build, work)
        if not bench.convert:
            print("ImageMagick's convert is not installed: its column is left out.\n")
        quality_table(bench, [("generated", generated_pictures()), ("photographs", photographs()),
                              ("not tuned on", unseen_pictures()), ("held out", held_out_pictures())])
        speed_table(bench, rounds)


if __name__ == "__main__":
    main()
