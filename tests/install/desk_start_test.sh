#!/usr/bin/env bash
# The installed desk started by a new user under a virtual display: the first
# start makes the user's content root, links the installed data and copies
# the demo set; a second start copies nothing and keeps what the user added
# or removed; a third start saves the mix from the desk's mix menu into the
# user's Mixes folder, and the installed renderer reads it back. Each start
# ends by closing the window, with exit status 0.
#
#   desk_start_test.sh BUILD_DIR
# Exit status 77 (skipped) when Xvfb, openbox or xdotool is missing.
set -euo pipefail
# In the address-checked build the real program runs without the leak check:
# the window system's libraries it loads and unloads keep allocations that
# cannot be told apart once they are gone. Memory errors still end the
# program; the desk's own objects are leak-checked by the in-process tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}${ASAN_OPTIONS:+:}detect_leaks=0"
build=$1
for tool in Xvfb openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: skipped"; exit 77; }
done

source "$(dirname "$0")/common.sh" desk "" ON

cmake --install "$build" --prefix "$t/prefix" >/dev/null

# A display of our own: the first free number from 90 on.
for n in $(seq 90 160); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    display=:$n
    break
  fi
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$t/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.1
done
DISPLAY=$display openbox >"$t/openbox.log" 2>&1 &
pids+=($!)
sleep 0.5

home=$t/home
# A runtime folder of its own, so that a desk the user runs meanwhile does not
# count as this desk already running.
mkdir -p -m 700 "$t/run"
user=$home/.local/share/brevora

# Starts the installed desk as the test user, waits for its window, ends the
# intro with a key release, lets the desk settle, closes the window and
# waits for the process. Fails when any step does not happen in time.
run_desk() {
  env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" DISPLAY="$display" \
    XDG_RUNTIME_DIR="$t/run" \
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$t/audio.raw" \
    "$t/prefix/bin/brevora" --window >"$t/desk.log" 2>&1 &
  local desk=$!
  local window
  window=$(DISPLAY=$display timeout 20 xdotool search --sync --onlyvisible --name '^Brevora$' |
    head -1) || true
  if [ -z "$window" ]; then
    kill "$desk" 2>/dev/null || true
    fail "no desk window appeared: $(cat "$t/desk.log")"
    return
  fi
  DISPLAY=$display xdotool windowactivate --sync "$window" key space
  sleep 2
  [ -z "${during:-}" ] || "$during" "$window"
  DISPLAY=$display xdotool windowactivate --sync "$window" key alt+F4
  local status=0
  for _ in $(seq 200); do
    kill -0 "$desk" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$desk" 2>/dev/null; then
    kill "$desk"
    fail "the desk did not end when its window was closed"
  fi
  wait "$desk" || status=$?
  [ "$status" -eq 0 ] || fail "the desk ended with status $status: $(cat "$t/desk.log")"
}

# ---- First start ----
run_desk
[ -d "$user" ] || fail "no content root at $user"
[ "$(readlink "$user/data")" = "$(realpath "$t/prefix/share/brevora/data")" ] ||
  fail "data links to '$(readlink "$user/data" || true)'"
diff <(cd "$t/prefix/share/brevora/Mixes" && find . | LC_ALL=C sort) \
  <(cd "$user/Mixes" && find . | LC_ALL=C sort) >/dev/null ||
  fail "the demo set was not copied into $user/Mixes"

# ---- Second start: nothing copied again, the user's files kept ----
echo "my own mix" >"$user/Mixes/mine.mix"
rm "$user/Mixes/you bv feel/pad.wav"
run_desk
[ "$(cat "$user/Mixes/mine.mix")" = "my own mix" ] || fail "the user's file was touched"
[ ! -e "$user/Mixes/you bv feel/pad.wav" ] || fail "the demo set was copied a second time"
[ ! -e "$t/prefix/share/brevora/.demo-copied" ] || fail "something was written under the prefix"

# ---- Third start: SAVE MIX from the mix menu ----
save_mix() {
  DISPLAY=$display xdotool mousemove --window "$1" 430 498 mousedown 1
  sleep 0.3
  DISPLAY=$display xdotool mousemove --window "$1" 480 549
  sleep 0.3
  DISPLAY=$display xdotool mouseup 1
  sleep 3
  DISPLAY=$display xdotool key End
  for _ in $(seq 40); do DISPLAY=$display xdotool key BackSpace; done
  DISPLAY=$display xdotool type --delay 30 'C:\Mixes\from the desk'
  DISPLAY=$display xdotool key Return
  sleep 3
}
# The demo set whole again, so that no load message waits at the start.
cp "$t/prefix/share/brevora/Mixes/you bv feel/pad.wav" "$user/Mixes/you bv feel/"
during=save_mix run_desk
saved="$user/Mixes/from the desk.mix"
if [ ! -f "$saved" ]; then
  fail "no mix was saved at $saved: $(ls "$user/Mixes")"
else
  head -1 "$saved" | grep -q '^\[Brevora Mix\]' || fail "the saved mix has no mix header"
  (cd "$t" && "$t/prefix/bin/brevora-render" --quiet "$saved" "$t/from-desk.wav") ||
    fail "the installed renderer could not read the saved mix"
  [ "$(stat -c %s "$t/from-desk.wav" 2>/dev/null || echo 0)" -gt 44 ] ||
    fail "the saved mix rendered to nothing"
fi

finish "desk start"
