#!/usr/bin/env python3
"""Checks that the source folders are layers: an #include may point only to its own folder or
to one below it, and no circle runs through the files (a .cpp and its .h counted as one unit).

Usage: tools/check-layers.py [SOURCE_DIR]   (default: src beside this script's folder)
Prints every offending include or circle and exits 1; prints a one-line summary and exits 0
when the layering holds."""
import os
import re
import sys

FLOORS = ["io", "board", "movegen", "eval", "search", "game", "protocol", "shell"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([A-Za-z0-9_]+)\.h"', re.M)


def units(src):
    """Maps each unit (folder/name) to the units it includes."""
    graph = {}
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            stem, ext = os.path.splitext(name)
            if ext not in (".cpp", ".h"):
                continue
            unit = f"{folder}/{stem}"
            with open(os.path.join(path, name), encoding="utf-8") as f:
                targets = {f"{a}/{b}" for a, b in INCLUDE.findall(f.read())}
            graph.setdefault(unit, set()).update(targets - {unit})
    return graph


def find_circles(graph):
    """Strongly connected components of more than one unit (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph.get(v, ())):
            if w not in graph:
                continue
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    graph = units(src)
    faults = []
    for unit, targets in sorted(graph.items()):
        floor = unit.split("/")[0]
        if floor not in FLOORS:
            faults.append(f"{unit}: folder {floor} is not one of the floors {' '.join(FLOORS)}")
            continue
        for target in sorted(targets):
            to = target.split("/")[0]
            if to not in FLOORS:
                faults.append(f"{unit} includes {target}: no such floor")
            elif FLOORS.index(to) > FLOORS.index(floor):
                faults.append(f"{unit} includes {target}: an include that points up")
            elif target not in graph:
                faults.append(f"{unit} includes {target}: no such file")
    for circle in find_circles(graph):
        faults.append("circle: " + " -> ".join(circle))
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"layers hold: {len(graph)} units, includes point only down ({' < '.join(FLOORS)})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
