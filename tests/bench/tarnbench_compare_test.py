"""tarnbench compare and the documents tarnbench reads: every malformed
results or suite file ends in one line and status 1, never a traceback;
the exit status follows the worst verdict, with its own status for
"inconclusive"; the limits of what was compared are stated."""
import contextlib
import copy
import io
import json
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "tarnbench"))
from tarnbench_compare import main as compare_main  # noqa: E402
from tarnbench_documents import SUITE, DocumentError, read_document  # noqa: E402


def results(figures, busy=False, session=None, scene="faces-1k"):
    """Results of one scene and setting, one run per figure (ms), each run
    of 20 frames near its figure; other programs kept a processor busy
    during a busy one's runs."""
    frames = [f * 1e-3 * (1 + 0.01 * (i % 5 - 2)) for f in figures for i in range(20)]
    return {"tool": "tarnbench", "session": session, "machine": {"logical_cores": 2, "load_average_at_start": [0.5]},
            "scenes": [{"name": scene, "faces": 1000}],
            "runs": [{"scene": scene, "setting": "all on", "run_medians_ms": figures, "ms_median": figures[0],
                      "frame_times_s": frames, "run_other_cores": [1.0 if busy else 0.02] * len(figures)}]}


class Documents(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.folder.cleanup()

    def file(self, name, content):
        path = os.path.join(self.folder.name, name)
        with open(path, "wb") as f:
            f.write(content if isinstance(content, bytes) else json.dumps(content).encode())
        return path

    def compare(self, *argv):
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = compare_main(list(argv))
        return status, out.getvalue(), err.getvalue()

    def test_malformed_documents_end_in_one_line_and_status_1(self):
        good = results([1.0, 1.0])

        def changed(change):
            document = copy.deepcopy(good)
            change(document)
            return document

        suite = {"sizes": [1000], "settings": [{"name": "all on", "keys": []}]}
        cases = [
            ("results", b"{", "cannot read tarnbench results (Expecting"),
            ("results", b"\xff\xfe", "cannot read tarnbench results (not UTF-8 text)"),
            ("results", b"[" * 100000 + b"]" * 100000, "cannot read tarnbench results (nested too deeply)"),
            ("results", "/dev/zero", "/dev/zero: cannot read tarnbench results (larger than 64 MB)"),
            ("results", [], "not tarnbench results: the document is a list, not an object"),
            ("results", changed(lambda d: d.update(tool="other")), "tool is a string, not \"tarnbench\""),
            ("results", changed(lambda d: d.update(runs=5)), "runs is a number, not a list"),
            ("results", changed(lambda d: d["runs"][0].pop("setting")), "runs[0] lacks \"setting\""),
            ("results", changed(lambda d: d["runs"][0]["frame_times_s"].__setitem__(3, "0.001")),
             "runs[0].frame_times_s[3] is a string, not a finite number"),
            ("results", changed(lambda d: d["runs"][0]["frame_times_s"].__setitem__(3, True)),
             "runs[0].frame_times_s[3] is true, not a finite number"),
            ("results", changed(lambda d: d["runs"][0]["frame_times_s"].__setitem__(3, 1e300)),
             "runs[0].frame_times_s[3] is a number, not a frame time from 0 to 1e6 s"),
            ("results", json.dumps(good).replace("0.00098", "NaN", 1).encode(), "is not finite, not a finite number"),
            ("results", json.dumps(good).replace("0.00098", "1e999", 1).encode(), "is not finite"),
            ("results", changed(lambda d: d["runs"][0].update(run_medians_ms=[0])),
             "runs[0].run_medians_ms[0] is a number, not a frame time above 0 and up to 1e9 ms"),
            ("results", changed(lambda d: d["runs"][0].update(run_other_cores=[-1])),
             "runs[0].run_other_cores[0] is a number, not a number of processors"),
            ("suite", dict(suite, settings=[{"keys": []}]), "settings[0] lacks \"name\""),
            ("suite", dict(suite, settings=[{"name": "x", "keys": ["F2\n0 key F9"]}]),
             "settings[0].keys[0] is a string, not a key name"),
            ("suite", dict(suite, settings=[]), "settings is a list, not a list of at least one setting"),
            ("suite", dict(suite, sizes="1000"), "sizes is a string, not a list"),
            ("suite", dict(suite, frames=1.5), "frames is a number, not a whole number"),
        ]
        good_path = self.file("good.json", good)
        for i, (kind, content, message) in enumerate(cases):
            path = content if content == "/dev/zero" else self.file("case%d.json" % i, content)
            if kind == "results":
                status, _, err = self.compare(path, good_path)
            else:
                try:
                    read_document(path, SUITE, "a suite description")
                    status, err = 0, ""
                except DocumentError as e:
                    status, err = 1, "tarnbench: %s\n" % e
            self.assertEqual(status, 1, (i, err))
            self.assertIn(message, err, i)
            self.assertEqual(err.count("\n"), 1, (i, err))

    def test_the_exit_status_follows_the_worst_verdict(self):
        quiet, slow = [1.00, 1.01, 0.99, 1.00, 1.02], [3.0, 3.1, 2.9, 3.0, 3.05]
        cases = [
            # OLD, NEW, status, what the output says
            (results(quiet, session="s"), results([1.01, 1.0, 1.0, 0.99, 1.01], session="s"), 0,
             "0 slower, 0 faster, 1 same, 0 inconclusive (95% intervals, runs paired"),
            (results(quiet), results([1.01, 1.0, 1.0, 0.99, 1.01]), 0, "note: OLD and NEW were recorded apart"),
            (results(quiet, session="s"), results(slow, session="s", busy=True), 3, "5+5  slower"),
            (results(quiet, busy=True), results(quiet), 4, "inconclusive: machine busy"),
            # Older results: the load average at the start.
            (results(quiet), dict(results(quiet), machine={"logical_cores": 2, "load_average_at_start": [3.0]},
                                  runs=[{"scene": "faces-1k", "setting": "all on", "run_medians_ms": quiet}]), 4,
             "other programs kept the machine busy during NEW"),
            ([1.0], [1.02], 4, "note: one run a side"),
            ([1.0], [3.0], 3, "1 slower"),
            (results([1.0]), {"tool": "tarnbench", "runs": [{"scene": "faces-1k", "setting": "all on"}],
                              "scenes": [{"name": "faces-1k", "faces": 1000}]}, 0, "no samples"),
            (results(quiet), results(quiet, scene="faces-10k"), 1,
             "only in OLD: faces-1k (1000 faces); only in NEW: faces-10k"),
        ]
        for i, (old, new, status, says) in enumerate(cases):
            old, new = (results(d) if isinstance(d, list) else d for d in (old, new))
            chart = os.path.join(self.folder.name, "chart.svg")
            got, out, err = self.compare(self.file("old.json", old), self.file("new.json", new), "--chart", chart)
            self.assertEqual(got, status, (i, out, err))
            self.assertIn(says, out + err, i)
            if status != 1:
                with open(chart, encoding="utf-8") as f:
                    self.assertNotIn("nan", f.read(), i)


if __name__ == "__main__":
    unittest.main()
