#!/usr/bin/env python3
"""Soak of the real clock: three simulated hours across hour boundaries at ten times speed,
with both cores kept busy by another process, once with chimes every 15 minutes and once with
spoken announcements every 15 minutes (the two runs side by side).

    bench/soak.py --exe build/release/bin/chikutaku [--hours 3] [--speed 10] [--start 10:50:00]

Reports per run: due quarters, chimes or announcements given, hours struck with the wrong
count, missed and doubled minutes, the worst lateness of a tick, and the memory of the clock
(resident and private, first, last, highest). Exit status 1 when a check fails.
"""

import argparse
import datetime
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from clockrun import ClockRun, TICK, prefs_lines, voice_table  # noqa: E402

SPEECH = re.compile(r"^taku\.speech: (.*)$")
STRIKE = re.compile(r"^taku\.sound: strike (\d+)/(\d+) pan=(-?\d+) volume=(-?\d+) sound=(\S+)$")

DAY = "2026-10-10"


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def uss_kb(pid):
    """Private dirty memory: what the clock alone holds (private clean pages are library pages
    no other program maps at the moment, shared as soon as one does)."""
    try:
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                if line.startswith("Private_Dirty:"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def busy_cores(n):
    """n processes that spin without end (the load), ended by PID afterwards."""
    return [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(n)]


def analyse(run, start, end, kind):
    lines = run.lines()
    ticks = []
    for line in lines:
        if TICK.match(line):  # taku.tick: yyyy-MM-dd HH:mm:ss.zzz
            ticks.append(datetime.datetime.strptime(line.split(": ", 1)[1], "%Y-%m-%d %H:%M:%S.%f"))
    # Minutes fully inside the window (the first few seconds after start-up are not counted).
    first = (start + datetime.timedelta(minutes=1)).replace(second=0, microsecond=0)
    minutes = []
    t = first
    while t + datetime.timedelta(minutes=1) <= end:
        minutes.append(t)
        t += datetime.timedelta(minutes=1)
    zero_ticks = {}
    for tick in ticks:
        if tick.second == 0:
            key = tick.replace(second=0, microsecond=0)
            zero_ticks[key] = zero_ticks.get(key, 0) + 1
    missed = [m for m in minutes if zero_ticks.get(m, 0) == 0]
    doubled = [m for m in minutes if zero_ticks.get(m, 0) > 1]
    late = max((tick.microsecond // 1000 for tick in ticks if tick >= first), default=0)
    quarters = [m for m in minutes if m.minute % 15 == 0]

    report = {"minutes": len(minutes), "missed minutes": len(missed),
              "doubled minutes": len(doubled), "worst tick lateness ms": late,
              "due quarters": len(quarters)}
    problems = [f"missed minute {m:%H:%M}" for m in missed] + \
               [f"doubled minute {m:%H:%M}" for m in doubled]
    if kind == "chime":
        sequences = []
        for k, n, pan in ((int(k), int(n), int(p)) for k, n, p, _, _ in
                          (m.groups() for m in map(STRIKE.match, lines) if m)):
            if k == 1:
                sequences.append([])
            if sequences:
                sequences[-1].append((k, n, pan))
        expected = [(q.hour % 12 or 12) if q.minute == 0 else 1 for q in quarters]
        got = [len(s) for s in sequences]
        report["chimes"] = len(sequences)
        report["strikes"] = sum(got)
        hours_ok = sum(1 for q, s in zip(quarters, sequences) if q.minute == 0 and
                       len(s) == (q.hour % 12 or 12))
        report["hours struck right"] = f"{hours_ok} of {sum(1 for q in quarters if q.minute == 0)}"
        if got[:len(expected)] != expected or len(got) != len(expected):
            problems.append(f"strike counts {got}, expected {expected}")
        for s in sequences:
            n = len(s)
            if [k for k, _, _ in s] != list(range(1, n + 1)) or \
                    [p for _, _, p in s] != [int(200.0 / (n + 1) * k - 100.0)
                                             for k in range(1, n + 1)]:
                problems.append(f"a chime of {n} strikes swept wrongly: {s}")
    else:
        said = [m.group(1) for m in map(SPEECH.match, lines) if m]
        report["announcements"] = len(said)
        report["distinct announcements"] = len(set(said))
        if len(said) != len(quarters) or len(set(said)) != len(said):
            problems.append(f"{len(said)} announcements ({len(set(said))} distinct) "
                            f"for {len(quarters)} quarters")
    return report, problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--hours", type=float, default=3)
    parser.add_argument("--speed", type=int, default=10)
    parser.add_argument("--start", default="10:50:00")
    parser.add_argument("--only", choices=["chime", "announce"])
    args = parser.parse_args()
    start = datetime.datetime.strptime(f"{DAY} {args.start}", "%Y-%m-%d %H:%M:%S")
    end = start + datetime.timedelta(hours=args.hours)
    real_seconds = args.hours * 3600 / args.speed

    def data(**prefs):
        return {"voice.txt": voice_table(),
                "Taku.Prefs": "".join(p + "\n" for p in prefs_lines(**prefs)).encode()}

    runs = {
        "chime": ClockRun(args.exe, "soak-chime", data=data(SoundOn=True, IntervalIndex=2, Volume=50),
                          extra_env={"QT_LOGGING_RULES": "taku.tick.debug=true;taku.sound=true;"
                                                         "taku.speech=true;taku.files=true"}),
        "announce": ClockRun(args.exe, "soak-announce", data=data(AnnounceOn=True, IntervalIndex=2)),
    }
    if args.only:
        for name in [n for n in runs if n != args.only]:
            runs.pop(name).cleanup()
    load = []
    memory = {name: [] for name in runs}
    private = {name: [] for name in runs}
    failed = False
    try:
        load = busy_cores(os.cpu_count() or 2)
        for run in runs.values():
            run.start(f"{start:%Y-%m-%d %H:%M:%S}", speed=args.speed)
        t0 = time.monotonic()
        print(f"soak: {args.hours} h simulated at x{args.speed} ({real_seconds / 60:.0f} min), "
              f"{len(load)} busy processes beside the clocks", flush=True)
        while time.monotonic() - t0 < real_seconds + 3:
            for name, run in runs.items():
                if run.clock.poll() is not None:
                    raise SystemExit(f"the {name} clock ended during the soak")
                kb = rss_kb(run.clock.pid)
                if kb:
                    memory[name].append(kb)
                kb = uss_kb(run.clock.pid)
                if kb:
                    private[name].append(kb)
            time.sleep(5)
        for name, run in runs.items():
            run.close(timeout=60)
            report, problems = analyse(run, start, end, name)
            # Memory is judged from the first due quarter on: the first chime or announcement
            # loads the sounds or the synthesizer's voice once.
            mem = memory[name]
            skip = int(((15 - start.minute % 15) % 15 * 60 - start.second + 60) / args.speed / 5) + 1
            settled = mem[min(len(mem) - 1, skip):]
            trail = settled[::max(1, len(settled) // 6)]
            report["memory kB after 1st quarter"] = " ".join(str(k) for k in trail)
            report["memory kB first/last/max"] = f"{settled[0]}/{settled[-1]}/{max(settled)}"
            uss = private[name][min(len(private[name]) - 1, skip):]
            report["USS kB first/last/max"] = f"{uss[0]}/{uss[-1]}/{max(uss)}"
            if uss[-1] - uss[0] > 1024:
                problems.append(f"private memory grew by {uss[-1] - uss[0]} kB")
            if settled[-1] - settled[0] > 4096:
                problems.append(f"memory grew by {settled[-1] - settled[0]} kB")
            print(f"\n[{name}]")
            for key, value in report.items():
                print(f"  {key:28} {value}")
            for p in problems:
                print(f"  PROBLEM: {p}")
            failed |= bool(problems)
    finally:
        for proc in load:
            proc.kill()
            proc.wait()
        for run in runs.values():
            run.cleanup()
    print("\nsoak " + ("FAILED" if failed else "passed"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
