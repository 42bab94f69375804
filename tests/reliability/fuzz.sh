#!/bin/sh
# Builds the libFuzzer targets with clang, replays the seed corpus in tests/fuzz/<target>/ and
# then runs each target for a while (FUZZ_SECONDS, default 25). New inputs go to a scratch
# folder, never into the repository. Prints one "fuzz: <target> <runs> runs in <s> s" line
# per target; exits non-zero on the first crash, leak or undefined behaviour.
#   tests/reliability/fuzz.sh [BUILD_DIR]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-25}
compiler=${FUZZ_CXX:-clang++}
if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "fuzz: $compiler not found, fuzzing skipped"
    exit 0
fi
cmake -S "$root/tests/reliability/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
      -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$build"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
for name in list_line checksum_line http_reply ini mask; do
    corpus=$root/tests/fuzz/$name
    # Every seed once: a crash that a seed already shows fails here, named.
    "$build/fuzz_$name" -runs=0 "$corpus" >"$scratch/$name.replay" 2>&1 ||
        { cat "$scratch/$name.replay"; exit 1; }
    mkdir -p "$scratch/$name"
    "$build/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$scratch/" "$scratch/$name" "$corpus" \
        >"$scratch/$name.log" 2>&1 || { tail -n 60 "$scratch/$name.log"; exit 1; }
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$name.log")
    echo "fuzz: $name $runs runs in $seconds s, no crash, leak or undefined behaviour"
done
