#!/usr/bin/env bash
# The file chooser in a real window on a virtual X display: dialog_try runs
# the main-sample dialog with SDL's disk audio driver; xdotool types a
# folder path, moves down the list to a wave file and presses Enter. The
# chosen path must be that file, and its preview must be heard. Then the
# save-mix dialog is worked with the mouse: a double-click opens a folder, a
# click selects an existing mix, OK asks before replacing it. Screenshots are
# left in OUT.
#
#   file_dialog_e2e.sh DIALOG_TRY STAGE_DIR OUT_DIR
#
# Exits 77 (skipped) when Xvfb or another tool of the check is missing.
set -euo pipefail
try=$1
stage=$(cd "$2" && pwd)
out=$3
mkdir -p "$out"
source "$(dirname "$0")/../../scripts/e2e-session.sh" dialog-e2e 141 python3

failed=0
fail() {
  echo "FAILED: $*"
  failed=1
}

# Starts one dialog; sets $app and $window.
start() {
  export SDL_DISKAUDIOFILE="$work/$1.raw"
  "$try" "$stage" "$1" --window >"$work/$1.out" 2>"$work/$1.err" &
  app=$!
  pids+=($app)
  window=""
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name Brevora 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "no window"; cat "$work/$1.err"; exit 1; }
  sleep 1
  # The window may still be remade while the program sets up its display:
  # focus the one that is shown now, and try again if it went meanwhile.
  local focused=""
  for _ in $(seq 20); do
    window=$(xdotool search --onlyvisible --name Brevora 2>/dev/null | head -1 || true)
    if [ -n "$window" ]; then
      timeout 5 xdotool windowactivate --sync "$window" 2>/dev/null || true
      if xdotool windowfocus "$window" 2>/dev/null; then
        focused=1
        break
      fi
    fi
    sleep 0.2
  done
  [ -n "$focused" ] || { echo "the window could not be focused"; cat "$work/$1.err"; exit 1; }
  sleep 0.3
}
finish() {
  for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$app" 2>/dev/null; then fail "$1: the dialog did not close"; kill "$app"; fi
}

# ---- keyboard: type a folder, walk the list, Enter chooses ----
start main
xdotool type --delay 50 'Mixes\you bv feel'
xdotool key Return
sleep 0.3
xdotool key Down Down Down Down  # "..", then the first three wave files
sleep 1.5
shot dialog_keyboard
xdotool key Return
finish main
grep -qx 'chosen: C:\\Mixes\\you bv feel\\bass fx.wav' "$work/main.out" ||
  fail "main: chose $(cat "$work/main.out")"
# The preview sounded: the audio the dialog played is not silent.
python3 - "$work/main.raw" <<'PY' || fail "main: no preview was heard"
import struct, sys
data = open(sys.argv[1], "rb").read()
samples = struct.unpack("<%dh" % (len(data) // 2), data[: len(data) // 2 * 2])
loud = sum(1 for s in samples if abs(s) > 1000)
print("preview: %d loud samples of %d" % (loud, len(samples)))
sys.exit(0 if loud > 1000 else 1)
PY

# ---- mouse: double-click a folder, click a mix, OK asks to replace ----
start save-mix
# The list of the mix dialogs starts at (203, 122); rows are 16 high.
xdotool mousemove --window "$window" 260 148 click --repeat 2 --delay 80 1  # "Mixes\"
sleep 0.3
xdotool mousemove --window "$window" 260 164 click 1  # the third row: the demo mix
sleep 0.3
shot dialog_mouse
xdotool mousemove --window "$window" 590 398 click 1  # OK
finish save-mix
grep -qx 'asked: Replace file C:\\Mixes\\you bv feel.mix' "$work/save-mix.out" ||
  fail "save-mix: no question before replacing"
grep -qx 'chosen: C:\\Mixes\\you bv feel.mix' "$work/save-mix.out" ||
  fail "save-mix: chose $(cat "$work/save-mix.out")"

exit $failed
