#!/usr/bin/env bash
# The real desk on a virtual X display saves and exports a performance: a
# channel is loaded from a mix, a short performance is recorded from the
# keyboard, the mix menu saves it, loads it back and exports it through the
# file dialogs,
# and the exported wave must equal, byte for byte, what brevora-render makes
# of the saved mix. Screenshots of the export panel and the save dialog are
# left in OUT.
#
#   desk_save_export_e2e.sh STAGE_DIR OUT_DIR
#
# Exits 77 (skipped) when Xvfb or another tool of the check is missing.
set -euo pipefail
stage=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
source "$(dirname "$0")/../../scripts/e2e-session.sh" save 92 python3 cmp

# A channel with a short tone and a mix that names it, on drive Z:.
python3 - "$work" <<'PY'
import math, struct, sys
work = sys.argv[1]
rate = 22050
data = b"".join(struct.pack("<hh", int(9000 * math.sin(2 * math.pi * 440 * i / rate)),
                            int(6000 * math.sin(2 * math.pi * 660 * i / rate)))
                for i in range(rate // 2))
with open(f"{work}/tone.wav", "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 2, rate, rate * 4, 4, 16) + b"data" +
            struct.pack("<I", len(data)) + data)
rel = work.lstrip("/").replace("/", "\\")
with open(f"{work}/tone.chn", "w", newline="") as f:
    f.write("[Brevora Channel]\r\nVersion=3\r\nQuantize=0.250\r\nLoop=2.000\r\nDelay=0.000\r\n"
            "Volume=90\r\nBalance=-20\r\nPitch= 0.0\r\nSnd=" + rel + "\\tone.wav\r\n")
lines = ["[Brevora Mix]", "Author=e2e", "Version=3", "BPM=130", "Length=0"]
for i in range(1, 17):
    lines += [f"Label_{i:02d}=", f"SerNum_{i:02d}=",
              f"Sample_{i:02d}=" + (rel + "\\tone.chn" if i == 1 else "")]
with open(f"{work}/start.mix", "w", newline="") as f:
    f.write("\r\n".join(lines) + "\r\n")
PY
deskdir="Z:$(echo "$work" | tr / '\\')"

start_desk "$work/start.mix"
at() { xdotool mousemove --window "$window" "$1" "$2"; sleep 0.2; }
# Chooses item N of the mix menu: press on its arrow, move onto the item,
# release there.
mix_item() {
  at 430 498
  xdotool mousedown 1
  sleep 0.2
  at 480 $((507 + 2 + 16 * $1 + 8))
  xdotool mouseup 1
}
# Types a name into the open file dialog over what its field holds.
type_name() {
  xdotool key End
  for _ in $(seq 40); do xdotool key BackSpace; done
  xdotool type --delay 30 "$1"
  sleep 0.3
}

# The performance: Enter starts the recording after its count-in, Q plays
# the channel for a while, Enter stops.
xdotool key Return
sleep 3
xdotool keydown q
sleep 1.2
xdotool keyup q
sleep 0.6
xdotool key Return
sleep 1

# SAVE MIX.
mix_item 2
sleep 3
type_name "$deskdir\\take"
shot dialog
xdotool key Return
sleep 3
[ -s "$work/take.mix" ] || { echo "the mix was not saved"; cat "$work/desk.err"; exit 1; }

# LOAD MIX: the saved mix back, so that the desk holds what the renderer
# reads (a mix file keeps its length in whole seconds).
mix_item 1
sleep 3
type_name "$deskdir\\take.mix"
xdotool key Return
sleep 4

# EXPORT MIX: the panel, its OK, then the wave dialog.
mix_item 3
sleep 3
shot panel
at 376 353
xdotool click 1
sleep 3
type_name "$deskdir\\take"
xdotool key Return
for _ in $(seq 100); do [ -s "$work/take.wav" ] && break; sleep 0.1; done
sleep 3

end_desk

[ -s "$work/take.wav" ] || { echo "the mix was not exported"; cat "$work/desk.err"; exit 1; }
grep -q "Time" "$work/take.mix" || { echo "the saved mix holds no performance"; exit 1; }
# The exported file's format, for the renderer's command line.
read -r rate bits channels < <(python3 - "$work/take.wav" <<'PY'
import struct, sys
h = open(sys.argv[1], "rb").read(44)
channels, rate = struct.unpack("<HI", h[22:28])
bits, = struct.unpack("<H", h[34:36])
print(rate, bits, channels)
PY
)
"$stage/brevora-render" --quiet --rate="$rate" --bits="$bits" --channels="$channels" \
  "$work/take.mix" "$work/rendered.wav"
cmp "$work/take.wav" "$work/rendered.wav" ||
  { echo "the desk's export differs from the renderer's"; ls -l "$work"; exit 1; }
echo "the desk saved and exported the performance: $(stat -c %s "$work/take.wav") bytes at $rate Hz, $bits bits, $channels channels, equal to the renderer's"
