#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""Fails on an include that goes up a layer.

Every file under src/ belongs to the layer whose folder holds it; it may include its own
layer and the layers listed for it below, nothing else. Includes name their folder
(`#include "core/diffengine.h"`), so the folder of each include is its layer. A test folder
(`core/tests/`) belongs to the layer around it.

A layer is a folder under src/, or a folder within one (`widgets/style`): the longest
entry that starts a path decides. A layer listed as allowed allows its subfolders too, so
"widgets" lets anything include `widgets/style/...`. A folder under src/ with no entry
fails the check until it gets one.

    tools/layers.py [SRC-FOLDER]
"""
import pathlib
import re
import sys

# The layer, and the layers below it that it may include.
ALLOWED = {
    "core": [],
    "readers": ["core"],
    "highlight": ["core", "readers"],
    "reading": ["core"],
    "compare": ["core", "readers"],
    "report": ["core", "reading"],
    "viewmodel": ["core", "readers", "reading", "compare"],
    "cli": ["core", "readers", "highlight", "reading", "compare", "report"],
    # The window's rooms: style (with the dialogs) under the diff views, the screens above
    # them, and export beside the screens; neither of those two includes the other.
    "widgets": ["core", "readers", "highlight", "reading", "compare", "report", "viewmodel"],
    "widgets/style": ["core", "readers", "highlight"],
    "widgets/dialogs": ["core", "readers", "highlight", "widgets/style"],
    "widgets/diffview": ["core", "readers", "highlight", "reading", "widgets/style", "widgets/dialogs"],
    "widgets/intake": ["core", "readers", "highlight", "reading", "compare", "viewmodel", "widgets/style",
                       "widgets/dialogs", "widgets/diffview"],
    "widgets/comparison": ["core", "readers", "highlight", "reading", "compare", "viewmodel", "widgets/style",
                           "widgets/dialogs", "widgets/diffview"],
    "widgets/root": ["core", "readers", "highlight", "reading", "compare", "viewmodel", "widgets/style",
                     "widgets/dialogs", "widgets/diffview", "widgets/intake", "widgets/comparison"],
    "widgets/export": ["core", "readers", "report", "compare", "viewmodel", "widgets/style", "widgets/dialogs"],
    "widgets/demo": ["core", "readers", "report", "compare", "viewmodel", "widgets/style", "widgets/dialogs",
                     "widgets/export"],
    "app": ["core", "readers", "highlight", "reading", "compare", "report", "viewmodel", "widgets"],
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def layer_of(path):
    """The longest entry of ALLOWED that starts path (folders joined by "/"), or None."""
    best = None
    for layer in ALLOWED:
        if (path == layer or path.startswith(layer + "/")) and (best is None or len(layer) > len(best)):
            best = layer
    return best


def may_include(layer, target):
    if target == layer or target.startswith(layer + "/"):  # its own rooms too (widgets/tests)
        return True
    return any(target == allowed or target.startswith(allowed + "/") for allowed in ALLOWED[layer])


def check(src):
    faults = []
    for folder in sorted(p.name for p in src.iterdir() if p.is_dir()):
        if layer_of(folder) is None:
            faults.append(f"src/{folder}: no entry in the layers of tools/layers.py")
    top_folders = {p.name for p in src.iterdir() if p.is_dir()}
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp") or not file.is_file():
            continue
        relative = file.relative_to(src).as_posix()
        layer = layer_of(relative)
        if layer is None:
            continue
        for number, line in enumerate(file.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1) or match.group(1).split("/")[0] not in top_folders:
                continue
            target = layer_of(match.group(1))
            if target is None or not may_include(layer, target):
                allowed = ", ".join(ALLOWED[layer]) or "nothing"
                faults.append(f"src/{relative}:{number}: {layer} includes \"{match.group(1)}\" "
                              f"(it may include {allowed})")
    return faults


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    faults = check(src)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
