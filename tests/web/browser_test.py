#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""The web page in a real browser: Debian's chromium, headless, driven by
selenium through chromedriver, the page served on 127.0.0.1.

- The API on a table of generated BMPs: convertBmp's bytes must equal the
  native programs' (kestrow, kestrow16; bmpdither or bmpdither16 first when
  dithering), and toMem's, toMemHeader's and toRaw's those of photo2mem
  (the memory image and its Verilog header) and photo2raw.
- The shim's argument calls against each other: args_get fills exactly the
  bytes args_sizes_get asked for.
- Refusals: the converter's message and status, as the native program
  gives them for a file of the same name.
- A JPEG with EXIF orientation 6 is converted upright, through the page's
  own controls.
- A BMP through the controls (file input, button, download): the download
  is the native programs' photo file. A screenshot of the page is kept.
- The controls convert in a Web Worker, whose bytes are the native ones.
- All of it twice: the page served over HTTP, and its single file,
  kestrow.html, opened from a file:// URL, which must be at most 300 KB and
  make no network request at all (Chromium's performance log).
- With --engine firefox (Firefox ESR through Marionette) or webkit
  (WebKitGTK, Safari's engine, through WebKitWebDriver; it needs a
  display, as under xvfb-run): the single file from file://, its API and
  refusals against the native programs, and no request away from the
  machine in the page's own record of what it loaded (Resource Timing).

usage: browser_test.py [--engine chromium|firefox|webkit] --web DIR --bin DIR --work DIR [--screenshot FILE]
"""
import argparse
import base64
import functools
import http.server
import io
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time

from PIL import Image
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select, WebDriverWait

failures = []


page_label = ""


def check(ok, what):
    what = page_label + what
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def bmp(w, h, seed, header=40, img_size=None, bits=24):
    """A 24-bit BMP of smooth ramps and noise, bottom row first."""
    row = (3 * w + 3) // 4 * 4
    pixels = bytearray()
    state = seed
    for y in range(h):
        for x in range(w):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            noise = state >> 24
            pixels += bytes(((x * 255 // max(1, w - 1)) ^ noise & 15, (y * 255 // max(1, h - 1)), (x + y + noise) & 255))
        pixels += bytes(row - 3 * w)
    offset = 14 + header
    dib = struct.pack("<IiiHHIIiiII", header, w, h, 1, bits, 0, row * h if img_size is None else img_size, 2835, 2835, 0, 0)
    dib += bytes(header - len(dib))
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + dib + bytes(pixels)


def native(bindir, work, name, data, bits, dither):
    """The native programs on `data` saved as `name`: (status, stderr, bytes)."""
    path = os.path.join(work, name)
    with open(path, "wb") as f:
        f.write(data)
    src = path
    if dither:
        dither_program = {6: "bmpdither", 12: "bmpdither12", 16: "bmpdither16"}[bits]
        d = subprocess.run([os.path.join(bindir, dither_program), name, "dithered.bmp"],
                           cwd=work, capture_output=True, text=True)
        if d.returncode != 0:
            return d.returncode, d.stderr, None
        src = "dithered.bmp"
    c = subprocess.run([os.path.join(bindir, "kestrow" if bits == 6 else "kestrow16"), os.path.basename(src), "out.photo"],
                       cwd=work, capture_output=True, text=True)
    out = open(os.path.join(work, "out.photo"), "rb").read() if c.returncode == 0 else None
    return c.returncode, c.stderr, out


CALL = """
const [name, args, done] = [arguments[0], arguments[1], arguments[arguments.length - 1]];
const b64 = (u) => { let s = ""; for (let i = 0; i < u.length; i += 8192) s += String.fromCharCode(...u.subarray(i, i + 8192)); return btoa(s); };
const bytes = (s) => Uint8Array.from(atob(s), (c) => c.charCodeAt(0));
window.kestrowReady.then(async (api) => {
  try {
    let r;
    if (name === "worker") {
      if (api.worker === null) { done({ message: "no worker", status: null }); return; }
      const input = bytes(args[0]), before = input.slice();
      r = await api.worker.call("convertBmp", input, args[1]);
      // The caller's bytes are sent as a copy: still its own, unchanged.
      if (input.length !== before.length || input.some((v, i) => v !== before[i])) r = new Uint8Array(0);
    }
    else if (name === "convertBmp") r = api.convertBmp(bytes(args[0]), args[1]);
    else if (name === "toMem") r = new TextEncoder().encode(api.toMem(bytes(args[0]), args[1]));
    else if (name === "toMemHeader") r = new TextEncoder().encode(api.toMemHeader(bytes(args[0])));
    else if (name === "toBmp") r = api.toBmp(bytes(args[0]), args[1]);
    else r = api.toRaw(bytes(args[0]), args[1], args[2], args[3]);
    done({ ok: b64(r) });
  } catch (e) { done({ message: e.message, status: e.status === undefined ? null : e.status }); }
}, (e) => done({ message: "load: " + e.message, status: null }));
"""


# The shim's reads: a file of N bytes read into a larger buffer gives N,
# then 0 at its end, and into two buffers fills the first before the second.
FILE_READS = """
const mem = new ArrayBuffer(256), v = new DataView(mem), b = new Uint8Array(mem);
const file = { data: Uint8Array.from([1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 99, 99]), size: 10 };
const f = { pos: 0 };
v.setUint32(0, 64, true); v.setUint32(4, 16, true);
const first = readFile(file, f, v, b, 0, 1), second = readFile(file, f, v, b, 0, 1);
const g = { pos: 0 };
v.setUint32(8, 128, true); v.setUint32(12, 4, true); v.setUint32(16, 160, true); v.setUint32(20, 16, true);
const split = readFile(file, g, v, b, 8, 2);
return { first, second, got: Array.from(b.subarray(64, 80)), split,
         parts: [Array.from(b.subarray(128, 132)), Array.from(b.subarray(160, 168))] };
"""


# The memory the page keeps for its runs after each of three conversions
# of a picture bigger than a program's first memory: its size in bytes,
# and whether it is still the first run's. Each run must take the kept
# memory, its pages already touched (a fresh one costs more than the
# work), and use the same pages again rather than grow it each time.
MEMORY_KEPT = """
const [b64, done] = [arguments[0], arguments[arguments.length - 1]];
const bytes = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
window.kestrowReady.then((api) => {
  const sizes = [];
  let first = null, kept = true;
  try {
    for (let i = 0; i < 3; i++) {
      api.convertBmp(bytes, { bits: 16, dither: true });
      first = first || spare.memory;
      kept = kept && spare.memory === first;
      sizes.push(spare.memory.buffer.byteLength);
    }
    done({ sizes, kept });
  } catch (e) { done({ sizes, kept: false, error: e.message }); }
});
"""


# The shim's two argument calls against each other, on a memory of their
# own: args_get must fill exactly the bytes args_sizes_get asked for.
ARGUMENT_CALLS = """
const argv = arguments[0];
const mem = { buffer: new ArrayBuffer(4096) };
const calls = argumentCalls(argv, () => mem);
const v = new DataView(mem.buffer), u8 = new Uint8Array(mem.buffer);
calls.args_sizes_get(0, 4);
const argc = v.getUint32(0, true), size = v.getUint32(4, true), buf = 512;
u8.fill(0xAA, buf, buf + size + 256);
calls.args_get(16, buf);
let past = 0;
for (let i = buf + size; i < buf + size + 256; i++) if (u8[i] !== 0xAA) past++;
const back = [];
let last_nul = -1;
for (let i = 0; i < argc; i++) {
  const p = v.getUint32(16 + 4 * i, true);
  let e = p;
  while (u8[e] !== 0) e++;
  last_nul = e - buf;
  back.push(new TextDecoder().decode(u8.subarray(p, e)));
}
return { argc, size, past, back, last_nul };
"""


def call(driver, name, *args):
    r = driver.execute_async_script(CALL, name, list(args))
    if "ok" in r:
        return base64.b64decode(r["ok"]), None
    return None, r


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def browser(download_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--disable-dev-shm-usage", "--window-size=1200,1000", "--user-data-dir=" + tempfile.mkdtemp()):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"download.default_directory": download_dir,
                                              "download.prompt_for_download": False})
    # Every request the page makes, for the single file's check that it
    # makes none.
    options.set_capability("goog:loggingPrefs", {"performance": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.set_script_timeout(120)
    return driver


# A script that calls its last argument when done (as Selenium's
# execute_async_script runs it), as one that returns a promise, which
# Marionette awaits.
def as_promise(body):
    return ("const given = Array.from(arguments);"
            "return new Promise((done) => (function () {" + body + "}).apply(null, [...given, done]));")


class Marionette:
    """Firefox ESR, driven through marionette_bridge.pl: what
    page_checks asks of a driver."""
    BRIDGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "marionette_bridge.pl")

    def __init__(self):
        self.bridge = subprocess.Popen(["perl", self.BRIDGE], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def _ask(self, command):
        self.bridge.stdin.write(json.dumps(command) + "\n")
        self.bridge.stdin.flush()
        answer = json.loads(self.bridge.stdout.readline() or '{"error": "the bridge ended"}')
        if "error" in answer:
            raise RuntimeError("Firefox: " + answer["error"])
        return answer["ok"]

    def get(self, url):
        self._ask({"go": url})

    def execute_script(self, body, *args):
        return self._ask({"script": body, "args": list(args)})

    def execute_async_script(self, body, *args):
        return self.execute_script(as_promise(body), *args)

    def quit(self):
        self.bridge.stdin.close()
        self.bridge.wait(60)


def webkit():
    options = webdriver.WebKitGTKOptions()
    options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
    options.add_argument("--automation")
    driver = webdriver.WebKitGTK(options=options)
    driver.set_script_timeout(120)
    return driver


def wait_for_file(path, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if os.path.exists(path) and not os.path.exists(path + ".crdownload") and os.path.getsize(path) > 0:
            time.sleep(0.2)
            return open(path, "rb").read()
        time.sleep(0.1)
    return None


def through_controls(driver, url, path, width, height, fit, bits, dither, downloads):
    """Loads the page (unless `url` is None: as it is), converts `path` with
    the controls, downloads the photo file."""
    if url is not None:
        driver.get(url)
    WebDriverWait(driver, 60).until(lambda d: "Ready" in d.find_element(By.ID, "message").text)
    driver.find_element(By.ID, "file").send_keys(path)
    WebDriverWait(driver, 30).until(lambda d: not d.find_element(By.ID, "convert").get_property("disabled"))
    Select(driver.find_element(By.ID, "preset")).select_by_value("custom")
    for field, value in (("width", width), ("height", height)):
        e = driver.find_element(By.ID, field)
        e.clear()
        e.send_keys(str(value))
    Select(driver.find_element(By.ID, "fit")).select_by_value(fit)
    Select(driver.find_element(By.ID, "bits")).select_by_value(str(bits))
    box = driver.find_element(By.ID, "dither")
    if box.is_selected() != dither:
        box.click()
    driver.find_element(By.ID, "convert").click()
    WebDriverWait(driver, 120).until(lambda d: d.find_elements(By.ID, "download-photo")
                                     or "error" in d.find_element(By.ID, "message").get_attribute("class"))
    links = driver.find_elements(By.ID, "download-photo")
    if not links:
        return None, driver.find_element(By.ID, "message").text
    name = links[0].text
    target = os.path.join(downloads, name)
    if os.path.exists(target):
        os.unlink(target)
    links[0].click()
    return wait_for_file(target), name


def page_checks(driver, url, a, native_dir, downloads, controls=True):
    """Every check of the page at `url`: its API against the native
    programs, refusals, and (with `controls`) its own controls."""
    driver.get(url)
    # The API against the native programs.
    sample = open(a.sample, "rb").read()
    cases = [("1x1", bmp(1, 1, 1)), ("3x2", bmp(3, 2, 2)), ("17x5", bmp(17, 5, 3)), ("64x64", bmp(64, 64, 4)),
             ("odd 201x67", bmp(201, 67, 5)), ("header 124", bmp(33, 9, 6, header=124)), ("the sample", sample)]
    for label, data in cases:
        for bits in (6, 16):
            for dither in (False, True):
                status, err, want = native(a.bin, native_dir, "input.bmp", data, bits, dither)
                got, refusal = call(driver, "convertBmp", base64.b64encode(data).decode(), {"bits": bits, "dither": dither})
                check(status == 0 and got == want,
                      f"convertBmp {label}, {bits}-bit{', dithered' if dither else ''}: the native programs' bytes"
                      + ("" if refusal is None else f" ({refusal})"))
    # The dithers with WebAssembly SIMD where the browser has it (Chromium
    # does), and without it on request: the same bytes either way.
    builds = "const done = arguments[arguments.length - 1]; window.kestrowReady.then((api) => done(api.builds));"
    simd_builds = {"bmpdither": "bmpdither.simd", "bmpdither16": "bmpdither16.simd", "kestrow": "kestrow"}
    got = driver.execute_async_script(builds)
    check(all(got[k] == v for k, v in simd_builds.items()) or not controls,
          f"the dithers built with WebAssembly SIMD are used, the rest as they are ({got})")
    driver.get(url + "?nosimd")
    got = driver.execute_async_script(builds)
    check(all(got[k] == k for k in simd_builds), f"?nosimd: the dithers built without SIMD ({got})")
    for label, data in (("odd 201x67", bmp(201, 67, 5)), ("the sample", sample)):
        for bits in (6, 16):
            status, err, want = native(a.bin, native_dir, "input.bmp", data, bits, True)
            got, refusal = call(driver, "convertBmp", base64.b64encode(data).decode(), {"bits": bits, "dither": True})
            check(got == want, f"without SIMD: convertBmp {label}, {bits}-bit, dithered: the native programs' bytes")
    driver.get(url)
    # The page's own controls convert in a Web Worker: the same bytes there.
    # Its buffers are kept from call to call: again, then a smaller picture
    # in the bigger buffers, then a refusal, then the sample again.
    small = bmp(64, 64, 4)
    small_photo = native(a.bin, native_dir, "input.bmp", small, 6, True)[2]
    photo = native(a.bin, native_dir, "input.bmp", sample, 16, True)[2]
    for label, data, bits, want in (("the sample", sample, 16, photo), ("again", sample, 16, photo),
                                    ("64x64, 6-bit", small, 6, small_photo), ("cut short", sample[:2000], 16, None),
                                    ("the sample after", sample, 16, photo)):
        got, refusal = call(driver, "worker", base64.b64encode(data).decode(), {"bits": bits, "dither": True})
        check(got == want and (want is not None or refusal["message"] == "allocate and read image: No data available"),
              f"convertBmp in the page's Web Worker, {label}: the native programs' bytes, the caller's input unchanged"
              + ("" if refusal is None else f" ({refusal})"))
    if controls:  # Chromium's: the other engines' drivers do not see the page's own declarations
        kept = driver.execute_async_script(MEMORY_KEPT, base64.b64encode(bmp(1200, 1000, 12)).decode())
        check(kept["kept"] and kept["sizes"][0] > 8 << 20 and len(set(kept["sizes"])) == 1,
              f"each run takes the kept memory and uses it again, not more: {kept}")
    subprocess.run([os.path.join(a.bin, "photo2mem"), "out.photo", "picture.mem"], cwd=native_dir, check=True)
    mem = open(os.path.join(native_dir, "picture.mem"), "rb").read().replace(b"out.photo picture.mem", b"picture.photo picture.mem")
    got, _ = call(driver, "toMem", base64.b64encode(photo).decode())
    check(got == mem, "toMem: photo2mem's text")
    vh = open(os.path.join(native_dir, "picture.vh"), "rb").read().replace(b"out.photo", b"picture.photo")
    got, _ = call(driver, "toMemHeader", base64.b64encode(photo).decode())
    check(got == vh, "toMemHeader: photo2mem's Verilog header")
    reads = driver.execute_script(FILE_READS)
    check(reads["first"] == 10 and reads["second"] == 0
          and reads["got"] == list(range(1, 11)) + [0] * 6
          and reads["split"] == 10 and reads["parts"] == [[1, 2, 3, 4], [5, 6, 7, 8, 9, 10, 0, 0]],
          f"the shim reads a file of 10 bytes as 10, then 0, and fills two buffers in turn: {reads}")
    args = driver.execute_script(ARGUMENT_CALLS, ["photo2raw", "caf\u00e9 \u00fcber.photo", "", "x.h", "rgb565be"])
    check(args["argc"] == 5 and args["back"] == ["photo2raw", "caf\u00e9 \u00fcber.photo", "", "x.h", "rgb565be"],
          f"the shim's arguments read back as given: {args}")
    check(args["past"] == 0 and args["last_nul"] == args["size"] - 1,
          f"args_get fills exactly the size args_sizes_get gave: {args}")
    for fmt in ("rgb565be", "xrgb8888", "rgb222"):
        subprocess.run([os.path.join(a.bin, "photo2raw"), "out.photo", "picture.raw", fmt], cwd=native_dir, check=True)
        got, _ = call(driver, "toRaw", base64.b64encode(photo).decode(), fmt, "picture.raw")
        check(got == open(os.path.join(native_dir, "picture.raw"), "rb").read(), f"toRaw {fmt}: photo2raw's bytes")

    # A panel of a few colours: dithered onto its palette, previewed as it
    # shows it, and its packed bytes.
    run_native = lambda *cmd: subprocess.run([os.path.join(a.bin, cmd[0]), *cmd[1:]], cwd=native_dir, check=True)
    run_native("bmpdither", "--palette", "spectra6", "input.bmp", "panel.bmp")
    run_native("kestrow", "panel.bmp", "panel.photo")
    run_native("photo2bmp", "--palette", "spectra6", "panel.photo", "panel-shown.bmp")
    run_native("photo2raw", "--palette", "spectra6", "panel.photo", "panel.raw", "4bpp")
    panel = open(os.path.join(native_dir, "panel.photo"), "rb").read()
    got, _ = call(driver, "convertBmp", base64.b64encode(sample).decode(), {"palette": "spectra6"})
    check(got == panel, "convertBmp onto spectra6: bmpdither --palette then kestrow's bytes")
    got, _ = call(driver, "toBmp", base64.b64encode(panel).decode(), {"palette": "spectra6"})
    check(got == open(os.path.join(native_dir, "panel-shown.bmp"), "rb").read(), "toBmp spectra6: photo2bmp --palette's")
    got, _ = call(driver, "toRaw", base64.b64encode(panel).decode(), "4bpp", "picture.raw", {"palette": "spectra6"})
    check(got == open(os.path.join(native_dir, "panel.raw"), "rb").read(), "toRaw 4bpp: photo2raw --palette's bytes")

    # The students' road: 12-bit dithered, and the vendors' memory forms in 4:4:4.
    photo12 = native(a.bin, native_dir, "input.bmp", sample, 12, True)[2]
    got, refusal = call(driver, "convertBmp", base64.b64encode(sample).decode(), {"bits": 12, "dither": True})
    check(got == photo12, "convertBmp 12-bit dithered: bmpdither12 then kestrow16's bytes")
    for form in ("coe", "mif", "vhd"):
        subprocess.run([os.path.join(a.bin, "photo2mem"), "--rgb444", "out.photo", "picture." + form],
                       cwd=native_dir, check=True)
        want = open(os.path.join(native_dir, "picture." + form), "rb").read().replace(b"out.photo", b"picture.photo")
        got, _ = call(driver, "toMem", base64.b64encode(photo12).decode(), {"name": "picture." + form, "rgb444": True})
        check(got == want, f"toMem .{form}, 4:4:4: photo2mem --rgb444's text")

    # Refusals: the converter's message and status.
    refusals = [("8-bit", bmp(4, 4, 7, bits=8)), ("too wide", bmp(4097, 1, 8)), ("image size", bmp(5, 5, 9, img_size=7)),
                ("not a BMP", b"GIF89a...."), ("cut short", sample[:2000]), ("empty", b"")]
    for label, data in refusals:
        for bits, dither in ((16, False), (6, True)):
            status, err, _ = native(a.bin, native_dir, "input.bmp", data, bits, dither)
            _, refusal = call(driver, "convertBmp", base64.b64encode(data).decode(), {"bits": bits, "dither": dither})
            check(refusal is not None and status != 0 and refusal["message"] == err.strip() and refusal["status"] == status,
                  f"refused: {label}, {bits}-bit{', dithered' if dither else ''}: '{err.strip()}', status {status}"
                  + ("" if refusal is None else f" (page: '{refusal['message']}', {refusal['status']})"))

    if controls:
        control_checks(driver, url, a, downloads, photo)


def control_checks(driver, url, a, downloads, photo):
    """The page's own controls: a BMP, a turned JPEG, a transparent PNG, a
    huge picture and a file that is no picture, converted and downloaded."""
    # A BMP through the controls; the download is the native bytes.
    sample_copy = os.path.join(a.work, "sample.bmp")
    shutil.copy(a.sample, sample_copy)
    got, name = through_controls(driver, url, sample_copy, 320, 240, "pad", 16, True, downloads)
    check(got == photo, f"the page's controls: the downloaded {name} is bmpdither16 + kestrow16's")
    if a.screenshot:
        driver.save_screenshot(a.screenshot)

    # A JPEG stored 64 x 32 with EXIF orientation 6 (turn 90 degrees
    # clockwise to show: the stored left column becomes the top row):
    # red on the left, blue on the right, so shown upright it is
    # 32 x 64, red on top, blue below. Converted at 32 x 64, stretched, the photo file's top rows
    # (stored last) must be red and its bottom rows blue.
    stored = Image.new("RGB", (64, 32))
    for x in range(64):
        for y in range(32):
            stored.putpixel((x, y), (255, 0, 0) if x < 32 else (0, 0, 255))
    exif = Image.Exif()
    exif[0x0112] = 6
    jpeg = os.path.join(a.work, "rotated.jpg")
    stored.save(jpeg, quality=95, exif=exif.tobytes())
    got, name = through_controls(driver, url, jpeg, 32, 64, "stretch", 16, False, downloads)
    ok = got is not None and got[:4] == bytes([32, 0, 64, 0])
    if ok:
        values = struct.unpack("<%dH" % (32 * 64), got[4:])
        top = values[(64 - 4) * 32:]      # the display's top 4 rows, stored last
        bottom = values[:4 * 32]
        ok = all(v >> 11 >= 28 and v & 31 <= 3 for v in top) and all(v & 31 >= 28 and v >> 11 <= 3 for v in bottom)
    check(ok, "a JPEG with EXIF orientation 6 is converted upright (red on top, blue below, 32 x 64)")

    # A transparent PNG is flattened on the background the user picks:
    # pure red here, so every 16-bit value is 0xF800.
    clear = os.path.join(a.work, "clear.png")
    Image.new("RGBA", (8, 8), (0, 255, 0, 0)).save(clear)
    driver.get(url)
    driver.execute_script("document.getElementById('background').value = '#ff0000';")
    got, name = through_controls(driver, None, clear, 8, 8, "stretch", 16, False, downloads)
    check(got is not None and got[4:] == b"\x00\xf8" * 64, "a transparent PNG is flattened on the background picked")

    # A picture far larger than any panel (6000 x 4000) is scaled down
    # and converted, without the page hanging.
    huge = os.path.join(a.work, "huge.png")
    Image.new("RGB", (6000, 4000), (0, 0, 255)).save(huge)
    t0 = time.monotonic()
    got, name = through_controls(driver, url, huge, 320, 240, "pad", 6, True, downloads)
    check(got is not None and got[:4] == bytes([64, 1, 240, 0]),
          f"a 6000 x 4000 picture is converted at 320 x 240 ({time.monotonic() - t0:.1f} s)")

    # What is not a picture gets a message on the page.
    junk = os.path.join(a.work, "junk.png")
    with open(junk, "wb") as f:
        f.write(b"not a picture at all")
    got, message = through_controls(driver, url, junk, 32, 32, "pad", 6, False, downloads)
    check(got is None and "not a picture this browser can read" in message, f"not a picture: '{message}'")


def other_engine(a, native_dir, downloads):
    """The single file from file:// in Firefox ESR or WebKitGTK."""
    page_label = f"kestrow.html from file:// in {a.engine}: "
    globals()["page_label"] = page_label
    driver = Marionette() if a.engine == "firefox" else webkit()
    try:
        url = "file://" + os.path.join(a.web, "kestrow.html")
        page_checks(driver, url, a, native_dir, downloads, controls=False)
        loaded = driver.execute_script("return performance.getEntriesByType('resource').map((e) => e.name);")
        away = [u for u in loaded if not u.startswith(("file://", "blob:", "data:"))]
        check(away == [], f"no request away from the machine ({len(loaded)} loaded, away: {away[:3]})")
    finally:
        driver.quit()
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", choices=("chromium", "firefox", "webkit"), default="chromium")
    p.add_argument("--web", required=True)
    p.add_argument("--bin", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--sample", required=True)
    p.add_argument("--screenshot")
    a = p.parse_args()
    a.bin, a.web, a.work, a.sample = (os.path.abspath(x) for x in (a.bin, a.web, a.work, a.sample))
    shutil.rmtree(a.work, ignore_errors=True)
    downloads = os.path.join(a.work, "downloads")
    native_dir = os.path.join(a.work, "native")
    os.makedirs(downloads)
    os.makedirs(native_dir)
    global page_label
    if a.engine != "chromium":
        return other_engine(a, native_dir, downloads)
    server = serve(a.web)
    try:
        # The page served over HTTP, then as its single file from file://.
        page_label = "served: "
        driver = browser(downloads)
        try:
            page_checks(driver, f"http://127.0.0.1:{server.server_address[1]}/index.html", a, native_dir, downloads)
        finally:
            driver.quit()
        single = os.path.join(a.web, "kestrow.html")
        page_label = "kestrow.html from file://: "
        size = os.path.getsize(single)
        check(size <= 300 * 1024, f"the single file is {size} bytes, at most 300 KB")
        driver = browser(downloads)
        try:
            driver.get_log("performance")  # what the browser did before the page
            page_checks(driver, "file://" + single, a, native_dir, downloads)
            # No request that could leave the machine, while the page loads
            # or after: none in Chromium's performance log but for the file
            # itself, the page's own blob: and data: URLs, and the
            # browser's internal chrome:// pages (its new-tab page).
            requests = [m for m in (json.loads(e["message"])["message"] for e in driver.get_log("performance"))
                        if m["method"] == "Network.requestWillBeSent"]
            away = [r["params"]["request"]["url"] for r in requests
                    if not r["params"]["request"]["url"].startswith(("file://", "blob:", "data:", "chrome://"))]
            check(requests != [] and away == [], f"no network request ({len(requests)} requests, away: {away[:3]})")
        finally:
            driver.quit()
    finally:
        server.shutdown()
    print(f"{len(failures)} failed" if failures else "all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
