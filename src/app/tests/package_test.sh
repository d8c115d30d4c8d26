#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later

# What installs Varnel on a desktop: the desktop entry and the AppStream metadata pass their
# validators, and the Debian package that CPack makes holds exactly the expected files,
# depends on what the programs link (computed) and on the report's font, and has nothing
# lintian calls an error or a warning. With --hardened (tools/dev.sh package, whose tree is
# built with dpkg-buildflags), lintian's hardening findings fail too. Exit 77 (a skip) when a
# tool is missing.
#   package_test.sh BUILD-DIR SOURCE-DIR [--hardened]
set -euo pipefail
build=$(cd "$1" && pwd)
source=$2
hardened=${3:-}

for tool in desktop-file-validate appstreamcli cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

desktop-file-validate "$source/src/app/data/example.varnel.Varnel.desktop" || fail "desktop-file-validate"
grep -q '^Exec=varnel %F$' "$source/src/app/data/example.varnel.Varnel.desktop" || fail "Exec is not 'varnel %F'"
# A comparison tool is never a file's default program: the entry claims no MIME type.
! grep -q '^MimeType=' "$source/src/app/data/example.varnel.Varnel.desktop" || fail "the desktop entry claims MIME types"
metainfo=$build/src/app/data/example.varnel.Varnel.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
# Warnings fail too (the validator passes them).
! appstreamcli validate --no-net "$metainfo" | grep -q '^W:' || fail "appstreamcli warns"
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "the metadata's licence"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/varnel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb"

# The files (folders aside), in order.
expected="./usr/bin/varnel
./usr/bin/varnel-cli
./usr/share/applications/example.varnel.Varnel.desktop
./usr/share/doc/varnel/changelog.gz
./usr/share/doc/varnel/copyright
./usr/share/doc/varnel/screenshots/inline-light.png
./usr/share/doc/varnel/screenshots/side-by-side-dark.png
./usr/share/doc/varnel/screenshots/side-by-side-light.png
./usr/share/doc/varnel/screenshots/welcome-recents-light.png
./usr/share/icons/hicolor/128x128/apps/example.varnel.Varnel.png
./usr/share/icons/hicolor/48x48/apps/example.varnel.Varnel.png
./usr/share/icons/hicolor/scalable/apps/example.varnel.Varnel.svg
./usr/share/man/man1/varnel-cli.1.gz
./usr/share/man/man1/varnel.1.gz
./usr/share/metainfo/example.varnel.Varnel.metainfo.xml"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
[ "$actual" = "$expected" ] || fail "the package holds:
$actual"
# Folders are 0755 and files 0644 (programs 0755), owned by root, whatever the build's umask.
dpkg-deb -c "$deb" | awk '
    $2 != "root/root" { bad = bad "\n" $0 }
    $1 ~ /^d/ && $1 != "drwxr-xr-x" { bad = bad "\n" $0 }
    $1 ~ /^-/ && $6 ~ /\/bin\// && $1 != "-rwxr-xr-x" { bad = bad "\n" $0 }
    $1 ~ /^-/ && $6 !~ /\/bin\// && $1 != "-rw-r--r--" { bad = bad "\n" $0 }
    END { if (bad != "") { print "wrong owner or mode:" bad > "/dev/stderr"; exit 1 } }' || fail "modes"

depends=$(dpkg-deb -f "$deb" Depends)
for package in fonts-dejavu-core libqt6widgets6 libqt6dbus6 libpoppler-qt6-3 zlib1g; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = varnel ] || fail "the package is not named varnel"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the package's version is not $version"

# The installed desktop entry, icon and binaries agree with each other.
dpkg-deb -x "$deb" "$work/root"
grep -q '^License: GPL-3+$' "$work/root/usr/share/doc/varnel/copyright" || fail "the copyright file's licence"
# No made-up web address anywhere in what the package says about itself.
if grep -E 'https?://[^ ]*\.example' "$work/root/usr/share/metainfo/"*.xml "$work/root/usr/share/doc/varnel/copyright" ||
    dpkg-deb -f "$deb" | grep -Ei '^Homepage:|https?://[^ ]*\.example'; then
    fail "a made-up web address"
fi
[ "$("$work/root/usr/bin/varnel" --version)" = "varnel $version" ] || fail "varnel --version"
[ "$("$work/root/usr/bin/varnel-cli" --version)" = "varnel-cli $version" ] || fail "varnel-cli --version"

if command -v lintian >/dev/null; then
    # Errors and warnings fail; informational tags (build flags, .comment sections) do not.
    pattern='^[EW]: '
    [ "$hardened" = --hardened ] && pattern='^[EW]: |^I: .*hardening-'
    findings=$(lintian --tag-display-limit 0 --display-info "$deb" 2>/dev/null | grep -E "$pattern" || true)
    [ -z "$findings" ] || fail "lintian:
$findings"
else
    echo "lintian is not installed: its check is left out"
fi
echo "package: ok"
