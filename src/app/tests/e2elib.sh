# SPDX-License-Identifier: GPL-3.0-or-later

# Shared by the end-to-end tests: runs the calling script again under Xvfb (exit 77, a
# skip, when Xvfb or xdotool is missing), in a throw-away home and runtime folder, with
# only the fonts the tests are pinned to, and gives helpers that wait for windows. Every
# wait has a limit; CTest adds one for the whole script.

# e2e_start VARNEL ARGUMENTS...: VARNEL is the build tree's BUILD/src/app/varnel.
e2e_start() {
    # CTest names the build tree's font configuration; run by hand, the script finds it.
    if [ -z "${FONTCONFIG_FILE:-}" ]; then
        FONTCONFIG_FILE=$(cd "$(dirname "$1")/../.." && pwd)/test-fonts/fonts.conf
        [ -f "$FONTCONFIG_FILE" ] || { echo "$FONTCONFIG_FILE is missing: configure the tree first" >&2; exit 2; }
        export FONTCONFIG_FILE
    fi
    if [ -z "${VARNEL_E2E_IN_XVFB:-}" ]; then
        e2e_enter_xvfb "$@"
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

# The server picks a free display itself and names it on a pipe, so servers started at the
# same time by parallel tests never share one (xvfb-run -a can). -noreset keeps it up when
# a test kills its last client: a reset would refuse the next connection for a moment.
e2e_enter_xvfb() {
    local tool
    for tool in Xvfb xdotool; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
    done
    export VARNEL_E2E_IN_XVFB=1
    local pipe_dir display= server code=0
    pipe_dir=$(mktemp -d)
    mkfifo "$pipe_dir/display"
    Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp -noreset \
        3>"$pipe_dir/display" >/dev/null 2>&1 &
    server=$!
    read -r -t 30 display <"$pipe_dir/display" || true
    rm -rf "$pipe_dir"
    if [ -z "$display" ]; then
        kill "$server" 2>/dev/null || true
        echo "Xvfb did not start" >&2
        exit 2
    fi
    unset XAUTHORITY
    DISPLAY=:$display bash "$0" "$@" || code=$?
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    exit "$code"
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
# seconds (30 unless told) for at least one.
wait_for_window() {
    local pattern=$1 limit=${2:-30} waited=0 window found
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

# Whether window $1 is gone (closed or hidden) within $2 seconds (30 unless told).
wait_for_window_gone() {
    local window=$1 limit=${2:-30} waited=0
    while xdotool search --onlyvisible --class '^varnel$' 2>/dev/null | grep -qx -- "$window"; do
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
