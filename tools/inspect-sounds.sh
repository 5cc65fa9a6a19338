#!/usr/bin/env bash
# Renders the built-in chime sounds to WAV files and shows what a listener checks: length,
# levels (sox stats) and a spectrogram of each (PNG beside the WAV).
#   tools/inspect-sounds.sh [BUILD_DIR] [OUT_DIR]
set -euo pipefail
build=${1:-build/dev}
out=${2:-$build/sound-check}
cmake --build "$build" --target taku_soundgen >/dev/null
mkdir -p "$out"
echo "Loudness as the generator measures it (BS.1770, mono):"
"$build/sound/taku_soundgen" "$out"
for f in "$out"/church.wav "$out"/cuculus.wav "$out"/oldclock.wav "$out"/dog.wav "$out"/cat.wav; do
  name=$(basename "$f" .wav)
  echo "== $name (sox)"
  sox "$f" -n stats 2>&1 | grep -E '^(Pk lev dB|RMS lev dB|RMS Pk dB|Length s)'
  sox "$f" -n rate 16k spectrogram -x 600 -y 240 -z 80 -t "$name" -o "$out/$name.png"
done
echo "Spectrograms: $out/*.png"
