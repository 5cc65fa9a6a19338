"""Runs the real chikutaku executable the way a user's desktop would, and reads what it did.

A ClockRun copies the built executable into a temporary folder with a prepared "Taku_DATA"
beside it (the program finds its data folder beside its own file, so the executable is copied,
not linked), starts a private Xvfb, starts the clock under libfaketime at a chosen moment with
the taku.* logging categories on, and reads the log. close() sends the window manager's
"close" (WM_DELETE_WINDOW) to the window found with xdotool, as the title-bar button would.

Every process started here is ended by its PID when the run is over, also when a check fails
or the driver is interrupted; the clock and Xvfb also die with the driver (PR_SET_PDEATHSIG).
"""

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

TICK = re.compile(r"^taku\.tick: (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\.(\d{3})$")
SPEECH = re.compile(r"^taku\.speech: (.*)$")
STRIKE = re.compile(
    r"^taku\.sound: strike (\d+)/(\d+) pan=(-?\d+) volume=(-?\d+) sound=(\S+)$")


class CheckFailed(AssertionError):
    pass


def check(ok, what):
    if not ok:
        raise CheckFailed(what)


def libfaketime():
    for pattern in ("/usr/lib/*/faketime/libfaketime.so.1", "/usr/lib/faketime/libfaketime.so.1",
                    "/usr/local/lib/faketime/libfaketime.so.1"):
        found = sorted(glob.glob(pattern))
        if found:
            return found[0]
    raise CheckFailed("libfaketime not found (Debian package faketime)")


def _die_with_parent():
    # PR_SET_PDEATHSIG = 1: the child gets SIGKILL when the driver ends, however it ends.
    libc = ctypes.CDLL(ctypes.util.find_library("c") or "libc.so.6", use_errno=True)
    libc.prctl(1, signal.SIGKILL, 0, 0, 0)


def voice_table(rows=42):
    """A pronunciation table whose row n says "s<n>", so an announcement reads row by row."""
    return "".join(f"d{n}\ts{n}\n" for n in range(rows)).encode("cp932")


def prefs_lines(**fields):
    """The 22 lines of a Taku.Prefs file; keyword arguments override the defaults."""
    values = dict(top=120, left=340, ShowSeconds=True, ShowAMPM=True, ShowWeek=True,
                  Show24Hour=True, ShowAnalog=False, SmallView=False, AnnounceOn=False,
                  IntervalIndex=0, Transparency=100, TextColor=(0, 0, 0),
                  BackColor=(255, 255, 255), SoundOn=False, SoundIndex=0, Volume=100,
                  CustomSound=False, SpeakDateAtStart=False, AlarmOn=False, AlarmHour=0,
                  AlarmMinute=0, AlarmRepeat=0)
    for key in fields:
        check(key in values, f"unknown preference {key}")
    values.update(fields)
    order = ["top", "left", "ShowSeconds", "ShowAMPM", "ShowWeek", "Show24Hour", "ShowAnalog",
             "SmallView", "AnnounceOn", "IntervalIndex", "Transparency", "TextColor",
             "BackColor", "SoundOn", "SoundIndex", "Volume", "CustomSound",
             "SpeakDateAtStart", "AlarmOn", "AlarmHour", "AlarmMinute", "AlarmRepeat"]
    lines = []
    for key in order:
        v = values[key]
        if isinstance(v, bool):
            lines.append("True" if v else "False")
        elif isinstance(v, tuple):
            lines.append("\t".join(str(c) for c in v))
        else:
            lines.append(str(v))
    return lines


def send_wm_delete(display, window):
    """What a window manager's close button does: a WM_DELETE_WINDOW client message."""
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class XEvent(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    dpy = xlib.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    try:
        ev = XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window
        ev.xclient.message_type = xlib.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        ev.xclient.format = 32
        ev.xclient.data[0] = xlib.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
        ev.xclient.data[1] = 0  # CurrentTime
        xlib.XSendEvent(dpy, window, 0, 0, ctypes.byref(ev))
        xlib.XFlush(dpy)
    finally:
        xlib.XCloseDisplay(dpy)


class ClockRun:
    def __init__(self, exe, name="clock", data=None, prefs=None, extra_env=None,
                 data_dir_hook=None):
        """exe: the built chikutaku. data: {file name: bytes} for Taku_DATA (None: no data
        folder at all). prefs: a list of lines for Taku.Prefs. data_dir_hook(path) may replace
        the data folder (a mount point, a read-only folder) before the clock starts."""
        self.exe = exe
        self.work = tempfile.mkdtemp(prefix=f"taku-{name}-")
        self.data_dir = os.path.join(self.work, "Taku_DATA")
        self.log_path = os.path.join(self.work, "clock.log")
        self.extra_env = dict(extra_env or {})
        self.xvfb = None
        self.clock = None
        self.display = None
        self._log_file = None
        shutil.copy2(exe, os.path.join(self.work, "chikutaku"))
        if data is not None or prefs is not None:
            os.mkdir(self.data_dir)
            for fname, content in (data or {}).items():
                with open(os.path.join(self.data_dir, fname), "wb") as f:
                    f.write(content)
            if prefs is not None:
                self.write_prefs(prefs)
        if data_dir_hook:
            data_dir_hook(self.data_dir)

    def write_prefs(self, lines):
        with open(os.path.join(self.data_dir, "Taku.Prefs"), "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines))

    # --- processes -----------------------------------------------------------------------

    def start_xvfb(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(w)
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        check(number.strip().isdigit(), "Xvfb did not report its display")
        self.display = ":" + number.decode().strip()

    def start(self, fake_time, speed=None, log_rules="taku.*=true"):
        """Starts the clock at fake_time ("2026-12-24 13:44:58"); time runs on from there,
        speed times as fast when speed is given (timers too: libfaketime also moves the
        monotonic clock)."""
        if self.xvfb is None:
            self.start_xvfb()
        faketime_value = f"@{fake_time}" + (f" x{speed}" if speed else "")
        env = dict(os.environ)
        env.update({
            "DISPLAY": self.display,
            "QT_QPA_PLATFORM": "xcb",
            "SDL_AUDIODRIVER": "dummy",
            "TZ": "Asia/Tokyo",
            "LANG": "C.UTF-8",
            "LC_ALL": "C.UTF-8",
            "QT_LOGGING_RULES": log_rules,
            # What `faketime -f TIME` does, without a wrapper process in between, so the
            # PID held here is the clock's own.
            "LD_PRELOAD": libfaketime(),
            "FAKETIME": faketime_value,
            # An AddressSanitizer build accepts the preloaded library.
            "ASAN_OPTIONS": env.get("ASAN_OPTIONS", "detect_leaks=0") +
            ":verify_asan_link_order=0",
            "XDG_RUNTIME_DIR": self.work,
            # No session bus: otherwise Qt's accessibility bridge asks D-Bus to autolaunch a
            # bus daemon for the private display, which leaves processes behind and can block
            # the start-up for good.
            "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.work}/no-session-bus",
        })
        for key, value in self.extra_env.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value
        self._log_file = open(self.log_path, "wb")
        self.clock = subprocess.Popen([os.path.join(self.work, "chikutaku")], cwd=self.work,
                                      env=env, stdout=self._log_file,
                                      stderr=subprocess.STDOUT, preexec_fn=_die_with_parent)
        return self

    def running(self):
        return self.clock is not None and self.clock.poll() is None

    def stop(self):
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
            self._log_file = None

    def cleanup(self):
        self.stop()
        if os.path.ismount(self.data_dir):  # a test's small tmpfs
            subprocess.run(["umount", "-l", self.data_dir], capture_output=True, timeout=20)
        if os.path.isdir(self.data_dir):
            os.chmod(self.data_dir, 0o755)  # a test may have made it read-only
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None:
            print(f"--- log of the failed run ({self.log_path}) ---")
            print(self.tail(60))
        self.cleanup()
        return False

    # --- the log -------------------------------------------------------------------------

    def lines(self):
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace").splitlines()
        except FileNotFoundError:
            return []

    def tail(self, n):
        return "\n".join(self.lines()[-n:])

    def ticks(self):
        return [m.group(1) for m in map(TICK.match, self.lines()) if m]

    def wait_for(self, predicate, timeout, what):
        """Polls the log until predicate(lines) holds; fails after timeout seconds or when the
        clock has ended."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            lines = self.lines()
            if predicate(lines):
                return lines
            check(self.running(), f"the clock ended while waiting for {what} "
                                  f"(exit {self.clock.poll()})")
            time.sleep(0.05)
        raise CheckFailed(f"timed out after {timeout} s waiting for {what}")

    def wait_for_tick(self, stamp, timeout):
        """Waits for the tick of a wall-clock second ("2026-12-24 13:45:02")."""
        return self.wait_for(lambda ls: any(t >= stamp for t in
                                            (m.group(1) for m in map(TICK.match, ls) if m)),
                             timeout, f"the tick of {stamp}")

    # --- the window ----------------------------------------------------------------------

    def window(self, timeout=20):
        """The clock strip's X window, found by its class name (the title as a fallback)."""
        env = dict(os.environ, DISPLAY=self.display)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for args in (["--classname", "chikutaku"], ["--class", "chikutaku"],
                         ["--name", r"^\d{4}\.\d{1,2}\.\d{1,2} "]):
                out = subprocess.run(["xdotool", "search", "--onlyvisible"] + args, env=env,
                                     capture_output=True, text=True, timeout=10).stdout.split()
                if out:
                    return int(out[0])
            time.sleep(0.1)
        raise CheckFailed("the clock window was not found with xdotool")

    def geometry(self, window):
        env = dict(os.environ, DISPLAY=self.display)
        out = subprocess.run(["xdotool", "getwindowgeometry", "--shell", str(window)], env=env,
                             capture_output=True, text=True, timeout=10).stdout
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def close(self, timeout=20):
        """Closes the clock window as its close button would and waits for the program to end.
        Returns the exit status."""
        send_wm_delete(self.display, self.window())
        try:
            code = self.clock.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"the clock did not end within {timeout} s of closing its window")
        self._log_file.close()
        self._log_file = None
        return code

    def saved_prefs(self):
        path = os.path.join(self.data_dir, "Taku.Prefs")
        with open(path, "rb") as f:
            return f.read().decode("utf-8").split("\n")[:-1]


def speeches(lines):
    return [m.group(1) for m in map(SPEECH.match, lines) if m]


def strikes(lines):
    return [(int(k), int(n), int(p), int(v), s)
            for k, n, p, v, s in (m.groups() for m in map(STRIKE.match, lines) if m)]


def lines_from(lines, tick_stamp):
    """The lines from the first tick at or after a wall-clock second on."""
    for n, line in enumerate(lines):
        m = TICK.match(line)
        if m and m.group(1) >= tick_stamp:
            return lines[n:]
    return []


def before(lines, first, second):
    """True when a line matching first comes before every line matching second."""
    i = next((n for n, line in enumerate(lines) if first(line)), None)
    j = next((n for n, line in enumerate(lines) if second(line)), None)
    return i is not None and (j is None or i < j)
