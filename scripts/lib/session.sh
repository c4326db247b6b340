# Shared by the scripts: a virtual X display and a Wine prefix of the build's
# own, both ended when the calling script exits. Source it, then call
# start_display and start_wine.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
_session_pids=()
_session_prefixes=()

_session_cleanup() {
  local prefix pid
  for prefix in "${_session_prefixes[@]}"; do
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  done
  for pid in "${_session_pids[@]}"; do
    kill "$pid" >/dev/null 2>&1 || true
    wait "$pid" 2>/dev/null || true
  done
}
trap _session_cleanup EXIT
trap 'exit 130' INT TERM

# A display number nobody uses: no socket and no lock file.
free_display() {
  local n=${1:-90}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  echo "$n"
}

wait_for_display() {
  local i
  for i in $(seq 1 100); do
    xdpyinfo -display "$1" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "X display $1 did not come up" >&2
  return 1
}

# start_display [WIDTHxHEIGHT]: a new Xvfb; exports DISPLAY.
start_display() {
  local size=${1:-1920x1080} n
  n=$(free_display "${DISPLAY_BASE:-90}")
  # -noreset: without it the server resets whenever its last client leaves.
  Xvfb ":$n" -screen 0 "${size}x24" -noreset -nolisten tcp >/dev/null 2>&1 &
  _session_pids+=($!)
  export DISPLAY=":$n"
  wait_for_display "$DISPLAY"
}

# start_wine [PREFIX]: a prefix made and set up once, and one persistent
# wineserver for everything this script runs.
start_wine() {
  export WINEPREFIX=${1:-$BUILD_DIR/wineprefix}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  mkdir -p "$WINEPREFIX"
  _session_prefixes+=("$WINEPREFIX")
  if [ ! -f "$WINEPREFIX/.kelvane-ready" ]; then
    wineboot -i >/dev/null 2>&1
    # 96 DPI, no crash dialog, no handle width of our own in the profile, and
    # the hint label's face served by the CJK font that setup installs.
    cat > "$WINEPREFIX/kelvane.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Control Panel\Desktop]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
    wine regedit /S "$(winepath -w "$WINEPREFIX/kelvane.reg")" >/dev/null 2>&1
    # The wineserver writes the registry to disk when it ends: wait for that,
    # so a ready prefix is complete on disk and can be copied.
    wineserver -w
    touch "$WINEPREFIX/.kelvane-ready"
  fi
  wineserver -p
  # Start Wine's own services now, away from our output: started by the
  # first test instead, they would inherit its stdout and keep ctest waiting.
  wine cmd /c exit </dev/null >/dev/null 2>&1
}
