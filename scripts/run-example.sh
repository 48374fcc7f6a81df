#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (run as root), builds, and plays the bundled example machine.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build
build/bin/slotsim play examples/lucky-sevens/lucky-sevens.slt --seed 1 --spins 20 --bet 3 --trace
