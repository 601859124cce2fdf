"""The software device's path counters in tarnbench's runs.

tarnbench-runner writes, when TARNBENCH_PATH_COUNTERS names a file, the
device's path counters of the whole run (which path drew how many triangles
and pixels, and how often a faster path declined; glide::PathCounters) as
one JSON object. Each run asks for that file, stores the counters in its
entry of results.json ("paths") and prints one line, so that a state that
falls to the generic path shows in the output, not only in the frame time.
"""

import json
import os

from tarnbench_files import InputError, read_limited

ENVIRONMENT = "TARNBENCH_PATH_COUNTERS"

# Columns of the printed line: (label, triangles field, pixels field).
PATHS = (
    ("batch", "batch_triangles", "batch_pixels"),
    ("block", "block_triangles", "block_pixels"),
    ("vector span", "vector_span_triangles", "vector_span_pixels"),
    ("scalar span", "scalar_span_triangles", "scalar_span_pixels"),
    ("generic", "generic_triangles", "generic_pixels"),
)


def request(env, times_path):
    """Adds the variable to a run's environment; returns the file it names
    (beside the run's frame times)."""
    path = os.path.splitext(times_path)[0] + "-paths.json"
    env[ENVIRONMENT] = path
    return path


def read(path):
    """The counters the runner wrote (names to whole numbers), or None when
    it wrote none or something else."""
    try:
        counters = json.loads(read_limited(path, 1 << 20, "path counters").decode("utf-8"))
    except (InputError, ValueError, RecursionError):
        return None
    if not isinstance(counters, dict):
        return None
    return {k: v for k, v in counters.items() if isinstance(v, int) and not isinstance(v, bool) and v >= 0}


def short(n):
    if n >= 10_000_000:
        return "%.0fM" % (n / 1e6)
    if n >= 10_000:
        return "%.0fk" % (n / 1e3)
    return str(n)


def line(counters):
    """One line: triangles / pixels of each path, then the declines."""
    parts = ["%s %s/%s" % (label, short(counters.get(tris, 0)), short(counters.get(pixels, 0)))
             for label, tris, pixels in PATHS]
    declines = "declined: batch %s, block %s, span overflows %s" % (
        short(counters.get("batch_declined", 0)), short(counters.get("block_declined", 0)),
        short(counters.get("span_overflows", 0)))
    return "triangles/pixels: " + ", ".join(parts) + "; " + declines


def record(entry, path):
    """Stores the run's counters in its results entry and prints them."""
    if path is None:
        return
    counters = read(path)
    if counters is None:
        return
    entry["paths"] = counters
    print("        [paths] %s" % line(counters), flush=True)
