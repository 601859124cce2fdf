"""tarnbench compare OLD.json NEW.json: per scene and setting, the change
of frame time from OLD to NEW with its confidence interval, judged from
the spread between whole runs (tarnbench_stats.judge): "slower", "faster",
"same", or "inconclusive" when the runs disagree, the machine was busy or
there is one run a side. Writes the table, and on request CSV, JSON and an
SVG chart of both results' per-frame curves.

Exit status: 0; 3 when a run got slower; 4 when nothing got slower but a
change could not be judged (inconclusive); 1 when a file cannot be read or
written or the two results ran different scene sets; 2 for a usage error;
130 / 143 when stopped by Ctrl-C / SIGTERM. Standard library only.

Sections: options; reading; comparing; table and notes; CSV and chart;
main.
"""

import argparse
import csv
import io
import math
import os
import sys

sys.dont_write_bytecode = True
from tarnbench_documents import RESULTS, DocumentError, read_document
from tarnbench_files import OutputError, check_output_path, write_json, write_output
from tarnbench_report import fmt, svg_escape
from tarnbench_stats import BUSY_CORES, DEFAULT_CONFIDENCE, DEFAULT_MIN_EFFECT, DEFAULT_NOISE_FLOOR, judge

EXIT_REGRESSION = 3
EXIT_INCONCLUSIVE = 4


class CompareError(Exception):
    pass


# ---- options --------------------------------------------------------------------------------


def percent(low, high):
    def parse(text):
        try:
            value = float(text)
        except ValueError:
            value = None
        if value is None or not low < value < high:
            raise argparse.ArgumentTypeError("wants a percentage above %g and below %g" % (low, high))
        return value / 100.0
    return parse


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="tarnbench compare",
        description="Compares two tarnbench results (results.json) scene by scene and setting by setting, "
        "from the spread between whole runs: record each side with --repeat N, or run both builds in turns "
        "with tarnbench --baseline, which pairs the runs.",
        epilog="Exit status: 0; 3 when a run got slower; 4 when nothing got slower but a change could not be "
        "judged (inconclusive); 1 when the files cannot be read or written or ran different scene sets; "
        "2 for a usage error; 130 or 143 when stopped by Ctrl-C or SIGTERM.")
    p.add_argument("old", metavar="OLD.json")
    p.add_argument("new", metavar="NEW.json")
    p.add_argument("--csv", metavar="FILE", help="write the comparison as CSV")
    p.add_argument("--json", metavar="FILE", help="write the comparison as JSON")
    p.add_argument("--chart", metavar="FILE.svg", help="write both results' per-frame frame times as an SVG chart")
    p.add_argument("--confidence", type=percent(50, 100), default=DEFAULT_CONFIDENCE, metavar="PERCENT",
                   help="confidence level of the intervals (default %g)" % (DEFAULT_CONFIDENCE * 100))
    p.add_argument("--min-effect", type=percent(0, 1000), default=DEFAULT_MIN_EFFECT, metavar="PERCENT",
                   help="smallest change reported; an interval within it says \"same\" (default %g)"
                   % (DEFAULT_MIN_EFFECT * 100))
    p.add_argument("--noise-floor", type=percent(0, 10000), default=DEFAULT_NOISE_FLOOR, metavar="PERCENT",
                   help="with one run a side or a busy machine, the change a whole interval must exceed to be "
                   "judged (default %g)" % (DEFAULT_NOISE_FLOOR * 100))
    return p.parse_args(argv)


# ---- reading --------------------------------------------------------------------------------


def load(path):
    try:
        return read_document(path, RESULTS, "tarnbench results")
    except DocumentError as e:
        raise CompareError(str(e))


def busy(results):
    """True when other programs disturbed the runs: they kept more than
    BUSY_CORES processors busy during a run; for results that do not say,
    when the load average exceeded the machine's cores at the start or the
    end."""
    others = [v for r in results["runs"] for v in r.get("run_other_cores") or []]
    if others:
        return any(v > BUSY_CORES for v in others)
    cores = (results.get("machine") or {}).get("logical_cores") or 0
    ends = [(results.get("machine") or {}).get("load_average_at_start"), results.get("load_average_at_end")]
    return cores > 0 and any(end[0] > cores for end in ends if end)


def run_figures(run):
    """One figure per run of a scene and setting: each run's median frame
    time (ms), or its mean where the runner gave no per-frame times."""
    if run.get("run_medians_ms"):
        return run["run_medians_ms"]
    figure = run.get("ms_median") or run.get("ms_mean")
    return [figure] if figure else []


def first_run_frames(run):
    """The frames of a scene and setting's first run (seconds)."""
    frames = run.get("frame_times_s") or []
    return frames[:len(frames) // max(1, len(run_figures(run)))]


# ---- comparing ------------------------------------------------------------------------------


def scene_set(results):
    return {(s["name"], s.get("faces")) for s in results.get("scenes", [])}


def describe(scenes):
    return ", ".join(sorted("%s (%s faces)" % (n, f) if f else str(n) for n, f in scenes)) or "none"


def paired(old, new):
    """Runs pair up one by one only when the two results were made in turns
    by one tarnbench --baseline session."""
    return bool(old.get("session")) and old.get("session") == new.get("session")


def compare(old, new, confidence=DEFAULT_CONFIDENCE, min_effect=DEFAULT_MIN_EFFECT, noise_floor=DEFAULT_NOISE_FLOOR):
    """Rows of the comparison, in the order of OLD's runs, then NEW's own."""
    old_scenes, new_scenes = scene_set(old), scene_set(new)
    if old_scenes != new_scenes:
        raise CompareError("the results ran different scene sets: only in OLD: %s; only in NEW: %s" % (
            describe(old_scenes - new_scenes), describe(new_scenes - old_scenes)))
    pairs, disturbed = paired(old, new), busy(old) or busy(new)
    new_runs = {(r["scene"], r["setting"]): r for r in new["runs"]}
    rows = []
    seen = set()
    for r in old["runs"]:
        key = (r["scene"], r["setting"])
        seen.add(key)
        other = new_runs.get(key)
        row = {"scene": key[0], "setting": key[1]}
        if other is None:
            row.update({"old_ms": r.get("ms_median"), "verdict": "only in OLD"})
        elif "error" in r or "error" in other:
            row.update({"old_ms": r.get("ms_median"), "new_ms": other.get("ms_median"),
                        "verdict": "failed in " + ("OLD" if "error" in r else "NEW")})
        else:
            row.update(judge(run_figures(r), run_figures(other), pairs, disturbed, first_run_frames(r),
                             first_run_frames(other), confidence, min_effect, noise_floor))
        row["old_frame_times_s"] = r.get("frame_times_s") or []
        row["new_frame_times_s"] = (other or {}).get("frame_times_s") or []
        rows.append(row)
    for r in new["runs"]:
        key = (r["scene"], r["setting"])
        if key not in seen:
            rows.append({"scene": key[0], "setting": key[1], "new_ms": r.get("ms_median"), "verdict": "only in NEW",
                         "old_frame_times_s": [], "new_frame_times_s": r.get("frame_times_s") or []})
    return rows


# ---- table and notes ------------------------------------------------------------------------


def run_line(label, results):
    build, machine = results.get("build") or {}, results.get("machine") or {}
    return "%s: %s, revision %s%s, %s, threads %s, score %s" % (
        label, results.get("date_utc") or "?", str(build.get("git_revision") or "?")[:12],
        " (modified)" if build.get("git_dirty") else "", machine.get("processor") or "?",
        results.get("threads") or "default", fmt(results.get("score"), 1))


def signed_percent(ratio):
    return "%+.1f%%" % ((ratio - 1.0) * 100.0) if ratio is not None else "-"


def interval_text(row):
    if row.get("low") is None:
        return "-"
    return "[%+.1f, %+.1f]" % ((row["low"] - 1.0) * 100.0, (row["high"] - 1.0) * 100.0)


def verdict_text(row):
    return row["verdict"] + (": " + row["reason"] if row.get("reason") else "")


def print_rows(rows, confidence):
    header = "%-11s %-24s %9s %9s %8s %-18s %5s  %s" % ("scene", "setting", "old ms", "new ms", "change",
                                                        "%g%% interval" % (confidence * 100), "runs", "verdict")
    print(header)
    print("-" * len(header))
    for r in rows:
        runs = "%d+%d" % (r["old_runs"], r["new_runs"]) if "old_runs" in r else "-"
        print("%-11s %-24s %9s %9s %8s %-18s %5s  %s" % (
            r["scene"], r["setting"], fmt(r.get("old_ms")), fmt(r.get("new_ms")), signed_percent(r.get("ratio")),
            interval_text(r), runs, verdict_text(r)))


def notes(rows, old, new, pairs, noise_floor):
    """What limits the judgement, one line each, for the reader of the
    table."""
    lines = []
    beyond = "only changes whose whole interval lies beyond %gx either way are judged" % (1.0 + noise_floor)
    for label, results in (("OLD", old), ("NEW", new)):
        if busy(results):
            lines.append("warning: other programs kept the machine busy during %s: %s" % (label, beyond))
    judged = [r for r in rows if "old_runs" in r]
    if any(min(r["old_runs"], r["new_runs"]) < 2 for r in judged):
        lines.append("note: one run a side: there is no spread between runs, the interval comes from stretches "
                     "of the flight and shows only the noise within a run; %s (record with --repeat 5, or run "
                     "both builds in turns with tarnbench --baseline)" % beyond)
    if not pairs and any(min(r["old_runs"], r["new_runs"]) >= 2 for r in judged):
        lines.append("note: OLD and NEW were recorded apart: a change of the machine between the two sessions "
                     "is not in the intervals (tarnbench --baseline runs both builds in turns)")
    return lines


# ---- CSV and chart --------------------------------------------------------------------------


FIELDS = ["scene", "setting", "old_ms", "new_ms", "ratio", "low", "high", "old_runs", "new_runs", "interval_from",
          "verdict", "reason"]


def public_rows(rows):
    return [{k: r.get(k) for k in FIELDS} for r in rows]


def csv_text(rows):
    out = io.StringIO()
    w = csv.DictWriter(out, fieldnames=FIELDS, lineterminator="\n")
    w.writeheader()
    w.writerows(public_rows(rows))
    return out.getvalue()


VERDICT_COLOURS = {"slower": "#d62728", "faster": "#2ca02c", "inconclusive": "#ff7f0e"}


def chart_text(rows, old, new):
    """One small panel per scene and setting: OLD's per-frame times in grey,
    NEW's in blue, every run one after the other; a slower panel has a red
    frame, a faster one green, an inconclusive one orange."""
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
        peak = max(max(s) for s, _, _ in series if s) * 1e3 * 1.05
        peak = peak if math.isfinite(peak) and peak > 0 else 1.0
        colour = VERDICT_COLOURS.get(r["verdict"], "#333")
        title = "%s / %s: %s %s" % (r["scene"], r["setting"], signed_percent(r.get("ratio")), r["verdict"])
        out.append('<text x="%d" y="%d" fill="%s">%s</text>' % (x0, y0 - 5, colour, svg_escape(title)))
        out.append('<rect class="panel" x="%d" y="%d" width="%d" height="%d" fill="none" stroke="%s" '
                   'stroke-width="%d"/>' % (x0, y0, pw, ph, colour, 2 if r["verdict"] in VERDICT_COLOURS else 1))
        out.append('<text x="%d" y="%d" fill="#777">%.3g ms</text>' % (x0 + 3, y0 + 12, peak))
        for times, stroke, name in series:
            if not times:
                continue
            step = pw / max(1, longest - 1)
            points = " ".join("%.1f,%.1f" % (x0 + j * step, y0 + ph - min(t * 1e3 / peak, 1.0) * ph)
                              for j, t in enumerate(times))
            out.append('<polyline class="%s" points="%s" fill="none" stroke="%s" stroke-width="1.2"/>' % (
                name, points, stroke))
    out.append("</svg>")
    return "\n".join(out) + "\n"


# ---- main -----------------------------------------------------------------------------------


def report(old, new, rows, args, old_path, new_path):
    """Prints the comparison, writes the files asked for and returns the
    exit status."""
    pairs = paired(old, new)
    print(run_line("OLD", old))
    print(run_line("NEW", new))
    for line in notes(rows, old, new, pairs, args.noise_floor):
        print(line)
    print()
    print_rows(rows, args.confidence)
    counts = {v: sum(r["verdict"] == v for r in rows) for v in ("slower", "faster", "same", "inconclusive")}
    if args.csv:
        write_output(args.csv, csv_text(rows))
    if args.json:
        write_json(args.json, {
            "tool": "tarnbench compare", "old": os.path.abspath(old_path), "new": os.path.abspath(new_path),
            "confidence": args.confidence, "min_effect": args.min_effect, "noise_floor": args.noise_floor,
            "paired": pairs, "old_score": old.get("score"), "new_score": new.get("score"),
            "regressions": counts["slower"], "improvements": counts["faster"],
            "inconclusive": counts["inconclusive"], "rows": public_rows(rows)})
    if args.chart:
        write_output(args.chart, chart_text(rows, old, new))
    print("\ntarnbench compare: %d slower, %d faster, %d same, %d inconclusive (%g%% intervals%s; changes of %g%% "
          "or more); score %s -> %s" % (
              counts["slower"], counts["faster"], counts["same"], counts["inconclusive"], args.confidence * 100,
              ", runs paired" if pairs else "", args.min_effect * 100, fmt(old.get("score"), 1),
              fmt(new.get("score"), 1)))
    if counts["slower"]:
        return EXIT_REGRESSION
    return EXIT_INCONCLUSIVE if counts["inconclusive"] else 0


def compare_files(old_path, new_path, args):
    """Compares two results files with the options of args (those of
    parse_args) and returns the exit status; errors end in one line."""
    try:
        for path in (args.csv, args.json, args.chart):
            if path:
                check_output_path(path)
        old, new = load(old_path), load(new_path)
        rows = compare(old, new, args.confidence, args.min_effect, args.noise_floor)
        return report(old, new, rows, args, old_path, new_path)
    except (OutputError, CompareError) as e:
        print("tarnbench compare: %s" % e, file=sys.stderr)
        return 1


def main(argv):
    args = parse_args(argv)
    return compare_files(args.old, args.new, args)
