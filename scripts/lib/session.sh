# Shared by the scripts: the build for this host, a virtual X display and a
# Wine prefix of the build's own. Sourcing it only defines what follows. A
# script calls select_arch (and configure_build), stop_session_on_exit, then
# start_display and start_wine; stop_session ends what they started.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# Wine's own helpers off (no .NET or HTML engine, no menu entries); and, as
# Windows does, a gdiplus.dll or msimg32.dll beside a program preferred to the
# system's, so that the tests see what a DLL planted there would do.
WINE_DLL_OVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;gdiplus,msimg32=n,b"
_session_pids=()
_session_prefixes=()

# stop_session: ends every wineserver and X server this script started, and
# waits for the wineservers to write their registries.
stop_session() {
  local prefix pid
  for prefix in "${_session_prefixes[@]}"; do
    WINEPREFIX=$prefix stop_wine
  done
  for pid in "${_session_pids[@]}"; do
    kill "$pid" >/dev/null 2>&1 || true
    wait "$pid" 2>/dev/null || true
  done
  _session_pids=()
  _session_prefixes=()
}

# stop_wine: ends the wineserver of $WINEPREFIX and waits until it has gone,
# its registry written; start_wine starts it again.
stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# stop_with_session PID: a background process of the script's own, which
# stop_session ends too.
stop_with_session() {
  _session_pids+=("$1")
}

# stop_session_on_exit: stop_session when the script ends, also on Ctrl+C.
stop_session_on_exit() {
  trap stop_session EXIT
  trap 'exit 130' INT TERM
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

# start_x SERVER [ARGS...]: an X server that picks a free display number
# itself and writes it once it listens (-displayfd), so that no other run can
# take the number between its choice and the start; exports DISPLAY.
start_x() {
  local out n i
  out=$(mktemp)
  "$@" -displayfd 3 3>"$out" >/dev/null 2>&1 &
  _session_pids+=($!)
  for i in $(seq 1 100); do
    n=$(sed -n 's/^\([0-9][0-9]*\)$/\1/p' "$out")
    [ -n "$n" ] && break
    sleep 0.1
  done
  rm -f "$out"
  if [ -z "$n" ]; then
    echo "The X server $1 did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
  wait_for_display "$DISPLAY"
}

# start_display [WIDTHxHEIGHT]: a new Xvfb; exports DISPLAY.
start_display() {
  # -noreset: without it the server resets whenever its last client leaves.
  start_x Xvfb -screen 0 "${1:-1920x1080}x24" -noreset -nolisten tcp
}

# free_space PATH: what the disk holding PATH has left, e.g. "1.2G".
free_space() {
  df -h --output=avail "$(dirname "$1")" 2>/dev/null | tail -n 1 | tr -d ' '
}

# make_seed SEED: a prefix made by wineboot and set up once, never run again,
# from which every prefix of the build is cloned. Each prefix holds about
# 1.3 GB of Wine's own DLLs; clones share them.
make_seed() {
  local seed=$1 log attempt
  [ -f "$seed/.kelvane-ready" ] && return 0
  rm -rf "$seed" && mkdir -p "$seed"
  log=$(mktemp)
  for attempt in 1 2; do
    # A first start of Wine's 64-bit loader has been seen to fail once with
    # "could not load kernel32.dll" while other prefixes were being made:
    # such a prefix is made anew, once.
    WINEPREFIX=$seed "$WINE" wineboot -i >"$log" 2>&1 && break
    WINEPREFIX=$seed wineserver -k >/dev/null 2>&1 || true
    rm -rf "$seed" && mkdir -p "$seed"
    if [ $attempt = 2 ]; then
      echo "Wine could not set up the prefix $seed with $WINE ($(free_space "$seed") free on its disk):" >&2
      tail -n 5 "$log" >&2
      return 1
    fi
    echo "Wine could not set up the prefix $seed with $WINE; making it again" >&2
  done
  rm -f "$log"
  WINEPREFIX=$seed apply_profile "$WINE"
  # The wineserver writes the registry to disk when it ends: wait for that,
  # so a seed marked ready is complete on disk.
  WINEPREFIX=$seed wineserver -w
  touch "$seed/.kelvane-ready"
}

# apply_profile LOADER: sets the profile of $WINEPREFIX to the known state
# every test starts from (scripts/lib/profile.reg).
apply_profile() {
  local reg=$ROOT/scripts/lib/profile.reg
  # Drive Z: is the root of the file system.
  "$1" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
}

# clone_prefix SEED PREFIX: a prefix of its own that shares the seed's large
# files (Wine's DLLs, which nothing writes) through hard links. The registry,
# the .ini files and every small file get copies, since Wine may rewrite
# those in place.
clone_prefix() {
  local seed=$1 prefix=$2
  rm -rf "$prefix" "$prefix.part"
  cp -a --link "$seed" "$prefix.part" || return 1
  find "$prefix.part" -type f \( -name '*.reg' -o -size -64k \) -exec sh -c \
    'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f" || exit 1; done' sh {} + || return 1
  mv "$prefix.part" "$prefix"
}

# start_wine [PREFIX]: a prefix of the build's (cloned from the seed, which
# KELVANE_WINE_SEED names for child scripts), and one persistent wineserver
# for everything this script runs.
start_wine() {
  export WINEPREFIX=${1:-$BUILD_DIR/wineprefix}
  export WINELOADER=$WINE
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=$WINE_DLL_OVERRIDES
  export KELVANE_WINE_SEED=${KELVANE_WINE_SEED:-$BUILD_DIR/wineprefix-seed}
  _session_prefixes+=("$WINEPREFIX")
  if [ ! -f "$WINEPREFIX/.kelvane-ready" ]; then
    mkdir -p "$(dirname "$KELVANE_WINE_SEED")"
    # Tests started side by side may both find the seed missing.
    { flock 9 && make_seed "$KELVANE_WINE_SEED"; } 9>"$KELVANE_WINE_SEED.lock" || exit 1
    if ! clone_prefix "$KELVANE_WINE_SEED" "$WINEPREFIX"; then
      echo "Could not make the Wine prefix $WINEPREFIX from $KELVANE_WINE_SEED ($(free_space "$WINEPREFIX") free on its disk)" >&2
      exit 1
    fi
  fi
  wineserver -p
  # The known profile, whatever an earlier run left in the prefix.
  if ! apply_profile "$WINE"; then
    echo "Wine could not apply the test profile to $WINEPREFIX (loader $WINE)" >&2
    exit 1
  fi
  # Start Wine's own services now, away from our output: started by the
  # first test instead, they would inherit its stdout and keep ctest waiting.
  if ! "$WINE" cmd /c exit </dev/null >/dev/null 2>&1; then
    echo "Wine does not start programs in $WINEPREFIX (loader $WINE)" >&2
    exit 1
  fi
}

# This host runs i386 code when the 32-bit dynamic loader starts; on hosts
# whose kernel runs 64-bit user code only it fails with "Exec format error".
host_runs_i386() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# select_arch: picks the build the scripts run, i686 (the product) where this
# host runs 32-bit code, else x64; KELVANE_ARCH=i686|x64 forces one. Sets
# ARCH, OTHER_ARCH, BUILD_DIR (unless given) and WINE (the loader), and says
# which path it takes on stderr.
select_arch() {
  local runs32=no
  host_runs_i386 && runs32=yes
  case ${KELVANE_ARCH:-} in
    "") if [ $runs32 = yes ]; then ARCH=i686; else ARCH=x64; fi ;;
    i686) if [ $runs32 = no ]; then
            echo "KELVANE_ARCH=i686, but this host cannot run 32-bit programs (i386 code fails to start)" >&2
            exit 1
          fi
          ARCH=i686 ;;
    x64) ARCH=x64 ;;
    *) echo "KELVANE_ARCH must be i686 or x64, not '$KELVANE_ARCH'" >&2; exit 1 ;;
  esac
  if [ $ARCH = i686 ]; then
    OTHER_ARCH=x64
    WINE=/usr/lib/wine/wine
    BUILD_DIR=${BUILD_DIR:-$ROOT/build}
    echo "This host runs 32-bit programs: using the i686 build under Wine's 32-bit loader." >&2
  else
    OTHER_ARCH=i686
    WINE=/usr/lib/wine/wine64
    BUILD_DIR=${BUILD_DIR:-$ROOT/build-x64}
    if [ $runs32 = yes ]; then
      echo "KELVANE_ARCH=x64: using the x86-64 build under Wine's 64-bit loader." >&2
    else
      echo "This host cannot run 32-bit programs; using the x86-64 build under Wine's 64-bit loader." >&2
    fi
  fi
  if [ ! -x "$WINE" ]; then
    echo "Wine's loader $WINE is missing: run scripts/setup" >&2
    exit 1
  fi
  BUILD_DIR=$(realpath -m "$BUILD_DIR")
  export WINE BUILD_DIR
}

# configure_build DIR ARCH [CMAKE ARGS...]: configures a build folder once,
# from the preset of that build (CMakePresets.json, where both builds are
# set); the build itself re-runs CMake when a CMake file changes.
configure_build() {
  local dir=$1 preset=default
  [ "$2" = x64 ] && preset=x64
  shift 2
  [ -f "$dir/CMakeCache.txt" ] && [ $# -eq 0 ] && return 0
  (cd "$ROOT" && cmake --preset "$preset" -B "$dir" "$@" >/dev/null)
}
