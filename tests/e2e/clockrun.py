"""Runs the real chikutaku executable as a user's desktop would, and reads what it did.

A ClockRun copies the executable into a temporary folder with a "Taku_DATA" beside it, starts
a private Xvfb (managed by openbox, if asked), the services of a busy desktop if asked, and the
clock under libfaketime at a chosen moment with the taku.* logging on. Every process started
here dies with the driver (PR_SET_PDEATHSIG) and is ended by its PID with the run.
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
# The optional blocks at the end of the file: quiet time and the speak-now key (lines 23-27),
# the busy desktop (28-30). A block is written when it, or a block after it, holds a value.
BLOCKS = (slice(22, 27), slice(27, 30))


class CheckFailed(AssertionError): pass


def check(ok, what):
    if not ok:
        raise CheckFailed(what)


def wait(found, what, timeout, proc=None):
    """Polls found() until it returns something true, and returns that."""
    deadline = time.monotonic() + timeout
    while not (result := found()):
        check(proc is None or proc.poll() is None, f"ended ({proc and proc.returncode}): {what}")
        check(time.monotonic() < deadline, f"no {what} within {timeout} s")
        time.sleep(0.05)
    return result


def prefs_file(lines=None, **fields):
    """A Taku.Prefs file (only its first lines, if given) with the defaults but for fields."""
    check(set(fields) <= set(PREFS), f"unknown preference in {fields}")
    values, empty = list({**PREFS, **fields}.values()), list(PREFS.values())
    for block in reversed(BLOCKS):
        if len(values) == block.stop and values[block] == empty[block]:
            values = values[:block.start]
    return "".join(("\t".join(map(str, v)) if isinstance(v, tuple) else str(v)) + "\n"
                   for v in values[:lines]).encode()


def voice_table(rows=42):
    """A pronunciation table whose row n says "s<n>", so an announcement reads row by row."""
    return "".join(f"d{n}\ts{n}\n" for n in range(rows)).encode("cp932")


def copy_into(folder, files):
    for name, content in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def client_message(display, window, kind, data, to_root):
    """Sends a client message about a window to it, or to the root window as a pager does."""
    x, p = ctypes.CDLL(ctypes.util.find_library("X11")), ctypes.c_void_p
    x.XOpenDisplay.restype = x.XDefaultRootWindow.restype = x.XInternAtom.restype = p
    x.XDefaultRootWindow.argtypes = x.XFlush.argtypes = x.XCloseDisplay.argtypes = [p]
    x.XInternAtom.argtypes = [p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, p]
    dpy = x.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    atom = lambda name: x.XInternAtom(dpy, name.encode(), 0) if isinstance(name, str) else name
    event = (ctypes.c_long * 24)()  # an XClientMessageEvent (format 32) in an XEvent's room
    event[0], event[4], event[5], event[6] = 33, window, atom(kind), 32
    for n, value in enumerate(data):
        event[7 + n] = atom(value)
    # To the root: SubstructureRedirect | SubstructureNotify.
    x.XSendEvent(dpy, x.XDefaultRootWindow(dpy) if to_root else window, 0,
                 (1 << 20) | (1 << 19) if to_root else 0, ctypes.byref(event))
    x.XFlush(dpy)
    x.XCloseDisplay(dpy)


class ClockRun:
    def __init__(self, exe, name, data, env=None):
        """data: {file name: bytes} for Taku_DATA (None: the caller makes the folder)."""
        self.work = tempfile.mkdtemp(prefix=f"taku-{name}-")
        self.data_dir = os.path.join(self.work, "Taku_DATA")
        self.env, self.procs, self.clock, self.display = dict(env or {}), [], None, None
        shutil.copy2(exe, os.path.join(self.work, "chikutaku"))
        if data is not None:
            os.mkdir(self.data_dir)
            copy_into(self.data_dir, data)

    def __enter__(self): return self

    def __exit__(self, exc_type, exc, tb):
        if exc_type is not None and self.clock:
            print("--- log of the failed run ---\n" + "\n".join(self.lines()[-60:]))
        for proc in reversed(self.procs):
            proc.kill()
            proc.wait(timeout=10)
        if os.path.ismount(self.data_dir):  # a scenario's small tmpfs
            subprocess.run(["umount", "-l", self.data_dir], capture_output=True, timeout=20)
        if os.path.isdir(self.data_dir):
            os.chmod(self.data_dir, 0o755)  # a scenario may have made it read-only
        shutil.rmtree(self.work, ignore_errors=True)

    def spawn(self, args, **kw):
        die = lambda: ctypes.CDLL(None).prctl(1, signal.SIGKILL, 0, 0, 0)
        self.procs.append(subprocess.Popen(args, **{"stdout": subprocess.DEVNULL, "preexec_fn": die,
                                                    "stderr": subprocess.DEVNULL, **kw}))
        return self.procs[-1]

    def open_display(self, wm=False):
        """A display of the run's own, managed by openbox if wm is true."""
        r, w = os.pipe()
        # -noreset: the display outlives each run of the clock; a server that resets when its
        # last client leaves turns the next clock away.
        self.spawn(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-noreset",
                    "-nolisten", "tcp"], pass_fds=(w,))
        os.close(w)
        with os.fdopen(r) as f:
            self.display = ":" + f.readline().strip()
        if wm:
            ready = os.path.join(self.work, "wm-ready")  # openbox runs --startup once it manages
            proc = self.spawn(["openbox", "--sm-disable", "--startup", f"touch {ready}"],
                              env=dict(os.environ, DISPLAY=self.display, HOME=self.work,
                                       XDG_CONFIG_HOME=self.work))
            wait(lambda: os.path.exists(ready), "openbox", 20, proc)

    def start(self, fake_time, speed=None, wm=False, log="clock.log"):
        """Starts the clock at fake_time ("2026-12-24 13:44:58"), speed times as fast if given,
        on the run's display (opened first if need be), with a fresh log."""
        if self.display is None:
            self.open_display(wm)
        faketime = glob.glob("/usr/lib/*/faketime/libfaketime.so.1")
        check(faketime, "libfaketime not found (Debian package faketime)")
        env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", TZ="Asia/Tokyo",
                   SDL_AUDIODRIVER="dummy", LANG="C.UTF-8", LC_ALL="C.UTF-8",
                   QT_LOGGING_RULES="taku.*=true", LD_PRELOAD=faketime[0],
                   FAKETIME=f"@{fake_time}" + (f" x{speed}" if speed else ""),
                   ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "detect_leaks=0") +
                   ":verify_asan_link_order=0", XDG_RUNTIME_DIR=self.work,
                   # No session bus unless given: Qt's accessibility bridge would start one.
                   DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.work}/no-session-bus")
        with open(os.path.join(self.work, log), "wb") as out:
            proc = self.spawn([os.path.join(self.work, "chikutaku")], cwd=self.work, stdout=out,
                              stderr=subprocess.STDOUT,
                              env={k: v for k, v in {**env, **self.env}.items() if v is not None})
        if log == "clock.log":
            self.clock = proc
        return proc

    def start_another(self, fake_time, timeout=30):
        """Starts the program once more beside the running clock, in the same folder and on the
        same display; returns its exit status and log lines once it has ended."""
        try:
            return self.start(fake_time, log="another.log").wait(timeout), self.lines("another.log")
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"the later start did not end within {timeout} s")

    def lines(self, log="clock.log"):
        with open(os.path.join(self.work, log), "rb") as f:
            return f.read().decode("utf-8", "replace").splitlines()

    def wait_log(self, tick=None, line=None, timeout=60):
        """Waits for the tick of a wall-clock second ("2026-12-24 13:45:02"), or for a log line
        that starts with line."""
        hit = ((lambda text: text.startswith(line)) if line else
               (lambda text: (m := TICK.match(text)) and m[1] >= tick))
        wait(lambda: any(map(hit, self.lines())), line or f"tick of {tick}", timeout, self.clock)

    def prefs(self):
        with open(os.path.join(self.data_dir, "Taku.Prefs"), "rb") as f:
            return f.read()

    def x(self, *args):
        """Runs an X tool (xdotool, xprop, xwininfo) on the run's display; its output."""
        return subprocess.run(args, env=dict(os.environ, DISPLAY=self.display), capture_output=True,
                              text=True, timeout=10).stdout

    def find(self, *how, timeout=20):
        """The visible windows xdotool search finds (the clock strip by default), waited for."""
        how = how or ("--classname", "chikutaku")
        search = lambda: self.x("xdotool", "search", "--onlyvisible", *how).split()
        return [int(w) for w in wait(search, f"window {how}", timeout)]

    def click(self, window, x, y):
        self.x("xdotool", "mousemove", "--window", str(window), str(x), str(y), "click", "1")

    def place(self, window):
        """Where a window's own area stands on the screen, (left, top), and the frame a window
        manager put around it (_NET_FRAME_EXTENTS: left, right, top, bottom), or None."""
        info = self.x("xwininfo", "-id", str(window))
        place = tuple(int(re.search(rf"Absolute upper-left {c}: +(-?\d+)", info)[1]) for c in "XY")
        frame = re.search(r"= (\d+), (\d+), (\d+), (\d+)",
                          self.x("xprop", "-id", str(window), "_NET_FRAME_EXTENTS"))
        return place, frame and tuple(map(int, frame.groups()))

    def close_window(self, window):
        """What a window manager's close button does: a WM_DELETE_WINDOW client message."""
        client_message(self.display, window, "WM_PROTOCOLS", ["WM_DELETE_WINDOW"], False)

    def close(self, timeout=20):
        """Closes the strip as its close button would; checks that the clock ends cleanly, and
        returns the preferences file it leaves."""
        self.close_window(self.find()[0])
        try:
            check(self.clock.wait(timeout=timeout) == 0, "the clock did not end cleanly")
        except subprocess.TimeoutExpired:
            raise CheckFailed(f"the clock did not end within {timeout} s of closing its window")
        return self.prefs()

    # A busy desktop ---------------------------------------------------------------------------

    def session_bus(self):
        """A message bus of the session kind that starts no services of its own; its address."""
        path, config = os.path.join(self.work, "bus"), os.path.join(self.work, "bus.conf")
        with open(config, "w") as f:
            f.write(f"<busconfig><type>session</type><listen>unix:path={path}</listen>"
                    "<auth>EXTERNAL</auth><policy context='default'><allow own='*'/>"
                    "<allow send_destination='*' eavesdrop='true'/><allow eavesdrop='true'/>"
                    "</policy></busconfig>")
        proc = self.spawn(["dbus-daemon", "--nofork", f"--config-file={config}"])
        wait(lambda: os.path.exists(path), "session bus", 20, proc)
        return "unix:path=" + path

    def notifications(self, program, bus, inhibited):
        """org.freedesktop.Notifications on the bus (the stub program) holding notifications
        back (its Inhibited property) or not: returns what sets that anew."""
        proc = self.spawn([program, str(inhibited).lower()], stdin=subprocess.PIPE,
                          stdout=subprocess.PIPE,
                          env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus))
        check(proc.stdout.readline() == b"ready\n", "the notifications stub did not take its name")

        def inhibit(on):
            proc.stdin.write(str(on).lower().encode() + b"\n")
            proc.stdin.flush()
            check(proc.stdout.readline() == f"inhibited {str(on).lower()}\n".encode(), "not set")
        return inhibit

    def other_window(self):
        """Another program's window (xmessage): returns what makes it the active window, full
        screen or not, through the window manager as a user does it."""
        proc = self.spawn(["xmessage", "-name", "takubusy", "busy"],
                          env=dict(os.environ, DISPLAY=self.display))
        window = self.find("--classname", "takubusy")[0]

        def front(full):  # _NET_WM_STATE: 0 remove, 1 add; source 2: a pager asks
            client_message(self.display, window, "_NET_WM_STATE",
                           [int(full), "_NET_WM_STATE_FULLSCREEN", 0, 2], True)
            self.x("xdotool", "windowactivate", "--sync", str(window))
            wait(lambda: self.x("xdotool", "getactivewindow").strip() == str(window) and
                 ("_FULLSCREEN" in self.x("xprop", "-id", str(window), "_NET_WM_STATE")) == full,
                 f"window {window} active, full screen {full}", 10, proc)
        return front


class PulseDaemon:
    """A user-mode PulseAudio daemon for one run, at address: a null sink "speakers" (recorded
    from as "speakers.monitor") and a null source "mic" standing in for a microphone."""

    def __init__(self, run):
        self.run, folder = run, os.path.join(run.work, "pulse")
        socket, script = os.path.join(folder, "native"), os.path.join(folder, "server.pa")
        self.address = "unix:" + socket
        os.makedirs(os.path.join(folder, "run"))
        self.env = dict(os.environ, PULSE_SERVER=self.address, HOME=folder, XDG_CONFIG_HOME=folder,
                        XDG_RUNTIME_DIR=os.path.join(folder, "run"), PULSE_STATE_PATH=folder,
                        DBUS_SESSION_BUS_ADDRESS=f"unix:path={folder}/no-bus", LC_ALL="C.UTF-8")
        with open(script, "w") as f:
            f.write(f"load-module module-native-protocol-unix auth-anonymous=1 socket={socket}\n"
                    "load-module module-null-sink sink_name=speakers\n"
                    "load-module module-null-source source_name=mic\n")
        proc = run.spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                          "--use-pid-file=no", "-F", script], env=self.env)
        wait(lambda: os.path.exists(socket) and "Server String" in self.pactl("info"),
             "pulseaudio", 15, proc)

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, capture_output=True, text=True,
                              timeout=10).stdout

    def recordings(self):
        return len(self.pactl("list", "short", "source-outputs").splitlines())

    def record(self, source):
        """Starts recording from a source; returns the recorder once the server lists it."""
        before = self.recordings()
        proc = self.run.spawn(["parecord", "--raw", "-d", source, "/dev/null"], env=self.env)
        wait(lambda: self.recordings() > before, f"recording from {source}", 10, proc)
        return proc

    def stop(self, proc):
        """Ends one recording; returns once the server no longer lists it."""
        before = self.recordings()
        proc.kill()
        wait(lambda: self.recordings() < before, "end of the recording", 10)
