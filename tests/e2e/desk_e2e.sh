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
stage=$(cd "$1" && pwd)
out=$2
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
source "$here/../../scripts/e2e-session.sh" e2e 91 python3

# The tone channel and a mix that names it, on drive Z: (the host root).
rate=22050
tone=2750
python3 "$here/tone_desk.py" make "$work" "$rate" "$tone"

start_desk "$work/e2e.mix"
shot desk
start=$(stat -c %s "$work/audio.raw")
xdotool keydown q
sleep 1.5
shot held
xdotool keyup q
held_end=$(stat -c %s "$work/audio.raw")
sleep 1.5
end_desk
grep -q '"Keys"="QWERTZUIASDFGHJK"' "$XDG_CONFIG_HOME/brevora/settings.reg" ||
  { echo "the settings were not written"; exit 1; }
[ ! -e "$XDG_RUNTIME_DIR/brevora.lock" ] || { echo "the lock file was left behind"; exit 1; }

# The audio: 22050 frames per second, 8-bit unsigned stereo (the format of a
# desk without stored settings). The tone must fill the time the key was
# held and be absent before it.
python3 "$here/tone_desk.py" check "$work/audio.raw" "$rate" "$tone" "$start" "$held_end"
echo "the desk played the held channel's tone"
