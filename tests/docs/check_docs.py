#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Copyright (c) 2026 kestrow developers
# The map of the project cannot go stale: every relative link in README.md
# and docs/ resolves (to a file, and to a heading where it names one), every
# page in docs/ is linked from the front page, every top folder has its
# line in the front page's layout table, and every command that uses a build
# folder starts from where a reader stands: the same page configures that
# folder (or links to the page that does). One check a run:
#   check_docs.py SOURCE_DIR links|pages|layout|commands|formats
import os
import re
import sys

LINK = re.compile(r'!?\[[^\]]*\]\(([^)\s]+)\)')
FENCE = re.compile(r'^(```|~~~)')


def prose_lines(text):
    """The lines outside fenced and indented code, where links are links."""
    inside = False
    for line in text.split('\n'):
        if FENCE.match(line):
            inside = not inside
            continue
        if not inside and not line.startswith('    '):
            yield line


def slug(heading):
    """A heading's anchor as GitHub makes it."""
    s = heading.strip().lower().replace('`', '')
    s = re.sub(r'[^\w\- ]', '', s)
    return s.replace(' ', '-')


def anchors(path):
    found, seen = set(), {}
    with open(path, encoding='utf-8') as f:
        for line in prose_lines(f.read()):
            m = re.match(r'^#{1,6}\s+(.*)$', line)
            if m:
                a = slug(m.group(1))
                n = seen.get(a, 0)
                seen[a] = n + 1
                found.add(a if n == 0 else f'{a}-{n}')
    return found


def documents(root):
    pages = [os.path.join(root, 'README.md')]
    docs = os.path.join(root, 'docs')
    pages += sorted(os.path.join(docs, p) for p in os.listdir(docs) if p.endswith('.md'))
    return pages


def links_of(path):
    with open(path, encoding='utf-8') as f:
        for line in prose_lines(f.read()):
            for target in LINK.findall(line):
                yield target


def check_links(root):
    broken = []
    for page in documents(root):
        for target in links_of(page):
            if re.match(r'^[a-z]+:', target):  # https:, mailto:
                continue
            path, _, anchor = target.partition('#')
            dest = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
            if not os.path.exists(dest):
                broken.append(f'{os.path.relpath(page, root)}: {target} (no such file)')
            elif anchor and dest.endswith('.md') and anchor not in anchors(dest):
                broken.append(f'{os.path.relpath(page, root)}: {target} (no such heading)')
    return broken


def check_pages(root):
    linked = {os.path.abspath(os.path.join(root, t.partition('#')[0]))
              for t in links_of(os.path.join(root, 'README.md'))}
    return [f'docs/{os.path.basename(p)} is not linked from README.md'
            for p in documents(root)[1:] if os.path.abspath(p) not in linked]


def is_build_tree(path):
    if os.path.exists(os.path.join(path, 'CMakeCache.txt')):
        return True
    return any(os.path.exists(os.path.join(path, d, 'CMakeCache.txt'))
               for d in os.listdir(path) if os.path.isdir(os.path.join(path, d)))


def check_layout(root):
    with open(os.path.join(root, 'README.md'), encoding='utf-8') as f:
        rows = set(re.findall(r'^\| `([^`/]+)/` \|', f.read(), re.M))
    folders = [d for d in sorted(os.listdir(root))
               if os.path.isdir(os.path.join(root, d)) and not d.startswith('.')
               and not is_build_tree(os.path.join(root, d))]
    missing = [f'{d}/ has no line in the layout table of README.md' for d in folders if d not in rows]
    gone = [f'the layout table names {d}/, which does not exist' for d in sorted(rows) if d not in folders]
    return missing + gone


def code_of(text):
    """What a reader pastes: code blocks, indented code and inline code."""
    inside = False
    for line in text.split('\n'):
        if FENCE.match(line):
            inside = not inside
        elif inside or line.startswith('    '):
            yield line
        else:
            yield from re.findall(r'`([^`]+)`', line)


def check_commands(root):
    import json
    with open(os.path.join(root, 'CMakePresets.json'), encoding='utf-8') as f:
        presets = json.load(f)
    folders = {c['binaryDir'].replace('${sourceDir}/', ''): c['name'] for c in presets['configurePresets']}
    # A workflow configures its first step's preset.
    configures = {w['name']: w['steps'][0]['name'] for w in presets['workflowPresets']}
    problems = []
    for page in documents(root):
        with open(page, encoding='utf-8') as f:
            text = f.read()
        code = list(code_of(text))
        made = set()
        for line in code:
            for workflow, name in re.findall(r'cmake +(--workflow +)?--preset[ =]+([\w-]+)', line):
                made.add(configures.get(name, name) if workflow else name)
        unmade = set()
        for line in code:
            for folder in re.findall(r'(?<![\w/.~-])(build/[\w-]+)', line):
                if folders.get(folder) and folders[folder] not in made:
                    unmade.add(folder)
        problems += [f'{os.path.relpath(page, root)}: uses {folder}, which nothing on the page configures '
                     f'(cmake --preset {folders[folder]})' for folder in sorted(unmade)]
    return problems


def check_formats(root):
    """Every format in photo2raw's table is described in its man page."""
    with open(os.path.join(root, 'programs', 'photo2raw.cpp'), encoding='utf-8') as f:
        formats = re.findall(r'^ *\{"([a-z0-9-]+)", PHOTO_', f.read(), re.M)
    with open(os.path.join(root, 'man', 'photo2raw.1'), encoding='utf-8') as f:
        described = set(re.findall(r'^\.BR? ([a-z0-9-]+)(?: ,)?$', f.read(), re.M))
    return [f'man/photo2raw.1 does not describe the format {name}' for name in formats if name not in described]


def main():
    root, check = sys.argv[1], sys.argv[2]
    problems = {'links': check_links, 'pages': check_pages, 'layout': check_layout,
                'commands': check_commands, 'formats': check_formats}[check](root)
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
