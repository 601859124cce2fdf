#!/usr/bin/env bash
# Runs the benchmark suite with two builds on the same scenes, taking turns
# (tarnbench --baseline: before, after, after, before, ... each scene and
# setting --repeat times, 5 unless given), prints each run's median frame
# time side by side with the ratio after / before (below 1: the current
# build is faster), then tarnbench compare's judgement of the paired runs.
#
# Usage: tools/bench-before-after.sh --baseline BUILD_DIR [--build DIR] [--out DIR] [TARNBENCH OPTIONS]
#   --baseline DIR  build folder of the "before" tree (for example a checkout of an
#                   earlier revision, configured and built)
#   --build DIR     build folder of this tree (default: build)
#   --out DIR       results (default: DIR/bench-before-after): before/ and after/ hold each
#                   build's results.json and results.csv, compare.json the judgement,
#                   ratios.md the table of medians
# Any other option goes to tarnbench unchanged, e.g. --sizes 100000,1000000
# --settings "all on" --frames 60 --repeat 9. Both builds read the scenes that this
# build generates (build/bench-scenes), so they draw exactly the same frames.
# Exit status: tarnbench compare's (0; 3 slower; 4 inconclusive), 1 when a run failed.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
baseline=""
out=""
pass=()

usage_error() { echo "bench-before-after.sh: $1 (try --help)" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --baseline) [ $# -ge 2 ] || usage_error "missing value after $1"; baseline="$2"; shift 2 ;;
    --build) [ $# -ge 2 ] || usage_error "missing value after $1"; build="$2"; shift 2 ;;
    --out) [ $# -ge 2 ] || usage_error "missing value after $1"; out="$2"; shift 2 ;;
    --scenes) usage_error "the scenes are this build's bench-scenes folder" ;;
    -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) pass+=("$1"); shift ;;
  esac
done
[ -n "$baseline" ] || usage_error "--baseline BUILD_DIR is required"
build="$(cd "$build" 2>/dev/null && pwd)" || usage_error "no build folder $build"
baseline="$(cd "$baseline" 2>/dev/null && pwd)" || usage_error "no baseline build folder $baseline"
[ -n "$out" ] || out="$build/bench-before-after"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

for dir in "$baseline" "$build"; do
  [ -f "$dir/tarnbench_build.json" ] || usage_error "$dir is not a configured build folder (no tarnbench_build.json)"
  targets=(tarnview-headless benchgen glide-replay)
  if ninja -C "$dir" -t targets all 2>/dev/null | grep '^tarnbench-runner:' >/dev/null; then
    targets+=(tarnbench-runner)
  fi
  ninja -C "$dir" "${targets[@]}" >/dev/null
done

echo "bench-before-after.sh: before ($baseline) and after ($build) in turns, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
status=0
"$build/tarnbench" --baseline "$baseline" --out "$out" "${pass[@]}" || status=$?
[ -f "$out/after/results.csv" ] || exit "$status"

echo
python3 - "$out/before/results.csv" "$out/after/results.csv" <<'EOF' | tee "$out/ratios.md"
import csv, sys

def read(path):
    with open(path, newline="", encoding="utf-8") as f:
        return list(csv.DictReader(f))

def ms(row):
    for field in ("ms_median", "ms_mean"):
        try:
            return float(row.get(field) or "")
        except ValueError:
            pass
    return None

# A build without worker threads has no threads column: its runs stand for
# every thread count of the other.
before = {(r["scene"], r["setting"], r.get("threads") or ""): ms(r) for r in read(sys.argv[1])}
print("Median ms/frame; ratio = after / before (below 1: faster).\n")
print("| scene | setting | threads | before | after | ratio |")
print("|---|---|---|---|---|---|")
for r in read(sys.argv[2]):
    threads = r.get("threads") or ""
    b = before.get((r["scene"], r["setting"], threads), before.get((r["scene"], r["setting"], "")))
    a = ms(r)
    cell = lambda v: "%.2f" % v if v is not None else "failed"
    ratio = "%.2f" % (a / b) if a is not None and b else ""
    print("| %s | %s | %s | %s | %s | %s |" % (r["scene"], r["setting"], threads, cell(b), cell(a), ratio))
EOF
exit "$status"
