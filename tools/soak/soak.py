#!/usr/bin/env python3
"""Soak run: the demo scene for many frames with every function key pressed
over and over, the camera and the actors flown about, while the resident
memory of the viewer is sampled. Reports resident memory at the start (after
loading) and at the end, and the largest seen, so that a leak or a growing
cache in the frame loop shows as growth between the two.

usage: soak.py --headless BUILD/tarnview-headless --scene-dir examples/demo
               [--frames 100000] [--threads N] [--out out/soak]
"""
import argparse
import os
import subprocess
import sys
import time

# Every window key that switches a feature (Escape and F12 would end the run).
SWITCH_KEYS = ["F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F11", "BACK", "TAB", "SPACE",
               "PRIOR", "NEXT", "HOME", "END", "M", "ADD", "SUBTRACT"]
# Polled controls: actor selection, movement and turning keys.
HOLD_KEYS = ["1", "2", "3", "4", "5", "P", "A", "D", "W", "S", "Q", "Y", "F", "H", "T", "G", "V", "R"]


def write_script(path, frames):
    """A key press every 7 frames, a held key every 11, mouse motion every 13."""
    with open(path, "w", encoding="ascii") as out:
        out.write("# soak: every switch key, actor selection, movement and mouse\n")
        press = hold = 0
        for frame in range(1, frames):
            if frame % 7 == 0:
                out.write(f"{frame} key {SWITCH_KEYS[press % len(SWITCH_KEYS)]}\n")
                press += 1
            if frame % 11 == 0:
                out.write(f"{frame} hold {HOLD_KEYS[hold % len(HOLD_KEYS)]} 5\n")
                hold += 1
            if frame % 13 == 0:
                buttons = ["", " left", " right", " middle"][(frame // 13) % 4]
                out.write(f"{frame} mouse {(frame % 9) - 4} {(frame % 7) - 3}{buttons}\n")


def resident_kib(pid):
    try:
        with open(f"/proc/{pid}/status", encoding="ascii") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--headless", required=True, help="the tarnview-headless executable")
    parser.add_argument("--scene-dir", required=True, help="folder holding objects.scn and ffont.3df")
    parser.add_argument("--frames", type=int, default=100000)
    parser.add_argument("--threads", type=int, default=0, help="device threads (0: the default)")
    parser.add_argument("--out", default="out/soak", help="folder for the script and the report")
    args = parser.parse_args()
    if args.frames < 100:
        parser.error("--frames wants a whole number of at least 100")

    os.makedirs(args.out, exist_ok=True)
    script = os.path.abspath(os.path.join(args.out, "soak-script.txt"))
    report = os.path.abspath(os.path.join(args.out, "soak-report.json"))
    write_script(script, args.frames)
    command = [os.path.abspath(args.headless), "--no-calibrate", "--frames", str(args.frames),
               "--script", script, "--report", report]
    env = dict(os.environ)
    if args.threads > 0:
        env["TARNVIEW_THREADS"] = str(args.threads)

    started = time.monotonic()
    viewer = subprocess.Popen(command, cwd=args.scene_dir, env=env, stdout=subprocess.PIPE, text=True)
    samples = []  # (seconds since start, KiB)
    while viewer.poll() is None:
        kib = resident_kib(viewer.pid)
        if kib is not None:
            samples.append((time.monotonic() - started, kib))
        time.sleep(0.25)
    output = viewer.stdout.read()
    elapsed = time.monotonic() - started
    sys.stdout.write(output)
    if viewer.returncode != 0:
        print(f"soak: the viewer ended with status {viewer.returncode}", file=sys.stderr)
        return 1
    # The start is taken two seconds in, after the scene and textures loaded.
    settled = [s for s in samples if s[0] >= 2.0] or samples
    if not settled:
        print("soak: no memory sample taken (the run was too short)", file=sys.stderr)
        return 1
    start_kib, end_kib = settled[0][1], settled[-1][1]
    peak_kib = max(kib for _, kib in settled)
    print(f"soak: {args.frames} frames in {elapsed:.1f} s ({args.frames / elapsed:.1f} fps), "
          f"{len(samples)} memory samples")
    print(f"soak: resident memory at start {start_kib} KiB, at end {end_kib} KiB "
          f"(growth {end_kib - start_kib:+d} KiB), largest {peak_kib} KiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
