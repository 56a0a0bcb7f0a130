#!/usr/bin/env python3
"""Holds the source folders to their layers: every #include "FOLDER/..." of a source file must
point at a folder of a lower layer (or its own), so the folder graph has no loop. The folders up to
pages/ and flows/ are free of any toolkit: none of their files includes a Qt header (#include <Q...>);
nor do the Win32 front end's (winui/, winapp/).

    tools/check-layers.py            check; exit 1 and name each include that points up or sideways
    tools/check-layers.py --graph    also print the folder graph (one line per folder: what it uses)

Tests, benchmarks and fuzz targets may use any layer; they are not checked.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Bottom to top. Folders of one layer may not include each other.
LAYERS = [
    ["platform", "strings"],  # the operating system behind narrow interfaces; the window's texts by id
    ["protocol", "config"],  # NPA packets and the printer's code page; devPanel.ini
    ["link", "sim"],         # the printer link; the virtual printer and simulated platform
    ["transactions"],        # the Npa* operations
    ["document"],            # the printer document and discovery
    ["templates"],           # dialog templates as data, dialog units
    ["pages", "flows"],      # the setting pages' model; the start-up, commands and command line
    ["qtui", "winui"],       # the front ends: Qt's and Win32's, bound to the pages by control id
    ["qtapp", "cli", "winapp"],  # the Qt program, the command-line program, the Win32 program
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/([^"]+)"', re.M)
# The highest layer that must not include a toolkit's header, and the folders above it that must not
# either.
TOOLKIT_FREE_UP_TO = RANK["flows"]
TOOLKIT_FREE_ABOVE = {"winui", "winapp"}
TOOLKIT_INCLUDE = re.compile(r'^\s*#\s*include\s*<(Q[A-Za-z0-9_]*(?:/[^>]*)?)>', re.M)


def sources():
    for folder in RANK:
        for base, _, files in os.walk(os.path.join(ROOT, folder)):
            for name in sorted(files):
                if name.endswith((".cpp", ".h")):
                    yield folder, os.path.join(base, name)


def main():
    graph = {folder: set() for folder in RANK}
    faults = []
    for folder, path in sources():
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        where = os.path.relpath(path, ROOT)
        if RANK[folder] <= TOOLKIT_FREE_UP_TO or folder in TOOLKIT_FREE_ABOVE:
            for header in TOOLKIT_INCLUDE.findall(text):
                faults.append(f"{where}: includes <{header}>: {folder} stays free of any toolkit")
        for target, rest in INCLUDE.findall(text):
            if target not in RANK:
                continue  # a system or third-party header written with quotes
            if not os.path.isfile(os.path.join(ROOT, target, rest)):
                faults.append(f"{where}: includes {target}/{rest}, which does not exist")
            if target == folder:
                continue
            graph[folder].add(target)
            if RANK[target] >= RANK[folder]:
                kind = "up" if RANK[target] > RANK[folder] else "sideways"
                faults.append(f"{where}: includes {target}/{rest}: {folder} may not use {target} ({kind})")
    if "--graph" in sys.argv:
        for rank in reversed(range(len(LAYERS))):
            for folder in LAYERS[rank]:
                uses = ", ".join(sorted(graph[folder], key=lambda f: -RANK[f])) or "-"
                print(f"{rank}  {folder:<13} uses {uses}")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"check-layers: {len(faults)} include(s) break the layers or bring in a toolkit", file=sys.stderr)
        return 1
    print(f"check-layers: {sum(len(v) for v in graph.values())} folder dependencies, all pointing down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
