#!/usr/bin/env python3
"""Prints the game's modules as src/ includes them: each module (a header in src/ with the
files that implement it, on every platform) and the modules it includes, then every loop of
modules that include each other, however long. Usage: tools/include_graph.py [SRC_DIR]"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.M)


def source_files(src):
    """Every .h and .cpp under src, as paths relative to it."""
    for folder, _, names in os.walk(src):
        for name in names:
            if name.endswith(('.h', '.cpp')):
                yield os.path.relpath(os.path.join(folder, name), src)


def resolve(name, path, headers):
    """The header of src/ that `#include name` in `path` finds, as the browser's build finds
    it (its folder web/ first, where the windowing library's and OpenGL's stand-ins are); None
    for a library's own."""
    for candidate in (os.path.join(os.path.dirname(path), name), os.path.join('web', name), name):
        candidate = os.path.normpath(candidate)
        if candidate in headers:
            return candidate
    return None


def module_of(path, headers):
    """A header is its own module; a .cpp belongs to the header it implements: its namesake,
    or for a platform's file (screen_x11.cpp, picture_soil.cpp) the header its name starts
    with, in its folder or in src/; else it is a module of its own."""
    if path.endswith('.h'):
        return path[:-2]
    folder, base = os.path.split(path[:-4])
    stems = [base, base.rsplit('_', 1)[0]]
    for stem in stems:
        for candidate in (os.path.join(folder, stem + '.h'), stem + '.h'):
            if candidate in headers:
                return candidate[:-2]
    return path[:-4]


def graph(src):
    files = sorted(source_files(src))
    texts = {f: open(os.path.join(src, f), encoding='utf-8').read() for f in files}
    headers = {f for f in files if f.endswith('.h')}
    edges = {}
    for f in files:
        module = module_of(f, headers)
        edges.setdefault(module, set())
        for name in INCLUDE.findall(texts[f]):
            target = resolve(name, f, headers)
            if target and target[:-2] != module:
                edges[module].add(target[:-2])
    return edges


def loops(edges):
    """Strongly connected groups of more than one module (Tarjan's)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in edges.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'src')
    edges = graph(src)
    for module in sorted(edges):
        print(f'{module}: {" ".join(sorted(edges[module]))}')
    found = loops(edges)
    count = sum(len(e) for e in edges.values())
    print(f'{len(edges)} modules, {count} includes between them, {len(found)} loops')
    for group in found:
        print('loop: ' + ' '.join(group))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
