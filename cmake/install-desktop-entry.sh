#!/bin/sh
# Adds ちくたく時計 to the desktop menu: writes ~/.local/share/applications/chikutaku.desktop
# pointing at the folder this script lies in. The installed folder can be moved anywhere; run
# this script again from its new place. "--remove" takes the menu entry away again.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
apps=${XDG_DATA_HOME:-$HOME/.local/share}/applications
entry=$apps/chikutaku.desktop
if [ "${1:-}" = "--remove" ]; then
  rm -f "$entry"
  exit 0
fi
mkdir -p "$apps"
sed -e "s|^Exec=.*|Exec=\"$here/chikutaku\"|" -e "s|^Path=.*|Path=$here|" \
    -e "s|^Icon=.*|Icon=$here/chikutaku.png|" "$here/chikutaku.desktop" >"$entry.tmp"
mv "$entry.tmp" "$entry"
command -v update-desktop-database >/dev/null 2>&1 && update-desktop-database "$apps" || true
echo "Menu entry written: $entry"
