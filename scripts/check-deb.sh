#!/usr/bin/env bash
# Makes the Debian package from a build (default build/) and checks it: every file of
# dist/installed-files.txt under /usr, and dependencies computed from the linked libraries.
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
echo "check-deb: $deb holds $(grep -c -v '/$' <<<"$listing") files; Depends: $depends"
