#!/usr/bin/env bash
# Plays the smoke script in a real window under Xvfb with Qt's default platform and checks
# that the program ran it to the end: the title names the machine and the camera moved.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin/kestrel3d
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bin=$PWD/$bin
cp tests/shell/smoke.txt "$work/"
# The build's copy of the examples has their pictures beside them.
ln -s "$(dirname "$bin")/../examples" "$work/examples"
cd "$work"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" "$bin" --seed 1 --tick-step 16 \
    --script smoke.txt > out.txt 2> err.txt
grep -qx "about" out.txt
python3 - <<'PY'
import json, sys
state = json.load(open("smoke.json"))
assert state["Title"] == "Kestrel-3D: Lucky Sevens ($0 Expended)", state["Title"]
assert state["Camera"] == [7.0, 0.0, -19.0], state["Camera"]
assert state["Running"] == 1
print("smoke under Xvfb: 1 passed, 0 failed")
PY
test -s smoke.png
