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

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import browser_test  # noqa: E402  (its BMP maker, server and browser)

# From convertBmp's call to its result: on the page's thread, or (worker)
# as the page's own controls call it, in its Web Worker.
TIME = """
const [b64, bits, dither, worker, done] = [...arguments];
const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
window.kestrowReady.then(async (api) => {
  const t0 = performance.now();
  const out = worker ? await api.worker.call("convertBmp", bytes, { bits, dither })
                     : api.convertBmp(bytes, { bits, dither });
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
    base = f"http://127.0.0.1:{server.server_address[1]}/index.html"
    # The page with its SIMD dithers and without, the single file from
    # file:// as a user opens it, and the native programs, in the same rounds.
    drivers = {"SIMD": browser_test.browser(work), "no SIMD": browser_test.browser(work),
               "single file": browser_test.browser(work), "its worker": browser_test.browser(work)}
    try:
        drivers["SIMD"].get(base)
        drivers["no SIMD"].get(base + "?nosimd")
        for mode in ("single file", "its worker"):
            drivers[mode].get("file://" + os.path.join(a.web, "kestrow.html"))
        for bits in (6, 16):
            dither_prog = os.path.join(a.bin, "bmpdither" if bits == 6 else "bmpdither16")
            conv_prog = os.path.join(a.bin, "kestrow" if bits == 6 else "kestrow16")
            times = {mode: [] for mode in [*drivers, "native"]}
            for mode, d in drivers.items():
                d.execute_async_script(TIME, b64, bits, True, mode == "its worker")  # warm
            for _ in range(a.rounds):
                for mode, d in drivers.items():
                    times[mode].append(d.execute_async_script(TIME, b64, bits, True, mode == "its worker")[0])
                t0 = time.perf_counter()
                subprocess.run([dither_prog, "in.bmp", "d.bmp"], cwd=work, check=True)
                subprocess.run([conv_prog, "d.bmp", "out.photo"], cwd=work, check=True)
                times["native"].append((time.perf_counter() - t0) * 1000)
            m = {k: statistics.median(v) for k, v in times.items()}
            print(f"{bits}-bit, dithered, 1920 x 1080, medians of {a.rounds}: native {m['native']:.1f} ms, "
                  f"page with SIMD {m['SIMD']:.1f} ms ({m['SIMD'] / m['native']:.2f}x), "
                  f"without {m['no SIMD']:.1f} ms ({m['no SIMD'] / m['native']:.2f}x), "
                  f"the single file {m['single file']:.1f} ms ({m['single file'] / m['native']:.2f}x), "
                  f"in its worker {m['its worker']:.1f} ms ({m['its worker'] / m['native']:.2f}x)")
    finally:
        for d in drivers.values():
            d.quit()
        server.shutdown()
    single = os.path.getsize(os.path.join(a.web, "kestrow.html"))
    served = sum(os.path.getsize(os.path.join(a.web, f)) for f in os.listdir(a.web)
                 if f.endswith((".wasm", ".js", ".html")) and f != "kestrow.html")
    print(f"the single file: {single} bytes; the served page's files: {served} bytes")


if __name__ == "__main__":
    main()
