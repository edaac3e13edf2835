#!/usr/bin/env python3
"""Fails when a source folder includes a folder above it.

Usage: check_layering.py <src folder>

Every quoted project include ("folder/file.h") of src/**/*.{h,cpp} is checked
against the layers below; a generated form header ("ui_name.h") belongs to
the folder that holds name.ui and may be included only from there.
"""
import pathlib
import re
import sys

SCREENS = {"login", "entry", "history", "basedata", "backup", "billing", "collection"}
FOLDERS = SCREENS | {"app", "print", "data", "settings", "common", "text"}

# The folders each folder may include besides itself.
ALLOWED = {
    "app": FOLDERS,
    "print": {"common", "data", "settings", "text"},
    "data": {"common", "text"},
    "settings": {"common", "text"},
    "common": set(),
    "text": set(),
}
for screen in SCREENS:
    ALLOWED[screen] = {"print", "common", "data", "settings", "text"}

# Single headers a folder may include from a folder it may not use otherwise.
ALLOWED_HEADERS = {
    "history": {"entry/brdateform.h"},     # the date picker
    "basedata": {"login/formmmxg.h"},      # the password dialog
}

# Generated form headers a folder may include from another folder: none;
# a screen's controls are its own.
ALLOWED_FORMS = {}

INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]+"([^"]+)"', re.MULTILINE)


def main():
    src = pathlib.Path(sys.argv[1]).resolve()
    form_owner = {}
    for ui in src.rglob("*.ui"):
        form_owner["ui_%s.h" % ui.stem] = ui.relative_to(src).parts[0]

    problems = []
    files = sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cpp"))
    for path in files:
        rel = path.relative_to(src)
        if len(rel.parts) < 2:
            continue
        folder = rel.parts[0]
        if folder not in FOLDERS:
            problems.append("%s: folder %s has no place in the layers" % (rel, folder))
            continue
        text = path.read_text(encoding="utf-8")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            line = text.count("\n", 0, match.start()) + 1
            where = "%s:%d" % (rel, line)
            if target.startswith("ui_"):
                owner = form_owner.get(target)
                if owner is None:
                    problems.append('%s: "%s" is the form of no folder' % (where, target))
                elif owner != folder and target not in ALLOWED_FORMS.get(folder, set()):
                    problems.append('%s: %s includes the form "%s" of %s' % (where, folder, target, owner))
                continue
            head = target.split("/", 1)[0]
            if "/" not in target or head not in FOLDERS:
                continue
            if head == folder or head in ALLOWED[folder] or target in ALLOWED_HEADERS.get(folder, set()):
                continue
            problems.append('%s: %s includes "%s" from %s above it' % (where, folder, target, head))

    for p in problems:
        print(p)
    print("%d files checked, %d layering violations" % (len(files), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
