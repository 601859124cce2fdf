#!/usr/bin/env bash
# Does the default thread count lose to one thread? Runs the headless viewer
# on each scene with the default thread count, with --threads 1 and with
# --threads 2 (every thread drawing every frame, which the default did before
# it learnt to draw a frame inline), taking turns in a new order each round,
# for as many minutes as asked, then prints each scene's median frame time
# each way and how many of the rounds the default beat one thread. Run it on the machine as it is (neighbours included):
# that is what it measures.
#
# Usage: tools/threads-study.sh [--build DIR] [--minutes N] [--out DIR] [SCENE_DIR ...]
#   --build DIR    build folder (default: build); the benchmark scenes are its bench-scenes
#   --minutes N    how long to keep taking turns (default 20)
#   --out DIR      the runs' reports and the table (default: DIR/threads-study)
#   SCENE_DIR      more scene folders (objects.scn inside), for example a model
#                  converted by "tarnconv scene"; 60 frames each
# The scenes: the demo (300 frames), and the benchmark scenes that exist
# (their timedemo flight).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
minutes=20
out=""
extra=()

usage_error() { echo "threads-study.sh: $1 (try --help)" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --build) [ $# -ge 2 ] || usage_error "missing value after $1"; build="$2"; shift 2 ;;
    --minutes) [ $# -ge 2 ] || usage_error "missing value after $1"; minutes="$2"; shift 2 ;;
    --out) [ $# -ge 2 ] || usage_error "missing value after $1"; out="$2"; shift 2 ;;
    -h|--help) sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) usage_error "unknown option $1" ;;
    *) [ -f "$1/objects.scn" ] || usage_error "no objects.scn in $1"; extra+=("$(cd "$1" && pwd)"); shift ;;
  esac
done
case "$minutes" in ''|*[!0-9]*|0) usage_error "--minutes wants a whole number from 1" ;; esac
build="$(cd "$build" 2>/dev/null && pwd)" || usage_error "no build folder $build"
viewer="$build/tarnview-headless"
[ -x "$viewer" ] || usage_error "$viewer is not built"
[ -n "$out" ] || out="$build/threads-study"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# name|folder|options
scenes=("demo|$root/examples/demo|--frames 300")
for size in 100k 1m 10k 1k; do
  dir="$build/bench-scenes/faces-$size"
  [ -f "$dir/objects.scn" ] && scenes+=("faces-$size|$dir|--frames 60 --script timedemo.txt")
done
for dir in "${extra[@]}"; do scenes+=("$(basename "$dir")|$dir|--frames 60"); done

runs="$out/runs.tsv"
printf 'round\tscene\tthreads\tavg_ms\n' >"$runs"
run_one() {  # round scene folder options threads
  local report="$out/$2-$5-$1.json" thread_args=()
  [ "$5" = default ] || thread_args=(--threads "$5")
  # shellcheck disable=SC2086  # the options are split into words on purpose
  (cd "$3" && "$viewer" $4 --no-calibrate --report "$report" "${thread_args[@]}" objects.scn >/dev/null)
  python3 -c 'import json,sys; print("%.4f" % (1000 * json.load(open(sys.argv[1]))["frame_time_s"]["avg"]))' \
    "$report" | sed "s/^/$1\t$2\t$5\t/" >>"$runs"
}
end=$(($(date +%s) + 60 * minutes))
round=0
while [ "$(date +%s)" -lt "$end" ]; do
  round=$((round + 1))
  echo "threads-study.sh: round $round ($(( (end - $(date +%s) + 59) / 60 )) min left)" >&2
  for entry in "${scenes[@]}"; do
    IFS='|' read -r name dir options <<<"$entry"
    case $((round % 3)) in 1) order="default 1 2" ;; 2) order="1 2 default" ;; *) order="2 default 1" ;; esac
    for threads in $order; do run_one "$round" "$name" "$dir" "$options" "$threads"; done
  done
done

python3 - "$runs" <<'PY' | tee "$out/table.md"
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1]), delimiter="\t"))
by = {}
for r in rows:
    by.setdefault(r["scene"], {}).setdefault(r["round"], {})[r["threads"]] = float(r["avg_ms"])
print("| scene | rounds | default ms | 1 thread ms | 2 threads ms | default / 1 thread | rounds the default beat 1 thread |")
print("|---|---|---|---|---|---|---|")
for scene, rounds in by.items():
    whole = [v for v in rounds.values() if all(k in v for k in ("default", "1", "2"))]
    if not whole:
        continue
    d, o, t = (statistics.median(v[k] for v in whole) for k in ("default", "1", "2"))
    won = sum(1 for v in whole if v["default"] < v["1"])
    print("| %s | %d | %.2f | %.2f | %.2f | %.2f | %d of %d |" % (scene, len(whole), d, o, t, d / o, won, len(whole)))
PY
