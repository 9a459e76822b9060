#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""How long the page takes to convert and dither a 1920 x 1080 picture,
against the native programs, side by side in one run (rounds interleaved),
and how many bytes the page downloads. A measurement, not a test.

usage: bench.py --web DIR --bin DIR [--rounds N]
"""
import argparse
import base64
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_test  # noqa: E402  (its BMP maker, server and browser)

TIME = """
const [b64, bits, dither, done] = [arguments[0], arguments[1], arguments[2], arguments[arguments.length - 1]];
const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
window.kestrowReady.then((api) => {
  const t0 = performance.now();
  const out = api.convertBmp(bytes, { bits, dither });
  done([performance.now() - t0, out.length]);
});
"""


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--web", required=True)
    p.add_argument("--bin", required=True)
    p.add_argument("--rounds", type=int, default=9)
    a = p.parse_args()
    a.web, a.bin = os.path.abspath(a.web), os.path.abspath(a.bin)
    work = tempfile.mkdtemp(dir="/dev/shm" if os.path.isdir("/dev/shm") else None)
    data = browser_test.bmp(1920, 1080, 11)
    with open(os.path.join(work, "in.bmp"), "wb") as f:
        f.write(data)
    b64 = base64.b64encode(data).decode()
    server = browser_test.serve(a.web)
    driver = browser_test.browser(work)
    try:
        driver.get(f"http://127.0.0.1:{server.server_address[1]}/index.html")
        for bits in (6, 16):
            dither_prog = os.path.join(a.bin, "bmpdither" if bits == 6 else "bmpdither16")
            conv_prog = os.path.join(a.bin, "kestrow" if bits == 6 else "kestrow16")
            page, native = [], []
            driver.execute_async_script(TIME, b64, bits, True)  # warm
            for _ in range(a.rounds):
                page.append(driver.execute_async_script(TIME, b64, bits, True)[0])
                t0 = time.perf_counter()
                subprocess.run([dither_prog, "in.bmp", "d.bmp"], cwd=work, check=True)
                subprocess.run([conv_prog, "d.bmp", "out.photo"], cwd=work, check=True)
                native.append((time.perf_counter() - t0) * 1000)
            mp, mn = statistics.median(page), statistics.median(native)
            print(f"{bits}-bit, dithered, 1920 x 1080: page {mp:.1f} ms, native {mn:.1f} ms (median of {a.rounds}), "
                  f"{mp / mn:.2f}x")
    finally:
        driver.quit()
        server.shutdown()
    total = sum(os.path.getsize(os.path.join(a.web, f)) for f in os.listdir(a.web))
    print(f"the page's download: {total} bytes ({', '.join(sorted(os.listdir(a.web)))})")


if __name__ == "__main__":
    main()
