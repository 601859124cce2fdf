#!/usr/bin/env python3
"""tarnbench: runs the Tarnview benchmark suite.

Generates the benchmark scenes (benchgen) into the build tree, runs each
scene's timedemo under every render setting of the suite with the headless
runner, and writes a table, JSON, CSV and an SVG chart of frame time against
face count, and one overall score (the geometric mean of the runs' frames
per second). --script FILE --scene DIR benchmarks a recorded flight instead.
--repeat N runs every scene and setting N times, taking turns, so that a
comparison can judge the spread between runs; --baseline DIR runs an older
build's runner in turns with this one's and compares the two. With the
hooked runner (tarnbench-runner) it also times every frame on its own (for
the median), splits each scene's frames into the system's front end and the
device's calls in one run, and records a short device trace that
glide-replay replays to time the device alone (tarnbench_split.py).
`tarnbench compare OLD.json NEW.json` compares two results
(tarnbench_compare.py).

Without --out each run gets a folder of its own, <build>/bench-results/
<time>, and <build>/bench-results/latest names the last complete one.

Exit status: 0; 1 when a run failed or a file cannot be read or written;
2 for a usage error; 130 / 143 when stopped by Ctrl-C / SIGTERM; with
--baseline (and compare): 3 when a run got slower, 4 when a change could
not be judged.

Sections: options; machine and build; scenes; timed runs; main. One run of
the runner is tarnbench_runs.py; the table, CSV and chart are drawn by
tarnbench_report.py. Only the Python standard library is used.
"""

import argparse
import os
import platform
import re
import signal
import subprocess
import sys
import time

# The helper modules sit beside this script in the source tree: leave no
# byte-code there.
sys.dont_write_bytecode = True
import tarnbench_paths
from tarnbench_documents import BUILD_DESCRIPTION, SCENE_SUMMARY, SUITE, DocumentError, READ_LIMIT, read_document
from tarnbench_files import (InputError, OutputError, Stopped, check_output_folder, new_results_folder, point_latest,
                             read_limited, stop_on_signals, write_json, write_output)
from tarnbench_report import chart_text, csv_text, fmt, print_table
from tarnbench_runs import (cpu_clock, merge_repeats, other_work, prepare_run, read_frame_times, run_program,
                            run_runner, slug, summarize)
from tarnbench_split import measure_split, split_line, trace_replay
from tarnbench_stats import BUSY_CORES, score

# ---- options ---------------------------------------------------------------------------


# Options that take a whole number, with the range each accepts.
WHOLE_NUMBER_OPTIONS = {"frames": (1, 100000), "warmup": (0, 100000), "threads": (1, 256), "repeat": (1, 100)}


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="tarnbench",
        usage="%(prog)s [-C DIR] [--build DIR] [options]\n       %(prog)s compare OLD.json NEW.json [options]",
        description="Runs the Tarnview benchmark suite: scenes of about 1k to 1M faces, "
        "each under a set of render settings, with a fixed camera flight; or, with --script and --scene, "
        "a recorded flight. `tarnbench compare --help` describes the comparison of two results.",
        epilog="Exit status: 0; 1 when a run failed or a file cannot be read or written; 2 for a usage error; "
        "130 or 143 when stopped by Ctrl-C or SIGTERM; with --baseline also 3 when a run got slower and 4 when a "
        "change could not be judged, as tarnbench compare.")
    p.add_argument("-C", dest="directory", metavar="DIR", help="change to DIR before anything else")
    p.add_argument("--build", metavar="DIR", help="CMake build folder (build/tarnbench fills it in)")
    p.add_argument("--version", action="store_true", help="print the version and exit")
    p.add_argument("--suite", help="suite description (default: <source>/bench/suite/suite.json)")
    p.add_argument("--sizes", help="face counts, comma separated, e.g. 1000,10000 (default: the suite's)")
    p.add_argument("--settings", help="setting names, comma separated (default: all of the suite's)")
    p.add_argument("--frames", help="measured frames per run (default: the suite's; "
                   "with --script: the recorded frames after the warm-up)")
    p.add_argument("--warmup", help="warm-up frames per run (default: the suite's)")
    p.add_argument("--script", metavar="FILE", help="benchmark this recorded flight (a headless runner script) "
                   "instead of the suite's scenes; needs --scene")
    p.add_argument("--scene", metavar="DIR", help="the scene folder (objects.scn) the flight was recorded in")
    p.add_argument("--threads",
                   help="rasterizer threads of the device (passed to the runner; default: the runner's)")
    p.add_argument("--repeat", metavar="N", help="run every scene and setting N times, taking turns "
                   "(default 1; 5 with --baseline)")
    p.add_argument("--baseline", metavar="DIR", help="also run the build in DIR (an older tree's build folder), in "
                   "turns with this one, and compare the two (results in OUT/before and OUT/after)")
    p.add_argument("--out", metavar="DIR", help="results folder (default: a new folder <build>/bench-results/<time>, "
                   "with <build>/bench-results/latest naming the last complete run)")
    p.add_argument("--scenes", metavar="DIR", help="scene folder (default: <build>/bench-scenes)")
    p.add_argument("--runner", metavar="FILE", help="headless runner to use (default: tarnbench-runner, else "
                   "tarnview-headless; with --baseline, this build's)")
    p.add_argument("--no-split", action="store_true", help="skip the run that splits frames into front end and device")
    p.add_argument("--no-trace", action="store_true", help="skip the device trace and its replay")
    p.add_argument("--no-demo", action="store_true", help="skip the shipped demo scene")
    p.add_argument("--keep-traces", action="store_true", help="keep the trace files after replaying them")
    p.add_argument("--timeout", type=float, default=900.0, help="seconds one run may take (default 900)")
    args = p.parse_args(argv)
    if args.directory is not None:
        try:
            os.chdir(args.directory)
        except OSError as e:
            p.error("-C %s: %s" % (args.directory, e.strerror))
    if args.version:
        return args
    if not args.build:
        p.error("--build DIR is needed (build/tarnbench fills it in)")
    for name, (low, high) in WHOLE_NUMBER_OPTIONS.items():
        text = getattr(args, name)
        if text is None:
            continue
        value = int(text) if re.fullmatch(r"[0-9]+", text) else None
        if value is None or not low <= value <= high:
            p.error("--%s wants a whole number from %d to %d" % (name, low, high))
        setattr(args, name, value)
    if (args.script is None) != (args.scene is None):
        p.error("--script and --scene go together")
    if args.sizes is not None:
        items = [s.strip() for s in args.sizes.split(",") if s.strip()]
        args.sizes = [int(s) for s in items] if all(re.fullmatch(r"[0-9]+", s) for s in items) else None
        if not args.sizes or any(not 100 <= n <= 4000000 for n in args.sizes):
            p.error("--sizes wants whole numbers from 100 to 4000000, comma separated, e.g. 1000,10000")
    if args.settings is not None:
        args.settings = [s.strip() for s in args.settings.split(",") if s.strip()]
        if not args.settings:
            p.error("--settings is empty")
    if args.repeat is None:
        args.repeat = 5 if args.baseline else 1
    if not 0 < args.timeout < 1e6:
        p.error("--timeout wants a number of seconds above 0 and below 1000000")
    return args


def fail(message):
    print("tarnbench: " + message, file=sys.stderr)
    sys.exit(1)


def usage_error(message):
    print("tarnbench: error: %s\ntry 'tarnbench --help'" % message, file=sys.stderr)
    sys.exit(2)


# ---- machine and build -----------------------------------------------------------------


def machine_info():
    model = platform.processor() or "unknown"
    try:
        with open("/proc/cpuinfo", encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    return {
        "processor": model,
        "logical_cores": os.cpu_count(),
        "usable_cores": len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count(),
        "system": platform.system() + " " + platform.release(),
        "machine": platform.machine(),
        "hostname": platform.node(),
        # Other work on the machine shows up in every timing: keep the load.
        "load_average_at_start": list(os.getloadavg()) if hasattr(os, "getloadavg") else None,
    }


def git(source, *args):
    try:
        out = run_program(["git", "-C", source] + list(args), timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return out.stdout.strip() if out.returncode == 0 else None


def read_build_description(build_dir):
    path = os.path.join(build_dir, "tarnbench_build.json")
    try:
        return read_document(path, BUILD_DESCRIPTION, "a build description")
    except DocumentError as e:
        fail("%s; re-run cmake" % e)


def version_line(build_dir):
    """What --version prints, the same line as the C++ programs': version,
    the git revision the build was configured from, the build type."""
    info = read_build_description(build_dir) if build_dir else {}
    return "tarnbench %s (git %s, %s)" % (info.get("version", "unknown"), info.get("configured_revision", "unknown"),
                                          info.get("build_type") or "unknown build type")


def build_info(build_dir):
    info = read_build_description(build_dir)
    source = info["source_dir"]
    revision = git(source, "rev-parse", "HEAD")
    dirty = git(source, "status", "--porcelain", "--untracked-files=no")
    info["git_revision"] = revision or "unknown"
    info["git_dirty"] = bool(dirty) if dirty is not None else None
    return info


# ---- scenes ---------------------------------------------------------------------------


def read_text(path, what):
    """A text file (UTF-8), read with a size limit; raises InputError."""
    try:
        return read_limited(path, READ_LIMIT, what).decode("utf-8")
    except UnicodeDecodeError:
        raise InputError("%s: cannot read %s (not UTF-8 text)" % (path, what))


def size_name(faces):
    if faces % 1000000 == 0:
        return "%dm" % (faces // 1000000)
    if faces % 1000 == 0:
        return "%dk" % (faces // 1000)
    return str(faces)


def prepare_scenes(build_dir, scenes_dir, sizes, suite, warmup, frames):
    benchgen = os.path.join(build_dir, "benchgen")
    if not os.access(benchgen, os.X_OK):
        fail("%s not found: build it first (ninja -C %s benchgen)" % (benchgen, build_dir))
    cmd = [benchgen, "--suite", scenes_dir, "--sizes", ",".join(str(s) for s in sizes),
           "--actors", str(suite.get("actors", 4)), "--warmup", str(warmup), "--path-frames", str(frames)]
    try:
        out = run_program(cmd)
    except OSError as e:
        fail("cannot run %s (%s)" % (benchgen, e.strerror))
    if out.returncode != 0:
        fail("benchgen failed: " + (out.stderr.strip() or out.stdout.strip()))
    for line in out.stdout.splitlines():
        print("  " + line)
    scenes = []
    for faces in sizes:
        d = os.path.join(scenes_dir, "faces-" + size_name(faces))
        try:
            summary = read_document(os.path.join(d, "scene.json"), SCENE_SUMMARY, "a benchmark scene summary")
            timedemo = read_text(os.path.join(d, "timedemo.txt"), "a timedemo")
        except (DocumentError, InputError) as e:
            fail(str(e))
        scenes.append({"name": "faces-" + size_name(faces), "dir": d, "target_faces": faces,
                       "faces": summary["faces"], "summary": summary, "timedemo": timedemo})
    return scenes


def flight_frames(script_text):
    """The frame count a recording ends with ("<frames> end"), or None."""
    count = None
    for line in script_text.splitlines():
        parts = line.split("#", 1)[0].split()
        if len(parts) == 2 and parts[1] == "end" and parts[0].isdigit():
            count = int(parts[0])
    return count


def prepare_flight(script_path, scene_dir, warmup, frames):
    """The recorded flight as a scene of its own; returns (scene, warmup,
    frames): without --frames, every recorded frame after the warm-up is
    measured."""
    if not os.path.isfile(os.path.join(scene_dir, "objects.scn")):
        fail("%s: no objects.scn in this folder" % scene_dir)
    try:
        text = read_text(script_path, "the flight")
    except InputError as e:
        fail(str(e))
    recorded = flight_frames(text)
    if frames is None:
        if recorded is None:
            fail("%s does not end with its frame count (\"<frames> end\"): give --frames" % script_path)
        if recorded > 100000 + warmup:
            fail("%s records %d frames, more than 100000 measured ones: give --frames" % (script_path, recorded))
        if recorded <= warmup:
            fail("%s records %d frames, no more than the %d warm-up frames: give --warmup" % (
                script_path, recorded, warmup))
        frames = recorded - warmup
    name = os.path.splitext(os.path.basename(script_path))[0] or "flight"
    scene = {"name": name, "dir": os.path.abspath(scene_dir), "target_faces": None, "faces": None,
             "summary": {"script": os.path.abspath(script_path), "recorded_frames": recorded},
             "timedemo": text, "flight": True}
    return scene, warmup, frames


# ---- timed runs ---------------------------------------------------------------------------------


def make_side(build_dir, runner, label):
    """One build's part of the runs: its build description, its runner
    (tarnbench-runner when it was built, else tarnview-headless) and, once
    known, its results folder."""
    if runner is None:
        hooked = os.path.join(build_dir, "tarnbench-runner")
        runner = hooked if os.access(hooked, os.X_OK) else os.path.join(build_dir, "tarnview-headless")
    if not os.access(runner, os.X_OK):
        fail("%s not found or not executable: build it first" % runner)
    return {"label": label, "build_dir": build_dir, "build": build_info(build_dir),
            "runner": os.path.abspath(runner), "hooked": os.path.basename(runner) == "tarnbench-runner"}


def timed_runs(sides, jobs, repeat, warmup, frames, args):
    """Runs every scene and setting of jobs repeat times on every side,
    taking turns: round by round; within a round scene by scene and setting
    by setting, each side once, the side that starts alternating from round
    to round (so that the runs of a pair ran side by side and neither side
    always runs first). Returns each side's entries in the order of jobs; a
    scene and setting that failed keeps its error and is not run again."""
    keys = [(j, k) for j, (_, job_settings) in enumerate(jobs) for k in range(len(job_settings))]
    state = {(s, key): {"parts": [], "wall_s": 0.0, "other": []} for s in range(len(sides)) for key in keys}
    total = len(sides) * repeat * len(keys)
    count = 0
    for turn in range(repeat):
        order = list(range(len(sides)))[::1 if turn % 2 == 0 else -1]
        for j, k in keys:
            scene, setting = jobs[j][0], jobs[j][1][k]
            for s in order:
                count += 1
                side, run = sides[s], state[(s, (j, k))]
                if "error" in run:
                    continue
                ident = "%s-%s" % (scene["name"], slug(setting["name"]))
                script, report_path, times_path = prepare_run(side["out"], ident, scene, setting)
                env = {"TARNBENCH_FRAME_TIMES": times_path} if side["hooked"] else {}
                paths_path = tarnbench_paths.request(env, times_path) if side["hooked"] else None
                clock = cpu_clock()
                report, error, wall = run_runner(side["runner"], scene["dir"], warmup + frames, script, report_path,
                                                 env, args.timeout, args.threads)
                run["wall_s"] += wall
                run["other"].append(other_work(clock, cpu_clock(), wall))
                if error:
                    run["error"] = error
                    line = "FAILED: " + error
                else:
                    per_frame = read_frame_times(times_path)[0] if side["hooked"] else None
                    run["parts"].append(summarize(report, per_frame, warmup, frames))
                    line = "%7s fps  median %s ms" % (fmt(run["parts"][-1]["fps"], 1),
                                                      fmt(run["parts"][-1]["ms_median"]))
                print("[%2d/%d] %s%-11s %-24s %s%s  (%.1f s)" % (
                    count, total, "%-6s " % side["label"] if side["label"] else "", scene["name"], setting["name"],
                    "run %d/%d " % (turn + 1, repeat) if repeat > 1 else "", line, wall), flush=True)
                if not error:
                    tarnbench_paths.record(run, paths_path)
    results = []
    for s in range(len(sides)):
        runs = []
        for j, k in keys:
            scene, setting, run = jobs[j][0], jobs[j][1][k], state[(s, (j, k))]
            entry = {"scene": scene["name"], "faces": scene["faces"], "setting": setting["name"],
                     "keys": setting["keys"], "wall_s": round(run["wall_s"], 3), "repeats": len(run["other"])}
            if None not in run["other"]:
                entry["run_other_cores"] = run["other"]
            if "error" in run:
                entry["error"] = run["error"]
            else:
                entry.update(merge_repeats(run["parts"]))
                if "paths" in run:
                    entry["paths"] = run["paths"]
            runs.append(entry)
        results.append(runs)
    return results


def device_splits(args, side, scenes, runs, settings, warmup, frames, suite):
    """The front end / device split and the replayed device trace of each
    scene, under its first setting without keys ("all on")."""
    replay = os.path.join(side["build_dir"], "glide-replay")
    do_trace = not args.no_trace and side["hooked"] and os.access(replay, os.X_OK)
    do_split = not args.no_split and side["hooked"]
    if not side["hooked"] and not (args.no_trace and args.no_split):
        print("tarnbench: no front end / device split (needs tarnbench-runner)")
    splits = []
    for scene in scenes:
        all_on = next((r for r in runs if r["scene"] == scene["name"] and not r.get("keys") and "error" not in r),
                      None)
        if all_on is None or not (do_split or do_trace):
            continue
        split = {"scene": scene["name"], "faces": scene["faces"]}
        if do_split:
            setting = next(s for s in settings if s["name"] == all_on["setting"])
            split.update(measure_split(args, side["runner"], scene, setting, side["out"], warmup, frames))
            print(split_line(scene["name"], split), flush=True)
        if do_trace:
            replayed = trace_replay(args, side["runner"], replay, scene, all_on, side["out"], warmup, frames, suite)
            split["replay"] = replayed
            if "error" in replayed:
                print("[trace] %-11s FAILED: %s" % (scene["name"], replayed["error"]))
            else:
                print("[trace] %-11s device alone (replayed): %.2f ms a frame (fastest %.2f), without "
                      "rasterization %.2f ms" % (scene["name"], replayed["device_ms"], replayed["device_min_ms"],
                                                 replayed["device_without_raster_ms"]), flush=True)
        splits.append(split)
    return splits


def warn_of_other_work(all_runs):
    """Says how many runs other programs disturbed: tarnbench compare then
    judges only large changes."""
    others = [v for runs in all_runs for r in runs for v in r.get("run_other_cores", [])]
    busy = [v for v in others if v > BUSY_CORES]
    if busy:
        print("tarnbench: warning: other programs kept more than %g of a processor busy during %d of %d runs (up to "
              "%.1f): they moved those runs' timings" % (BUSY_CORES, len(busy), len(others), max(busy)))


# ---- main -----------------------------------------------------------------------------------


def load_suite(args, source_dir):
    suite_path = args.suite or os.path.join(source_dir, "bench", "suite", "suite.json")
    try:
        suite = read_document(suite_path, SUITE, "a suite description")
    except DocumentError as e:
        fail(str(e))
    settings = suite["settings"]
    known = {s["name"]: s for s in settings}
    if len(known) != len(settings):
        fail("%s: two settings have the same name" % suite_path)
    if args.settings:
        missing = [w for w in args.settings if w not in known]
        if missing:
            usage_error("unknown setting(s) %s; the suite has: %s" % (", ".join(missing), ", ".join(known)))
        settings = [known[w] for w in args.settings]
    return suite_path, suite, settings


def compare_main_argv(argv):
    """The arguments after "compare" when argv asks for a comparison (the
    wrapper puts --build first; -C may come before it), else None."""
    rest = list(argv)
    leading = []
    while len(rest) >= 2 and rest[0] in ("--build", "-C"):
        leading += rest[:2]
        rest = rest[2:]
    if not rest or rest[0] != "compare":
        return None
    if "-C" in leading:
        directory = leading[leading.index("-C") + 1]
        try:
            os.chdir(directory)
        except OSError as e:
            usage_error("-C %s: %s" % (directory, e.strerror))
    return rest[1:]


def main(argv):
    compare_argv = compare_main_argv(argv)
    if compare_argv is not None:
        from tarnbench_compare import main as compare_main
        return compare_main(compare_argv)

    args = parse_args(argv)
    build_dir = os.path.abspath(args.build) if args.build else None
    if args.version:
        print(version_line(build_dir))
        return 0
    sides = [make_side(build_dir, args.runner, "after" if args.baseline else None)]
    if args.baseline:
        sides.insert(0, make_side(os.path.abspath(args.baseline), None, "before"))
    build = sides[-1]["build"]
    source_dir = build["source_dir"]
    suite_path, suite, settings = load_suite(args, source_dir)
    warmup = args.warmup if args.warmup is not None else suite.get("warmup_frames", 10)
    frames = args.frames if args.frames is not None else (None if args.script else suite.get("frames", 90))
    sizes = args.sizes or suite["sizes"]
    scenes_dir = os.path.abspath(args.scenes or os.path.join(build_dir, "bench-scenes"))
    if args.script:
        flight, warmup, frames = prepare_flight(args.script, args.scene, warmup, frames)
    # Without --out every run gets a folder of its own; "latest" names the
    # last complete one.
    results_root = None if args.out else os.path.join(build_dir, "bench-results")
    try:
        out_dir = os.path.abspath(args.out) if args.out else new_results_folder(results_root)
        for side in sides:
            side["out"] = os.path.join(out_dir, side["label"]) if side["label"] else out_dir
            for folder in (side["out"], os.path.join(side["out"], "scripts"), os.path.join(side["out"], "raw")):
                check_output_folder(folder)
    except OutputError as e:
        fail(str(e))

    machine = machine_info()
    for side in sides:
        b = side["build"]
        print("tarnbench: %s%s (%s logical cores); %s, %s; revision %s%s" % (
            side["label"] + ": " if side["label"] else "", machine["processor"], machine["logical_cores"],
            b.get("compiler"), b.get("cxx_flags"), b["git_revision"][:12], " (modified)" if b.get("git_dirty") else ""))
        print("tarnbench: %srunner %s; %d warm-up + %d measured frames%s; %s%s" % (
            side["label"] + ": " if side["label"] else "", side["runner"], warmup, frames,
            ", %d runs each" % args.repeat if args.repeat > 1 else "",
            "flight %s in %s" % (args.script, args.scene) if args.script else "scenes in " + scenes_dir,
            "; %d device threads" % args.threads if args.threads else ""))
    load = machine.get("load_average_at_start")
    if load and machine["logical_cores"] and load[0] > machine["logical_cores"]:
        print("tarnbench: warning: load average %.1f on %d cores: other work will disturb the timings" % (
            load[0], machine["logical_cores"]))

    if args.script:
        scenes = [flight]
        jobs = [(flight, settings)]
    else:
        scenes = prepare_scenes(build_dir, scenes_dir, sizes, suite, warmup, frames)
        jobs = [(scene, settings) for scene in scenes]
        # The shipped demo scene, if there is one, runs with the start-up
        # flags and no script: the camera stays where the scene puts it.
        demo_dir = os.path.join(source_dir, suite["demo_scene"]) if suite.get("demo_scene") else None
        if demo_dir and not args.no_demo and os.path.isfile(os.path.join(demo_dir, "objects.scn")):
            demo = {"name": "demo", "dir": demo_dir, "target_faces": None, "faces": None, "summary": None,
                    "timedemo": ""}
            scenes.append(demo)
            jobs.append((demo, [s for s in settings if not s["keys"]][:1] or [{"name": "all on", "keys": []}]))
    started = time.monotonic()
    # Both sides of --baseline share the session, so compare pairs their runs.
    session = "%s-%d" % (time.strftime("%Y%m%dT%H%M%SZ", time.gmtime()), os.getpid())
    try:
        all_runs = timed_runs(sides, jobs, args.repeat, warmup, frames, args)
        # The split and the trace describe one build: not run with --baseline.
        splits = [] if args.baseline else device_splits(args, sides[0], scenes, all_runs[0], settings, warmup,
                                                         frames, suite)
        for side, runs in zip(sides, all_runs):
            if not args.baseline:
                print_table(runs)
            side["score"] = score(runs)
            write_json(os.path.join(side["out"], "results.json"), {
                "tool": "tarnbench",
                "date_utc": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()),
                "session": session,
                "machine": machine,
                "build": side["build"],
                "runner": side["runner"],
                "threads": args.threads,
                "suite": {"file": suite_path, "warmup_frames": warmup, "frames": frames, "repeat": args.repeat,
                          "sizes": None if args.script else sizes, "settings": settings,
                          "flight": os.path.abspath(args.script) if args.script else None},
                "scenes": [{k: s[k] for k in ("name", "faces", "target_faces", "summary")} for s in scenes],
                "runs": runs,
                "splits": splits,
                "score": side["score"][0],
                "score_runs": side["score"][1],
                "score_definition": "geometric mean of frames per second over the runs that measured a rate",
                "load_average_at_end": list(os.getloadavg()) if hasattr(os, "getloadavg") else None,
                "elapsed_s": round(time.monotonic() - started, 1),
            })
            write_output(os.path.join(side["out"], "results.csv"), csv_text(runs))
            write_output(os.path.join(side["out"], "chart.svg"), chart_text(runs, settings, machine, side["build"]))
        if results_root:
            point_latest(results_root, out_dir)
    except OutputError as e:
        fail(str(e))
    warn_of_other_work(all_runs)
    failed = sum("error" in r for runs in all_runs for r in runs)
    runs_made = sum(r["repeats"] for runs in all_runs for r in runs)
    print("\ntarnbench: %d runs (%d scenes and settings failed) in %.0f s; results in %s (%sresults.json, "
          "results.csv, chart.svg)" % (runs_made, failed, time.monotonic() - started, out_dir,
                                       "before/ and after/: " if args.baseline else ""))
    if args.baseline:
        from tarnbench_compare import compare_files, parse_args as compare_args
        print()
        status = compare_files(os.path.join(out_dir, "before", "results.json"),
                               os.path.join(out_dir, "after", "results.json"),
                               compare_args(["before", "after", "--json", os.path.join(out_dir, "compare.json")]))
        return 1 if failed else status
    # The score comes last, so that it is the line a reader looks for.
    print("tarnbench: score %s (geometric mean of frames per second over %d runs)" % (
        fmt(sides[0]["score"][0], 2), sides[0]["score"][1]))
    return 1 if failed else 0


def run(argv):
    """main(), ended cleanly by a signal (each write removes its temporary
    file on the way out; a running child is asked to end) or by a reader
    of the output that went away."""
    stop_on_signals()
    try:
        return main(argv)
    except Stopped as e:
        print("\ntarnbench: stopped by %s" % signal.Signals(e.status - 128).name, file=sys.stderr)
        return e.status
    except BrokenPipeError:
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1


if __name__ == "__main__":
    sys.exit(run(sys.argv[1:]))
