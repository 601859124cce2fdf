#!/usr/bin/env bash
# Runs the device's micro-benchmarks (bench/glide_raster.cpp) built against two
# device libraries, one after the other, and prints Mpixels/s and Mtriangles/s
# side by side with the speed-up after / before.
#
# Usage: tools/raster-before-after.sh --baseline BUILD_DIR [--build DIR] [--out DIR] [BENCHMARK OPTIONS]
#   --baseline DIR  build folder of the "before" tree (its src/glide/libglide.a is built
#                   there); this tree's bench/glide_raster.cpp is compiled against it with
#                   TARNVIEW_BASELINE, which registers the one-thread runs only
#   --build DIR     build folder of this tree (default: build)
#   --out DIR       results (default: DIR/raster-before-after)
# Other options go to both programs, e.g. --benchmark_filter=Textured
# --benchmark_min_time=0.2. Every run of this build is set against the baseline's
# one-thread run of the same case. Run it on a quiet machine.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
baseline=""
out=""
pass=()

usage_error() { echo "raster-before-after.sh: $1 (try --help)" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --baseline) [ $# -ge 2 ] || usage_error "missing value after $1"; baseline="$2"; shift 2 ;;
    --build) [ $# -ge 2 ] || usage_error "missing value after $1"; build="$2"; shift 2 ;;
    --out) [ $# -ge 2 ] || usage_error "missing value after $1"; out="$2"; shift 2 ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) pass+=("$1"); shift ;;
  esac
done
[ -n "$baseline" ] || usage_error "--baseline BUILD_DIR is required"
build="$(cd "$build" 2>/dev/null && pwd)" || usage_error "no build folder $build"
baseline="$(cd "$baseline" 2>/dev/null && pwd)" || usage_error "no baseline build folder $baseline"
baseline_src="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$baseline/CMakeCache.txt" 2>/dev/null || true)"
[ -n "$baseline_src" ] || usage_error "$baseline is not a configured build folder"
[ -n "$out" ] || out="$build/raster-before-after"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

ninja -C "$build" bench_glide_raster >/dev/null
ninja -C "$baseline" glide >/dev/null
g++ -std=c++20 -O2 -g -DNDEBUG -ffp-contract=off -DTARNVIEW_BASELINE -I"$baseline_src/src/glide/include" \
  -o "$out/bench_glide_raster-baseline" "$root/bench/glide_raster.cpp" "$baseline/src/glide/libglide.a" \
  $(pkg-config --libs stb) -lbenchmark -lpthread

echo "raster-before-after.sh: before, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$out/bench_glide_raster-baseline" --benchmark_out="$out/before.json" --benchmark_out_format=json "${pass[@]}" >&2
echo "raster-before-after.sh: after, load $(cut -d' ' -f1-3 /proc/loadavg)" >&2
"$build/bench/bench_glide_raster" --benchmark_out="$out/after.json" --benchmark_out_format=json "${pass[@]}" >&2

python3 - "$out/before.json" "$out/after.json" <<'EOF' | tee "$out/speed-up.md"
import json, re, sys

def runs(path):
    with open(path, encoding="utf-8") as f:
        return [b for b in json.load(f)["benchmarks"] if b.get("run_type", "iteration") == "iteration"]

def case(name):
    return re.sub(r"/threads:\d+", "", name)

def rate(run, counter):
    value = run.get(counter)
    return "%.4g" % value if isinstance(value, (int, float)) else ""

before = {case(b["name"]): b for b in runs(sys.argv[1])}
print("Mpixels/s and Mtriangles/s (wall clock); speed-up = after / before, against the one-thread run before.\n")
print("| case | threads | Mpix/s before | Mpix/s after | Mtri/s before | Mtri/s after | speed-up |")
print("|---|---|---|---|---|---|---|")
for a in runs(sys.argv[2]):
    threads = re.search(r"/threads:(\d+)", a["name"])
    b = before.get(case(a["name"]))
    speed = ""
    if b and a.get("real_time"):
        speed = "%.2fx" % (b["real_time"] / a["real_time"])
    print("| %s | %s | %s | %s | %s | %s | %s |" % (
        case(a["name"]).replace("/real_time", ""), threads.group(1) if threads else "1",
        rate(b, "Mpixels/s") if b else "", rate(a, "Mpixels/s"),
        rate(b, "Mtriangles/s") if b else "", rate(a, "Mtriangles/s"), speed))
EOF
