#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""fbview on a real kernel's framebuffer.

Boots a Linux kernel under qemu-system-x86_64 (TCG, no KVM) with -vga std
and vesafb in one VESA mode a boot, from an initramfs of busybox-static, a
static fbview and photo files. For each picture the host tells the guest to
go on (a line on the serial console), the guest runs fbview and reports its
status, and the host takes the QEMU monitor's screendump. The capture must
equal photo2bmp's preview of the file centred on black (its middle when it
is larger than the screen), with everything else black. On a 16-bit screen
a 6-bit file's channels are the preview's cut to 5:6:5 and widened back,
which is all such a screen can show. A palette mode must be refused by name.
"""
import argparse
import os
import select
import shutil
import socket
import subprocess
import sys
import time

SCREEN_W, SCREEN_H = 640, 480
STEP_TIMEOUT = 90  # seconds for a boot or a picture, under TCG on a busy machine

INIT = """#!/bin/sh
/bin/busybox mount -t proc proc /proc
/bin/busybox mount -t sysfs sys /sys
/bin/busybox mount -t devtmpfs dev /dev
# The console must not draw on the screen: no text, no cursor.
for c in /sys/class/vtconsole/vtcon*; do /bin/busybox echo 0 > $c/bind; done
/bin/busybox echo "FB $(/bin/busybox cat /sys/class/graphics/fb0/bits_per_pixel)"
for f in $(/bin/busybox cat /pictures); do
  read go
  /fbview /p/$f
  /bin/busybox echo "SHOWN $f $?"
done
read go
/bin/busybox poweroff -f
"""


def run(*cmd):
    subprocess.run(cmd, check=True)


def read_bmp(path):
    """photo2bmp's preview: 24-bit, bottom row first. Rows of (r, g, b)."""
    data = open(path, "rb").read()
    offset = int.from_bytes(data[10:14], "little")
    w = int.from_bytes(data[18:22], "little")
    h = int.from_bytes(data[22:26], "little")
    stride = (3 * w + 3) // 4 * 4
    rows = []
    for y in range(h):
        at = offset + (h - 1 - y) * stride
        rows.append([(data[at + 3 * x + 2], data[at + 3 * x + 1], data[at + 3 * x]) for x in range(w)])
    return rows


def cut(c, bits):
    """An 8-bit channel cut to `bits` and widened back by repeating its top bits."""
    v = c >> (8 - bits)
    return (v << (8 - bits) | v >> (2 * bits - 8)) & 0xFF


def expected_screen(preview, cut565):
    h, w = len(preview), len(preview[0])
    vw, vh = min(w, SCREEN_W), min(h, SCREEN_H)
    from_x, from_y = (w - vw) // 2, (h - vh) // 2
    to_x, to_y = (SCREEN_W - vw) // 2, (SCREEN_H - vh) // 2
    screen = bytearray(SCREEN_W * SCREEN_H * 3)
    for y in range(vh):
        for x in range(vw):
            r, g, b = preview[from_y + y][from_x + x]
            if cut565:
                r, g, b = cut(r, 5), cut(g, 6), cut(b, 5)
            at = ((to_y + y) * SCREEN_W + to_x + x) * 3
            screen[at:at + 3] = bytes((r, g, b))
    return bytes(screen)


def read_ppm(path):
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise SystemExit(f"{path}: not an 8-bit P6 picture")
    return int(fields[1]), int(fields[2]), data[at + 1:]


class Guest:
    def __init__(self, args, initrd, mode, work):
        self.monitor_path = os.path.join(work, f"monitor-{mode}.sock")
        if os.path.exists(self.monitor_path):
            os.unlink(self.monitor_path)
        self.log = open(os.path.join(work, f"serial-{mode}.txt"), "w")
        self.proc = subprocess.Popen(
            [args.qemu, "-m", "256", "-vga", "std", "-display", "none", "-no-reboot",
             "-monitor", f"unix:{self.monitor_path},server=on,wait=off", "-serial", "stdio",
             "-kernel", args.kernel, "-initrd", initrd,
             "-append", f"console=ttyS0 vga={mode} quiet panic=-1"],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.pending = b""
        self.lines = []

    def line(self, prefix):
        """The next serial line starting with prefix."""
        deadline = time.monotonic() + STEP_TIMEOUT
        while True:
            while b"\n" in self.pending:
                text, self.pending = self.pending.split(b"\n", 1)
                text = text.decode(errors="replace").strip("\r")
                self.log.write(text + "\n")
                self.lines.append(text)
                if text.startswith(prefix):
                    return text
            left = deadline - time.monotonic()
            if left <= 0 or self.proc.poll() is not None:
                raise SystemExit(f"no line '{prefix}...' from the guest (see {self.log.name})")
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 4096)
                if not chunk:
                    raise SystemExit(f"the guest ended before '{prefix}...' (see {self.log.name})")
                self.pending += chunk

    def go(self):
        self.proc.stdin.write(b"go\n")
        self.proc.stdin.flush()

    def screendump(self, path):
        if os.path.exists(path):
            os.unlink(path)
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(STEP_TIMEOUT)
            s.connect(self.monitor_path)
            s.sendall(f"screendump {path}\n".encode())
            reply = b""
            # The greeting's prompt, then the command's echo and a prompt.
            while reply.count(b"(qemu)") < 2:
                reply += s.recv(4096)
        deadline = time.monotonic() + STEP_TIMEOUT
        size = SCREEN_W * SCREEN_H * 3
        while not (os.path.exists(path) and os.path.getsize(path) >= size):
            if time.monotonic() > deadline:
                raise SystemExit(f"no screendump at {path}")
            time.sleep(0.1)

    def finish(self):
        self.go()
        try:
            self.proc.wait(STEP_TIMEOUT)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise SystemExit("the guest did not power off")
        finally:
            self.log.close()


def main():
    p = argparse.ArgumentParser()
    for name in ("qemu", "kernel", "busybox", "cpio", "fbview", "kestrow", "kestrow16", "photo2bmp",
                 "make_picture", "sample", "work"):
        p.add_argument("--" + name.replace("_", "-"), required=True)
    args = p.parse_args()

    work = args.work
    shutil.rmtree(work, ignore_errors=True)
    root = os.path.join(work, "root")
    for d in ("bin", "proc", "sys", "dev", "p"):
        os.makedirs(os.path.join(root, d))

    # The pictures: the sample as both encodings, and one larger than the
    # screen (700 x 520) to be clipped to its middle.
    large_bmp = os.path.join(work, "large.bmp")
    run(args.make_picture, "700", "520", "7", large_bmp)
    photos = {
        "sample16.photo": (args.kestrow16, args.sample),
        "sample6.photo": (args.kestrow, args.sample),
        "large16.photo": (args.kestrow16, large_bmp),
    }
    previews = {}
    for name, (converter, bmp) in photos.items():
        photo = os.path.join(root, "p", name)
        run(converter, bmp, photo)
        preview = os.path.join(work, name + ".preview.bmp")
        run(args.photo2bmp, photo, preview)
        previews[name] = read_bmp(preview)

    shutil.copy(args.busybox, os.path.join(root, "bin", "busybox"))
    os.symlink("busybox", os.path.join(root, "bin", "sh"))
    shutil.copy(args.fbview, os.path.join(root, "fbview"))
    with open(os.path.join(root, "init"), "w") as f:
        f.write(INIT)
    os.chmod(os.path.join(root, "init"), 0o755)

    # VESA modes through the kernel's vga=: 0x311 640x480 16 bits, 0x312 24
    # bits, 0x342 (Bochs VBE 0x142) 32 bits, 0x301 8 bits with a palette.
    boots = [
        ("0x311", 16, ["sample16.photo", "sample6.photo"]),
        ("0x312", 24, ["sample6.photo", "large16.photo"]),
        ("0x342", 32, ["sample16.photo", "sample6.photo", "large16.photo"]),
        ("0x301", 8, ["sample16.photo"]),
    ]
    failures = []
    for mode, bits, pictures in boots:
        with open(os.path.join(root, "pictures"), "w") as f:
            f.write("\n".join(pictures) + "\n")
        initrd = os.path.join(work, f"initrd-{mode}.cpio")
        with open(initrd, "wb") as out:
            files = subprocess.run(["find", "."], cwd=root, check=True, capture_output=True).stdout
            subprocess.run([args.cpio, "-o", "-H", "newc", "--quiet"], cwd=root, input=files, stdout=out,
                           check=True)
        guest = Guest(args, initrd, mode, work)
        try:
            fb = guest.line("FB ")
            if fb != f"FB {bits}":
                raise SystemExit(f"vga={mode}: the framebuffer has {fb[3:]} bits a pixel, not {bits}")
            for name in pictures:
                guest.go()
                shown = guest.line(f"SHOWN {name} ").split()[2]
                what = f"{bits}-bit screen, {name}"
                if bits == 8:
                    # Refused by name, nothing drawn.
                    refusal = [l for l in guest.lines if "8 bits a pixel" in l]
                    if shown != "2" or not refusal:
                        failures.append(f"{what}: fbview must refuse a palette by name (status {shown})")
                    else:
                        print(f"ok   {what}: refused: {refusal[0].strip()}")
                    continue
                if shown != "0":
                    failures.append(f"{what}: fbview exited with status {shown}")
                    continue
                dump = os.path.join(work, f"{mode}-{name}.ppm")
                guest.screendump(dump)
                w, h, pixels = read_ppm(dump)
                want = expected_screen(previews[name], cut565=bits == 16 and name.startswith("sample6"))
                if (w, h) != (SCREEN_W, SCREEN_H) or pixels != want:
                    differ = sum(1 for i in range(0, min(len(pixels), len(want)), 3)
                                 if pixels[i:i + 3] != want[i:i + 3])
                    failures.append(f"{what}: the capture ({w} x {h}) differs from the preview in {differ} pixels")
                else:
                    print(f"ok   {what}: the capture equals the preview centred on black")
        finally:
            guest.finish()
    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
