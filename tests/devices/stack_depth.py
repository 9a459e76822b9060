#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
"""Deepest stack of each entry point, from gcc's -fcallgraph-info=su file.

usage: stack_depth.py FILE.ci PREFIX LIMIT

Adds each function's frame along its deepest chain of calls, for the
functions whose names start with PREFIX. Fails if a frame is not static
(its size known at compile time), if calls recurse, or if a chain needs
more than LIMIT bytes. A call through a pointer (the read function) is the
caller's, not counted here.
"""
import re
import sys


def main():
    path, prefix, limit = sys.argv[1], sys.argv[2], int(sys.argv[3])
    frames, edges, kinds = {}, {}, {}
    for line in open(path):
        node = re.match(r'node: \{ title: "([^"]+)" label: "([^"]*)"', line)
        if node:
            title, label = node.groups()
            size = re.search(r"\\n(\d+) bytes \((\w+)\)", label)
            if size:
                frames[title] = int(size.group(1))
                kinds[title] = size.group(2)
            continue
        edge = re.match(r'edge: \{ sourcename: "([^"]+)" targetname: "([^"]+)"', line)
        if edge:
            edges.setdefault(edge.group(1), set()).add(edge.group(2))

    status = 0
    for name, kind in kinds.items():
        if kind != "static":
            print(f"{name}: a {kind} frame")
            status = 1

    def depth(name, seen):
        if name in seen:
            raise SystemExit(f"recursion through {name}")
        below = [depth(c, seen | {name}) for c in edges.get(name, ()) if c in frames]
        return frames[name] + max(below, default=0)

    entries = sorted(n for n in frames if n.startswith(prefix))
    if not entries:
        raise SystemExit(f"no function starting with {prefix} in {path}")
    for name in entries:
        d = depth(name, frozenset())
        print(f"{name}: {d} bytes")
        if d > limit:
            print(f"  more than {limit} bytes")
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
