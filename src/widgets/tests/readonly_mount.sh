#!/bin/sh
# Runs the export's read-only folder test against a read-only file system: a tmpfs holding
# one existing report, remounted read-only, in a mount namespace of its own so that no
# other process ever sees it. This stops root as well, which a folder's permissions do not.
# Needs root and mount namespaces; skipped (exit 77) where either is missing.
#   readonly_mount.sh EXPORT_TESTS_BINARY
set -eu
binary=$1
[ "$(id -u)" -eq 0 ] || { echo "skipped: mounting needs root"; exit 77; }
command -v unshare >/dev/null 2>&1 || { echo "skipped: no unshare"; exit 77; }
unshare --mount --propagation private true 2>/dev/null || { echo "skipped: no mount namespaces here"; exit 77; }
folder=$(mktemp -d)
trap 'rmdir "$folder"' EXIT
unshare --mount --propagation private sh -c '
    mount -t tmpfs -o size=1m,mode=0755 varnel-test "$1" || { echo "skipped: tmpfs cannot be mounted"; exit 77; }
    printf "keep me" > "$1/existing.pdf"
    mount -o remount,ro "$1" || exit 77
    VARNEL_TEST_READONLY_DIR=$1 exec "$2" --gtest_filter=ExportTest.AFailedWriteToAReadOnlyFolderKeepsTheFileThere
' sh "$folder" "$binary"
