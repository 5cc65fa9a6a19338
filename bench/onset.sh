#!/usr/bin/env bash
# How soon after the minute a chime and a spoken time are heard: the real clock, in real time,
# its sound going to SDL's disk driver, started by libfaketime a few seconds before a due
# minute, once striking a chime every minute and once speaking the time every minute (side by
# side). The taku.audio log gives each onset, measured where the samples leave the mixer plus
# the device's buffer; this prints each, and the worst against a target of 150 ms.
#   bench/onset.sh [build-dir] [minutes]      (default build/dev, 3)
# Exit status 1 when an onset is missing or later than the target.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/dev}" && pwd)
minutes=${2:-3}
exec python3 - "$here" "$build" "$minutes" <<'PY'
import os, re, shutil, sys, time
here, build, minutes = sys.argv[1], sys.argv[2], int(sys.argv[3])
sys.path.insert(0, os.path.join(here, "tests", "e2e"))
from clockrun import ClockRun, prefs_lines  # noqa: E402

TARGET_MS = 150
ONSET = re.compile(r"^taku\.audio: onset (chime|speech) ([+-]\d+) ms$")
TICK0 = re.compile(r"^taku\.tick: \S+ \d\d:\d\d:00\.(\d{3})$")
START = "2026-10-10 10:49:55"  # five seconds before the first due minute

def run_for(kind, prefs):
    with open(os.path.join(here, "data", "voice.txt"), "rb") as f:
        table = f.read()
    data = {"voice.txt": table, "Taku.Prefs": "".join(p + "\n" for p in prefs).encode()}
    run = ClockRun(os.path.join(build, "bin", "chikutaku"), f"onset-{kind}", data=data)
    run.extra_env.update({"SDL_AUDIODRIVER": "disk",
                          "SDL_DISKAUDIOFILE": os.path.join(run.work, "out.raw")})
    voice = os.path.join(build, "bin", "voice")
    if os.path.isdir(voice):  # the clock finds its voice beside itself
        shutil.copytree(voice, os.path.join(run.work, "voice"))
    else:
        print(f"no voice in {voice}: Japanese is spoken by espeak-ng (tools/fetch-voice.sh)")
    return run

runs = {
    "chime": run_for("chime", prefs_lines(SoundOn=True, IntervalIndex=5)),
    "speech": run_for("speech", prefs_lines(AnnounceOn=True, IntervalIndex=5)),
}
try:
    for run in runs.values():
        run.start(START)
    time.sleep(5 + 60 * minutes + 5)
    load = os.getloadavg()
except BaseException:
    for run in runs.values():
        run.cleanup()
    raise
worst, failed = None, False
for kind, run in runs.items():
    onsets = [int(m.group(2)) for m in map(ONSET.match, run.lines()) if m and m.group(1) == kind]
    print(f"{kind}: " + (", ".join(f"{n:+d} ms" for n in onsets) or "no onset lines"))
    ticks = [int(m.group(1)) for m in map(TICK0.match, run.lines()) if m]
    print(f"  ticks of second 0 at " + ", ".join(f"+{n} ms" for n in ticks))
    if len(onsets) < minutes:
        print(f"  {kind}: {len(onsets)} of {minutes} due minutes heard")
        failed = True
    for n in onsets:
        worst = n if worst is None or n > worst else worst
    run.cleanup()
print("load average %.2f %.2f %.2f on %d cores" % (*load, os.cpu_count()))
if worst is not None:
    print(f"worst onset {worst:+d} ms (target {TARGET_MS} ms)")
    failed = failed or worst > TARGET_MS
sys.exit(1 if failed else 0)
PY
