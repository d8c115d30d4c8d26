#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# A real `git difftool` session under Xvfb, set up with the git commands the README gives
# (read from it), over a repository with three changed files, a .hpp among them: one
# window at a time, titled with the labels, git waiting while it is open and going on
# once Ctrl+W or Escape has closed it, and nothing added to the recent comparisons.
# Then the README's alias names the revisions, and `git difftool -d` is refused with
# what to run instead.
#   difftool_e2e.sh VARNEL README
set -euo pipefail
source "$(dirname "$0")/e2elib.sh"
e2e_start "$@"
varnel=$1 readme=$2
command -v git >/dev/null || { echo "skipped: git is not installed"; exit 77; }

# `varnel` on the PATH is this build's.
mkdir -p "$e2e_work/bin"
ln -s "$varnel" "$e2e_work/bin/varnel"
export PATH=$e2e_work/bin:$PATH GIT_CONFIG_NOSYSTEM=1

# The README's git setup, word for word (into the throw-away home's ~/.gitconfig).
setup=$(sed -n '/^Use it as `git difftool`:/,/^For those working on Varnel/p' "$readme" | grep '^git config --global ')
[ "$(grep -c . <<<"$setup")" -ge 4 ] || fail "the README's git setup was not found"
while IFS= read -r command; do eval "$command"; done <<<"$setup"

repository=$e2e_work/repository
git init -q "$repository"
cd "$repository"
git config user.name Test
git config user.email test@example.invalid
mkdir lib src
printf 'alpha\nbeta\ngamma\n' > notes.txt
printf 'def f():\n    return 1\n' > lib/util.py
printf '#pragma once\nstruct Shape {\n    int sides;\n};\n' > src/shape.hpp
git add .
git commit -qm one
printf 'alpha\nBETA\ngamma\ndelta\n' > notes.txt
printf 'def f():\n    return 2\n' > lib/util.py
printf '#pragma once\nstruct Shape {\n    int sides = 3;\n};\n' > src/shape.hpp

# Whether process $1 is process $2 or one of its descendants.
descends_from() {
    local pid=$1
    while [ -n "$pid" ] && [ "$pid" -gt 1 ]; do
        [ "$pid" = "$2" ] && return 0
        pid=$(sed -n 's/^.*) . \([0-9]*\) .*$/\1/p' "/proc/$pid/stat" 2>/dev/null)
    done
    return 1
}

# Runs `git ARGUMENTS...` and closes each window it opens with the next key of $keys; the
# windows must come in the order of $titles (extended regular expressions).
session() {
    spawn git "$@"
    local git=$! index=0 window
    for title in "${titles[@]}"; do
        window=$(wait_for_window "^$title( — Varnel)?$") || fail "git $*: no window titled $title"
        [ "$(varnel_windows | grep -c .)" -eq 1 ] || fail "git $*: more than one window at $title"
        # git waits for the program that shows the window.
        kill -0 "$git" 2>/dev/null || fail "git $*: returned while $title was open"
        descends_from "$(xdotool getwindowpid "$window")" "$git" || fail "git $*: $title is not shown by git's child"
        xdotool windowfocus --sync "$window"
        xdotool key --clearmodifiers "${keys[index]}"
        index=$((index + 1))
        wait_for_window_gone "$window" || fail "git $*: $title stayed open after ${keys[index - 1]}"
    done
    wait_for_exit "$git" 30 || fail "git $* did not return after the last window closed"
    [ "$exit_code" -eq 0 ] || fail "git $* exited with $exit_code"
    [ -z "$(varnel_windows)" ] || fail "git $*: a Varnel window is still open"
}

titles=('lib/util\.py \(old\) ↔ lib/util\.py \(new\)'
        'notes\.txt \(old\) ↔ notes\.txt \(new\)'
        'src/shape\.hpp \(old\) ↔ src/shape\.hpp \(new\)')
keys=(ctrl+w Escape ctrl+w)
session difftool

titles=('lib/util\.py \(HEAD\) ↔ lib/util\.py \(working tree\)'
        'notes\.txt \(HEAD\) ↔ notes\.txt \(working tree\)'
        'src/shape\.hpp \(HEAD\) ↔ src/shape\.hpp \(working tree\)')
keys=(Escape ctrl+w Escape)
session vdiff HEAD

# git's temporary copies never reach the recent comparisons.
! grep -qs 'recentComparisons' "$XDG_CONFIG_HOME/Varnel/Varnel.ini" ||
    fail "the recent comparisons were written: $(cat "$XDG_CONFIG_HOME/Varnel/Varnel.ini")"

# Folders are refused, saying what to run instead; no window opens.
folders=$(git difftool -d 2>&1 || true)
grep -q 'Varnel compares two files, not folders; with git, run git difftool without -d' <<<"$folders" ||
    fail "git difftool -d: $folders"
[ -z "$(varnel_windows)" ] || fail "git difftool -d opened a window"
echo "difftool: ok"
