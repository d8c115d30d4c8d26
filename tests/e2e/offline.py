#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""Offline, and never writes its inputs: a whole session of the real window under
`strace -f`, on Xvfb with a private session bus.

    tests/e2e/offline.py [--build DIR] [--out DIR]

The session: start on a text pair; open a PDF pair and a DOCX pair (each handed over by a
second `varnel`, itself traced); export the report ("Export as PDF…"); print it to a
file ("Print…", "Print to File"); share it (the report goes to the share folder); quit.
Then it asserts, over every process of every trace, that

- no socket of family AF_INET or AF_INET6 is created (and lists the AF_UNIX ones: the X
  server, the session bus, our own single-instance socket);
- every input file is opened read-only, and never renamed, removed or truncated;
- the only files created or opened for writing are the report and its temporary
  sibling, the printed file and its temporary sibling, the settings file (with the lock and temporary file of its
  atomic replacement, and the recents' lock), the share folder's report, and the single-instance socket and its
  lock in the private runtime folder.

Exits 77 (skipped) when strace, Xvfb or xdotool is missing.
"""

import argparse
import glob
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xsession as x  # noqa: E402
from xsession import Failure  # noqa: E402

import e2e  # noqa: E402  (the test files)

TRACED = ("socket,connect,bind,open,openat,openat2,creat,rename,renameat,renameat2,unlink,unlinkat,"
          "truncate,link,linkat,symlink,symlinkat,mkdir,mkdirat")
WRITING = re.compile(r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND")


def parse(logs):
    """(sockets, opens, changes) over every line of every log: sockets as (family, line),
    opens as (path, flags), changes as (call, path) for creations, renames and removals."""
    sockets, opens, changes, connects = [], [], [], []
    for log in logs:
        with open(log, errors="replace") as f:
            for line in f:
                if " = -1 " in line:
                    continue  # a failed call touched nothing
                if match := re.search(r"\bsocket\((AF_\w+)", line):
                    sockets.append(match.group(1))
                elif match := re.search(r"\bconnect\(\d+, \{sa_family=(AF_\w+)(?:, sun_path=([^}]*))?", line):
                    connects.append((match.group(1), (match.group(2) or "").strip()))
                elif match := re.search(r"\bopen(?:at2?)?\((?:[^,]+, )?\"((?:[^\"\\]|\\.)*)\", ([A-Z_|]+)", line):
                    opens.append((match.group(1), match.group(2)))
                elif match := re.search(r"\bcreat\(\"((?:[^\"\\]|\\.)*)\"", line):
                    opens.append((match.group(1), "O_CREAT|O_WRONLY|O_TRUNC"))
                elif match := re.search(r"\b(rename(?:at2?)?|unlink(?:at)?|truncate|link(?:at)?|symlink(?:at)?|"
                                        r"mkdir(?:at)?)\((.*)\) = ", line):
                    paths = re.findall(r"\"((?:[^\"\\]|\\.)*)\"", match.group(2))
                    call = match.group(1)
                    if call.startswith(("symlink", "link")):
                        paths = paths[-1:]  # only the new name is written
                    elif call.startswith("rename") and len(paths) == 2:
                        changes.append(("rename-from", paths[0]))
                        paths = paths[1:]
                    for path in paths:
                        changes.append((call, path))
                elif match := re.search(r"\bbind\(\d+, \{sa_family=AF_UNIX, sun_path=\"([^\"]*)\"", line):
                    changes.append(("bind", match.group(1)))
    return sockets, connects, opens, changes


class Offline:
    def __init__(self, args):
        self.build = os.path.abspath(args.build)
        self.varnel = os.path.join(self.build, "src/app/varnel")
        self.cli = os.path.join(self.build, "src/cli/varnel-cli")
        self.out = os.path.abspath(args.out or os.path.join(self.build, "offline"))
        os.makedirs(self.out, exist_ok=True)
        for old in glob.glob(os.path.join(self.out, "strace-*.log")):
            os.remove(old)
        self.logs = []

    def traced(self, name):
        log = os.path.join(self.out, f"strace-{name}.log")
        self.logs.append(log)
        return ["strace", "-f", "-qq", "-o", log, "-e", "trace=" + TRACED, "-e", "signal=none"]

    def hand_over(self, session, name, left, right):
        code = subprocess.run(self.traced(name) + [self.varnel, left, right], cwd=session.files, env=session.env,
                              timeout=60).returncode
        if code != 0:
            raise Failure(f"varnel {left} {right} exited with {code}")
        window = x.wait_for_window("^" + re.escape(f"{left} ↔ {right}"), 60)
        x.wait_until_still(window, 60)

    def session_steps(self, session):
        self.inputs = [session.path(n) for n in ("left.py", "right.py", "report-v1.pdf", "report-v2.pdf",
                                                   "contract-v1.docx", "contract-v2.docx")]
        main = session.start("left.py", "right.py", prefix=self.traced("main"))
        window = x.wait_for_window(r"^left\.py ↔ right\.py", 60)
        x.xdotool("windowmove", window, 0, 0)
        x.wait_until_still(window, 60)
        self.hand_over(session, "pdf", "report-v1.pdf", "report-v2.pdf")
        self.hand_over(session, "docx", "contract-v1.docx", "contract-v2.docx")
        self.report_steps(session, window)
        x.key(window, "ctrl+q")
        code = x.wait_for_exit(main, 60)
        if code != 0:
            raise Failure(f"Varnel exited with {code}")

    def report_steps(self, session, window):
        """Export, print to a file and share the DOCX comparison in view."""
        exported = os.path.join(session.root, "exported.pdf")
        printed = os.path.join(session.home, "contract-v1.docx vs contract-v2.pdf")
        shared = os.path.join(session.runtime, "varnel", "contract-v1.docx vs contract-v2.docx.pdf")
        self.written_reports = [exported, printed]

        x.key(window, "ctrl+shift+e")
        dialog = x.wait_for_window(r"^Export as PDF", 60)
        x.type_into(dialog, exported)
        x.screenshot(dialog, os.path.join(self.out, "export-dialog.png"))
        x.key(dialog, "Return")
        x.wait_until(lambda: e2e.page_count(exported) > 0, 60, f"nothing exported to {exported}")

        # "Print to File (PDF)" ends the printer list; the file goes to the home folder.
        x.key(window, "ctrl+p")
        dialog = x.wait_for_window(r"^Print\b", 60)
        x.key(dialog, "End")
        x.key(dialog, "Return")
        x.wait_until(lambda: e2e.page_count(printed) > 0, 60,
                     f"nothing printed to {printed} (home: {os.listdir(session.home)})")

        # The share menu opens once the report is written; Escape closes it.
        shown = set(x.windows())
        x.key(window, "ctrl+shift+s")
        x.wait_until(lambda: e2e.page_count(shared) > 0, 60, f"nothing shared to {shared}")
        menu = x.wait_until(lambda: next(iter(set(x.windows()) - shown), None), 60, "the share menu did not open")
        x.xdotool("key", "Escape")
        x.wait_until(lambda: menu not in x.windows(), 60, "the share menu stayed open after Escape")

    def check(self, session):
        sockets, connects, opens, changes = parse(self.logs)
        problems = []
        inet = [s for s in sockets if s in ("AF_INET", "AF_INET6")]
        if inet:
            problems.append(f"{len(inet)} sockets of family {sorted(set(inet))}")
        inputs = set(self.inputs)
        for path, flags in opens:
            if path in inputs and WRITING.search(flags):
                problems.append(f"an input opened for writing: {path} ({flags})")
        for call, path in changes:
            if path in inputs:
                problems.append(f"an input changed: {call} {path}")

        allowed = [
            re.escape(session.settings_file) + r"(\.lock|\.\w{6})?",  # QSettings: lock, temporary, rename
            re.escape(session.settings_file) + r"\.recents\.lock",  # held while the recents change
            re.escape(os.path.dirname(session.settings_file)),
            re.escape(session.config),
            # Qt's own file dialog (the export dialog) keeps its folder history there, and
            # nothing lets a program turn that off.
            re.escape(session.config) + r"/QtProject\.conf(\.lock)?",
            # The single-instance socket (bound beside it, then renamed into place) and its lock.
            re.escape(session.runtime) + r"/varnel(/instance[^/]*|/\.\w+|/\.\w+/s)?",
            re.escape(session.runtime) + r"/varnel/[^/]+\.pdf",  # the share folder's report
            re.escape(session.runtime) + r"/varnel/\.varnel-report-\w{6}",  # and its temporary sibling
        ] + [re.escape(os.path.dirname(path)) + "/" + r"(" + re.escape(os.path.basename(path)) +
             r"|\.varnel-report-\w{6})" for path in self.written_reports]  # a report, and its temporary sibling
        system = r"/dev/(null|shm/.*|tty.*|pts/.*)|/proc/.*|/sys/.*|/tmp/\.X11-unix/.*|/run/user/.*"
        written = set()
        for path, flags in opens:
            if WRITING.search(flags):
                written.add(path)
        for call, path in changes:
            if call not in ("unlink", "unlinkat"):
                written.add(path)
        # Made and removed again in the temporary folder: libcups links a printer's
        # description there while it reads it.
        removed = set(path for call, path in changes if call.startswith("unlink"))
        temporary = sorted(p for p in written if p in removed and p.startswith(session.env["TMPDIR"] + "/"))
        unexpected = sorted(p for p in written
                            if not any(re.fullmatch(a, p) for a in allowed) and not re.fullmatch(system, p)
                            and p not in temporary)
        for path in unexpected:
            problems.append(f"an unexpected file written: {path}")

        unix = sorted(set(path for family, path in connects if family == "AF_UNIX"))
        print(f"sockets created: {dict((s, sockets.count(s)) for s in sorted(set(sockets)))}")
        print("AF_UNIX connections: " + ", ".join(unix))
        print("files written: " + ", ".join(sorted(set(written) - set(temporary))))
        print(f"temporary files made and removed in the temporary folder: {len(temporary)}")
        print(f"inputs opened: {sum(1 for p, _ in opens if p in inputs)} times, all read-only"
              if not any("input" in p for p in problems) else "inputs: see the failures")
        return problems

    def run(self):
        with x.Session(self.varnel) as session:
            # The print system through its local socket, as on a desktop where CUPS runs.
            # (Without the socket libcups would try localhost:631 over TCP: a loopback
            # AF_INET socket that depends on the machine, not on Varnel.)
            session.env["CUPS_SERVER"] = "/run/cups/cups.sock"
            e2e.Run.make_files(self, session)
            try:
                self.session_steps(session)
                problems = self.check(session)
            except Failure as failure:
                problems = [str(failure)]
        for problem in problems:
            print("FAILED: " + problem, file=sys.stderr)
        print(f"offline: {'passed' if not problems else 'FAILED'} (traces in {self.out})")
        return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build/default")
    parser.add_argument("--out")
    args = parser.parse_args()
    x.require_tools("strace")
    x.pin_fonts(args.build)
    x.enter_xvfb(os.path.abspath(__file__), sys.argv[1:])
    return Offline(args).run()


if __name__ == "__main__":
    sys.exit(main())
