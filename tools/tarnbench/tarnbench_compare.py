"""tarnbench compare OLD.json NEW.json: per scene and setting, the median
frame time of each run, the ratio and whether the change is beyond the
noise of the two runs (tarnbench_stats.judge). Writes the table, and on
request CSV, JSON and an SVG chart of both runs' per-frame curves.

Exit status: 0, or 3 when a run got slower beyond noise; 1 when a file
cannot be read or written or the two results ran different scene sets;
2 for a usage error. Standard library only.
"""

import argparse
import csv
import io
import json
import os
import sys

sys.dont_write_bytecode = True
from tarnbench_files import OutputError, check_output_path, write_output
from tarnbench_report import fmt, svg_escape
from tarnbench_stats import DEFAULT_ALPHA, DEFAULT_MIN_EFFECT, judge

EXIT_REGRESSION = 3


class CompareError(Exception):
    pass


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="tarnbench compare",
        description="Compares two tarnbench results (results.json) scene by scene and setting by setting. "
        "Exit status 0, or 3 when a run got slower beyond noise; 1 when the files cannot be read or "
        "ran different scene sets; 2 for a usage error.")
    p.add_argument("old", metavar="OLD.json")
    p.add_argument("new", metavar="NEW.json")
    p.add_argument("--csv", metavar="FILE", help="write the comparison as CSV")
    p.add_argument("--json", metavar="FILE", help="write the comparison as JSON")
    p.add_argument("--chart", metavar="FILE.svg", help="write both runs' per-frame frame times as an SVG chart")
    p.add_argument("--alpha", type=float, default=DEFAULT_ALPHA,
                   help="largest Mann-Whitney p-value taken as a real change (default %g)" % DEFAULT_ALPHA)
    p.add_argument("--min-effect", type=float, default=DEFAULT_MIN_EFFECT * 100, metavar="PERCENT",
                   help="smallest change of the median reported, in percent (default %g)" % (DEFAULT_MIN_EFFECT * 100))
    args = p.parse_args(argv)
    if not 0 < args.alpha < 1:
        p.error("--alpha wants a number between 0 and 1")
    if not 0 <= args.min_effect < 1000:
        p.error("--min-effect wants a percentage from 0 to 1000")
    return args


def load(path):
    try:
        with open(path, encoding="utf-8") as f:
            results = json.load(f)
    except (OSError, ValueError) as e:
        raise CompareError("%s: cannot read tarnbench results (%s)" % (path, e))
    if not isinstance(results, dict) or results.get("tool") != "tarnbench" or not isinstance(results.get("runs"), list):
        raise CompareError("%s: not a tarnbench results file" % path)
    return results


def scene_set(results):
    return {(s.get("name"), s.get("faces")) for s in results.get("scenes", []) if isinstance(s, dict)}


def describe(scenes):
    return ", ".join(sorted("%s (%s faces)" % (n, f) if f else str(n) for n, f in scenes)) or "none"


def compare(old, new, alpha, min_effect):
    """Rows of the comparison, in the order of OLD's runs."""
    old_scenes, new_scenes = scene_set(old), scene_set(new)
    if old_scenes != new_scenes:
        raise CompareError("the results ran different scene sets: only in OLD: %s; only in NEW: %s" % (
            describe(old_scenes - new_scenes), describe(new_scenes - old_scenes)))
    new_runs = {(r.get("scene"), r.get("setting")): r for r in new["runs"]}
    rows = []
    seen = set()
    for r in old["runs"]:
        key = (r.get("scene"), r.get("setting"))
        seen.add(key)
        other = new_runs.get(key)
        row = {"scene": key[0], "setting": key[1]}
        if other is None:
            row.update({"old_ms": r.get("ms_median"), "new_ms": None, "ratio": None, "p_value": None,
                        "verdict": "only in OLD"})
        elif "error" in r or "error" in other:
            row.update({"old_ms": r.get("ms_median"), "new_ms": other.get("ms_median"), "ratio": None,
                        "p_value": None, "verdict": "failed in " + ("OLD" if "error" in r else "NEW")})
        else:
            row.update(judge(r.get("frame_times_s"), other.get("frame_times_s"), alpha, min_effect))
        row["old_frame_times_s"] = r.get("frame_times_s") or []
        row["new_frame_times_s"] = (other or {}).get("frame_times_s") or []
        rows.append(row)
    for r in new["runs"]:
        key = (r.get("scene"), r.get("setting"))
        if key not in seen:
            rows.append({"scene": key[0], "setting": key[1], "old_ms": None, "new_ms": r.get("ms_median"),
                         "ratio": None, "p_value": None, "verdict": "only in NEW", "old_frame_times_s": [],
                         "new_frame_times_s": r.get("frame_times_s") or []})
    return rows


def run_line(label, results):
    build, machine = results.get("build", {}), results.get("machine", {})
    return "%s: %s, revision %s%s, %s, threads %s, score %s" % (
        label, results.get("date_utc", "?"), str(build.get("git_revision", "?"))[:12],
        " (modified)" if build.get("git_dirty") else "", machine.get("processor", "?"),
        results.get("threads") or "default", fmt(results.get("score"), 1))


def busy(results):
    """True when the machine's load average exceeded its cores at the start
    or the end of the run: other work then moves every timing."""
    cores = (results.get("machine") or {}).get("logical_cores") or 0
    loads = [(results.get("machine") or {}).get("load_average_at_start"), results.get("load_average_at_end")]
    return bool(cores) and any(isinstance(l, list) and l and l[0] > cores for l in loads)


def print_rows(rows):
    header = "%-11s %-24s %10s %10s %7s %9s  %s" % ("scene", "setting", "old ms", "new ms", "ratio", "p", "verdict")
    print(header)
    print("-" * len(header))
    for r in rows:
        p = "-" if r["p_value"] is None else "%.2g" % r["p_value"]
        print("%-11s %-24s %10s %10s %7s %9s  %s" % (r["scene"], r["setting"], fmt(r["old_ms"]), fmt(r["new_ms"]),
                                                      fmt(r["ratio"], 3), p, r["verdict"]))


FIELDS = ["scene", "setting", "old_ms", "new_ms", "ratio", "p_value", "verdict"]


def csv_text(rows):
    out = io.StringIO()
    w = csv.DictWriter(out, fieldnames=FIELDS, extrasaction="ignore", lineterminator="\n")
    w.writeheader()
    for r in rows:
        w.writerow({k: r.get(k) for k in FIELDS})
    return out.getvalue()


VERDICT_COLOURS = {"slower": "#d62728", "faster": "#2ca02c"}


def chart_text(rows, old, new):
    """One small panel per scene and setting: OLD's per-frame times in grey,
    NEW's in blue; a panel whose change is beyond noise has a red (slower)
    or green (faster) frame and says so in its title."""
    panels = [r for r in rows if r["old_frame_times_s"] or r["new_frame_times_s"]]
    columns, pw, ph, gap, top = 3, 280, 150, 24, 70
    rows_n = max(1, (len(panels) + columns - 1) // columns)
    width = columns * (pw + gap) + gap
    height = top + rows_n * (ph + gap + 18) + gap
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="11">' % (width, height),
           '<rect width="100%" height="100%" fill="white"/>',
           '<text x="%d" y="22" font-size="15">Tarnview: frame time per frame, OLD (grey) against NEW (blue)</text>'
           % gap,
           '<text x="%d" y="40" fill="#555">%s</text>' % (gap, svg_escape(run_line("OLD", old))),
           '<text x="%d" y="56" fill="#555">%s</text>' % (gap, svg_escape(run_line("NEW", new)))]
    for i, r in enumerate(panels):
        x0 = gap + (i % columns) * (pw + gap)
        y0 = top + (i // columns) * (ph + gap + 18) + 18
        series = [(r["old_frame_times_s"], "#999999", "old"), (r["new_frame_times_s"], "#1f77b4", "new")]
        longest = max(len(s) for s, _, _ in series)
        peak = max(max(s) for s, _, _ in series if s) * 1e3 * 1.05 or 1.0
        colour = VERDICT_COLOURS.get(r["verdict"], "#333")
        title = "%s / %s: %s%s" % (r["scene"], r["setting"],
                                   "%.3fx" % r["ratio"] if r["ratio"] is not None else "-",
                                   " " + r["verdict"] if r["verdict"] in VERDICT_COLOURS else "")
        out.append('<text x="%d" y="%d" fill="%s">%s</text>' % (x0, y0 - 5, colour, svg_escape(title)))
        out.append('<rect class="panel" x="%d" y="%d" width="%d" height="%d" fill="none" stroke="%s" '
                   'stroke-width="%d"/>' % (x0, y0, pw, ph, colour, 2 if r["verdict"] in VERDICT_COLOURS else 1))
        out.append('<text x="%d" y="%d" fill="#777">%.3g ms</text>' % (x0 + 3, y0 + 12, peak))
        for times, stroke, name in series:
            if not times:
                continue
            step = pw / max(1, longest - 1)
            points = " ".join("%.1f,%.1f" % (x0 + j * step, y0 + ph - t * 1e3 / peak * ph) for j, t in enumerate(times))
            out.append('<polyline class="%s" points="%s" fill="none" stroke="%s" stroke-width="1.2"/>' % (
                name, points, stroke))
    out.append("</svg>")
    return "\n".join(out) + "\n"


def public_rows(rows):
    return [{k: r.get(k) for k in FIELDS} for r in rows]


def main(argv):
    args = parse_args(argv)
    try:
        for path in (args.csv, args.json, args.chart):
            if path:
                check_output_path(path)
        old, new = load(args.old), load(args.new)
        rows = compare(old, new, args.alpha, args.min_effect / 100.0)
    except (OutputError, CompareError) as e:
        print("tarnbench compare: %s" % e, file=sys.stderr)
        return 1
    print(run_line("OLD", old))
    print(run_line("NEW", new))
    for label, results in (("OLD", old), ("NEW", new)):
        if busy(results):
            print("warning: the machine was busy during %s (load average above its cores): other work moves "
                  "frame times between runs, beyond what the per-frame noise shows" % label)
    print()
    print_rows(rows)
    slower = [r for r in rows if r["verdict"] == "slower"]
    faster = [r for r in rows if r["verdict"] == "faster"]
    try:
        if args.csv:
            write_output(args.csv, csv_text(rows))
        if args.json:
            document = {"tool": "tarnbench compare", "old": os.path.abspath(args.old), "new": os.path.abspath(args.new),
                        "alpha": args.alpha, "min_effect": args.min_effect / 100.0,
                        "old_score": old.get("score"), "new_score": new.get("score"),
                        "regressions": len(slower), "improvements": len(faster), "rows": public_rows(rows)}
            write_output(args.json, json.dumps(document, indent=1) + "\n")
        if args.chart:
            write_output(args.chart, chart_text(rows, old, new))
    except OutputError as e:
        print("tarnbench compare: %s" % e, file=sys.stderr)
        return 1
    print("\ntarnbench compare: %d slower, %d faster beyond noise (Mann-Whitney p < %g and at least %g%%); "
          "score %s -> %s" % (len(slower), len(faster), args.alpha, args.min_effect, fmt(old.get("score"), 1),
                              fmt(new.get("score"), 1)))
    return EXIT_REGRESSION if slower else 0
