#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs every benchmark once on a small input, so that none of them stops building or
# running unnoticed. The figures it prints mean nothing; it fails when a benchmark fails.
#
#   bench/smoke.sh BUILD-DIR      (tools/dev.sh bench-smoke builds first and calls it)
set -euo pipefail

build=$(cd "$1" && pwd)
cd "$(dirname "${BASH_SOURCE[0]}")"
bin=$build/bench
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

step() { echo "bench-smoke: $*" >&2; }

"$bin/varnel-genpairs" "$scratch" 10k-5pct >/dev/null
left=$scratch/10k-5pct.left.txt
right=$scratch/10k-5pct.right.txt

# Google Benchmark: one iteration each. The engine's pairs run at their smallest, and each
# forced method on one 100k pair.
once=(--benchmark_min_time=0)
step engine
"$bin/varnel-bench-engine" "${once[@]}" --benchmark_filter='^(diff/10k-|script/100k-5pct/|split/|ignore/10k-)'
step highlighter
"$bin/varnel-bench-highlighter" "${once[@]}"

step report
"$bin/varnel-bench-report" 500
step viewmodel
"$bin/varnel-bench-viewmodel" "$left" "$right" 1
step views
"$bin/varnel-bench-views" 10k-5pct
step window
"$bin/varnel-bench-window" "$left" "$right" 1
step wrap
"$bin/varnel-bench-wrap" "${once[@]}" --benchmark_filter=100k-paragraphs
step moves
"$bin/varnel-bench-moves" "${once[@]}" --benchmark_filter=10k-

step compare-tools
python3 compare-tools --build "$build" --runs 1 --pairs 10k-5pct
step compare-readers
python3 compare-readers --build "$build" --runs 1
# Two folders of the same scripts, the second with every seventh line dropped.
step compare-hunks
mkdir "$scratch/old" "$scratch/new"
for file in ../tests/e2e/*.py; do
    cp "$file" "$scratch/old/"
    awk 'NR % 7' "$file" >"$scratch/new/$(basename "$file")"
done
python3 compare-hunks --build "$build" "$scratch/old" "$scratch/new"
step window-e2e
python3 window-e2e --build "$build" --runs 1 --pairs 10k-5pct
step done
