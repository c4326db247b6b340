#!/usr/bin/env bash
# own-display.sh BUILD_DIR NAME LAYOUT PROGRAM [ARGS...]: runs a Windows test program with $WINE (the build's
# loader) on an X display and a Wine prefix (BUILD_DIR/wineprefix-NAME) of its own, which no other test changes.
# LAYOUT is the display's WxH, or two:WxH for two monitors side by side in it (Xephyr with Xinerama).
BUILD_DIR=$(cd "$1" && pwd) name=$2 layout=$3 program=$4 size=${3#two:}
shift 4
export BUILD_DIR DISPLAY_BASE=$((${DISPLAY_BASE:-90} + 40 + $(cksum <<<"$name" | cut -d' ' -f1) % 40 * 4))
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/session.sh"
start_display "$size" || exit 1
if [ "$layout" != "$size" ]; then
  half=$((${size%x*} / 2))x${size#*x} n=$(free_display $((DISPLAY_BASE + 1)))
  Xephyr ":$n" +xinerama -screen "$half+0+0" -screen "$half+${half%x*}+0" -extension RANDR -noreset &>/dev/null &
  _session_pids+=($!)
  export DISPLAY=":$n"
  wait_for_display "$DISPLAY" || exit 1
fi
start_wine "$BUILD_DIR/wineprefix-$name"
"$WINE" "$program" "$@"
