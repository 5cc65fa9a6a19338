#!/usr/bin/env bash
# Runs the clock for a minute under Xvfb beside its peers in the same display: the floor of a
# Qt clock (bench/qt_floor: a QLabel renewed at each wall-clock second) and `xclock -update 1`.
# For each it prints CPU seconds, wake-ups (voluntary context switches of all its threads: a
# preemption by other load is no wake-up) a second and a minute, private memory (USS:
# Private_Clean + Private_Dirty of smaps_rollup; of it the pages the program dirtied itself)
# and peak RSS; for the clock also the lateness of each displayed second against the
# wall-clock boundary (from taku.tick, logged by a second clock that is not measured and ends
# before the memory is read, as it shares the clock's pages) and the time to its first
# painted strip.
#
#   bench/clock_vs_peers.sh [--seconds-hidden] [seconds]   (default 60; BUILD=build/release)
#
# CPU is counted so that threads and children that ended still count: each program runs in a
# cgroup of its own when the cgroup v2 hierarchy is writable (cpu.stat usage_usec), else from
# the process's own accounting (/proc/PID/stat utime+stime+cutime+cstime, in clock ticks).
# --seconds-hidden runs the clock without its seconds (xclock and the floor show theirs).
# Targets: CPU at most 0.7 times the Qt floor's; wake-ups no more than xclock's with the
# seconds shown, at most 2 a minute without; USS <= 5 MB; p99 lateness <= 5 ms. The last lines:
#   ratio chikutaku/qt-floor: cpu 0.50 wakeups 1.00 uss 1.1   (and ratio chikutaku/xclock: …)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=True
[ "${1:-}" = --seconds-hidden ] && { seconds=False; shift; }
secs=${1:-60}
build=${BUILD:-build/release}
if [ ! -x "$build/bin/chikutaku" ] || [ ! -x "$build/bench/taku_qt_floor" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chikutaku taku_data taku_qt_floor >/dev/null
fi
command -v Xvfb >/dev/null && command -v xclock >/dev/null || tools/install-deps.sh

work=$(mktemp -d)
cgroups=
for root in /sys/fs/cgroup /sys/fs/cgroup/unified; do
  [ "$(stat -fc %T "$root" 2>/dev/null)" = cgroup2fs ] && mkdir "$root/taku-bench-$$" 2>/dev/null &&
    { cgroups=$root/taku-bench-$$; break; }
done
cleanup() {
  kill $(jobs -p) 2>/dev/null || true
  wait 2>/dev/null || true
  [ -z "$cgroups" ] || rmdir "$cgroups"/*/ "$cgroups" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp "$build/bin/chikutaku" "$build/bench/taku_qt_floor" "$work/"
cp -r "$build/bin/voice" "$work/" 2>/dev/null || true # Open JTalk's voice, as installed
mkdir "$work/Taku_DATA"
cp data/*.txt "$work/Taku_DATA/" 2>/dev/null || true
sync "$work"/* # a file's pages still to be written back count as dirtied by whoever maps them
printf '%s\n' 120 340 $seconds True True True False False False 0 100 $'0\t0\t0' \
  $'255\t255\t255' False 0 100 False False False 0 0 0 >"$work/Taku_DATA/Taku.Prefs"

# The logging clock runs from a folder of its own: one clock runs per data folder.
mkdir "$work/logger"
cp -r "$work/chikutaku" "$work/Taku_DATA" "$work/logger/"
cp -r "$work/voice" "$work/logger/" 2>/dev/null || true

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x200x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display SDL_AUDIODRIVER=dummy

declare -A pid
run() { # name command...: started in its own cgroup when there is one
  local name=$1
  shift
  if [ -n "$cgroups" ]; then
    mkdir "$cgroups/$name"
    (echo $BASHPID >"$cgroups/$name/cgroup.procs" && exec "$@" >/dev/null 2>&1) &
  else
    "$@" >/dev/null 2>&1 &
  fi
  pid[$name]=$!
}
start_ns=$(date +%s%N)
(cd "$work/logger" && QT_LOGGING_RULES='taku.tick.debug=true;taku.startup.debug=true' \
  exec ./chikutaku >../clock.log 2>&1) &
logger=$!
run chikutaku "$work/chikutaku"
run qt-floor "$work/taku_qt_floor"
run xclock xclock -update 1
names="chikutaku qt-floor xclock"

cpu() { # name: CPU seconds so far
  if [ -n "$cgroups" ]; then
    awk '/^usage_usec/ {print $2 / 1e6}' "$cgroups/$1/cpu.stat"
  else
    awk -v hz="$(getconf CLK_TCK)" '{sub(/.*\) /, ""); print ($12 + $13 + $14 + $15) / hz}' /proc/${pid[$1]}/stat
  fi
}
switches() { # name: "tid voluntary_switches" of each living thread, appended to its file; read
  # every second, as a thread that ends takes its count with it
  for t in /proc/${pid[$1]}/task/*; do
    echo "${t##*/} $(awk '/^voluntary_ctxt_switches/ {s += $2} END {print s + 0}' "$t/status" 2>/dev/null)"
  done >>"$work/$1.ctx"
}
sleep 5 # start-up is reported separately
for n in $names; do cpu $n >"$work/$n.cpu0"; switches $n; echo - >>"$work/$n.ctx"; done
from_ns=$(date +%s%N)
for _ in $(seq "$secs"); do
  sleep 1
  for n in $names; do switches $n; done
done
# The loop takes a little longer than its seconds; the rates are per second actually measured.
secs=$(( ($(date +%s%N) - from_ns) / 1000000 ))e-3
for n in $names; do cpu $n >"$work/$n.cpu1"; done
kill $logger
wait $logger 2>/dev/null || true
for n in $names; do
  cat /proc/${pid[$n]}/smaps_rollup /proc/${pid[$n]}/status >"$work/$n.mem"
done

python3 - "$work" "$start_ns" "$secs" "$names" <<'PY'
import sys, re, datetime, os
work, start_ns, secs, names = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4].split()
def lines(name): return open(os.path.join(work, name), encoding="utf-8", errors="replace").read().splitlines()
def figures(name):
    cpu0, cpu1 = (float(lines(f"{name}.cpu{i}")[0]) for i in (0, 1))
    # Per thread: its last count less its count at the start (none for a thread born later).
    start, last = {}, {}
    counts = start
    for line in lines(name + ".ctx"):
        if line == "-": counts = last
        else: counts[line.split()[0]] = int(line.split()[1])
    wake = sum(n - start.get(t, 0) for t, n in last.items()) / secs
    mem = {l.split()[0].rstrip(":"): int(l.split()[1]) for l in lines(name + ".mem") if re.match(r"\S+:\s+\d+ kB", l)}
    dirty = mem["Private_Dirty"] / 1024
    return cpu1 - cpu0, wake, mem["Private_Clean"] / 1024 + dirty, dirty, mem["VmHWM"] / 1024
f = {n: figures(n) for n in names}
print("{:<10} {:>8} {:>11} {:>13} {:>7} {:>9} {:>12}".format(
    "program", "CPU s", "wake-ups/s", "wake-ups/min", "USS MB", "dirty MB", "peak RSS MB"))
for n, (cpu, wake, uss, dirty, rss) in f.items():
    print(f"{n:<10} {cpu:>8.4f} {wake:>11.2f} {wake * 60:>13.1f} {uss:>7.1f} {dirty:>9.1f} {rss:>12.1f}")
def ts(s): return datetime.datetime.strptime(s, "%Y-%m-%d %H:%M:%S.%f").timestamp()
ticks = [ts(m.group(1)) for m in (re.match(r"taku\.tick: (\S+ \S+)$", l) for l in lines("clock.log")) if m]
late = sorted((t % 1) * 1000 for t in ticks if t > start_ns / 1e9 + 3)  # not the start-up ones
paint = [ts(m.group(1)) for m in (re.match(r"taku\.startup: first paint (\S+ \S+)$", l) for l in lines("clock.log")) if m]
def pct(p): return late[min(len(late) - 1, round(p / 100 * (len(late) - 1)))] if late else float("nan")
print(f"ticks: {len(ticks)}  lateness ms p50 {pct(50):.2f}  p99 {pct(99):.2f}")
if paint: print(f"first painted strip after {(paint[0] - start_ns / 1e9) * 1000:.0f} ms")
for peer in ("qt-floor", "xclock"):
    print("ratio chikutaku/{}: cpu {:.2f} wakeups {:.2f} uss {:.1f}".format(
        peer, *(a / b if b > 0 else float("nan") for a, b in zip(f["chikutaku"][:3], f[peer][:3]))))
PY
