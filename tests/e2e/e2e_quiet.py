#!/usr/bin/env python3
"""End-to-end runs of the clock's quiet hours and speak-now key, under Xvfb and libfaketime.

    e2e_quiet.py --exe build/dev/bin/chikutaku SCENARIO
"""

import argparse
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import (ClockRun, CheckFailed, check, lines_from, prefs_lines,  # noqa: E402
                      speeches, strikes, voice_table)

QUIET = re.compile(r"^taku\.quiet: (skipped .*)$")


def quiet_lines(lines):
    return [m.group(1) for m in map(QUIET.match, lines) if m]


def scenario_night(exe):
    """Quiet from 22:00 to 07:00 with the hourly chime and an alarm at 23:30: the 23:00 chime
    is left out and logged, the alarm strikes all the same. Time runs 20 times as fast."""
    prefs = prefs_lines(SoundOn=True, IntervalIndex=0, SoundIndex=2, AlarmOn=True,
                        AlarmHour=23, AlarmMinute=30, AlarmRepeat=2)
    prefs += ["True", "1320", "420", "False", ""]
    with ClockRun(exe, "quiet", data={"voice.txt": voice_table()}, prefs=prefs) as run:
        run.start("2026-12-24 22:59:50", speed=20)
        run.wait_for(lambda ls: len(strikes(ls)) >= 2, timeout=150, what="the alarm's strikes")
        lines = run.lines()
        check(quiet_lines(lines) == ["skipped chime 23:00 reason=quiet-hours"],
              f"quiet lines: {quiet_lines(lines)}")
        check(strikes(lines_from(lines, "2026-12-24 23:30:00")) == strikes(lines),
              "a chime was struck before the alarm's minute")
        code = run.close()
        check(code == 0, f"the clock ended with status {code}")
        saved = run.saved_prefs()
        check(saved[22:] == prefs[22:], f"the quiet-time lines came back as {saved[22:]}")


def scenario_speak_key(exe):
    """The speak-now key chosen as Ctrl+Alt+T: pressed in another program's place (the
    root window has the focus), the time is spoken at once."""
    prefs = prefs_lines(ShowAMPM=False, Show24Hour=True, ShowSeconds=False)
    prefs += ["False", "0", "0", "False", "Ctrl+Alt+T"]
    with ClockRun(exe, "speakkey", data={"voice.txt": voice_table()}, prefs=prefs) as run:
        run.start("2026-07-06 09:15:20")
        run.window()
        env = dict(os.environ, DISPLAY=run.display)
        subprocess.run(["xdotool", "key", "ctrl+alt+t"], env=env, check=True, timeout=10)
        run.wait_for(lambda ls: speeches(ls), timeout=20, what="the time spoken")
        said = speeches(run.lines())
        check(len(said) == 1, f"spoken: {said}")
        check(run.close() == 0, "the clock did not end cleanly")


SCENARIOS = {"night": scenario_night, "speak-key": scenario_speak_key}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    try:
        SCENARIOS[args.scenario](os.path.abspath(args.exe))
    except CheckFailed as failure:
        print(f"FAIL {args.scenario}: {failure}")
        return 1
    print(f"PASS {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
