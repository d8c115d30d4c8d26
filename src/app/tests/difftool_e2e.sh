#!/usr/bin/env bash
# A real `git difftool` with varnel --wait under Xvfb: git waits while the window is open
# (its temporary file stays readable, and the comparison succeeds), and returns once
# xdotool has closed the window with Ctrl+W twice (the comparison, then the window).
#   difftool_e2e.sh VARNEL
set -euo pipefail
source "$(dirname "$0")/e2elib.sh"
e2e_start "$@"
varnel=$1
command -v git >/dev/null || { echo "skipped: git is not installed"; exit 77; }

repository=$e2e_work/repository
git init -q "$repository"
cd "$repository"
git config user.name Test
git config user.email test@example.invalid
printf 'alpha\nbeta\ngamma\n' > notes.txt
git add notes.txt
git commit -qm one
printf 'alpha\nBETA\ngamma\ndelta\n' > notes.txt

# The setting the README gives, with this build's varnel.
git config difftool.varnel.cmd "'$varnel' --wait \"\$LOCAL\" \"\$REMOTE\""
spawn git difftool --no-prompt --tool=varnel
git=$!

window=$(wait_for_window '^notes\.txt ↔ notes\.txt' 20) || fail "no window shows notes.txt ↔ notes.txt"
sleep 1
kill -0 "$git" 2>/dev/null || fail "git difftool returned while the window was open"

# The comparison succeeded: it is in the recent comparisons (only successes are).
recorded() { grep -qs 'notes.txt' "$XDG_CONFIG_HOME/Varnel/Varnel.ini"; }
for _ in $(seq 100); do recorded && break; sleep 0.1; done
recorded || fail "the comparison was not recorded as a success"

xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+w
wait_for_window '^Varnel$' 10 >/dev/null || fail "Ctrl+W did not close the comparison"
xdotool key --clearmodifiers ctrl+w
wait_for_exit "$git" 20 || fail "git difftool did not return after the window closed"
[ "$exit_code" -eq 0 ] || fail "git difftool exited with $exit_code"
[ -z "$(varnel_windows)" ] || fail "a Varnel window is still open"
echo "difftool: ok"
