#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later

# Runs export tests against a small tmpfs holding one existing report, in a mount namespace
# of its own so that no other process ever sees it:
#   readonly  the tmpfs remounted read-only (the tests find it in VARNEL_TEST_READONLY_DIR);
#   full      the tmpfs filled up beside the report (in VARNEL_TEST_FULL_DIR).
# Either stops root as well, which a folder's permissions do not. Needs root and mount
# namespaces; skipped (exit 77) where either is missing.
#   tmpfs_mount.sh readonly|full EXPORT_TESTS_BINARY GTEST_FILTER
set -eu
mode=$1
binary=$2
filter=$3
[ "$(id -u)" -eq 0 ] || { echo "skipped: mounting needs root"; exit 77; }
command -v unshare >/dev/null 2>&1 || { echo "skipped: no unshare"; exit 77; }
unshare --mount --propagation private true 2>/dev/null || { echo "skipped: no mount namespaces here"; exit 77; }
folder=$(mktemp -d)
trap 'rmdir "$folder"' EXIT
unshare --mount --propagation private sh -c '
    mount -t tmpfs -o size=256k,mode=0755 varnel-test "$1" || { echo "skipped: tmpfs cannot be mounted"; exit 77; }
    printf "keep me" > "$1/existing.pdf"
    if [ "$2" = readonly ]; then
        mount -o remount,ro "$1" || exit 77
        export VARNEL_TEST_READONLY_DIR="$1"
    else
        # Every page of it taken: dd stops at "No space left on device".
        dd if=/dev/zero of="$1/filler" bs=4096 2>/dev/null || true
        export VARNEL_TEST_FULL_DIR="$1"
    fi
    exec "$3" --gtest_filter="$4"
' sh "$folder" "$mode" "$binary" "$filter"
