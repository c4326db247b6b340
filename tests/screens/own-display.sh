#!/usr/bin/env bash
# Runs a Windows test program under Wine ($WINE, the build's loader) on an X
# display and a Wine prefix of its own, so the screen it needs and the windows
# it shows touch no other test.
#   own-display.sh BUILD_DIR NAME LAYOUT PROGRAM [ARGS...]
# LAYOUT is WxH (one Xvfb monitor) or two:WxH (two monitors side by side:
# Xephyr with Xinerama nested in an Xvfb). The prefix BUILD_DIR/wineprefix-NAME
# starts as a copy of the build's ready one.
BUILD_DIR=$(cd "$1" && pwd) name=$2 layout=$3 program=$4
shift 4
export BUILD_DIR
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/session.sh"
# Each name searches for a free display from a number of its own.
export DISPLAY_BASE=$(( ${DISPLAY_BASE:-90} + 40 + $(cksum <<<"$name" | cut -d' ' -f1) % 40 * 4 ))
size=${layout#two:} w=${layout%x*} w=${w#two:}
if [ "$layout" = "$size" ]; then
  start_display "$size" || exit 1
else
  start_display "$((2 * w))x${size#*x}" || exit 1
  n=$(free_display $((DISPLAY_BASE + 1)))
  Xephyr ":$n" +xinerama -screen "$size+0+0" -screen "$size+$w+0" -extension RANDR -noreset -nolisten tcp \
    >/dev/null 2>&1 &
  _session_pids+=($!)
  export DISPLAY=":$n"
  wait_for_display "$DISPLAY" || exit 1
fi
prefix=$BUILD_DIR/wineprefix-$name
if [ ! -f "$prefix/.kelvane-ready" ] && [ -f "$BUILD_DIR/wineprefix/.kelvane-ready" ]; then
  rm -rf "$prefix" && cp -a "$BUILD_DIR/wineprefix" "$prefix"
fi
start_wine "$prefix"
# The copy may hold a value a test of the build's prefix had set for a moment.
"$WINE" reg delete 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v oleinplaceborderwidth /f >/dev/null 2>&1
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
"$WINE" "$program" "$@"
