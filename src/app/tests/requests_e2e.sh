#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# What other processes send the running Varnel: a storm of requests for a file it refuses
# (one alert, which takes no request inside its own event loop), a list of files longer
# than a request may hold (refused with a message; the running Varnel keeps its socket), and
# more idle connections than the process may hold files open (it keeps listening).
#   requests_e2e.sh VARNEL
set -euo pipefail
source "$(dirname "$0")/e2elib.sh"
e2e_start "$@"
varnel=$1

# A desktop session's limit of open files, which the held connections would exhaust.
ulimit -Sn 1024
cd "$e2e_work"
printf 'one\ntwo\n' > a.txt
printf 'one\n2\n' > b.txt
printf 'x\n' > x
printf '\x00\x01\x02binary\x00' > unsupported.bin

spawn "$varnel"
first=$!
wait_for_window '^Varnel$' 20 >/dev/null || fail "the first window did not open"
socket=$(find "$XDG_RUNTIME_DIR/varnel" -type s)
[ -n "$socket" ] || fail "no socket to send to"

alerts() {
    local window count=0
    for window in $(varnel_windows); do
        xdotool getwindowname "$window" 2>/dev/null | grep -q '^Unsupported File Type' && count=$((count + 1))
    done
    echo "$count"
}

# The storm: every request is answered, one alert shows, the process lives.
for _ in $(seq 60); do
    timeout 20 "$varnel" unsupported.bin x || fail "a request in the storm failed with $?"
done
wait_for_window '^Unsupported File Type' 10 >/dev/null || fail "no alert about the refused file"
kill -0 "$first" 2>/dev/null || fail "Varnel died in the storm"
[ "$(alerts)" -eq 1 ] || fail "expected one alert, found $(alerts)"
# Closing it shows at most one more, for the requests that waited.
for _ in 1 2; do
    window=$(wait_for_window '^Unsupported File Type' 3) || break
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers Return
    for _ in $(seq 50); do
        [ "$(alerts)" -le 1 ] && break
        sleep 0.1
    done
    [ "$(alerts)" -le 1 ] || fail "closing the alert showed $(alerts) more"
done
kill -0 "$first" 2>/dev/null || fail "Varnel died after the storm"

# Over a megabyte of file names: refused with a message and a non-zero exit, and the
# running Varnel keeps its socket.
code=0
timeout 20 "$varnel" $(yes a.txt | head -n 60000) 2> long.err || code=$?
[ "$code" -ne 0 ] || fail "the over-long request exited 0 without opening it"
grep -q 'too long' long.err || fail "no message naming why: $(cat long.err)"
[ "$(find "$XDG_RUNTIME_DIR/varnel" -type s)" = "$socket" ] || fail "the socket was replaced"
[ "$(varnel_windows | xargs -r -n1 xdotool getwindowpid | sort -u)" = "$first" ] || fail "another process opened"
timeout 20 "$varnel" b.txt a.txt || fail "the running Varnel no longer answers after the over-long request"
window=$(wait_for_window '^b\.txt ↔ a\.txt' 10) || fail "the running Varnel did not open b.txt ↔ a.txt"

# More idle connections than a process may hold open files, kept open meanwhile.
python3 - "$socket" 1100 <<'PYTHON' &
import resource, socket, sys, time
hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
held = []
for _ in range(int(sys.argv[2])):
    connection = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    connection.connect(sys.argv[1])
    held.append(connection)
print('held', flush=True)
time.sleep(30)
PYTHON
holder=$!
e2e_pids+=("$holder")
for _ in $(seq 100); do
    [ "$(ls /proc/"$holder"/fd 2>/dev/null | wc -l)" -ge 1100 ] && break
    sleep 0.1
done
timeout 20 "$varnel" a.txt b.txt || fail "the running Varnel did not take a request while connections were held"
window=$(wait_for_window '^a\.txt ↔ b\.txt' 10) || fail "the running Varnel did not open a.txt ↔ b.txt"
[ "$(xdotool getwindowpid "$window")" = "$first" ] || fail "a.txt ↔ b.txt opened in another process"
kill -0 "$first" 2>/dev/null || fail "Varnel died"
kill "$holder"
wait "$holder" 2>/dev/null || true
echo "requests: ok"
