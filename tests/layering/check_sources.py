#!/usr/bin/env python3
"""Fails when a source file is not named in its folder's CMakeLists.txt.

Usage: check_sources.py <project root>

Source lists are written out by hand; a .cpp or .ui file left out of them is
silently not built, and a test file left out silently never runs.
"""
import pathlib
import re
import sys

ROOTS = ("src", "tests", "bench", "fuzz")


def main():
    root = pathlib.Path(sys.argv[1]).resolve()
    problems = []
    for top in ROOTS:
        for lists in sorted((root / top).rglob("CMakeLists.txt")):
            folder = lists.parent
            text = lists.read_text(encoding="utf-8")
            names = set(re.findall(r"[\w./-]+", text))
            for path in sorted(folder.iterdir()):
                if path.suffix not in (".cpp", ".ui"):
                    continue
                if path.name not in names and not any(n.endswith("/" + path.name) for n in names):
                    problems.append("%s: not listed in %s" % (path.relative_to(root), lists.relative_to(root)))
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
