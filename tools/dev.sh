#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Sets up a Debian 12 machine for Varnel, builds it and runs it, its tests or its benchmarks.
#
#   tools/dev.sh run [LEFT RIGHT] open the window, comparing the files given (installs what
#                                 is missing, builds)
#   tools/dev.sh test             build and run every test with CTest
#   tools/dev.sh asan             the same under AddressSanitizer and UBSan
#   tools/dev.sh tsan             the tests that start threads (label "threads") under ThreadSanitizer
#   tools/dev.sh e2e              the end-to-end tests alone: the real window under Xvfb
#   tools/dev.sh lint             clang-format check, no include up a layer (tools/layers.py),
#                                 a licence line in every source (tools/spdx.py), and
#                                 clang-tidy over every source
#   tools/dev.sh probe            varnel-cli on hostile inputs under time and memory limits
#   tools/dev.sh package          build the Debian package from only what ships, with Debian's
#                                 hardening flags, and check it (build/package/package/varnel_*.deb)
#   tools/dev.sh print-e2e        a real print through CUPS onto a cups-pdf queue (root; not in CI)
#   tools/dev.sh bench [ARGS]     benchmarks, and comparisons with standard tools (ARGS go to
#                                 bench/compare-tools)
#   tools/dev.sh bench-smoke      every benchmark once on a small input, so that none of them rots
#
# Packages are installed with apt only when missing; everything is quick when nothing is.
set -euo pipefail

caller=$PWD
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

build_packages=(g++ cmake ninja-build pkgconf qt6-base-dev qt6-svg-dev zlib1g-dev libpoppler-qt6-dev libgtest-dev libbenchmark-dev
                fonts-dejavu-core)
# The application's tests: a private session bus for the fake desktop portal, the
# end-to-end runs under Xvfb (two processes of varnel, a real git difftool), and the
# checks of the desktop entry, the AppStream metadata and the Debian package.
package_packages=(desktop-file-utils appstream dpkg-dev lintian)
test_packages=(dbus xvfb xauth xdotool git python3 imagemagick strace at-spi2-core python3-pyatspi "${package_packages[@]}")
lint_packages=(clang-format clang-tidy python3)
probe_packages=(python3 time util-linux)
bench_packages=(git diffutils python3 time poppler-utils docx2txt)

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# Configures a preset once, then builds it (Ninja rebuilds only what changed).
build() {
    local preset=$1
    shift
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" "$@"
}

command=${1:-}
[ $# -gt 0 ] && shift
case "$command" in
run)
    ensure_packages "${build_packages[@]}"
    build default --target varnel >/dev/null
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "tools/dev.sh run: no display (DISPLAY and WAYLAND_DISPLAY are unset); try xvfb-run tools/dev.sh run" >&2
        exit 2
    fi
    # Files are named from where the command was typed, not from the repository.
    files=()
    for file in "$@"; do
        case "$file" in
        /* | *://*) files+=("$file") ;;
        *) files+=("$caller/$file") ;;
        esac
    done
    exec build/default/src/app/varnel "${files[@]}"
    ;;
test)
    ensure_packages "${build_packages[@]}" "${test_packages[@]}"
    preset=default
    [ "${CI:-}" = true ] && preset=ci
    build "$preset"
    ctest --preset "$preset" -j "$(nproc)"
    ;;
e2e)
    ensure_packages "${build_packages[@]}" "${test_packages[@]}"
    preset=default
    [ "${CI:-}" = true ] && preset=ci
    build "$preset"
    ctest --preset "$preset" -L e2e --output-on-failure
    ;;
asan)
    ensure_packages "${build_packages[@]}" "${test_packages[@]}"
    build asan
    ctest --preset asan -j "$(nproc)"
    ;;
tsan)
    ensure_packages "${build_packages[@]}" "${test_packages[@]}"
    # The build preset names only the test programs that hold cases labelled "threads".
    build tsan
    ctest --preset tsan -j "$(nproc)"
    ;;
lint)
    ensure_packages "${build_packages[@]}" "${lint_packages[@]}"
    # The format check needs no build; clang-tidy reads the compile database of a configured tree.
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
    python3 tools/layers.py
    python3 tools/spdx.py --check
    preset=default
    [ "${CI:-}" = true ] && preset=ci
    # Generated sources (moc) must exist before clang-tidy reads the files that include them.
    build "$preset" >/dev/null
    # Only the sources this tree compiles: the demo programs need VARNEL_BUILD_DEMOS (the ci
    # preset turns it on).
    git ls-files 'src/*.cpp' 'bench/*.cpp' |
        grep -Fxf <(sed -n "s|^ *\"file\": \"$root/\(.*\)\",\{0,1\}\$|\1|p" "build/$preset/compile_commands.json") |
        xargs -P "$(nproc)" -n 4 clang-tidy -p "build/$preset" --quiet 2>/dev/null
    echo "lint: clean" >&2
    ;;
print-e2e)
    ensure_packages "${build_packages[@]}"
    [ -f build/default/build.ninja ] || cmake --preset default >/dev/null
    exec bash tools/print-e2e.sh "$root/build/default"
    ;;
probe)
    ensure_packages "${build_packages[@]}" "${probe_packages[@]}"
    preset=default
    [ "${CI:-}" = true ] && preset=ci
    build "$preset" --target varnel-cli >/dev/null
    python3 tests/probe.py --cli "build/$preset/src/cli/varnel-cli" "$@"
    ;;
package)
    ensure_packages "${build_packages[@]}" "${package_packages[@]}"
    # A tree of its own holding only what ships (no tests, benchmarks or demos), built with
    # Debian's hardening flags (fortified functions, stack protector). It is configured every
    # time, so the flags follow dpkg-buildflags; CMake has no CPPFLAGS, so they go first.
    cmake --preset package \
        -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
    cmake --build --preset package >/dev/null
    (cd build/package && cpack >/dev/null)
    # The same checks as the test suite's, and lintian's hardening findings too.
    bash src/app/tests/package_test.sh build/package "$root" --hardened >&2
    ls "$root"/build/package/package/varnel_*.deb
    ;;
bench)
    ensure_packages "${build_packages[@]}" "${bench_packages[@]}"
    build default
    build/default/bench/varnel-bench-engine --benchmark_min_time=0.2
    python3 bench/compare-tools --build build/default "$@"
    python3 bench/compare-readers --build build/default
    build/default/bench/varnel-bench-highlighter --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
    build/default/bench/varnel-bench-report
    build/default/bench/varnel-bench-viewmodel build/default/bench-data/1M-0.1pct.left.txt \
        build/default/bench-data/1M-0.1pct.right.txt
    build/default/bench/varnel-bench-views
    build/default/bench/varnel-bench-window build/default/bench-data/1M-5pct.left.txt \
        build/default/bench-data/1M-5pct.right.txt
    ;;
bench-smoke)
    ensure_packages "${build_packages[@]}" "${bench_packages[@]}" "${test_packages[@]}"
    preset=default
    [ "${CI:-}" = true ] && preset=ci
    build "$preset" >/dev/null
    bash bench/smoke.sh "build/$preset"
    ;;
*)
    sed -n '/^# Sets up/,/^# Packages are/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
    ;;
esac
