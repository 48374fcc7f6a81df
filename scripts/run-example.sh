#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (run as root), builds, and opens the bundled example
# machine in kestrel3d. Without a display the program runs under Xvfb for a few seconds and
# leaves a picture of its window in build/example.png.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build
example=build/examples/lucky-sevens/lucky-sevens.slt # with its generated pictures
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/kestrel3d "$example"
fi
script=$(mktemp)
trap 'rm -f "$script"' EXIT
printf 'open %s\nwait 3000\nshot %s\nstate %s\nquit\n' "$example" build/example.png \
    build/example.json > "$script"
echo "No display: running under Xvfb; the window's picture goes to build/example.png"
xvfb-run -a build/bin/kestrel3d --script "$script"
python3 -c 'import json; s = json.load(open("build/example.json")); print(s["Title"])'
