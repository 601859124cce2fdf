"""Checks tarnbench's score, its noise test and its checked writes, and
writes synthetic results for the compare command; used by
tarnbench_test.cpp.

usage: tarnbench_stats_check.py SOURCE_DIR OUT_DIR
Writes OUT_DIR/{base,noise,slower,other-scenes}.json, prints what is wrong
and exits 1, or exits 0.
"""
import json
import math
import os
import random
import sys

sys.dont_write_bytecode = True


def results(scenes, runs):
    return {"tool": "tarnbench", "scenes": [{"name": n, "faces": f} for n, f in scenes], "runs": runs,
            "build": {"git_revision": "synthetic"}, "machine": {"processor": "synthetic"}}


def run(scene, setting, times):
    return {"scene": scene, "setting": setting, "frame_times_s": times,
            "ms_median": sorted(times)[len(times) // 2] * 1e3}


def frames(rng, median_ms, count=90):
    # Frame times of a flight: a slow drift over the flight plus noise of a
    # few percent and the odd late frame.
    out = []
    for i in range(count):
        t = median_ms * (1 + 0.05 * math.sin(i / 9.0)) * (1 + rng.gauss(0, 0.03))
        if rng.random() < 0.03:
            t *= 1.5
        out.append(t * 1e-3)
    return out


def main():
    sys.path.insert(0, os.path.join(sys.argv[1], "tools", "tarnbench"))
    from tarnbench_compare import CompareError, compare
    from tarnbench_files import OutputError, write_output
    from tarnbench_stats import judge, mann_whitney_p, score
    out = sys.argv[2]
    os.makedirs(out, exist_ok=True)
    problems = []

    def expect(condition, what):
        if not condition:
            problems.append(what)

    # Score: the geometric mean of the runs' rates; failed runs and runs
    # without a rate are left out. cbrt(10 * 100 * 1000) = 100.
    value, counted = score([{"fps": 10.0}, {"fps": 100.0}, {"fps": 1000.0}, {"error": "x", "fps": 5.0},
                            {"fps": None}])
    expect(counted == 3 and math.isclose(value, 100.0, rel_tol=1e-12), "score %r of %r runs" % (value, counted))
    expect(score([{"error": "x"}]) == (None, 0), "a run with nothing measured has a score")

    # Mann-Whitney by hand: [1,2,3] against [4,5,6] gives U = 0, z =
    # (4.5 - 0.5) / sqrt(5.25), p = erfc(z / sqrt 2) = 0.0809.
    expect(abs(mann_whitney_p([1, 2, 3], [4, 5, 6]) - 0.080856) < 1e-5, "p of separated samples")
    expect(mann_whitney_p([2, 2, 2], [2, 2, 2]) == 1.0 and mann_whitney_p([], [1]) == 1.0, "p of ties / empty")

    # Pure noise never alarms (fixed seed, many pairs of identical
    # distributions); known changes are found and named; a significant
    # change below the minimum effect is not reported.
    rng = random.Random(20261207)
    alarms = sum(judge(frames(rng, 10), frames(rng, 10))["verdict"] != "same" for _ in range(300))
    expect(alarms == 0, "%d false alarms in 300 noise comparisons" % alarms)
    expect(judge(frames(rng, 10), frames(rng, 11))["verdict"] == "slower", "a 10% slowdown is missed")
    expect(judge(frames(rng, 10), frames(rng, 9))["verdict"] == "faster", "a 10% speed-up is missed")
    small = judge([0.0100 + i * 1e-7 for i in range(200)], [0.0102 + i * 1e-7 for i in range(200)])
    expect(small["p_value"] < 1e-6 and small["verdict"] == "same", "a 2%% change is reported: %r" % small)
    expect(judge([], [0.01])["verdict"] == "no samples", "runs without samples are judged")

    # Synthetic results for the compare command.
    scenes = [("faces-1k", 1000), ("faces-10k", 10000)]
    settings = ["all on", "fog off"]
    base = results(scenes, [run(s, t, frames(rng, 5 * (i + 1))) for i, (s, _) in enumerate(scenes) for t in settings])
    noise = results(scenes, [run(r["scene"], r["setting"], frames(rng, r["ms_median"])) for r in base["runs"]])
    slower = json.loads(json.dumps(noise))
    slower["runs"][3]["frame_times_s"] = [t * 1.25 for t in slower["runs"][3]["frame_times_s"]]
    other = results([("faces-1k", 1000), ("faces-1m", 1000000)], base["runs"])
    for name, doc in (("base", base), ("noise", noise), ("slower", slower), ("other-scenes", other)):
        write_output(os.path.join(out, name + ".json"), json.dumps(doc))
    verdicts = [r["verdict"] for r in compare(base, slower, 0.001, 0.03)]
    expect(verdicts == ["same", "same", "same", "slower"], "compare verdicts %r" % verdicts)
    try:
        compare(base, other, 0.001, 0.03)
        problems.append("different scene sets compared")
    except CompareError as e:
        expect("only in OLD: faces-10k (10000 faces); only in NEW: faces-1m" in str(e), str(e))

    # Checked writes: a failed write names the file and leaves nothing
    # behind; a good one leaves exactly the file.
    for bad in ("/dev/full", os.path.join(out, "missing", "x.json"), out):
        try:
            write_output(bad, "x" * 100000)
            problems.append("writing %s succeeded" % bad)
        except OutputError as e:
            expect(str(e).startswith(bad + ": cannot write ("), str(e))
    expect(not [f for f in os.listdir(out) if ".tmp-" in f], "temporary files left in %s" % out)

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
