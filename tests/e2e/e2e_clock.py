#!/usr/bin/env python3
"""The real clock started under Xvfb at a fake moment, watched through its log and closed
through its window; and the faults it must survive.

    e2e_clock.py --exe chikutaku --saver taku_save_loop --notifications STUB SCENARIO

The pronunciation table of these runs says "s<n>" for row n, so every announcement below is
written out row by row. The runs go faster than real time (libfaketime's "xN": the clock's
timers and SDL's sleeps follow the faked clock); the clock reads the wall-clock second at each
tick, so it behaves as in real time while a run takes a fraction of it.
"""

import argparse
import glob
import hashlib
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import (TICK, CheckFailed, ClockRun, PulseDaemon, check, copy_into,  # noqa: E402
                      prefs_file, voice_table, wait)

SPEECH = re.compile(r"^taku\.speech: (.*)$")
STRIKE = re.compile(r"^taku\.sound: strike (\d+)/(\d+) pan=(-?\d+) volume=(-?\d+) sound=(\S+)$")
SKIPPED = re.compile(r"^taku\.quiet: (skipped .*)$")
DAY = "2026-12-24 "


def matches(pattern, lines):
    return [m.groups() for m in map(pattern.match, lines) if m]


def between(lines, start, end="9"):
    """The lines from the first tick at or after the second start to the first one at end."""
    ticks = [(n, t) for n, line in enumerate(lines) if (m := TICK.match(line)) and (t := m[1])]
    return lines[next((n for n, t in ticks if t >= start), len(lines)):
                 next((n for n, t in ticks if t >= end), len(lines))]


def run_scenario(args, sc):
    """Starts the clock at sc["start"] (sc["speed"] times as fast) with sc["prefs"] and sc["data"]
    (the numbered voice table by default), presses sc["keys"], runs it to the tick sc["until"],
    checks what it said (sc["said"], the last of it at or after sc["due"]), struck from sc["due"]
    on (sc["strikes"]), logged (sc["logged"]) and ticked (sc["ticks"] seconds), closes it and
    checks the preferences: saved as started with, or with sc["prefs_file"] "kept" unchanged."""
    prefs, due = prefs_file(**sc.get("prefs", {})), sc["due"]
    data = {"voice.txt": voice_table(), "Taku.Prefs": prefs, **sc.get("data", {})}
    with ClockRun(args.exe, sc["name"], None if "hook" in sc else data, sc.get("env")) as run:
        if "hook" in sc:
            sc["hook"](run.data_dir, data)
        run.start(sc["start"], sc.get("speed"))
        if "keys" in sc:  # pressed while no window of the clock has the focus
            run.find()
            run.x("xdotool", "key", sc["keys"])
        run.wait_log(tick=sc["until"], timeout=120)
        lines = run.lines()
        said = [s for s, in matches(SPEECH, lines)]
        check(said == sc.get("said", []), f"spoken: {said}")
        check(not said or "taku.speech: " + said[-1] in between(lines, due), f"spoken before {due}")
        struck = [(int(k), int(n), int(p), int(v), s)
                  for k, n, p, v, s in matches(STRIKE, between(lines, due))]
        check(struck == sc.get("strikes", []), f"strikes from {due}: {struck}")
        seconds = {t for t, in matches(TICK, lines) if due <= t <= sc["until"]}
        check(len(seconds) >= sc.get("ticks", 0), f"ticks missed after {due}: {len(seconds)}")
        check(sc.get("logged", "") in "\n".join(lines), f"{sc.get('logged')!r} was not logged")
        saved = run.close()
        if sc.get("prefs_file") == "kept":
            check(saved == data["Taku.Prefs"], "the preferences file changed")
            check("not saved" in "\n".join(run.lines()), "the skipped save was not logged")
            extra = set(os.listdir(run.data_dir)) - set(data) - {"filler"}
            check(not extra, f"files left behind: {extra}")
        else:
            check(saved == prefs, "the preferences came back changed")


def tmpfs(size, fill=False, read_only=False):
    """A data folder hook: the folder on a small tmpfs, then full or remounted read-only."""
    def hook(folder, data):
        os.mkdir(folder)
        if os.geteuid() != 0 or subprocess.run(
                ["mount", "-t", "tmpfs", "-o", f"size={size},mode=0755", "tmpfs", folder],
                capture_output=True, timeout=20).returncode != 0:
            print("SKIP: needs root and mount(8) for a small tmpfs")
            sys.exit(77)
        copy_into(folder, data)
        if read_only:
            subprocess.run(["mount", "-o", "remount,ro", folder], check=True, timeout=20)
        if fill:
            subprocess.run(["dd", "if=/dev/zero", f"of={folder}/filler", "bs=4k"],
                           capture_output=True)
            check(os.statvfs(folder).f_bavail == 0, "the tmpfs still has free blocks")
    return hook


def kill_during_saves(args, rounds=300):
    """kill -9 at random moments while the preferences, the pronunciation table and the event
    table are saved over and over: each file is always one whole version, never cut or empty."""
    folder, expected, rng = tempfile.mkdtemp(prefix="taku-kill-"), {}, random.Random(20261224)
    try:
        for line in subprocess.run([args.saver, "--print-versions", folder], check=True,
                                   capture_output=True, timeout=90).stdout.decode().splitlines():
            expected.setdefault(line.split()[0], set()).add(line.split()[1])
        check(set(expected) == {"Taku.Prefs", "voice.txt", "event.txt"}, f"the saver's {expected}")
        for n in range(rounds):
            with subprocess.Popen([args.saver, folder], stdout=subprocess.PIPE) as proc:
                check(proc.stdout.readline() == b"saving\n", "the saver did not start")
                time.sleep(rng.uniform(0, 0.02))
                proc.send_signal(signal.SIGKILL)
                check(proc.wait(timeout=10) == -signal.SIGKILL, f"round {n}: the saver ended first")
            for name, digests in expected.items():
                with open(os.path.join(folder, name), "rb") as f:
                    content = f.read()
                check(hashlib.sha256(content).hexdigest() in digests,
                      f"round {n}: {name} is not a whole version ({len(content)} bytes)")
    finally:
        subprocess.run(["rm", "-rf", folder], timeout=90)


def restarts(args):
    """Started and closed five times, the strip comes back where it was: under openbox, which
    puts a title bar and a border around it, and on a bare display. The file is as an earlier
    version wrote it (22 lines, no quiet-time lines): the strip stands at its top and left, and
    every close writes it back unchanged. Moved during the third run, as a drag moves it, the
    strip keeps its new place from then on."""
    for wm in (True, False):
        top, left = 200, 400
        with ClockRun(args.exe, "restarts", {"voice.txt": voice_table(),
                                             "Taku.Prefs": prefs_file(top=top, left=left)}) as run:
            for n in range(1, 6):
                run.start("2026-12-24 13:44:03", wm=wm)
                window = run.find()[0]
                # Once the window manager, if any, has framed the strip.
                place, frame = wait(lambda: ((p := run.place(window))[1] or not wm) and p, "frame",
                                    10)
                check(wm == (frame is not None and frame[2] > 0), f"title bar {frame} with wm={wm}")
                check(place == (left, top), f"start {n}: the strip at {place}, not {left, top}")
                if n == 3:
                    # Moved once the strip has its width: a move before it would be undone by
                    # the resize, which places the window where the clock last knew it.
                    run.wait_log(line="taku.startup: first paint", timeout=20)
                    top, left = 300, 520
                    run.x("xdotool", "windowmove", str(window), str(left), str(top))
                    wait(lambda: run.place(window)[0] == (left, top), f"strip at {left, top}", 10)
                saved = run.close()
                check(saved == prefs_file(top=top, left=left), f"{n}: saved {saved.split()[:2]}")
                print(f"{'openbox' if wm else 'no wm'} start {n}: strip at {place}, frame {frame}")


def second_start(args):
    """A later start in the same folder hands over: it ends with status 0, having made no strip
    and written nothing, and the running clock shows its settings window. After the clock is
    killed (its lock and socket left behind) the next start is the clock again, and a start
    after that hands over to it."""
    prefs = prefs_file()
    with ClockRun(args.exe, "second", {"voice.txt": voice_table(), "Taku.Prefs": prefs}) as run:
        for round in ("first", "after a crash"):
            run.start("2026-12-24 13:44:03")
            run.wait_log(tick="2026-12-24 13:44:04", timeout=30)
            status, lines = run.start_another("2026-12-24 13:44:10")
            check(status == 0, f"{round}: the later start ended with {status}: {lines[-5:]}")
            check(not matches(TICK, lines), f"{round}: the later start ticked")
            run.wait_log(line="taku.app: second start: showing settings", timeout=10)
            settings, strips = run.find("--name", "^設定$"), run.find("--name", "^2026")
            check(len(settings) == len(strips) == 1, f"{round}: settings {settings}, strip {strips}")
            check(run.prefs() == prefs, f"{round}: Taku.Prefs changed while the clock runs")
            run.clock.kill()  # no chance to clean up: the lock and the socket stay
            run.clock.wait(timeout=10)
            left = sorted(p.rsplit(".")[-1] for p in glob.glob(f"{run.work}/chikutaku-*"))
            check(left == ["lock", "socket"], f"{round}: left behind: {left}")


def busy_desktop(args):
    """A busy desktop through real services of the run's own: the notifications service holds
    notifications back (GNOME's switch at its default), someone records from the microphone,
    another window is active in full screen under openbox. The time is spoken every minute.
    With the choices off it is spoken all the same; the file of 27 lines is written back so.
    With them on (do-not-disturb ticked in the quiet-time window while the clock runs) the
    alarm is spoken while busy; each way in turn, as the one before it ends, leaves a minute
    unspoken and says why; then the time is spoken again. The file then has 30 lines."""
    def minutes(want):  # what each minute, from its second 0 on, left out and how often it spoke
        for minute, (skipped, spoken) in want.items():
            next_minute = f"{DAY}{minute[:3]}{int(minute[3:]) + 1:02}"
            part = between(run.lines(), f"{DAY}{minute}:00", next_minute)
            got = ([s for s, in matches(SKIPPED, part)], len(matches(SPEECH, part)))
            check(got == ([skipped] if skipped else [], spoken), f"{minute}: skipped, spoken {got}")

    def in_time(latest, what):  # fails when the clock had passed the tick latest
        now = max((t for t, in matches(TICK, run.lines())), default="")
        check(now < DAY + latest, f"{what} only at {now}: the machine is too slow for this run")

    speech = dict(AnnounceOn=True, IntervalIndex=5, AlarmOn=True, AlarmHour=15, AlarmMinute=0,
                  QuietOn=True, QuietStart=60, QuietEnd=120)  # quiet hours, but not now
    off = prefs_file(**speech)
    on = prefs_file(**speech, QuietInCall=True, QuietWhenFullScreen=True)
    check(len(off.splitlines()) == 27 and len(on.splitlines()) == 30, "not 27 and 30 lines")
    with ClockRun(args.exe, "busy-desktop", {"voice.txt": voice_table(), "Taku.Prefs": off}) as run:
        run.open_display(wm=True)
        bus = run.session_bus()
        inhibit = run.notifications(args.notifications, bus, inhibited=True)
        pulse, front = PulseDaemon(run), run.other_window()
        mic = pulse.record("mic")
        run.env.update(DBUS_SESSION_BUS_ADDRESS=bus, GSETTINGS_BACKEND="memory",
                       PULSE_SERVER=pulse.address)

        run.start(DAY + "13:59:40", speed=4)
        run.find()
        front(full=True)  # once the strip, which may have taken the focus, shows
        in_time("13:59:57", "the busy desktop was in place")
        run.wait_log(tick=DAY + "14:00:02")
        minutes({"14:00": (None, 1)})
        check(run.close() == off, "the file of 27 lines came back changed")

        front(full=False)
        copy_into(run.data_dir, {"Taku.Prefs": on})
        run.start(DAY + "14:59:30", speed=8)
        run.find()
        status, lines = run.start_another(DAY + "14:59:30")
        check(status == 0, f"the later start ended with {status}: {lines[-5:]}")
        settings = run.find("--name", "^設定$")[0]
        run.click(settings, 134 + 42, 430 + 10)  # 静かな時間
        quiet = run.find("--name", "^静かな時間$")[0]
        run.click(quiet, 17 + 7, 92 + 10)  # 通知を止めている間は鳴らさない
        front(full=True)
        in_time("15:00:57", "do-not-disturb was ticked")
        for minute, end in (("15:01", lambda: inhibit(False)),
                            ("15:02", lambda: (pulse.stop(mic), pulse.record("speakers.monitor"))),
                            ("15:03", lambda: front(full=False))):
            run.wait_log(tick=f"{DAY}{minute}:02")
            end()
            in_time(minute + ":57", f"the busy state of {minute} ended")
        run.wait_log(tick=DAY + "15:04:02")  # the time is handed over at the tick of second 0
        minutes({"15:00": (None, 1), "15:01": ("skipped speech 15:01 reason=dnd", 0),
                 "15:02": ("skipped speech 15:02 reason=call", 0),
                 "15:03": ("skipped speech 15:03 reason=fullscreen", 0), "15:04": (None, 1)})
        for window in (quiet, settings):
            run.close_window(window)
        saved = run.close()
        check(saved == prefs_file(**speech, QuietWhenDnd=True, QuietInCall=True,
                                  QuietWhenFullScreen=True), f"saved: {saved.splitlines()[22:]}")


EVENTS = b"True\t12\t24\tparty\nFalse\t12\t24\tnever said\nTrue\t12\t25\tlater\nTrue\t12\t24\tand more\n"
# No sound device of any kind: no sound server, an ALSA with no cards, SDL left to find out.
NO_SOUND = {"SDL_AUDIODRIVER": None, "PULSE_SERVER": "unix:/nonexistent/pulse",
            "PIPEWIRE_REMOTE": "/nonexistent/pipewire", "ALSA_CONFIG_PATH": "/dev/null"}
# A preferences file of ten lines: a save would write them all, so a save that happened shows.
# 火 午前11:00:00 is [21] [10] [1] [24], spaces, [13].
CANNOT_SAVE = dict(start="2026-05-05 10:59:40", speed=4, due="2026-05-05 11:00:00",
                   until="2026-05-05 11:00:02", said=["s21 s10 s1 s24   s13"], prefs_file="kept",
                   data={"Taku.Prefs": prefs_file(10, AnnounceOn=True, IntervalIndex=5)})
EMPTY = tempfile.TemporaryDirectory(prefix="taku-noespeak-")  # espeak-ng data with nothing in it

SCENARIOS = {
    # Thursday 24 December 2026: the date at start-up, today's active events after it, then the
    # quarter-hour time at 13:45:00, once: 12/24 is [10] [2] [41] [2] [10] [33] [18] [23] [13],
    # 13:45 with the seconds shown [10] [3] [24] [11] [10] [5] [26], a space, [13].
    "speech": dict(
        start="2026-12-24 13:44:40", speed=4, due="2026-12-24 13:45:00", until="2026-12-24 13:45:02",
        prefs=dict(ShowAMPM=False, AnnounceOn=True, IntervalIndex=2, SpeakDateAtStart=True),
        data={"event.txt": EVENTS},
        said=["s10 s2 s41 s2 s10 s33 s18 s23 s13", "party........", "and more........",
              "s10 s3 s24 s11 s10 s5 s26  s13"]),
    # 15:00 with the old clock: three strikes swept left to right at the set volume, and no
    # spoken time although announcements are on (the chime takes the minute).
    "hour-chime": dict(
        start="2026-03-15 14:59:40", speed=4, due="2026-03-15 15:00:00", until="2026-03-15 15:00:09",
        prefs=dict(SoundOn=True, SoundIndex=2, Volume=80, AnnounceOn=True, top=60, left=500),
        strikes=[(1, 3, -50, 80, "oldclock"), (2, 3, 0, 80, "oldclock"), (3, 3, 50, 80, "oldclock")]),
    # Without a sound device the silent output takes the 15:00 chime, the 15:01 chime starts
    # again after it, and no second goes unticked.
    "no-sound-device": dict(
        start="2026-03-15 14:58:50", speed=8, due="2026-03-15 15:00:00", until="2026-03-15 15:01:04",
        ticks=65, logged="falling back to silent output", prefs=dict(SoundOn=True, IntervalIndex=5),
        env=NO_SOUND, strikes=[(1, 3, -50, 100, "church"), (2, 3, 0, 100, "church"),
                               (3, 3, 50, 100, "church"), (1, 1, 0, 100, "church")]),
    # espeak-ng without its data: it says so, and the date, the event and the time still go to
    # the silent synthesizer; 1/1/2027 is a Friday: [1] [41] [30] [19] [23] [13].
    "no-espeak-data": dict(
        start="2027-01-01 08:59:40", speed=4, due="2027-01-01 09:00:00", until="2027-01-01 09:00:03",
        prefs=dict(SpeakDateAtStart=True, AnnounceOn=True, IntervalIndex=5, ShowAMPM=False,
                   ShowSeconds=False),
        data={"event.txt": b"True\t1\t1\tA Happy New Year!\n"}, env={"ESPEAK_DATA_PATH": EMPTY.name},
        logged="espeak-ng data missing",
        said=["s1 s41 s30 s19 s23 s13", "A Happy New Year!........", "s9 s24   s13"]),
    # Quiet from 22:00 to 07:00 with the hourly chime: the 23:00 chime is left out and logged,
    # the alarm at 23:02 strikes all the same.
    "night": dict(
        start="2026-12-24 22:59:20", speed=20, due="2026-12-24 23:00:00", until="2026-12-24 23:02:20",
        prefs=dict(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=23, AlarmMinute=2,
                   AlarmRepeat=2, QuietOn=True, QuietStart=1320, QuietEnd=420),
        logged="taku.quiet: skipped chime 23:00 reason=quiet-hours",
        strikes=[(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")]),
    # The speak-now key chosen as Ctrl+Alt+T speaks the time at once, though nothing is due.
    "speak-key": dict(
        start="2026-07-06 09:15:20", due="2026-07-06 09:15:20", until="2026-07-06 09:15:24",
        prefs=dict(ShowSeconds=False, SpeakKey="Ctrl+Alt+T"), keys="ctrl+alt+t",
        said=["s21 s9 s24 s10 s5 s26  s13"]),
    "read-only-data": dict(CANNOT_SAVE, hook=tmpfs("1m", read_only=True)),
    "full-disk": dict(CANNOT_SAVE, hook=tmpfs("256k", fill=True)),
    "restarts": restarts,
    "second-start": second_start,
    "kill-during-saves": kill_during_saves,
    "busy-desktop": busy_desktop,
}


def main():
    """Runs the scenario named on the command line. Exit status 0 passed, 1 failed, 77 skipped."""
    parser = argparse.ArgumentParser()
    for program in ("--exe", "--saver", "--notifications"):
        parser.add_argument(program, type=os.path.abspath)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    sc = SCENARIOS[args.scenario]
    try:
        sc(args) if callable(sc) else run_scenario(args, dict(sc, name=args.scenario))
    except CheckFailed as failure:
        print(f"FAIL {args.scenario}: {failure}")
        return 1
    print(f"PASS {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
