#!/usr/bin/env bash
# The real desk played from a pad: a JACK server on its dummy driver (no
# sound card), brevora in a window on a virtual X display with its MIDI port
# on JACK and SDL's disk audio driver, and a pad that appears after the desk
# (a client whose port is marked as hardware, so the desk connects it
# itself). The pad plays note 36, channel 1's tone must fill the time the
# note is held, and its note off must stop it; then the pedal latches the
# channel past the note off and "all notes off" stops it. Screenshots are
# left in OUT.
#
#   midi_e2e.sh STAGE_DIR JACK_SEND OUT_DIR
#
# Exits 77 (skipped) when jackd, Xvfb or another tool of the check is missing.
set -euo pipefail
stage=$(cd "$1" && pwd)
sender=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
source "$here/../../scripts/e2e-session.sh" midi-e2e 95 jackd jack_lsp python3

# A JACK server of this run's own; nothing may start another one. Long
# periods: a client the loaded machine holds up past a period misses that
# cycle's MIDI.
export JACK_DEFAULT_SERVER="brevora-e2e-$$" JACK_NO_START_SERVER=1 JACK_NO_AUDIO_RESERVATION=1
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 2048 >"$work/jackd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
jack_lsp >/dev/null 2>&1 || { echo "the JACK server did not start"; cat "$work/jackd.log"; exit 1; }

rate=22050
tone=2750
python3 "$here/tone_desk.py" make "$work" "$rate" "$tone"

start_desk --midi jack "$work/e2e.mix"
if ! jack_lsp | grep -qx 'Brevora:Brevora'; then
  echo "the desk's port did not appear on the JACK server"; jack_lsp; cat "$work/desk.err"; exit 1
fi

# The pad, plugged in while the desk runs.
coproc PAD { exec "$sender" e2e-pad --physical; }
pids+=($PAD_PID)
pad() {
  local reply=""
  echo "$*" >&"${PAD[1]}"
  read -r -t 30 reply <&"${PAD[0]}" || true
  [ "$reply" = ok ] || { echo "the pad answered '$reply' to '$*'"; cat "$work/desk.err"; exit 1; }
}
pad connected Brevora:Brevora 10000

shot midi-desk
start=$(stat -c %s "$work/audio.raw")
pad on 36
sleep 1.5
shot midi-held
# The release counts from when the pad has sent it: on a loaded machine the
# sizes of the audio written before and after it can lie far apart.
pad off 36
held_end=$(stat -c %s "$work/audio.raw")
sleep 1.5
end=$(stat -c %s "$work/audio.raw")
# The pedal latches the channel held by the pad: it plays on after the note
# off, until "all notes off" releases it.
latch_start=$(stat -c %s "$work/audio.raw")
pad on 36
pad cc 64 127
pad off 36
pad cc 64 0
sleep 1.5
shot midi-latched
pad cc 123 0
latch_end=$(stat -c %s "$work/audio.raw")
sleep 1.5
latch_after=$(stat -c %s "$work/audio.raw")
end_desk
settings="$XDG_CONFIG_HOME/brevora/settings.reg"
grep -q '"MidiSystem"="jack"' "$settings" || { echo "--midi jack was not kept"; exit 1; }
grep -q '"MidiNotes"="36 37 38 39 40 41 42 43 44 45 46 47 48 49 50 51"' "$settings" ||
  { echo "the note map was not written"; exit 1; }

python3 "$here/tone_desk.py" check "$work/audio.raw" "$rate" "$tone" "$start" "$held_end" "$end"
echo "the pad played channel 1's tone while note 36 was held, and its note off stopped it"
python3 "$here/tone_desk.py" check "$work/audio.raw" "$rate" "$tone" "$latch_start" "$latch_end" \
  "$latch_after" "$end"
echo "the pedal latched channel 1 past its note off, and all notes off released it"
