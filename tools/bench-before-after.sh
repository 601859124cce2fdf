#!/usr/bin/env bash
# Runs the benchmark suite with two builds on the same scenes, one after the
# other, and prints each run's median frame time side by side with the ratio
# after / before (below 1: the current build is faster).
#
# Usage: tools/bench-before-after.sh --baseline BUILD_DIR [--build DIR] [--out DIR] [TARNBENCH OPTIONS]
#   --baseline DIR  build folder of the "before" tree (for example a checkout of an
#                   earlier revision, configured and built with its own tarnbench)
#   --build DIR     build folder of this tree (default: build)
#   --out DIR       results (default: DIR/bench-before-after): before/ and after/ hold each
#                   suite's results.json and results.csv, ratios.md the table
# Any other option goes to both suites unchanged, e.g. --sizes 100000,1000000
# --settings "all on" --frames 60 --no-trace. Both suites read the scenes that this
# build generates (build/bench-scenes), so they draw exactly the same frames.
# Run it on a quiet machine: other work moves frame times by 10 to 20 percent.
# The table is followed by `tarnbench compare` (this build's) on the two results,
# which judges each change against the noise of the per-frame times.
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
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
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
  [ -x "$dir/tarnbench" ] || usage_error "$dir/tarnbench is missing (configure that build first)"
  targets=(tarnview-headless benchgen glide-replay)
  if ninja -C "$dir" -t targets all 2>/dev/null | grep '^tarnbench-runner:' >/dev/null; then
    targets+=(tarnbench-runner)
  fi
  ninja -C "$dir" "${targets[@]}" >/dev/null
done

scenes="$build/bench-scenes"
echo "bench-before-after.sh: before ($baseline), load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$baseline/tarnbench" --scenes "$scenes" --out "$out/before" "${pass[@]}"
echo "bench-before-after.sh: after ($build), load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$build/tarnbench" --scenes "$scenes" --out "$out/after" "${pass[@]}"

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

echo
status=0
"$build/tarnbench" compare "$out/before/results.json" "$out/after/results.json" || status=$?
case $status in
  0|3) ;;
  *) echo "bench-before-after.sh: tarnbench compare could not judge these results (status $status)" >&2 ;;
esac
