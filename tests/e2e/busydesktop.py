"""The real services that tell the clock its user is busy, each started privately for one run:
a session bus with a notifications service that holds notifications back, a PulseAudio daemon
with a microphone someone records from, and a full-screen window in front under openbox.
Every process started here is ended by its PID, and also dies with the driver.
"""

import ctypes
import os
import select
import shutil
import subprocess
import time

from clockrun import CheckFailed, _die_with_parent, _xlib, check

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


def _end(proc):
    if proc is not None and proc.poll() is None:
        proc.kill()
        proc.wait(timeout=10)


def _read_line(proc, timeout, what):
    """The next line a child writes to its standard output, waited for at most timeout s."""
    deadline = time.monotonic() + timeout
    line = b""
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        check(left > 0, f"no word from {what} within {timeout} s")
        if select.select([proc.stdout], [], [], left)[0]:
            byte = os.read(proc.stdout.fileno(), 1)  # unbuffered: select sees what is left
            if not byte:
                raise CheckFailed(f"{what} ended ({proc.wait(timeout=10)})")
            line += byte
    return line.decode().strip()


class SessionBus:
    """A message bus of the session kind that knows no services of its own (nothing is started
    on demand), listening in folder."""

    def __init__(self, folder):
        check(shutil.which("dbus-daemon"), "dbus-daemon not found (Debian package dbus-daemon)")
        config = os.path.join(folder, "session-bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(folder=folder))
        self.proc = subprocess.Popen(["dbus-daemon", "--nofork", "--print-address",
                                      f"--config-file={config}"], stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        self.address = _read_line(self.proc, 20, "dbus-daemon")

    def stop(self):
        _end(self.proc)


class NotificationsStub:
    """org.freedesktop.Notifications on a bus, with its Inhibited property as set here."""

    def __init__(self, program, address, inhibited):
        self.proc = subprocess.Popen([program, "true" if inhibited else "false"],
                                     env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address),
                                     stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     preexec_fn=_die_with_parent)
        check(_read_line(self.proc, 20, "the notifications stub") == "ready",
              "the notifications stub did not take its name")

    def set(self, inhibited):
        word = "true" if inhibited else "false"
        self.proc.stdin.write(word.encode() + b"\n")
        self.proc.stdin.flush()
        check(_read_line(self.proc, 10, "the notifications stub") == f"inhibited {word}",
              "the notifications stub did not change")

    def stop(self):
        if self.proc.stdin:
            self.proc.stdin.close()
        _end(self.proc)


class PulseDaemon:
    """A user-mode PulseAudio daemon reachable only at address: a null sink "speakers" (whose
    monitor is "speakers.monitor") and a null source "mic" standing in for a microphone."""

    def __init__(self, folder):
        for tool in ("pulseaudio", "pactl", "parecord"):
            check(shutil.which(tool), f"{tool} not found (Debian packages pulseaudio, pulseaudio-utils)")
        self.folder = folder
        self.socket = os.path.join(folder, "native")
        self.address = "unix:" + self.socket
        self.recorders = []
        for sub in ("run/pulse", "config", "state"):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        script = os.path.join(folder, "server.pa")
        with open(script, "w") as f:
            f.write(f"load-module module-native-protocol-unix auth-anonymous=1 socket={self.socket}\n"
                    "load-module module-null-sink sink_name=speakers\n"
                    "load-module module-null-source source_name=mic\n")
        self.proc = subprocess.Popen(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                      "--use-pid-file=no", "--log-target=stderr", "-F", script],
                                     env=self.env(), stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent)
        deadline = time.monotonic() + 15
        while not (os.path.exists(self.socket) and "Server String" in self.pactl("info")):
            check(self.proc.poll() is None, f"pulseaudio ended ({self.proc.returncode})")
            check(time.monotonic() < deadline, "pulseaudio took no clients within 15 s")
            time.sleep(0.05)

    def env(self):
        f = lambda sub: os.path.join(self.folder, sub)
        return dict(os.environ, PULSE_SERVER=self.address, HOME=self.folder,
                    XDG_CONFIG_HOME=f("config"), XDG_RUNTIME_DIR=f("run"),
                    PULSE_RUNTIME_PATH=f("run/pulse"), PULSE_STATE_PATH=f("state"),
                    DBUS_SESSION_BUS_ADDRESS=f"unix:path={f('no-bus')}", LC_ALL="C.UTF-8")

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env(), capture_output=True, text=True,
                              timeout=10).stdout

    def recordings(self):
        """The sources recorded from now, by name."""
        names = {index: name for index, name, *_ in
                 (line.split("\t") for line in self.pactl("list", "short", "sources").splitlines())}
        return sorted(names.get(line.split("\t")[1], "?")
                      for line in self.pactl("list", "short", "source-outputs").splitlines())

    def record(self, source):
        """Starts parecord from a source; returns once the server lists its recording."""
        before = self.recordings()
        proc = subprocess.Popen(["parecord", "--raw", "-d", source, "/dev/null"], env=self.env(),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                preexec_fn=_die_with_parent)
        self.recorders.append(proc)
        deadline = time.monotonic() + 10
        while self.recordings() == before:
            check(proc.poll() is None, f"parecord -d {source} ended ({proc.returncode})")
            check(time.monotonic() < deadline, f"no recording from {source} within 10 s")
            time.sleep(0.05)
        return proc

    def stop_recording(self, proc):
        """Ends one recording; returns once the server no longer lists it."""
        before = len(self.recordings())
        _end(proc)
        deadline = time.monotonic() + 10
        while len(self.recordings()) >= before:
            check(time.monotonic() < deadline, "a recording stayed listed for 10 s")
            time.sleep(0.05)

    def stop(self):
        for proc in self.recorders:
            _end(proc)
        _end(self.proc)


class Ewmh:
    """Asks a display's window manager, as a pager or wmctrl would, and reads what it says."""

    def __init__(self, display):
        self.x = _xlib()
        self.dpy = self.x.XOpenDisplay(display.encode())
        check(self.dpy, f"cannot open display {display}")
        self.root = self.x.XDefaultRootWindow(self.dpy)

    def close(self):
        self.x.XCloseDisplay(self.dpy)

    def atom(self, name):
        return self.x.XInternAtom(self.dpy, name.encode(), 0)

    def _ask(self, window, message, data):
        event = (ctypes.c_long * 24)()  # an XClientMessageEvent in an XEvent's room
        event[0], event[4], event[5], event[6] = 33, window, self.atom(message), 32
        for n, value in enumerate(data):
            event[7 + n] = value
        mask = (1 << 20) | (1 << 19)  # SubstructureRedirect | SubstructureNotify
        self.x.XSendEvent(self.dpy, self.root, 0, mask, ctypes.byref(event))
        self.x.XFlush(self.dpy)

    def activate(self, window):
        self._ask(window, "_NET_ACTIVE_WINDOW", (2, 0, 0))  # 2: a pager asks

    def full_screen(self, window, on):
        self._ask(window, "_NET_WM_STATE", (1 if on else 0, self.atom("_NET_WM_STATE_FULLSCREEN"), 0, 2))

    def _property(self, window, name, kind):
        kind_out, fmt, count, rest, data = (ctypes.c_ulong(), ctypes.c_int(), ctypes.c_ulong(),
                                            ctypes.c_ulong(), ctypes.c_void_p())
        values = []
        if self.x.XGetWindowProperty(self.dpy, window, self.atom(name), 0, 64, 0, kind,
                                     ctypes.byref(kind_out), ctypes.byref(fmt), ctypes.byref(count),
                                     ctypes.byref(rest), ctypes.byref(data)) == 0 and data.value:
            if fmt.value == 32:
                values = [ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[i] for i in range(count.value)]
            self.x.XFree(data)
        return values

    def active_window(self):
        found = self._property(self.root, "_NET_ACTIVE_WINDOW", 33)  # XA_WINDOW
        return found[0] if found else 0

    def is_full_screen(self, window):
        return self.atom("_NET_WM_STATE_FULLSCREEN") in self._property(window, "_NET_WM_STATE", 4)

    def wait_for(self, window, active, full, timeout=10):
        """Waits until the window manager has the window active (or not) and full-screen (or not)."""
        deadline = time.monotonic() + timeout
        while (self.active_window() == window) != active or self.is_full_screen(window) != full:
            check(time.monotonic() < deadline,
                  f"window {window}: active {self.active_window() == window}, full screen "
                  f"{self.is_full_screen(window)}; wanted {active}, {full}")
            time.sleep(0.05)


class FullScreenWindow:
    """A window of another program (xmessage) on the display, put in front and in full screen
    through the window manager."""

    def __init__(self, run, name="takubusy"):
        check(shutil.which("xmessage"), "xmessage not found (Debian package x11-utils)")
        self.proc = subprocess.Popen(["xmessage", "-name", name, "busy"],
                                     env=dict(os.environ, DISPLAY=run.display),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     preexec_fn=_die_with_parent)
        self.ewmh = Ewmh(run.display)
        deadline = time.monotonic() + 20
        while not (found := run.xdotool("search", "--onlyvisible", "--classname", name).split()):
            check(self.proc.poll() is None, f"xmessage ended ({self.proc.returncode})")
            check(time.monotonic() < deadline, "the xmessage window was not found")
            time.sleep(0.05)
        self.window = int(found[0])

    def front(self, full):
        """Makes the window the active one, full-screen or not; returns once it is so."""
        self.ewmh.full_screen(self.window, full)
        self.ewmh.activate(self.window)
        self.ewmh.wait_for(self.window, True, full)

    def stop(self):
        _end(self.proc)
        self.ewmh.close()


__all__ = ["CheckFailed", "SessionBus", "NotificationsStub", "PulseDaemon", "Ewmh", "FullScreenWindow"]
