#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Builds the fuzzers with clang and runs each for a bounded time, in parallel.
#   fuzz/run.sh [SECONDS]   (default 60)
# Corpora grow in build/fuzz/corpus/<target>; crashes land in build/fuzz/findings.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}

packages=(clang libclang-rt-14-dev)
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' && continue
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${packages[@]}"
    break
done

[ -f build/fuzz/build.ninja ] || cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
out=build/fuzz
mkdir -p "$out/findings"
"$out/fuzz/varnel-fuzz-seeds" "$out/seeds"

pids=()
for target in docx decode pdf ignore; do
    mkdir -p "$out/corpus/$target"
    "$out/fuzz/${target}_fuzzer" "$out/corpus/$target" "$out/seeds/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$out/findings/$target-" >"$out/$target.log" 2>&1 &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
for target in docx decode pdf ignore; do
    echo "== $target"
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^Done|ERROR|SUMMARY' "$out/$target.log" || true
done
ls "$out/findings"
exit $status
