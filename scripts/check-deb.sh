#!/usr/bin/env bash
# Makes the Debian package from a build (default build/) and checks it: every file of
# dist/installed-files.txt under /usr, dependencies computed from the linked libraries, and no
# error from lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
rm -f "$dir"/kestrel3d_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/kestrel3d_*.deb)
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
while read -r file; do
    grep -qx "./usr/$file" <<<"$listing" || { echo "check-deb: $deb lacks /usr/$file" >&2; exit 1; }
done < dist/installed-files.txt
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libsdl2-2.0-0; do
    [[ $depends == *"$library "* ]] || { echo "check-deb: Depends lacks $library: $depends" >&2; exit 1; }
done
# Errors fail; the remaining notes are informational (see dist/CMakeLists.txt).
lintian --fail-on error "$deb" || { echo "check-deb: lintian finds errors in $deb" >&2; exit 1; }
echo "check-deb: $deb holds $(grep -c -v '/$' <<<"$listing") files; Depends: $depends"
