#!/usr/bin/env bash
# Plays the session of scripts/fault-sweep.txt in kestrel3d built with ASan and UBSan, once
# for every call N the session makes into the 3D layers, with KESTREL_FAIL_CALL=N. Each run
# must end with exit 0 or 1 within 20 s, with no sanitizer report or leak, and every
# "Direct3D Error" box must show a text that "errorlog.txt" holds, line for line.
#   scripts/fault-sweep.sh [--build DIR] [--step S] [--from N] [--to N] [--jobs J]
# --step S runs every S-th call only (CI); the default is every call. Prints one line per
# failed run (its folder is kept as /tmp/kestrel-sweep-fail-N) and a summary, writes every
# run's line to DIR/fault-sweep-results.txt, and exits 1 when any run failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-asan step=1 from=1 to=0 jobs=$(nproc)
while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2 ;;
    --step) step=$2 ;;
    --from) from=$2 ;;
    --to) to=$2 ;;
    --jobs) jobs=$2 ;;
    *) echo "usage: $0 [--build DIR] [--step S] [--from N] [--to N] [--jobs J]" >&2; exit 2 ;;
    esac
    shift 2
done
if [ ! -x "$build/bin/kestrel3d" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON >/dev/null
    cmake --build "$build" -j "$(nproc)" --target kestrel3d examples
fi

work=$(mktemp -d /tmp/kestrel-sweep.XXXXXX)
trap 'rm -rf "$work"' EXIT
export SWEEP_WORK=$work SWEEP_PROGRAM=$root/$build/bin/kestrel3d
export SWEEP_EXAMPLES=$root/$build/examples SWEEP_SESSION=$root/scripts/fault-sweep.txt
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# Distinct exit codes, so that a report can never pass for the exit 1 of a failed start-up.
export ASAN_OPTIONS=detect_leaks=1:exitcode=86
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=87

# One run with call $1 failing; prints "N ok KIND" or "N FAIL why". KIND names what showed
# the failure: checked (a "Direct3D Error" box), message ("D3DRM Example Message"), step
# ("Direct 3D Error"), other-box (a file message such as a texture that did not load), none
# (a call whose result the program ignores by design, such as SetCooperativeLevel).
run_one() {
    local n=$1 dir=$SWEEP_WORK/$1
    mkdir -p "$dir"
    for example in "$SWEEP_EXAMPLES"/*/; do
        mkdir -p "$dir/$(basename "$example")"
        ln -s "$example"* "$dir/$(basename "$example")/"
    done
    local rc=0
    (cd "$dir" && KESTREL_FAIL_CALL=$n timeout -k 5 20 "$SWEEP_PROGRAM" --seed 3 \
        --tick-step 500 --script "$SWEEP_SESSION" >out.txt 2>err.txt) || rc=$?
    local why=""
    if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
        why="hung over 20 s"
    elif grep -qE "Sanitizer|runtime error:" "$dir/err.txt"; then
        why="sanitizer: $(grep -m1 -E "SUMMARY|runtime error:" "$dir/err.txt")"
    elif [ $rc -ne 0 ] && [ $rc -ne 1 ]; then
        why="exit $rc"
    fi
    # The boxes' texts and the log's lines, in order (the log is per folder: sort both).
    grep '^box Direct3D Error ' "$dir/out.txt" | sed 's/^box Direct3D Error [^:]*: //' |
        sort >"$dir/boxes.txt" || true
    find "$dir" -name errorlog.txt -exec cat {} + | sort >"$dir/logged.txt"
    if [ -z "$why" ] && ! cmp -s "$dir/boxes.txt" "$dir/logged.txt"; then
        why="boxes and errorlog.txt differ: $(diff "$dir/boxes.txt" "$dir/logged.txt" | head -3 |
            tr '\n' ' ')"
    fi
    if [ -z "$why" ] && grep '^box Direct3D Error ' "$dir/out.txt" |
        grep -qv '^box Direct3D Error -2147467259: '; then
        why="a Direct3D Error box without the failure's code"
    fi
    if [ -n "$why" ]; then
        echo "$n FAIL $why"
        cp -r "$dir" "$SWEEP_WORK/../kestrel-sweep-fail-$n"
    elif [ -s "$dir/boxes.txt" ]; then
        echo "$n ok checked"
    elif grep -q '^box D3DRM Example Message' "$dir/out.txt"; then
        echo "$n ok message"
    elif grep -q '^box Direct 3D Error' "$dir/out.txt"; then
        echo "$n ok step"
    elif grep -q '^box ' "$dir/out.txt"; then
        echo "$n ok other-box"
    else
        echo "$n ok none"
    fi
    rm -rf "$dir"
}
export -f run_one

# The number of calls: a run whose chosen call is never reached says how many it made.
mkdir -p "$work/count"
(cd "$work/count" && for example in "$SWEEP_EXAMPLES"/*/; do
    mkdir -p "$(basename "$example")" && ln -s "$example"* "$(basename "$example")/"
done && KESTREL_FAIL_CALL=1000000000 "$SWEEP_PROGRAM" --seed 3 --tick-step 500 \
    --script "$SWEEP_SESSION" >out.txt 2>err.txt) || true
calls=$(sed -n 's/.*the run made \([0-9]*\) calls.*/\1/p' "$work/count/err.txt")
if [ -z "$calls" ] || grep -q '^box ' "$work/count/out.txt"; then
    echo "$0: the session does not run cleanly without a failure:" >&2
    cat "$work/count/out.txt" "$work/count/err.txt" >&2
    exit 1
fi
[ "$to" -gt 0 ] && [ "$to" -lt "$calls" ] || to=$calls
echo "The session makes $calls calls; failing calls $from to $to, every ${step}th."

seq "$from" "$step" "$to" | xargs -P "$jobs" -I{} bash -c 'run_one {}' >"$work/results.txt"
sort -n "$work/results.txt" >"$build/fault-sweep-results.txt"
grep ' FAIL ' "$build/fault-sweep-results.txt" || true
runs=$(wc -l <"$work/results.txt")
failed=$(grep -c ' FAIL ' "$work/results.txt" || true)
echo "$runs runs, $failed failed; shown by: $(awk '$2 == "ok" {print $3}' "$work/results.txt" |
    sort | uniq -c | awk '{printf "%s %s, ", $2, $1}')"
[ "$failed" -eq 0 ]
