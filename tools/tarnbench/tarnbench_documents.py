"""The JSON documents tarnbench reads (the suite, results, the runner's
report, its own build description), read with a size limit and checked
for shape, so that a damaged or hostile file ends in one line of message
(DocumentError), never a traceback. Every number a document gives is
finite: nothing read can put NaN or Infinity into the results.

A shape is str, int (a whole number), float (a finite number), bool, a
one-item list [item shape], a dict of key shapes ("key?" for an optional
key; other keys are allowed), Maybe(shape) for a value that may be null,
or Check(shape, test, wanted) for a value that must also pass test.
Standard library only.

Sections: shapes; reading; the documents.
"""

import json
import math

from tarnbench_files import InputError, read_limited


class DocumentError(Exception):
    pass


# ---- shapes ---------------------------------------------------------------------------------


class Maybe:
    def __init__(self, shape):
        self.shape = shape


class Check:
    def __init__(self, shape, test, wanted):
        self.shape, self.test, self.wanted = shape, test, wanted


_WANTED = {str: "a string", int: "a whole number", float: "a finite number", bool: "true or false"}


def _kind(value):
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, float)):
        return "a number" if math.isfinite(value) else "not finite"
    return {str: "a string", list: "a list", dict: "an object"}.get(type(value), type(value).__name__)


def _fits(value, shape):
    if shape is float:
        return isinstance(value, (int, float)) and not isinstance(value, bool) and math.isfinite(value)
    if shape is int:
        return isinstance(value, int) and not isinstance(value, bool)
    return isinstance(value, shape)


def check_shape(value, shape, where):
    """Raises DocumentError("WHERE is KIND, not WANTED") at the first part
    of value that does not have its shape."""
    wanted = None
    if isinstance(shape, Maybe):
        if value is None:
            return
        shape = shape.shape
    if isinstance(shape, Check):
        check_shape(value, shape.shape, where)
        if not shape.test(value):
            wanted = shape.wanted
    elif isinstance(shape, list):
        if not isinstance(value, list):
            wanted = "a list"
        else:
            for i, item in enumerate(value):
                check_shape(item, shape[0], "%s[%d]" % (where, i))
    elif isinstance(shape, dict):
        if not isinstance(value, dict):
            wanted = "an object"
        else:
            for key, part in shape.items():
                name = key.rstrip("?")
                if name in value:
                    check_shape(value[name], part, "%s.%s" % (where, name) if where else name)
                elif not key.endswith("?"):
                    raise DocumentError("%s lacks \"%s\"" % (where or "the document", name))
    elif not _fits(value, shape):
        wanted = _WANTED[shape]
    if wanted is not None:
        raise DocumentError("%s is %s, not %s" % (where or "the document", _kind(value), wanted))


# ---- reading --------------------------------------------------------------------------------


# Results of a long suite with many repeats stay far below this.
READ_LIMIT = 64 << 20


def read_document(path, shape, what, limit=READ_LIMIT):
    """Reads path as JSON of the given shape; raises DocumentError naming
    the file and what it should have been."""
    try:
        text = read_limited(path, limit, what).decode("utf-8")
        document = json.loads(text)
    except InputError as e:
        raise DocumentError(str(e))
    except UnicodeDecodeError:
        raise DocumentError("%s: cannot read %s (not UTF-8 text)" % (path, what))
    except RecursionError:
        raise DocumentError("%s: cannot read %s (nested too deeply)" % (path, what))
    except ValueError as e:
        raise DocumentError("%s: cannot read %s (%s)" % (path, what, e))
    try:
        check_shape(document, shape, "")
    except DocumentError as e:
        raise DocumentError("%s: not %s: %s" % (path, what, e))
    return document


# ---- the documents --------------------------------------------------------------------------


def _positive(v):
    return v > 0


def _not_negative(v):
    return v >= 0


def _name(text):
    return 0 < len(text) <= 100 and text.isprintable() and text.strip() == text


def _key(text):
    return 0 < len(text) <= 32 and text.isprintable() and not any(c.isspace() or c == "#" for c in text)


SETTING_NAME = Check(str, _name, "a name of 1 to 100 printable characters")
POSITIVE_WHOLE = Check(int, _positive, "a whole number above 0")

SUITE = {
    "sizes": Check([Check(int, lambda n: 100 <= n <= 4000000, "a face count from 100 to 4000000")], bool,
                   "a list of at least one face count"),
    "settings": Check([{"name": SETTING_NAME,
                        "keys": [Check(str, _key, "a key name (no spaces or #)")]}], bool,
                      "a list of at least one setting"),
    "actors?": Check(int, lambda n: 1 <= n <= 64, "a whole number from 1 to 64"),
    "warmup_frames?": Check(int, lambda n: 0 <= n <= 100000, "a whole number from 0 to 100000"),
    "frames?": Check(int, lambda n: 1 <= n <= 100000, "a whole number from 1 to 100000"),
    "demo_scene?": Maybe(str),
    "trace_frames?": POSITIVE_WHOLE,
    "trace_bytes_max?": POSITIVE_WHOLE,
    "replay_repeat?": Check(int, lambda n: 1 <= n <= 1000, "a whole number from 1 to 1000"),
}

LOAD = Maybe([Check(float, _not_negative, "a load average")])
# Bounded, so that no figure computed from them overflows to infinity.
FRAME_TIMES = Maybe([Check(float, lambda t: 0 <= t <= 1e6, "a frame time from 0 to 1e6 s")])
RUN_MILLISECONDS = Check(float, lambda t: 0 < t <= 1e9, "a frame time above 0 and up to 1e9 ms")
MILLISECONDS = Maybe(RUN_MILLISECONDS)

RESULTS = {
    "tool": Check(str, lambda t: t == "tarnbench", "\"tarnbench\""),
    "runs": [{
        "scene": str, "setting": str, "error?": str, "frame_times_s?": FRAME_TIMES,
        "ms_median?": MILLISECONDS, "ms_mean?": MILLISECONDS, "fps?": Maybe(float),
        "run_medians_ms?": [RUN_MILLISECONDS],
        "run_other_cores?": [Check(float, _not_negative, "a number of processors")],
    }],
    "scenes?": [{"name": str, "faces?": Maybe(int)}],
    "machine?": Maybe({"processor?": Maybe(str), "logical_cores?": Maybe(int), "load_average_at_start?": LOAD}),
    "build?": Maybe({"git_revision?": Maybe(str), "git_dirty?": Maybe(bool)}),
    "load_average_at_end?": LOAD,
    "date_utc?": Maybe(str),
    "threads?": Maybe(int),
    "score?": Maybe(float),
    "session?": Maybe(str),
}

# What the headless runner's --report gives (tarnbench reads only these).
_SECONDS = Maybe(Check(float, lambda t: 0 <= t <= 1e6, "a time from 0 to 1e6 s"))
RUNNER_REPORT = {
    "frames": Check(int, _not_negative, "a frame count"),
    "frame_time_s": {"min?": _SECONDS, "avg?": _SECONDS, "max?": _SECONDS},
    "triangles?": Check(float, _not_negative, "a count"),
    "pixels?": Check(float, _not_negative, "a count"),
    "threads?": Maybe(int),
    "frame_times_s?": FRAME_TIMES,
}

BUILD_DESCRIPTION = {"source_dir": str, "version?": str, "configured_revision?": str, "build_type?": Maybe(str),
                     "compiler?": str, "cxx_flags?": str}

SCENE_SUMMARY = {"faces": Check(int, _not_negative, "a face count")}

# What tarnbench reads of glide-replay's --json.
_TIME = Check(float, _not_negative, "a time")
_TIMES = {"frame_time_s": {"median": _TIME, "min": _TIME}}
REPLAY_RESULTS = {"thread_counts": Check([{"device": _TIMES, "no_raster": _TIMES, "threads?": Maybe(int)}], bool,
                                         "a list of at least one thread count"),
                  "triangles_per_pass": Check(float, _not_negative, "a count"),
                  "frames_recorded": Check(int, _not_negative, "a count")}
