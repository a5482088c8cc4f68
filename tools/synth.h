#pragma once
// A small synthesiser kit for the desk's sounds and the demo set: stereo
// buffers, band-limited oscillators, filters, envelopes, delay and reverb, and
// the 16-bit wave-file writer. Everything is deterministic.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace synth {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Stereo {
  std::vector<float> l, r;
  explicit Stereo(size_t frames = 0) : l(frames, 0.f), r(frames, 0.f) {}
  size_t size() const { return l.size(); }
  void Add(size_t i, double v, double pan = 0.0) {  // pan -1..1, equal power
    if (i >= l.size()) return;
    double a = (pan + 1) * kPi / 4;
    l[i] += float(v * std::cos(a) * 1.41421356);
    r[i] += float(v * std::sin(a) * 1.41421356);
  }
  void Mix(const Stereo& o, size_t at, double gain = 1.0) {
    for (size_t i = 0; i < o.size() && at + i < size(); ++i) {
      l[at + i] += float(o.l[i] * gain);
      r[at + i] += float(o.r[i] * gain);
    }
  }
  double Peak() const {
    double p = 0;
    for (size_t i = 0; i < size(); ++i)
      p = std::max({p, double(std::fabs(l[i])), double(std::fabs(r[i]))});
    return p;
  }
  void Scale(double g) {
    for (size_t i = 0; i < size(); ++i) {
      l[i] = float(l[i] * g);
      r[i] = float(r[i] * g);
    }
  }
  void Normalise(double peak) {
    double p = Peak();
    if (p > 0) Scale(peak / p);
  }
};

// Deterministic white noise.
class Noise {
 public:
  explicit Noise(uint32_t seed) : m_S(seed * 2654435761u + 1u) {}
  double Next() {
    m_S ^= m_S << 13;
    m_S ^= m_S >> 17;
    m_S ^= m_S << 5;
    return (m_S & 0xFFFFFF) / double(0x800000) - 1.0;
  }

 private:
  uint32_t m_S;
};

inline double MidiHz(double note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// PolyBLEP residual for band-limited saw and square.
inline double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

struct Osc {
  double phase = 0;
  double Saw(double hz) {
    double dt = hz / kRate;
    double v = 2 * phase - 1 - Blep(phase, dt);
    phase += dt;
    if (phase >= 1) phase -= 1;
    return v;
  }
  double Square(double hz, double width = 0.5) {
    double dt = hz / kRate;
    double v = phase < width ? 1.0 : -1.0;
    v += Blep(phase, dt);
    double p2 = phase + 1 - width;
    if (p2 >= 1) p2 -= 1;
    v -= Blep(p2, dt);
    phase += dt;
    if (phase >= 1) phase -= 1;
    return v;
  }
  double Sine(double hz) {
    double v = std::sin(2 * kPi * phase);
    phase += hz / kRate;
    if (phase >= 1) phase -= 1;
    return v;
  }
};

// Topology-preserving state-variable filter.
struct Svf {
  double ic1 = 0, ic2 = 0;
  double lp = 0, bp = 0, hp = 0;
  void Run(double x, double hz, double q) {
    hz = std::clamp(hz, 10.0, kRate * 0.45);
    double g = std::tan(kPi * hz / kRate);
    double k = 1.0 / std::max(q, 0.05);
    double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
    double v3 = x - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    lp = v2;
    bp = v1;
    hp = x - k * v1 - v2;
  }
  double Low(double x, double hz, double q = 0.707) { return Run(x, hz, q), lp; }
  double Band(double x, double hz, double q = 0.707) { return Run(x, hz, q), bp; }
  double High(double x, double hz, double q = 0.707) { return Run(x, hz, q), hp; }
};

// Attack-decay-sustain-release; t and length in seconds.
inline double Adsr(double t, double len, double a, double d, double s, double r) {
  if (t < 0) return 0;
  double v;
  if (t < a)
    v = t / a;
  else
    v = s + (1 - s) * std::exp(-(t - a) / std::max(d, 1e-4));
  if (t > len) v *= std::exp(-(t - len) / std::max(r, 1e-4));
  return v;
}

// Stereo ping-pong delay, in place.
inline void PingPong(Stereo& s, double delaySec, double feedback, double mix, double tone = 4000) {
  size_t d = size_t(delaySec * kRate);
  std::vector<float> bl(d, 0.f), br(d, 0.f);
  Svf fl, fr;
  size_t w = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    double dl = bl[w], dr = br[w];
    double in = (s.l[i] + s.r[i]) * 0.5;
    bl[w] = float(fl.Low(in + dr * feedback, tone));
    br[w] = float(fr.Low(dl * feedback, tone));
    s.l[i] += float(dl * mix);
    s.r[i] += float(dr * mix);
    if (++w == d) w = 0;
  }
}

// A Schroeder-Moorer reverb (eight damped combs and four all-passes per side).
inline std::vector<float> ReverbSide(const Stereo& s, double room, double damp, int spread,
                                     double lowCut) {
  Svf send;
  static const int combs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int alls[4] = {556, 441, 341, 225};
  std::vector<std::vector<float>> cb(8), ab(4);
  size_t ci[8] = {}, ai[4] = {};
  float store[8] = {};
  for (int k = 0; k < 8; ++k) cb[k].assign(size_t(combs[k] + spread), 0.f);
  for (int k = 0; k < 4; ++k) ab[k].assign(size_t(alls[k] + spread), 0.f);
  std::vector<float> out(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    double in = (s.l[i] + s.r[i]) * 0.015;
    if (lowCut > 0) in = send.High(in, lowCut);
    double acc = 0;
    for (int k = 0; k < 8; ++k) {
      float y = cb[k][ci[k]];
      store[k] = float(y * (1 - damp) + store[k] * damp);
      cb[k][ci[k]] = float(in + store[k] * room);
      if (++ci[k] == cb[k].size()) ci[k] = 0;
      acc += y;
    }
    for (int k = 0; k < 4; ++k) {
      float b = ab[k][ai[k]];
      ab[k][ai[k]] = float(acc + b * 0.5);
      acc = b - acc;
      if (++ai[k] == ab[k].size()) ai[k] = 0;
    }
    out[i] = float(acc);
  }
  return out;
}

// lowCut (Hz) keeps the low end out of the reverb when set.
inline void Reverb(Stereo& s, double room, double damp, double wet, double lowCut = 0) {
  std::vector<float> wl = ReverbSide(s, room, damp, 0, lowCut),
                     wr = ReverbSide(s, room, damp, 23, lowCut);
  for (size_t i = 0; i < s.size(); ++i) {
    s.l[i] += float(wl[i] * wet);
    s.r[i] += float(wr[i] * wet);
  }
}

// Soft saturation.
inline double Soft(double x) {
  return std::tanh(x);
}

// Writes 16-bit PCM (stereo, or mono from the left side) at 44100 Hz with
// the canonical 44-byte header.
inline void WriteWav(const std::string& path, const Stereo& s, bool stereo = true) {
  const uint32_t channels = stereo ? 2 : 1;
  const uint32_t frames = uint32_t(s.size());
  const uint32_t dataBytes = frames * channels * 2;
  std::vector<uint8_t> b(44 + size_t(dataBytes));
  size_t pos = 0;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[pos++] = uint8_t(v >> (8 * i));
  };
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) b[pos++] = uint8_t(t[i]);
  };
  tag("RIFF");
  put(36 + dataBytes, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(kRate, 4);
  put(kRate * channels * 2, 4);
  put(channels * 2, 2);
  put(16, 2);
  tag("data");
  put(dataBytes, 4);
  auto sample = [&](float v) {
    long q = std::lround(std::clamp(double(v), -1.0, 1.0) * 32767.0);
    put(uint32_t(uint16_t(int16_t(q))), 2);
  };
  for (uint32_t i = 0; i < frames; ++i) {
    sample(s.l[i]);
    if (stereo) sample(s.r[i]);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace synth
