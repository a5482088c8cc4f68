#!/usr/bin/env bash
# The real desk on a virtual X display: starts brevora in a window under
# openbox with SDL's disk audio driver and a mix whose first channel plays a
# pure tone, holds that channel's key with xdotool, closes the window, and
# looks for the tone in the audio the desk wrote: it must sound while the key
# is held, and only then. Screenshots of the desk are left in OUT.
#
#   desk_e2e.sh STAGE_DIR OUT_DIR
#
# Exits 77 (skipped) when Xvfb or another tool of the check is missing.
set -euo pipefail
# In the address-checked build the real program runs without the leak check:
# the window system's libraries it loads and unloads keep allocations that
# cannot be told apart once they are gone. Memory errors still end the
# program; the desk's own objects are leak-checked by the in-process tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"
stage=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"

for tool in Xvfb openbox xdotool ffmpeg python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d /tmp/brevora-e2e-XXXXXX)
pids=()
cleanup() {
  # The desk takes a terminate signal as a close request; one that hangs is killed.
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for _ in $(seq 20); do
    alive=0
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ "$alive" -eq 0 ] && break
    sleep 0.1
  done
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source "$here/../../scripts/virtual-display.sh" 91 1024x768

# The tone channel and a mix that names it, on drive Z: (the host root).
rate=22050
tone=2750
python3 "$here/tone_desk.py" make "$work" "$rate" "$tone"

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
"$stage/brevora" --window "$work/e2e.mix" >"$work/desk.out" 2>"$work/desk.err" &
desk=$!
pids+=($desk)

window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Brevora$' | head -n 1 || true)
if [ -z "$window" ]; then
  echo "the desk's window did not appear"; cat "$work/desk.err"; exit 1
fi
# Past the intro: a key release ends it; then the desk loads the mix.
xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window" || true
xdotool key Escape
sleep 3
shot() { ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i ":$display" -frames:v 1 "$out/$1.png"; }
shot desk
start=$(stat -c %s "$work/audio.raw")
xdotool keydown q
sleep 1.5
shot held
xdotool keyup q
held_end=$(stat -c %s "$work/audio.raw")
sleep 1.5
xdotool key alt+F4
for _ in $(seq 100); do kill -0 "$desk" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$desk" 2>/dev/null; then echo "the desk did not end when its window was closed"; exit 1; fi
status=0
wait "$desk" || status=$?
[ "$status" -eq 0 ] || { echo "the desk ended with status $status"; cat "$work/desk.err"; exit 1; }
grep -q '"Keys"="QWERTZUIASDFGHJK"' "$XDG_CONFIG_HOME/brevora/settings.reg" ||
  { echo "the settings were not written"; exit 1; }
[ ! -e "$XDG_RUNTIME_DIR/brevora.lock" ] || { echo "the lock file was left behind"; exit 1; }

# The audio: 22050 frames per second, 8-bit unsigned stereo (the format of a
# desk without stored settings). The tone must fill the time the key was
# held and be absent before it.
python3 "$here/tone_desk.py" check "$work/audio.raw" "$rate" "$tone" "$start" "$held_end"
echo "the desk played the held channel's tone"
