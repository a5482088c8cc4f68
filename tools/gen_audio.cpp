// Synthesises the desk's own sounds and its demo set.
//
//   gen_audio DATA_DIR MIXES_DIR
//
// DATA_DIR receives click, slide, switch, panel, metronome, door_open,
// door_close, intro and extro (.wav). MIXES_DIR receives "you bv feel.mix"
// and the folder "you bv feel" with its channel files and loops: a track in
// A minor at 130 beats per minute, every loop an exact number of beats at
// 44100 Hz as the desk counts them (trunc(44100 * 60 / 130) frames a beat).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/synth.h"

namespace {

using namespace synth;

constexpr int kTempo = 130;
constexpr uint32_t kSpb = uint32_t(kRate * 60.0 / kTempo);  // 20353 frames a beat
constexpr double kBeatSec = double(kSpb) / kRate;

// Frames of x beats, as the desk computes a length.
uint32_t Beats(double x) {
  return uint32_t(double(kSpb) * x);
}
size_t At(double beat) {
  return size_t(std::floor(beat * kSpb));
}

// ---- drums ----
// Each hit is drawn on its own and scaled to its peak level before it joins
// the loop, so that the balance of the kit does not depend on the noise.
struct Hit {
  Stereo s;
  explicit Hit(size_t frames) : s(frames) {}
  void Done(Stereo& o, size_t at, double peak) {
    // Fade the last 10 ms so that a cut tail cannot click.
    const size_t fade = std::min<size_t>(441, s.size());
    for (size_t i = 0; i < fade; ++i) {
      float g = float(i) / float(fade);
      s.l[s.size() - 1 - i] *= g;
      s.r[s.size() - 1 - i] *= g;
    }
    s.Normalise(peak);
    o.Mix(s, at);
  }
};

void Kick(Stereo& o, size_t at, double vel) {
  Osc osc;
  Noise n(7);
  Svf hp;
  const size_t len = size_t(0.8 * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double f = 47 + 115 * std::exp(-t / 0.028) + 260 * std::exp(-t / 0.0035);
    double body = osc.Sine(f) * (std::exp(-t / 0.3) * std::min(1.0, t / 0.0015));
    double click = hp.High(n.Next(), 2500) * std::exp(-t / 0.002) * 0.5;
    h.s.Add(i, Soft(1.7 * (body + click)) * vel * 0.9);
  }
  h.Done(o, at, vel * 0.95);
}

void Snare(Stereo& o, size_t at, double vel, double pan = 0.0) {
  Osc a, b;
  Noise n(11);
  Svf bp, hp;
  const size_t len = size_t(0.35 * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double tone = (0.65 * a.Sine(188 * (1 + 0.3 * std::exp(-t / 0.01))) + 0.3 * b.Sine(333)) *
                  std::exp(-t / 0.06);
    double x = n.Next();
    double noise = (0.8 * bp.Band(x, 3800, 0.6) + 0.5 * hp.High(x, 1500)) * std::exp(-t / 0.15);
    h.s.Add(i, Soft(1.3 * (0.75 * tone + 0.9 * noise)) * vel * 0.8, pan);
  }
  h.Done(o, at, vel * 0.5);
}

void Clap(Stereo& o, size_t at, double vel, double pan = 0.0) {
  Noise n(13);
  Svf bp, hp;
  const size_t len = size_t(0.4 * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double env = 0;
    for (int k = 0; k < 3; ++k) {
      double tk = t - k * 0.0105;
      if (tk >= 0) env += std::exp(-tk / 0.0045);
    }
    if (t > 0.031) env += 0.85 * std::exp(-(t - 0.031) / 0.11);
    double x = hp.High(bp.Band(n.Next(), 1350, 1.3), 700);
    h.s.Add(i, x * env * vel * 1.6, pan);
  }
  h.Done(o, at, vel * 0.42);
}

void Hat(Stereo& o, size_t at, double vel, bool open, double pan) {
  static const double freqs[6] = {263, 400, 421, 474, 587, 845};
  Osc osc[6];
  Noise n(17);
  Svf hp, bp;
  const double decay = open ? 0.26 : 0.035;
  const size_t len = size_t((open ? 0.9 : 0.16) * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double m = 0;
    for (int k = 0; k < 6; ++k) m += osc[k].Square(freqs[k] * 1.75);
    double x = m * 0.12 + n.Next() * 0.35;
    double y = bp.Band(hp.High(x, 7200, 0.8), 10500, 0.7);
    h.s.Add(i, y * std::exp(-t / decay) * std::min(1.0, t / 0.0008) * vel * 1.8, pan);
  }
  h.Done(o, at, vel * (open ? 0.2 : 0.24));
}

void Shaker(Stereo& o, size_t at, double vel, double pan) {
  Noise n(19);
  Svf bp;
  const size_t len = size_t(0.12 * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double env = std::min(1.0, t / 0.012) * std::exp(-t / 0.035);
    h.s.Add(i, bp.Band(n.Next(), 6500, 1.2) * env * vel * 0.9, pan);
  }
  h.Done(o, at, vel * 0.16);
}

void Tom(Stereo& o, size_t at, double midi, double vel, double pan) {
  Osc osc;
  Noise n(23);
  Svf bp;
  const size_t len = size_t(0.5 * kRate);
  Hit h(len);
  const double hz = MidiHz(midi);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double v = osc.Sine(hz * (1 + 0.45 * std::exp(-t / 0.035))) * std::exp(-t / 0.2);
    v += bp.Band(n.Next(), hz * 3, 2) * std::exp(-t / 0.015) * 0.3;
    h.s.Add(i, Soft(1.4 * v) * vel * 0.75, pan);
  }
  h.Done(o, at, vel * 0.45);
}

void Rim(Stereo& o, size_t at, double vel, double pan) {
  Osc a, b;
  Noise n(29);
  Svf bp;
  const size_t len = size_t(0.08 * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double v = (0.6 * a.Sine(1720) + 0.35 * b.Sine(520)) * std::exp(-t / 0.011) +
               bp.Band(n.Next(), 3200, 1.5) * std::exp(-t / 0.004);
    h.s.Add(i, v * vel * 0.8, pan);
  }
  h.Done(o, at, vel * 0.3);
}

void Crash(Stereo& o, size_t at, double vel, double seconds = 2.6) {
  static const double freqs[6] = {340, 511, 567, 681, 793, 1027};
  Osc osc[6];
  Noise nl(31), nr(37);
  Svf hl, hr, bl, br;
  const size_t len = size_t(seconds * kRate);
  Hit h(len);
  for (size_t i = 0; i < len; ++i) {
    double t = double(i) / kRate;
    double m = 0;
    for (int k = 0; k < 6; ++k) m += osc[k].Square(freqs[k] * 2.2);
    double env = std::exp(-t / 0.9) * std::min(1.0, t / 0.002);
    double l = hl.High(nl.Next() * 0.6 + m * 0.08, 4200) + bl.Band(nl.Next(), 9000, 0.8) * 0.4;
    double r = hr.High(nr.Next() * 0.6 + m * 0.08, 4200) + br.Band(nr.Next(), 9000, 0.8) * 0.4;
    {
      h.s.l[i] += float(l * env * vel * 0.6);
      h.s.r[i] += float(r * env * vel * 0.6);
    }
  }
  h.Done(o, at, vel * 0.4);
}

// ---- pitched voices ----
void BassNote(Stereo& o, size_t at, double len, double midi, double vel, double bright) {
  Osc a, b;
  Svf f, dc;
  const double hz = MidiHz(midi);
  const size_t n = size_t((len + 0.06) * kRate);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kRate;
    double env = Adsr(t, len, 0.003, 0.15, 0.7, 0.018);
    double fc = (170 + 1500 * bright * std::exp(-t / 0.075)) * (1 + 0.3 * bright);
    double x = 0.62 * a.Saw(hz) + 0.55 * b.Square(hz / 2);
    double y = f.Low(x, fc, 1.3);
    // Short notes of a low sub-octave leave a slow offset: keep it out.
    o.Add(at + i, dc.High(Soft(1.8 * y) * env, 28) * vel * 0.7);
  }
}

void Pluck(Stereo& o, size_t at, double len, double midi, double vel, double pan) {
  Osc a, b;
  Svf f, dc;
  const double hz = MidiHz(midi);
  const size_t n = size_t((len + 0.35) * kRate);
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kRate;
    double env = std::min(1.0, t / 0.002) * std::exp(-t / 0.2);
    if (t > len) env *= std::exp(-(t - len) / 0.06);
    double x = 0.5 * (a.Square(hz, 0.3) + 0.4) + 0.4 * b.Saw(hz * 1.004);  // no DC
    double y = dc.High(f.Low(x, 450 + 4800 * std::exp(-t / 0.08), 1.1), 90);
    o.Add(at + i, y * env * vel * 0.6, pan);
  }
}

// A chord of detuned saws (seven voices a note) through a low-pass filter.
void SawChord(Stereo& o, size_t at, double len, const std::vector<double>& notes, double vel,
              double attack, double release, std::function<double(double)> cutoff, uint32_t seed) {
  static const double cents[7] = {-19, -12, -5, 0, 5, 12, 19};
  const size_t n = size_t((len + release * 4) * kRate);
  Stereo tmp(n);
  Noise rnd(seed);
  for (double note : notes) {
    for (int v = 0; v < 7; ++v) {
      Osc osc;
      osc.phase = (rnd.Next() + 1) / 2;
      double hz = MidiHz(note + cents[v] / 100.0);
      double pan = (v - 3) / 3.0 * 0.8;
      for (size_t i = 0; i < n; ++i) tmp.Add(i, osc.Saw(hz) * 0.16, pan);
    }
  }
  Svf fl, fr;
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kRate;
    double env = Adsr(t, len, attack, 0.3, 0.85, release);
    double fc = cutoff(t);
    double l = fl.Low(tmp.l[i], fc, 0.9), r = fr.Low(tmp.r[i], fc, 0.9);
    if (at + i < o.size()) {
      o.l[at + i] += float(l * env * vel);
      o.r[at + i] += float(r * env * vel);
    }
  }
}

struct Note {
  double beat, len, midi, vel;
};

// A monophonic lead with glide and delayed vibrato.
void Lead(Stereo& o, const std::vector<Note>& notes, double offsetBeats) {
  Osc a, b, c;
  Svf f;
  double hz = MidiHz(notes.front().midi);
  for (size_t k = 0; k < notes.size(); ++k) {
    const Note& nt = notes[k];
    size_t at = At(nt.beat + offsetBeats);
    double len = nt.len * kBeatSec * 0.92;
    double target = MidiHz(nt.midi);
    size_t n = size_t((len + 0.3) * kRate);  // the release dies away in full
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / kRate;
      if (t < len) hz += (target - hz) * 0.0016;  // about 15 ms of glide
      double vib = std::pow(
          2.0, 0.22 / 12 * std::sin(2 * kPi * 5.6 * t) * std::clamp((t - 0.22) / 0.3, 0.0, 1.0));
      double h = hz * vib;
      double x = 0.45 * a.Saw(h * 1.0046) + 0.45 * b.Saw(h * 0.9954) + 0.25 * c.Square(h / 2);
      double env = Adsr(t, len, 0.006, 0.25, 0.8, 0.05);
      double y = f.Low(x, 900 + 3600 * std::exp(-t / 0.22) + 400 * env, 0.9);
      o.Add(at + i, y * env * nt.vel * 0.55);
    }
  }
}

// ---- the track ----
// Chords of the four bars: A minor, F, C, G.
const double kRoots[4] = {33, 29, 36, 31};  // A1 F1 C2 G1
const std::vector<std::vector<double>> kPadChords = {
    {57, 60, 64, 69}, {57, 60, 65, 69}, {55, 60, 64, 67}, {55, 59, 62, 67}};
const std::vector<std::vector<double>> kArpTones = {
    {69, 72, 76, 81}, {69, 72, 77, 81}, {67, 72, 76, 79}, {67, 71, 74, 79}};

// Renders a loop of `beats` beats whose pattern is played twice, keeping the
// second pass, so that echoes and reverb tails wrap around the loop point.
Stereo Looped(double beats, const std::function<void(Stereo&, double)>& pattern,
              const std::function<void(Stereo&)>& effects = nullptr) {
  const size_t len = Beats(beats);
  Stereo two(len * 2 + Beats(1));
  pattern(two, 0);
  pattern(two, beats);
  if (effects) effects(two);
  Stereo out(len);
  for (size_t i = 0; i < len; ++i) {
    out.l[i] = two.l[len + i];
    out.r[i] = two.r[len + i];
  }
  return out;
}

// Sidechain-style ducking on every beat, as if the kick pushed the sound
// down: the loop starts on a beat, so its beats fall on the desk's grid.
Stereo Ducked(Stereo s, double depth, double release = 0.11) {
  for (size_t i = 0; i < s.size(); ++i) {
    double since = double(i % kSpb) / kRate;
    double attack = std::min(1.0, since / 0.01);  // a short slope, no click
    double g = 1 - depth * attack * std::exp(-std::max(0.0, since - 0.01) / release);
    s.l[i] = float(s.l[i] * g);
    s.r[i] = float(s.r[i] * g);
  }
  return s;
}

// A one-shot of exactly `beats` beats (no wrap).
Stereo OneShot(double beats, const std::function<void(Stereo&)>& render) {
  Stereo s(Beats(beats));
  render(s);
  return s;
}

const double kDelayDotted = 0.75 * kBeatSec;

Stereo BeatMain() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        for (int b = 0; b < 4; ++b) Kick(s, At(o + b), 1.0);
        for (int b : {1, 3}) {
          Snare(s, At(o + b), 0.75);
          Clap(s, At(o + b) + 180, 0.7, 0.1);
        }
        Kick(s, At(o + 3.75), 0.35);
      },
      [](Stereo& s) { Reverb(s, 0.55, 0.45, 0.2, 350); });
}

Stereo BeatFill() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        Kick(s, At(o), 1.0);
        Kick(s, At(o + 1), 1.0);
        Snare(s, At(o + 1), 0.7);
        Kick(s, At(o + 2), 1.0);
        Kick(s, At(o + 2.5), 0.8);
        const double roll[] = {3, 3.25, 3.5, 3.625, 3.75, 3.875};
        for (size_t i = 0; i < 6; ++i)
          Snare(s, At(o + roll[i]), 0.45 + 0.1 * double(i), 0.3 - 0.1 * double(i));
        Clap(s, At(o + 2), 0.6);
      },
      [](Stereo& s) { Reverb(s, 0.6, 0.45, 0.25, 350); });
}

Stereo TopMain() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        for (int st = 0; st < 16; ++st) {
          double b = o + st * 0.25;
          if (st % 4 == 2)
            Hat(s, At(b), 0.8, true, 0.25);
          else
            Hat(s, At(b), st % 2 ? 0.32 : 0.45, false, 0.15);
          Shaker(s, At(b) + (st % 2 ? 900 : 0), st % 4 == 0 ? 0.55 : 0.35, -0.4);
        }
      },
      [](Stereo& s) { Reverb(s, 0.5, 0.5, 0.2, 2000); });
}

Stereo TopAlt() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        const double acc[4] = {0.55, 0.3, 0.85, 0.35};
        for (int st = 0; st < 16; ++st) {
          Hat(s, At(o + st * 0.25), acc[st % 4], false, st % 2 ? 0.35 : -0.2);
          if (st == 6 || st == 14) Hat(s, At(o + st * 0.25), 0.6, true, 0.4);
        }
        Crash(s, At(o), 0.22, 1.5);
      },
      [](Stereo& s) { Reverb(s, 0.5, 0.5, 0.2, 2000); });
}

Stereo PercMain() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        Rim(s, At(o + 0.75), 0.6, 0.35);
        Rim(s, At(o + 2.5), 0.5, 0.35);
        Tom(s, At(o + 1.5), 62, 0.6, -0.3);
        Tom(s, At(o + 2.75), 57, 0.55, -0.45);
        Tom(s, At(o + 3.5), 64, 0.5, -0.2);
        Clap(s, At(o + 3.75), 0.35, 0.5);
      },
      [](Stereo& s) {
        PingPong(s, kDelayDotted, 0.3, 0.2, 3500);
        Reverb(s, 0.7, 0.4, 0.35, 300);
      });
}

Stereo PercAlt() {
  return Looped(
      4,
      [](Stereo& s, double o) {
        const double hits[] = {0.5, 1.0, 1.75, 2.25, 2.5, 3.0, 3.25, 3.5, 3.75};
        const double notes[] = {64, 62, 64, 57, 59, 55, 57, 52, 50};
        for (size_t i = 0; i < 9; ++i)
          Tom(s, At(o + hits[i]), notes[i], 0.55, -0.6 + 0.15 * double(i));
        Rim(s, At(o + 0.25), 0.5, 0.4);
      },
      [](Stereo& s) { Reverb(s, 0.7, 0.4, 0.35, 300); });
}

Stereo BassLoop(bool rolling) {
  return Looped(16, [rolling](Stereo& s, double o) {
    for (int bar = 0; bar < 4; ++bar) {
      double r = kRoots[bar];
      for (int st = 0; st < 16; ++st) {
        double b = o + bar * 4 + st * 0.25;
        if (rolling) {
          double note = (st % 4 == 3) ? r + 12 : (st % 8 == 6 ? r + 7 : r);
          BassNote(s, At(b), 0.18 * kBeatSec * 4 * 0.25, note, st % 4 == 2 ? 1.0 : 0.7, 0.9);
        } else {
          static const int steps[] = {2, 3, 6, 7, 10, 11, 14, 15};
          bool hit = std::find(std::begin(steps), std::end(steps), st) != std::end(steps);
          if (!hit) continue;
          double note = st % 4 == 3 ? r + 12 : r;
          if (st == 15 && bar == 3) note = r + 2;  // a passing note back to A
          BassNote(s, At(b), st % 4 == 2 ? 0.2 : 0.12, note, st % 4 == 2 ? 1.0 : 0.6, 0.7);
        }
      }
    }
  });
}

Stereo ChordStabs(bool syncopated) {
  return Looped(
      16,
      [syncopated](Stereo& s, double o) {
        for (int bar = 0; bar < 4; ++bar) {
          std::vector<double> chord = kPadChords[size_t(bar)];
          for (double& n : chord) n += 12;
          std::vector<double> hits;
          if (syncopated)
            hits = {0, 0.75, 1.5, 2.5, 3.0};
          else
            hits = {0.5, 1.5, 2.5, 3.5};
          for (double h : hits)
            SawChord(
                s, At(o + bar * 4 + h), 0.2 * kBeatSec * 2, chord, 0.5, 0.004, 0.08,
                [](double t) { return 700 + 4200 * std::exp(-t / 0.09); }, uint32_t(bar * 7 + 1));
        }
      },
      [](Stereo& s) {
        PingPong(s, kDelayDotted, 0.33, 0.22, 3000);
        Reverb(s, 0.8, 0.4, 0.5);
      });
}

Stereo Pad() {
  return Looped(
      16,
      [](Stereo& s, double o) {
        for (int bar = 0; bar < 4; ++bar)
          SawChord(
              s, At(o + bar * 4), 4 * kBeatSec - 0.15, kPadChords[size_t(bar)], 0.55, 0.35, 0.5,
              [](double t) { return 1200 + 700 * std::sin(t * 1.3); }, uint32_t(bar + 50));
      },
      [](Stereo& s) { Reverb(s, 0.88, 0.4, 1.2); });
}

const std::vector<Note> kMelody = {
    {0, 0.75, 76, 1},      {0.75, 0.75, 72, 0.8}, {1.5, 0.5, 74, 0.85}, {2, 1, 76, 1},
    {3, 0.5, 79, 0.9},     {3.5, 0.5, 76, 0.8},   {4, 0.75, 77, 1},     {4.75, 0.75, 76, 0.8},
    {5.5, 0.5, 72, 0.8},   {6, 1.5, 69, 1},       {7.5, 0.5, 72, 0.8},  {8, 0.75, 76, 1},
    {8.75, 0.75, 72, 0.8}, {9.5, 0.5, 74, 0.85},  {10, 1, 76, 1},       {11, 0.5, 79, 0.9},
    {11.5, 0.5, 81, 0.9},  {12, 1, 79, 1},        {13, 0.5, 76, 0.8},   {13.5, 0.5, 74, 0.8},
    {14, 1.75, 74, 0.95}};
const std::vector<Note> kMelodyAlt = {{0, 1.5, 81, 1}, {1.5, 0.5, 79, 0.8}, {2, 2, 76, 0.9},
                                      {4, 1.5, 77, 1}, {5.5, 0.5, 76, 0.8}, {6, 2, 72, 0.9},
                                      {8, 1.5, 79, 1}, {9.5, 0.5, 81, 0.8}, {10, 2, 84, 0.95},
                                      {12, 1, 83, 1},  {13, 1, 81, 0.85},   {14, 1.75, 79, 0.9}};

Stereo LeadLoop(const std::vector<Note>& notes) {
  return Looped(
      16, [&notes](Stereo& s, double o) { Lead(s, notes, o); },
      [](Stereo& s) {
        PingPong(s, kDelayDotted, 0.35, 0.28, 3500);
        Reverb(s, 0.84, 0.3, 0.7);
      });
}

Stereo Arp(bool high) {
  return Looped(
      16,
      [high](Stereo& s, double o) {
        static const int order[8] = {0, 1, 2, 3, 2, 1, 2, 3};
        for (int bar = 0; bar < 4; ++bar) {
          const auto& tones = kArpTones[size_t(bar)];
          int steps = high ? 8 : 16;
          double step = high ? 0.5 : 0.25;
          for (int st = 0; st < steps; ++st) {
            double note = tones[size_t(order[st % 8])] + (high ? 12 : 0);
            double pan = std::sin(st * 0.7 + bar) * 0.5;
            Pluck(s, At(o + bar * 4 + st * step), step * kBeatSec * 0.8, note,
                  st % 4 == 0 ? 0.9 : 0.65, pan);
          }
        }
      },
      [](Stereo& s) {
        PingPong(s, kDelayDotted, 0.45, 0.35, 2800);
        Reverb(s, 0.8, 0.4, 0.6);
      });
}

Stereo Riser() {
  return OneShot(16, [](Stereo& s) {
    Noise nl(41), nr(43);
    Svf fl, fr;
    Osc osc;
    const double total = double(s.size()) / kRate;
    for (size_t i = 0; i < s.size(); ++i) {
      double t = double(i) / kRate, u = t / total;
      double fc = 250 * std::pow(9000.0 / 250, std::pow(u, 1.4));
      double amp = u * u * std::min(1.0, (total - t) / 0.01);
      double tone = osc.Sine(180 * std::pow(6.0, u)) * 0.12 * u;
      s.l[i] += float((fl.Band(nl.Next(), fc, 2.2) * 0.9 + tone) * amp);
      s.r[i] += float((fr.Band(nr.Next(), fc * 1.03, 2.2) * 0.9 + tone) * amp);
    }
    Reverb(s, 0.85, 0.3, 0.8);
    for (size_t i = s.size() - 400; i < s.size(); ++i) {  // no click at the cut
      double g = double(s.size() - i) / 400;
      s.l[i] = float(s.l[i] * g);
      s.r[i] = float(s.r[i] * g);
    }
  });
}

Stereo Impact() {
  return OneShot(16, [](Stereo& s) {
    Osc osc;
    for (size_t i = 0; i < size_t(5.5 * kRate); ++i) {
      double t = double(i) / kRate;
      double v = osc.Sine(33 + 40 * std::exp(-t / 0.12)) * std::exp(-t / 0.9);
      s.Add(i, Soft(2.2 * v) * 0.8);
    }
    Kick(s, 0, 1.0);
    Crash(s, 0, 0.9, 4.5);
    Reverb(s, 0.9, 0.25, 1.0);
    for (size_t i = 0; i < s.size(); ++i) {
      double g = std::min(1.0, double(s.size() - i) / (0.5 * kRate));
      s.l[i] = float(s.l[i] * g);
      s.r[i] = float(s.r[i] * g);
    }
  });
}

// ---- the desk's own sounds ----
Stereo Click() {
  Stereo s(size_t(0.03 * kRate));
  Osc a;
  Noise n(3);
  Svf hp;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate;
    s.Add(i, (a.Sine(2600) * 0.6 + hp.High(n.Next(), 4000) * 0.5) * std::exp(-t / 0.0035));
  }
  s.Normalise(0.5);
  return s;
}

Stereo Slide() {
  Stereo s(size_t(0.14 * kRate));
  Noise n(5);
  Svf bp;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate, u = t / 0.14;
    double env = std::sin(kPi * std::min(1.0, u * 1.1)) * (1 - u * 0.3);
    s.Add(i, bp.Band(n.Next(), 1200 + 2800 * u, 1.5) * env, -0.2 + 0.4 * u);
  }
  s.Normalise(0.35);
  return s;
}

Stereo SwitchSound() {
  Stereo s(size_t(0.09 * kRate));
  for (double at : {0.0, 0.034}) {
    Osc a, b;
    Noise n(9);
    Svf bp;
    size_t start = size_t(at * kRate);
    for (size_t i = 0; start + i < s.size(); ++i) {
      double t = double(i) / kRate;
      double f = at == 0 ? 1900 : 1300;
      double v = (a.Sine(f) * 0.5 + bp.Band(n.Next(), f * 1.8, 2) * 0.6) * std::exp(-t / 0.004) +
                 b.Sine(210) * std::exp(-t / 0.012) * 0.4;
      s.Add(start + i, v * (at == 0 ? 1.0 : 0.75));
    }
  }
  s.Normalise(0.45);
  return s;
}

Stereo PanelSound() {  // the transport's motorised change, a little over a second
  const double len = 1.05;
  Stereo s(size_t(len * kRate));
  Noise n(15);
  Svf bp, lp;
  Osc hum, whine;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate;
    double env = std::min(1.0, t / 0.05) * std::min(1.0, (0.95 - t) / 0.08);
    if (t > 0.95) env = 0;
    double ratchet = 0.6 + 0.4 * std::sin(2 * kPi * 38 * t);
    double v = bp.Band(n.Next(), 900 + 300 * std::sin(t * 7), 1.2) * 0.5 * ratchet +
               lp.Low(hum.Saw(96 + 20 * t), 400) * 0.35 + whine.Sine(620 + 180 * t) * 0.06;
    s.Add(i, v * env);
  }
  Stereo thunk(size_t(0.12 * kRate));
  Osc o;
  for (size_t i = 0; i < thunk.size(); ++i) {
    double t = double(i) / kRate;
    thunk.Add(i, o.Sine(120 * (1 + std::exp(-t / 0.01))) * std::exp(-t / 0.03) * 0.9);
  }
  s.Mix(thunk, size_t(0.93 * kRate));
  s.Normalise(0.45);
  return s;
}

Stereo Metronome() {
  Stereo s(size_t(0.08 * kRate));
  Osc a, b, c;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate;
    double v = (a.Sine(1650) * 0.5 + b.Sine(2480) * 0.25) * std::exp(-t / 0.018) +
               c.Sine(820) * std::exp(-t / 0.03) * 0.3;
    s.Add(i, v * std::min(1.0, t / 0.0005));
  }
  s.Normalise(0.5);
  return s;
}

Stereo Door(bool open) {
  const double len = 0.6;
  Stereo s(size_t(len * kRate));
  Noise n(open ? 21 : 22);
  Svf bp, lp;
  Osc rumble;
  for (size_t i = 0; i < s.size(); ++i) {
    double t = double(i) / kRate, u = t / 0.45;
    if (u > 1) break;
    double slats = 0.55 + 0.45 * std::sin(2 * kPi * (open ? 26 : 30) * t);
    double fc = open ? 600 + 1400 * u : 2000 - 1300 * u;
    double env = std::min(1.0, t / 0.03) * std::min(1.0, (1 - u) / 0.1);
    double v = bp.Band(n.Next(), fc, 1.0) * slats * 0.7 +
               lp.Low(rumble.Saw(55 + (open ? 20 : -10) * u), 300) * 0.35;
    s.Add(i, v * env, open ? -0.3 + 0.6 * u : 0.3 - 0.6 * u);
  }
  Stereo end(size_t(0.15 * kRate));
  Osc o;
  Noise m(24);
  Svf h;
  for (size_t i = 0; i < end.size(); ++i) {
    double t = double(i) / kRate;
    end.Add(i, o.Sine((open ? 180 : 95) * (1 + 0.8 * std::exp(-t / 0.008))) * std::exp(-t / 0.04) +
                   h.High(m.Next(), 2500) * std::exp(-t / 0.006) * 0.5);
  }
  s.Mix(end, size_t(0.44 * kRate), open ? 0.6 : 1.0);
  Reverb(s, 0.6, 0.5, 0.3);
  s.Normalise(0.5);
  return s;
}

// A short jingle: a rising arpeggio landing on a bright chord.
Stereo Intro() {
  Stereo s(size_t(1.8 * kRate));
  const double notes[] = {69, 72, 76, 81, 84};
  for (int i = 0; i < 5; ++i)
    Pluck(s, size_t((0.0 + i * 0.085) * kRate), 0.3, notes[i], 0.8, -0.4 + 0.2 * i);
  SawChord(
      s, size_t(0.43 * kRate), 0.7, {60, 64, 67, 71, 74}, 0.55, 0.01, 0.4,
      [](double t) { return 600 + 5000 * std::exp(-t / 0.25); }, 77);
  Pluck(s, size_t(0.43 * kRate), 0.9, 88, 0.5, 0.3);
  PingPong(s, 0.17, 0.3, 0.25);
  Reverb(s, 0.85, 0.3, 0.8);
  for (size_t i = s.size() - 4410; i < s.size(); ++i) {
    float g = float(double(s.size() - i) / 4410);
    s.l[i] *= g;
    s.r[i] *= g;
  }
  s.Normalise(0.6);
  return s;
}

// The closing tune, about six seconds: the melody's first phrase, slow, over
// the pad, ending on A major.
Stereo Extro() {
  const double beat = 0.5;
  Stereo s(size_t(6.0 * kRate));
  const std::vector<std::vector<double>> chords = {
      {57, 60, 64}, {57, 60, 65}, {55, 59, 62}, {57, 61, 64, 69}};
  for (int c = 0; c < 4; ++c)
    SawChord(
        s, size_t(c * 2 * beat * kRate), c == 3 ? 1.6 : 2 * beat * 0.98, chords[size_t(c)], 0.45,
        0.15, c == 3 ? 1.2 : 0.3, [](double t) { return 900 + 500 * std::exp(-t / 0.6); },
        uint32_t(90 + c));
  const double mel[][3] = {{0, 1, 76}, {1, 0.5, 72}, {1.5, 0.5, 74}, {2, 1, 77},
                           {3, 1, 76}, {4, 1, 74},   {5, 1, 71},     {6, 3, 73}};
  for (const auto& m : mel) Pluck(s, size_t(m[0] * beat * kRate), m[1] * beat, m[2], 0.8, 0.1);
  for (int i = 0; i < 4; ++i)
    BassNote(s, size_t(i * 2 * beat * kRate), 2 * beat * 0.9, i == 2 ? 31 : (i == 1 ? 29 : 33), 0.6,
             0.4);
  PingPong(s, beat * 0.75, 0.35, 0.25);
  Reverb(s, 0.9, 0.3, 1.0);
  const size_t fade = size_t(1.2 * kRate);
  for (size_t i = s.size() - fade; i < s.size(); ++i) {
    double g = double(s.size() - i) / fade;
    s.l[i] = float(s.l[i] * g * g);
    s.r[i] = float(s.r[i] * g * g);
  }
  s.Normalise(0.6);
  return s;
}

// ---- the demo set ----
struct ChannelDef {
  std::string name;  // file names inside the set's folder
  double quantize, loop, delay;
  int volume, balance;
  std::function<Stereo()> main, effect;
  double peak, effectPeak;
};

const char* const kSet = "you bv feel";

std::string Crlf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

void WriteText(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

// "%3.3f" and "%4.1f", as the desk writes channel parameters.
std::string Fixed3(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%3.3f", v);
  return b;
}
std::string Fixed41(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%4.1f", v);
  return b;
}

// One recorded event: time in milliseconds as the desk writes it.
struct Event {
  uint32_t ms;
  int channel;
  const char* kind;
  int value;
  int order;
};

// The millisecond at which an action at `beat` is recorded: the first whole
// millisecond at or after the beat, so that played back it falls on the beat's
// own grid point and not the one before.
uint32_t MsAt(double beat) {
  uint64_t frame = uint64_t(std::floor(beat * kSpb));
  return uint32_t((frame * 1000 + kRate - 1) / kRate);
}
uint32_t MsBefore(double beat, uint32_t ms) {
  return MsAt(beat) - ms;
}

class Performance {
 public:
  void Add(uint32_t ms, int ch, const char* kind, int value) {
    m_Events.push_back({ms, ch, kind, value, int(m_Events.size())});
  }
  void Play(double beat, int ch) { Add(MsAt(beat), ch, "Play", 0); }
  // Releases the key in the last pass of a loop, letting it ring out to its end.
  void StopAtEnd(double endBeat, int ch) { Add(MsAt(endBeat - 0.5), ch, "Stop", 1); }
  // The effect switch changes just before a grid point, so that the new sound
  // starts on the point from its beginning.
  void Fx(double beat, int ch, bool on) { Add(MsBefore(beat, 12), ch, "Fx", on ? 1 : 0); }
  void Ramp(double from, double to, int ch, const char* kind, double v0, double v1, double step) {
    for (double b = from; b <= to + 1e-9; b += step) {
      double u = (b - from) / (to - from);
      Add(MsAt(b), ch, kind, int(std::lround(v0 + (v1 - v0) * u)));
    }
  }
  std::vector<Event> Sorted() const {
    std::vector<Event> e = m_Events;
    std::stable_sort(e.begin(), e.end(),
                     [](const Event& a, const Event& b) { return a.ms < b.ms; });
    return e;
  }

 private:
  std::vector<Event> m_Events;
};

void WriteDemoSet(const std::string& mixesDir) {
  const std::string folder = mixesDir + "/" + kSet;
  std::vector<ChannelDef> ch = {
      {"drums", 4, 4, 0, 86, 0, BeatMain, BeatFill, 0.62, 0.62},
      {"hats", 4, 4, 0, 70, 0, TopMain, TopAlt, 0.35, 0.35},
      {"bass", 16, 16, 0, 80, 0, [] { return Ducked(BassLoop(false), 0.3); },
       [] { return Ducked(BassLoop(true), 0.4); }, 0.5, 0.5},
      {"chords", 16, 16, 0, 66, 0, [] { return Ducked(ChordStabs(false), 0.3); },
       [] { return Ducked(ChordStabs(true), 0.3); }, 0.4, 0.4},
      {"lead", 16, 16, 0, 70, 0, [] { return LeadLoop(kMelody); },
       [] { return LeadLoop(kMelodyAlt); }, 0.42, 0.42},
      {"arpeggio", 16, 16, 0, 60, 0, [] { return Ducked(Arp(false), 0.25); },
       [] { return Ducked(Arp(true), 0.25); }, 0.33, 0.33},
      {"riser", 16, 16, 0, 72, 0, Riser, Impact, 0.45, 0.6},
      {"percussion", 4, 4, 0, 66, 15, PercMain, PercAlt, 0.38, 0.38},
      {"pad", 16, 16, 0, 64, 0, [] { return Ducked(Pad(), 0.45, 0.16); }, nullptr, 0.35, 0},
  };
  // Loops are levelled so that the whole performance peaks just under full
  // scale on the desk's mix bus.
  const double headroom = 0.85;
  for (const ChannelDef& c : ch) {
    Stereo a = c.main();
    a.Normalise(c.peak * headroom);
    WriteWav(folder + "/" + c.name + ".wav", a);
    if (c.effect) {
      Stereo b = c.effect();
      b.Normalise(c.effectPeak * headroom);
      WriteWav(folder + "/" + c.name + " fx.wav", b);
    }
    std::string rel = std::string("Mixes\\") + kSet + "\\";
    WriteText(
        folder + "/" + c.name + ".chn",
        Crlf({"[Brevora Channel]", "Version=3", "Quantize=" + Fixed3(c.quantize),
              "Loop=" + Fixed3(c.loop), "Delay=" + Fixed3(c.delay),
              "Volume=" + std::to_string(c.volume), "Balance=" + std::to_string(c.balance),
              "Pitch=" + Fixed41(0.0), "Snd_Label=", "Snd_SerNum=0", "Snd=" + rel + c.name + ".wav",
              "SFx_Label=", "SFx_SerNum=0",
              "SFx=" + (c.effect ? rel + c.name + " fx.wav" : std::string()), "Author=User"}));
  }

  // The performance, in beats (a phrase is 16 beats, four bars).
  enum { kBeat, kTop, kBass, kChords, kLead, kArp, kFx, kPerc, kPad };
  Performance p;
  // Intro: the pad swells in under the riser.
  p.Ramp(0, 14, kPad, "Volume", 24, 64, 0.5);
  p.Play(0, kPad);
  p.Play(0, kFx);
  p.StopAtEnd(16, kFx);
  // The groove comes in.
  p.Play(16, kBeat);
  p.Play(16, kBass);
  p.Play(24, kTop);
  p.Play(32, kChords);
  p.Ramp(32, 46, kChords, "Volume", 40, 66, 0.5);
  p.Play(40, kPerc);
  // The tune.
  p.Play(48, kLead);
  p.Play(48, kArp);
  p.Ramp(48, 78, kArp, "Balance", 0, 0, 0.5);  // placeholder values, replaced below
  p.Fx(60, kBeat, true);
  p.Fx(64, kBeat, false);
  p.Fx(64, kLead, true);
  p.Fx(64, kTop, true);
  p.Fx(80, kTop, false);
  // Breakdown: the drums and the bass ring out, the riser builds.
  p.StopAtEnd(80, kBeat);
  p.StopAtEnd(80, kTop);
  p.StopAtEnd(80, kPerc);
  p.StopAtEnd(80, kBass);
  p.Fx(80, kLead, false);
  p.Play(80, kFx);
  p.Ramp(80, 94, kFx, "Pitch", 0, 40, 1);
  p.Ramp(80, 92, kChords, "Volume", 66, 46, 1);
  p.StopAtEnd(96, kFx);
  // The drop: everything back, with the impact.
  p.Add(MsAt(96) - 30, kFx, "Pitch", 0);
  p.Fx(96, kFx, true);
  p.Play(96, kFx);
  p.StopAtEnd(97, kFx);
  p.Play(96, kBeat);
  p.Play(96, kTop);
  p.Play(96, kBass);
  p.Play(96, kPerc);
  p.Ramp(96, 100, kChords, "Volume", 46, 66, 1);
  p.Fx(112, kArp, true);
  p.Fx(112, kLead, true);
  p.Fx(112, kBass, true);
  p.Fx(112, kPerc, true);
  p.Fx(124, kBeat, true);
  p.Fx(128, kBeat, false);
  p.Fx(128, kArp, false);
  p.Fx(128, kLead, false);
  p.Fx(128, kBass, false);
  p.Fx(128, kPerc, false);
  // Outro: the tune leaves, then the drums, the pad fades.
  p.StopAtEnd(144, kLead);
  p.StopAtEnd(144, kChords);
  p.StopAtEnd(152, kPerc);
  p.StopAtEnd(160, kArp);
  p.StopAtEnd(160, kTop);
  p.Ramp(144, 174, kPad, "Volume", 64, 0, 1);
  p.StopAtEnd(176, kBeat);
  p.StopAtEnd(176, kBass);
  p.StopAtEnd(176, kPad);
  const double endBeat = 178;

  // Balance sweeps of the arpeggio while the tune plays.
  std::vector<Event> events = p.Sorted();
  int sweep = 0;
  for (Event& e : events)
    if (e.channel == kArp && std::string(e.kind) == "Balance")
      e.value = int(std::lround(std::sin(sweep++ * 0.35) * 45));

  const uint32_t endMs = MsAt(endBeat);
  std::vector<std::string> lines = {"[Brevora Mix]", "Author=User", "Version=3",
                                    "BPM=" + std::to_string(kTempo),
                                    "Length=" + std::to_string(endMs / 1000)};
  for (int i = 0; i < 16; ++i) {
    char n[8];
    std::snprintf(n, sizeof n, "%02d", i + 1);
    lines.push_back(std::string("Label_") + n + "=");
    lines.push_back(std::string("SerNum_") + n + "=");
    lines.push_back(std::string("Sample_") + n + "=" +
                    (i < int(ch.size())
                         ? std::string("Mixes\\") + kSet + "\\" + ch[size_t(i)].name + ".chn"
                         : std::string()));
  }
  auto line = [](uint32_t ms, int channel, const char* kind, int value) {
    char b[96];
    std::snprintf(b, sizeof b, "Time %08lu Channel %d %s %d", static_cast<unsigned long>(ms),
                  channel, kind, value);
    return std::string(b);
  };
  for (int i = 0; i < 16; ++i) {
    bool loaded = i < int(ch.size());
    lines.push_back(line(0, i, "Volume", loaded ? ch[size_t(i)].volume : 80));
    lines.push_back(line(0, i, "Balance", loaded ? ch[size_t(i)].balance : 0));
    lines.push_back(line(0, i, "Pitch", 0));
  }
  for (const Event& e : events) lines.push_back(line(e.ms, e.channel, e.kind, e.value));
  lines.push_back(line(endMs, 0, "EndMix", 0));
  WriteText(mixesDir + "/" + kSet + ".mix", Crlf(lines));
}

void WriteDeskSounds(const std::string& dataDir) {
  WriteWav(dataDir + "/click.wav", Click());
  WriteWav(dataDir + "/slide.wav", Slide());
  WriteWav(dataDir + "/switch.wav", SwitchSound());
  WriteWav(dataDir + "/panel.wav", PanelSound());
  WriteWav(dataDir + "/metronome.wav", Metronome());
  WriteWav(dataDir + "/door_open.wav", Door(true));
  WriteWav(dataDir + "/door_close.wav", Door(false));
  WriteWav(dataDir + "/intro.wav", Intro());
  WriteWav(dataDir + "/extro.wav", Extro());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_audio DATA_DIR MIXES_DIR\n");
    return 2;
  }
  try {
    WriteDeskSounds(argv[1]);
    WriteDemoSet(argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_audio: %s\n", e.what());
    return 1;
  }
  return 0;
}
