#!/usr/bin/env bash
# Builds the fuzz targets with clang under ASan and UBSan into build-fuzz/ (or $FUZZ_BUILD) and
# runs one of them for SECONDS; further arguments go to libFuzzer (e.g. -jobs=2 -workers=2).
# The corpus grows in build-fuzz/corpus/TARGET from the examples' files; anything found is
# written to build-fuzz/findings/ and the script fails.
#   scripts/fuzz.sh machine_file|bitmap|wav|script SECONDS [libFuzzer options]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
    echo "usage: $0 machine_file|bitmap|wav|script SECONDS [libFuzzer options]" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2
dir=${FUZZ_BUILD:-build-fuzz}
seeds=(examples "$dir/examples")
# The examples' pictures and sounds run to a megabyte; cut short they still seed the headers.
options=()
case $target in
machine_file) pattern='*.slt' ;;
bitmap) pattern='*.bmp' options=(-max_len=16384) ;;
wav) pattern='*.wav' options=(-max_len=4096) ;;
script) pattern='*.txt' seeds=(tests/shell/smoke.txt scripts/fault-sweep.txt) ;;
*) echo "$0: unknown target '$target'" >&2; exit 2 ;;
esac

./scripts/install-deps.sh clang libclang-rt-14-dev
# -O1 keeps every check and runs about four times as many inputs a second as -O0.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" -DCMAKE_CXX_COMPILER=clang++ \
    -DKESTREL_FUZZ=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target "fuzz_$target" examples

corpus=$dir/corpus/$target
mkdir -p "$corpus" "$dir/findings"
if [ -z "$(ls -A "$corpus")" ]; then
    # Seeds: the machine files with their generated pictures and sounds, and the scripts.
    find "${seeds[@]}" -name "$pattern" \
        -exec cp {} "$corpus/" \;
    [ "$target" != bitmap ] || python3 tests/fuzz/bitmap_seeds.py "$corpus"
fi
dict=()
[ -f "tests/fuzz/$target.dict" ] && dict=(-dict="tests/fuzz/$target.dict")

export SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
# SDL reserves what a WAV chunk declares before reading it; the sanitizer's allocator fills such
# a reservation page by page, so a few bytes declaring a gigabyte took a tenth of a second. Past
# 24 MiB (libFuzzer's own buffers take 20) an allocation fails instead, as it would on a machine
# short of memory; no 4 KiB input converts to more than a few megabytes, so only such claims fail.
[ "$target" != wav ] || ASAN_OPTIONS=$ASAN_OPTIONS:allocator_may_return_null=1:max_allocation_size_mb=24
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# -rss_limit_mb: the decoders may rightly take a large picture or sound; a real leak still shows.
exec "$dir/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$target-" "${dict[@]}" "${options[@]}" "$@" "$corpus"
