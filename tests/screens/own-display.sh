#!/usr/bin/env bash
# Runs one Windows test program under Wine on an X display and a Wine prefix
# of its own, so that the screen size, the monitors and the profile it needs
# (and the windows it shows) touch no other test.
#
#   own-display.sh BUILD_DIR NAME LAYOUT PROGRAM [ARGS...]
#
# LAYOUT is WIDTHxHEIGHT for one monitor of that size (a plain Xvfb), or
# two:WIDTHxHEIGHT for two such monitors side by side: Xephyr with Xinerama,
# nested in an Xvfb, which Wine reports as two monitors. The prefix is
# BUILD_DIR/wineprefix-NAME, first made as a copy of the build's own prefix
# when that one is ready (much quicker than setting up a new one).
if [ $# -lt 4 ]; then
  echo "usage: $0 BUILD_DIR NAME LAYOUT PROGRAM [ARGS...]" >&2
  exit 2
fi
BUILD_DIR=$(cd "$1" && pwd)
name=$2
layout=$3
program=$4
shift 4
export BUILD_DIR
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../scripts/lib/session.sh"

# Each name starts its search for a free display elsewhere, so that tests run
# side by side do not race for the same number.
base=$(( ${DISPLAY_BASE:-90} + 40 + $(printf '%s' "$name" | cksum | cut -d' ' -f1) % 40 * 4 ))

# start_xephyr_pair WxH: two WxH monitors side by side on a nested Xephyr.
start_xephyr_pair() {
  local w=${1%x*} h=${1#*x} n
  DISPLAY_BASE=$base start_display "$((2 * w))x$h" || return 1
  local host=$DISPLAY
  n=$(free_display $((base + 1)))
  DISPLAY=$host Xephyr ":$n" +xinerama -screen "${w}x${h}+0+0" -screen "${w}x${h}+${w}+0" \
    -extension RANDR -noreset -nolisten tcp >/dev/null 2>&1 &
  _session_pids+=($!)
  export DISPLAY=":$n"
  wait_for_display "$DISPLAY"
}

started=
for attempt in 1 2 3; do
  case $layout in
    two:*) start_xephyr_pair "${layout#two:}" && started=1 ;;
    *) DISPLAY_BASE=$base start_display "$layout" && started=1 ;;
  esac
  [ -n "$started" ] && break
  base=$((base + 2))
done
if [ -z "$started" ]; then
  echo "no X display for layout $layout" >&2
  exit 1
fi

prefix=$BUILD_DIR/wineprefix-$name
if [ ! -f "$prefix/.kelvane-ready" ] && [ -f "$BUILD_DIR/wineprefix/.kelvane-ready" ]; then
  rm -rf "$prefix"
  cp -a "$BUILD_DIR/wineprefix" "$prefix"
fi
start_wine "$prefix"
# The copy may have caught a setting that a test of the build's own prefix had
# changed for a moment: start from 96 DPI and no handle width of our own.
cat > "$prefix/own-display.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Windows]
"oleinplaceborderwidth"=-
REG
wine regedit /S "$(winepath -w "$prefix/own-display.reg")" >/dev/null 2>&1

wine "$program" "$@"
