#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""photo2mem's memory images, read back by what each tool's users read them
with, and held to photo2raw's bytes of the same pictures:

- .mif by srecord's srec_cat (-MIF), and by a strict reading of the format
  here, as srec_cat checks neither DEPTH, WIDTH nor a value's range;
- .vhd by GHDL: a testbench uses the package and prints every value;
- .coe by a strict reading of Vivado's rules, and against the value list
  srec_cat writes (-COE) for the same bytes;
- .mem by a strict reading ($readmemh itself is tested by the VGA tests);
for one picture of each encoding, with --rgb444, and for several pictures
in one memory, whose start addresses every header must give. Pictures of
6 and 16 bits mixed without --rgb444 are refused, naming the file.

usage: check_memory_formats.py --photo2mem P --photo2raw P --srec-cat P
         --ghdl P --work DIR PHOTO...
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def run(args, cwd, expect=0):
    r = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if r.returncode != expect:
        raise SystemExit(f"{' '.join(args)}: status {r.returncode}, not {expect}\n{r.stderr}")
    return r


def size_of(photo):
    with open(photo, "rb") as f:
        head = f.read(4)
    w, h = head[0] | head[1] << 8, head[2] | head[3] << 8
    return w, h, (os.path.getsize(photo) - 4) // (w * h)


def expected_values(a, photo, rgb444):
    """The values top row first, from photo2raw's bytes of the picture."""
    raw = os.path.join(a.work, "expected.raw")
    sixteen = size_of(photo)[2] == 2
    run([a.photo2raw, photo, raw, "rgb565be" if sixteen else "rgb222"], a.work)
    data = open(raw, "rb").read()
    if sixteen:
        values = [data[i] << 8 | data[i + 1] for i in range(0, len(data), 2)]
        if rgb444:
            values = [(v >> 12 & 15) << 8 | (v >> 7 & 15) << 4 | (v >> 1 & 15) for v in values]
    else:
        values = list(data)
        if rgb444:
            values = [(v >> 4 & 3) * 5 << 8 | (v >> 2 & 3) * 5 << 4 | (v & 3) * 5 for v in values]
    return values, data


def comments_then(lines, lead):
    """The lines after the leading comment lines, and the comments."""
    n = 0
    while n < len(lines) and lines[n].startswith(lead):
        n += 1
    return lines[n:], lines[:n]


def read_mem(text, bits):
    lines, _ = comments_then(text.split("\n"), "//")
    digits = (bits + 3) // 4
    assert lines[-1] == "", "no newline at the end"
    for line in lines[:-1]:
        assert re.fullmatch(f"[0-9a-f]{{{digits}}}", line), f"not a value of {digits} hex digits: {line!r}"
    return [int(v, 16) for v in lines[:-1]]


def read_coe(text, bits):
    lines, comments = comments_then(text.split("\n"), ";")
    assert any(re.fullmatch(rf"; depth \d+ words of {bits} bits, .*", c) for c in comments), "no depth and width"
    assert lines[0] == "memory_initialization_radix=16;", f"radix line: {lines[0]!r}"
    assert lines[1] == "memory_initialization_vector=", f"vector line: {lines[1]!r}"
    body = lines[2:]
    assert body[-1] == "", "no newline at the end"
    body = body[:-1]
    digits = (bits + 3) // 4
    for line in body[:-1]:
        assert re.fullmatch(f"[0-9a-f]{{{digits}}},", line), f"not a value and a comma: {line!r}"
    assert re.fullmatch(f"[0-9a-f]{{{digits}}};", body[-1]), f"the last value must end with ';': {body[-1]!r}"
    depth = int(re.search(r"; depth (\d+) words", "\n".join(comments)).group(1))
    assert depth == len(body), f"depth {depth}, {len(body)} values"
    return [int(v[:-1], 16) for v in body]


def read_mif(text, bits):
    lines, _ = comments_then(text.split("\n"), "--")
    head = lines[:5]
    m = re.fullmatch(r"DEPTH = (\d+);", head[0])
    assert m, f"DEPTH line: {head[0]!r}"
    depth = int(m.group(1))
    assert head[1] == f"WIDTH = {bits};", f"WIDTH line: {head[1]!r}"
    assert head[2:] == ["ADDRESS_RADIX = HEX;", "DATA_RADIX = HEX;", "CONTENT BEGIN"], f"radix lines: {head[2:]}"
    body = lines[5:]
    assert body[-2:] == ["END;", ""], f"the file must end with END;: {body[-2:]}"
    values = []
    for address, line in enumerate(body[:-2]):
        m = re.fullmatch(r"([0-9a-f]+) : ([0-9a-f]+);", line)
        assert m, f"not 'address : value;': {line!r}"
        assert int(m.group(1), 16) == address, f"address {m.group(1)} where {address:x} belongs (no ranges, no gaps)"
        v = int(m.group(2), 16)
        assert v < 1 << bits, f"value {v:x} wider than {bits} bits"
        values.append(v)
    assert len(values) == depth, f"DEPTH {depth}, {len(values)} values"
    return values


TESTBENCH = """library ieee;
use ieee.std_logic_1164.all;
use std.textio.all;
use work.{package}.all;

entity tb is
end tb;

architecture print of tb is
begin
  process
    variable l : line;
  begin
    for i in 0 to PHOTO_DEPTH - 1 loop
      for b in PHOTO_VALUE_BITS - 1 downto 0 loop
        if PHOTO_MEMORY(i)(b) = '1' then
          write(l, character'('1'));
        else
          write(l, character'('0'));
        end if;
      end loop;
      writeline(output, l);
    end loop;
    wait;
  end process;
end print;
"""


def read_vhdl(a, path, bits):
    """The values as GHDL sees them, and the package's constants."""
    text = open(path).read()
    package = re.search(r"^package (\w+) is$", text, re.M).group(1)
    constants = {k: int(v) for k, v in re.findall(r"constant (\w+) : natural := (\d+);", text)}
    d = os.path.join(a.work, "ghdl")
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d)
    shutil.copy(path, os.path.join(d, "photo.vhd"))
    open(os.path.join(d, "tb.vhd"), "w").write(TESTBENCH.format(package=package))
    for step in (["-a", "photo.vhd", "tb.vhd"], ["-e", "tb"]):
        run([a.ghdl] + step[:1] + ["--std=93"] + step[1:], d)
    out = run([a.ghdl, "-r", "--std=93", "tb"], d).stdout.split()
    assert all(len(v) == bits for v in out), "a value of the wrong width"
    return [int(v, 2) for v in out], constants


def srec_mif_bytes(a, path):
    out = os.path.join(a.work, "srec.bin")
    run([a.srec_cat, path, "-MIF", "-o", out, "-binary"], a.work)
    return open(out, "rb").read()


# Bytes at each end of a memory that srec_cat's -COE list is compared on.
# Run 24 bytes at a time, srec_cat over a whole 161 x 117 picture was a
# minute of this test; the strict reading has checked every value by then,
# and the ends (the first word's byte order, the last words) are where a
# writer goes wrong.
SREC_END_BYTES = 480


def srec_coe_values(a, data, width):
    """srec_cat's -COE value list of the bytes. srec_cat 1.64 stops with "unable
    to cope with holes" once its input spans more than one of its records
    (24 bytes at width 8, 28 at 16), so it is given the bytes 24 at a time."""
    values = []
    chunk = os.path.join(a.work, "chunk.raw")
    for at in range(0, len(data), 24):
        open(chunk, "wb").write(data[at:at + 24])
        text = run([a.srec_cat, chunk, "-binary", "-o", "-", "-COE", str(width)], a.work).stdout
        body = text.split("memory_initialization_vector =")[1]
        values += [int(v, 16) for v in re.findall(r"[0-9A-Fa-f]+", body)]
    return values


def le_words(values, bits):
    if bits <= 8:
        return bytes(values)
    return b"".join(bytes([v & 255, v >> 8]) for v in values)


def check_one_memory(a, photos, rgb444, label):
    bits = 12 if rgb444 else 6 if size_of(photos[0])[2] == 1 else 16
    want, starts, raw = [], [], b""
    for p in photos:
        starts.append(len(want))
        values, data = expected_values(a, p, rgb444)
        want += values
        raw += data
    flag = ["--rgb444"] if rgb444 else []
    names = {}
    for suffix in ("mem", "coe", "mif", "vhd"):
        names[suffix] = os.path.join(a.work, f"picture.{suffix}")
        run([a.photo2mem] + flag + photos + [names[suffix]], a.work)
    read = open(names["mem"]).read()
    check(read_mem(read, bits) == want, f"{label}: .mem values")
    vh = open(os.path.join(a.work, "picture.vh")).read()
    check(f"localparam PHOTO_VALUE_BITS = {bits};" in vh, f"{label}: .vh value width")
    if len(photos) > 1:
        for i, start in enumerate(starts):
            w, h, _ = size_of(photos[i])
            check(f"localparam PHOTO{i}_START = {start};\nlocalparam PHOTO{i}_WIDTH = {w};\n"
                  f"localparam PHOTO{i}_HEIGHT = {h};" in vh, f"{label}: .vh start, width and height of picture {i}")
        check(f"localparam PHOTO_DEPTH = {len(want)};" in vh, f"{label}: .vh depth")
    coe = open(names["coe"]).read()
    check(read_coe(coe, bits) == want, f"{label}: .coe values, read strictly")
    if not rgb444:
        width = 16 if bits == 16 else 8
        n = min(len(raw), SREC_END_BYTES)  # even: 16-bit pictures are whole words
        ends = srec_coe_values(a, raw[:n], width) + srec_coe_values(a, raw[len(raw) - n:], width)
        per = width // 8
        check(ends == want[:n // per] + want[len(want) - n // per:],
              f"{label}: .coe values at both ends as srec_cat -COE writes them")
    mif = open(names["mif"]).read()
    check(read_mif(mif, bits) == want, f"{label}: .mif values, read strictly")
    check(srec_mif_bytes(a, names["mif"]) == le_words(want, bits), f"{label}: .mif read by srec_cat")
    values, constants = read_vhdl(a, names["vhd"], bits)
    check(values == want, f"{label}: .vhd values, read by GHDL")
    check(constants.get("PHOTO_DEPTH") == len(want) and constants.get("PHOTO_VALUE_BITS") == bits
          and constants.get("PHOTO_COUNT") == len(photos), f"{label}: .vhd depth, value width and count")
    for i, start in enumerate(starts):
        w, h, _ = size_of(photos[i])
        check((constants.get(f"PHOTO{i}_START"), constants.get(f"PHOTO{i}_WIDTH"), constants.get(f"PHOTO{i}_HEIGHT"))
              == (start, w, h), f"{label}: .vhd start, width and height of picture {i}")


def main():
    p = argparse.ArgumentParser()
    for opt in ("--photo2mem", "--photo2raw", "--srec-cat", "--ghdl", "--work"):
        p.add_argument(opt, required=True)
    p.add_argument("photos", nargs="+")
    a = p.parse_args()
    a.work = os.path.abspath(a.work)
    a.photo2mem, a.photo2raw = os.path.abspath(a.photo2mem), os.path.abspath(a.photo2raw)
    shutil.rmtree(a.work, ignore_errors=True)
    os.makedirs(a.work)
    photos = [os.path.abspath(x) for x in a.photos]
    six = [x for x in photos if size_of(x)[2] == 1]
    sixteen = [x for x in photos if size_of(x)[2] == 2]
    for photo in six[:1] + sixteen[:1]:
        for rgb444 in (False, True):
            check_one_memory(a, [photo], rgb444, os.path.basename(photo) + (" --rgb444" if rgb444 else ""))
    for photo in [x for x in photos if size_of(x)[:2] == (1, 1)][:1]:
        check_one_memory(a, [photo], False, "one pixel")
    check_one_memory(a, sixteen, False, f"{len(sixteen)} 16-bit pictures")
    check_one_memory(a, six, False, f"{len(six)} 6-bit pictures")
    check_one_memory(a, [six[0], sixteen[0]], True, "a 6-bit and a 16-bit picture, --rgb444")
    # Mixed without --rgb444: refused by naming the file, nothing written.
    out = os.path.join(a.work, "mixed.mem")
    r = run([a.photo2mem, sixteen[0], six[0], out], a.work, expect=2)
    check(r.stderr == f"{six[0]} is 6-bit, but {sixteen[0]} is 16-bit: the pictures of one memory must share "
          "their value width (or give --rgb444).\n" and not os.path.exists(out), "6 and 16 bits mixed: refused")
    if failures:
        print(f"{len(failures)} failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
