#!/usr/bin/env python3
"""End-to-end runs of the real clock: started under Xvfb at a fake moment, watched through its
log, closed through its window; and an installation that is moved and still starts.

    e2e_clock.py --exe build/dev/bin/chikutaku SCENARIO
    e2e_clock.py --build build/dev --source . install

The pronunciation table of these runs says "s<n>" for row n, so every announcement below is
written out row by row from the rules of the spoken time and date.
"""

import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import ClockRun, check, main, prefs_lines, voice_table  # noqa: E402

EVENTS = ("True\t12\t24\tChristmas Eve party\nFalse\t12\t24\tswitched off, never said\n"
          "True\t12\t25\tMerry Xmas!\n\nTrue\t12\t24\tand the second one\n").encode()


def install(args):
    """`cmake --install` into a fresh folder: the program, its icon, a menu entry naming the
    folder and Taku_DATA; a second install keeps what the user changed and puts back what
    they deleted; the moved folder still starts and reads its data."""
    work = tempfile.mkdtemp(prefix="taku-install-")
    try:
        prefix, data = os.path.join(work, "ちくたく"), os.path.join(work, "ちくたく", "Taku_DATA")
        put = lambda: subprocess.run(["cmake", "--install", args.build, "--prefix", prefix],  # noqa: E731
                                     check=True, capture_output=True, timeout=120)
        put()
        check(os.access(os.path.join(prefix, "chikutaku"), os.X_OK), "the program can't run")
        with open(os.path.join(prefix, "chikutaku.png"), "rb") as f:
            check(f.read(8) == b"\x89PNG\r\n\x1a\n", "the icon is not a PNG")
        with open(os.path.join(prefix, "chikutaku.desktop"), encoding="utf-8") as f:
            check(f'Exec="{prefix}/chikutaku"' in f.read(), "the menu entry names another folder")
        source_data = os.path.join(args.source, "data")
        delivered = sorted(n for n in os.listdir(source_data)
                           if n != "README.md" and os.path.isfile(os.path.join(source_data, n)))
        check(sorted(os.listdir(data)) == delivered, f"Taku_DATA holds {os.listdir(data)}")

        mine = "自分\tjibun\n".encode("cp932")
        for name, content in (("voice.txt", mine), ("Taku.Prefs", b"5\n6\n")):
            with open(os.path.join(data, name), "wb") as f:
                f.write(content)
        others = [n for n in delivered if n != "voice.txt"]
        if others:
            os.remove(os.path.join(data, others[0]))
        put()
        for name, content in (("voice.txt", mine), ("Taku.Prefs", b"5\n6\n")):
            with open(os.path.join(data, name), "rb") as f:
                check(f.read() == content, f"a reinstall overwrote the user's {name}")
        check(sorted(os.listdir(data)) == sorted(set(delivered) | {"Taku.Prefs"}),
              "a reinstall did not put back a deleted file")

        moved, home = os.path.join(work, "moved"), os.path.join(work, "home")
        shutil.move(prefix, moved)
        subprocess.run([os.path.join(moved, "install-desktop-entry.sh")], check=True,
                       capture_output=True, timeout=60, env=dict(os.environ, HOME=home, XDG_DATA_HOME=""))
        with open(os.path.join(home, ".local/share/applications/chikutaku.desktop")) as f:
            check(f'Exec="{moved}/chikutaku"' in f.read(), "the menu entry does not follow the move")
        with ClockRun(os.path.join(moved, "chikutaku"), "installed", data={"voice.txt": mine}) as run:
            run.start("2026-12-24 12:00:00")
            run.wait_for_tick("2026-12-24 12:00:01", timeout=60)
    finally:
        shutil.rmtree(work, ignore_errors=True)


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


SCENARIOS = {
    # Thursday 24 December 2026: the date at start-up, today's two active events after it,
    # then the quarter-hour time at 13:45:00, once; 12/24 is [10] [2] [41] [2] [10] [33] [18]
    # [23] [13], 13:45 with the seconds shown is [10] [3] [24] [11] [10] [5] [26], a space, [13].
    "speech": dict(
        start="2026-12-24 13:44:40", due="2026-12-24 13:45:00", until="2026-12-24 13:45:02",
        prefs=dict(ShowAMPM=False, AnnounceOn=True, IntervalIndex=2, SpeakDateAtStart=True),
        data={"event.txt": EVENTS},
        said=["s10 s2 s41 s2 s10 s33 s18 s23 s13", "Christmas Eve party........",
              "and the second one........", "s10 s3 s24 s11 s10 s5 s26  s13"]),
    # An alarm at 7:30 with no chime, 12-hour display: 午前7:30 is [21] [7] [24] [3] [10] [25].
    "alarm-speech": dict(
        start="2026-07-06 07:29:40", due="2026-07-06 07:30:00", until="2026-07-06 07:30:02",
        prefs=dict(Show24Hour=False, ShowSeconds=False, AlarmOn=True, AlarmHour=7, AlarmMinute=30,
                   IntervalIndex=5, left=25, top=300),
        said=["s21 s7 s24 s3 s10 s25  s13"]),
    # 15:00 with the old clock: three strikes swept left to right at the set volume, and no
    # spoken time although announcements are on (the chime takes the minute).
    "hour-chime": dict(
        start="2026-03-15 14:59:40", due="2026-03-15 15:00:00", until="2026-03-15 15:00:09",
        prefs=dict(SoundOn=True, SoundIndex=2, Volume=80, AnnounceOn=True, top=60, left=500),
        strikes=[(1, 3, -50, 80, "oldclock"), (2, 3, 0, 80, "oldclock"), (3, 3, 50, 80, "oldclock")]),
    # An alarm of 14 strikes at 7:00 with the cat: 2 strikes on the 12-hour dial, and the
    # interval chime of 7:00 (7 strikes) does not follow.
    "alarm-chime": dict(
        start="2026-03-15 06:59:40", due="2026-03-15 07:00:00", until="2026-03-15 07:00:06",
        prefs=dict(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=7, AlarmRepeat=14),
        strikes=[(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")]),
    # Quiet from 22:00 to 07:00 with the hourly chime, twenty times as fast: the 23:00 chime is
    # left out and logged, the alarm at 23:30 strikes all the same.
    "night": dict(
        start="2026-12-24 22:59:50", speed=20, due="2026-12-24 23:00:00", until="2026-12-24 23:30:20",
        prefs=dict(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=23, AlarmMinute=30,
                   AlarmRepeat=2, QuietOn=True, QuietStart=1320, QuietEnd=420),
        logged="taku.quiet: skipped chime 23:00 reason=quiet-hours",
        strikes=[(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")]),
    "speak-key": speak_key,
    "install": install,
}

if __name__ == "__main__":
    sys.exit(main(SCENARIOS))
