#!/usr/bin/env python3
"""The real clock started under Xvfb at a fake moment, watched through its log and closed
through its window; and the faults it must survive.

    e2e_clock.py --exe build/dev/bin/chikutaku SCENARIO
    e2e_clock.py --saver build/dev/tests/faults/taku_save_loop kill-during-saves

The pronunciation table of these runs says "s<n>" for row n, so every announcement below is
written out row by row.
"""

import hashlib
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import ClockRun, Skipped, check, copy_into, main, prefs_lines, voice_table  # noqa: E402


def tmpfs(size, fill=False, read_only=False):
    """A data folder hook: the folder on a small tmpfs, then full or remounted read-only."""
    def hook(data):
        def make(folder):
            os.mkdir(folder)
            if os.geteuid() != 0 or subprocess.run(
                    ["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs", folder],
                    capture_output=True, timeout=20).returncode != 0:
                raise Skipped("needs root and mount(8) for a small tmpfs")
            copy_into(folder, data)
            if read_only:
                subprocess.run(["mount", "-o", "remount,ro", folder], check=True, timeout=20)
            if fill:
                with open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
                    try:
                        while f.write(b"\0" * 4096):
                            pass
                    except OSError:
                        pass
                check(os.statvfs(folder).f_bavail == 0, "the tmpfs still has free blocks")
        return make
    return hook


def kill_during_saves(args, rounds=300):
    """kill -9 at random moments while the preferences, the pronunciation table and the event
    table are saved over and over: each file is always one whole version, never cut or empty."""
    saver, folder = os.path.abspath(args.saver), tempfile.mkdtemp(prefix="taku-kill-")
    try:
        expected = {}
        for line in subprocess.run([saver, "--print-versions", folder], check=True,
                                   capture_output=True, timeout=90).stdout.decode().splitlines():
            name, digest = line.split()
            expected.setdefault(name, set()).add(digest)
        check(set(expected) == {"Taku.Prefs", "voice.txt", "event.txt"}, f"the saver names {expected}")
        rng = random.Random(20261224)
        for n in range(rounds):
            proc = subprocess.Popen([saver, folder], stdout=subprocess.PIPE)
            check(proc.stdout.readline().strip() == b"saving", "the saver did not start")
            time.sleep(rng.uniform(0, 0.02))
            proc.send_signal(signal.SIGKILL)
            check(proc.wait(timeout=10) == -signal.SIGKILL, f"round {n}: the saver ended first")
            proc.stdout.close()
            for name, digests in expected.items():
                with open(os.path.join(folder, name), "rb") as f:
                    content = f.read()
                check(hashlib.sha256(content).hexdigest() in digests,
                      f"round {n}: {name} is not a whole version ({len(content)} bytes)")
    finally:
        subprocess.run(["rm", "-rf", folder], timeout=90)


def speak_key(args):
    """The speak-now key chosen as Ctrl+Alt+T, pressed while no window of the clock has the
    focus: the time is spoken at once, though nothing is due."""
    prefs = "".join(p + "\n" for p in prefs_lines(ShowSeconds=False, SpeakKey="Ctrl+Alt+T"))
    data = {"voice.txt": voice_table(), "Taku.Prefs": prefs.encode()}
    with ClockRun(os.path.abspath(args.exe), "speak-key", data=data) as run:
        run.start("2026-07-06 09:15:20")
        run.window()
        run.xdotool("key", "ctrl+alt+t")
        run.wait_for_tick("2026-07-06 09:15:24", timeout=60)
        said = [line for line in run.lines() if line.startswith("taku.speech: ")]
        check(len(said) == 1, f"spoken: {said}")


def seconds_ahead(args):
    """With the seconds shown and each tick not logged, the clock sleeps between minutes and its
    ticker draws the seconds: the strip looks exactly as the clock's own repaint draws it, and
    goes on changing second after second."""
    data = {"voice.txt": voice_table(),
            "Taku.Prefs": "".join(p + "\n" for p in prefs_lines(ShowSeconds=True)).encode()}
    looks = {}
    for name, rules in (("repainted", "taku.*=true"), ("ahead", "taku.*=true;taku.tick.debug=false")):
        with ClockRun(os.path.abspath(args.exe), "seconds-" + name, data=data,
                      extra_env={"QT_LOGGING_RULES": rules}) as run:
            run.start("2026-12-24 13:44:03")
            window, deadline, looks[name] = run.window(), time.monotonic() + 6, set()
            while time.monotonic() < deadline:
                looks[name].add(subprocess.run(
                    ["import", "-window", str(window), "-depth", "8", "rgb:-"], capture_output=True,
                    env=dict(os.environ, DISPLAY=run.display), timeout=10).stdout)
                time.sleep(0.15)
            if name == "ahead":
                children = subprocess.run(["pgrep", "-P", str(run.clock.pid), "-f", "chikutaku-ticker"],
                                          capture_output=True, timeout=10).stdout.split()
                check(len(children) == 1, "no seconds ticker was started")
    check(len(looks["ahead"]) >= 5, f"the strip showed {len(looks['ahead'])} different seconds in 6 s")
    same = len(looks["ahead"] & looks["repainted"])
    check(same >= 4, f"only {same} of the seconds drawn ahead look as repainted")


EVENTS = b"True\t12\t24\tparty\nFalse\t12\t24\tnever said\nTrue\t12\t25\ttomorrow\nTrue\t12\t24\tand more\n"
# No sound device of any kind: no sound server, an ALSA with no cards, SDL left to find out.
NO_SOUND = {"SDL_AUDIODRIVER": None, "PULSE_SERVER": "unix:/nonexistent/pulse",
            "PIPEWIRE_REMOTE": "/nonexistent/pipewire", "ALSA_CONFIG_PATH": "/dev/null"}
# A preferences file of ten lines: a save would write them all, so a save that happened shows.
# 火 午前11:00:00 is [21] [10] [1] [24], spaces, [13].
CANNOT_SAVE = dict(start="2026-05-05 10:59:40", due="2026-05-05 11:00:00", until="2026-05-05 11:00:02",
                   data={"Taku.Prefs": "".join(p + "\n" for p in prefs_lines(
                       AnnounceOn=True, IntervalIndex=5)[:10]).encode()},
                   said=["s21 s10 s1 s24   s13"], prefs_file="kept")
EMPTY = tempfile.TemporaryDirectory(prefix="taku-noespeak-")  # espeak-ng data with nothing in it

SCENARIOS = {
    # Thursday 24 December 2026: the date at start-up, today's active events after it, then the
    # quarter-hour time at 13:45:00, once: 12/24 is [10] [2] [41] [2] [10] [33] [18] [23] [13],
    # 13:45 with the seconds shown [10] [3] [24] [11] [10] [5] [26], a space, [13].
    "speech": dict(
        start="2026-12-24 13:44:40", due="2026-12-24 13:45:00", until="2026-12-24 13:45:02",
        prefs=dict(ShowAMPM=False, AnnounceOn=True, IntervalIndex=2, SpeakDateAtStart=True),
        data={"event.txt": EVENTS},
        said=["s10 s2 s41 s2 s10 s33 s18 s23 s13", "party........", "and more........",
              "s10 s3 s24 s11 s10 s5 s26  s13"]),
    # 15:00 with the old clock: three strikes swept left to right at the set volume, and no
    # spoken time although announcements are on (the chime takes the minute).
    "hour-chime": dict(
        start="2026-03-15 14:59:40", due="2026-03-15 15:00:00", until="2026-03-15 15:00:09",
        prefs=dict(SoundOn=True, SoundIndex=2, Volume=80, AnnounceOn=True, top=60, left=500),
        strikes=[(1, 3, -50, 80, "oldclock"), (2, 3, 0, 80, "oldclock"), (3, 3, 50, 80, "oldclock")]),
    # Without a sound device the silent output takes the 15:00 chime, the 15:01 chime starts
    # again after it, and no second goes unticked.
    "no-sound-device": dict(
        start="2026-03-15 14:58:20", speed=5, due="2026-03-15 15:00:00", until="2026-03-15 15:01:04",
        ticks=65, logged="falling back to silent output", prefs=dict(SoundOn=True, IntervalIndex=5),
        env=NO_SOUND, strikes=[(1, 3, -50, 100, "church"), (2, 3, 0, 100, "church"),
                               (3, 3, 50, 100, "church"), (1, 1, 0, 100, "church")]),
    # espeak-ng without its data: it says so, and the date, the event and the time still go to
    # the silent synthesizer; 1/1/2027 is a Friday: [1] [41] [30] [19] [23] [13].
    "no-espeak-data": dict(
        start="2027-01-01 08:59:40", due="2027-01-01 09:00:00", until="2027-01-01 09:00:03",
        prefs=dict(SpeakDateAtStart=True, AnnounceOn=True, IntervalIndex=5, ShowAMPM=False,
                   ShowSeconds=False),
        data={"event.txt": b"True\t1\t1\tA Happy New Year!\n"}, env={"ESPEAK_DATA_PATH": EMPTY.name},
        logged="espeak-ng data missing",
        said=["s1 s41 s30 s19 s23 s13", "A Happy New Year!........", "s9 s24   s13"]),
    # Quiet from 22:00 to 07:00 with the hourly chime, twenty times as fast: the 23:00 chime is
    # left out and logged, the alarm at 23:30 strikes all the same.
    "night": dict(
        start="2026-12-24 22:59:50", speed=20, due="2026-12-24 23:00:00", until="2026-12-24 23:30:20",
        prefs=dict(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=23, AlarmMinute=30,
                   AlarmRepeat=2, QuietOn=True, QuietStart=1320, QuietEnd=420),
        logged="taku.quiet: skipped chime 23:00 reason=quiet-hours",
        strikes=[(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")]),
    "speak-key": speak_key,
    "seconds-ahead": seconds_ahead,
    "read-only-data": dict(CANNOT_SAVE, hook=tmpfs("1m", read_only=True)),
    "full-disk": dict(CANNOT_SAVE, hook=tmpfs("256k", fill=True)),
    "kill-during-saves": kill_during_saves,
}

if __name__ == "__main__":
    sys.exit(main(SCENARIOS))
