#!/usr/bin/env bash
# The main job: installs what is missing, builds, and benchmarks the bundled
# demo scene headless, printing the performance report and writing
# out/demo-report.json and out/demo.png.
# Extra arguments go to tarnview-headless (e.g. --frames 600 --no-calibrate).
# TARNVIEW_BUILD_DIR chooses the build folder (default build/), TARNVIEW_JOBS
# the number of parallel build jobs (default: the processor count).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TARNVIEW_BUILD_DIR:-$root/build}"
jobs="${TARNVIEW_JOBS:-$(nproc)}"
out="$root/out"

"$root/tools/setup-deps.sh"
cmake -S "$root" -B "$build" -G Ninja
ninja -C "$build" -j "$jobs" tarnview tarnview-headless

mkdir -p "$out"
cd "$root/examples/demo"
"$build/tarnview-headless" --frames 300 --report "$out/demo-report.json" --screenshot "$out/demo.png" "$@" objects.scn
echo "report: $out/demo-report.json"
echo "screenshot: $out/demo.png"
