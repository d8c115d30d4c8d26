#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Two processes under Xvfb: a second `varnel a b` hands the files to the running Varnel and
# exits 0, and that window shows the comparison; after a crash, the socket left behind does
# not stop the next start.
#   instance_e2e.sh VARNEL
set -euo pipefail
source "$(dirname "$0")/e2elib.sh"
e2e_start "$@"
varnel=$1

cd "$e2e_work"
printf 'one\ntwo\nthree\n' > a.txt
printf 'one\n2\nthree\n' > b.txt
printf 'x\n' > c.txt
printf 'y\n' > d.txt

spawn "$varnel"
first=$!
wait_for_window '^Varnel$' >/dev/null || fail "the first window did not open"

timeout 60 "$varnel" a.txt b.txt || fail "the second varnel exited with $?"
window=$(wait_for_window '^a\.txt ↔ b\.txt') || fail "the first window does not show a.txt ↔ b.txt"
[ "$(xdotool getwindowpid "$window")" = "$first" ] || fail "the comparison opened in another process"
[ "$(varnel_windows | wc -l)" -eq 1 ] || fail "expected one window, found $(varnel_windows | wc -l)"

# A crash leaves the socket behind.
kill -9 "$first"
wait "$first" 2>/dev/null || true
ls "$XDG_RUNTIME_DIR"/varnel/instance* >/dev/null || fail "no socket left to test with"
spawn "$varnel" c.txt d.txt
second=$!
window=$(wait_for_window '^c\.txt ↔ d\.txt') || fail "Varnel did not start over a stale socket"
[ "$(xdotool getwindowpid "$window")" = "$second" ] || fail "c.txt ↔ d.txt is not in the new process"

# And the new process takes the next request.
timeout 60 "$varnel" b.txt a.txt || fail "the third varnel exited with $?"
window=$(wait_for_window '^b\.txt ↔ a\.txt') || fail "the new process did not take the request"
[ "$(xdotool getwindowpid "$window")" = "$second" ] || fail "b.txt ↔ a.txt is not in the new process"

# Ctrl+W closes the comparison, then the window, and with it the process.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+w
wait_for_window '^Varnel$' >/dev/null || fail "Ctrl+W did not close the comparison"
xdotool key --clearmodifiers ctrl+w
wait_for_exit "$second" 30 || fail "closing the last window did not end Varnel"
[ "$exit_code" -eq 0 ] || fail "Varnel exited with $exit_code"
echo "instance: ok"
