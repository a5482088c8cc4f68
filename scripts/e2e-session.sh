# shellcheck shell=bash
# Sourced by the end-to-end checks that drive a program of the desk in a
# window on a virtual X display:
#
#   source scripts/e2e-session.sh NAME FIRST_DISPLAY [TOOL...]
#
# Skips the check (exit 77) when Xvfb, openbox, xdotool, ffmpeg or a TOOL is
# missing. Makes the work folder $work (/tmp/brevora-NAME-XXXXXX); the EXIT
# trap ends every process in the array pids, newest first, and removes it.
# Starts a 1024 by 768 display from FIRST_DISPLAY on with openbox ($display,
# DISPLAY). Points the desk's settings, its lock and SDL's disk audio driver
# into $work ($work/audio.raw unless SDL_DISKAUDIOFILE is set again).
#
# Functions: shot NAME (a screenshot into $out/NAME.png), start_desk ARG...
# (brevora from $stage in a window, past its intro; sets $desk and $window),
# end_desk (closes the window and checks that the desk ended well).

# In the address-checked build the real program runs without the leak check:
# the window system's libraries it loads and unloads keep allocations that
# cannot be told apart once they are gone. Memory errors still end the
# program; the desk's own objects are leak-checked by the in-process tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"

e2e_name=$1
e2e_first=$2
shift 2
for tool in Xvfb openbox xdotool ffmpeg "$@"; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d "/tmp/brevora-$e2e_name-XXXXXX")
pids=()
e2e_cleanup() {
  # The desk takes a terminate signal as a close request; one that hangs is
  # killed. The programs go before the servers they use. A JACK server may
  # take seconds to end on a loaded machine, and one that is killed leaves its
  # name registered for good (after eight such, no server starts): each gets
  # ten seconds.
  local i p
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    p=${pids[i]}
    kill "$p" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$p" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap e2e_cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/virtual-display.sh" "$e2e_first" 1024x768

export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

shot() {
  ffmpeg -loglevel error -y -f x11grab -video_size 1024x768 -i ":$display" -frames:v 1 \
    "$out/$1.png"
}

start_desk() {
  "$stage/brevora" --window "$@" >"$work/desk.out" 2>"$work/desk.err" &
  desk=$!
  pids+=("$desk")
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Brevora$' | head -n 1 || true)
  if [ -z "$window" ]; then
    echo "the desk's window did not appear"; cat "$work/desk.err"; exit 1
  fi
  # Past the intro: a key release ends it; then the desk loads its mix.
  xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window" || true
  xdotool key Escape
  sleep 3
}

end_desk() {
  # The closing page waits for its time (or a click) before the desk ends.
  xdotool key alt+F4
  for _ in $(seq 100); do kill -0 "$desk" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$desk" 2>/dev/null; then echo "the desk did not end when its window was closed"; exit 1; fi
  local status=0
  wait "$desk" || status=$?
  [ "$status" -eq 0 ] || { echo "the desk ended with status $status"; cat "$work/desk.err"; exit 1; }
}
