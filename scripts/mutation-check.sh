#!/usr/bin/env bash
# Plants real faults in a scratch copy of the sources, one at a time, and reports which of
# them the test suite catches. A fault the suite misses is a hole in the tests.
#
#   scripts/mutation-check.sh [--rev REV] [--area NAME] [--jobs N] [FAULT...]
#
# The faults are listed in scripts/mutations/AREA.txt, each as:
#
#   @ fault-name: what goes wrong, in a few words
#   file: path/from/the/project/root
#   - text that occurs exactly once in the file
#   + the text it becomes
#
# --rev REV  plants the faults in the sources of that revision (with today's list), so that a
#            suite can be compared with an earlier one
# --area     only the faults of scripts/mutations/NAME.txt
# --jobs N   N workers, each with a scratch copy of its own, share out the faults (a fault's
#            test mostly runs on one core, so two workers on two cores take about half as long)
# FAULT...   only the faults of these names
#
# The scratch tree lives in $MUTATION_DIR (default /tmp/kestrel-mutants-$USER), further
# workers' in its worker-K folders; it is built once and then rebuilt incrementally for every
# fault. Exit 0 when every fault is caught.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

rev=""
area=""
jobs=1
only=()
while [ $# -gt 0 ]; do
    case "$1" in
    --rev) rev=$2; shift 2 ;;
    --area) area=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    -h | --help) sed -n '2,23p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutation-check: unknown option $1" >&2; exit 2 ;;
    *) only+=("$1"); shift ;;
    esac
done

scratch=${MUTATION_DIR:-/tmp/kestrel-mutants-${USER:-root}}
case $jobs in '' | *[!0-9]* | 0) echo "mutation-check: --jobs takes a number from 1" >&2; exit 2 ;; esac
lists=("$top"/scripts/mutations/*.txt)
[ -n "$area" ] && lists=("$top/scripts/mutations/$area.txt")
for list in "${lists[@]}"; do
    [ -f "$list" ] || { echo "mutation-check: no list $list" >&2; exit 2; }
done

mkdir -p "$scratch"
from=$top
if [ -n "$rev" ]; then
    from=$scratch/rev
    rm -rf "$from"
    mkdir -p "$from"
    git archive "$rev" | tar -x -C "$from"
fi
# The workers' copies compile alike: ccache then shares their objects.
export CCACHE_BASEDIR=$scratch

# A scratch copy ($1/src) is brought level with the sources (tracked files, as they stand or
# at REV) by rewriting only the files whose contents differ, so the build in it stays
# incremental and a fault left behind by an interrupted run is rebuilt away.
level_copy() {
    mkdir -p "$1/src"
    python3 - "$from" "$1/src" <<'PY'
import os, subprocess, sys
origin, copy = sys.argv[1:3]
if os.path.exists(os.path.join(origin, ".git")):
    listing = subprocess.run(["git", "ls-files", "-z", "-co", "--exclude-standard"], cwd=origin, capture_output=True, check=True)
    names = [n for n in listing.stdout.decode().split("\0") if n]
else:
    names = [os.path.relpath(os.path.join(d, f), origin) for d, _, fs in os.walk(origin) for f in fs]
wanted = set()
for name in names:
    source, target = os.path.join(origin, name), os.path.join(copy, name)
    if not os.path.isfile(source):
        continue
    wanted.add(name)
    data = open(source, "rb").read()
    if not os.path.isfile(target) or open(target, "rb").read() != data:
        os.makedirs(os.path.dirname(target), exist_ok=True)
        open(target, "wb").write(data)
        os.chmod(target, os.stat(source).st_mode)
for d, _, fs in os.walk(copy):
    for f in fs:
        if os.path.relpath(os.path.join(d, f), copy) not in wanted:
            os.remove(os.path.join(d, f))
PY
}

# Every fault relinks most programs; lld links them several times faster than ld.
linker=()
command -v ld.lld >/dev/null && linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

# Which test caught each fault last time ($scratch/catchers): that test runs first, so a fault
# still caught costs one test instead of the suite. A fault it no longer catches gets the whole
# suite, so the verdict is the suite's either way.
catchers=$scratch/catchers
touch "$catchers"
threads=$(nproc) # the workers' share of the cores, once they run side by side

# The functions below work in one scratch copy: $work, with src/ and build/ in it.
run_tests() {
    QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
        ctest --test-dir "$work/build" -j "$threads" --timeout 300 --stop-on-failure "$@" \
        >"$work/test.log" 2>&1
}

build_copy() {
    cmake --build "$work/build" -j "$threads" >"$work/build.log" 2>&1
}

run_suite() {
    local fault=${1:-}
    build_copy || return 2
    local catcher=""
    [ -z "$fault" ] || catcher=$(awk -F'\t' -v f="$fault" '$1 == f { print $2 }' "$catchers" | tail -1)
    if [ -n "$catcher" ] && ! run_tests -R "^${catcher}\$"; then
        return 1
    fi
    run_tests && return 0
    [ -z "$fault" ] || sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*.*$/\1/p' "$work/test.log" |
        head -1 | sed "s/^/$fault\t/" >>"$catchers"
    return 1
}

prepare_copy() {
    level_copy "$work"
    cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release "${linker[@]}" \
        "${launcher[@]}" >/dev/null
}

# Prints one line per selected fault: name, file, the text to find, its replacement, and
# the description, separated by tabs.
parse_lists() {
    python3 - "$@" <<'PY'
import sys
for path in sys.argv[1:]:
    fault = None
    for n, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if line.startswith("@ "):
            name, _, what = line[2:].partition(":")
            fault = {"name": name.strip(), "what": what.strip(), "where": f"{path}:{n}"}
        elif fault is not None and line.startswith("file: "):
            fault["file"] = line[6:].strip()
        elif fault is not None and line.startswith("- "):
            fault["old"] = line[2:]
        elif fault is not None and line.startswith("+ "):
            fault["new"] = line[2:]
            if not fault.get("file") or "old" not in fault:
                sys.exit(f"mutation-check: {fault['where']}: a fault needs file, - and +")
            print("\t".join([fault["name"], fault["file"], fault["old"], fault["new"], fault["what"]]))
            fault = None
PY
}

# Replaces the one occurrence of OLD in FILE by NEW; fails when it occurs zero or many times.
apply_fault() {
    python3 - "$@" <<'PY'
import sys
path, old, new = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
count = text.count(old)
if count != 1:
    sys.exit(f"found {count} times")
open(path, "w", encoding="utf-8").write(text.replace(old, new))
PY
}

# Plants each fault of the lines on stdin in $work in turn; prints one verdict row per fault.
check_faults() {
    local src=$work/src name file old new what problem status verdict
    while IFS=$'\t' read -r name file old new what; do
        if [ ! -f "$src/$file" ]; then
            printf '%-34s %-9s %s (no such file)\n' "$name" "STALE" "$file"
            continue
        fi
        cp "$src/$file" "$work/original"
        if ! problem=$(apply_fault "$src/$file" "$old" "$new" 2>&1); then
            printf '%-34s %-9s %s (%s)\n' "$name" "STALE" "$file" "$problem"
            continue
        fi
        set +e
        run_suite "$name"
        status=$?
        set -e
        case $status in
        0) verdict=MISSED ;;
        1) verdict=caught ;;
        *) verdict=NO-BUILD ;;
        esac
        printf '%-34s %-9s %s: %s\n' "$name" "$verdict" "$file" "$what"
        # Restore the file with a new time stamp, so the next build undoes the fault.
        cp "$work/original" "$src/$file"
        touch "$src/$file"
    done
}

# The first worker keeps the scratch tree of a run without --jobs.
worker_dir() {
    [ "$1" -eq 1 ] && echo "$scratch" || echo "$scratch/worker-$1"
}

# The selected faults, and their share for each worker (every jobs-th line).
selected=$scratch/selected.tsv
parse_lists "${lists[@]}" | while IFS=$'\t' read -r name rest; do
    if [ ${#only[@]} -eq 0 ] || [[ " ${only[*]} " == *" $name "* ]]; then
        printf '%s\t%s\n' "$name" "$rest"
    fi
done >"$selected"

echo "mutation-check: building and testing the unchanged sources${rev:+ of $rev}"
for k in $(seq 1 "$jobs"); do
    work=$(worker_dir "$k")
    prepare_copy
    if [ "$k" -eq 1 ] && ! run_suite; then
        echo "mutation-check: the unchanged sources do not build or pass; see $work" >&2
        exit 2
    fi
    if [ "$k" -gt 1 ] && ! build_copy; then
        echo "mutation-check: the unchanged sources do not build; see $work" >&2
        exit 2
    fi
done

results=$scratch/results.txt
: >"$results"
for k in $(seq 1 "$jobs"); do
    (
        work=$(worker_dir "$k")
        threads=$(((threads + jobs - 1) / jobs))
        awk -v k="$k" -v n="$jobs" 'NR % n == k % n' "$selected" | check_faults |
            tee -a "$results"
    ) &
done
wait

caught=$(grep -c '^[^ ]* *caught ' "$results" || true)
missed=$(grep -c '^[^ ]* *MISSED ' "$results" || true)
broken=$(grep -cE '^[^ ]* *(STALE|NO-BUILD) ' "$results" || true)
echo
echo "mutation-check${rev:+ at $rev}: $caught caught, $missed missed, $broken stale or not building"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
