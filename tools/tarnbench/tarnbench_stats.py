"""Statistics of tarnbench: the overall score, percentiles for the spread
of a measurement, and the judgement of a change of frame time between two
builds. Standard library only.

A change is judged from the spread between whole runs, never between the
frames of one run: the machine's speed moves for seconds to minutes at a
time and every frame of a run moves with it, so frames are not independent
samples. Each run gives one figure (its median frame time); the change is
the ratio NEW/OLD of those figures, with a Student t interval on their
logarithms (paired run by run when the two builds ran in turns).

Sections: score and spread; Student t; intervals; verdicts.
"""

import math
import statistics

# ---- score and spread ---------------------------------------------------------------------


def score(runs):
    """The run's overall score: the geometric mean of frames per second over
    the runs that measured a rate (failed runs are left out). Returns
    (score, runs counted); (None, 0) when no run counts."""
    rates = [r["fps"] for r in runs if "error" not in r and isinstance(r.get("fps"), (int, float)) and r["fps"] > 0]
    if not rates:
        return None, 0
    return math.exp(math.fsum(math.log(f) for f in rates) / len(rates)), len(rates)


def percentile(values, fraction):
    """Linear interpolation between the closest ranks (values need not be
    sorted); None for an empty list."""
    if not values:
        return None
    ordered = sorted(values)
    position = fraction * (len(ordered) - 1)
    low = math.floor(position)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (position - low)


def spread(values, scale=1.0):
    """Minimum, 10th percentile, median, 90th percentile and maximum."""
    if not values:
        return None
    return {"min": min(values) * scale, "p10": percentile(values, 0.10) * scale,
            "median": statistics.median(values) * scale, "p90": percentile(values, 0.90) * scale,
            "max": max(values) * scale}


# ---- Student t -----------------------------------------------------------------------------


def _beta_fraction(a, b, x):
    """The continued fraction of the incomplete beta function (modified
    Lentz method)."""
    tiny = 1e-300
    c, d = 1.0, 1.0 - (a + b) * x / (a + 1.0)
    d = 1.0 / (d if abs(d) > tiny else tiny)
    h = d
    for m in range(1, 500):
        for numerator in (m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m)),
                          -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1))):
            d = 1.0 + numerator * d
            d = 1.0 / (d if abs(d) > tiny else tiny)
            c = 1.0 + numerator / c
            c = c if abs(c) > tiny else tiny
            h *= d * c
        if abs(d * c - 1.0) < 1e-15:
            break
    return h


def regularized_beta(a, b, x):
    """I_x(a, b), the regularized incomplete beta function."""
    if x <= 0.0:
        return 0.0
    if x >= 1.0:
        return 1.0
    front = math.exp(math.lgamma(a + b) - math.lgamma(a) - math.lgamma(b) + a * math.log(x) + b * math.log1p(-x))
    if x < (a + 1.0) / (a + b + 2.0):
        return front * _beta_fraction(a, b, x) / a
    return 1.0 - front * _beta_fraction(b, a, 1.0 - x) / b


def t_upper_tail(t, df):
    """P(T > t) for Student's t with df degrees of freedom (df may be
    fractional, as Welch's are), t >= 0."""
    return 0.5 * regularized_beta(df / 2.0, 0.5, df / (df + t * t))


def t_quantile(probability, df):
    """The t with P(T <= t) = probability, for probability in [0.5, 1)."""
    tail = 1.0 - probability
    low, high = 0.0, 1.0
    while t_upper_tail(high, df) > tail:
        high *= 2.0
    for _ in range(200):
        middle = (low + high) / 2.0
        if t_upper_tail(middle, df) > tail:
            low = middle
        else:
            high = middle
    return (low + high) / 2.0


# ---- intervals ----------------------------------------------------------------------------


def ratio_interval(old, new, paired, confidence):
    """The ratio NEW/OLD of positive figures with its confidence interval,
    as (ratio, low, high), from a t interval on the logarithms: the mean
    difference of pairs when paired (old[i] and new[i] ran side by side),
    else Welch's interval for two samples. (ratio, None, None) when a side
    has fewer than two figures (or fewer than two pairs)."""
    log_old, log_new = [math.log(v) for v in old], [math.log(v) for v in new]
    if paired:
        count = min(len(log_old), len(log_new))
        differences = [log_new[i] - log_old[i] for i in range(count)]
        centre = statistics.fmean(differences) if differences else 0.0
        if count < 2:
            return math.exp(centre), None, None
        error = statistics.stdev(differences) / math.sqrt(count)
        df = count - 1
    else:
        centre = statistics.fmean(log_new) - statistics.fmean(log_old)
        if len(log_old) < 2 or len(log_new) < 2:
            return math.exp(centre), None, None
        part_old = statistics.variance(log_old) / len(log_old)
        part_new = statistics.variance(log_new) / len(log_new)
        error = math.sqrt(part_old + part_new)
        welch = part_old ** 2 / (len(log_old) - 1) + part_new ** 2 / (len(log_new) - 1)
        df = (part_old + part_new) ** 2 / welch if welch > 0 else len(log_old) + len(log_new) - 2
    half = t_quantile(0.5 + confidence / 2.0, df) * error
    return math.exp(centre), math.exp(centre - half), math.exp(centre + half)


# One run a side has no spread between runs: the interval then comes from
# this many stretches of the flight, paired stretch by stretch.
STRETCHES = 5


def stretch_medians(frames, count=STRETCHES):
    """Medians of count consecutive stretches of a run's frames; [] when
    the run has fewer than two frames a stretch."""
    size = len(frames) // count
    if size < 2:
        return []
    return [statistics.median(frames[i * size:(i + 1) * size]) for i in range(count)]


# ---- verdicts -----------------------------------------------------------------------------


DEFAULT_CONFIDENCE = 0.95
# A run is disturbed when other programs kept more processors than this
# busy on average while it ran.
BUSY_CORES = 0.5
# Changes below this are not reported; an interval inside it says "same".
DEFAULT_MIN_EFFECT = 0.05
# With one run a side or a busy machine the spread between runs says
# little about what other work did to them: only changes whose whole
# interval lies beyond this are judged.
DEFAULT_NOISE_FLOOR = 0.50


def judge(old_runs, new_runs, paired=False, busy=False, old_frames=None, new_frames=None,
          confidence=DEFAULT_CONFIDENCE, min_effect=DEFAULT_MIN_EFFECT, noise_floor=DEFAULT_NOISE_FLOOR):
    """Judges one scene and setting from each run's figure (ms, positive):
    returns the geometric means of the runs' figures, the ratio NEW/OLD with its
    interval, and the verdict: "slower", "faster", "same", "inconclusive"
    (with the reason) or "no samples". With one run on a side the interval
    comes from stretches of the runs' frames (seconds, old_frames and
    new_frames), which shows the noise within a run, not between runs."""
    row = {"old_ms": statistics.geometric_mean(old_runs) if old_runs else None,
           "new_ms": statistics.geometric_mean(new_runs) if new_runs else None,
           "old_runs": len(old_runs), "new_runs": len(new_runs), "ratio": None, "low": None, "high": None,
           "interval_from": None, "reason": None}
    if not old_runs or not new_runs:
        return dict(row, verdict="no samples")
    single = len(old_runs) < 2 or len(new_runs) < 2
    if single:
        # The change is that of the runs' figures; its interval takes its
        # width from the stretches.
        row["ratio"] = row["new_ms"] / row["old_ms"]
        old_parts, new_parts = stretch_medians(old_frames or []), stretch_medians(new_frames or [])
        if old_parts and new_parts:
            centre, low, high = ratio_interval(old_parts, new_parts, True, confidence)
            row["low"], row["high"] = row["ratio"] * low / centre, row["ratio"] * high / centre
            row["interval_from"] = "stretches of one run"
    else:
        row["ratio"], row["low"], row["high"] = ratio_interval(old_runs, new_runs, paired, confidence)
        row["interval_from"] = "paired runs" if paired else "runs"
    ratio = row["ratio"]
    low = row["low"] if row["low"] is not None else ratio
    high = row["high"] if row["high"] is not None else ratio
    if single or busy:
        if low > 1.0 + noise_floor:
            return dict(row, verdict="slower")
        if high < 1.0 / (1.0 + noise_floor):
            return dict(row, verdict="faster")
        return dict(row, verdict="inconclusive", reason="one run a side" if single else "machine busy")
    if low > 1.0 and ratio >= 1.0 + min_effect:
        return dict(row, verdict="slower")
    if high < 1.0 and ratio <= 1.0 / (1.0 + min_effect):
        return dict(row, verdict="faster")
    if low >= 1.0 / (1.0 + min_effect) and high <= 1.0 + min_effect:
        return dict(row, verdict="same")
    # The interval reaches both sides of the smallest reported change: the
    # runs disagree too much (the interval holds 1), or the change is close
    # to that size.
    reason = "runs disagree" if low <= 1.0 <= high else "close to the smallest change"
    return dict(row, verdict="inconclusive", reason=reason)
