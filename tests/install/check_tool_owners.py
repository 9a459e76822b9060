#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# Every tool the build found must come from a package that
# tests/install-tools.sh installs, from a package one of those depends on
# (Depends or Pre-Depends: what is only recommended is not installed), or
# from what every Debian system has (priority required or important). A
# tool that is here by chance (installed by hand, or pulled in by something
# else on this machine) would pass the tests here and be missing on a fresh
# machine, so it fails this check instead.
#   check_tool_owners.py --install-script tests/install-tools.sh --build-dir BUILD
#   check_tool_owners.py ... --cache FILE    one cache file instead of the build's
import argparse
import os
import re
import subprocess
import sys

CACHE_ENTRY = re.compile(r'^([A-Za-z_0-9]+):(FILEPATH|STRING)=(/.*)$')
COMPILER_SET = re.compile(r'^set\((CMAKE_\w+) "(/[^"]+)"\)$')


def executable(path):
    return os.path.isfile(path) and os.access(path, os.X_OK)


def tools_in_cache(path):
    """The executables a cache names: what find_program found, the compilers,
    archivers and the emulator a cross build runs through."""
    found = {}
    with open(path, encoding='utf-8', errors='replace') as f:
        for line in f:
            m = CACHE_ENTRY.match(line.strip())
            if m:
                for value in m.group(3).split(';'):
                    if executable(value):
                        found.setdefault(value, m.group(1))
    return found


def tools_in_compiler_files(cache):
    """What a toolchain file names without a cache entry (clang-14 and the
    WebAssembly archiver), as CMake recorded it when it tested them."""
    found = {}
    files_dir = os.path.join(os.path.dirname(cache), 'CMakeFiles')
    if not os.path.isdir(files_dir):
        return found
    for version in os.listdir(files_dir):
        for name in ('CMakeCCompiler.cmake', 'CMakeCXXCompiler.cmake'):
            path = os.path.join(files_dir, version, name)
            if os.path.isfile(path):
                with open(path, encoding='utf-8') as f:
                    for line in f:
                        m = COMPILER_SET.match(line.strip())
                        if m and executable(m.group(2)):
                            found.setdefault(m.group(2), m.group(1))
    return found


def caches(build_dir):
    for root, dirs, files in os.walk(build_dir):
        dirs[:] = [d for d in dirs if d != 'CMakeFiles']
        if 'CMakeCache.txt' in files:
            yield os.path.join(root, 'CMakeCache.txt')


def tries(path):
    """A file's path as named, as resolved through links and alternatives,
    and the other half of the /usr merge of each."""
    real = os.path.realpath(path)
    found = [path, real]
    for p in (path, real):
        found.append(p[4:] if p.startswith('/usr/') else '/usr' + p)
    return found


def owner_table(paths):
    """The packages that own each of the paths, from one dpkg-query -S for
    all of them: each call reads dpkg's whole database of files, a third
    of a second, and the tools have hundreds of paths to try."""
    r = subprocess.run(['dpkg-query', '-S'] + sorted(set(paths)), capture_output=True, text=True)
    table = {}
    for line in r.stdout.splitlines():
        if line.startswith('diversion by'):
            continue
        head, _, path = line.partition(': ')
        table.setdefault(path, set()).update(n.strip().split(':')[0] for n in head.split(','))
    return table


def owners(path, table):
    """The packages that own a file, by the first of its tries any owns."""
    for p in tries(path):
        if table.get(p):
            return table[p]
    return set()


def installed_packages():
    fmt = '${Package}\t${Status}\t${Priority}\t${Provides}\t${Depends}, ${Pre-Depends}\n'
    out = subprocess.run(['dpkg-query', '-W', '-f=' + fmt], capture_output=True, text=True, check=True).stdout
    packages, providers = {}, {}
    for line in out.splitlines():
        name, status, priority, provides, depends = line.split('\t')
        if not status.endswith(' installed'):
            continue
        alternatives = []
        for clause in depends.split(','):
            names = [re.sub(r'[\s(:].*$', '', a.strip()) for a in clause.split('|')]
            names = [n for n in names if n]
            if names:
                alternatives.append(names)
        entry = packages.setdefault(name, {'priority': priority, 'depends': []})
        entry['depends'] += alternatives
        for p in provides.split(','):
            p = re.sub(r'[\s(:].*$', '', p.strip())
            if p:
                providers.setdefault(p, set()).add(name)
    return packages, providers


def installed_by_script(script, packages, providers):
    """The install script's packages and everything they depend on."""
    listed = subprocess.run(['bash', script, '--list'], capture_output=True, text=True, check=True).stdout.split()
    todo = [p.split(':')[0] for p in listed]
    reached = {}
    while todo:
        name = todo.pop()
        for real in ({name} if name in packages else providers.get(name, set())):
            if real in reached:
                continue
            reached[real] = name
            for clause in packages[real]['depends']:
                todo.extend(clause)
    return reached


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--install-script', required=True)
    parser.add_argument('--build-dir')
    parser.add_argument('--cache', action='append', default=[])
    args = parser.parse_args()

    tools = {}
    for cache in args.cache or list(caches(args.build_dir)):
        tools.update(tools_in_cache(cache))
        tools.update(tools_in_compiler_files(cache))
    # The project's own programs, which the tests' consumer projects find in
    # the build tree's install prefixes, are not tools of the machine's.
    if not args.cache:
        own = os.path.realpath(args.build_dir) + os.sep
        tools = {t: e for t, e in tools.items() if not os.path.realpath(t).startswith(own)}
    packages, providers = installed_packages()
    reached = installed_by_script(args.install_script, packages, providers)
    base = {n for n, p in packages.items() if p['priority'] in ('required', 'important')}

    table = owner_table(p for tool in tools for p in tries(tool))
    failures = []
    for tool, entry in sorted(tools.items()):
        names = owners(tool, table)
        if not names:
            failures.append(f'{tool} ({entry}): no package owns it; was it put in by hand?')
            continue
        why = [f'{n} (installed by the script)' if n in reached else f'{n} (on every Debian system)'
               for n in sorted(names) if n in reached or n in base]
        if why:
            print(f'{tool} ({entry}): {", ".join(why)}')
        else:
            failures.append(f'{tool} ({entry}): from {", ".join(sorted(names))}, which '
                            f'{os.path.basename(args.install_script)} does not install, nor anything it installs '
                            'depend on')
    print(f'{len(tools)} tools checked')
    for f in failures:
        print('FAILED: ' + f, file=sys.stderr)
    return 1 if failures or not tools else 0


if __name__ == '__main__':
    sys.exit(main())
