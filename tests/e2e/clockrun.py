"""Runs the real chikutaku executable the way a user's desktop would, and reads what it did.

A ClockRun copies the built executable into a temporary folder with a prepared "Taku_DATA"
beside it (the program finds its data folder beside its own file), starts a private Xvfb,
starts the clock under libfaketime at a chosen moment with the taku.* logging categories on,
and reads the log. close() sends the window manager's "close" (WM_DELETE_WINDOW) to the
window found with xdotool, as the title-bar button would.

Every process started here is ended by its PID when the run is over, also when a check fails;
the clock and Xvfb also die with the driver (PR_SET_PDEATHSIG).

A scenario is a dict run by run_scenario(): the moment the clock starts at, the tick it runs
until, its preferences and data folder, and what it must have said and struck by then.
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
SKIP = 77
PREFS = [("top", 120), ("left", 340), ("ShowSeconds", True), ("ShowAMPM", True), ("ShowWeek", True),
         ("Show24Hour", True), ("ShowAnalog", False), ("SmallView", False), ("AnnounceOn", False),
         ("IntervalIndex", 0), ("Transparency", 100), ("TextColor", (0, 0, 0)),
         ("BackColor", (255, 255, 255)), ("SoundOn", False), ("SoundIndex", 0), ("Volume", 100),
         ("CustomSound", False), ("SpeakDateAtStart", False), ("AlarmOn", False), ("AlarmHour", 0),
         ("AlarmMinute", 0), ("AlarmRepeat", 0), ("QuietOn", False), ("QuietStart", 0),
         ("QuietEnd", 0), ("QuietWhenLocked", False), ("SpeakKey", "")]


class CheckFailed(AssertionError):
    pass


class Skipped(Exception):
    pass


def check(ok, what):
    if not ok:
        raise CheckFailed(what)


def _die_with_parent():
    libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGKILL, 0, 0, 0)  # PR_SET_PDEATHSIG


def voice_table(rows=42):
    """A pronunciation table whose row n says "s<n>", so an announcement reads row by row."""
    return "".join(f"d{n}\ts{n}\n" for n in range(rows)).encode("cp932")


def prefs_lines(**fields):
    """The lines of a Taku.Prefs file; keyword arguments override the defaults. The last five
    (quiet time, the lock, the speak-now key) are left out while all are off, as the clock
    writes them."""
    check(set(fields) <= {k for k, _ in PREFS}, f"unknown preference in {fields}")
    values = [fields.get(k, v) for k, v in PREFS]
    if values[22:] == [v for _, v in PREFS[22:]]:
        values = values[:22]
    return [("True" if v else "False") if isinstance(v, bool) else
            "\t".join(map(str, v)) if isinstance(v, tuple) else str(v) for v in values]


def copy_into(folder, files):
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def send_wm_delete(display, window):
    """What a window manager's close button does: a WM_DELETE_WINDOW client message."""
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    event = (ctypes.c_long * 24)()  # an XClientMessageEvent in an XEvent's room
    dpy = x.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    try:
        event[0], event[4], event[5] = 33, window, x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        event[6], event[7] = 32, x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
        x.XFlush(dpy)
    finally:
        x.XCloseDisplay(dpy)


class ClockRun:
    def __init__(self, exe, name="clock", data=None, extra_env=None, data_dir_hook=None):
        """data: {file name: bytes} for Taku_DATA (None: no data folder); data_dir_hook(path)
        makes the data folder instead (a mount point, a read-only folder)."""
        self.work = tempfile.mkdtemp(prefix=f"taku-{name}-")
        self.data_dir = os.path.join(self.work, "Taku_DATA")
        self.log_path = os.path.join(self.work, "clock.log")
        self.extra_env = dict(extra_env or {})
        self.xvfb = self.clock = self.display = self._log_file = None
        shutil.copy2(exe, os.path.join(self.work, "chikutaku"))
        if data is not None:
            os.mkdir(self.data_dir)
            copy_into(self.data_dir, data)
        try:
            if data_dir_hook:
                data_dir_hook(self.data_dir)
        except BaseException:
            self.cleanup()
            raise

    def start_xvfb(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(w)
        number, deadline = b"", time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        check(number.strip().isdigit(), "Xvfb did not report its display")
        self.display = ":" + number.decode().strip()

    def start(self, fake_time, speed=None):
        """Starts the clock at fake_time ("2026-12-24 13:44:58"), speed times as fast when
        given (timers too: libfaketime also moves the monotonic clock)."""
        if self.xvfb is None:
            self.start_xvfb()
        faketime = sorted(glob.glob("/usr/lib/*/faketime/libfaketime.so.1") +
                          glob.glob("/usr/lib/faketime/libfaketime.so.1"))
        check(faketime, "libfaketime not found (Debian package faketime)")
        env = dict(os.environ)
        env.update({
            "DISPLAY": self.display, "QT_QPA_PLATFORM": "xcb", "SDL_AUDIODRIVER": "dummy",
            "TZ": "Asia/Tokyo", "LANG": "C.UTF-8", "LC_ALL": "C.UTF-8",
            "QT_LOGGING_RULES": "taku.*=true",
            # What `faketime -f TIME` does, without a wrapper process: the PID is the clock's.
            "LD_PRELOAD": faketime[0], "FAKETIME": f"@{fake_time}" + (f" x{speed}" if speed else ""),
            "ASAN_OPTIONS": env.get("ASAN_OPTIONS", "detect_leaks=0") + ":verify_asan_link_order=0",
            "XDG_RUNTIME_DIR": self.work,
            # No session bus: Qt's accessibility bridge would autolaunch a bus daemon for the
            # private display, which leaves processes behind and can block the start-up.
            "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.work}/no-session-bus",
        })
        for key, value in self.extra_env.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value
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
                try:
                    proc.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    pass
        if self._log_file:
            self._log_file.close()
        if os.path.ismount(self.data_dir):  # a test's small tmpfs
            subprocess.run(["umount", "-l", self.data_dir], capture_output=True, timeout=20)
        if os.path.isdir(self.data_dir):
            os.chmod(self.data_dir, 0o755)  # a test may have made it read-only
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            print("--- log of the failed run ---\n" + "\n".join(self.lines()[-60:]))
        self.cleanup()
        return False

    def lines(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace").splitlines()
        except FileNotFoundError:
            return []

    def ticks(self):
        return [m.group(1) for m in map(TICK.match, self.lines()) if m]

    def wait_for_tick(self, stamp, timeout):
        """Polls the log for the tick of a wall-clock second ("2026-12-24 13:45:02"); fails
        after timeout seconds or when the clock has ended."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if any(t >= stamp for t in self.ticks()):
                return
            check(self.clock.poll() is None, f"the clock ended waiting for {stamp} ({self.clock.poll()})")
            time.sleep(0.05)
        raise CheckFailed(f"timed out after {timeout} s waiting for the tick of {stamp}")

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
        """Closes the window as its close button would; returns the exit status and the window's
        place (left, top) just before."""
        window = self.window()
        shell = self.xdotool("getwindowgeometry", "--shell", str(window)).split()
        place = dict(line.split("=", 1) for line in shell if "=" in line)
        send_wm_delete(self.display, window)
        try:
            code = self.clock.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"the clock did not end within {timeout} s of closing its window")
        return code, (place["X"], place["Y"])

    def data_file(self, name):
        with open(os.path.join(self.data_dir, name), "rb") as f:
            return f.read()


def after(lines, stamp):
    """The lines from the first tick at or after a wall-clock second on."""
    for n, line in enumerate(lines):
        m = TICK.match(line)
        if m and m.group(1) >= stamp:
            return lines[n:]
    return []


def run_scenario(exe, sc):
    """Starts the clock at sc["start"] (sc["speed"] times as fast) with sc["prefs"] and
    sc["data"] (the numbered voice table by default), runs it to the tick sc["until"], checks
    what it said (sc["said"]), struck from the minute sc["due"] on (sc["strikes"]), logged
    (sc["logged"]) and ticked, closes it and checks the preferences file it leaves:
    "saved" holds the settings it started with and the window's place, "kept" is unchanged."""
    prefs = prefs_lines(**sc.get("prefs", {}))
    data = {"voice.txt": voice_table(), "Taku.Prefs": "".join(p + "\n" for p in prefs).encode(),
            **sc.get("data", {})}
    hook = sc["hook"](data) if "hook" in sc else None
    with ClockRun(exe, sc["name"], data=None if hook else data, extra_env=sc.get("env"),
                  data_dir_hook=hook) as run:
        run.start(sc["start"], sc.get("speed"))
        run.wait_for_tick(sc["until"], timeout=120)
        lines = run.lines()
        said = [m.group(1) for m in map(SPEECH.match, lines) if m]
        check(said == sc.get("said", []), f"spoken: {said}")
        struck = [(int(k), int(n), int(p), int(v), s) for k, n, p, v, s in
                  (m.groups() for m in map(STRIKE.match, after(lines, sc["due"])) if m)]
        check(struck == sc.get("strikes", []), f"strikes from {sc['due']}: {struck}")
        if said and sc.get("speaks_at_due", True):
            check(lines.index("taku.speech: " + said[-1]) > lines.index(after(lines, sc["due"])[0]),
                  f"{said[-1]!r} was spoken before {sc['due']}")
        seconds = {t for t in run.ticks() if sc["due"] <= t <= sc["until"]}
        check(len(seconds) >= sc.get("ticks", 0), f"ticks missed after {sc['due']}: {len(seconds)}")
        check(not sc.get("logged") or any(sc["logged"] in line for line in lines),
              f"{sc.get('logged')!r} was not logged")
        code, (x, y) = run.close()
        check(code == 0, f"the clock ended with status {code}")
        if sc.get("prefs_file", "saved") == "saved":
            saved = run.data_file("Taku.Prefs").decode().split("\n")[:-1]
            check(saved == [y, x] + prefs[2:], f"saved {saved}, started with {prefs}, window at {x},{y}")
        else:
            check(run.data_file("Taku.Prefs") == data["Taku.Prefs"], "the preferences file changed")
            check(any("not saved" in line for line in run.lines()), "the skipped save was not logged")
            extra = set(os.listdir(run.data_dir)) - set(data) - {"filler"}
            check(not extra, f"files left behind: {extra}")


def main(scenarios):
    """Runs one scenario named on the command line: a dict for run_scenario(), or a function
    of the parsed arguments. Exit status 0 passed, 1 failed, 77 skipped (CTest's
    SKIP_RETURN_CODE)."""
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--build", "--source", "--saver"):
        parser.add_argument(option)
    parser.add_argument("scenario", choices=sorted(scenarios))
    args = parser.parse_args()
    sc = scenarios[args.scenario]
    try:
        if callable(sc):
            sc(args)
        else:
            run_scenario(os.path.abspath(args.exe), dict(sc, name=args.scenario))
    except Skipped as why:
        print(f"SKIP {args.scenario}: {why}")
        return SKIP
    except CheckFailed as failure:
        print(f"FAIL {args.scenario}: {failure}")
        return 1
    print(f"PASS {args.scenario}")
    return 0
