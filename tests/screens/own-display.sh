#!/usr/bin/env bash
# own-display.sh BUILD_DIR NAME LAYOUT PROGRAM [ARGS...]: runs a Windows program with $WINE (the build's loader) on an X
# display and a Wine prefix (BUILD_DIR/wineprefix-NAME) of its own. LAYOUT: WxH, or two:WxH[:1] for two monitors side
# by side (Xephyr with Xinerama), the primary one the left, or with :1 the right (the left then at negative x), or
# resizable:WxH for one whose size RandR can change (Xephyr -resizeable).
BUILD_DIR=$(cd "$1" && pwd) name=$2 program=$4
IFS=: read -r kind size primary <<<"$3"
shift 4
export BUILD_DIR
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/session.sh"
stop_session_on_exit
start_display "${size:-$kind}" || exit 1
if [ "$kind" = two ]; then
  half=$((${size%x*} / 2))x${size#*x}
  start_x Xephyr +xinerama -screen "$half+0+0" -screen "$half+${half%x*}+0" -extension RANDR -noreset || exit 1
elif [ "$kind" = resizable ]; then
  start_x Xephyr -screen "$size" -resizeable -noreset || exit 1
fi
start_wine "$BUILD_DIR/wineprefix-$name"
if [ -n "$primary" ]; then  # read by Wine's desktop when it starts: set, then Wine started afresh
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v PrimaryMonitor /d "$primary" /f >/dev/null 2>&1
  stop_wine && start_wine "$WINEPREFIX"
fi
"$WINE" "$program" "$@"
