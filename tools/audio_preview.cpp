// Review aid for the sounds: draws a waveform and spectrogram of wave files
// as PNG pictures, and renders a mix file the way the desk plays it (loops on
// their quantize grid, held keys, ring-outs, effect switches, volume and
// balance) into a wave file with its peak and loudness printed.
//
//   audio_preview picture OUT.png IN.wav...
//   audio_preview mix CONTENT_ROOT MIX_FILE OUT.wav
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/synth.h"

namespace {

using synth::Stereo;

bool ReadWav(const std::string& path, Stereo& out) {
  std::ifstream f(path, std::ios::binary);
  std::vector<char> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (b.size() < 44) return false;
  auto u16 = [&](size_t p) { return uint32_t(uint8_t(b[p])) | uint32_t(uint8_t(b[p + 1])) << 8; };
  auto u32 = [&](size_t p) { return u16(p) | u16(p + 2) << 16; };
  uint32_t channels = u16(22), bits = u16(34), bytes = u32(40);
  if (bits != 16 || bytes + 44 > b.size()) return false;
  size_t frames = bytes / (2 * channels);
  out = Stereo(frames);
  for (size_t i = 0; i < frames; ++i) {
    auto s = [&](size_t c) { return int16_t(u16(44 + (i * channels + c) * 2)) / 32768.0f; };
    out.l[i] = s(0);
    out.r[i] = channels > 1 ? s(1) : s(0);
  }
  return true;
}

void Fft(std::vector<std::complex<double>>& a) {
  size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    double ang = -2 * synth::kPi / double(len);
    std::complex<double> wl(std::cos(ang), std::sin(ang));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t j = 0; j < len / 2; ++j) {
        auto u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
        w *= wl;
      }
    }
  }
}

void Picture(const std::string& out, const std::vector<std::string>& files) {
  const int w = 900, rowH = 130;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, rowH * int(files.size()));
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0.05, 0.05, 0.06);
  cairo_paint(cr);
  for (size_t k = 0; k < files.size(); ++k) {
    Stereo st;
    if (!ReadWav(files[k], st)) continue;
    double y0 = double(k) * rowH;
    // Spectrogram (log frequency 30 Hz .. 16 kHz) in the lower part.
    const int n = 2048, specH = 80;
    for (int x = 0; x < w; ++x) {
      size_t start = size_t(double(x) / w * double(st.size()));
      std::vector<std::complex<double>> a(n);
      for (int i = 0; i < n; ++i) {
        size_t p = start + size_t(i);
        double v = p < st.size() ? (st.l[p] + st.r[p]) * 0.5 : 0;
        a[size_t(i)] = v * (0.5 - 0.5 * std::cos(2 * synth::kPi * i / n));
      }
      Fft(a);
      for (int y = 0; y < specH; ++y) {
        double f = 30 * std::pow(16000.0 / 30, double(specH - 1 - y) / (specH - 1));
        size_t bin = size_t(f / synth::kRate * n);
        double m = std::abs(a[std::min(bin, size_t(n / 2 - 1))]);
        double db = 20 * std::log10(m + 1e-9);
        double v = std::clamp((db + 40) / 70, 0.0, 1.0);
        cairo_set_source_rgb(cr, v, v * v * 0.8, 0.3 * (1 - v) + v * v * v);
        cairo_rectangle(cr, x, y0 + 45 + y, 1, 1);
        cairo_fill(cr);
      }
      double pk = 0;
      size_t end = std::min(st.size(), size_t(double(x + 1) / w * double(st.size())));
      for (size_t p = start; p < end; ++p) pk = std::max(pk, double(std::fabs(st.l[p])));
      cairo_set_source_rgb(cr, 0.3, 0.8, 0.5);
      cairo_rectangle(cr, x, y0 + 22 - pk * 20, 1, pk * 40 + 1);
      cairo_fill(cr);
    }
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, 4, y0 + 12);
    std::string name = files[k].substr(files[k].find_last_of('/') + 1);
    char info[256];
    std::snprintf(info, sizeof info, "%s  %.2fs  peak %.2f", name.c_str(),
                  double(st.size()) / synth::kRate, st.Peak());
    cairo_show_text(cr, info);
  }
  cairo_surface_write_to_png(s, out.c_str());
  cairo_destroy(cr);
  cairo_surface_destroy(s);
}

std::map<std::string, std::string> ReadIni(const std::string& path) {
  std::ifstream f(path);
  std::map<std::string, std::string> m;
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto eq = line.find('=');
    if (eq != std::string::npos) m[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return m;
}

std::string Host(const std::string& root, std::string rel) {
  std::replace(rel.begin(), rel.end(), '\\', '/');
  return root + "/" + rel;
}

struct Chan {
  Stereo snd, sfx;
  bool hasSfx = false;
  double quantize = 1, loop = 1;
  int vol = 80, bal = 0;
  bool held = false, fx = false;
  int64_t next = -1;  // next start frame
  const Stereo* cur = nullptr;
  int64_t curStart = 0, curOffset = 0;
};

void RenderMix(const std::string& root, const std::string& mixPath, const std::string& out) {
  const double spb = std::trunc(synth::kRate * 60.0 / 130);
  std::ifstream f(mixPath);
  std::string line;
  std::vector<Chan> ch(16);
  std::vector<std::tuple<int64_t, int, std::string, int>> events;
  int64_t length = 0;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("Sample_", 0) == 0) {
      int i = std::stoi(line.substr(7, 2)) - 1;
      std::string v = line.substr(line.find('=') + 1);
      if (v.empty()) continue;
      auto c = ReadIni(Host(root, v));
      Chan& k = ch[size_t(i)];
      ReadWav(Host(root, c["Snd"]), k.snd);
      k.hasSfx = !c["SFx"].empty() && ReadWav(Host(root, c["SFx"]), k.sfx);
      k.quantize = std::stod(c["Quantize"]);
      k.loop = std::stod(c["Loop"]);
    } else if (line.rfind("Time ", 0) == 0) {
      std::istringstream is(line);
      std::string t, c, kind;
      unsigned long ms;
      int chan, value;
      is >> t >> ms >> c >> chan >> kind >> value;
      events.emplace_back(int64_t(ms * 44100 / 1000), chan, kind, value);
      if (kind == "EndMix") length = int64_t(ms * 44100 / 1000);
    }
  }
  Stereo mix(size_t(length + synth::kRate));
  size_t e = 0;
  for (int64_t now = 0; now < length; now += 441) {
    for (Chan& k : ch) {
      if (k.snd.size() == 0 && !k.hasSfx) continue;
      int64_t unit = int64_t(spb * k.quantize), loop = int64_t(spb * k.loop);
      const Stereo* want = k.hasSfx && k.fx ? &k.sfx : &k.snd;
      if (k.hasSfx && k.cur != want && k.next >= 0) {
        k.cur = nullptr;
        k.next = (now / unit) * unit;
      }
      if (k.next >= 0 && now >= k.next) {
        int64_t late = now - k.next;
        if (late < 500) late = 0;
        k.cur = want;
        k.curStart = now;
        k.curOffset = late;
        k.next += loop;
      }
    }
    while (e < events.size() && std::get<0>(events[e]) <= now) {
      auto [t, c, kind, v] = events[e++];
      Chan& k = ch[size_t(c)];
      int64_t unit = std::max<int64_t>(1, int64_t(spb * k.quantize));
      if (kind == "Play") k.next = (t / unit) * unit;
      if (kind == "Stop") {
        k.next = -1;
        if (v == 0) k.cur = nullptr;
      }
      if (kind == "Fx") k.fx = v != 0;
      if (kind == "Volume") k.vol = v;
      if (kind == "Balance") k.bal = v;
    }
    // Add this tick's 441 frames of every playing sound.
    for (Chan& k : ch) {
      if (!k.cur) continue;
      double gl = k.vol / 100.0 * std::min(1.0, 1 - k.bal / 100.0);
      double gr = k.vol / 100.0 * std::min(1.0, 1 + k.bal / 100.0);
      for (int64_t i = 0; i < 441; ++i) {
        int64_t p = now + i - k.curStart + k.curOffset;
        if (p < 0 || p >= int64_t(k.cur->size())) continue;
        mix.l[size_t(now + i)] += float(k.cur->l[size_t(p)] * gl);
        mix.r[size_t(now + i)] += float(k.cur->r[size_t(p)] * gr);
      }
    }
  }
  double sum = 0;
  for (size_t i = 0; i < mix.size(); ++i) sum += mix.l[i] * mix.l[i] + mix.r[i] * mix.r[i];
  std::printf("mix: %.1f s, peak %.3f, rms %.3f\n", double(mix.size()) / synth::kRate, mix.Peak(),
              std::sqrt(sum / double(2 * mix.size())));
  synth::WriteWav(out, mix);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "picture") {
    Picture(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    return 0;
  }
  if (argc == 5 && std::string(argv[1]) == "mix") {
    RenderMix(argv[2], argv[3], argv[4]);
    return 0;
  }
  std::fprintf(stderr, "usage: audio_preview picture OUT.png IN.wav... | mix ROOT MIX OUT.wav\n");
  return 2;
}
