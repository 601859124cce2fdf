#!/usr/bin/env bash
# Side-by-side comparison of the software device with Mesa's llvmpipe on the
# same work (bench/vs_llvmpipe.cpp and bench/llvmpipe/llvmpipe_bench.c), in
# one run, with 1 and with 2 threads; prints a Markdown table.
#
# Usage: tools/vs-llvmpipe.sh [--build DIR] [--baseline BUILD_DIR] [--isa NAME] [--repeat N] [--out DIR]
#   --build DIR        build folder of this tree (default: build); vs_llvmpipe is built there
#   --baseline DIR     also run the device of another tree's build folder (for example a
#                      checkout from before a change), compiled from this tree's
#                      bench/vs_llvmpipe.cpp against that build's src/glide/libglide.a
#   --isa NAME         pixel instruction set of this tree's device (default: the best)
#   --repeat N         run every program N times, taking turns, and keep each work's
#                      median run (default 1; for an even N the slower of the two
#                      middle runs), so that neither a minute of a neighbour's load
#                      nor a minute of unusual speed decides the ratio
#   --out DIR          where the programs' outputs and the table go (default: DIR/vs-llvmpipe)
# The llvmpipe side needs Mesa's EGL and GL (Debian: libegl-dev libgl-dev libegl-mesa0
# libgl1-mesa-dri); run as root the script installs them when missing, otherwise it
# leaves llvmpipe's columns empty. Nothing else in the project needs them.
# Ratio = llvmpipe's ms/frame / the device's: above 1 the device is faster.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
baseline=""
isa=""
repeat=1
out=""

usage_error() { echo "vs-llvmpipe.sh: $1 (try --help)" >&2; exit 2; }
while [ $# -gt 0 ]; do
  case "$1" in
    --build) [ $# -ge 2 ] || usage_error "missing value after $1"; build="$2"; shift 2 ;;
    --baseline) [ $# -ge 2 ] || usage_error "missing value after $1"; baseline="$2"; shift 2 ;;
    --isa) [ $# -ge 2 ] || usage_error "missing value after $1"; isa="$2"; shift 2 ;;
    --out) [ $# -ge 2 ] || usage_error "missing value after $1"; out="$2"; shift 2 ;;
    --repeat) [ $# -ge 2 ] || usage_error "missing value after $1"; repeat="$2"; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) usage_error "unknown option $1" ;;
  esac
done
case "$repeat" in ''|*[!0-9]*|0) usage_error "--repeat wants a whole number from 1" ;; esac
build="$(cd "$build" 2>/dev/null && pwd)" || usage_error "no build folder $build (configure it first)"
[ -n "$out" ] || out="$build/vs-llvmpipe"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# ---- build ----------------------------------------------------------------
ninja -C "$build" vs_llvmpipe >/dev/null
device="$build/bench/vs_llvmpipe"

baseline_device=""
if [ -n "$baseline" ]; then
  baseline="$(cd "$baseline" 2>/dev/null && pwd)" || usage_error "no baseline build folder $baseline"
  baseline_src="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$baseline/CMakeCache.txt" 2>/dev/null || true)"
  [ -n "$baseline_src" ] || usage_error "$baseline is not a configured build folder"
  ninja -C "$baseline" glide >/dev/null
  baseline_device="$out/vs_llvmpipe-baseline"
  g++ -std=c++20 -O2 -ffp-contract=off -DTARNVIEW_BASELINE -I"$baseline_src/src/glide/include" \
    -o "$baseline_device" "$root/bench/vs_llvmpipe.cpp" "$baseline/src/glide/libglide.a" \
    $(pkg-config --libs stb) -lpthread
fi

have_mesa() {
  [ -f /usr/include/EGL/egl.h ] && [ -f /usr/include/GL/gl.h ] &&
    [ "$(dpkg-query -W -f='${Status}\n' libegl-mesa0 libgl1-mesa-dri 2>/dev/null |
      grep -c 'install ok installed')" = 2 ]
}
llvmpipe=""
if ! have_mesa && [ "$(id -u)" -eq 0 ]; then
  echo "vs-llvmpipe.sh: installing Mesa's EGL and GL for the llvmpipe side" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri >/dev/null || true
fi
if have_mesa; then
  llvmpipe="$out/llvmpipe_bench"
  gcc -O2 -o "$llvmpipe" "$root/bench/llvmpipe/llvmpipe_bench.c" -lEGL -lGL
else
  echo "vs-llvmpipe.sh: Mesa's EGL/GL development files are missing: llvmpipe's columns stay empty" >&2
fi

# ---- run, all in one go ------------------------------------------------------
isa_args=()
[ -z "$isa" ] || isa_args=(--isa "$isa")
load_before="$(cut -d' ' -f1-3 /proc/loadavg)"
for run in $(seq "$repeat"); do
  for threads in 1 2; do
    echo "vs-llvmpipe.sh: run $run of $repeat: device, $threads thread(s)" >&2
    "$device" --threads "$threads" "${isa_args[@]}" | tee "$out/device-${threads}t.run$run.txt" >&2
    if [ -n "$llvmpipe" ]; then
      echo "vs-llvmpipe.sh: run $run of $repeat: llvmpipe, $threads thread(s)" >&2
      LP_NUM_THREADS=$threads "$llvmpipe" | tee "$out/llvmpipe-${threads}t.run$run.txt" >&2
    else
      : >"$out/llvmpipe-${threads}t.run$run.txt"
    fi
  done
  if [ -n "$baseline_device" ]; then
    echo "vs-llvmpipe.sh: run $run of $repeat: baseline device" >&2
    "$baseline_device" | tee "$out/baseline.run$run.txt" >&2
  fi
done
load_after="$(cut -d' ' -f1-3 /proc/loadavg)"

# Each work's median run (the runs' lines in the programs' own format); for an
# even number of runs, the slower of the two middle ones.
median_run() {
  awk '/ ms\/frame / {
         label = substr($0, 1, 34); line = $0; sub(/ ms\/frame.*/, "", line); n = split(line, f, " ")
         if (!(label in count)) order[++works] = label
         k = ++count[label]; value[label, k] = f[n] + 0; text[label, k] = $0
         next }
       !(FNR == NR && FILENAME == ARGV[1]) { next }
       { header[++headers] = $0 }
       END { for (i = 1; i <= headers; i++) print header[i]
             for (i = 1; i <= works; i++) {
               l = order[i]; m = count[l]
               for (a = 1; a <= m; a++) rank[a] = a
               for (a = 2; a <= m; a++)            # insertion sort of the runs by time
                 for (b = a; b > 1 && value[l, rank[b]] < value[l, rank[b - 1]]; b--) {
                   t = rank[b]; rank[b] = rank[b - 1]; rank[b - 1] = t }
               print text[l, rank[int(m / 2) + 1]] } }' "$@"
}
for name in device-1t device-2t llvmpipe-1t llvmpipe-2t baseline; do
  files=()
  for run in $(seq "$repeat"); do
    [ -f "$out/$name.run$run.txt" ] && files+=("$out/$name.run$run.txt")
  done
  [ ${#files[@]} -gt 0 ] && median_run "${files[@]}" >"$out/$name.txt"
done

# ---- table -------------------------------------------------------------------
# Each program prints "<label padded to 34> <tris> tris/frame <ms> ms/frame ...".
{
  echo "640x480, ms/frame (the median of $repeat run(s) each); ratio = llvmpipe / device (above 1: the device is faster)."
  echo "$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), $(nproc) hardware threads;" \
    "load average $load_before before, $load_after after; $(date -u '+%Y-%m-%d %H:%M UTC')"
  grep -h -m1 '^DEVICE:' "$out/device-1t.txt" | sed 's/^DEVICE: /device: /' || true
  grep -h -m1 '^GL_RENDERER:' "$out/llvmpipe-1t.txt" || true
  echo
  awk -v withBaseline="${baseline_device:+1}" '
    function ms(line) { sub(/ ms\/frame.*/, "", line); n = split(line, f, " "); return f[n] }
    BEGIN { for (i = 1; i < ARGC; i++) index_of[ARGV[i]] = i }
    FNR == 1 { file = index_of[FILENAME] }
    / ms\/frame / {
      label = substr($0, 1, 34); sub(/ +$/, "", label)
      if (!(label in seen)) { seen[label] = 1; order[++works] = label }
      value[file, label] = ms($0)
    }
    function cell(f, l) { return ((f, l) in value) ? value[f, l] : "" }
    function ratio(llvm, dev) { return (llvm != "" && dev != "" && dev > 0) ? sprintf("%.2fx", llvm / dev) : "" }
    END {
      # files: 1 device 1t, 2 llvmpipe 1t, 3 device 2t, 4 llvmpipe 2t, 5 baseline
      head = "| work |"; rule = "|---|"
      if (withBaseline) { head = head " baseline device |"; rule = rule "---|" }
      print head " device 1t | llvmpipe 1t | ratio | device 2t | llvmpipe 2t | ratio |"
      print rule "---|---|---|---|---|---|"
      for (i = 1; i <= works; i++) {
        l = order[i]; row = "| " l " |"
        if (withBaseline) row = row " " cell(5, l) " |"
        row = row " " cell(1, l) " | " cell(2, l) " | " ratio(cell(2, l), cell(1, l)) " |"
        row = row " " cell(3, l) " | " cell(4, l) " | " ratio(cell(4, l), cell(3, l)) " |"
        print row
      }
    }' "$out/device-1t.txt" "$out/llvmpipe-1t.txt" "$out/device-2t.txt" "$out/llvmpipe-2t.txt" \
    ${baseline_device:+"$out/baseline.txt"}
} | tee "$out/table.md"
