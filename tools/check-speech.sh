#!/bin/sh
# Runs the real clock under Xvfb with its speech going to SDL's disk driver, and checks what
# it said and how it sounded.
#   1. "date": the date at start-up only; the sound is one announcement, made a WAV file that
#      sox measures (length and level).
#   2. "minutes": date at start-up, today's event and the time every minute, from 13:43:50 on
#      (faketime); the taku.speech log must hold exactly the composed texts, in order.
# Usage: tools/check-speech.sh [build-dir] [work-dir]     (needs xvfb-run, faketime, sox)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/speech}" && pwd)
work=${2:-$(mktemp -d)}
fail=0

# Preferences: 12-hour display with 午前/午後 and the weekday, announcements every minute
# (IntervalIndex 5), the date at start-up; no chime, no alarm.
prefs() { # $1: AnnounceOn
    printf '%s\n' 100 100 False True True False False False "$1" 5 100 \
        "0	0	0" "255	255	255" False 0 100 False True False 0 0 1
}

run() { # $1 name, $2 AnnounceOn, $3 seconds
    dir=$work/$1
    mkdir -p "$dir/Taku_DATA"
    cp "$build/bin/chikutaku" "$dir/"
    cp "$here/data/voice.txt" "$dir/Taku_DATA/"
    prefs "$2" > "$dir/Taku_DATA/Taku.Prefs"
    printf 'True\t12\t24\tおたんじょうび おめでとう\nFalse\t12\t24\tnever\n' > "$dir/Taku_DATA/event.txt"
    rm -f "$dir/out.raw"
    (cd "$dir" && FAKETIME_DONT_FAKE_MONOTONIC=1 QT_LOGGING_RULES='taku.speech=true' \
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/out.raw" \
        timeout -s INT "$3" xvfb-run -a faketime -f '@2026-12-24 13:43:50' ./chikutaku \
        > "$dir/log.txt" 2>&1) || true
    sed -n 's/^taku\.speech: //p' "$dir/log.txt" > "$dir/spoken.txt"
    sox -t raw -r 44100 -e signed -b 16 -c 2 "$dir/out.raw" "$dir/out.wav"
    # The speech alone: silences longer than 0.3 s removed.
    sox "$dir/out.wav" "$dir/speech.wav" silence 1 0.02 0.5% -1 0.3 0.5%
}

expect() { # $1 file, then the expected lines
    file=$1; shift
    printf '%s\n' "$@" > "$file.expected"
    if cmp -s "$file" "$file.expected"; then echo "OK   $file"; else
        echo "FAIL $file differs from what was composed:"; diff "$file.expected" "$file" || true
        fail=1
    fi
}

measure() { # $1 wav, $2 min seconds, $3 max seconds
    len=$(soxi -D "$1")
    rms=$(sox "$1" -n stat 2>&1 | sed -n 's/^RMS *amplitude: *//p')
    peak=$(sox "$1" -n stat 2>&1 | sed -n 's/^Maximum amplitude: *//p')
    echo "     $1: speech $len s, RMS $rms, peak $peak"
    if awk -v l="$len" -v r="$rms" -v p="$peak" -v lo="$2" -v hi="$3" \
        'BEGIN { exit !(l >= lo && l <= hi && r > 0.02 && p > 0.2) }'; then
        echo "OK   length and level plausible"
    else
        echo "FAIL length or level implausible"; fail=1
    fi
}

date="十 二 月 二 十 四日 木 曜日 です"

run date False 8
expect "$work/date/spoken.txt" "$date" "おたんじょうび おめでとう........"
measure "$work/date/speech.wav" 3 12

run minutes True 75
expect "$work/minutes/spoken.txt" "$date" "おたんじょうび おめでとう........" \
    "午後 一 時 四 十 四 分  です" "午後 一 時 四 十 五 分  です"
measure "$work/minutes/speech.wav" 6 30

echo "work files in $work"
exit $fail
