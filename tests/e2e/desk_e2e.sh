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

source "$(dirname "$0")/../../scripts/virtual-display.sh" 91 1024x768

# The tone channel and a mix that names it, on drive Z: (the host root).
rate=22050
tone=2750
python3 - "$work" "$rate" "$tone" <<'PY'
import math, struct, sys
work, rate, tone = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
frames = rate  # one second
data = b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * tone * i / rate)))
                for i in range(frames))
with open(f"{work}/tone.wav", "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" +
            struct.pack("<I", len(data)) + data)
rel = work.lstrip("/").replace("/", "\\")
with open(f"{work}/tone.chn", "w", newline="") as f:
    f.write("[Brevora Channel]\r\nVersion=3\r\nQuantize=0.000\r\nLoop=8.000\r\nDelay=0.000\r\n"
            "Volume=100\r\nBalance=0\r\nPitch= 0.0\r\nSnd=" + rel + "\\tone.wav\r\n")
lines = ["[Brevora Mix]", "Author=e2e", "Version=3", "BPM=130", "Length=0"]
for i in range(1, 17):
    lines += [f"Label_{i:02d}=", f"SerNum_{i:02d}=",
              f"Sample_{i:02d}=" + (rel + "\\tone.chn" if i == 1 else "")]
with open(f"{work}/e2e.mix", "w", newline="") as f:
    f.write("\r\n".join(lines) + "\r\n")
PY

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
python3 - "$work/audio.raw" "$rate" "$tone" "$start" "$held_end" <<'PY'
import math, sys
path, rate, tone, start, held_end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
raw = open(path, "rb").read()
mono = [((raw[i] - 128) + (raw[i + 1] - 128)) / 2 for i in range(0, len(raw) - 1, 2)]
win = rate // 20  # 50 ms
k = 2 * math.cos(2 * math.pi * tone / rate)
def tone_share(chunk):
    s1 = s2 = 0.0
    for x in chunk:
        s1, s2 = x + k * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - k * s1 * s2
    total = sum(x * x for x in chunk) * len(chunk) / 2
    return power / total if total > 1e-9 else 0.0
windows = [tone_share(mono[i:i + win]) for i in range(0, len(mono) - win, win)]
first, last = start // 2 // win, held_end // 2 // win
toned = [i for i, share in enumerate(windows) if share > 0.5]
print(f"{len(raw)} bytes of audio, {len(windows)} windows of 50 ms; key held in windows {first} to {last}; tone in {len(toned)} windows")
before = [i for i in toned if i < first - 4]
during = [i for i in toned if first <= i <= last + 2]
if before:
    sys.exit(f"the tone sounded before the key was pressed: windows {before[:10]}")
if len(during) < 10:
    sys.exit(f"the tone did not fill the time the key was held: windows {toned[:40]}")
PY
echo "the desk played the held channel's tone"
