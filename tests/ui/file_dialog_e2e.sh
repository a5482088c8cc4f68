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
# In the address-checked build the real program runs without the leak check:
# the window system's libraries it loads and unloads keep allocations that
# cannot be told apart once they are gone. Memory errors still end the
# program; the desk's own objects are leak-checked by the in-process tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"
try=$1
stage=$(cd "$2" && pwd)
out=$3
mkdir -p "$out"

for tool in Xvfb openbox xdotool ffmpeg python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d /tmp/brevora-dialog-e2e-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=""
for n in $(seq 141 190); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "no free display number"; exit 1; }
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 0.5

export SDL_AUDIODRIVER=disk
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
shot() { ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i ":$display" -frames:v 1 "$out/$1.png"; }

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
