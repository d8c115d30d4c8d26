#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""Puts the licence line at the top of every source file the repository tracks.

    python3 tools/spdx.py           add the line where it is missing
    python3 tools/spdx.py --check   list the files without it and exit 1 (tools/dev.sh lint)

C++ files get `// SPDX-License-Identifier: GPL-3.0-or-later`, CMake files and scripts the
same after `#` (below the `#!` line of a script), then a blank line. A file that names a
licence in its first lines is left alone, so running it again changes nothing.
"""
import pathlib
import subprocess
import sys

LICENCE = "SPDX-License-Identifier: GPL-3.0-or-later"
CPP = (".cpp", ".h")
HASH = (".cmake", ".sh", ".py")


def comment(path: pathlib.Path, text: str):
    """The comment marker of a source file, or None for a file that is not source."""
    if path.suffix in CPP:
        return "//"
    if path.name == "CMakeLists.txt" or path.suffix in HASH or text.startswith("#!"):
        return "#"
    return None


def with_licence(text: str, marker: str) -> str:
    lines = text.splitlines(keepends=True)
    head = lines[:1] if lines and lines[0].startswith("#!") else []
    rest = lines[len(head):]
    return "".join(head + [f"{marker} {LICENCE}\n", "\n"] + rest)


def main() -> int:
    check = "--check" in sys.argv[1:]
    root = pathlib.Path(__file__).resolve().parent.parent
    names = subprocess.run(["git", "ls-files", "-z"], cwd=root, check=True, capture_output=True).stdout
    missing = []
    for name in filter(None, names.decode().split("\0")):
        path = root / name
        if not path.is_file():
            continue
        try:
            with open(path, encoding="utf-8", newline="") as file:
                text = file.read()
        except UnicodeDecodeError:
            continue  # binary test data
        marker = comment(path, text)
        if marker is None or "SPDX-License-Identifier" in "".join(text.splitlines(keepends=True)[:3]):
            continue
        missing.append(name)
        if not check:
            with open(path, "w", encoding="utf-8", newline="") as file:
                file.write(with_licence(text, marker))
    if check and missing:
        print("no licence line (run python3 tools/spdx.py):", *missing, sep="\n  ", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
