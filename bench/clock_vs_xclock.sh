#!/usr/bin/env bash
# Runs the clock for a minute under Xvfb beside `xclock -update 1` (its peer, measured in the
# same run) and prints for both: CPU seconds, wake-ups per second (context switches), private
# (USS: private dirty pages) and proportional (PSS) memory at the end from
# /proc/PID/smaps_rollup, and peak RSS;
# for the clock also the lateness of each displayed second against the wall-clock boundary
# (from taku.tick) and the time from start to the first painted strip. Wake-ups are the
# context switches of all the process's threads; the clock's figures include its child
# processes (the seconds ticker).
#
#   bench/clock_vs_xclock.sh [seconds]        (default 60; BUILD=build/release by default)
#
# Targets: CPU no more than xclock's, at most 2 wake-ups a second, p99 lateness <= 5 ms,
# USS <= 5 MB, RSS <= 40 MB, first paint <= 300 ms. The last line holds the ratios:
#   ratio chikutaku/xclock: cpu 0.95 wakeups 1.00 uss 1.8
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
build=${BUILD:-build/release}
if [ ! -x "$build/bin/chikutaku" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chikutaku taku_data >/dev/null
fi
command -v Xvfb >/dev/null && command -v xclock >/dev/null || tools/install-deps.sh

work=$(mktemp -d)
trap 'kill $clock_pid $logger_pid $xclock_pid $xvfb_pid 2>/dev/null || true; wait 2>/dev/null; rm -rf "$work"' EXIT
cp "$build/bin/chikutaku" "$work/"
cp "$build/bin/chikutaku-ticker" "$work/" 2>/dev/null || true
cp -r "$build/bin/voice" "$work/" 2>/dev/null || true # Open JTalk's voice, as installed
mkdir "$work/Taku_DATA"
cp data/*.txt "$work/Taku_DATA/" 2>/dev/null || true

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

export DISPLAY=$display SDL_AUDIODRIVER=dummy
# Two clocks: the measured one runs as a user runs it, with its diagnostics off (writing a
# line a second would be counted against it); a second one logs its ticks for the lateness
# and its start for the first paint.
start_ns=$(date +%s%N)
QT_LOGGING_RULES='taku.tick.debug=true;taku.startup.debug=true' \
  "$work/chikutaku" >"$work/clock.log" 2>&1 &
logger_pid=$!
"$work/chikutaku" >/dev/null 2>&1 &
clock_pid=$!
xclock -update 1 >/dev/null 2>&1 &
xclock_pid=$!

# One line per thread: "tid cpu_ns context_switches". Threads come and go (the audio thread
# exists only while something plays), so the report sums per-thread differences.
sample() { # pid file
  local pid=$1 out=$2 p t
  : >"$out"
  for p in $pid $(pgrep -P "$pid"); do
    for t in /proc/$p/task/*; do
      echo "${t##*/} $(awk '{print $1}' "$t/schedstat" 2>/dev/null || echo 0)" \
        "$(awk '/ctxt_switches/ {s+=$2} END {print s+0}' "$t/status" 2>/dev/null)" >>"$out"
    done
  done
}
memory() { # pid file: smaps_rollup summed over the process and its children, then peak RSS
  local pid=$1 out=$2 p
  for p in $pid $(pgrep -P "$pid"); do cat /proc/$p/smaps_rollup; done |
    awk '$2 ~ /^[0-9]+$/ {s[$1] += $2} END {for (k in s) print k, s[k], "kB"}' >"$out"
  grep VmHWM /proc/$pid/status >>"$out"
}
sleep 5 # let both settle (the clock starts drawing its seconds ahead at its second or third tick); start-up is reported separately
sample $clock_pid "$work/c0"; sample $xclock_pid "$work/x0"
# Growth is judged from the second minute on when the run is long enough: the first minute
# boundary fills what is kept for good (the pieces of the seconds drawn ahead).
settle=0
[ "$secs" -ge 180 ] && settle=65
sleep "$settle"
memory $clock_pid "$work/c0.mem"; memory $xclock_pid "$work/x0.mem"
sleep $((secs - settle))
sample $clock_pid "$work/c1"; sample $xclock_pid "$work/x1"
memory $clock_pid "$work/c.mem"; memory $xclock_pid "$work/x.mem"

python3 - "$work" "$start_ns" "$secs" <<'PY'
import sys, re, datetime, os
work, start_ns, secs = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
def memory(name):
    # kB: private (USS), proportional (PSS), peak resident (VmHWM)
    f = {}
    for line in open(os.path.join(work, name)):
        parts = line.split()
        if len(parts) >= 2 and parts[1].isdigit(): f[parts[0].rstrip(":")] = int(parts[1])
    # Private clean pages are library code and data no other program happens to map at the
    # moment (Qt's, when no other Qt program runs): they would be shared by the next one, so
    # the private figure is the memory the program alone dirtied.
    return f["Private_Dirty"], f["Pss"], f["VmHWM"]
def load(name):
    d = {}
    for line in open(os.path.join(work, name)):
        tid, ns, ctx = line.split()
        d[tid] = (int(ns), int(ctx))
    return d
def delta(prefix):
    a, b = load(prefix + "0"), load(prefix + "1")
    ns = sum(v[0] - a.get(t, (0, 0))[0] for t, v in b.items())
    ctx = sum(v[1] - a.get(t, (0, 0))[1] for t, v in b.items())
    return ns / 1e9, ctx / secs
def ts(s): return datetime.datetime.strptime(s, "%Y-%m-%d %H:%M:%S.%f").timestamp()
ticks, first_paint = [], None
for line in open(os.path.join(work, "clock.log"), encoding="utf-8", errors="replace"):
    m = re.match(r"taku\.tick: (\S+ \S+)$", line.strip())
    if m: ticks.append(ts(m.group(1)))
    m = re.match(r"taku\.startup: first paint (\S+ \S+)$", line.strip())
    if m and first_paint is None: first_paint = ts(m.group(1))
late, last_sec = [], None
for t in ticks:
    sec = int(t)
    if sec != last_sec:
        late.append((t - sec) * 1000.0)
        last_sec = sec
late = late[3:]  # skip the start-up seconds
late.sort()
def pct(p): return late[min(len(late) - 1, int(round(p / 100.0 * (len(late) - 1))))] if late else float("nan")
(c_cpu, c_wake), (x_cpu, x_wake) = delta("c"), delta("x")
(c_uss, c_pss, c_rss), (x_uss, x_pss, x_rss) = memory("c.mem"), memory("x.mem")
print("{:<10} {:>10} {:>12} {:>8} {:>8} {:>12}".format(
    "program", "CPU s", "wake-ups/s", "USS MB", "PSS MB", "peak RSS MB"))
row = "{:<10} {:>10.4f} {:>12.2f} {:>8.1f} {:>8.1f} {:>12.1f}"
print(row.format("chikutaku", c_cpu, c_wake, c_uss / 1024, c_pss / 1024, c_rss / 1024))
print(row.format("xclock", x_cpu, x_wake, x_uss / 1024, x_pss / 1024, x_rss / 1024))
(c_uss0, _, _), (x_uss0, _, _) = memory("c0.mem"), memory("x0.mem")
print("USS growth over the run (from its second minute when longer than 3): chikutaku {:+.0f} kB, xclock {:+.0f} kB".format(c_uss - c_uss0, x_uss - x_uss0))
print("seconds displayed: {}  lateness ms p50 {:.2f}  p99 {:.2f}  max {:.2f}".format(
    len(late), pct(50), pct(99), late[-1] if late else float("nan")))
if first_paint: print("first painted strip after {:.0f} ms".format((first_paint - start_ns / 1e9) * 1000))
def ratio(a, b): return a / b if b > 0 else float("nan")
print("ratio chikutaku/xclock: cpu {:.2f} wakeups {:.2f} uss {:.1f}".format(
    ratio(c_cpu, x_cpu), ratio(c_wake, x_wake), ratio(c_uss, x_uss)))
PY
