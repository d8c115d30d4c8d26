#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""What a screen reader gets: the real window under Xvfb with a private session bus and
the accessibility bus, read from outside with pyatspi as screen readers read it.

    tests/e2e/atspi.py [--build DIR]

It opens a comparison with one removed and one added line between unchanged ones, finds
the two diff tables (the left and right columns), reads the names of a removed row, an
added row and a row of hidden lines, moves the row cursor with Down, goes to the first
change with Ctrl+] and reads the focused cell's announcement.

Every wait polls, with a generous limit. Exits 77 (skipped) when Xvfb, xdotool, the
accessibility bus or pyatspi is missing.
"""

import argparse
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as x  # noqa: E402
from xsession import Failure  # noqa: E402

LIMIT = 60  # seconds for anything to appear
BUS_LAUNCHERS = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")

LEFT = "".join(f"line {n}\n" for n in range(1, 41)).replace("line 12\n", "line 12\ndoomed\n")
RIGHT = "".join(f"line {n}\n" for n in range(1, 41)).replace("line 30\n", "line 30\nfresh\n")


def python_with_pyatspi():
    """This interpreter when it has pyatspi, else the system's when that has it, else None
    (the client library comes as a Debian package, for the system's Python)."""
    try:
        import pyatspi  # noqa: F401
        return sys.executable
    except ImportError:
        pass
    for candidate in ("/usr/bin/python3",):
        if candidate != sys.executable and os.access(candidate, os.X_OK):
            probe = os.spawnv(os.P_WAIT, candidate, [candidate, "-c", "import pyatspi"])
            if probe == 0:
                return candidate
    return None


def tree(node, depth=0):
    """Every accessible below `node`, not entering tables (their cells are asked for)."""
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        if child.getRoleName() != "table" and depth < 40:
            yield from tree(child, depth + 1)


def fresh(node):
    node.clear_cache()
    return node


class Reader:
    def __init__(self, pid):
        import pyatspi
        self.pyatspi = pyatspi
        self.pid = pid

    def application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is not None and app.get_process_id() == self.pid:
                    return app
            except Exception:  # an application going away while asked
                continue
        return None

    def tables(self):
        """{name: table} of the diff tables showing; empty until they are there."""
        app = self.application()
        if app is None:
            return {}
        return {t.name: t for t in tree(app) if t.getRoleName() == "table" and
                fresh(t).getState().contains(self.pyatspi.STATE_SHOWING)}

    @staticmethod
    def cells(table):
        grid = fresh(table).queryTable()
        return [fresh(grid.getAccessibleAt(row, 0)) for row in range(grid.nRows)]

    def names(self, table):
        return [cell.name for cell in self.cells(table)]

    def focused(self, table):
        for cell in self.cells(table):
            if cell.getState().contains(self.pyatspi.STATE_FOCUSED):
                return cell.name
        return None


def check(varnel):
    reader = Reader(None)
    with x.Session(varnel) as session:
        session.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        session.env["QT_ACCESSIBILITY"] = "1"
        session.file("before.txt", LEFT)
        session.file("after.txt", RIGHT)
        process = session.start("before.txt", "after.txt")
        window = x.wait_for_window(r"^before\.txt ↔ after\.txt", LIMIT, pid=process.pid)
        x.focus(window)
        reader.pid = process.pid

        tables = x.wait_until(lambda: (lambda t: t if {"Left file", "Right file"} <= t.keys() else None)(
            reader.tables()), LIMIT, "no diff tables named \"Left file\" and \"Right file\" in the tree")
        left = reader.names(tables["Left file"])
        right = reader.names(tables["Right file"])
        if "Line 13, removed: doomed" not in left:
            raise Failure(f"no removed row in the left column: {left}")
        if "Line 31, added: fresh" not in right:
            raise Failure(f"no added row in the right column: {right}")
        if "No line here: line 31 added on the right" not in left:
            raise Failure(f"the left column does not say what faces the added line: {left}")
        hidden = [name for name in left if re.fullmatch(r"\d+ unchanged lines hidden", name)]
        if not hidden:
            raise Failure(f"no row of hidden lines in the left column: {left}")
        print(f"rows: {len(left)}; read: removed, added, \"{hidden[0]}\"")

        # The keyboard is in the left column: Down moves the cursor, which is the focused cell.
        column = tables["Left file"]
        x.key(window, "Down")
        first = x.wait_until(lambda: reader.focused(column), LIMIT, "Down focused no cell of the left column")
        x.key(window, "Down")
        x.wait_until(lambda: (lambda now: now and now != first)(reader.focused(column)), LIMIT,
                     f"a second Down left the focus on \"{first}\"")
        print(f"cursor: \"{first}\", then \"{reader.focused(column)}\"")

        # The next change: the cursor goes there and says which change it is.
        x.key(window, "ctrl+bracketright")
        said = x.wait_until(lambda: (lambda now: now if now and now.startswith("Change ") else None)(
            reader.focused(column)), LIMIT, "Ctrl+] was not announced on the focused cell")
        if not said.startswith("Change 1 of 2: 1 line removed. Line 13, removed: doomed"):
            raise Failure(f"Ctrl+] announced \"{said}\"")
        print(f"announced: \"{said}\"")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/default")
    args = parser.parse_args()
    if not os.environ.get("VARNEL_X_SESSION"):
        python = python_with_pyatspi()
        if python is None or not any(os.access(path, os.X_OK) for path in BUS_LAUNCHERS):
            print("skipped: pyatspi or the accessibility bus (at-spi2-core) is not installed")
            return 77
        if python != sys.executable:
            os.execv(python, [python, os.path.abspath(__file__)] + sys.argv[1:])
    x.pin_fonts(args.build)
    x.enter_xvfb(os.path.abspath(__file__), sys.argv[1:])
    varnel = os.path.join(os.path.abspath(args.build), "src", "app", "varnel")
    if not shutil.which(varnel):
        print(f"{varnel} is missing: build it first", file=sys.stderr)
        return 2
    try:
        check(varnel)
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
