#!/usr/bin/env bash
# Runs the whole suite of one build folder under CTest, headless and silent:
# no display, no sound card and no network are needed.
set -euo pipefail
build=${1:-build/dev}
export QT_QPA_PLATFORM=offscreen
export SDL_AUDIODRIVER=dummy
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=${TZ:-Asia/Tokyo}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
