"""One timed run of tarnbench and what it measured: the run's script, the
headless runner started and ended cleanly, its report and per-frame times
read and checked, the statistics of the measured frames, and the figures of
several repeats of one scene and setting merged. Standard library only.

Sections: programs; scripts and files; the runner; statistics.
"""

import math
import os
import signal
import statistics
import subprocess
import time

from tarnbench_documents import RUNNER_REPORT, DocumentError, read_document
from tarnbench_files import write_output

# ---- programs -------------------------------------------------------------------------------


def _end(child):
    """Asks a child to end (SIGTERM, so that it removes its own temporary
    files), and kills it when it does not within ten seconds."""
    child.terminate()
    try:
        child.communicate(timeout=10)
    except BaseException:
        child.kill()
        child.wait()


_STOPPING_SIGNALS = {signal.SIGINT, signal.SIGTERM, signal.SIGHUP}


def run_program(cmd, timeout=None, **options):
    """Runs cmd with its output captured (as subprocess.run does); raises
    subprocess.TimeoutExpired after timeout seconds. A timeout or a signal
    that stops tarnbench ends the child first. The signals wait while the
    child starts (the child gets the mask as it was), so that one arriving
    then still finds the child known and ends it."""
    mask = signal.pthread_sigmask(signal.SIG_BLOCK, _STOPPING_SIGNALS)
    try:
        child = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, encoding="utf-8",
                                 errors="replace", preexec_fn=lambda: signal.pthread_sigmask(signal.SIG_SETMASK, mask),
                                 **options)
    except BaseException:
        signal.pthread_sigmask(signal.SIG_SETMASK, mask)
        raise
    with child:
        try:
            signal.pthread_sigmask(signal.SIG_SETMASK, mask)
            out, err = child.communicate(timeout=timeout)
        except BaseException:
            _end(child)
            raise
    return subprocess.CompletedProcess(cmd, child.returncode, out, err)


def cpu_clock():
    """(seconds the machine's processors have spent busy, seconds this
    process's ended children have used), or None without /proc/stat."""
    try:
        with open("/proc/stat", encoding="ascii") as f:
            fields = f.readline().split()
        # user nice system idle iowait irq softirq steal: all but idle and
        # iowait are busy (a guest's time is counted in user).
        ticks = [int(v) for v in fields[1:9]]
        busy = (sum(ticks) - ticks[3] - ticks[4]) / os.sysconf("SC_CLK_TCK")
    except (OSError, ValueError, IndexError):
        return None
    times = os.times()
    return busy, times.children_user + times.children_system


def other_work(before, after, wall):
    """Processors other programs kept busy, on average, between two
    cpu_clock() readings around one run of a child: the machine's busy time
    less the child's own (tarnbench itself waits meanwhile). None when
    unknown."""
    if before is None or after is None or wall <= 0:
        return None
    return round(max(0.0, (after[0] - before[0]) - (after[1] - before[1])) / wall, 2)


# ---- scripts and files ----------------------------------------------------------------------


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


def read_frame_times(path):
    """Per-frame figures by frame number, from the runner's hook file:
    {frame: (seconds, device seconds or None, device calls or None)}, and the
    cost of one clock reading in nanoseconds (None when not given). (None,
    None) when the file cannot be read or holds a figure that is not a
    finite number of 0 or more."""
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
    except (OSError, ValueError, UnicodeDecodeError):
        return None, None
    figures = [v for t in times.values() for v in t[:2] if v is not None] + ([clock_ns] if clock_ns is not None else [])
    if not all(math.isfinite(v) and v >= 0 for v in figures):
        return None, None
    return times, clock_ns


# ---- the runner -----------------------------------------------------------------------------


def run_runner(runner, scene_dir, frames, script, report, env_extra, timeout, threads=None):
    """Runs the headless runner on a scene; returns (report, error,
    seconds)."""
    env = dict(os.environ)
    env.update(env_extra)
    cmd = [runner, "--frames", str(frames), "--script", script, "--report", report, "--no-calibrate"]
    if threads is not None:
        cmd += ["--threads", str(threads)]
    cmd.append("objects.scn")
    start = time.monotonic()
    try:
        out = run_program(cmd, timeout=timeout, cwd=scene_dir, env=env)
    except subprocess.TimeoutExpired:
        return None, "timed out after %.0f s" % timeout, time.monotonic() - start
    except OSError as e:
        return None, "cannot run %s (%s)" % (runner, e.strerror), time.monotonic() - start
    wall = time.monotonic() - start
    if out.returncode != 0:
        detail = (out.stderr.strip() or out.stdout.strip()).splitlines()
        return None, "exit status %d: %s" % (out.returncode, detail[-1] if detail else "no message"), wall
    try:
        return read_document(report, RUNNER_REPORT, "a runner report"), None, wall
    except DocumentError as e:
        return None, "no readable report (%s)" % e, wall


# ---- statistics -----------------------------------------------------------------------------


def summarize(report, frame_times, warmup, frames):
    """Frame statistics of the measured frames (after the warm-up).

    Per-frame times come from the report when it has them, else from the
    runner's swap hook; without either, only the report's whole-run minimum,
    average and maximum are known and the median is left out."""
    per_frame = None
    source = "report (whole run, warm-up included)"
    if isinstance(report.get("frame_times_s"), list):
        per_frame = report["frame_times_s"][warmup:warmup + frames]
        source = "report frame_times_s"
    elif frame_times:
        per_frame = [frame_times[i][0] for i in range(warmup, warmup + frames) if i in frame_times]
        source = "swap-to-swap hook"
    ft = report["frame_time_s"]
    total_frames = report["frames"]
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


def merge_repeats(parts):
    """One scene and setting's figures over its repeated runs (each a
    summarize() result): the runs' own figures in run_medians_ms (each run's
    median frame time, its mean without per-frame times) and, as ms_median,
    their median; minimum, maximum, mean and rate over every measured frame;
    the device's rates averaged; the first run's report."""
    figures = [p["ms_median"] if p["ms_median"] is not None else p["ms_mean"] for p in parts]
    merged = dict(parts[0])
    merged["run_medians_ms"] = [f for f in figures if f is not None and f > 0]
    if len(parts) == 1:
        return merged
    frames = sum(p["frames_measured"] for p in parts)

    def pooled(key, how):
        values = [p[key] for p in parts if p.get(key) is not None]
        return how(values) if len(values) == len(parts) else None

    mean = pooled("ms_mean", lambda v: math.fsum(m * p["frames_measured"] for m, p in zip(v, parts)) / frames)
    merged.update({
        "frames_measured": frames,
        "ms_min": pooled("ms_min", min),
        "ms_median": statistics.median(merged["run_medians_ms"]) if pooled("ms_median", len) else None,
        "ms_max": pooled("ms_max", max),
        "ms_mean": mean,
        "fps": 1e3 / mean if mean else None,
        "mtriangles_per_s": pooled("mtriangles_per_s", statistics.fmean),
        "mpixels_per_s": pooled("mpixels_per_s", statistics.fmean),
    })
    if all(p.get("frame_times_s") for p in parts):
        merged["frame_times_s"] = [t for p in parts for t in p["frame_times_s"]]
    return merged
