#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${TARNVIEW_BUILD_DIR:-$root/build}"
jobs="${TARNVIEW_JOBS:-$(nproc)}"

"$root/tools/setup-deps.sh" "$@"
cmake -S "$root" -B "$build" -G Ninja
ninja -C "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
