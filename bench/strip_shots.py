#!/usr/bin/env python3
"""Pictures of the clock strip at a stopped moment, for comparing two builds pixel by pixel
and for checking that a strip updated by a tick looks the same as one drawn from scratch.

    bench/strip_shots.py --exe build/release/bin/chikutaku --out DIR

For each display case it starts the clock under Xvfb with the wall clock stopped at FROM,
takes DIR/<case>-from.png, moves the stopped clock to TO, takes DIR/<case>-ticked.png after
the next tick, then starts a fresh clock stopped at TO and takes DIR/<case>-to.png. It prints
the number of differing pixels between -ticked and -to (ImageMagick `compare -metric AE`);
exit status 1 when any differs. Compare the pictures of two builds with --against DIR2.
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

CASES = {
    # name: (ShowSeconds, ShowAMPM, ShowWeek, Show24Hour, ShowAnalog, SmallView)
    "full": (True, True, True, True, False, False),
    "analog": (True, True, True, True, True, False),
    "noseconds": (False, True, True, True, False, False),
    "analog-noseconds": (False, False, False, False, True, False),
    "small": (True, True, True, True, True, True),
    "plain12": (True, False, False, False, False, False),
}
MOMENTS = [("2026-12-24 13:44:58", "2026-12-24 13:44:59"),
           ("2026-12-24 13:59:59", "2026-12-24 14:00:00")]


def prefs(flags):
    sec, ampm, week, h24, analog, small = (("True" if f else "False") for f in flags)
    return "\n".join(["30", "40", sec, ampm, week, h24, analog, small, "False", "0", "100",
                      "0\t0\t0", "255\t255\t255", "False", "0", "100", "False", "False",
                      "False", "0", "0", "0"]) + "\n"


def libfaketime():
    for pattern in ("/usr/lib/*/faketime/libfaketime.so.1", "/usr/lib/faketime/libfaketime.so.1"):
        found = glob.glob(pattern)
        if found:
            return found[0]
    sys.exit("libfaketime not found (Debian package faketime)")


class Screen:
    def __init__(self, number):
        self.display = f":{number}"
        self.proc = subprocess.Popen(["Xvfb", self.display, "-screen", "0", "320x120x24",
                                      "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        time.sleep(1)

    def shoot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root",
                        "-crop", "240x60+0+0", "+repage", path], check=True)

    def close(self):
        self.proc.terminate()
        self.proc.wait()


def run_clock(exe, folder, flags, stamp_file, display):
    os.makedirs(os.path.join(folder, "Taku_DATA"), exist_ok=True)
    shutil.copy(exe, os.path.join(folder, "chikutaku"))
    with open(os.path.join(folder, "Taku_DATA", "Taku.Prefs"), "w") as f:
        f.write(prefs(flags))
    env = dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy", LD_PRELOAD=libfaketime(),
               FAKETIME_TIMESTAMP_FILE=stamp_file, FAKETIME_NO_CACHE="1",
               FAKETIME_DONT_FAKE_MONOTONIC="1")
    return subprocess.Popen([os.path.join(folder, "chikutaku")], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def differing(a, b):
    r = subprocess.run(["compare", "-metric", "AE", a, b, "null:"], capture_output=True,
                       text=True)
    return int(float(r.stderr.split()[0]))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--exe", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--against", help="a folder of pictures of another build to compare with")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    screen = Screen(150 + os.getpid() % 50)
    bad = 0
    try:
        for name, flags in CASES.items():
            for i, (before, after) in enumerate(MOMENTS):
                tag = f"{name}-{i}"
                with tempfile.TemporaryDirectory() as work:
                    stamp = os.path.join(work, "stamp")
                    with open(stamp, "w") as f:
                        f.write(before + "\n")
                    clock = run_clock(args.exe, os.path.join(work, "a"), flags, stamp,
                                      screen.display)
                    time.sleep(2.5)
                    screen.shoot(os.path.join(args.out, f"{tag}-from.png"))
                    with open(stamp, "w") as f:
                        f.write(after + "\n")
                    time.sleep(1.5)
                    screen.shoot(os.path.join(args.out, f"{tag}-ticked.png"))
                    clock.terminate()
                    clock.wait()
                    clock = run_clock(args.exe, os.path.join(work, "b"), flags, stamp,
                                      screen.display)
                    time.sleep(2.5)
                    screen.shoot(os.path.join(args.out, f"{tag}-to.png"))
                    clock.terminate()
                    clock.wait()
                n = differing(os.path.join(args.out, f"{tag}-ticked.png"),
                              os.path.join(args.out, f"{tag}-to.png"))
                print(f"{tag:<22} ticked vs drawn afresh: {n} pixels differ")
                bad += n != 0
    finally:
        screen.close()
    if args.against:
        for path in sorted(glob.glob(os.path.join(args.out, "*.png"))):
            other = os.path.join(args.against, os.path.basename(path))
            n = differing(path, other)
            print(f"{os.path.basename(path):<30} against {args.against}: {n} pixels differ")
            bad += n != 0
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
