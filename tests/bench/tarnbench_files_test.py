"""tarnbench_files: writes through links keep the links, special files and
this process's descriptors are written in place, long names work, failures
and signals leave the old file and no temporary file, reads are bounded,
and every run gets its own results folder with a "latest" link."""
import os
import signal
import sys
import tempfile
import unittest
from unittest import mock

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "tarnbench"))
import tarnbench_files  # noqa: E402
from tarnbench_files import (InputError, OutputError, Stopped, check_output_path, new_results_folder,  # noqa: E402
                             point_latest, read_limited, write_json, write_output)


class Writes(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.dir = self.folder.name

    def tearDown(self):
        self.folder.cleanup()

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def read(self, name):
        with open(self.path(name), encoding="utf-8") as f:
            return f.read()

    def leftovers(self):
        return [n for n in os.listdir(self.dir) if n.startswith(".")]

    def test_a_link_stays_a_link_and_its_target_is_replaced_in_its_own_folder(self):
        os.mkdir(self.path("elsewhere"))
        for target in ("elsewhere/results.json", "elsewhere/not-yet.json"):
            if target.endswith("results.json"):
                write_output(self.path(target), "old")
            link = self.path(os.path.basename(target) + ".link")
            os.symlink(os.path.join("elsewhere", os.path.basename(target)), link)
            write_output(link, "new")
            self.assertTrue(os.path.islink(link))
            self.assertEqual(self.read(target), "new")
        self.assertEqual(sorted(os.listdir(self.path("elsewhere"))), ["not-yet.json", "results.json"])

    def test_descriptor_links_append_at_the_descriptors_position(self):
        with open(self.path("stdout.txt"), "w") as f:
            f.write("table\n")
            f.flush()
            for name in ("/dev/fd/%d", "/proc/self/fd/%d"):
                link = self.path("to-fd")
                os.symlink(name % f.fileno(), link)
                write_output(link, name + "\n")
                os.remove(link)
        self.assertEqual(self.read("stdout.txt"), "table\n/dev/fd/%d\n/proc/self/fd/%d\n")

    def test_special_files_are_written_in_place(self):
        os.mkfifo(self.path("pipe"))
        reader = os.open(self.path("pipe"), os.O_RDONLY | os.O_NONBLOCK)
        try:
            write_output(self.path("pipe"), "through the pipe")
            self.assertEqual(os.read(reader, 100), b"through the pipe")
        finally:
            os.close(reader)
        write_output("/dev/null", "x")
        self.assertEqual(self.leftovers(), [])

    def test_names_up_to_the_limit_work_and_longer_ones_are_refused_before_any_work(self):
        name = "r" * 255
        check_output_path(self.path(name))
        write_output(self.path(name), "long")
        self.assertEqual(self.read(name), "long")
        with self.assertRaisesRegex(OutputError, "cannot write \\(File name too long\\)"):
            check_output_path(self.path(name + "r"))

    def test_failures_name_the_file_and_leave_the_old_one(self):
        write_output(self.path("kept.json"), "old")
        with mock.patch.object(tarnbench_files.os, "replace", side_effect=OSError(28, "No space left on device")):
            with self.assertRaisesRegex(OutputError, "kept.json: cannot write \\(No space left on device\\)"):
                write_output(self.path("kept.json"), "new")
        for bad in ("/dev/full", self.path("missing", "x.json"), self.dir):
            with self.assertRaisesRegex(OutputError, "^%s: cannot write \\(" % bad):
                write_output(bad, "x" * 100000)
        with self.assertRaisesRegex(OutputError, "a number is not finite"):
            write_json(self.path("nan.json"), {"ms": float("nan")})
        self.assertEqual(self.read("kept.json"), "old")
        self.assertEqual(self.leftovers(), [])

    def test_a_signal_during_a_write_removes_the_temporary_file_and_asks_for_its_status(self):
        write_output(self.path("kept.json"), "old")

        def signalled(*_):
            os.kill(os.getpid(), signal.SIGTERM)

        previous = {signum: signal.getsignal(signum) for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)}
        tarnbench_files.stop_on_signals()
        try:
            with mock.patch.object(tarnbench_files.os, "replace", side_effect=signalled):
                with self.assertRaises(Stopped) as stopped:
                    write_output(self.path("kept.json"), "new")
        finally:
            for signum, handler in previous.items():
                signal.signal(signum, handler)
        self.assertEqual(stopped.exception.status, 143)
        self.assertEqual(self.read("kept.json"), "old")
        self.assertEqual(self.leftovers(), [])

    def test_reads_are_bounded(self):
        with self.assertRaisesRegex(InputError, "^/dev/zero: cannot read results \\(larger than 1 MB\\)$"):
            read_limited("/dev/zero", 1 << 20, "results")
        with self.assertRaisesRegex(InputError, "cannot read results \\(Is a directory\\)"):
            read_limited(self.dir, 1 << 20, "results")

    def test_each_run_gets_its_own_folder_and_latest_names_the_last(self):
        first, second = new_results_folder(self.dir), new_results_folder(self.dir)
        self.assertNotEqual(first, second)
        point_latest(self.dir, first)
        point_latest(self.dir, second)
        self.assertEqual(os.readlink(self.path("latest")), os.path.basename(second))
        self.assertEqual(sorted(os.listdir(self.dir)), sorted([os.path.basename(first), os.path.basename(second),
                                                                "latest"]))


if __name__ == "__main__":
    unittest.main()
