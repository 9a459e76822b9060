#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""The WebAssembly programs against the native ones, on the same inputs:
the fuzzers' seeds (make_seeds) and regressions, and BMPs mutated from the
seeds by a seeded generator (header fields and random bytes changed, files
cut short). Each input goes through kestrow and kestrow16, and some through
bmpdither and bmpdither16, natively and under Node (the npm package's
commands); output bytes, messages and exit statuses must be the same. A
bounded run: the number of mutants is fixed, and so is the generator's seed.

usage: check_differential.py --node NODE --package DIR --bin DIR
         --make-seeds PROGRAM --regressions DIR --work DIR [--mutants N]
"""
import argparse
import os
import random
import shutil
import subprocess
import sys


def run(cmd, cwd):
    r = subprocess.run(cmd, cwd=cwd, capture_output=True, timeout=60)
    out = os.path.join(cwd, "out")
    data = open(out, "rb").read() if os.path.exists(out) else None
    return r.returncode, r.stdout, r.stderr, data


def mutants(seeds, count, rng):
    """BMPs changed as a fuzzer would: a header field set to an edge value,
    a few bytes anywhere, or the file cut short."""
    edges = [0, 1, 2, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 4096, 4097, 54, 40, 24, 8, 3]
    fields = [2, 10, 14, 18, 22, 26, 28, 30, 34]  # size, offset, DIB size, width, height, planes+bits, bits, compression, image size
    for i in range(count):
        data = bytearray(rng.choice(seeds))
        kind = i % 3
        if kind == 0 and len(data) >= 38:
            at = rng.choice(fields)
            data[at:at + 4] = rng.choice(edges).to_bytes(4, "little")
        elif kind == 1 and data:
            for _ in range(rng.randint(1, 4)):
                data[rng.randrange(len(data))] = rng.randrange(256)
        else:
            data = data[:rng.randrange(len(data) + 1)]
        yield f"mutant-{i}", bytes(data)


def main():
    p = argparse.ArgumentParser()
    for opt in ("--node", "--package", "--bin", "--make-seeds", "--regressions", "--work"):
        p.add_argument(opt, required=True)
    p.add_argument("--mutants", type=int, default=120)
    a = p.parse_args()
    a.bin, a.package, a.work = (os.path.abspath(x) for x in (a.bin, a.package, a.work))
    shutil.rmtree(a.work, ignore_errors=True)
    seeds_dir = os.path.join(a.work, "seeds")
    os.makedirs(seeds_dir)
    subprocess.run([a.make_seeds, seeds_dir], check=True, capture_output=True)
    inputs = []
    for d in (seeds_dir, a.regressions):
        for name in sorted(os.listdir(d)):
            path = os.path.join(d, name)
            if os.path.isfile(path) and name != "README.md":
                inputs.append((name, open(path, "rb").read()))
    rng = random.Random(20261209)
    inputs += list(mutants([data for _, data in inputs if len(data) < 200000], a.mutants, rng))

    failures = 0
    runs = 0
    here = os.path.join(a.work, "run")
    for i, (name, data) in enumerate(inputs):
        programs = ["kestrow", "kestrow16"] + (["bmpdither", "bmpdither16"] if i % 4 == 0 else [])
        for program in programs:
            results = []
            for side in ("native", "node"):
                shutil.rmtree(here, ignore_errors=True)
                os.makedirs(here)
                with open(os.path.join(here, "in.bmp"), "wb") as f:
                    f.write(data)
                if side == "native":
                    cmd = [os.path.join(a.bin, program), "in.bmp", "out"]
                else:
                    cmd = [a.node, os.path.join(a.package, "bin", program + ".js"), "in.bmp", "out"]
                status, out, err, written = run(cmd, here)
                # The usage line names the program as it was started; the
                # rest must be the same bytes.
                results.append((status, out, err.replace(os.path.join(a.bin, program).encode(), program.encode()),
                                written))
            runs += 1
            if results[0] != results[1]:
                failures += 1
                native, node = results
                print(f"FAIL {program} {name}: native status {native[0]} {native[2]!r}, "
                      f"Node status {node[0]} {node[2]!r}, outputs {'equal' if native[3] == node[3] else 'differ'}")
    print(f"{runs} runs on {len(inputs)} inputs, {failures} differ")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
