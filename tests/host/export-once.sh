#!/usr/bin/env bash
# Runs the x64 exe of BUILD once under Wine's 64-bit loader, on a display and
# a prefix of its own: a known image on the screen, a band dragged with real
# X input and accepted with Enter. The PNG it writes must equal the screen
# under the band, pixel for pixel.   export-once.sh BUILD
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/lib/session.sh"
source "$root/scripts/lib/pick.sh"
WINE=/usr/lib/wine/wine64
work=$build/export-once
mkdir -p "$work"
DISPLAY_BASE=170 start_display 640x480
start_wine "$build/wineprefix"

convert -size 640x480 -seed 7 plasma: -depth 8 "$work/pattern.png"
display -geometry +0+0 -borderwidth 0 "$work/pattern.png" 2>/dev/null &
_session_pids+=($!)
screen_shows_pattern() {
  import -window root "$work/screen.png" &&
    [ "$(compare -metric AE "$work/screen.png" "$work/pattern.png" null: 2>&1)" = 0 ]
}
wait_until 30 screen_shows_pattern || { echo "the image did not come up on $DISPLAY" >&2; exit 1; }

pick "$build/bin/OCRKelvane.exe" "$work/band.png" enter 100 80 340 260
convert "$work/pattern.png" -crop 240x180+100+80 +repage "$work/expected.png"
differing=$(compare -metric AE "$work/band.png" "$work/expected.png" null: 2>&1) || true
if [ "$differing" != 0 ]; then
  echo "the x64 exe's 240x180 export differs from the screen in $differing pixels" >&2
  exit 1
fi
echo "the x64 exe's 240x180 export equals the screen, pixel for pixel"
