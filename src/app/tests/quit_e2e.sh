#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Quit ends the process at once, also while a worker is still reading a large document: the
# next `varnel` must not find a process that has closed its socket but still runs.
#   quit_e2e.sh VARNEL
set -euo pipefail
source "$(dirname "$0")/e2elib.sh"
e2e_start "$@"
varnel=$1

cd "$e2e_work"
# A Word document whose body is 384 MiB of empty elements, half a megabyte compressed:
# reading it keeps a worker busy for many seconds.
python3 - <<'PYTHON'
import zipfile
chunk = b'<w:b/>' * (1 << 18)
with zipfile.ZipFile('slow.docx', 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    with archive.open('word/document.xml', 'w') as part:
        part.write(b'<?xml version="1.0"?><w:document xmlns:w="x"><w:body>')
        for _ in range(256):
            part.write(chunk)
        part.write(b'</w:body></w:document>')
PYTHON
cp slow.docx other.docx

spawn "$varnel" slow.docx other.docx
first=$!
window=$(wait_for_window '^slow\.docx ↔ other\.docx' 20) || fail "the comparison did not open"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+q
wait_for_exit "$first" 5 || fail "Varnel still runs 5 seconds after Ctrl+Q"
[ "$exit_code" -eq 0 ] || fail "Varnel exited with $exit_code"
[ -z "$(find "$XDG_RUNTIME_DIR/varnel" -type s)" ] || fail "the socket was left behind"

echo "quit: ok"
