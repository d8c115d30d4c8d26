#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""The window under hostile and heavy input, run by hand (too slow and too big for CI):

    tests/e2e/robustness.py [--build DIR] [--out DIR] [--only NAME...]

- huge: a 1 GB text file against a copy with one line changed;
- long-line: a 200 MB file of one line against a copy with one character changed;
- damaged-pdf: 24 truncated or bit-flipped PDFs, each against the intact one;
- storm: 50 open requests of two alternating 100k-line pairs, as fast as they come.

After each the window must be alive and responsive: it repaints while comparing (two
screenshots differ while the progress runs), it takes Ctrl+W during the comparison (the
welcome screen comes back), and it closes (Ctrl+Q ends the process with 0). For the storm,
the last pair shows, no other pair's rows show after the last request, and the memory
comes back near what one comparison of that pair holds. Peak memory is printed for each.
Needs about 2.5 GB of free disk in the temporary folder.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as x  # noqa: E402
from xsession import Failure  # noqa: E402

DIFF_AREA = (0, 96, 1100, 604)


class Robustness:
    def __init__(self, args):
        self.build = os.path.abspath(args.build)
        self.varnel = os.path.join(self.build, "src/app/varnel")
        self.cli = os.path.join(self.build, "src/cli/varnel-cli")
        self.out = os.path.abspath(args.out or os.path.join(self.build, "robustness"))
        os.makedirs(self.out, exist_ok=True)
        self.failures = []

    def check(self, condition, what):
        if not condition:
            raise Failure(what)

    def start(self, session, *files):
        process = session.start(*files)
        window = x.wait_for_window(".", 30, pid=process.pid)
        x.xdotool("windowmove", window, 0, 0)
        return process, window

    def responsive_while_comparing(self, session, name, left, right, limit):
        """Starts on the pair; while it compares, the window repaints and takes Ctrl+W;
        then the pair again, to its end (or `limit` seconds), and Ctrl+Q."""
        process, window = self.start(session, left, right)
        time.sleep(1.5)
        a = x.screenshot(window, os.path.join(self.out, f"{name}-comparing-1.png"))
        time.sleep(1.0)
        b = x.screenshot(window, os.path.join(self.out, f"{name}-comparing-2.png"))
        comparing = x.title(window).startswith(os.path.basename(left))
        moved = x.differing_share(a, b, 8) > 0
        started = time.monotonic()
        x.key(window, "ctrl+w")
        x.wait_until(lambda: x.title(window) == "Varnel", 5, f"{name}: Ctrl+W was not taken during the comparison")
        took_close = time.monotonic() - started
        print(f"  {name}: still comparing after 2.5 s: {comparing}; repainted meanwhile: {moved}; "
              f"Ctrl+W took {took_close:.2f} s", flush=True)
        if comparing:
            self.check(moved, f"{name}: the window did not repaint while comparing")

        # Again, to the end this time.
        code = session.run(left, right)
        self.check(code == 0, f"{name}: the hand-over exited with {code}")
        started = time.monotonic()
        peak = 0.0
        path = os.path.join(self.out, f"{name}-end.png")
        while time.monotonic() - started < limit:
            self.check(process.poll() is None, f"{name}: Varnel ended ({process.returncode}) during the comparison")
            peak = max(peak, x.peak_memory_mib(process.pid) or 0)
            x.screenshot(window, path)
            time.sleep(1.0)
            x.screenshot(window, path + ".2.png")
            if x.differing_share(path, path + ".2.png", 8) == 0:
                break
        os.remove(path + ".2.png")
        elapsed = time.monotonic() - started
        print(f"  {name}: settled after {elapsed:.1f} s (screenshot {path}); peak memory {peak:.0f} MiB",
              flush=True)
        x.key(window, "ctrl+q")
        code = x.wait_for_exit(process, 20)
        self.check(code == 0, f"{name}: Ctrl+Q ended Varnel with {code}")

    def huge(self, session):
        left = session.path("huge.txt")
        line = b"%09d the quick brown fox jumps over the lazy dog, and some more words to fill the line.\n"
        block = b"".join(line % i for i in range(100_000))
        with open(left, "wb") as out:
            for _ in range(1_073_741_824 // len(block) + 1):
                out.write(block)
        right = session.path("huge-changed.txt")
        subprocess.run(["cp", left, right], check=True)
        with open(right, "r+b") as f:
            size = len(line % 0)  # every line is as long
            f.seek(os.path.getsize(right) // 2 // size * size)
            f.write(b"CHANGED")
        print(f"  huge: {os.path.getsize(left) / 2**30:.2f} GiB each", flush=True)
        self.responsive_while_comparing(session, "huge", left, right, 600)

    def long_line(self, session):
        left = session.path("long-line.txt")
        with open(left, "wb") as out:
            chunk = b"abcdefghijklmnopqrstuvwxyz0123456789" * 29127  # about 1 MB
            for _ in range(200):
                out.write(chunk)
        right = session.path("long-line-changed.txt")
        subprocess.run(["cp", left, right], check=True)
        with open(right, "r+b") as f:
            f.seek(100_000_000)
            f.write(b"#")
        self.responsive_while_comparing(session, "long-line", left, right, 300)

    def damaged_pdfs(self, session):
        good = session.path("good.pdf")
        text = session.file("pages.txt", "".join(f"line {i}: the quick brown fox\n" for i in range(400)))
        subprocess.run([self.cli, "report", "--all-context", "-o", good, text, text], check=True, capture_output=True)
        data = open(good, "rb").read()
        rng = random.Random(14)
        damaged = []
        for i in range(12):  # cut at twelve places
            damaged.append(data[: len(data) * (i + 1) // 13])
        for i in range(12):  # flip 1 to 64 bits at random
            copy = bytearray(data)
            for _ in range(1 << (i % 7)):
                at = rng.randrange(len(copy))
                copy[at] ^= 1 << rng.randrange(8)
            damaged.append(bytes(copy))
        process, window = self.start(session)
        results = {}
        for i, content in enumerate(damaged):
            name = f"damaged-{i:02d}.pdf"
            session.file(name, content)
            code = session.run(name, "good.pdf")
            self.check(code == 0, f"{name}: the hand-over exited with {code}")
            x.wait_for_window("^" + name, 10, pid=process.pid)
            path = x.settled_screenshot(window, os.path.join(self.out, name + ".png"), limit=30)
            self.check(process.poll() is None, f"{name}: Varnel ended with {process.returncode}")
            error = subprocess.run([self.cli, "diff", "--stat", session.path(name), good], capture_output=True,
                                   text=True)
            results[name] = error.stderr.strip() or error.stdout.strip()
        x.key(window, "ctrl+w")
        x.wait_until(lambda: x.title(window) == "Varnel", 5, "Ctrl+W after the damaged PDFs")
        x.key(window, "ctrl+q")
        code = x.wait_for_exit(process, 20)
        self.check(code == 0, f"damaged PDFs: Ctrl+Q ended Varnel with {code}")
        kinds = {}
        for outcome in results.values():
            kind = re.sub(r'"[^"]*"', '"…"', outcome) if "added=" not in outcome else "compared"
            kinds[kind] = kinds.get(kind, 0) + 1
        print(f"  damaged-pdf: {len(damaged)} files, Varnel alive through all; outcomes (as varnel-cli reports "
              f"them): {kinds}", flush=True)

    def storm(self, session):
        pairs = []
        for name in ("100k-5pct", "100k-50pct"):
            subprocess.run([os.path.join(self.build, "bench/varnel-genpairs"), session.files, name], check=True,
                           stdout=subprocess.DEVNULL)
            pairs.append((name + ".left.txt", name + ".right.txt"))
        process, window = self.start(session, *pairs[1])
        x.wait_for_window("^100k-50pct", 20, pid=process.pid)
        final = x.settled_screenshot(window, os.path.join(self.out, "storm-alone.png"), limit=30)
        steady = x.resident_mib(process.pid)
        started = time.monotonic()
        # 49 requests 20 ms apart, several under way at once (they may arrive in any
        # order), then the last one once they have all been taken.
        storm = []
        for i in range(49):
            storm.append(subprocess.Popen([self.varnel] + list(pairs[i % 2]), cwd=session.files, env=session.env,
                                          stdout=subprocess.DEVNULL))
            time.sleep(0.02)
        for request in storm:
            self.check(request.wait(timeout=60) == 0, "a request of the storm failed")
        self.check(session.run(*pairs[1]) == 0, "the last request failed")
        taken = time.monotonic() - started
        # Every screenshot from now on shows the last pair, or no rows while it compares.
        x.wait_until(lambda: x.title(window).startswith("100k-50pct"), 20, "the last pair's title")
        samples = []
        while time.monotonic() - started < 15:
            samples.append(x.screenshot(window, os.path.join(self.out, f"storm-{len(samples):03d}.png")))
            time.sleep(0.1)
        last = x.settled_screenshot(window, os.path.join(self.out, "storm-end.png"), limit=30)
        self.check(x.differing_share(last, final, 24) < 0.002, "after the storm the window does not show the last pair")
        stale = 0
        for sample in samples:
            if x.differing_share(sample, final, 24, crop=DIFF_AREA) < 0.002:
                continue
            spread = subprocess.run(["convert", sample, "-crop", "%dx%d+%d+%d" % (DIFF_AREA[2], DIFF_AREA[3],
                                    DIFF_AREA[0], DIFF_AREA[1]), "-format", "%[fx:standard_deviation]", "info:"],
                                    capture_output=True, text=True, check=True).stdout
            if float(spread) > 0.08:  # rows of another pair, not the comparing screen
                stale += 1
        time.sleep(2)
        after = x.resident_mib(process.pid)
        print(f"  storm: 50 requests taken in {taken:.1f} s; {len(samples)} samples, {stale} showing "
              f"other rows; resident memory {steady:.0f} MiB before, {after:.0f} MiB after; peak "
              f"{x.peak_memory_mib(process.pid):.0f} MiB", flush=True)
        self.check(stale == 0, f"{stale} screenshots after the last request showed another pair's rows")
        self.check(after < steady + 100, f"memory did not come back: {steady:.0f} MiB before, {after:.0f} after")
        x.key(window, "ctrl+q")
        self.check(x.wait_for_exit(process, 20) == 0, "storm: Ctrl+Q")

    def run(self, names):
        for name, function in (("storm", self.storm), ("damaged-pdf", self.damaged_pdfs),
                               ("long-line", self.long_line), ("huge", self.huge)):
            if names and name not in names:
                continue
            print(f"{name}:", flush=True)
            with x.Session(self.varnel) as session:
                try:
                    function(session)
                    print(f"ok   {name}", flush=True)
                except Failure as failure:
                    self.failures.append(f"{name}: {failure}")
                    print(f"FAIL {name}: {failure}", flush=True)
        for failure in self.failures:
            print("FAILED: " + failure, file=sys.stderr)
        return 1 if self.failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--out")
    parser.add_argument("--only", nargs="*")
    args = parser.parse_args()
    x.pin_fonts(args.build)
    x.enter_xvfb(os.path.abspath(__file__), sys.argv[1:])
    return Robustness(args).run(args.only)


if __name__ == "__main__":
    sys.exit(main())
