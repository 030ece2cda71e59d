#!/usr/bin/env bash
# The long fuzzing run. First the seeded event fuzzer (tests/fuzz), built like the native tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, runs `events` events in all, spread over
# seeds that run side by side; then the libFuzzer target over the same events, built with clang,
# runs for FUZZ_SECONDS seconds.
#
#     scripts/fuzz.sh [events [first seed]]        (default: 1000000 events from seed 1)
#
# Environment: FUZZ_JOBS seeds at once (all processors), FUZZ_SEEDS how many seeds share the
# events (4 per job), FUZZ_SECONDS the libFuzzer time (120; 0 skips it), FUZZ_BUILD and
# FUZZ_CLANG_BUILD the build folders (build/native, build/fuzz-clang). A failing seed prints its
# last events; `event_fuzz --seed N --events M --trace` replays it.
set -uo pipefail
cd "$(dirname "$0")/.."
events=${1:-1000000}
first=${2:-1}
jobs=${FUZZ_JOBS:-$(nproc)}
seeds=${FUZZ_SEEDS:-$((4 * jobs))}
seconds=${FUZZ_SECONDS:-120}
native=${FUZZ_BUILD:-build/native}
clangBuild=${FUZZ_CLANG_BUILD:-build/fuzz-clang}

# Only the libFuzzer target needs clang and its runtime.
scripts/install-deps.sh clang libclang-rt-14-dev || exit 1

echo "==== Building the event fuzzer in $native"
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$native" --target event_fuzz -j"$jobs" || exit 1

echo "==== $events events over $seeds seeds from seed $first, $jobs at a time"
logs=$(mktemp -d)
per=$(((events + seeds - 1) / seeds))
start=$(date +%s)
seq "$first" $((first + seeds - 1)) |
    xargs -P "$jobs" -I{} sh -c "'$native/event_fuzz' --seed {} --events $per >'$logs/{}.log' 2>&1; \
        grep -m 1 '^seed' '$logs/{}.log'"
status=0
total=0
for log in "$logs"/*.log; do
    if grep -q "no failure" "$log"; then
        total=$((total + $(grep -o '[0-9]* events' "$log" | head -n 1 | cut -d' ' -f1)))
    else
        status=1
        echo "---- $(basename "$log" .log) failed:"
        cat "$log"
    fi
done
rm -rf "$logs"
echo "event fuzzer: $total events without failure in $(($(date +%s) - start)) s"
[ $status -eq 0 ] || exit 1

[ "$seconds" -gt 0 ] || exit 0
echo "==== Building the libFuzzer target in $clangBuild"
CC=clang CXX=clang++ cmake -S . -B "$clangBuild" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVEDIT_LIBFUZZER=ON >/dev/null &&
    cmake --build "$clangBuild" --target event_libfuzzer -j"$jobs" || exit 1
echo "==== libFuzzer for $seconds s (corpus and crashes in $clangBuild/fuzz)"
mkdir -p "$clangBuild/fuzz/corpus"
here=$(pwd)
"$clangBuild/event_libfuzzer" -max_total_time="$seconds" -max_len=4096 -len_control=0 \
    -print_final_stats=1 -artifact_prefix="$here/$clangBuild/fuzz/" \
    "$here/$clangBuild/fuzz/corpus"
