#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later

"""Runs varnel-cli on hostile and unlucky inputs made here, under time and memory limits.

Each case makes its files in a scratch folder, runs the tool under `prlimit` (address
space and CPU time) and a wall-clock timeout, and fails on any signal (an abort, a crash,
a limit hit), a hang, an exit status other than the expected one, a message other than the
expected one, or a peak resident memory over the case's budget.

    tests/probe.py --cli build/default/src/cli/varnel-cli [--keep] [CASE ...]
"""

import argparse
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "readers", "tests", "fixtures")
MB = 1000 * 1000


# --- DOCX archives, written byte by byte so that every oddity can be made -------------

def zip_archive(members, end_record=True, zip64=False):
    """members: (name, data, streamed). Deflated, or stored when empty; a streamed member's
    local header has no sizes, which follow its data in a data descriptor, as streaming
    writers do. With zip64, sizes and offsets are in Zip64 extra fields and a Zip64 end
    record and locator stand before the end record."""
    out = bytearray()
    central = bytearray()
    for name, data, streamed in members:
        method = 8 if data else 0
        raw = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = raw.compress(data) + raw.flush() if data else b""
        crc = zlib.crc32(data)
        offset = len(out)
        flags = 0x08 if streamed else 0
        sizes = (0, 0, 0) if streamed else (crc, len(packed), len(data))
        local_extra = central_extra = b""
        if zip64:
            local_extra = struct.pack("<HHQQ", 1, 16, len(data), len(packed))
            central_extra = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), offset)
            sizes = (0, 0, 0) if streamed else (crc, 0xFFFFFFFF, 0xFFFFFFFF)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 45 if zip64 else 20, flags, method, 0, 0, *sizes, len(name),
                           len(local_extra)) + name + local_extra + packed
        if streamed:
            out += struct.pack("<IIII", 0x08074B50, crc, len(packed), len(data))
        big = 0xFFFFFFFF
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, method, 0, 0, crc,
                               big if zip64 else len(packed), big if zip64 else len(data), len(name),
                               len(central_extra), 0, 0, 0, 0, big if zip64 else offset) + name + central_extra
    if end_record:
        count = min(len(members), 0xFFFF)
        start = len(out)
        out += central
        if zip64:
            record = len(out)
            out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, len(members), len(members), len(central),
                               start)
            out += struct.pack("<IIQI", 0x07064B50, 0, record, 1)
            count, start = 0xFFFF, 0xFFFFFFFF
        out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count, count, len(central), start, 0)
    return bytes(out)


def document(body):
    return (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            b'<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>'
            + body + b"</w:body></w:document>")


def docx(body):
    return zip_archive([(b"word/document.xml", document(body), False)])


# --- the cases ----------------------------------------------------------------------------

class Case:
    def __init__(self, name, args, make=None, status=2, message=None, seconds=20, memory=None, stdin=None,
                 stdout=None, check=None):
        self.name = name
        self.args = args          # arguments after the tool; files are relative to the scratch folder
        self.make = make          # makes the case's files in the scratch folder
        self.status = status      # the exit status expected
        self.message = message    # the start of the expected standard error, if any
        self.seconds = seconds    # wall and CPU time allowed
        self.memory = memory      # peak resident bytes allowed, if any (a callable of the folder)
        self.stdin = stdin
        self.stdout = stdout      # a file for standard output
        self.check = check        # a last check of the folder, returning an error or None


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as handle:
        handle.write(data)


def entity_bomb(folder):
    entity = b"x" * 4000
    body = b"<w:p><w:r><w:t>" + b"&e;" * 200000 + b"</w:t></w:r></w:p>"
    part = (b'<?xml version="1.0"?><!DOCTYPE w:document [<!ENTITY e "' + entity + b'">]>'
            + document(body).split(b"?>", 1)[1])
    write(folder, "entities.docx", zip_archive([(b"word/document.xml", part, False)]))


def deep_nesting(folder):
    depth = 400000
    write(folder, "deep.docx", docx(b"<w:x>" * depth + b"<w:p><w:r><w:t>deep</w:t></w:r></w:p>" + b"</w:x>" * depth))


def many_descriptors(folder):
    members = [(b"word/media/m%d.xml" % i, b"<x/>", True) for i in range(65000)]
    members.append((b"word/document.xml", document(b"<w:p><w:r><w:t>last</w:t></w:r></w:p>"), True))
    write(folder, "descriptors.docx", zip_archive(members))


def descriptors_without_end(folder):
    members = [(b"m%d" % i, b"", True) for i in range(1000000)]
    write(folder, "noend.docx", zip_archive(members, end_record=False))


def big_part(folder):
    # One paragraph of 100 MB of text: the part inflates to about that.
    write(folder, "bigpart.docx", docx(b"<w:p><w:r><w:t>" + b"a" * (100 * MB) + b"</w:t></w:r></w:p>"))


def two_main_parts(folder):
    alice = document(b"<w:p><w:r><w:t>Pay Alice 100</w:t></w:r></w:p>")
    mallory = document(b"<w:p><w:r><w:t>Pay Mallory 9000</w:t></w:r></w:p>")
    write(folder, "alice.docx", zip_archive([(b"word/document.xml", alice, False)]))
    write(folder, "twice.docx", zip_archive([(b"word/document.xml", alice, False),
                                             (b"word/document.xml", mallory, False)]))


def many_attributes(folder):
    attributes = b"".join(b' a%d=""' % i for i in range(200000))
    write(folder, "attributes.docx", docx(b"<w:p" + attributes + b"><w:r><w:t>x</w:t></w:r></w:p>"))


def namespaces_in_scope(folder):
    # Every "w:" prefix is looked up through all the declarations in scope.
    scope = b"<w:x" + b"".join(b' xmlns:n%d="urn:n"' % i for i in range(1000)) + b">"
    write(folder, "namespaces.docx", docx(scope * 200 + b"<w:p/>" * 500000 + b"</w:x>" * 200))


RELATIONSHIPS = (b'<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/'
                 b'package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/'
                 b'officeDocument/2006/relationships/officeDocument" Target="%s"/></Relationships>')


def main_part_elsewhere(folder):
    main = document(b"<w:p><w:r><w:t>main</w:t></w:r></w:p>")
    decoy = document(b"<w:p><w:r><w:t>decoy</w:t></w:r></w:p>")
    write(folder, "plain.docx", docx(b"<w:p><w:r><w:t>main</w:t></w:r></w:p>"))
    write(folder, "main.docx", zip_archive([(b"_rels/.rels", RELATIONSHIPS % b"/word/main.xml", False),
                                            (b"word/document.xml", decoy, False), (b"word/main.xml", main, False)]))
    write(folder, "zip64.docx", zip_archive([(b"_rels/.rels", RELATIONSHIPS % b"word/main.xml", False),
                                             (b"word/main.xml", main, True)], zip64=True))


def devices(folder):
    for name in ("zero.txt", "zero.docx", "zero.pdf"):
        os.symlink("/dev/zero", os.path.join(folder, name))
    os.mkfifo(os.path.join(folder, "fifo.txt"))
    write(folder, "a.txt", b"a\n")


def blank_lines(folder):
    write(folder, "blank.txt", b"\n" * (50 * MB))


def sparse(folder):
    with open(os.path.join(folder, "huge.txt"), "wb") as handle:
        handle.truncate(1 << 40)  # a terabyte that takes no disk space
    write(folder, "a.txt", b"a\n")


def marks(folder):
    write(folder, "marks.txt", "a\u0301".encode() + "\u0301".encode() * 2000000 + b"\n")
    write(folder, "other.txt", b"b\n")


def zero_width(folder):
    write(folder, "zw.txt", ("\u200b" * 1000 + "\n").encode() * 20000)
    write(folder, "other.txt", b"b\n")


def long_zero_width(folder):
    write(folder, "zw.txt", ("\u200b" * 20000 + "\n").encode() * 2000)
    write(folder, "other.txt", b"b\n")


def inputs(folder):
    write(folder, "left.txt", b"a\nb\n")
    write(folder, "right.txt", b"a\nc\n")
    os.symlink("left.txt", os.path.join(folder, "link.pdf"))


def left_intact(folder):
    with open(os.path.join(folder, "left.txt"), "rb") as handle:
        return None if handle.read() == b"a\nb\n" else "the input was overwritten"


def locked(folder):
    shutil.copy(os.path.join(FIXTURES, "locked.pdf"), os.path.join(folder, "one.pdf"))
    shutil.copy(os.path.join(FIXTURES, "locked.pdf"), os.path.join(folder, "two.pdf"))


def latin1_name(folder):
    write(folder, b"caf\xe9.txt".decode("utf-8", "surrogateescape"), b"one\n")
    write(folder, "b.txt", b"two\n")


def link_dots(folder):
    # w/link leads to inner/, so w/link/.. is the scratch folder itself, not w/.
    os.mkdir(os.path.join(folder, "inner"))
    os.mkdir(os.path.join(folder, "w"))
    os.symlink("../inner", os.path.join(folder, "w", "link"))
    write(folder, "a.txt", b"other\n")
    write(folder, "w/a.txt", b"same\n")
    write(folder, "w/b.txt", b"same\n")
    write(folder, "real.txt", b"real\n")
    write(folder, "right.txt", b"right\n")


def real_intact(folder):
    with open(os.path.join(folder, "real.txt"), "rb") as handle:
        return None if handle.read() == b"real\n" else "the input was overwritten"
def endless_file(folder):
    # A regular file that states 0 bytes and never ends.
    os.symlink("/proc/self/pagemap", os.path.join(folder, "pagemap.txt"))
    write(folder, "a.txt", b"a\n")


def one_page_pdf(text, count):
    stream = b"BT /F1 12 Tf 72 720 Td (" + text + b") Tj ET"
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [3 0 R] /Count %d >>" % count,
               b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
               b" /Resources << /Font << /F1 5 0 R >> >> >>",
               b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream",
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"]
    out = bytearray(b"%PDF-1.4\n")
    table = b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    for number, body in enumerate(objects, 1):
        table += b"%010d 00000 n \n" % len(out)
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    trailer = b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, len(out))
    return bytes(out + table + trailer)


def lying_page_counts(folder):
    write(folder, "one.pdf", one_page_pdf(b"hello", 1000000))
    write(folder, "two.pdf", one_page_pdf(b"world", 1000000))


def windows_ellipsis(folder):
    # "one…two" in Windows-1252, against two lines: not Latin-1's NEL line end.
    write(folder, "w.txt", b"one\x85two\n")
    write(folder, "n.txt", b"one\ntwo\n")


def long_line_against_pattern(folder):
    write(folder, "long.txt", b"x\n" + b"a" * (1 << 20) + b"!\n")
    write(folder, "short.txt", b"x\n")


def many_backtracking_lines(folder):
    write(folder, "many.txt", (b"a" * 40 + b"!\n") * 2000)
    write(folder, "none.txt", b"")


def a_script(folder):
    write(folder, "tool.py", b"x = 1\n")


def repeated_halves(folder):
    # Two runs of one repeated line each, swapped: the engine keeps one, and the other is
    # removed and added whole, every line of it a candidate for every other.
    a, b = b"the same line, again\n" * 100000, b"another line, again\n" * 100000
    write(folder, "ab.txt", a + b)
    write(folder, "ba.txt", b + a)


def swapped_halves(folder):
    lines = [b"record %d of the swapped file\n" % k for k in range(200000)]
    write(folder, "first.txt", b"".join(lines))
    write(folder, "second.txt", b"".join(lines[100000:] + lines[:100000]))


def per_line(limit):
    return lambda folder: 60 * MB + limit * 50 * MB  # the start-up, then bytes per blank line


CASES = [
    Case("docx-internal-entities", ["lines", "entities.docx"], entity_bomb,
         message="Could not parse the DOCX document XML.", memory=lambda f: 200 * MB),
    Case("docx-deep-nesting", ["lines", "deep.docx"], deep_nesting,
         message="Could not parse the DOCX document XML.", memory=lambda f: 200 * MB),
    Case("docx-65000-data-descriptors", ["lines", "descriptors.docx"], many_descriptors, status=0, seconds=5),
    Case("docx-1M-descriptors-no-end-record", ["lines", "noend.docx"], descriptors_without_end, seconds=5,
         message="The file does not appear to be a valid DOCX document."),
    Case("docx-100MB-part", ["lines", "bigpart.docx"], big_part, status=0, stdout=os.devnull,
         memory=lambda f: 60 * MB + 4 * 100 * MB),
    Case("dev-zero-as-text", ["lines", "zero.txt"], devices, message='The file "zero.txt" is not a regular file.'),
    Case("dev-zero-as-docx", ["lines", "zero.docx"], devices, message='The file "zero.docx" is not a regular file.'),
    Case("dev-zero-as-pdf", ["lines", "zero.pdf"], devices, message='The file "zero.pdf" is not a regular file.'),
    Case("fifo-without-writer", ["diff", "fifo.txt", "a.txt"], devices, seconds=5,
         message='The file "fifo.txt" is not a regular file.'),
    Case("highlight-dev-zero", ["highlight", "--language", "json"], stdin="/dev/zero", seconds=30,
         message="Standard input is too large to colour"),
    Case("blank-lines-per-line", ["diff", "--stat", "blank.txt", "blank.txt"], blank_lines, status=0,
         memory=per_line(40)),
    Case("terabyte-sparse-file", ["diff", "huge.txt", "a.txt"], sparse, seconds=5,
         message='The file "huge.txt" is too large to compare: it is 1.1 TB'),
    Case("terabyte-sparse-file-alone", ["lines", "huge.txt"], sparse, seconds=5,
         message='The file "huge.txt" is too large to compare: it is 1.1 TB'),
    Case("missing-pdfs", ["diff", "nothere1.pdf", "nothere2.pdf"],
         message='The file "nothere1.pdf" could not be read: No such file or directory.'),
    Case("locked-pdfs", ["diff", "one.pdf", "two.pdf"], locked, message='The PDF "one.pdf" is password-protected.'),
    Case("report-over-an-input", ["report", "-o", "left.txt", "left.txt", "right.txt"], inputs,
         message='The report "left.txt" would replace one of the files being compared.', check=left_intact),
    Case("report-over-a-link-to-an-input", ["report", "-o", "link.pdf", "left.txt", "right.txt"], inputs,
         message='The report "link.pdf" would replace one of the files being compared.', check=left_intact),
    Case("lines-to-dev-full", ["lines", "left.txt"], inputs, stdout="/dev/full",
         message="Standard output could not be written: No space left on device."),
    Case("report-combining-marks", ["report", "-o", "marks.pdf", "marks.txt", "other.txt"], marks, status=0,
         seconds=8),
    Case("report-zero-width-spaces", ["report", "-o", "zw.pdf", "zw.txt", "other.txt"], zero_width, status=0,
         seconds=30),
    Case("report-long-zero-width-lines", ["report", "-o", "zw.pdf", "zw.txt", "other.txt"], long_zero_width,
         status=0, seconds=10),
    Case("latin1-file-name", ["diff", "--stat", b"caf\xe9.txt".decode("utf-8", "surrogateescape"), "b.txt"],
         latin1_name, status=1),
    Case("diff-dots-after-a-link", ["diff", "--stat", "w/link/../a.txt", "w/b.txt"], link_dots, status=1),
    Case("report-over-an-input-after-link-dots", ["report", "-o", "real.txt", "w/link/../real.txt", "right.txt"],
         link_dots, message='The report "real.txt" would replace one of the files being compared.',
         check=real_intact),
    Case("escape-sequences-in-a-name", ["diff", "t\x1b]0;pwned\x07\x1b[2J.txt", "right.txt"], link_dots,
         message='The file "t\\x1b]0;pwned\\x07\\x1b[2J.txt" could not be read: No such file or directory.'),
    Case("docx-two-main-parts-against-genuine", ["diff", "twice.docx", "alice.docx"], two_main_parts,
         message='The file "twice.docx" is not a valid DOCX document: it holds two parts of the same name.'),
    Case("docx-200000-attributes", ["lines", "attributes.docx"], many_attributes, seconds=5,
         message="Could not parse the DOCX document XML."),
    Case("docx-200000-namespaces-in-scope", ["lines", "namespaces.docx"], namespaces_in_scope, seconds=5,
         message="Could not parse the DOCX document XML."),
    Case("docx-main-part-by-relationships", ["diff", "main.docx", "plain.docx"], main_part_elsewhere, status=0),
    Case("docx-zip64-streamed", ["diff", "zip64.docx", "plain.docx"], main_part_elsewhere, status=0),
    Case("endless-regular-file", ["diff", "pagemap.txt", "a.txt"], endless_file, seconds=10,
         message='The file "pagemap.txt" is too large to compare: it is more than', memory=lambda f: 160 * MB),
    Case("endless-regular-file-alone", ["lines", "pagemap.txt"], endless_file, seconds=10,
         message='The file "pagemap.txt" is too large to compare: it is more than', memory=lambda f: 160 * MB),
    Case("pdfs-with-a-lying-page-count", ["diff", "one.pdf", "two.pdf"], lying_page_counts,
         message='The file "one.pdf" could not be opened as a PDF.'),
    Case("windows-1252-ellipsis-is-no-line-end", ["diff", "--stat", "w.txt", "n.txt"], windows_ellipsis, status=1),
    Case("invalid-ignore-pattern", ["diff", "-I", "id=(\\d+", "left.txt", "right.txt"], inputs, seconds=5,
         message="The pattern \u201cid=(\\d+\u201d is not valid at position 7: missing closing parenthesis."),
    # Patterns that backtrack without end: PCRE2's limits stop each match, the line counts
    # as not matching, and the change stays.
    Case("backtracking-pattern-on-a-megabyte-line", ["diff", "--stat", "-I", "^(a+)+$", "-I", "(a|aa)*b",
                                                     "long.txt", "short.txt"], long_line_against_pattern,
         status=1, seconds=20),
    # Every line needs the first pattern to give up before the second one matches it.
    Case("backtracking-pattern-on-many-lines", ["diff", "--stat", "-I", "^(a+)+$", "-I", "!$", "many.txt",
                                                "none.txt"], many_backtracking_lines, status=0, seconds=20),
    # "-" is standard input, for one side only, and text only.
    Case("stdin-empty", ["diff", "--stat", "-", "tool.py"], a_script, status=1, seconds=5),
    Case("stdin-binary", ["diff", "-", "tool.py"], a_script, stdin="/bin/sh", seconds=5,
         message="Standard input looks like a binary file, not text."),
    Case("stdin-dev-zero", ["report", "-o", "r.pdf", "tool.py", "-"], a_script, stdin="/dev/zero", seconds=5,
         message="Standard input looks like a binary file, not text.", memory=lambda f: 200 * MB),
    Case("stdin-on-both-sides", ["diff", "-", "-"], a_script, seconds=5,
         message='Standard input ("-") can be only one of the two files: name the other one.'),
    # Moved blocks: repeated lines start no block; a half of a file moved is one block.
    Case("moves-of-repeated-lines", ["diff", "--stat", "ab.txt", "ba.txt"], repeated_halves, status=1, seconds=10),
    Case("moves-of-swapped-halves", ["diff", "--json", "second.txt", "first.txt"], swapped_halves, status=1,
         seconds=20, stdout=os.devnull),
]


def run_case(cli, case, scratch, address_space):
    folder = os.path.join(scratch, case.name)
    os.mkdir(folder)
    if case.make:
        case.make(folder)
    # GNU time measures the peak: a child's own figure would start from this process's,
    # which it inherits across fork and exec.
    peak_file = os.path.join(scratch, case.name + ".peak")
    command = (["/usr/bin/time", "-f", "%M", "-o", peak_file, "prlimit", "--as=%d" % address_space,
                "--cpu=%d" % case.seconds, "--", cli] + case.args)
    stdin = open(case.stdin, "rb") if case.stdin else subprocess.DEVNULL
    stdout = open(case.stdout, "wb") if case.stdout else subprocess.DEVNULL
    environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    start = time.monotonic()
    process = subprocess.Popen(command, cwd=folder, stdin=stdin, stdout=stdout, stderr=subprocess.PIPE,
                               env=environment, start_new_session=True)
    deadline = start + case.seconds
    status = None
    while status is None:
        pid, wait_status = os.waitpid(process.pid, os.WNOHANG)
        if pid != 0:
            status = wait_status
            break
        if time.monotonic() > deadline:
            os.killpg(process.pid, signal.SIGKILL)
            os.waitpid(process.pid, 0)
            return "hang: still running after %d s" % case.seconds, None
        time.sleep(0.02)
    elapsed = time.monotonic() - start
    error = process.stderr.read().decode("utf-8", "replace").strip()
    with open(peak_file) as handle:
        lines = handle.read().split("\n")
    # GNU time reports a child ended by a signal on a line of its own before the figure.
    signalled = [line for line in lines if "terminated by signal" in line]
    peak = int([line for line in lines if line.strip().isdigit()][-1]) * 1024
    if signalled:
        return "%s (%s)" % (signalled[0].strip(), error[:200]), None
    summary = "%.2f s, %.0f MB" % (elapsed, peak / MB)
    if os.WIFSIGNALED(status):
        return "killed by signal %d (%s)" % (os.WTERMSIG(status), error[:200]), summary
    code = os.WEXITSTATUS(status)
    # Error messages of GNU time itself ("Command exited with non-zero status") are not ours.
    error = "\n".join(line for line in error.split("\n") if not line.startswith("Command exited with"))
    if code != case.status:
        return "exit status %d, expected %d (%s)" % (code, case.status, error[:200]), summary
    if case.message is not None and not error.startswith(case.message):
        return "message %r, expected %r" % (error[:200], case.message), summary
    if case.memory is not None and peak > case.memory(folder):
        return "peak memory %.0f MB over the budget of %.0f MB" % (peak / MB, case.memory(folder) / MB), summary
    if case.check:
        problem = case.check(folder)
        if problem:
            return problem, summary
    return None, summary


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default="build/default/src/cli/varnel-cli", help="the varnel-cli to probe")
    parser.add_argument("--address-space", type=int, default=6 * 1024 ** 3, help="prlimit --as for every case")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    parser.add_argument("cases", nargs="*", help="only these cases")
    options = parser.parse_args()
    if shutil.which("prlimit") is None or not os.access("/usr/bin/time", os.X_OK):
        sys.exit("probe: prlimit (util-linux) and GNU time are needed")
    cli = os.path.abspath(options.cli)
    scratch = tempfile.mkdtemp(prefix="varnel-probe-")
    failures = 0
    try:
        for case in CASES:
            if options.cases and case.name not in options.cases:
                continue
            problem, summary = run_case(cli, case, scratch, options.address_space)
            print("%-36s %s%s" % (case.name, "FAIL: " + problem if problem else "ok",
                                  " (%s)" % summary if summary else ""), flush=True)
            failures += problem is not None
    finally:
        if options.keep:
            print("scratch folder kept:", scratch)
        else:
            shutil.rmtree(scratch, ignore_errors=True)
    if failures:
        sys.exit("probe: %d case(s) failed" % failures)
    print("probe: every case held")


if __name__ == "__main__":
    main()
