# SPDX-License-Identifier: GPL-3.0-or-later

# Shared by the end-to-end tests: runs the calling script again under Xvfb (exit 77, a
# skip, when Xvfb or xdotool is missing), in a throw-away home and runtime folder, and
# gives helpers that wait for windows. Every wait has a limit; CTest adds one for the
# whole script.

e2e_start() {
    if [ -z "${VARNEL_E2E_IN_XVFB:-}" ]; then
        for tool in xvfb-run xdotool; do
            command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
        done
        export VARNEL_E2E_IN_XVFB=1
        exec xvfb-run -a -s "-screen 0 1400x900x24" bash "$0" "$@"
    fi
    e2e_work=$(mktemp -d)
    trap e2e_cleanup EXIT
    export HOME=$e2e_work/home XDG_CONFIG_HOME=$e2e_work/config XDG_RUNTIME_DIR=$e2e_work/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME"
    mkdir -m 0700 "$XDG_RUNTIME_DIR"
    export DBUS_SESSION_BUS_ADDRESS=disabled:
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    e2e_pids=()
}

e2e_cleanup() {
    local pid
    for pid in "${e2e_pids[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
    done
    rm -rf "$e2e_work"
}

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Starts a command in the background (ended at exit) and sets $! as usual.
spawn() {
    "$@" &
    e2e_pids+=("$!")
}

# The visible windows of Varnel.
varnel_windows() {
    xdotool search --onlyvisible --class '^varnel$' 2>/dev/null || true
}

# The visible Varnel windows whose title (as the desktop shows it, "a.txt ↔ b.txt —
# Varnel") matches the extended regular expression $1, one id a line, waiting up to $2
# seconds (10 unless told) for at least one.
wait_for_window() {
    local pattern=$1 limit=${2:-10} waited=0 window found
    while :; do
        found=
        for window in $(varnel_windows); do
            if xdotool getwindowname "$window" 2>/dev/null | grep -Eq -- "$pattern"; then
                found+="$window"$'\n'
            fi
        done
        [ -n "$found" ] && { printf '%s' "$found"; return 0; }
        [ "$waited" -ge $((limit * 10)) ] && return 1
        sleep 0.1
        waited=$((waited + 1))
    done
}

# Whether process $1 ends within $2 seconds; its exit code in $exit_code.
wait_for_exit() {
    local pid=$1 limit=$2 waited=0
    while kill -0 "$pid" 2>/dev/null; do
        [ "$waited" -ge $((limit * 10)) ] && return 1
        sleep 0.1
        waited=$((waited + 1))
    done
    exit_code=0
    wait "$pid" || exit_code=$?
    return 0
}
