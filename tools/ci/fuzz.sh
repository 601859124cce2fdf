#!/bin/sh
# Builds the fuzz targets with clang and runs each one that has a seed corpus
# in fuzz/corpus/<name>/ for a bounded time (FUZZ_SECONDS, default 45) on a
# copy of that corpus.
# Exits non-zero when a target crashes, reports a sanitizer error or hangs;
# the input that did it is kept in the build folder as <target>-crash-*.
#
#   tools/ci/fuzz.sh [build-folder]     (default: build-fuzz)
set -eu

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$root/build-fuzz"}
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
seconds=${FUZZ_SECONDS:-45}
jobs=${FUZZ_BUILD_JOBS:-2}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DTARNVIEW_FUZZ=ON -DTARNVIEW_BUILD_BENCHMARKS=OFF >/dev/null
targets=""
for corpus in "$root"/fuzz/corpus/*/; do
    targets="$targets $(basename "$corpus")"
done
# shellcheck disable=SC2086
ninja -C "$build" -j"$jobs" $(for t in $targets; do printf 'fuzz_%s ' "$t"; done)

status=0
for target in $targets; do
    # Paths are absolute: the targets work in a scratch folder of their own.
    work="$build/fuzz/work-$target"
    rm -rf "$work"
    mkdir -p "$work"
    cp "$root/fuzz/corpus/$target/"* "$work/"
    echo "== fuzz_$target for ${seconds}s"
    if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$build/fuzz/$target-" -print_final_stats=1 "$work" </dev/null \
            >"$build/fuzz/$target.log" 2>&1; then
        echo "fuzz_$target FAILED; last lines of $build/fuzz/$target.log:"
        tail -n 40 "$build/fuzz/$target.log"
        status=1
    else
        grep -E "^(stat::number_of_executed_units|Done)" "$build/fuzz/$target.log" || true
    fi
done
exit $status
