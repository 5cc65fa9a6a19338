#!/usr/bin/env bash
# Runs the clock under Xvfb a few seconds before a full hour with the hourly chime on, records
# the mixed output through SDL's disk driver, and compares the strikes in the taku.sound log
# with the strikes heard in the recording (count and stereo position).
#   tools/record-chime.sh [BUILD_DIR] [HOUR 0-23] [SOUND KIND 0-4]
set -euo pipefail
build=$(realpath "${1:-build/dev}")
hour=${2:-15}
kind=${3:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/bin/chikutaku" "$work/"
mkdir "$work/Taku_DATA"
prev=$(( (hour + 23) % 24 ))
tab=$'\t'
printf '%s\n' 100 100 True False True True False False False 0 100 \
  "0${tab}0${tab}0" "255${tab}255${tab}255" True "$kind" 100 False False False 0 0 0 \
  > "$work/Taku_DATA/Taku.Prefs"

# Start 5 s before the hour and stop once the longest sound could have struck every time.
strikes=$(( hour % 12 == 0 ? 12 : hour % 12 ))
seconds=$(( 9 + strikes * 3 ))
start=$(printf '2026-12-24 %02d:59:55' "$prev")
(
  cd "$work"
  QT_LOGGING_RULES="taku.sound=true" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" \
  FAKETIME_DONT_FAKE_MONOTONIC=1 \
    timeout -s INT "$seconds" xvfb-run -a faketime -f "@$start" ./chikutaku 2> "$work/log.txt" || true
)
grep -o 'strike .*' "$work/log.txt" || echo "(no strikes logged)"
python3 - "$work/out.raw" "$work/log.txt" <<'PY'
import math, re, struct, sys
raw = open(sys.argv[1], 'rb').read()
log = [l for l in open(sys.argv[2], encoding='utf-8', errors='replace') if 'strike ' in l]
n = len(raw) // 4
frames = struct.unpack('<%dh' % (2 * n), raw[:4 * n])
win = 441
windows = []
for s in range(0, n - win, win):
    l = sum(frames[2 * i] ** 2 for i in range(s, s + win))
    r = sum(frames[2 * i + 1] ** 2 for i in range(s, s + win))
    windows.append((l + r, (r - l) / (r + l) if l + r else 0.0))
top = max(e for e, _ in windows) if windows else 0
runs = []  # one run of loud windows with one balance per strike
for i, (e, b) in enumerate(windows):
    if e < top * 1e-3:
        continue
    if runs and abs(runs[-1][1] - b) < 0.04:
        runs[-1][2] += 1
    else:
        runs.append([i, b, 1])
runs = [r for r in runs if r[2] >= 3]
def pan_of(b):
    far = math.sqrt((1 - abs(b)) / (1 + abs(b)))
    return math.copysign(100 * (1 - far), b)
heard = [round(pan_of(b)) for _, b, _ in runs]
logged = [int(re.search(r'pan=(-?\d+)', l).group(1)) for l in log]
print('recorded %.1f s; strikes heard: %d, logged: %d' % (n / 44100, len(heard), len(logged)))
for k, (i, b, c) in enumerate(runs):
    print('  heard at %5.2f s  balance %+.2f  pan about %+4d' % (i * 0.01, b, heard[k]))
ok = len(heard) == len(logged) and all(abs(h - g) <= 3 for h, g in zip(heard, logged))
print('log and recording agree' if ok else 'log and recording DISAGREE')
sys.exit(0 if ok else 1)
PY
