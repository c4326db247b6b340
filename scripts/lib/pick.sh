# Drives the picker from outside with real X input, as a user would; shared by
# the demo and the host checks. Needs session.sh (WINE, a display, a prefix).

# wait_until SECONDS COMMAND...: polls the command every 50 ms.
wait_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# A process of ours has ended: it is gone or a zombie not yet waited for.
has_ended() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || true
  [ -z "$state" ] || [ "$state" = Z ]
}

# The picker's window is on screen, or the picker has ended without one.
picker_shown_or_ended() {
  xdotool search --onlyvisible --pid "$1" --name '^OCRKelvane$' >/dev/null 2>&1 || has_ended "$1"
}

# The width and height of a PNG file, from its header.
png_size() {
  od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }'
}

# pick EXE OUT ACCEPT LEFT TOP RIGHT BOTTOM: runs the picker, drags a band
# from (LEFT, TOP) to (RIGHT, BOTTOM), accepts it with "enter" or
# "double-click" and decodes what it wrote into OUT (a PNG file). Sets
# PICK_MS to the time from the accept to the picker's end. Returns non-zero,
# with a message, when the run fails or the output is not a PNG of the band.
pick() {
  local exe=$1 out=$2 accept=$3 left=$4 top=$5 right=$6 bottom=$7 pid status t0 t1
  xdotool mousemove "$left" "$top"
  "$WINE" "$exe" >"$out.b64" </dev/null &
  pid=$!
  if ! wait_until 30 picker_shown_or_ended "$pid" || has_ended "$pid"; then
    kill "$pid" 2>/dev/null; echo "the picker's window did not appear" >&2; return 1
  fi
  # The press arms a new selection, the first move of more than one pixel
  # starts the band at the press point, and the release ends it. The band is
  # drawn in steps with short pauses, as a hand draws it: Wine merges mouse
  # moves that queue up together, and a band whose only move is the one that
  # started it ends with no selection.
  local steps=(mousedown 1 sleep 0.05) i
  for i in 1 2 3 4 5 6; do
    steps+=(mousemove $((left + (right - left) * i / 6)) $((top + (bottom - top) * i / 6)) sleep 0.03)
  done
  xdotool "${steps[@]}" sleep 0.1 mouseup 1
  t0=$(date +%s%N)
  if [ "$accept" = enter ]; then
    xdotool key Return
  else
    xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2))
    xdotool click --repeat 2 --delay 120 1
  fi
  if ! wait_until 20 has_ended "$pid"; then
    kill "$pid" 2>/dev/null; echo "the picker did not end after the $accept" >&2; return 1
  fi
  t1=$(date +%s%N)
  status=0
  wait "$pid" || status=$?
  PICK_MS=$(((t1 - t0) / 1000000))
  [ "$status" -eq 0 ] || { echo "the picker ended with status $status" >&2; return 1; }
  [ -s "$out.b64" ] || { echo "the picker wrote nothing" >&2; return 1; }
  base64 -d "$out.b64" >"$out" || { echo "the picker's output is not Base64" >&2; return 1; }
  [ "$(head -c 8 "$out" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    { echo "the picker's output is not a PNG" >&2; return 1; }
  # The band was dragged from corner to corner: the image is exactly that big.
  [ "$(png_size "$out")" = "$((right - left))x$((bottom - top))" ] ||
    { echo "the selection is $(png_size "$out"), not $((right - left))x$((bottom - top))" >&2; return 1; }
}
