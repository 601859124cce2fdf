#!/usr/bin/env python3
"""tarnbench: runs the Tarnview benchmark suite.

Generates the benchmark scenes (benchgen) into the build tree, runs each
scene's timedemo under every render setting of the suite with the headless
runner, and writes a table, JSON, CSV and an SVG chart of frame time against
face count, and one overall score (the geometric mean of the runs' frames
per second). --script FILE --scene DIR benchmarks a recorded flight instead.
With the hooked runner (tarnbench-runner) it also times every frame on its
own (for the median), splits each scene's frames into the system's front end
and the device's calls in one run, and records a short device trace that
glide-replay replays to time the device alone.
`tarnbench compare OLD.json NEW.json` compares two results
(tarnbench_compare.py).

Exit status: 0; 1 when a run failed or a file cannot be read or written;
2 for a usage error; compare: 3 when a run got slower beyond noise.

Sections: options; machine and build; scenes; runs; statistics; split;
trace replay; main. The table, CSV and chart are drawn by
tarnbench_report.py. Only the Python standard library is used.
"""

import argparse
import json
import os
import platform
import re
import statistics
import subprocess
import sys
import time

# The helper module sits beside this script in the source tree: leave no
# byte-code there.
sys.dont_write_bytecode = True
import tarnbench_paths
from tarnbench_files import OutputError, check_output_folder, write_output
from tarnbench_report import chart_text, csv_text, fmt, print_table
from tarnbench_stats import score, spread

# ---- options ---------------------------------------------------------------------------


# Options that take a whole number, with the range each accepts.
WHOLE_NUMBER_OPTIONS = {"frames": (1, 100000), "warmup": (0, 100000), "threads": (1, 256)}


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="tarnbench",
        usage="%(prog)s [-C DIR] [--build DIR] [options]\n       %(prog)s compare OLD.json NEW.json [options]",
        description="Runs the Tarnview benchmark suite: scenes of about 1k to 1M faces, "
        "each under a set of render settings, with a fixed camera flight; or, with --script and --scene, "
        "a recorded flight. `tarnbench compare --help` describes the comparison of two results.",
        epilog="Exit status: 0; 1 when a run failed or a file cannot be read or written; 2 for a usage error.")
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
    p.add_argument("--out", help="results folder (default: <build>/bench-results)")
    p.add_argument("--scenes", help="scene folder (default: <build>/bench-scenes)")
    p.add_argument("--runner", help="headless runner to use (default: tarnbench-runner, else tarnview-headless)")
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
    if not args.timeout > 0:
        p.error("--timeout wants a number of seconds above 0")
    return args


def fail(message):
    print("tarnbench: " + message, file=sys.stderr)
    sys.exit(1)


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
        out = subprocess.run(["git", "-C", source] + list(args), capture_output=True, text=True, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return None
    return out.stdout.strip() if out.returncode == 0 else None


def read_build_description(build_dir):
    path = os.path.join(build_dir, "tarnbench_build.json")
    try:
        with open(path, encoding="utf-8") as f:
            return json.load(f)
    except (OSError, ValueError) as e:
        fail("%s: cannot read the build description (%s); re-run cmake" % (path, e))


def version_line(build_dir):
    """What --version prints, the same line as the C++ programs': version,
    the git revision the build was configured from, the build type."""
    info = read_build_description(build_dir) if build_dir else {}
    return "tarnbench %s (git %s, %s)" % (info.get("version", "unknown"), info.get("configured_revision", "unknown"),
                                          info.get("build_type") or "unknown build type")


def build_info(build_dir):
    info = read_build_description(build_dir)
    source = info.get("source_dir", "")
    revision = git(source, "rev-parse", "HEAD")
    dirty = git(source, "status", "--porcelain", "--untracked-files=no")
    info["git_revision"] = revision or "unknown"
    info["git_dirty"] = bool(dirty) if dirty is not None else None
    return info


# ---- scenes ---------------------------------------------------------------------------


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
        out = subprocess.run(cmd, capture_output=True, text=True)
    except OSError as e:
        fail("cannot run %s (%s)" % (benchgen, e.strerror))
    if out.returncode != 0:
        fail("benchgen failed: " + (out.stderr.strip() or out.stdout.strip()))
    for line in out.stdout.splitlines():
        print("  " + line)
    scenes = []
    for faces in sizes:
        d = os.path.join(scenes_dir, "faces-" + size_name(faces))
        with open(os.path.join(d, "scene.json"), encoding="utf-8") as f:
            summary = json.load(f)
        with open(os.path.join(d, "timedemo.txt"), encoding="utf-8") as f:
            timedemo = f.read()
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
        with open(script_path, encoding="utf-8") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as e:
        fail("%s: cannot read the flight (%s)" % (script_path, e))
    recorded = flight_frames(text)
    if frames is None:
        if recorded is None:
            fail("%s does not end with its frame count (\"<frames> end\"): give --frames" % script_path)
        if recorded <= warmup:
            fail("%s records %d frames, no more than the %d warm-up frames: give --warmup" % (
                script_path, recorded, warmup))
        frames = recorded - warmup
    name = os.path.splitext(os.path.basename(script_path))[0] or "flight"
    scene = {"name": name, "dir": os.path.abspath(scene_dir), "target_faces": None, "faces": None,
             "summary": {"script": os.path.abspath(script_path), "recorded_frames": recorded},
             "timedemo": text, "flight": True}
    return scene, warmup, frames


# ---- runs -------------------------------------------------------------------------------


def slug(text):
    return "".join(c if c.isalnum() else "-" for c in text.lower()).strip("-")


def write_script(path, scene, keys):
    """The scene's flight with the setting's keys pressed before frame 0. A
    recorded flight gets them first, ahead of its own lines and its end
    line."""
    presses = "".join("0 key %s\n" % key for key in keys)
    timedemo = scene["timedemo"]
    if timedemo and not timedemo.endswith("\n"):
        timedemo += "\n"
    write_output(path, presses + timedemo if scene.get("flight") else timedemo + presses)


def read_frame_times(path):
    """Per-frame figures by frame number, from the runner's hook file:
    {frame: (seconds, device seconds or None, device calls or None)}, and the
    cost of one clock reading in nanoseconds (None when not given)."""
    times = {}
    clock_ns = None
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 3 and parts[:2] == ["#", "clock_ns"]:
                    clock_ns = float(parts[2])
                elif len(parts) == 2:
                    times[int(parts[0])] = (float(parts[1]), None, None)
                elif len(parts) == 4:
                    times[int(parts[0])] = (float(parts[1]), float(parts[2]), int(parts[3]))
    except (OSError, ValueError):
        return None, None
    return times, clock_ns


def run_runner(runner, scene_dir, frames, script, report, env_extra, timeout, threads=None):
    env = dict(os.environ)
    env.update(env_extra)
    cmd = [runner, "--frames", str(frames), "--script", script, "--report", report, "--no-calibrate"]
    if threads is not None:
        cmd += ["--threads", str(threads)]
    cmd.append("objects.scn")
    start = time.monotonic()
    try:
        out = subprocess.run(cmd, cwd=scene_dir, capture_output=True, text=True, env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, "timed out after %.0f s" % timeout, time.monotonic() - start
    except OSError as e:
        return None, "cannot run %s (%s)" % (runner, e.strerror), time.monotonic() - start
    wall = time.monotonic() - start
    if out.returncode != 0:
        detail = (out.stderr.strip() or out.stdout.strip()).splitlines()
        return None, "exit status %d: %s" % (out.returncode, detail[-1] if detail else "no message"), wall
    try:
        with open(report, encoding="utf-8") as f:
            return json.load(f), None, wall
    except (OSError, ValueError) as e:
        return None, "no readable report (%s)" % e, wall


# ---- statistics ---------------------------------------------------------------------------


def summarize(report, frame_times, warmup, frames):
    """Frame statistics of the measured frames (after the warm-up).

    Per-frame times come from the report when it has them, else from the
    runner's swap hook; without either, only the report's whole-run minimum,
    average and maximum are known and the median is left out."""
    per_frame = None
    source = "report (whole run, warm-up included)"
    if isinstance(report.get("frame_times_s"), list):
        per_frame = [t for t in report["frame_times_s"][warmup:warmup + frames] if isinstance(t, (int, float))]
        source = "report frame_times_s"
    elif frame_times:
        per_frame = [frame_times[i][0] for i in range(warmup, warmup + frames) if i in frame_times]
        source = "swap-to-swap hook"
    ft = report.get("frame_time_s", {})
    total_frames = report.get("frames") or 0
    run_seconds = (ft.get("avg") or 0.0) * total_frames
    stats = {
        "frames_measured": len(per_frame) if per_frame else total_frames,
        "timing_source": source,
        # Device counters cover the whole run.
        "triangles_per_frame": (report.get("triangles", 0) / total_frames) if total_frames else None,
        "mtriangles_per_s": (report.get("triangles", 0) / run_seconds * 1e-6) if run_seconds > 0 else None,
        "mpixels_per_s": (report.get("pixels", 0) / run_seconds * 1e-6) if run_seconds > 0 else None,
        "threads": report.get("threads"),
        "report": report,
    }
    if per_frame:
        mean = statistics.fmean(per_frame)
        stats.update({
            "ms_min": min(per_frame) * 1e3,
            "ms_median": statistics.median(per_frame) * 1e3,
            "ms_max": max(per_frame) * 1e3,
            "ms_mean": mean * 1e3,
            "fps": 1.0 / mean if mean > 0 else None,
            "frame_times_s": per_frame,
        })
    else:
        avg = ft.get("avg")
        stats.update({
            "ms_min": ft.get("min") * 1e3 if ft.get("min") is not None else None,
            "ms_median": None,
            "ms_max": ft.get("max") * 1e3 if ft.get("max") is not None else None,
            "ms_mean": avg * 1e3 if avg is not None else None,
            "fps": 1.0 / avg if avg else None,
        })
    return stats


def prepare_run(out_dir, ident, scene, setting):
    """Writes the run's script and returns its path, the report's and the
    per-frame times' (the latter removed, so a stale file is never read)."""
    script = os.path.join(out_dir, "scripts", ident + ".txt")
    write_script(script, scene, setting["keys"])
    report_path = os.path.join(out_dir, "raw", ident + ".report.json")
    times_path = os.path.join(out_dir, "raw", ident + ".frames")
    if os.path.exists(times_path):
        os.remove(times_path)
    return script, report_path, times_path


# ---- split ----------------------------------------------------------------------------------


def measure_split(args, runner, scene, setting, out_dir, warmup, frames):
    """One more run of the scene under the setting with the device calls
    timed (tarnbench-runner's TARNBENCH_DEVICE_TIME): each frame's time from
    swap to swap is split, in that same run, into the time the program spent
    inside the device's calls (device) and the rest (front end: traversal,
    transform, lighting, clipping, the frame loop). With the device's worker
    threads the device part is what the calling thread spends in the calls,
    binning and waits at the swap included. The clock is read twice per
    call; the cost of that is reported, not taken off."""
    script, report_path, times_path = prepare_run(out_dir, "%s-split" % scene["name"], scene, setting)
    report, error, _ = run_runner(runner, scene["dir"], warmup + frames, script, report_path,
                                  {"TARNBENCH_FRAME_TIMES": times_path, "TARNBENCH_DEVICE_TIME": "1"}, args.timeout,
                                  args.threads)
    if error:
        return {"error": "timed run failed: " + error}
    per_frame, clock_ns = read_frame_times(times_path)
    measured = [per_frame[i] for i in range(warmup, warmup + frames) if per_frame and i in per_frame]
    if not measured or any(device is None for _, device, _ in measured):
        return {"error": "the runner wrote no device times (%s)" % times_path}
    frame_s = [t for t, _, _ in measured]
    device_s = [d for _, d, _ in measured]
    front_s = [max(0.0, t - d) for t, d, _ in measured]
    calls = statistics.median(c for _, _, c in measured)
    return {
        "setting": setting["name"],
        "frames": len(measured),
        "threads": (report or {}).get("threads", args.threads),
        "frame_ms": spread(frame_s, 1e3),
        "front_end_ms": spread(front_s, 1e3),
        "device_ms": spread(device_s, 1e3),
        "device_share": statistics.median(d / t for t, d, _ in measured if t > 0),
        "device_calls_per_frame": calls,
        "clock_ns": clock_ns,
        # Two clock readings per call, an upper bound of what the timing adds.
        "timing_cost_ms": calls * 2 * clock_ns * 1e-6 if clock_ns is not None else None,
    }


def split_line(scene_name, split):
    if "error" in split:
        return "[split] %-11s FAILED: %s" % (scene_name, split["error"])
    f, fe, d = split["frame_ms"], split["front_end_ms"], split["device_ms"]
    return ("[split] %-11s frame %.2f ms = front end %.2f ms (%.2f..%.2f) + device %.2f ms (%.2f..%.2f); medians, "
            "10th..90th percentile; %d device calls a frame, timing cost up to %s ms" % (
                scene_name, f["median"], fe["median"], fe["p10"], fe["p90"], d["median"], d["p10"], d["p90"],
                split["device_calls_per_frame"], fmt(split["timing_cost_ms"])))


# ---- trace replay -------------------------------------------------------------------------------


# A recorded triangle takes three 60-byte vertices and a 5-byte record head.
TRACE_BYTES_PER_TRIANGLE = 185


def trace_replay(args, runner, replay, scene, all_on, out_dir, warmup, frames, suite):
    """Records frames in the middle of the flight and replays them through
    the device alone (glide-replay), with and without rasterization. These
    are the replay's own timings; nothing is subtracted from another run.
    Big scenes record fewer frames, so that a trace stays near the suite's
    size limit."""
    per_frame = (all_on.get("triangles_per_frame") or 0) * TRACE_BYTES_PER_TRIANGLE + 4096
    trace_frames = max(1, min(int(suite.get("trace_frames", 10)),
                              int(suite.get("trace_bytes_max", 200000000) // per_frame)))
    trace_frames = min(trace_frames, frames)
    repeat = int(suite.get("replay_repeat", 3))
    first = warmup + (frames - trace_frames) // 2
    last = first + trace_frames - 1
    trace = os.path.join(out_dir, "traces", scene["name"] + ".trace")
    os.makedirs(os.path.dirname(trace), exist_ok=True)
    script = os.path.join(out_dir, "scripts", scene["name"] + "-trace.txt")
    write_script(script, scene, [])
    report = os.path.join(out_dir, "raw", scene["name"] + "-trace.report.json")
    _, error, _ = run_runner(runner, scene["dir"], last + 1, script, report,
                             {"TARNBENCH_TRACE": "%s:%d:%d" % (trace, first, last)}, args.timeout, args.threads)
    if error:
        return {"error": "traced run failed: " + error}
    replay_json = os.path.join(out_dir, "raw", scene["name"] + "-replay.json")
    cmd = [replay, trace, "--repeat", str(repeat), "--split", "--json", replay_json]
    if args.threads is not None:
        cmd += ["--threads", str(args.threads)]
    try:
        out = subprocess.run(cmd, capture_output=True, text=True, timeout=args.timeout)
    except subprocess.TimeoutExpired:
        out = subprocess.CompletedProcess(cmd, 1, "", "timed out after %.0f s" % args.timeout)
    except OSError as e:
        out = subprocess.CompletedProcess(cmd, 1, "", "cannot run %s (%s)" % (replay, e.strerror))
    trace_bytes = os.path.getsize(trace) if os.path.exists(trace) else 0
    if not args.keep_traces and os.path.exists(trace):
        os.remove(trace)
    if out.returncode != 0:
        return {"error": "glide-replay failed: " + (out.stderr.strip() or out.stdout.strip())}
    try:
        with open(replay_json, encoding="utf-8") as f:
            rep = json.load(f)
        counts = rep["thread_counts"]
        device, no_raster = counts[0]["device"]["frame_time_s"], counts[0]["no_raster"]["frame_time_s"]
    except (OSError, ValueError, KeyError, IndexError, TypeError) as e:
        return {"error": "%s: unreadable replay results (%s)" % (replay_json, e)}
    return {
        "frames": [first, last],
        "trace_bytes": trace_bytes,
        "triangles_per_frame": rep["triangles_per_pass"] / max(1, rep["frames_recorded"]),
        "threads": counts[0].get("threads"),
        "device_ms": device["median"] * 1e3,
        "device_min_ms": device["min"] * 1e3,
        "device_without_raster_ms": no_raster["median"] * 1e3,
        "device_without_raster_min_ms": no_raster["min"] * 1e3,
    }


# ---- main -----------------------------------------------------------------------------------


def load_suite(args, source_dir):
    suite_path = args.suite or os.path.join(source_dir, "bench", "suite", "suite.json")
    try:
        with open(suite_path, encoding="utf-8") as f:
            suite = json.load(f)
    except (OSError, ValueError) as e:
        fail("%s: cannot read the suite (%s)" % (suite_path, e))
    if not isinstance(suite, dict) or not isinstance(suite.get("settings"), list) or not suite.get("sizes"):
        fail("%s: not a suite description (it needs \"sizes\" and \"settings\")" % suite_path)
    settings = suite["settings"]
    if args.settings:
        known = {s["name"]: s for s in settings}
        missing = [w for w in args.settings if w not in known]
        if missing:
            usage_error("unknown setting(s) %s; the suite has: %s" % (", ".join(missing), ", ".join(known)))
        settings = [known[w] for w in args.settings]
    return suite_path, suite, settings


def usage_error(message):
    print("tarnbench: error: %s\ntry 'tarnbench --help'" % message, file=sys.stderr)
    sys.exit(2)


def main(argv):
    # The wrapper puts --build first; "compare" is the first word after the
    # options that take a value.
    rest = list(argv)
    leading = []
    while len(rest) >= 2 and rest[0] in ("--build", "-C"):
        leading += rest[:2]
        rest = rest[2:]
    if rest and rest[0] == "compare":
        directory = leading[leading.index("-C") + 1] if "-C" in leading else None
        if directory is not None:
            try:
                os.chdir(directory)
            except OSError as e:
                usage_error("-C %s: %s" % (directory, e.strerror))
        from tarnbench_compare import main as compare_main
        return compare_main(rest[1:])

    args = parse_args(argv)
    build_dir = os.path.abspath(args.build) if args.build else None
    if args.version:
        print(version_line(build_dir))
        return 0
    build = build_info(build_dir)
    source_dir = build["source_dir"]
    suite_path, suite, settings = load_suite(args, source_dir)
    warmup = args.warmup if args.warmup is not None else suite.get("warmup_frames", 10)
    frames = args.frames if args.frames is not None else (None if args.script else suite.get("frames", 90))
    sizes = args.sizes or suite["sizes"]
    out_dir = os.path.abspath(args.out or os.path.join(build_dir, "bench-results"))
    scenes_dir = os.path.abspath(args.scenes or os.path.join(build_dir, "bench-scenes"))
    try:
        for folder in (out_dir, os.path.join(out_dir, "scripts"), os.path.join(out_dir, "raw")):
            check_output_folder(folder)
    except OutputError as e:
        fail(str(e))

    runner = args.runner
    if runner is None:
        hooked = os.path.join(build_dir, "tarnbench-runner")
        runner = hooked if os.access(hooked, os.X_OK) else os.path.join(build_dir, "tarnview-headless")
    if not os.access(runner, os.X_OK):
        fail("%s not found or not executable: build it first" % runner)
    runner = os.path.abspath(runner)
    hooked_runner = os.path.basename(runner) == "tarnbench-runner"
    replay = os.path.join(build_dir, "glide-replay")
    do_trace = not args.no_trace and hooked_runner and os.access(replay, os.X_OK)
    do_split = not args.no_split and hooked_runner

    machine = machine_info()
    if args.script:
        flight, warmup, frames = prepare_flight(args.script, args.scene, warmup, frames)
    print("tarnbench: %s (%s logical cores); %s, %s; revision %s%s" % (
        machine["processor"], machine["logical_cores"], build.get("compiler"), build.get("cxx_flags"),
        build["git_revision"][:12], " (modified)" if build.get("git_dirty") else ""))
    print("tarnbench: runner %s; %d warm-up + %d measured frames; %s%s" % (
        runner, warmup, frames,
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
        # The shipped demo scene, if there is one, runs once with the
        # start-up flags and no script: the camera stays where the scene
        # puts it.
        demo_dir = os.path.join(source_dir, suite["demo_scene"]) if suite.get("demo_scene") else None
        if demo_dir and not args.no_demo and os.path.isfile(os.path.join(demo_dir, "objects.scn")):
            demo = {"name": "demo", "dir": demo_dir, "target_faces": None, "faces": None, "summary": None,
                    "timedemo": ""}
            scenes.append(demo)
            jobs.append((demo, [s for s in settings if not s["keys"]][:1] or [{"name": "all on", "keys": []}]))
    total = sum(len(job_settings) for _, job_settings in jobs)
    started = time.monotonic()
    failed = 0
    runs = []
    try:
        for scene, job_settings in jobs:
            for setting in job_settings:
                ident = "%s-%s" % (scene["name"], slug(setting["name"]))
                script, report_path, times_path = prepare_run(out_dir, ident, scene, setting)
                env = {"TARNBENCH_FRAME_TIMES": times_path} if hooked_runner else {}
                paths_path = tarnbench_paths.request(env, times_path) if hooked_runner else None
                report, error, wall = run_runner(runner, scene["dir"], warmup + frames, script, report_path, env,
                                                 args.timeout, args.threads)
                entry = {"scene": scene["name"], "faces": scene["faces"], "setting": setting["name"],
                         "keys": setting["keys"], "wall_s": round(wall, 3)}
                if error:
                    entry["error"] = error
                    failed += 1
                    line = "FAILED: " + error
                else:
                    per_frame = read_frame_times(times_path)[0] if hooked_runner else None
                    entry.update(summarize(report, per_frame, warmup, frames))
                    line = "%7s fps  median %s ms" % (fmt(entry["fps"], 1), fmt(entry["ms_median"]))
                runs.append(entry)
                print("[%2d/%d] %-11s %-24s %s  (%.1f s)" % (len(runs), total, scene["name"], setting["name"], line,
                                                             wall), flush=True)
                tarnbench_paths.record(entry, paths_path)

        splits = []
        for scene in scenes:
            all_on = next((r for r in runs if r["scene"] == scene["name"] and not r.get("keys")
                           and "error" not in r), None)
            if all_on is None or not (do_split or do_trace):
                continue
            split = {"scene": scene["name"], "faces": scene["faces"]}
            if do_split:
                setting = next(s for s in settings if s["name"] == all_on["setting"])
                split.update(measure_split(args, runner, scene, setting, out_dir, warmup, frames))
                print(split_line(scene["name"], split), flush=True)
            if do_trace:
                replayed = trace_replay(args, runner, replay, scene, all_on, out_dir, warmup, frames, suite)
                split["replay"] = replayed
                if "error" in replayed:
                    print("[trace] %-11s FAILED: %s" % (scene["name"], replayed["error"]))
                else:
                    print("[trace] %-11s device alone (replayed): %.2f ms a frame (fastest %.2f), without "
                          "rasterization %.2f ms" % (scene["name"], replayed["device_ms"], replayed["device_min_ms"],
                                                     replayed["device_without_raster_ms"]), flush=True)
            splits.append(split)
        if not hooked_runner and not (args.no_trace and args.no_split):
            print("tarnbench: no front end / device split (needs tarnbench-runner)")

        print_table(runs)
        overall, counted = score(runs)
        results = {
            "tool": "tarnbench",
            "date_utc": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()),
            "machine": machine,
            "build": build,
            "runner": runner,
            "threads": args.threads,
            "suite": {"file": suite_path, "warmup_frames": warmup, "frames": frames,
                      "sizes": None if args.script else sizes, "settings": settings,
                      "flight": os.path.abspath(args.script) if args.script else None},
            "scenes": [{k: s[k] for k in ("name", "faces", "target_faces", "summary")} for s in scenes],
            "runs": runs,
            "splits": splits,
            "score": overall,
            "score_runs": counted,
            "score_definition": "geometric mean of frames per second over the runs that measured a rate",
            "load_average_at_end": list(os.getloadavg()) if hasattr(os, "getloadavg") else None,
            "elapsed_s": round(time.monotonic() - started, 1),
        }
        write_output(os.path.join(out_dir, "results.json"), json.dumps(results, indent=1) + "\n")
        write_output(os.path.join(out_dir, "results.csv"), csv_text(runs))
        write_output(os.path.join(out_dir, "chart.svg"), chart_text(runs, settings, machine, build))
    except OutputError as e:
        fail(str(e))
    print("\ntarnbench: %d runs (%d failed) in %.0f s; results in %s (results.json, results.csv, chart.svg)" % (
        len(runs), failed, time.monotonic() - started, out_dir))
    # The score comes last, so that it is the line a reader looks for.
    print("tarnbench: score %s (geometric mean of frames per second over %d runs)" % (fmt(overall, 2), counted))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
