"""Where a scene's frame time goes, for tarnbench: the front end and the
device split in one run through the timed device calls, and the device
alone, timed by replaying a short device trace (glide-replay). Standard
library only.

Sections: split; trace replay.
"""

import os
import statistics
import subprocess

from tarnbench_documents import REPLAY_RESULTS, DocumentError, read_document
from tarnbench_report import fmt
from tarnbench_runs import prepare_run, read_frame_times, run_program, run_runner, write_script
from tarnbench_stats import spread

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


def replay_trace(replay, trace, repeat, replay_json, args):
    cmd = [replay, trace, "--repeat", str(repeat), "--split", "--json", replay_json]
    if args.threads is not None:
        cmd += ["--threads", str(args.threads)]
    try:
        return run_program(cmd, timeout=args.timeout)
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(cmd, 1, "", "timed out after %.0f s" % args.timeout)
    except OSError as e:
        return subprocess.CompletedProcess(cmd, 1, "", "cannot run %s (%s)" % (replay, e.strerror))


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
    replay_json = os.path.join(out_dir, "raw", scene["name"] + "-replay.json")
    try:
        _, error, _ = run_runner(runner, scene["dir"], last + 1, script, report,
                                 {"TARNBENCH_TRACE": "%s:%d:%d" % (trace, first, last)}, args.timeout, args.threads)
        if error:
            return {"error": "traced run failed: " + error}
        out = replay_trace(replay, trace, repeat, replay_json, args)
        trace_bytes = os.path.getsize(trace) if os.path.exists(trace) else 0
    finally:
        # Interrupted or not: a trace can take hundreds of megabytes.
        if not args.keep_traces and os.path.exists(trace):
            os.remove(trace)
    if out.returncode != 0:
        return {"error": "glide-replay failed: " + (out.stderr.strip() or out.stdout.strip())}
    try:
        rep = read_document(replay_json, REPLAY_RESULTS, "glide-replay results")
    except DocumentError as e:
        return {"error": str(e)}
    counts = rep["thread_counts"]
    device, no_raster = counts[0]["device"]["frame_time_s"], counts[0]["no_raster"]["frame_time_s"]
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
