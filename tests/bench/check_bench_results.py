"""Checks the files a tarnbench run wrote; used by tarnbench_test.cpp.

usage: check_bench_results.py RESULTS_DIR EXPECTED_RUNS EXPECT_SPLIT(0|1)
Prints what is wrong and exits 1, or exits 0.
"""
import csv
import json
import math
import os
import statistics
import sys


def main():
    out, runs_wanted, split_wanted = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
    problems = []
    with open(os.path.join(out, "results.json"), encoding="utf-8") as f:
        results = json.load(f, parse_constant=lambda c: problems.append("results.json holds " + c))
    machine, build = results["machine"], results["build"]
    if not machine.get("processor") or not isinstance(machine.get("logical_cores"), int):
        problems.append("machine lacks processor or cores: %r" % machine)
    for key in ("compiler", "cxx_flags", "git_revision", "build_type"):
        if not build.get(key):
            problems.append("build lacks " + key)
    runs = results["runs"]
    if len(runs) != runs_wanted:
        problems.append("%d runs, expected %d" % (len(runs), runs_wanted))
    for r in runs:
        if "error" in r:
            problems.append("run %s/%s failed: %s" % (r["scene"], r["setting"], r["error"]))
            continue
        for key in ("fps", "ms_min", "ms_median", "ms_max", "mtriangles_per_s", "mpixels_per_s"):
            if not isinstance(r.get(key), (int, float)) or r[key] <= 0:
                problems.append("run %s/%s: bad %s %r" % (r["scene"], r["setting"], key, r.get(key)))
        if not r.get("ms_min", 0) <= r.get("ms_median", 0) <= r.get("ms_max", 0):
            problems.append("run %s/%s: min <= median <= max does not hold" % (r["scene"], r["setting"]))
        repeat = results["suite"]["repeat"]
        if r.get("frames_measured") != results["suite"]["frames"] * repeat:
            problems.append("run %s/%s: %r frames measured" % (r["scene"], r["setting"], r.get("frames_measured")))
        medians = r.get("run_medians_ms") or []
        if len(medians) != repeat or not math.isclose(r.get("ms_median") or 0, statistics.median(medians or [-1])):
            problems.append("run %s/%s: ms_median %r is not the median of the runs' %r" % (
                r["scene"], r["setting"], r.get("ms_median"), medians))
        report = r.get("report") or {}
        for key in ("frames", "clock_rate_hz", "frame_time_s", "fps", "triangles", "pixels"):
            if key not in report:
                problems.append("runner report lacks " + key)
    rates = [r["fps"] for r in runs if "error" not in r]
    if rates and not math.isclose(results.get("score") or 0, math.prod(rates) ** (1 / len(rates)), rel_tol=1e-9):
        problems.append("score %r is not the geometric mean of %r" % (results.get("score"), rates))
    splits = results.get("splits", [])
    if split_wanted:
        if not splits or "error" in splits[0]:
            problems.append("no split: %r" % splits)
        else:
            s = splits[0]
            for part in ("frame_ms", "front_end_ms", "device_ms"):
                p = s.get(part) or {}
                values = [p.get(k) for k in ("min", "p10", "median", "p90", "max")]
                if None in values or values != sorted(values) or values[0] < 0:
                    problems.append("split %s is not an ordered, non-negative spread: %r" % (part, p))
            if not s.get("device_calls_per_frame", 0) > 0 or s.get("frames") != results["suite"]["frames"]:
                problems.append("split lacks device calls or frames: %r" % s)
            replay = s.get("replay") or {}
            if "error" in replay or not replay.get("device_ms", 0) > 0 or "device_without_raster_ms" not in replay:
                problems.append("split lacks the device replay: %r" % replay)
    with open(os.path.join(out, "results.csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    if len(rows) != runs_wanted or "ms_median" not in rows[0]:
        problems.append("results.csv has %d rows or lacks ms_median" % len(rows))
    with open(os.path.join(out, "chart.svg"), encoding="utf-8") as f:
        chart = f.read()
    if not chart.startswith("<svg") or chart.count('class="series"') < 1:
        problems.append("chart.svg is not an SVG with a series")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
