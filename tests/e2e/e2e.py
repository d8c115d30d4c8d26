#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""End to end: the real `varnel` on a real X server (Xvfb, with a private session bus),
driven by xdotool and seen through screenshots, light and dark.

    tests/e2e/e2e.py [--build DIR] [--out DIR] [--update-references]

Each scenario asserts on what shows (window titles, pixels in known places, the files
written) and the screens are compared with the reference screenshots in
tests/e2e/references/ (NAME-light.png, NAME-dark.png): a screenshot passes when at most
MAX_SHARE of its pixels differ from the reference by more than THRESHOLD in some channel.
`--update-references` writes the references anew instead (review them as images before
committing). Screenshots, and for a failed comparison the reference and a picture of
the differing pixels, are kept under OUT (default BUILD/e2e). Exits 77 (skipped) when
Xvfb, xdotool, ImageMagick or dbus-run-session is missing.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as x  # noqa: E402
from xsession import Failure  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCES = os.path.join(HERE, "references")
THRESHOLD = 24  # of 255, per channel: anti-aliasing may move a little
MAX_SHARE = 0.002  # of the pixels: about 1,500 of a 1100 x 700 window

# Places in a main window of 1100 x 700 (device-independent pixels at a pixel ratio of 1).
TOOLBAR = (0, 20, 1100, 44)  # below the menu bar: names, layout, navigation
SUMMARY = (0, 64, 1100, 30)  # the counts
DIFF_TOP = 96  # the first row of the diff
SIDE_BY_SIDE_BUTTON = (375, 41)
INLINE_BUTTON = (473, 41)
LEFT_COLUMN_PROBE_X = 500  # inside the left column, right of any text
BLANK = (1050, 650)  # a place no screen draws on in these scenarios: the background


def python_pair():
    """Two Python files of 100 functions: the first three changes are one row each (a
    removal, an addition, a removal further down), then two modified lines and two added."""
    left, right = [], []
    for i in range(100):
        body = [f"def function_{i}(value):", f'    """Returns value plus {i}."""', f"    return value + {i}", ""]
        new = list(body)
        if i in (5, 30):
            del new[1]
        if i == 9:
            new.insert(3, "    # checked")
        if i in (50, 70):
            new[2] = f"    return value - {i}"
        if i == 90:
            new[3:3] = ["    # first", "    # second"]
        left += body
        right += new
    return "\n".join(left) + "\n", "\n".join(right) + "\n"


def moved_pair():
    """Two Python files of 24 functions, where function_3 moves below function_12 and
    nothing else changes: one moved block of four lines."""
    def function(i):
        return [f"def function_{i}(value):", f'    """Returns value times {i}."""', f"    return value * {i}", ""]
    order = list(range(24))
    moved = order[:3] + order[4:13] + [3] + order[13:]
    left = [line for i in order for line in function(i)]
    right = [line for i in moved for line in function(i)]
    return "\n".join(left) + "\n", "\n".join(right) + "\n"


def docx(paragraphs):
    """A minimal Word document with one paragraph per string."""
    import io
    import zipfile
    from xml.sax.saxutils import escape
    body = "".join(f"<w:p><w:r><w:t>{escape(p)}</w:t></w:r></w:p>" for p in paragraphs)
    data = io.BytesIO()
    with zipfile.ZipFile(data, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("[Content_Types].xml",
                         '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/'
                         'content-types"><Override PartName="/word/document.xml" ContentType="application/'
                         'vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/></Types>')
        archive.writestr("word/document.xml",
                         '<?xml version="1.0"?><w:document xmlns:w="http://schemas.openxmlformats.org/'
                         f'wordprocessingml/2006/main"><w:body>{body}</w:body></w:document>')
    return data.getvalue()


def long_paragraphs():
    """Two versions of a contract of long paragraphs; the changes sit past the window's
    edge unless rows wrap."""
    clauses = [
        "The Supplier shall deliver the Goods to the Purchaser at the address named in the Order, "
        "within thirty days of the date of the Order, packed so as to reach the Purchaser in good condition, "
        "and shall bear every cost of carriage, insurance and handling until the Goods are received.",
        "Payment falls due sixty days after the Purchaser receives a correct invoice. Late payment bears "
        "interest at two per cent above the base rate, from the day after the due date until the day the "
        "amount is paid in full, whether before or after any judgment.",
        "Either party may end this Agreement by written notice if the other commits a material breach and "
        "fails to remedy it within fourteen days of being asked to do so in writing.",
        "Neither party is liable for any delay or failure caused by events beyond its reasonable control, "
        "provided that it tells the other party promptly and uses every reasonable effort to limit the delay "
        "and to resume performance as soon as it can.",
        "This Agreement is governed by the law of the place where the Purchaser has its seat, and the "
        "courts of that place alone may hear any dispute arising from it.",
    ]
    revised = list(clauses)
    revised[1] = revised[1].replace("sixty days", "thirty days").replace("two per cent", "four per cent")
    revised[3] = revised[3].replace("promptly", "in writing within three days")
    return ["Terms of Supply"] + clauses, ["Terms of Supply"] + revised


class Run:
    def __init__(self, args):
        self.args = args
        self.build = os.path.abspath(args.build)
        self.varnel = os.path.join(self.build, "src/app/varnel")
        self.cli = os.path.join(self.build, "src/cli/varnel-cli")
        self.portal = os.path.join(self.build, "src/app/tests/varnel-fake-portal")
        self.out = os.path.abspath(args.out or os.path.join(self.build, "e2e"))
        self.failures = []
        self.passed = []
        self.compared = 0

    # Files -------------------------------------------------------------------------

    def make_files(self, session):
        left, right = python_pair()
        session.file("left.py", left)
        session.file("right.py", right)
        session.file("same-a.txt", "one\ntwo\nthree\n")
        session.file("same-b.txt", "one\ntwo\nthree\n")
        session.file("notes-v1.txt", "Minutes of the meeting\nPresent: Ada, Brian\nBudget agreed\n")
        session.file("notes-v2.txt", "Minutes of the meeting\nPresent: Ada, Brian, Claude\nBudget agreed\nNext: May\n")
        subprocess.run([self.cli, "report", "-o", session.path("report-v1.pdf"), session.path("same-a.txt"),
                        session.path("notes-v1.txt")], check=True, capture_output=True)
        subprocess.run([self.cli, "report", "-o", session.path("report-v2.pdf"), session.path("same-a.txt"),
                        session.path("notes-v2.txt")], check=True, capture_output=True)
        session.file("contract-v1.docx", docx(["Contract", "The parties agree.", "Signed in May."]))
        session.file("contract-v2.docx", docx(["Contract", "The parties agree in full.", "Signed in May."]))
        left, right = long_paragraphs()
        session.file("terms-v1.docx", docx(left))
        session.file("terms-v2.docx", docx(right))
        left, right = moved_pair()
        session.file("shapes-v1.py", left)
        session.file("shapes-v2.py", right)
        session.file("data.xyz", b"\x7fELF\x00\x01binary\n")
        session.file("other.xyz", b"\x00\x01binary\n")

    def expected_stat(self, session, left, right):
        out = subprocess.run([self.cli, "diff", "--stat", session.path(left), session.path(right)],
                             capture_output=True, text=True).stdout
        return dict((k, int(v)) for k, v in re.findall(r"(\w+)=(\d+)", out))

    # Checks ------------------------------------------------------------------------

    def shot(self, window, name):
        return x.settled_screenshot(window, os.path.join(self.out, name + ".png"))

    def check_reference(self, window, screen, scheme):
        """The window against tests/e2e/references/SCREEN-SCHEME.png."""
        name = f"{screen}-{scheme}"
        path = self.shot(window, name)
        reference = os.path.join(REFERENCES, name + ".png")
        if self.args.update_references:
            os.makedirs(REFERENCES, exist_ok=True)
            shutil.copyfile(path, reference)
            return path
        if not os.path.exists(reference):
            raise Failure(f"no reference {reference}: run with --update-references and review it")
        self.compared += 1
        diff = os.path.join(self.out, name + ".diff.png")
        share = x.differing_share(path, reference, THRESHOLD, diff_image=diff)
        if share > MAX_SHARE:
            shutil.copyfile(reference, os.path.join(self.out, name + ".reference.png"))
            raise Failure(f"{name}: {share:.2%} of the pixels differ from the reference "
                          f"(at most {MAX_SHARE:.2%}); see {path}, {diff}")
        os.remove(diff)
        return path

    def expect(self, condition, what):
        if not condition:
            raise Failure(what)

    def scenario(self, name, function, *args):
        started = time.monotonic()
        try:
            function(*args)
            self.passed.append(name)
            print(f"ok   {name} ({time.monotonic() - started:.1f} s)", flush=True)
        except Failure as failure:
            self.failures.append(f"{name}: {failure}")
            print(f"FAIL {name}: {failure}", flush=True)
        except Exception:  # a fault of the harness itself is a failure too
            self.failures.append(f"{name}: {traceback.format_exc()}")
            print(f"FAIL {name}:\n{traceback.format_exc()}", flush=True)

    # The light pass: every scenario, and the light references ------------------------

    def light_pass(self):
        with x.Session(self.varnel) as session:
            self.make_files(session)
            self.session = session
            # The desktop portal says "prefer light" until told otherwise (scenario 10).
            self.portal_process = subprocess.Popen([self.portal, "2"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                                   text=True, env=session.env)
            session.processes.append(self.portal_process)
            x.wait_until(lambda: self.portal_process.stdout.readline().strip() == "ready", 30, "the portal is not up")

            self.first = session.start()
            self.window = x.wait_for_window(r"^Varnel$", 30)
            x.xdotool("windowmove", self.window, 0, 0)
            x.park_pointer()
            self.scenario("welcome screen", self.check_reference, self.window, "welcome", "light")
            self.scenario("8. a second varnel hands its files to the first", self.second_instance)
            self.scenario("1. two files: the comparison with its counts", self.comparison_shows)
            self.scenario("2. Ctrl+] three times: 3 / N, the third change centred", self.steps_to_third_change)
            self.scenario("7. Ctrl++ three times: bigger rows, nothing else moves", self.bigger_text)
            self.scenario("5. Ctrl+P, Print to File: a PDF of the right page count", self.print_to_file)
            self.scenario("6. Export with the check box off: the changes only", self.export_changes_only)
            self.scenario("3. Inline, restart: inline again", self.inline_survives_restart)
            self.scenario("other screens: identical, PDF, DOCX, error", self.other_screens, "light")
            self.scenario("9. a binary file: the alert, the window usable", self.unsupported_file)
            self.scenario("4. Ctrl+W: welcome with recents; a click compares again", self.recents)
            self.scenario("long paragraphs: the offer, wrapped side by side and inline", self.wrapped_documents,
                          "light")
            self.scenario("a moved function: its tint, markers and badge; Alt+M jumps", self.moved_block, "light")
            self.scenario("10. appearance Dark, Light, System with the portal", self.appearance)
            self.scenario("quit: Ctrl+Q ends the process with 0", self.quit)

    def second_instance(self):
        code = self.session.run("left.py", "right.py")
        self.expect(code == 0, f"the second varnel exited with {code}")
        window = x.wait_for_window(r"^left\.py ↔ right\.py", 30, pid=self.first.pid)
        self.expect(window == self.window, "the comparison opened in another window")
        self.expect(len(x.windows()) == 1, f"expected one window, found {list(x.windows().values())}")

    def comparison_shows(self):
        self.expect(x.title(self.window) == "left.py ↔ right.py — Varnel", f"title {x.title(self.window)!r}")
        stat = self.expected_stat(self.session, "left.py", "right.py")
        self.expect(stat == {"added": 3, "removed": 2, "modified": 2}, f"the pair's counts are {stat}")
        # The counts (+3 −2 ~2), "1 / N" and the first rows are in the reference.
        self.check_reference(self.window, "side-by-side", "light")

    def focused_band(self, path):
        """The rows (top, bottom) of the left column tinted red most strongly: the
        focused removal with its outline."""
        column = x.pixels(path, (LEFT_COLUMN_PROBE_X, DIFF_TOP, 1, x.WINDOW[1] - DIFF_TOP))
        redness = [p[0][0] - p[0][1] for p in column]
        strongest = max(redness)
        self.expect(strongest > 60, "no focused removal in the left column")
        rows = [y for y, r in enumerate(redness) if r >= strongest * 0.6]
        return DIFF_TOP + rows[0], DIFF_TOP + rows[-1]

    def steps_to_third_change(self):
        x.key(self.window, "ctrl+bracketright", "ctrl+bracketright", "ctrl+bracketright", delay=300)
        path = self.check_reference(self.window, "third-change", "light")
        top, bottom = self.focused_band(path)
        centre = (top + bottom) / 2
        view_centre = (DIFF_TOP + x.WINDOW[1]) / 2
        self.expect(15 <= bottom - top <= 24, f"the focused band is {bottom - top + 1} pixels tall")
        self.expect(abs(centre - view_centre) <= 4,
                    f"the third change is centred at y={centre}, the view's centre is {view_centre}")

    def bigger_text(self):
        before = os.path.join(self.out, "third-change-light.png")
        x.key(self.window, "ctrl+plus", "ctrl+plus", "ctrl+plus", delay=100)
        after = self.shot(self.window, "bigger-text")
        toolbar = x.differing_share(before, after, THRESHOLD, crop=TOOLBAR)
        summary = x.differing_share(before, after, THRESHOLD, crop=SUMMARY)
        rows = x.differing_share(before, after, THRESHOLD, crop=(0, DIFF_TOP, 1100, 700 - DIFF_TOP))
        self.expect(toolbar == 0 and summary == 0,
                    f"the toolbar ({toolbar:.2%}) or the summary ({summary:.2%}) changed with the text size")
        self.expect(rows > 0.01, f"the rows hardly changed ({rows:.2%})")
        top, bottom = self.focused_band(after)
        self.expect(bottom - top > 20, f"the focused row is still {bottom - top + 1} pixels tall")
        x.key(self.window, "ctrl+0")

    def cli_report(self, name, *options):
        path = os.path.join(self.session.root, name)
        subprocess.run([self.cli, "report", *options, "-o", path, self.session.path("left.py"),
                        self.session.path("right.py")], check=True, capture_output=True)
        return path

    def lines(self, pdf):
        return subprocess.run([self.cli, "lines", pdf], check=True, capture_output=True, text=True).stdout

    def print_to_file(self):
        x.key(self.window, "ctrl+p")
        dialog = x.wait_for_window(r"^Print\b", 30)
        x.screenshot(dialog, os.path.join(self.out, "print-dialog.png"))
        # The printer list ends with "Print to File (PDF)"; the file goes to the home folder
        # under the report's name unless told otherwise.
        x.key(dialog, "End")
        x.screenshot(dialog, os.path.join(self.out, "print-dialog-to-file.png"))
        x.key(dialog, "Return")
        # The print dialog names the file after the document, its last extension replaced.
        printed = os.path.join(self.session.home, "left.py vs right.pdf")
        expected = page_count(self.cli_report("expected.pdf"))
        x.wait_until(lambda: page_count(printed) > 0, 30,
                     f"nothing printed to {printed} (home: {os.listdir(self.session.home)})")
        # Counted again until it holds: the printer may still be writing the file.
        x.wait_until(lambda: page_count(printed) == expected, 30,
                     f"the printed file has {page_count(printed)} pages, the report {expected}")
        self.expect("Returns value plus 5" in self.lines(printed), "the printed file lacks a changed line")

    def export_changes_only(self):
        x.key(self.window, "ctrl+shift+e")
        dialog = x.wait_for_window(r"^Export as PDF", 30)
        target = os.path.join(self.session.root, "changes only.pdf")
        x.type_into(dialog, target)
        self.untick_unchanged_lines(dialog, os.path.join(self.out, "export-dialog.png"))
        x.key(dialog, "Return")
        x.wait_until(lambda: page_count(target) > 0, 30, f"nothing exported to {target}")
        expected = self.cli_report("expected-changes.pdf", "--changes-only")
        self.expect(page_count(target) == page_count(expected),
                    f"the export has {page_count(target)} pages, a changes-only report {page_count(expected)}")
        text = self.lines(target)
        self.expect("def function_0(value):" not in text, "the export holds unchanged lines")
        self.expect(text == self.lines(expected), "the export's text differs from a changes-only report's")

    def untick_unchanged_lines(self, dialog, shot):
        """Clicks "Include unchanged lines" off, looking at the box after each click: on a
        busy machine a click can reach the dialog before it takes input."""
        for _ in range(5):
            x.click(dialog, *EXPORT_CHECK_BOX)
            x.wait_until_still(dialog)
            x.screenshot(dialog, shot)
            if not box_ticked(shot):
                return
        raise x.Failure("the click did not untick \"Include unchanged lines\"")

    def inline_survives_restart(self):
        x.click(self.window, *INLINE_BUTTON)
        x.wait_until(lambda: "diffViewMode=inline" in self.session.settings(), 15, "Inline was not stored")
        x.key(self.window, "ctrl+q")
        code = x.wait_for_exit(self.first, 30)
        self.expect(code == 0, f"Varnel exited with {code} on Ctrl+Q")
        self.first = self.session.start("left.py", "right.py")
        self.window = x.wait_for_window(r"^left\.py ↔ right\.py", 30, pid=self.first.pid)
        x.xdotool("windowmove", self.window, 0, 0)
        x.park_pointer()
        self.check_reference(self.window, "inline", "light")
        x.click(self.window, *SIDE_BY_SIDE_BUTTON)
        x.wait_until(lambda: "diffViewMode=sideBySide" in self.session.settings(), 15, "Side by Side was not stored")

    def open_pair(self, left, right):
        code = self.session.run(left, right)
        self.expect(code == 0, f"varnel {left} {right} exited with {code}")
        pattern = "^" + re.escape(f"{left} ↔ {right}")
        x.wait_for_window(pattern, 30, pid=self.first.pid)

    def other_screens(self, scheme):
        self.open_pair("same-a.txt", "same-b.txt")
        self.check_reference(self.window, "identical", scheme)
        self.open_pair("report-v1.pdf", "report-v2.pdf")
        self.check_reference(self.window, "pdf", scheme)
        self.open_pair("contract-v1.docx", "contract-v2.docx")
        self.check_reference(self.window, "docx", scheme)
        self.open_pair("report-v1.pdf", "notes-v1.txt")
        self.check_reference(self.window, "error", scheme)

    def wrapped_documents(self, scheme):
        """Long paragraphs: the offer to wrap, then the pair wrapped side by side and
        inline, each paragraph read whole."""
        self.open_pair("terms-v1.docx", "terms-v2.docx")
        self.check_reference(self.window, "docx-long", scheme)
        x.key(self.window, "alt+z")
        x.wait_until(lambda: "wrapLongLines=true" in self.session.settings(), 15, "Wrap Long Lines was not stored")
        self.check_reference(self.window, "docx-wrapped", scheme)
        x.click(self.window, *INLINE_BUTTON)
        self.check_reference(self.window, "docx-wrapped-inline", scheme)
        x.click(self.window, *SIDE_BY_SIDE_BUTTON)
        x.key(self.window, "alt+z")
        x.wait_until(lambda: "wrapLongLines=false" in self.session.settings(), 15, "wrapping stayed on")

    def moved_block(self, scheme):
        """A function moved down the file: both ends tinted as a move, with the badge;
        Ctrl+] focuses the removed end and Alt+M the other end."""
        stat = self.expected_stat(self.session, "shapes-v1.py", "shapes-v2.py")
        self.expect(stat == {"added": 4, "removed": 4, "modified": 0, "moved": 1}, f"the pair's counts are {stat}")
        self.open_pair("shapes-v1.py", "shapes-v2.py")
        self.check_reference(self.window, "moved", scheme)
        x.key(self.window, "ctrl+bracketright", "alt+m", delay=300)
        self.check_reference(self.window, "moved-other-end", scheme)

    def unsupported_file(self):
        before = x.title(self.window)
        code = self.session.run("data.xyz", "other.xyz")
        self.expect(code == 0, f"varnel data.xyz other.xyz exited with {code}")
        x.wait_until(lambda: any("Unsupported File Type" in t for t in x.windows().values()), 30, "no alert")
        alert = [w for w, t in x.windows().items() if "Unsupported File Type" in t][0]
        x.screenshot(alert, os.path.join(self.out, "unsupported-alert.png"))
        self.expect(x.title(self.window) == before, "the comparison changed behind the alert")
        x.key(alert, "Return")
        x.wait_until(lambda: not any("Unsupported" in t for t in x.windows().values()), 15, "the alert stayed")
        # Still usable: it takes the next pair.
        self.open_pair("notes-v1.txt", "notes-v2.txt")

    def recents(self):
        x.key(self.window, "ctrl+w")
        x.wait_until(lambda: x.title(self.window) == "Varnel", 15, "Ctrl+W did not close the comparison")
        self.check_reference(self.window, "welcome-recents", "light")
        # The recents, newest first: notes, contract, report, same, left.py ↔ right.py.
        x.click(self.window, *RECENT_ROW(4))
        x.wait_until(lambda: x.title(self.window).startswith("left.py ↔ right.py"), 30,
                     f"a click on the recent pair did not compare it (title {x.title(self.window)!r})")

    def background(self):
        path = x.screenshot(self.window, os.path.join(self.out, "appearance.png"))
        return x.brightness(x.pixel(path, *BLANK))

    def appearance(self):
        x.key(self.window, "ctrl+comma")
        settings = x.wait_for_window(r"^Preferences", 30)
        x.xdotool("windowmove", settings, 1110, 0)
        x.settled_screenshot(settings, os.path.join(self.out, "preferences.png"))
        choices = {"system": SETTINGS_CHOICE(0), "light": SETTINGS_CHOICE(1), "dark": SETTINGS_CHOICE(2)}
        light = self.background()
        self.expect(light > 200, f"the window is not light to begin with ({light})")
        x.click(settings, *choices["dark"])
        x.wait_until(lambda: self.background() < 60, 15, "Dark did not darken the window")
        x.screenshot(settings, os.path.join(self.out, "preferences-dark.png"))
        self.expect("appearanceMode=dark" in self.session.settings(), "Dark was not stored")
        x.click(settings, *choices["light"])
        x.wait_until(lambda: self.background() > 200, 15, "Light did not lighten the window")
        x.click(settings, *choices["system"])
        self.expect(self.background() > 200, "System is not light while the portal prefers light")
        self.portal_process.stdin.write("1\n")
        self.portal_process.stdin.flush()
        x.wait_until(lambda: self.background() < 60, 15, "System did not follow the portal to dark")
        self.portal_process.stdin.write("2\n")
        self.portal_process.stdin.flush()
        x.wait_until(lambda: self.background() > 200, 15, "System did not follow the portal back to light")
        x.key(settings, "ctrl+w")

    def quit(self):
        x.key(self.window, "ctrl+q")
        code = x.wait_for_exit(self.first, 30)
        self.expect(code == 0, f"Varnel exited with {code}")

    # The dark pass: the same screens, for their dark references ---------------------

    def dark_pass(self):
        with x.Session(self.varnel) as session:
            self.make_files(session)
            self.session = session
            session.write_settings(appearanceMode="dark")
            self.first = session.start()
            self.window = x.wait_for_window(r"^Varnel$", 30)
            x.xdotool("windowmove", self.window, 0, 0)
            x.park_pointer()
            self.scenario("dark: welcome", self.check_reference, self.window, "welcome", "dark")
            self.scenario("dark: side by side, third change, inline", self.dark_comparison)
            self.scenario("dark: identical, PDF, DOCX, error", self.other_screens, "dark")
            self.scenario("dark: welcome with recents", self.dark_recents)
            self.scenario("dark: long paragraphs wrapped", self.wrapped_documents, "dark")
            self.scenario("dark: a moved function", self.moved_block, "dark")
            self.scenario("dark: quit", self.quit)

    def dark_comparison(self):
        self.open_pair("left.py", "right.py")
        self.check_reference(self.window, "side-by-side", "dark")
        x.key(self.window, "ctrl+bracketright", "ctrl+bracketright", "ctrl+bracketright", delay=300)
        self.check_reference(self.window, "third-change", "dark")
        x.click(self.window, *INLINE_BUTTON)
        self.check_reference(self.window, "inline", "dark")
        x.click(self.window, *SIDE_BY_SIDE_BUTTON)

    def dark_recents(self):
        x.key(self.window, "ctrl+w")
        x.wait_until(lambda: x.title(self.window) == "Varnel", 15, "Ctrl+W did not close the comparison")
        self.check_reference(self.window, "welcome-recents", "dark")


# The "Include unchanged lines" check box of the export dialog, which opens centred over
# the main window (at the screen's corner).
# The centre of the "Include unchanged lines" box, in the export dialog.
EXPORT_CHECK_BOX = (17, 390)


def box_ticked(shot):
    """Whether the export dialog's check box shows its tick: dark pixels inside the box."""
    x0, y0 = EXPORT_CHECK_BOX
    inside = x.pixels(shot, (x0 - 4, y0 - 4, 9, 9))
    return any(x.brightness(rgb) < 120 for row in inside for rgb in row)


def page_count(pdf):
    """The pages of a PDF written by Qt (its page objects are plain text), 0 when absent."""
    try:
        with open(pdf, "rb") as f:
            data = f.read()
    except OSError:
        return 0
    if not data.rstrip().endswith(b"%%EOF"):
        return 0  # not finished yet
    return len(re.findall(rb"/Type\s*/Page(?![a-zA-Z])", data))


def RECENT_ROW(index):
    """The middle of recent comparison `index` (0 the newest) on the welcome screen."""
    return (300, 491 + 42 * index)


def SETTINGS_CHOICE(index):
    """The appearance radio button `index` (System, Light, Dark) in the preferences window."""
    return (111, 49 + 26 * index)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--out")
    parser.add_argument("--update-references", action="store_true")
    args = parser.parse_args()
    x.pin_fonts(args.build)
    x.enter_xvfb(os.path.abspath(__file__), sys.argv[1:])

    run = Run(args)
    for program in (run.varnel, run.cli, run.portal):
        if not os.access(program, os.X_OK):
            print(f"e2e: {program} is missing: build the tree first", file=sys.stderr)
            return 2
    os.makedirs(run.out, exist_ok=True)
    started = time.monotonic()
    run.light_pass()
    run.dark_pass()
    print(f"e2e: {len(run.passed)} passed, {len(run.failures)} failed, {run.compared} screenshots compared "
          f"with references, in {time.monotonic() - started:.0f} s; screenshots in {run.out}")
    for failure in run.failures:
        print("FAILED: " + failure, file=sys.stderr)
    return 1 if run.failures else 0


if __name__ == "__main__":
    sys.exit(main())
