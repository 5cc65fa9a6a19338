#!/usr/bin/env bash
# Soak under load (not part of CI): the real clock for three simulated hours at ten times
# speed across hour boundaries, both cores kept busy, chimes every quarter in one run and
# announcements every quarter in another; reports missed/doubled minutes, strike counts,
# announcements and memory. About 20 minutes.
#
#   bench/soak.sh [--hours H] [--speed N] [--start HH:MM:SS]   (EXE= to pick the executable)
set -euo pipefail
cd "$(dirname "$0")/.."
exe=${EXE:-build/release/bin/chikutaku}
if [ ! -x "$exe" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target chikutaku >/dev/null
fi
exec python3 bench/soak.py --exe "$exe" "$@"
