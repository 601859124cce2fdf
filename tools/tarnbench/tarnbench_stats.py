"""Statistics of tarnbench: the overall score, percentiles for the spread
of a measurement, and the test that tells a real change of frame time from
the noise of two runs. Standard library only.
"""

import math
import statistics


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


def mann_whitney_p(a, b):
    """Two-sided p-value of the Mann-Whitney U test of samples a and b, by
    the normal approximation with the tie correction and a continuity
    correction (sound for the tens to thousands of frames a run measures).
    1.0 when either sample is empty or every value is the same."""
    n1, n2 = len(a), len(b)
    if n1 == 0 or n2 == 0:
        return 1.0
    pooled = sorted([(v, 0) for v in a] + [(v, 1) for v in b])
    rank_sum_a = 0.0
    tie_term = 0.0
    i = 0
    while i < len(pooled):
        j = i
        while j + 1 < len(pooled) and pooled[j + 1][0] == pooled[i][0]:
            j += 1
        average_rank = (i + j) / 2.0 + 1.0
        rank_sum_a += average_rank * sum(1 for k in range(i, j + 1) if pooled[k][1] == 0)
        t = j - i + 1
        tie_term += t * t * t - t
        i = j + 1
    u = rank_sum_a - n1 * (n1 + 1) / 2.0
    n = n1 + n2
    variance = n1 * n2 / 12.0 * ((n + 1) - tie_term / (n * (n - 1))) if n > 1 else 0.0
    if variance <= 0:
        return 1.0
    z = (abs(u - n1 * n2 / 2.0) - 0.5) / math.sqrt(variance)
    return max(0.0, min(1.0, math.erfc(max(z, 0.0) / math.sqrt(2.0))))


# A difference counts only when the test says it is not noise AND the
# medians differ by at least this much: frames of a flight are not
# independent samples, so a significant but tiny shift is not reported.
DEFAULT_ALPHA = 0.001
DEFAULT_MIN_EFFECT = 0.03


def judge(old_times, new_times, alpha=DEFAULT_ALPHA, min_effect=DEFAULT_MIN_EFFECT):
    """Compares two runs' per-frame times (seconds). Returns a dict with the
    medians (ms), the ratio new/old, the p-value and the verdict: "slower"
    or "faster" when the change is beyond noise and at least min_effect,
    else "same"; "no samples" when either run lacks per-frame times."""
    if not old_times or not new_times:
        return {"old_ms": None, "new_ms": None, "ratio": None, "p_value": None, "verdict": "no samples"}
    old_ms = statistics.median(old_times) * 1e3
    new_ms = statistics.median(new_times) * 1e3
    ratio = new_ms / old_ms if old_ms > 0 else None
    p = mann_whitney_p(old_times, new_times)
    verdict = "same"
    if ratio is not None and p < alpha and abs(ratio - 1.0) >= min_effect:
        verdict = "slower" if ratio > 1.0 else "faster"
    return {"old_ms": old_ms, "new_ms": new_ms, "ratio": ratio, "p_value": p, "verdict": verdict}
