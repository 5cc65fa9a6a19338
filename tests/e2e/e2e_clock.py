#!/usr/bin/env python3
"""End-to-end runs of the real clock: started under Xvfb at a fake moment, watched through its
log, closed through its window.

    e2e_clock.py --exe build/dev/bin/chikutaku SCENARIO

The pronunciation table of these runs says "s<n>" for row n, so every announcement below is
written out row by row from the rules of the spoken time and date.
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import (ClockRun, CheckFailed, check, prefs_lines, speeches, strikes,  # noqa: E402
                      voice_table)

EVENTS = ("True\t12\t24\tChristmas Eve party\n"
          "False\t12\t24\tswitched off, never said\n"
          "True\t12\t25\tMerry Xmas!\n"
          "\n"
          "True\t12\t24\tand the second one\n").encode()


def close_and_check_prefs(run, prefs):
    """Closes the window and checks the preferences file holds the window's place and every
    setting the clock was started with."""
    x, y, _, _ = run.geometry(run.window())
    code = run.close()
    check(code == 0, f"the clock ended with status {code}")
    saved = run.saved_prefs()
    check(len(saved) == 22, f"Taku.Prefs has {len(saved)} lines, not 22")
    check(saved[0] == str(y) and saved[1] == str(x),
          f"Taku.Prefs keeps top/left {saved[0:2]}, the window stood at top {y}, left {x}")
    check(saved[2:] == prefs[2:], f"settings changed on the way through a run: {saved} vs {prefs}")


def scenario_speech(exe):
    """Thursday 24 December 2026: the date at start-up, today's two active events after it,
    then the quarter-hour time at 13:45:00, once."""
    prefs = prefs_lines(ShowAMPM=False, Show24Hour=True, ShowSeconds=True, AnnounceOn=True,
                        IntervalIndex=2, SpeakDateAtStart=True)
    with ClockRun(exe, "speech", data={"voice.txt": voice_table(), "event.txt": EVENTS},
                  prefs=prefs) as run:
        run.start("2026-12-24 13:44:40")
        run.wait_for_tick("2026-12-24 13:45:02", timeout=90)
        said = speeches(run.lines())
        # 12/24, Thursday: [10] [2] [41] [2] [10] [33] [18] [23] [13]
        date = "s10 s2 s41 s2 s10 s33 s18 s23 s13"
        # 13:45 with the seconds shown and 0: [10] [3] [24] [11] [10] [5] [26], a space, [13]
        time_ = "s10 s3 s24 s11 s10 s5 s26  s13"
        check(said == [date, "Christmas Eve party........", "and the second one........",
                       time_], f"spoken: {said}")
        # The time is spoken in the due second, not before it.
        lines = run.lines()
        first_due = next(i for i, line in enumerate(lines)
                         if line.startswith("taku.tick: 2026-12-24 13:45:00"))
        spoken_at = lines.index("taku.speech: " + time_)
        check(spoken_at > first_due, "the time was spoken before its minute came")
        check(any(t.startswith("2026-12-24 13:45:00") for t in run.ticks()), "no tick at 13:45:00")
        close_and_check_prefs(run, prefs)


def scenario_alarm_speech(exe):
    """Monday 6 July 2026, alarm at 7:30 with no chime: the time is spoken at 07:30:00 in the
    12-hour display with 午前, and nothing else is said."""
    prefs = prefs_lines(ShowAMPM=True, Show24Hour=False, ShowSeconds=False, AlarmOn=True,
                        AlarmHour=7, AlarmMinute=30, IntervalIndex=5, left=25, top=300)
    with ClockRun(exe, "alarm", data={"voice.txt": voice_table()}, prefs=prefs) as run:
        run.start("2026-07-06 07:29:40")
        run.wait_for_tick("2026-07-06 07:30:02", timeout=90)
        # 午前7:30: [21] [7] [24] [3] [10] [25], a space, [13]
        said = speeches(run.lines())
        check(said == ["s21 s7 s24 s3 s10 s25  s13"], f"spoken: {said}")
        check(strikes(run.lines()) == [], "a chime was struck with the sound effects off")
        close_and_check_prefs(run, prefs)


def scenario_hour_chime(exe):
    """15:00 with the old clock chosen: three strikes swept left to right at the set volume,
    and no spoken time although announcements are on (the chime takes the minute)."""
    prefs = prefs_lines(SoundOn=True, SoundIndex=2, Volume=80, AnnounceOn=True,
                        IntervalIndex=0, top=60, left=500)
    with ClockRun(exe, "chime", data={"voice.txt": voice_table()}, prefs=prefs) as run:
        run.start("2026-03-15 14:59:40")
        run.wait_for(lambda ls: len(strikes(ls)) >= 3, timeout=90, what="three strikes")
        run.wait_for_tick("2026-03-15 15:00:03", timeout=30)
        got = strikes(run.lines())
        check(got == [(1, 3, -50, 80, "oldclock"), (2, 3, 0, 80, "oldclock"),
                      (3, 3, 50, 80, "oldclock")], f"strikes: {got}")
        check(speeches(run.lines()) == [], "the time was spoken as well as struck")
        close_and_check_prefs(run, prefs)


def scenario_alarm_chime(exe):
    """An alarm of 14 strikes at 7:00 with the cat: 14 on the 12-hour dial is 2 strikes, at
    pans -33 and 33; the interval chime of 7:00 (7 strikes) does not follow in that second."""
    prefs = prefs_lines(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=7,
                        AlarmMinute=0, AlarmRepeat=14, IntervalIndex=0)
    with ClockRun(exe, "alarmchime", data={"voice.txt": voice_table()}, prefs=prefs) as run:
        run.start("2026-03-15 06:59:40")
        run.wait_for(lambda ls: len(strikes(ls)) >= 2, timeout=90, what="two strikes")
        # The interval chime would have started within a second of the alarm's end.
        seen = len(run.ticks())
        run.wait_for(lambda ls: len(run.ticks()) >= seen + 3, timeout=30,
                     what="three more ticks")
        got = strikes(run.lines())
        check(got == [(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")], f"strikes: {got}")
        close_and_check_prefs(run, prefs)


SCENARIOS = {
    "speech": scenario_speech,
    "alarm-speech": scenario_alarm_speech,
    "hour-chime": scenario_hour_chime,
    "alarm-chime": scenario_alarm_chime,
}


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
