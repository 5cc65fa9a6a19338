#!/usr/bin/env python3
"""Faults the real clock must survive, each run as its own test.

    faults_clock.py --exe build/dev/bin/chikutaku SCENARIO
    faults_clock.py --saver build/dev/tests/faults/taku_save_loop kill-during-saves
"""

import atexit
import hashlib
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from clockrun import Skipped, check, copy_into, main, prefs_lines  # noqa: E402


def mount_tmpfs(folder, size):
    if os.geteuid() != 0 or subprocess.run(
            ["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs", folder],
            capture_output=True, timeout=20).returncode != 0:
        raise Skipped("needs root and mount(8) for a small tmpfs; not run")


def read_only(data):
    """The data folder, then remounted read-only."""
    def hook(folder):
        os.mkdir(folder)
        mount_tmpfs(folder, "1m")
        copy_into(folder, data)
        subprocess.run(["mount", "-o", "remount,ro", folder], check=True, capture_output=True, timeout=20)
    return hook


def full_disk(data):
    """The data folder on a tmpfs whose every free block is taken."""
    def hook(folder):
        os.mkdir(folder)
        mount_tmpfs(folder, "256k")
        copy_into(folder, data)
        fd = os.open(os.path.join(folder, "filler"), os.O_WRONLY | os.O_CREAT, 0o644)
        try:
            while os.write(fd, b"\0" * 4096):
                pass
        except OSError:
            os.close(fd)
        check(os.statvfs(folder).f_bavail == 0, "the tmpfs still has free blocks")
    return hook


def kill_during_saves(args, rounds=300):
    """kill -9 at random moments while the preferences, the pronunciation table and the event
    table are saved over and over: each file is always one whole version, never cut or empty."""
    saver, folder = os.path.abspath(args.saver), tempfile.mkdtemp(prefix="taku-kill-")
    try:
        versions = subprocess.run([saver, "--print-versions", folder], check=True,
                                  capture_output=True, timeout=90).stdout.decode().split("\n")
        expected = {}
        for name, digest in (line.split() for line in versions if line):
            expected.setdefault(name, set()).add(digest)
        check(set(expected) == {"Taku.Prefs", "voice.txt", "event.txt"}, f"the saver names {expected}")
        rng = random.Random(int(os.environ.get("TAKU_FAULT_SEED", "20261224")))
        for n in range(rounds):
            proc = subprocess.Popen([saver, folder], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            check(proc.stdout.readline().strip() == b"saving", "the saver did not start")
            time.sleep(rng.uniform(0, 0.02))
            proc.send_signal(signal.SIGKILL)
            proc.wait(timeout=10)
            proc.stdout.close()
            check(proc.returncode == -signal.SIGKILL, f"round {n}: the saver ended before the kill")
            for name, digests in expected.items():
                with open(os.path.join(folder, name), "rb") as f:
                    content = f.read()
                check(hashlib.sha256(content).hexdigest() in digests,
                      f"round {n}: {name} is not a whole version ({len(content)} bytes)")
    finally:
        subprocess.run(["rm", "-rf", folder], timeout=90)


# No sound device of any kind: no PulseAudio or PipeWire server, an ALSA with no cards (an
# empty configuration), and SDL left to find that out for itself.
NO_SOUND = {"SDL_AUDIODRIVER": None, "PULSE_SERVER": "unix:/nonexistent/pulse",
            "PIPEWIRE_REMOTE": "/nonexistent/pipewire", "ALSA_CONFIG_PATH": "/dev/null",
            "AUDIODEV": "/nonexistent/dsp"}
# Without a usable output the silent fallback strikes the 15:00 chime into the silence, it
# ends, the 15:01 chime starts again, and no second is missed.
SILENT_CHIMES = dict(start="2026-03-15 14:58:20", speed=5, due="2026-03-15 15:00:00",
                     until="2026-03-15 15:01:04", ticks=65, logged="falling back to silent output",
                     prefs=dict(SoundOn=True, IntervalIndex=5),
                     strikes=[(1, 3, -50, 100, "church"), (2, 3, 0, 100, "church"),
                              (3, 3, 50, 100, "church"), (1, 1, 0, 100, "church")])
# A preferences file of ten lines: any save would write 22, so a save that happened shows.
SHORT_PREFS = "".join(line + "\n" for line in prefs_lines(AnnounceOn=True, IntervalIndex=5)[:10]).encode()
# 火 午前11:00:00 is [21] [10] [1] [24], spaces, [13]; closing skips the save, the old file stays.
CANNOT_SAVE = dict(start="2026-05-05 10:59:40", due="2026-05-05 11:00:00", until="2026-05-05 11:00:02",
                   data={"Taku.Prefs": SHORT_PREFS}, said=["s21 s10 s1 s24   s13"], prefs_file="kept")

EMPTY = tempfile.mkdtemp(prefix="taku-noespeak-")  # a data path with nothing in it
atexit.register(os.rmdir, EMPTY)

SCENARIOS = {
    "no-sound-device": dict(SILENT_CHIMES, env=NO_SOUND),
    "unusable-sound-driver": dict(SILENT_CHIMES, env={"SDL_AUDIODRIVER": "no-such-driver"}),
    # espeak-ng without its data: it says so, and the date, the event and the time still go
    # to the silent synthesizer; 1/1 is a Friday: [1] [41] [30] [19] [23] [13].
    "no-espeak-data": dict(
        start="2027-01-01 08:59:40", due="2027-01-01 09:00:00", until="2027-01-01 09:00:03",
        prefs=dict(SpeakDateAtStart=True, AnnounceOn=True, IntervalIndex=5, ShowAMPM=False,
                   ShowSeconds=False),
        data={"event.txt": b"True\t1\t1\tA Happy New Year!\n"}, env={"ESPEAK_DATA_PATH": EMPTY},
        logged="espeak-ng data missing",
        said=["s1 s41 s30 s19 s23 s13", "A Happy New Year!........", "s9 s24   s13"]),
    "read-only-data": dict(CANNOT_SAVE, hook=read_only),
    "full-disk": dict(CANNOT_SAVE, hook=full_disk),
    "kill-during-saves": kill_during_saves,
}

if __name__ == "__main__":
    sys.exit(main(SCENARIOS))
