"""Runs the real chikutaku executable the way a user's desktop would, and reads what it did.

A ClockRun copies the executable into a temporary folder with a prepared "Taku_DATA" beside it
(the program finds its data folder beside its own file), starts a private Xvfb and the clock
under libfaketime at a chosen moment with the taku.* logging categories on, and reads the log.
Every process started here is ended by its PID, and also dies with the driver.
"""

import argparse
import ctypes
import ctypes.util
import glob
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

TICK = re.compile(r"^taku\.tick: (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\.\d{3}$")
SPEECH = re.compile(r"^taku\.speech: (.*)$")
STRIKE = re.compile(r"^taku\.sound: strike (\d+)/(\d+) pan=(-?\d+) volume=(-?\d+) sound=(\S+)$")
PREFS = [("top", 120), ("left", 340), ("ShowSeconds", True), ("ShowAMPM", True), ("ShowWeek", True),
         ("Show24Hour", True), ("ShowAnalog", False), ("SmallView", False), ("AnnounceOn", False),
         ("IntervalIndex", 0), ("Transparency", 100), ("TextColor", (0, 0, 0)),
         ("BackColor", (255, 255, 255)), ("SoundOn", False), ("SoundIndex", 0), ("Volume", 100),
         ("CustomSound", False), ("SpeakDateAtStart", False), ("AlarmOn", False), ("AlarmHour", 0),
         ("AlarmMinute", 0), ("AlarmRepeat", 0), ("QuietOn", False), ("QuietStart", 0),
         ("QuietEnd", 0), ("QuietWhenLocked", False), ("SpeakKey", "")]


class CheckFailed(AssertionError): pass


class Skipped(Exception): pass


def check(ok, what):
    if not ok:
        raise CheckFailed(what)


def _die_with_parent():
    ctypes.CDLL(ctypes.util.find_library("c")).prctl(1, signal.SIGKILL, 0, 0, 0)  # PR_SET_PDEATHSIG


def voice_table(rows=42):
    """A pronunciation table whose row n says "s<n>", so an announcement reads row by row."""
    return "".join(f"d{n}\ts{n}\n" for n in range(rows)).encode("cp932")


def prefs_lines(**fields):
    """The lines of a Taku.Prefs file; keyword arguments override the defaults."""
    check(set(fields) <= {k for k, _ in PREFS}, f"unknown preference in {fields}")
    values = [fields.get(k, v) for k, v in PREFS]
    if values[22:] == [v for _, v in PREFS[22:]]:
        values = values[:22]  # the quiet-time lines are written only once one is set
    return [str(v) if not isinstance(v, tuple) else "\t".join(map(str, v)) for v in values]


def copy_into(folder, files):
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def send_wm_delete(display, window):
    """What a window manager's close button does: a WM_DELETE_WINDOW client message."""
    x = ctypes.CDLL(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    event = (ctypes.c_long * 24)()  # an XClientMessageEvent in an XEvent's room
    event[0], event[4], event[5] = 33, window, x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event[6], event[7] = 32, x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    x.XFlush(dpy)
    x.XCloseDisplay(dpy)


class ClockRun:
    def __init__(self, exe, name="clock", data=None, extra_env=None, data_dir_hook=None):
        """data: {file name: bytes} for Taku_DATA (None: none); data_dir_hook(path) makes it."""
        self.work = tempfile.mkdtemp(prefix=f"taku-{name}-")
        self.data_dir = os.path.join(self.work, "Taku_DATA")
        self.log_path = os.path.join(self.work, "clock.log")
        self.extra_env = dict(extra_env or {})
        self.xvfb = self.clock = self.display = self._log_file = None
        shutil.copy2(exe, os.path.join(self.work, "chikutaku"))
        ticker = os.path.join(os.path.dirname(exe), "chikutaku-ticker")
        if os.path.exists(ticker):
            shutil.copy2(ticker, self.work)
        try:
            if data is not None:
                os.mkdir(self.data_dir)
                copy_into(self.data_dir, data)
            if data_dir_hook:
                data_dir_hook(self.data_dir)
        except BaseException:
            self.cleanup()
            raise

    def start(self, fake_time, speed=None):
        """Starts the clock at fake_time ("2026-12-24 13:44:58"), speed times as fast if given."""
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24",
                                      "-nolisten", "tcp"], pass_fds=(w,), stderr=subprocess.DEVNULL,
                                     preexec_fn=_die_with_parent)
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        check(number.isdigit(), "Xvfb did not report its display")
        self.display = ":" + number
        faketime = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
        check(faketime, "libfaketime not found (Debian package faketime)")
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                   TZ="Asia/Tokyo", LANG="C.UTF-8", LC_ALL="C.UTF-8", QT_LOGGING_RULES="taku.*=true",
                   LD_PRELOAD=faketime[0], FAKETIME=f"@{fake_time}" + (f" x{speed}" if speed else ""),
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "detect_leaks=0") +
                   ":verify_asan_link_order=0", XDG_RUNTIME_DIR=self.work,
                   # No session bus: Qt's accessibility bridge would start one for the display.
                   DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.work}/no-session-bus")
        env = {k: v for k, v in {**env, **self.extra_env}.items() if v is not None}
        self._log_file = open(self.log_path, "wb")
        self.clock = subprocess.Popen([os.path.join(self.work, "chikutaku")], cwd=self.work, env=env,
                                      stdout=self._log_file, stderr=subprocess.STDOUT,
                                      preexec_fn=_die_with_parent)
        return self

    def cleanup(self):
        """Ends what this run started, by PID, and removes its folder."""
        for proc in (self.clock, self.xvfb):
            if proc is not None and proc.poll() is None:
                proc.kill()
                proc.wait(timeout=10)
        if self._log_file:
            self._log_file.close()
        if os.path.ismount(self.data_dir):  # a test's small tmpfs
            subprocess.run(["umount", "-l", self.data_dir], capture_output=True, timeout=20)
        if os.path.isdir(self.data_dir):
            os.chmod(self.data_dir, 0o755)  # a test may have made it read-only
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self): return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            print("--- log of the failed run ---\n" + "\n".join(self.lines()[-60:]))
        self.cleanup()

    def lines(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace").splitlines()

    def ticks(self):
        return [m.group(1) for m in map(TICK.match, self.lines()) if m]

    def wait_for_tick(self, stamp, timeout):
        """Waits for the tick of a wall-clock second ("2026-12-24 13:45:02")."""
        deadline = time.monotonic() + timeout
        while not any(t >= stamp for t in self.ticks()):
            check(self.clock.poll() is None, f"the clock ended waiting for {stamp}")
            check(time.monotonic() < deadline, f"no tick of {stamp} within {timeout} s")
            time.sleep(0.05)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=self.display),
                              capture_output=True, text=True, timeout=10).stdout

    def window(self, timeout=20):
        """The clock strip's X window, found by its class name."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            found = self.xdotool("search", "--onlyvisible", "--classname", "chikutaku").split()
            if found:
                return int(found[0])
            time.sleep(0.1)
        raise CheckFailed("the clock window was not found with xdotool")

    def close(self, timeout=20):
        """Closes the window as its close button would; returns the exit status."""
        send_wm_delete(self.display, self.window())
        try:
            return self.clock.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"the clock did not end within {timeout} s of closing its window")

    def data_file(self, name):
        with open(os.path.join(self.data_dir, name), "rb") as f:
            return f.read()


def after(lines, stamp):
    """The lines from the first tick at or after a wall-clock second on."""
    starts = [n for n, line in enumerate(lines) if (m := TICK.match(line)) and m.group(1) >= stamp]
    return lines[starts[0]:] if starts else []


def run_scenario(exe, sc):
    """Starts the clock at sc["start"] (sc["speed"] times as fast) with sc["prefs"] and
    sc["data"] (the numbered voice table by default), runs it to the tick sc["until"], checks
    what it said (sc["said"], the last of it at or after sc["due"]), struck from sc["due"] on
    (sc["strikes"]), logged (sc["logged"]) and ticked (sc["ticks"] seconds), closes it and
    checks the preferences: saved as started with, or with sc["prefs_file"] "kept" unchanged."""
    prefs = "".join(p + "\n" for p in prefs_lines(**sc.get("prefs", {}))).encode()
    data = {"voice.txt": voice_table(), "Taku.Prefs": prefs, **sc.get("data", {})}
    hook = sc["hook"](data) if "hook" in sc else None
    with ClockRun(exe, sc["name"], data=None if hook else data, extra_env=sc.get("env"),
                  data_dir_hook=hook) as run:
        run.start(sc["start"], sc.get("speed"))
        run.wait_for_tick(sc["until"], timeout=120)
        lines = run.lines()
        said = [m.group(1) for m in map(SPEECH.match, lines) if m]
        check(said == sc.get("said", []), f"spoken: {said}")
        if said:
            check("taku.speech: " + said[-1] in after(lines, sc["due"]), f"spoken before {sc['due']}")
        struck = [(int(k), int(n), int(p), int(v), s) for k, n, p, v, s in
                  (m.groups() for m in map(STRIKE.match, after(lines, sc["due"])) if m)]
        check(struck == sc.get("strikes", []), f"strikes from {sc['due']}: {struck}")
        seconds = {t for t in run.ticks() if sc["due"] <= t <= sc["until"]}
        check(len(seconds) >= sc.get("ticks", 0), f"ticks missed after {sc['due']}: {len(seconds)}")
        check(sc.get("logged", "") in "\n".join(lines), f"{sc.get('logged')!r} was not logged")
        check(run.close() == 0, "the clock did not end cleanly")
        if sc.get("prefs_file") == "kept":
            check(run.data_file("Taku.Prefs") == data["Taku.Prefs"], "the preferences file changed")
            check("not saved" in "\n".join(run.lines()), "the skipped save was not logged")
            extra = set(os.listdir(run.data_dir)) - set(data) - {"filler"}
            check(not extra, f"files left behind: {extra}")
        else:
            check(run.data_file("Taku.Prefs") == prefs, "the preferences came back changed")


def main(scenarios):
    """Runs the scenario named on the command line: a dict for run_scenario(), or a function
    of the parsed arguments. Exit status 0 passed, 1 failed, 77 skipped."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe")
    parser.add_argument("--saver")
    parser.add_argument("scenario", choices=sorted(scenarios))
    args = parser.parse_args()
    sc = scenarios[args.scenario]
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
