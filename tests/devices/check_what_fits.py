#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The microcontrollers page's "What fits" table, built: for each AVR board
# whose device avr-gcc knows, each cell's pictures are made into headers by
# the page's own picture.h recipe and linked, with the reader opening each
# one, for that board; the image must fit its flash less the bootloader. A
# cell that says none fit is held to it: the smallest picture of that depth
# must fail to build, or not fit.
#   check_what_fits.py --doc docs/microcontrollers.md --include DIR --avr-gcc avr-gcc
#                      --avr-size avr-size --work DIR
import argparse
import os
import re
import shutil
import subprocess
import sys

# The boards built here: the name their row starts with, the device, and the
# flash a sketch may use (the bootloader's part taken off: 0.5 KiB on the
# Uno's optiboot, 8 KiB on the Mega's).
BOARDS = [('Arduino Uno', 'atmega328p', 32768 - 512), ('Arduino Mega 2560', 'atmega2560', 262144 - 8192)]
BYTES_A_PIXEL = {'6-bit': 1, '16-bit': 2}


def doc_block(text, name):
    m = re.search(r'<!-- file: ' + re.escape(name) + r' -->\n```\w*\n(.*?)\n```', text, re.S)
    if not m:
        sys.exit(f'no block {name} in the page')
    return m.group(1)


def table(text):
    """The picture sizes the page lists, and each board row's cells."""
    rows = {}
    for line in text.split('\n'):
        cells = [c.strip() for c in line.strip().strip('|').split('|')]
        if len(cells) == 4 and cells[0] not in ('board', '---'):
            rows[cells[0]] = {'6-bit': cells[2], '16-bit': cells[3]}
    sizes = [tuple(map(int, m)) for m in re.findall(r'^\| (\d+) x (\d+)', text, re.M)]
    return rows, sizes


def pictures_of(cell):
    """'two of 128 x 160 or 160 x 120' -> [(2, [(128, 160), (160, 120)])]"""
    counts = {'one': 1, 'two': 2, 'three': 3, 'four': 4}
    m = re.match(r'(?:(one|two|three|four)(?: of)? )?((?:\d+ x \d+(?: or )?)+)', cell)
    if not m:
        return None
    n = counts.get(m.group(1) or 'one')
    return n, [tuple(map(int, s)) for s in re.findall(r'(\d+) x (\d+)', m.group(2))]


def build(args, recipe, mcu, pictures, work):
    """Links the pictures, each opened by the reader, for the device: the
    bytes of flash used, or None with the compiler's words if it fails."""
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    includes, opens = [], []
    for k, (w, h, bpp) in enumerate(pictures):
        d = os.path.join(work, f'p{k}')
        os.makedirs(d)
        # A photo file of that size; its pixels vary, so nothing folds away.
        data = bytes([w & 255, w >> 8, h & 255, h >> 8]) + bytes((i * 7 + k) & 255 for i in range(w * h * bpp))
        with open(os.path.join(d, 'picture.photo'), 'wb') as f:
            f.write(data)
        subprocess.run(['sh', '-c', recipe], cwd=d, check=True)
        with open(os.path.join(d, 'picture.h')) as f:
            header = f.read().replace('picture_photo', f'picture{k}_photo')
        with open(os.path.join(d, 'picture.h'), 'w') as f:
            f.write(header)
        includes.append(f'#include "p{k}/picture.h"')
        opens.append(f'  rc |= photo_open_flash(&photo, picture{k}_photo, picture{k}_photo_len);\n'
                     '  rc |= photo_read_rows(&photo, 0, 1, PHOTO_RGB565_BE, row);')
    with open(os.path.join(work, 'main.c'), 'w') as f:
        f.write('#include <kestrow/photo_file.h>\n' + '\n'.join(includes) +
                '\nvolatile int result;\nint main(void)\n{\n  photo_file_t photo;\n  uint8_t row[640];\n'
                '  int rc = 0;\n' + '\n'.join(opens) + '\n  result = rc;\n  return 0;\n}\n')
    r = subprocess.run([args.avr_gcc, f'-mmcu={mcu}', '-Os', '-std=c99', '-I', args.include, '-I', work,
                        '-o', os.path.join(work, 'main.elf'), os.path.join(work, 'main.c')],
                       capture_output=True, text=True)
    if r.returncode != 0:
        errors = [line for line in r.stderr.splitlines() if 'error' in line]
        return None, (errors or ['failed'])[0].split('error: ')[-1]
    size = subprocess.run([args.avr_size, '-A', os.path.join(work, 'main.elf')], capture_output=True, text=True,
                          check=True).stdout
    sections = dict((m[0], int(m[1])) for m in re.findall(r'^\.(\w+)\s+(\d+)', size, re.M))
    return sections.get('text', 0) + sections.get('data', 0), ''


def main():
    parser = argparse.ArgumentParser()
    for a in ('--doc', '--include', '--avr-gcc', '--avr-size', '--work'):
        parser.add_argument(a, required=True)
    args = parser.parse_args()
    with open(args.doc, encoding='utf-8') as f:
        text = f.read()
    recipe = doc_block(text, 'picture.h.sh')
    rows, sizes = table(text)
    failures, checked = [], 0
    for board, mcu, flash in BOARDS:
        row = next((cells for name, cells in rows.items() if name.startswith(board)), None)
        if row is None:
            failures.append(f'no row for {board}')
            continue
        for depth, cell in row.items():
            bpp = BYTES_A_PIXEL[depth]
            work = os.path.join(args.work, f'{mcu}-{bpp}')
            checked += 1
            if cell.startswith('none'):
                w, h = min(sizes, key=lambda s: s[0] * s[1])
                used, why = build(args, recipe, mcu, [(w, h, bpp)], work)
                if used is not None and used <= flash:
                    failures.append(f'{board}, {depth}: "{cell}", but {w} x {h} builds in {used} of {flash} bytes')
                else:
                    print(f'{board}, {depth}: {w} x {h} does not fit ({why or f"{used} of {flash} bytes"}), '
                          'as the page says')
                continue
            wanted = pictures_of(cell)
            if wanted is None:
                failures.append(f'{board}, {depth}: cannot read "{cell}"')
                continue
            n, choices = wanted
            for w, h in choices:
                used, why = build(args, recipe, mcu, [(w, h, bpp)] * n, work)
                if used is None or used > flash:
                    failures.append(f'{board}, {depth}: "{cell}", but {n} of {w} x {h} '
                                    f'{"fail: " + why if used is None else f"take {used} of {flash} bytes"}')
                else:
                    print(f'{board}, {depth}: {n} of {w} x {h} built, {used} of {flash} bytes')
    for f in failures:
        print('FAILED: ' + f, file=sys.stderr)
    return 1 if failures or not checked else 0


if __name__ == '__main__':
    sys.exit(main())
