#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# A real print, end to end: prints a three-page report through CUPS onto a cups-pdf queue,
# the way the window's Print command does once its dialog is accepted, and checks that a
# three-page US Letter PDF comes out of the print system.
#
#   tools/print-e2e.sh [BUILD_DIR]     (default build/default; needs root for the packages,
#                                       the scheduler and the queue)
#
# Installs cups, printer-driver-cups-pdf and poppler-utils when missing, starts cupsd when
# it is not running and adds the queue "varnel-pdf". Text printed through cups-pdf comes
# back as Type 3 fonts, so the check is on pages and page size, not on text. Not run by CI:
# it needs a print scheduler, which CI machines do not run.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/default}
queue=varnel-pdf

packages=(cups printer-driver-cups-pdf poppler-utils)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}" >&2
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The scheduler: started here when no init system runs it.
if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    echo "Starting cupsd" >&2
    cupsd
    for _ in $(seq 50); do
        lpstat -r 2>/dev/null | grep -q 'is running' && break
        sleep 0.2
    done
fi
lpstat -r | grep -q 'is running' || { echo "print-e2e: cupsd did not start" >&2; exit 1; }

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    model=$(lpinfo -m 2>/dev/null | awk '/CUPS-PDF/ { print $1; exit }')
    [ -n "$model" ] || { echo "print-e2e: no cups-pdf driver found (lpinfo -m)" >&2; exit 1; }
    lpadmin -p "$queue" -v cups-pdf:/ -m "$model" -E
    echo "Added the queue $queue ($model)" >&2
fi

# The print program is one of the developer programs, which a tree builds only when asked.
cmake -S "$root" -B "$build" -DVARNEL_BUILD_DEMOS=ON >/dev/null
cmake --build "$build" --target varnel-print-report >/dev/null

# cups-pdf writes into the home folder of the job's owner (~/PDF), or into its spool
# folder for anonymous jobs; the report is the first PDF there newer than this marker.
marker=$(mktemp)
trap 'rm -f "$marker"' EXIT
sleep 1 # a file written in the same second as the marker would not count as newer
QT_QPA_PLATFORM=offscreen "$build/src/widgets/demo/varnel-print-report" "$queue"

folders=("$HOME/PDF" /var/spool/cups-pdf/ANONYMOUS "/var/spool/cups-pdf/$(id -un)")
pdf=
for _ in $(seq 150); do
    pdf=$(find "${folders[@]}" -maxdepth 1 -name '*.pdf' -newer "$marker" 2>/dev/null | head -n 1 || true)
    [ -n "$pdf" ] && break
    sleep 0.2
done
[ -n "$pdf" ] || { echo "print-e2e: no PDF came out of $queue within 30 s (lpstat -W completed: $(lpstat -W completed -o "$queue" | tail -n 1))" >&2; exit 1; }
sleep 0.5 # cups-pdf may still be closing it

info=$(pdfinfo "$pdf")
pages=$(awk '/^Pages:/ { print $2 }' <<<"$info")
size=$(awk -F': *' '/^Page size:/ { print $2 }' <<<"$info")
echo "$pdf: $pages pages, $size"
[ "$pages" = 3 ] || { echo "print-e2e: expected 3 pages, got $pages" >&2; exit 1; }
case "$size" in
612\ x\ 792\ pts*) ;;
*) echo "print-e2e: expected US Letter (612 x 792 pts), got $size" >&2; exit 1 ;;
esac
echo "print-e2e: passed"
