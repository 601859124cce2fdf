"""tarnbench_stats: the score, Student t, the ratio intervals and the
verdicts of a comparison, including that runs which only differ by noise
and drift raise no alarm and that a real slowdown is found even on a busy
machine."""
import math
import os
import random
import sys
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "tarnbench"))
from tarnbench_stats import judge, percentile, ratio_interval, score, spread, stretch_medians, t_quantile  # noqa: E402


class ScoreAndSpread(unittest.TestCase):
    def test_score_is_the_geometric_mean_of_the_runs_that_measured_a_rate(self):
        value, counted = score([{"fps": 10.0}, {"fps": 100.0}, {"fps": 1000.0}, {"error": "x", "fps": 5.0},
                                {"fps": None}, {"fps": 0.0}])
        self.assertEqual(counted, 3)
        self.assertAlmostEqual(value, 100.0, places=9)
        self.assertEqual(score([{"error": "x"}]), (None, 0))

    def test_percentiles_interpolate_between_ranks(self):
        self.assertEqual(percentile([4, 1, 3, 2], 0.5), 2.5)
        self.assertIsNone(percentile([], 0.5))
        self.assertEqual(spread([1.0, 2.0, 3.0], 1e3), {"min": 1e3, "p10": 1.2e3, "median": 2e3, "p90": 2.8e3,
                                                         "max": 3e3})


class StudentT(unittest.TestCase):
    def test_quantiles_match_the_tables(self):
        # Welch's fractional df = 2.5: checked by integrating the density.
        for probability, df, expected in ((0.975, 1, 12.7062), (0.975, 4, 2.7764), (0.975, 30, 2.0423),
                                          (0.995, 2, 9.9248), (0.975, 1e6, 1.9600), (0.95, 2.5, 2.5582)):
            self.assertAlmostEqual(t_quantile(probability, df), expected, places=3, msg=(probability, df))


class Intervals(unittest.TestCase):
    def test_paired_interval_by_hand(self):
        # Log-ratios 0, log 1.1, log 1.21: mean log 1.1, sd log 1.1,
        # t(0.975, 2) = 4.3027.
        ratio, low, high = ratio_interval([1.0, 1.0, 1.0], [1.0, 1.1, 1.21], True, 0.95)
        half = 4.302653 * math.log(1.1) / math.sqrt(3)
        self.assertAlmostEqual(ratio, 1.1)
        self.assertAlmostEqual(low, 1.1 * math.exp(-half), places=6)
        self.assertAlmostEqual(high, 1.1 * math.exp(half), places=6)

    def test_welch_interval_spans_both_samples_spread_and_needs_two_a_side(self):
        ratio, low, high = ratio_interval([1.0, 1.02, 0.98], [2.0, 2.1, 1.9, 2.0], False, 0.95)
        self.assertTrue(low < ratio < high and 1.8 < low and high < 2.2, (ratio, low, high))
        self.assertEqual(ratio_interval([1.0], [2.0, 2.0], False, 0.95), (2.0, None, None))

    def test_stretches_need_two_frames_each(self):
        self.assertEqual(stretch_medians([1, 2, 3, 4, 5, 6, 7, 8, 9, 10]), [1.5, 3.5, 5.5, 7.5, 9.5])
        self.assertEqual(stretch_medians([1.0] * 9), [])


class Verdicts(unittest.TestCase):
    QUIET = [1.00, 1.01, 0.99, 1.00, 1.02]

    def test_each_verdict_and_its_reason(self):
        frames = [0.001 * (1 + 0.01 * (i % 7)) for i in range(50)]
        cases = [
            # old runs, new runs, paired, busy, verdict, reason
            (self.QUIET, [1.01, 1.00, 1.00, 0.99, 1.01], True, False, "same", None),
            (self.QUIET, [v * 1.10 for v in self.QUIET], True, False, "slower", None),
            (self.QUIET, [v / 1.10 for v in self.QUIET], True, False, "faster", None),
            (self.QUIET, [1.0, 1.3, 0.8, 1.2, 0.9], True, False, "inconclusive", "runs disagree"),
            (self.QUIET, [v * 1.045 for v in self.QUIET], False, False, "inconclusive",
             "close to the smallest change"),
            (self.QUIET, [v * 1.20 for v in self.QUIET], True, True, "inconclusive", "machine busy"),
            (self.QUIET, [2.8, 3.4, 2.6, 3.1, 2.9], True, True, "slower", None),
            ([1.0], [1.01], False, False, "inconclusive", "one run a side"),
            ([1.0], [3.0], False, False, "slower", None),
        ]
        for old, new, paired, busy, verdict, reason in cases:
            row = judge(old, new, paired, busy, frames, frames)
            self.assertEqual((row["verdict"], row["reason"]), (verdict, reason), (old, new, paired, busy, row))
        self.assertEqual(judge([], [1.0])["verdict"], "no samples")

    def test_one_run_a_side_takes_its_interval_from_stretches_around_the_runs_change(self):
        old = [0.001 * (1 + 0.02 * math.sin(i)) for i in range(60)]
        row = judge([1.0], [2.0], old_frames=old, new_frames=[2 * t for t in old])
        self.assertEqual(row["interval_from"], "stretches of one run")
        self.assertAlmostEqual(row["ratio"], 2.0)
        self.assertTrue(row["low"] <= 2.0 <= row["high"])

    def test_noise_and_drift_raise_no_alarm_and_a_tenth_slower_is_found(self):
        # Runs of a quiet machine: each run's figure moves by a common drift
        # (both builds of a pair) and 2 % of its own noise.
        rng = random.Random(20261208)

        def pair_of_sides(slowdown):
            drift = [1 + 0.2 * rng.random() for _ in range(5)]
            return ([d * (1 + rng.gauss(0, 0.02)) for d in drift],
                    [d * slowdown * (1 + rng.gauss(0, 0.02)) for d in drift])

        alarms = sum(judge(*pair_of_sides(1.0), paired=True)["verdict"] in ("slower", "faster") for _ in range(300))
        self.assertEqual(alarms, 0)
        found = sum(judge(*pair_of_sides(1.10), paired=True)["verdict"] == "slower" for _ in range(100))
        self.assertGreaterEqual(found, 90)


if __name__ == "__main__":
    unittest.main()
