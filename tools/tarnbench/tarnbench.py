#!/usr/bin/env python3
"""tarnbench: runs the Tarnview benchmark suite.

Generates the benchmark scenes (benchgen) into the build tree, runs each
scene's timedemo under every render setting of the suite with the headless
runner, and writes a table, JSON, CSV and an SVG chart of frame time against
face count. With the trace-enabled runner (tarnbench-runner) it also times
every frame on its own (for the median) and records a short device trace of
each scene, which glide-replay replays to split the frame time into the
system's front end and the device's rasterization.

Sections: options; machine and build; scenes; runs; statistics; trace split;
main. The table, CSV and chart are drawn by tarnbench_report.py.
Only the Python standard library is used.
"""

import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

# The helper module sits beside this script in the source tree: leave no
# byte-code there.
sys.dont_write_bytecode = True
from tarnbench_report import fmt, print_table, write_chart, write_csv

# ---- options ---------------------------------------------------------------------------


def parse_args(argv):
    p = argparse.ArgumentParser(
        prog="tarnbench",
        description="Runs the Tarnview benchmark suite: scenes of about 1k to 1M faces, "
        "each under a set of render settings, with a fixed camera flight.")
    p.add_argument("--build", required=True, help="CMake build folder (filled in by build/tarnbench)")
    p.add_argument("--suite", help="suite description (default: <source>/bench/suite/suite.json)")
    p.add_argument("--sizes", help="face counts, comma separated, e.g. 1000,10000 (default: the suite's)")
    p.add_argument("--settings", help="setting names, comma separated (default: all of the suite's)")
    p.add_argument("--frames", type=int, help="measured frames per run (default: the suite's)")
    p.add_argument("--warmup", type=int, help="warm-up frames per run (default: the suite's)")
    p.add_argument("--out", help="results folder (default: <build>/bench-results)")
    p.add_argument("--scenes", help="scene folder (default: <build>/bench-scenes)")
    p.add_argument("--runner", help="headless runner to use (default: tarnbench-runner, else tarnview-headless)")
    p.add_argument("--no-trace", action="store_true", help="skip the device trace and the front end split")
    p.add_argument("--no-demo", action="store_true", help="skip the shipped demo scene")
    p.add_argument("--keep-traces", action="store_true", help="keep the trace files after replaying them")
    p.add_argument("--timeout", type=float, default=900.0, help="seconds one run may take (default 900)")
    args = p.parse_args(argv)
    for name in ("frames", "warmup"):
        value = getattr(args, name)
        if value is not None and (value < (1 if name == "frames" else 0) or value > 100000):
            p.error("--%s out of range" % name)
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


def build_info(build_dir):
    path = os.path.join(build_dir, "tarnbench_build.json")
    try:
        with open(path, encoding="utf-8") as f:
            info = json.load(f)
    except (OSError, ValueError) as e:
        fail("%s: cannot read the build description (%s); re-run cmake" % (path, e))
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


def prepare_scenes(build_dir, source_dir, scenes_dir, sizes, suite, warmup, frames):
    benchgen = os.path.join(build_dir, "benchgen")
    if not os.access(benchgen, os.X_OK):
        fail("%s not found: build it first (ninja -C %s benchgen)" % (benchgen, build_dir))
    cmd = [benchgen, "--suite", scenes_dir, "--sizes", ",".join(str(s) for s in sizes),
           "--actors", str(suite.get("actors", 4)), "--warmup", str(warmup), "--path-frames", str(frames)]
    out = subprocess.run(cmd, capture_output=True, text=True)
    if out.returncode != 0:
        fail("benchgen failed: " + (out.stderr.strip() or out.stdout.strip()))
    for line in out.stdout.splitlines():
        print("  " + line)
    font = os.path.join(source_dir, "examples", "fonts", "ffont.3df")
    if not os.path.isfile(font):
        fail("%s not found: the runner needs the font in the scene folder" % font)
    scenes = []
    for faces in sizes:
        d = os.path.join(scenes_dir, "faces-" + size_name(faces))
        shutil.copyfile(font, os.path.join(d, "ffont.3df"))
        with open(os.path.join(d, "scene.json"), encoding="utf-8") as f:
            summary = json.load(f)
        with open(os.path.join(d, "timedemo.txt"), encoding="utf-8") as f:
            timedemo = f.read()
        scenes.append({"name": "faces-" + size_name(faces), "dir": d, "target_faces": faces,
                       "faces": summary["faces"], "summary": summary, "timedemo": timedemo})
    return scenes


# ---- runs -------------------------------------------------------------------------------


def slug(text):
    return "".join(c if c.isalnum() else "-" for c in text.lower()).strip("-")


def write_script(path, timedemo, keys, extra=()):
    with open(path, "w", encoding="utf-8") as f:
        f.write(timedemo)
        for key in keys:
            f.write("0 key %s\n" % key)
        for line in extra:
            f.write(line + "\n")


def read_frame_times(path):
    """Per-frame seconds by frame number, from the runner's hook file."""
    times = {}
    try:
        with open(path, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) == 2:
                    times[int(parts[0])] = float(parts[1])
    except (OSError, ValueError):
        return None
    return times


def run_runner(runner, scene_dir, frames, script, report, env_extra, timeout):
    env = dict(os.environ)
    env.update(env_extra)
    cmd = [runner, "--frames", str(frames), "--script", script, "--report", report, "--no-calibrate",
           "objects.scn"]
    start = time.monotonic()
    try:
        out = subprocess.run(cmd, cwd=scene_dir, capture_output=True, text=True, env=env, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, "timed out after %.0f s" % timeout, time.monotonic() - start
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
        per_frame = [frame_times[i] for i in range(warmup, warmup + frames) if i in frame_times]
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


# ---- trace split ----------------------------------------------------------------------------


# A recorded triangle takes three 60-byte vertices and a 5-byte record head.
TRACE_BYTES_PER_TRIANGLE = 185


def trace_split(args, runner, replay, scene, all_on, out_dir, warmup, frames, suite):
    """Records frames in the middle of the flight and replays them: the
    replay's time is the device's share, the rest of the runner's frame time
    (same frames, measured in the untraced all-on run) is the front end.
    Big scenes record fewer frames, so that a trace stays near the suite's
    size limit."""
    per_frame = (all_on.get("triangles_per_frame") or 0) * TRACE_BYTES_PER_TRIANGLE + 4096
    trace_frames = max(1, min(int(suite.get("trace_frames", 10)),
                              int(suite.get("trace_bytes_max", 200000000) // per_frame)))
    trace_frames = min(trace_frames, frames)
    repeat = int(suite.get("replay_repeat", 3))
    first = warmup + (frames - trace_frames) // 2
    last = first + trace_frames - 1
    if last >= warmup + frames:
        return {"error": "flight too short for a trace"}
    trace = os.path.join(out_dir, "traces", scene["name"] + ".trace")
    os.makedirs(os.path.dirname(trace), exist_ok=True)
    script = os.path.join(out_dir, "scripts", scene["name"] + "-trace.txt")
    write_script(script, scene["timedemo"], [])
    report = os.path.join(out_dir, "raw", scene["name"] + "-trace.report.json")
    _, error, _ = run_runner(runner, scene["dir"], last + 1, script, report,
                             {"TARNBENCH_TRACE": "%s:%d:%d" % (trace, first, last)}, args.timeout)
    if error:
        return {"error": "traced run failed: " + error}
    replay_json = os.path.join(out_dir, "raw", scene["name"] + "-replay.json")
    cmd = [replay, trace, "--repeat", str(repeat), "--split", "--json", replay_json]
    out = subprocess.run(cmd, capture_output=True, text=True, timeout=args.timeout)
    trace_bytes = os.path.getsize(trace) if os.path.exists(trace) else 0
    if not args.keep_traces and os.path.exists(trace):
        os.remove(trace)
    if out.returncode != 0:
        return {"error": "glide-replay failed: " + (out.stderr.strip() or out.stdout.strip())}
    with open(replay_json, encoding="utf-8") as f:
        rep = json.load(f)
    times = all_on.get("frame_times_s")
    if not times:
        return {"error": "no per-frame times for the traced frames"}
    traced = times[first - warmup:last - warmup + 1]
    runner_ms = statistics.median(traced) * 1e3
    device_ms = rep["device"]["frame_time_s"]["median"] * 1e3
    calls_ms = rep["no_raster"]["frame_time_s"]["median"] * 1e3
    # Minimums are the least disturbed by other work on the machine.
    runner_best = min(traced) * 1e3
    device_best = rep["device"]["frame_time_s"]["min"] * 1e3
    return {
        "best_of": {"runner_ms": runner_best, "device_ms": device_best,
                    "device_without_raster_ms": rep["no_raster"]["frame_time_s"]["min"] * 1e3,
                    "front_end_ms": runner_best - device_best},
        "frames": [first, last],
        "trace_bytes": trace_bytes,
        "triangles_per_frame": rep["triangles_per_pass"] / max(1, rep["frames_recorded"]),
        "runner_ms": runner_ms,
        "device_ms": device_ms,
        "device_without_raster_ms": calls_ms,
        "rasterization_ms": device_ms - calls_ms,
        "front_end_ms": runner_ms - device_ms,
    }


# ---- main -----------------------------------------------------------------------------------


def main(argv):
    args = parse_args(argv)
    build_dir = os.path.abspath(args.build)
    build = build_info(build_dir)
    source_dir = build["source_dir"]
    suite_path = args.suite or os.path.join(source_dir, "bench", "suite", "suite.json")
    try:
        with open(suite_path, encoding="utf-8") as f:
            suite = json.load(f)
    except (OSError, ValueError) as e:
        fail("%s: cannot read the suite (%s)" % (suite_path, e))
    sizes = suite["sizes"]
    if args.sizes:
        try:
            sizes = [int(s) for s in args.sizes.split(",") if s]
        except ValueError:
            fail("--sizes wants numbers, e.g. 1000,10000")
    settings = suite["settings"]
    if args.settings:
        wanted = [s.strip() for s in args.settings.split(",") if s.strip()]
        known = {s["name"]: s for s in settings}
        missing = [w for w in wanted if w not in known]
        if missing:
            fail("unknown setting(s) %s; the suite has: %s" % (", ".join(missing), ", ".join(known)))
        settings = [known[w] for w in wanted]
    warmup = args.warmup if args.warmup is not None else suite.get("warmup_frames", 10)
    frames = args.frames if args.frames is not None else suite.get("frames", 90)
    out_dir = os.path.abspath(args.out or os.path.join(build_dir, "bench-results"))
    scenes_dir = os.path.abspath(args.scenes or os.path.join(build_dir, "bench-scenes"))
    for sub in ("scripts", "raw"):
        os.makedirs(os.path.join(out_dir, sub), exist_ok=True)

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

    machine = machine_info()
    print("tarnbench: %s (%s logical cores); %s, %s; revision %s%s" % (
        machine["processor"], machine["logical_cores"], build.get("compiler"), build.get("cxx_flags"),
        build["git_revision"][:12], " (modified)" if build.get("git_dirty") else ""))
    print("tarnbench: runner %s; %d warm-up + %d measured frames; scenes in %s" % (
        runner, warmup, frames, scenes_dir))
    load = machine.get("load_average_at_start")
    if load and machine["logical_cores"] and load[0] > machine["logical_cores"]:
        print("tarnbench: warning: load average %.1f on %d cores: other work will disturb the timings" % (
            load[0], machine["logical_cores"]))
    scenes = prepare_scenes(build_dir, source_dir, scenes_dir, sizes, suite, warmup, frames)

    runs = []
    # The shipped demo scene, if there is one, runs once with the start-up
    # flags and no script: the camera stays where the scene puts it.
    jobs = [(scene, settings) for scene in scenes]
    demo_dir = os.path.join(source_dir, suite["demo_scene"]) if suite.get("demo_scene") else None
    if demo_dir and not args.no_demo and os.path.isfile(os.path.join(demo_dir, "objects.scn")):
        demo = {"name": "demo", "dir": demo_dir, "target_faces": None, "faces": None, "summary": None, "timedemo": ""}
        scenes.append(demo)
        jobs.append((demo, [s for s in settings if not s["keys"]][:1] or [{"name": "all on", "keys": []}]))
    total = sum(len(job_settings) for _, job_settings in jobs)
    started = time.monotonic()
    failed = 0
    for scene, job_settings in jobs:
        for setting in job_settings:
            ident = "%s-%s" % (scene["name"], slug(setting["name"]))
            script = os.path.join(out_dir, "scripts", ident + ".txt")
            write_script(script, scene["timedemo"], setting["keys"])
            report_path = os.path.join(out_dir, "raw", ident + ".report.json")
            times_path = os.path.join(out_dir, "raw", ident + ".frames")
            if os.path.exists(times_path):
                os.remove(times_path)
            env = {"TARNBENCH_FRAME_TIMES": times_path} if hooked_runner else {}
            report, error, wall = run_runner(runner, scene["dir"], warmup + frames, script, report_path, env,
                                             args.timeout)
            entry = {"scene": scene["name"], "faces": scene["faces"], "setting": setting["name"],
                     "keys": setting["keys"], "wall_s": round(wall, 3)}
            if error:
                entry["error"] = error
                failed += 1
                line = "FAILED: " + error
            else:
                entry.update(summarize(report, read_frame_times(times_path) if hooked_runner else None, warmup,
                                       frames))
                line = "%7s fps  median %s ms" % (fmt(entry["fps"], 1), fmt(entry["ms_median"]))
            runs.append(entry)
            print("[%2d/%d] %-11s %-24s %s  (%.1f s)" % (len(runs), total, scene["name"], setting["name"], line,
                                                         wall), flush=True)

    splits = []
    if do_trace:
        for scene in scenes:
            all_on = next((r for r in runs if r["scene"] == scene["name"] and not r.get("keys")
                           and "error" not in r), None)
            if all_on is None:
                continue
            split = trace_split(args, runner, replay, scene, all_on, out_dir, warmup, frames, suite)
            split["scene"] = scene["name"]
            split["faces"] = scene["faces"]
            splits.append(split)
            if "error" in split:
                print("[trace] %-11s FAILED: %s" % (scene["name"], split["error"]))
            else:
                best = split["best_of"]
                print("[trace] %-11s median frame %.2f ms = front end %.2f + device %.2f (calls and set-up "
                      "%.2f, rasterization %.2f); fastest frame %.2f ms = front end %.2f + device %.2f" % (
                          scene["name"], split["runner_ms"], split["front_end_ms"], split["device_ms"],
                          split["device_without_raster_ms"], split["rasterization_ms"], best["runner_ms"],
                          best["front_end_ms"], best["device_ms"]), flush=True)
    elif not args.no_trace:
        print("tarnbench: no trace split (needs tarnbench-runner and glide-replay)")

    print_table(runs)
    results = {
        "tool": "tarnbench",
        "date_utc": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime()),
        "machine": machine,
        "build": build,
        "runner": runner,
        "suite": {"file": suite_path, "warmup_frames": warmup, "frames": frames, "sizes": sizes,
                  "settings": settings},
        "scenes": [{k: s[k] for k in ("name", "faces", "target_faces", "summary")} for s in scenes],
        "runs": runs,
        "splits": splits,
        "load_average_at_end": list(os.getloadavg()) if hasattr(os, "getloadavg") else None,
        "elapsed_s": round(time.monotonic() - started, 1),
    }
    with open(os.path.join(out_dir, "results.json"), "w", encoding="utf-8") as f:
        json.dump(results, f, indent=1)
    write_csv(os.path.join(out_dir, "results.csv"), runs)
    write_chart(os.path.join(out_dir, "chart.svg"), runs, settings, machine, build)
    print("\ntarnbench: %d runs (%d failed) in %.0f s; results in %s (results.json, results.csv, chart.svg)" % (
        len(runs), failed, time.monotonic() - started, out_dir))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
