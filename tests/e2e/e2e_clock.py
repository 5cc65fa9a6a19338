#!/usr/bin/env python3
"""The real clock started under Xvfb at a fake moment, watched through its log and closed
through its window; and the faults it must survive.

    e2e_clock.py --exe build/dev/bin/chikutaku --saver build/dev/tests/faults/taku_save_loop SCENARIO

The pronunciation table of these runs says "s<n>" for row n, so every announcement below is
written out row by row.
"""

import argparse
import glob
import hashlib
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from clockrun import (TICK, CheckFailed, ClockRun, check, copy_into, prefs_lines, voice_table,  # noqa: E402
                      send_wm_delete, window_place)
from busydesktop import FullScreenWindow, NotificationsStub, PulseDaemon, SessionBus  # noqa: E402

SPEECH = re.compile(r"^taku\.speech: (.*)$")
STRIKE = re.compile(r"^taku\.sound: strike (\d+)/(\d+) pan=(-?\d+) volume=(-?\d+) sound=(\S+)$")
SKIPPED = re.compile(r"^taku\.quiet: (skipped .*)$")


class Skipped(Exception): pass


def after(lines, stamp):
    """The lines from the first tick at or after a wall-clock second on."""
    starts = [n for n, line in enumerate(lines) if (m := TICK.match(line)) and m.group(1) >= stamp]
    return lines[starts[0]:] if starts else []


def run_scenario(exe, sc):
    """Starts the clock at sc["start"] (sc["speed"] times as fast) with sc["prefs"] and
    sc["data"] (the numbered voice table by default), presses sc["keys"], runs it to the tick
    sc["until"], checks what it said (sc["said"], the last of it at or after sc["due"]), struck
    from sc["due"] on (sc["strikes"]), logged (sc["logged"]) and ticked (sc["ticks"] seconds),
    closes it and checks the preferences: saved as started with, or with sc["prefs_file"]
    "kept" unchanged."""
    prefs = "".join(p + "\n" for p in prefs_lines(**sc.get("prefs", {}))).encode()
    data = {"voice.txt": voice_table(), "Taku.Prefs": prefs, **sc.get("data", {})}
    with ClockRun(exe, sc["name"], None if "hook" in sc else data, sc.get("env")) as run:
        if "hook" in sc:
            sc["hook"](run.data_dir, data)
        run.start(sc["start"], sc.get("speed"))
        if "keys" in sc:  # pressed while no window of the clock has the focus
            run.window()
            run.xdotool("key", sc["keys"])
        run.wait_for_tick(sc["until"], timeout=120)
        lines = run.lines()
        said = [m.group(1) for m in map(SPEECH.match, lines) if m]
        check(said == sc.get("said", []), f"spoken: {said}")
        if said:
            check("taku.speech: " + said[-1] in after(lines, sc["due"]), f"spoken before {sc['due']}")
        struck = [(int(k), int(n), int(p), int(v), s) for k, n, p, v, s in
                  (m.groups() for m in map(STRIKE.match, after(lines, sc["due"])) if m)]
        check(struck == sc.get("strikes", []), f"strikes from {sc['due']}: {struck}")
        seconds = {t for m in map(TICK.match, lines) if m and sc["due"] <= (t := m.group(1)) <= sc["until"]}
        check(len(seconds) >= sc.get("ticks", 0), f"ticks missed after {sc['due']}: {len(seconds)}")
        check(sc.get("logged", "") in "\n".join(lines), f"{sc.get('logged')!r} was not logged")
        check(run.close() == 0, "the clock did not end cleanly")
        with open(os.path.join(run.data_dir, "Taku.Prefs"), "rb") as f:
            saved = f.read()
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


def settled_place(run, window, wm, want=None, timeout=10):
    """The strip's place once the window manager, if any, has framed it (and, with want, once
    it stands there)."""
    deadline = time.monotonic() + timeout
    while True:
        place, frame = window_place(run.display, window)
        if (frame is not None or not wm) and (want is None or place == want):
            return place, frame
        check(time.monotonic() < deadline, f"the strip stands at {place}, framed {frame}; wanted {want}")
        time.sleep(0.05)


def restarts(args):
    """Started and closed five times, the strip comes back where it was: under openbox, which
    puts a title bar and a border around it, and on a bare display. The file is as an earlier
    version wrote it (22 lines, no quiet-time lines): the strip stands at its top and left, and
    every close writes it back unchanged. Moved during the third run, as a drag moves it, the
    strip keeps its new place from then on."""
    for wm in (True, False):
        top, left = 200, 400
        prefs = lambda: "".join(p + "\n" for p in prefs_lines(top=top, left=left)).encode()
        with ClockRun(os.path.abspath(args.exe), "restarts", {"voice.txt": voice_table(),
                                                              "Taku.Prefs": prefs()}) as run:
            for n in range(1, 6):
                run.start("2026-12-24 13:44:03", wm=wm)
                window = run.window()
                place, frame = settled_place(run, window, wm)
                check(wm == (frame is not None and frame[2] > 0), f"title bar {frame} with wm={wm}")
                check(place == (left, top), f"start {n}: the strip stands at {place}, not {(left, top)}")
                if n == 3:
                    # Moved once the strip has its width: a move before it would be undone by
                    # the resize, which places the window where the clock last knew it.
                    run.wait_for_line("taku.startup: first paint", timeout=20)
                    top, left = 300, 520
                    run.xdotool("windowmove", str(window), str(left), str(top))
                    settled_place(run, window, wm, want=(left, top))
                check(run.close() == 0, "the clock did not end cleanly")
                with open(os.path.join(run.data_dir, "Taku.Prefs"), "rb") as f:
                    saved = f.read()
                check(saved == prefs(), f"start {n}: saved {saved.splitlines()[:2]}, not {[top, left]}")
                print(f"{'openbox' if wm else 'no wm'} start {n}: strip at {place[0]},{place[1]}"
                      f" frame {frame}, saved top/left {saved.decode().splitlines()[0]}/"
                      f"{saved.decode().splitlines()[1]}")


def second_start(args):
    """A later start in the same folder hands over: it ends with status 0, having made no strip
    and written nothing, and the running clock shows its settings window. After the clock is
    killed (its lock and socket left behind) the next start is the clock again, and a start
    after that hands over to it."""
    prefs = "".join(p + "\n" for p in prefs_lines()).encode()
    with ClockRun(os.path.abspath(args.exe), "second-start",
                  {"voice.txt": voice_table(), "Taku.Prefs": prefs}) as run:
        for round in ("first", "after a crash"):
            run.start("2026-12-24 13:44:03")
            run.wait_for_tick("2026-12-24 13:44:04", timeout=30)
            status, lines = run.start_another("2026-12-24 13:44:10")
            check(status == 0, f"{round}: the later start ended with {status}: {lines[-5:]}")
            check(not any(TICK.match(line) for line in lines), f"{round}: the later start ticked")
            run.wait_for_line("taku.app: second start: showing settings", timeout=10)
            settings = run.xdotool("search", "--sync", "--onlyvisible", "--name", "^設定$").split()
            check(len(settings) == 1, f"{round}: settings windows shown: {settings}")
            strips = run.xdotool("search", "--onlyvisible", "--name", "^2026").split()
            check(len(strips) == 1, f"{round}: strips shown: {strips}")
            with open(os.path.join(run.data_dir, "Taku.Prefs"), "rb") as f:
                check(f.read() == prefs, f"{round}: Taku.Prefs changed while the clock runs")
            run.clock.kill()  # no chance to clean up: the lock and the socket stay
            run.clock.wait(timeout=10)
            leftovers = [p for end in ("lock", "socket")
                         for p in glob.glob(os.path.join(run.work, f"chikutaku-*.{end}"))]
            check(len(leftovers) == 2, f"{round}: left behind: {leftovers}")
            print(f"{round}: handed over, settings window {settings[0]}, strip {strips[0]}")


def between(lines, start, end):
    """The lines from the first tick at or after start up to the first tick at or after end."""
    part = after(lines, start)
    stops = [n for n, line in enumerate(part) if (m := TICK.match(line)) and m.group(1) >= end]
    return part[:stops[0]] if stops else part


def last_tick(lines):
    return max((m.group(1) for m in map(TICK.match, lines) if m), default="")


def heard(lines):
    """What a stretch of the log left out, struck ((k, n) each) and how often it spoke."""
    return ([m.group(1) for m in map(SKIPPED.match, lines) if m],
            [(int(m.group(1)), int(m.group(2))) for m in map(STRIKE.match, lines) if m],
            sum(bool(SPEECH.match(line)) for line in lines))


def expect_minutes(run, minutes):
    """Checks each minute ("2026-12-24 15:00": (skipped, strikes, spoken)) from its second 0
    to the next minute's."""
    lines = run.lines()
    for minute, want in minutes.items():
        start = minute + ":00"
        end = start[:-5] + "{:02}:00".format(int(start[-5:-3]) + 1)
        got = heard(between(lines, start, end))
        check(got == want, f"{minute}: skipped, struck, spoken {got}; wanted {want}")
        print(f"{minute}: skipped {got[0]}, struck {got[1]}, spoken {got[2]}")


def in_time(run, latest, what):
    """Fails when the clock had passed the tick latest by the time something was arranged."""
    now = last_tick(run.lines())
    check(now < latest, f"{what} only at {now}, after {latest}: the machine is too slow for this run")
    print(f"{what} at {now}")


def prefs_file(**fields):
    return "".join(p + "\n" for p in prefs_lines(**fields)).encode()


def write_prefs(run, content):
    with open(os.path.join(run.data_dir, "Taku.Prefs"), "wb") as f:
        f.write(content)


def close_and_read_prefs(run):
    check(run.close() == 0, "the clock did not end cleanly")
    with open(os.path.join(run.data_dir, "Taku.Prefs"), "rb") as f:
        return f.read()


DAY = "2026-12-24 "
# The hourly chime every minute (three strikes at 15:00, one after), the alarm at 15:01 struck
# twice.
CHIMES = dict(SoundOn=True, IntervalIndex=5, AlarmOn=True, AlarmHour=15, AlarmMinute=1, AlarmRepeat=2)
# Quiet hours set from 01:00 to 02:00 (not now): the file has 27 lines while the busy-desktop
# choices are off.
EARLIER = dict(QuietOn=True, QuietStart=60, QuietEnd=120)
# At 15:00 the clock strikes three times although the desktop is busy: its choice is off. The
# file of 27 lines is written back as it was.
CHOICE_OFF = {DAY + "15:00": ([], [(1, 3), (2, 3), (3, 3)], 0)}


def start_busy(run, lines, speed, arrange, start, **choices):
    """Writes the file of the given length with the chimes and the choices, starts the clock at
    14:59:50 and, with arrange(), puts the busy desktop in place once the strip shows."""
    prefs = prefs_file(**CHIMES, **EARLIER, **choices)
    check(len(prefs.splitlines()) == lines, f"the file is not {lines} lines")
    write_prefs(run, prefs)
    run.start(DAY + "14:59:50", speed=speed, **start)
    if arrange:
        run.window()
        arrange()
        in_time(run, DAY + "14:59:57", "the busy desktop was in place")
    return prefs


def chime_off_run(run, arrange=None, **start):
    """The run with the busy-desktop choices off, from 14:59:50 to the 15:00 chime; arrange(),
    if given, puts the busy desktop in place once the strip shows."""
    off = start_busy(run, 27, 4, arrange, start)
    run.wait_for_line_or_tick("taku.sound: strike 3/3", DAY + "15:00:12", timeout=60)
    expect_minutes(run, CHOICE_OFF)
    saved = close_and_read_prefs(run)
    check(saved == off, f"the file of 27 lines came back as {len(saved.splitlines())} lines")


def chime_on_run(run, reason, choice, not_busy, arrange=None, **start):
    """The run with the choice on: the 15:00 chime left out for the reason given, the alarm at
    15:01 struck all the same, and once not_busy() has taken the busy state away the 15:02
    chime struck. The file of 30 lines is written back as it was."""
    on = start_busy(run, 30, 8, arrange, start, **{choice: True})
    run.wait_for_tick(DAY + "15:01:02", timeout=60)
    not_busy()
    in_time(run, DAY + "15:01:57", "the busy state ended")
    run.wait_for_line_or_tick("taku.sound: strike 1/1", DAY + "15:02:08", timeout=60)
    expect_minutes(run, {DAY + "15:00": ([f"skipped chime 15:00 reason={reason}"], [], 0),
                         DAY + "15:01": ([], [(1, 2), (2, 2)], 0),
                         DAY + "15:02": ([], [(1, 1)], 0)})
    saved = close_and_read_prefs(run)
    check(saved == on, f"the file of 30 lines came back as {saved.splitlines()[27:]}")


def busy_call(args):
    """Someone records from the microphone of a PulseAudio daemon of the test's own: a call.
    With the choice off the clock strikes all the same; with it on the hourly chime is left
    out and the alarm still strikes. Once the microphone's recording ends and only what the
    speakers play (their monitor) is recorded, the next chime strikes."""
    folder = tempfile.mkdtemp(prefix="taku-pulse-")
    pulse = None
    try:
        pulse = PulseDaemon(folder)
        mic = pulse.record("mic")
        check(pulse.recordings() == ["mic"], f"recorded: {pulse.recordings()}")
        with ClockRun(os.path.abspath(args.exe), "busy-call", {"voice.txt": voice_table()},
                      {"PULSE_SERVER": pulse.address}) as run:
            chime_off_run(run)

            def not_busy():
                pulse.stop_recording(mic)
                pulse.record("speakers.monitor")
                check(pulse.recordings() == ["speakers.monitor"], f"recorded: {pulse.recordings()}")
            chime_on_run(run, "call", "QuietInCall", not_busy)
    finally:
        if pulse:
            pulse.stop()
        shutil.rmtree(folder, ignore_errors=True)


def busy_fullscreen(args):
    """Another program's window in full screen and active under openbox. With the choice off
    the clock strikes all the same; with it on the hourly chime is left out and the alarm still
    strikes. Once the window leaves full screen (still active) the next chime strikes."""
    with ClockRun(os.path.abspath(args.exe), "busy-fullscreen", {"voice.txt": voice_table()}) as run:
        shown = []

        def arrange():
            if not shown:
                shown.append(FullScreenWindow(run))
            # The strip, newly shown, may have taken the focus: the window is put in front.
            shown[0].front(full=True)
        try:
            chime_off_run(run, arrange, wm=True)
            chime_on_run(run, "fullscreen", "QuietWhenFullScreen",
                         lambda: shown[0].front(full=False), arrange)
        finally:
            for window in shown:
                window.stop()


def click(run, window, x, y):
    run.xdotool("mousemove", "--window", str(window), str(x), str(y), "click", "1")


def find_window(run, title, timeout=20):
    deadline = time.monotonic() + timeout
    while not (found := run.xdotool("search", "--onlyvisible", "--name", f"^{title}$").split()):
        check(time.monotonic() < deadline, f"no window {title} shown")
        time.sleep(0.05)
    check(len(found) == 1, f"windows {title}: {found}")
    return int(found[0])


def busy_dnd(args):
    """The notifications service on a session bus of the test's own holds notifications back;
    GNOME's switch is left at its default (GSETTINGS_BACKEND=memory). The time is spoken every
    minute. With the choice off the 15:00 time is spoken all the same, and the file of 27 lines
    stays so. In the next run the choice is ticked in the quiet-time window while the clock
    runs: the 15:01 time is left out, the alarm at 15:02 is spoken; once the service lets
    notifications through the 15:03 time is spoken. The file then holds 30 lines, the choice
    on line 28."""
    folder = tempfile.mkdtemp(prefix="taku-bus-")
    bus = stub = None
    try:
        bus = SessionBus(folder)
        stub = NotificationsStub(os.path.abspath(args.notifications), bus.address, inhibited=True)
        env = {"DBUS_SESSION_BUS_ADDRESS": bus.address, "GSETTINGS_BACKEND": "memory"}
        speech = dict(AnnounceOn=True, IntervalIndex=5, AlarmOn=True, AlarmHour=15, AlarmMinute=2,
                      **EARLIER)
        off = prefs_file(**speech)
        check(len(off.splitlines()) == 27, "the file with the choices off is not 27 lines")
        with ClockRun(os.path.abspath(args.exe), "busy-dnd",
                      {"voice.txt": voice_table(), "Taku.Prefs": off}, env) as run:
            run.start(DAY + "14:59:50", speed=4)
            run.wait_for_line_or_tick("taku.speech:", DAY + "15:00:08", timeout=60)
            expect_minutes(run, {DAY + "15:00": ([], [], 1)})
            saved = close_and_read_prefs(run)
            check(saved == off, f"the file of 27 lines came back as {len(saved.splitlines())} lines")

            run.start(DAY + "15:00:20", speed=8)
            run.window()
            status, lines = run.start_another(DAY + "15:00:20")
            check(status == 0, f"the later start ended with {status}: {lines[-5:]}")
            settings = find_window(run, "設定")
            click(run, settings, 134 + 42, 430 + 10)  # 静かな時間
            quiet = find_window(run, "静かな時間")
            click(run, quiet, 17 + 7, 92 + 10)  # 通知を止めている間は鳴らさない
            in_time(run, DAY + "15:00:57", "the choice was ticked")
            run.wait_for_tick(DAY + "15:02:02", timeout=60)
            stub.set(False)
            in_time(run, DAY + "15:02:57", "notifications were let through")
            # The time is handed to the speech service at the tick of second 0.
            run.wait_for_tick(DAY + "15:03:02", timeout=60)
            expect_minutes(run, {DAY + "15:01": (["skipped speech 15:01 reason=dnd"], [], 0),
                                 DAY + "15:02": ([], [], 1),
                                 DAY + "15:03": ([], [], 1)})
            for window in (quiet, settings):
                send_wm_delete(run.display, window)
            saved = close_and_read_prefs(run)
            on = prefs_file(**speech, QuietWhenDnd=True)
            check(saved == on, f"saved with the choice ticked: {saved.splitlines()[22:]}")
            print(f"Taku.Prefs: {len(off.splitlines())} lines with the choices off, "
                  f"{len(saved.splitlines())} once one is ticked")
    finally:
        for service in (stub, bus):
            if service:
                service.stop()
        shutil.rmtree(folder, ignore_errors=True)


EVENTS = b"True\t12\t24\tparty\nFalse\t12\t24\tnever said\nTrue\t12\t25\ttomorrow\nTrue\t12\t24\tand more\n"
# No sound device of any kind: no sound server, an ALSA with no cards, SDL left to find out.
NO_SOUND = {"SDL_AUDIODRIVER": None, "PULSE_SERVER": "unix:/nonexistent/pulse",
            "PIPEWIRE_REMOTE": "/nonexistent/pipewire", "ALSA_CONFIG_PATH": "/dev/null"}
# A preferences file of ten lines: a save would write them all, so a save that happened shows.
# 火 午前11:00:00 is [21] [10] [1] [24], spaces, [13].
CANNOT_SAVE = dict(start="2026-05-05 10:59:40", speed=4, due="2026-05-05 11:00:00", until="2026-05-05 11:00:02",
                   data={"Taku.Prefs": "".join(p + "\n" for p in prefs_lines(
                       AnnounceOn=True, IntervalIndex=5)[:10]).encode()},
                   said=["s21 s10 s1 s24   s13"], prefs_file="kept")
EMPTY = tempfile.TemporaryDirectory(prefix="taku-noespeak-")  # espeak-ng data with nothing in it

# The runs go faster than real time (libfaketime's "xN": the clock's timers and SDL's sleeps
# follow the faked clock); the clock reads the wall-clock second at each tick, so it behaves as
# in real time while a run takes a fraction of it.
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
    # Quiet from 22:00 to 07:00 with the hourly chime: the 23:00 chime is
    # left out and logged, the alarm at 23:02 strikes all the same.
    "night": dict(
        start="2026-12-24 22:59:50", speed=20, due="2026-12-24 23:00:00", until="2026-12-24 23:02:20",
        prefs=dict(SoundOn=True, SoundIndex=4, Volume=35, AlarmOn=True, AlarmHour=23, AlarmMinute=2,
                   AlarmRepeat=2, QuietOn=True, QuietStart=1320, QuietEnd=420),
        logged="taku.quiet: skipped chime 23:00 reason=quiet-hours",
        strikes=[(1, 2, -33, 35, "cat"), (2, 2, 33, 35, "cat")]),
    # The speak-now key chosen as Ctrl+Alt+T speaks the time at once, though nothing is due.
    "speak-key": dict(
        start="2026-07-06 09:15:20", due="2026-07-06 09:15:20", until="2026-07-06 09:15:24",
        prefs=dict(ShowSeconds=False, SpeakKey="Ctrl+Alt+T"), keys="ctrl+alt+t",
        said=["s21 s9 s24 s10 s5 s26  s13"]),
    "restarts": restarts,
    "second-start": second_start,
    "read-only-data": dict(CANNOT_SAVE, hook=tmpfs("1m", read_only=True)),
    "full-disk": dict(CANNOT_SAVE, hook=tmpfs("256k", fill=True)),
    "kill-during-saves": kill_during_saves,
    "busy-dnd": busy_dnd,
    "busy-call": busy_call,
    "busy-fullscreen": busy_fullscreen,
}


def main():
    """Runs the scenario named on the command line. Exit status 0 passed, 1 failed, 77 skipped."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe")
    parser.add_argument("--saver")
    parser.add_argument("--notifications")
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    sc = SCENARIOS[args.scenario]
    try:
        sc(args) if callable(sc) else run_scenario(os.path.abspath(args.exe), dict(sc, name=args.scenario))
    except Skipped as why:
        print(f"SKIP {args.scenario}: {why}")
        return 77
    except CheckFailed as failure:
        print(f"FAIL {args.scenario}: {failure}")
        return 1
    print(f"PASS {args.scenario}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
