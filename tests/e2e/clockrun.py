"""Runs the real chikutaku executable the way a user's desktop would, and reads what it did.

A ClockRun copies the executable into a temporary folder with a prepared "Taku_DATA" beside it
(the program finds its data folder beside its own file), starts a private Xvfb (with openbox as
its window manager, if asked) and the clock under libfaketime at a chosen moment with the taku.*
logging categories on, and reads the log. The clock can be closed and started again on the same
display.
Every process started here is ended by its PID, and also dies with the driver.
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

TICK = re.compile(r"^taku\.tick: (\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)\.\d{3}$")
PREFS = dict(top=120, left=340, ShowSeconds=True, ShowAMPM=True, ShowWeek=True, Show24Hour=True,
             ShowAnalog=False, SmallView=False, AnnounceOn=False, IntervalIndex=0,
             Transparency=100, TextColor=(0, 0, 0), BackColor=(255, 255, 255), SoundOn=False,
             SoundIndex=0, Volume=100, CustomSound=False, SpeakDateAtStart=False, AlarmOn=False,
             AlarmHour=0, AlarmMinute=0, AlarmRepeat=0, QuietOn=False, QuietStart=0, QuietEnd=0,
             QuietWhenLocked=False, SpeakKey="", QuietWhenDnd=False, QuietInCall=False,
             QuietWhenFullScreen=False)
# The optional blocks of lines at the end of the file, as slices of the lines: quiet time and
# the speak-now key (lines 23-27), the busy desktop (lines 28-30).
BLOCKS = (slice(22, 27), slice(27, 30))


class CheckFailed(AssertionError): pass


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
    check(set(fields) <= set(PREFS), f"unknown preference in {fields}")
    values, empty = list({**PREFS, **fields}.values()), list(PREFS.values())
    # A block is written only when it, or a block after it, holds a value.
    for block in reversed(BLOCKS):
        if len(values) == block.stop and values[block] == empty[block]:
            values = values[:block.start]
    return [str(v) if not isinstance(v, tuple) else "\t".join(map(str, v)) for v in values]


def copy_into(folder, files):
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def _xlib():
    x = ctypes.CDLL(ctypes.util.find_library("X11"))
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                        ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
    x.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                     ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                     ctypes.POINTER(ctypes.c_void_p)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                             ctypes.c_void_p]
    x.XFree.argtypes = x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x


def send_wm_delete(display, window):
    """What a window manager's close button does: a WM_DELETE_WINDOW client message."""
    x = _xlib()
    dpy = x.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    event = (ctypes.c_long * 24)()  # an XClientMessageEvent in an XEvent's room
    event[0], event[4], event[5] = 33, window, x.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
    event[6], event[7] = 32, x.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)
    x.XSendEvent(dpy, window, 0, 0, ctypes.byref(event))
    x.XFlush(dpy)
    x.XCloseDisplay(dpy)


def window_place(display, window):
    """Where a window's own area stands on the screen, (left, top), and the frame a window
    manager put around it, (left, right, top, bottom) from _NET_FRAME_EXTENTS, or None."""
    x = _xlib()
    dpy = x.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    try:
        left, top, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        x.XTranslateCoordinates(dpy, window, x.XDefaultRootWindow(dpy), 0, 0, ctypes.byref(left),
                                ctypes.byref(top), ctypes.byref(child))
        kind, fmt, count, rest, data = (ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(),
                                        ctypes.c_ulong(), ctypes.c_void_p())
        frame = None
        if x.XGetWindowProperty(dpy, window, x.XInternAtom(dpy, b"_NET_FRAME_EXTENTS", 0), 0, 4, 0,
                                0, ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                ctypes.byref(rest), ctypes.byref(data)) == 0 and data.value:
            if count.value == 4:
                frame = tuple(ctypes.cast(data, ctypes.POINTER(ctypes.c_long))[i] for i in range(4))
            x.XFree(data)
        return (left.value, top.value), frame
    finally:
        x.XCloseDisplay(dpy)


class ClockRun:
    def __init__(self, exe, name="clock", data=None, extra_env=None):
        """data: {file name: bytes} for Taku_DATA (None: the caller makes data_dir)."""
        self.work = tempfile.mkdtemp(prefix=f"taku-{name}-")
        self.data_dir = os.path.join(self.work, "Taku_DATA")
        self.log_path = os.path.join(self.work, "clock.log")
        self.extra_env = dict(extra_env or {})
        self.xvfb = self.wm = self.clock = self.display = self._log_file = None
        shutil.copy2(exe, os.path.join(self.work, "chikutaku"))
        if data is not None:
            os.mkdir(self.data_dir)
            copy_into(self.data_dir, data)

    def start(self, fake_time, speed=None, wm=False):
        """Starts the clock at fake_time ("2026-12-24 13:44:58"), speed times as fast if given.
        The first start brings up the display, managed by openbox when wm is true; a later
        start, after close(), runs the clock again on the same display with a fresh log."""
        if self.xvfb is None:
            self._start_display(wm)
        env = self._env(fake_time, speed)
        if self._log_file:
            self._log_file.close()
        self._log_file = open(self.log_path, "wb")
        self.clock = subprocess.Popen([os.path.join(self.work, "chikutaku")], cwd=self.work, env=env,
                                      stdout=self._log_file, stderr=subprocess.STDOUT,
                                      preexec_fn=_die_with_parent)
        return self

    def start_another(self, fake_time, timeout=30):
        """Starts the same program once more beside the running clock, in the same folder and
        on the same display; waits for it to end and returns its exit status and log lines."""
        path = os.path.join(self.work, "another.log")
        with open(path, "wb") as log:
            other = subprocess.Popen([os.path.join(self.work, "chikutaku")], cwd=self.work,
                                     env=self._env(fake_time, None), stdout=log,
                                     stderr=subprocess.STDOUT, preexec_fn=_die_with_parent)
            try:
                status = other.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                other.kill()
                other.wait()
                raise CheckFailed(f"the later start did not end within {timeout} s")
        with open(path, "rb") as f:
            return status, f.read().decode("utf-8", "replace").splitlines()

    def _env(self, fake_time, speed):
        faketime = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
        check(faketime, "libfaketime not found (Debian package faketime)")
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                   TZ="Asia/Tokyo", LANG="C.UTF-8", LC_ALL="C.UTF-8", QT_LOGGING_RULES="taku.*=true",
                   LD_PRELOAD=faketime[0], FAKETIME=f"@{fake_time}" + (f" x{speed}" if speed else ""),
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "detect_leaks=0") +
                   ":verify_asan_link_order=0", XDG_RUNTIME_DIR=self.work,
                   # No session bus: Qt's accessibility bridge would start one for the display.
                   DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.work}/no-session-bus")
        return {k: v for k, v in {**env, **self.extra_env}.items() if v is not None}

    def _start_display(self, wm):
        r, w = os.pipe()
        # -noreset: the display outlives each run of the clock; a server that resets when its
        # last client leaves turns the next clock away.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24",
                                      "-noreset", "-nolisten", "tcp"], pass_fds=(w,),
                                     stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()
        if not wm:
            return
        check(shutil.which("openbox"), "openbox not found (Debian package openbox)")
        # openbox runs its --startup command once it manages the screen.
        ready = os.path.join(self.work, "wm-ready")
        self.wm = subprocess.Popen(["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                                   env=dict(os.environ, DISPLAY=self.display, HOME=self.work,
                                            XDG_CONFIG_HOME=self.work),
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   preexec_fn=_die_with_parent)
        deadline = time.monotonic() + 20
        while not os.path.exists(ready):
            check(self.wm.poll() is None, f"openbox ended ({self.wm.returncode})")
            check(time.monotonic() < deadline, "openbox did not start within 20 s")
            time.sleep(0.05)

    def cleanup(self):
        """Ends what this run started, by PID, and removes its folder."""
        for proc in (self.clock, self.wm, self.xvfb):
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

    def wait_for_tick(self, stamp, timeout):
        """Waits for the tick of a wall-clock second ("2026-12-24 13:45:02")."""
        self._wait(lambda line: (m := TICK.match(line)) and m.group(1) >= stamp, f"tick of {stamp}",
                   timeout)

    def wait_for_line(self, start, timeout):
        """Waits for a log line that starts with the given text."""
        self._wait(lambda line: line.startswith(start), repr(start), timeout)

    def wait_for_line_or_tick(self, start, stamp, timeout):
        """Waits for a log line that starts with the given text, or else for the tick of a
        wall-clock second: what was logged by then is for the caller to judge."""
        self._wait(lambda line: line.startswith(start) or ((m := TICK.match(line)) and m.group(1) >= stamp),
                   f"{start!r} or the tick of {stamp}", timeout)

    def _wait(self, matches, what, timeout):
        deadline = time.monotonic() + timeout
        while not any(matches(line) for line in self.lines()):
            check(self.clock.poll() is None, f"the clock ended ({self.clock.returncode}) waiting for {what}")
            check(time.monotonic() < deadline, f"no {what} within {timeout} s")
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
