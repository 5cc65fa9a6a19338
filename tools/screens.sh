#!/usr/bin/env bash
# Screenshots of the clock strip, the settings window, both editors and the quiet-time window, as a user sees them,
# for comparing two builds: runs the given build's program under a private Xvfb at a fixed
# faked moment, opens each window with mouse clicks and saves one PNG per window.
#   tools/screens.sh BUILD_DIR OUT_DIR [PREFS_FILE]
# Compare two runs with: compare -metric AE a/strip.png b/strip.png null:
set -euo pipefail
build=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
prefs=${3:-}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

cp "$build/bin/chikutaku" "$work/"
cp -r "$build/bin/Taku_DATA" "$work/"
[ -d "$build/bin/voice" ] && cp -r "$build/bin/voice" "$work/"
rm -f "$work/Taku_DATA/Taku.Prefs"
[ -n "$prefs" ] && cp "$prefs" "$work/Taku_DATA/Taku.Prefs"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp &
sleep 1
export DISPLAY=$display
lib=$(ls /usr/lib/*/faketime/libfaketime.so.1 | head -1)
(cd "$work" && SDL_AUDIODRIVER=dummy LD_PRELOAD=$lib FAKETIME='@2026-12-24 13:44:58' \
  TZ=Asia/Tokyo LANG=ja_JP.UTF-8 ./chikutaku >/dev/null 2>&1) &

window() { # waits for a window of the clock with the given title and prints its id
  # (by _NET_WM_NAME: xdotool's --name does not match Japanese titles in every locale)
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --classname chikutaku 2>/dev/null); do
      [ "$(xprop -id "$id" _NET_WM_NAME 2>/dev/null)" = "_NET_WM_NAME(UTF8_STRING) = \"$1\"" ] &&
        { echo "$id"; return; }
    done
    sleep 0.2
  done
  echo "no window titled $1" >&2
  return 1
}
shoot() { sleep 0.6; import -window "$1" "$out/$2.png"; }

strip=$(window '2026.12.24 木')
shoot "$strip" strip
xdotool mousemove --window "$strip" 5 10 click 1
set_=$(window '設定')
shoot "$set_" settings
xdotool mousemove --window "$set_" 248 24 click 1 # 発音表
voice=$(window '発音表')
shoot "$voice" voice_editor
xdotool windowunmap "$voice"
xdotool mousemove --window "$set_" 248 61 click 1 # イベント
shoot "$(window 'イベント設定')" event_editor
xdotool mousemove --window "$set_" 176 440 click 1 # 静かな時間
shoot "$(window '静かな時間')" quiet
ls "$out"
