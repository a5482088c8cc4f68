#!/usr/bin/env python3
"""A desk whose first channel plays a pure tone, and the search for that tone
in the audio SDL's disk driver wrote.

  tone_desk.py make WORK RATE TONE
      writes WORK/tone.wav (one second), WORK/tone.chn (a loop of two beats,
      so that the tone sounds without a gap while the channel plays) and
      WORK/e2e.mix
  tone_desk.py check RAW RATE TONE START HELD_END [END [FROM]]
      RAW is 8-bit unsigned stereo at RATE; START and HELD_END are its sizes
      when the channel was pressed and released (END when the check ended).
      The tone must fill the time it was held, be absent before (from FROM
      on, the start of RAW without it), and with END be absent again from
      300 ms after the release.
"""
import math
import struct
import sys


def make(work, rate, tone):
    frames = rate
    data = b"".join(struct.pack("<h", int(12000 * math.sin(2 * math.pi * tone * i / rate)))
                    for i in range(frames))
    with open(f"{work}/tone.wav", "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
                struct.pack("<IHHIIHH", 16, 1, 1, rate, rate * 2, 2, 16) + b"data" +
                struct.pack("<I", len(data)) + data)
    rel = work.lstrip("/").replace("/", "\\")
    with open(f"{work}/tone.chn", "w", newline="") as f:
        f.write("[Brevora Channel]\r\nVersion=3\r\nQuantize=0.000\r\nLoop=2.000\r\n"
                "Delay=0.000\r\nVolume=100\r\nBalance=0\r\nPitch= 0.0\r\nSnd=" + rel +
                "\\tone.wav\r\n")
    lines = ["[Brevora Mix]", "Author=e2e", "Version=3", "BPM=130", "Length=0"]
    for i in range(1, 17):
        lines += [f"Label_{i:02d}=", f"SerNum_{i:02d}=",
                  f"Sample_{i:02d}=" + (rel + "\\tone.chn" if i == 1 else "")]
    with open(f"{work}/e2e.mix", "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def check(path, rate, tone, start, held_end, end=None, since=0):
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
    print(f"{len(raw)} bytes of audio, {len(windows)} windows of 50 ms; held in windows "
          f"{first} to {last}; tone in {len(toned)} windows")
    before = [i for i in toned if since // 2 // win <= i < first - 4]
    during = [i for i in toned if first <= i <= last + 2]
    if before:
        sys.exit(f"the tone sounded before the channel was pressed: windows {before[:10]}")
    if len(during) < 10:
        sys.exit(f"the tone did not fill the time the channel was held: windows {toned[:40]}")
    if end is not None:
        after = [i for i in toned if last + 6 <= i <= end // 2 // win]
        if after:
            sys.exit(f"the tone went on after the release: windows {after[:10]}")


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif len(sys.argv) >= 7 and sys.argv[1] == "check":
        numbers = [int(a) for a in sys.argv[3:]]
        check(sys.argv[2], *numbers)
    else:
        sys.exit(__doc__)
