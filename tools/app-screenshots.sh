#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Screenshots of the application shell under Xvfb, for looking at: the menus, the settings
# window, the privacy window at its minimum size and the About box, light and dark, and a
# window in System mode turning dark when the (fake) desktop portal says so.
#   tools/app-screenshots.sh [OUT-DIR [SCALE]]   (default build/screenshots/app, scale 1;
#                                                2 shows the windows at a pixel ratio of 2)
# Needs a build of the default preset (varnel and varnel-fake-portal), Xvfb, xdotool,
# dbus-daemon and ImageMagick's import.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=$(realpath -m "${1:-$root/build/screenshots/app}")
scale=${2:-1}
varnel=$root/build/default/src/app/varnel
portal=$root/build/default/src/app/tests/varnel-fake-portal
for tool in xvfb-run xdotool dbus-daemon import; do
    command -v "$tool" >/dev/null || { echo "app-screenshots: $tool is not installed" >&2; exit 2; }
done
[ -x "$varnel" ] && [ -x "$portal" ] || { echo "app-screenshots: build the default preset first" >&2; exit 2; }

if [ -z "${VARNEL_SHOTS_IN_XVFB:-}" ]; then
    export VARNEL_SHOTS_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 $((1400 * scale))x$((900 * scale))x24" bash "$0" "$out" "$scale"
fi

mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
export QT_SCALE_FACTOR=$scale

# A private session bus with the fake portal on it, saying "prefer light" to begin with.
dbus-daemon --session --nofork --print-address=1 >"$work/bus" &
pids+=("$!")
for _ in $(seq 50); do [ -s "$work/bus" ] && break; sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
mkfifo "$work/scheme"
"$portal" 2 <"$work/scheme" >"$work/portal.out" &
pids+=("$!")
exec 3>"$work/scheme"
for _ in $(seq 50); do grep -q ready "$work/portal.out" 2>/dev/null && break; sleep 0.1; done
say() { echo "$1" >&3; sleep 0.8; }

window_named() { # the newest visible window whose name matches $1
    local id
    for _ in $(seq 50); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "app-screenshots: no window named $1" >&2
    return 1
}
shot_window() { sleep 0.5; import -window "$1" "$out/$2.png"; echo "$out/$2.png"; }
# The screen's corner holding the window at the origin and any menu opened from it.
shot_screen() { sleep 0.5; import -window root -crop "$((1100 * scale))x$((700 * scale))+0+0" "$out/$1.png"; echo "$out/$1.png"; }

cd "$work"
printf 'def greet(name):\n    print("Hello, " + name)\n\ngreet("world")\n' >old.py
printf 'def greet(name, greeting="Hello"):\n    print(greeting + ", " + name)\n\ngreet("world")\ngreet("moon", "Goodnight")\n' >new.py

"$varnel" old.py new.py &
pids+=("$!")
main=$(window_named 'old\.py')
xdotool windowmove "$main" 0 0
for scheme in light dark; do
    [ "$scheme" = light ] && say 2 || say 1
    shot_window "$main" "system-$scheme"
    xdotool windowfocus --sync "$main"
    for menu in f e v h; do
        xdotool key --clearmodifiers "alt+$menu"
        shot_screen "menu-$menu-$scheme"
        xdotool key Escape
    done

    xdotool key --clearmodifiers ctrl+comma
    settings=$(window_named '^Preferences')
    shot_window "$settings" "settings-$scheme"
    xdotool windowfocus --sync "$settings" key --clearmodifiers ctrl+w

    xdotool windowfocus --sync "$main" key --clearmodifiers alt+h Return
    privacy=$(window_named '^Privacy Policy')
    # Without a window manager nothing holds a window to its minimum: ask for it exactly.
    xdotool windowsize --sync "$privacy" $((500 * scale)) $((420 * scale))
    shot_window "$privacy" "privacy-minimum-$scheme"
    xdotool mousemove --window "$privacy" $((250 * scale)) $((200 * scale)) click --repeat 40 --delay 10 5
    shot_window "$privacy" "privacy-minimum-end-$scheme"
    xdotool windowfocus --sync "$privacy" key --clearmodifiers ctrl+w

    xdotool windowfocus --sync "$main" key --clearmodifiers alt+h Down Return
    about=$(window_named '^About Varnel')
    shot_window "$about" "about-$scheme"
    xdotool windowfocus --sync "$about" key --clearmodifiers Return
    sleep 0.3
done
