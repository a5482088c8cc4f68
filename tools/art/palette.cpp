#include "tools/art/palette.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace art {
namespace {

uint8_t Clamp8(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Appends n colours from a to b (both included) along a straight ramp.
void Ramp(std::vector<Rgb>& out, Rgb a, Rgb b, int n) {
  for (int i = 0; i < n; ++i) {
    double t = n == 1 ? 0.0 : double(i) / (n - 1);
    out.push_back({Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
                   Clamp8(a.b + (b.b - a.b) * t)});
  }
}

std::array<Rgb, 256> Build() {
  std::vector<Rgb> c;
  Ramp(c, {0, 0, 0}, {255, 255, 255}, 64);      // 0..63 neutral greys
  Ramp(c, {14, 17, 22}, {214, 224, 238}, 36);   // steel blue-greys
  Ramp(c, {20, 17, 14}, {200, 190, 176}, 12);   // warm greys
  Ramp(c, {6, 14, 16}, {130, 240, 226}, 14);    // display: background to glyph
  Ramp(c, {4, 22, 8}, {60, 200, 70}, 10);       // green LED, dark to lit
  Ramp(c, {90, 230, 100}, {225, 255, 225}, 5);  //   and its hot centre
  Ramp(c, {28, 4, 4}, {230, 40, 30}, 10);       // red LED
  Ramp(c, {240, 80, 66}, {255, 220, 210}, 5);
  Ramp(c, {30, 16, 2}, {240, 140, 20}, 10);  // amber LED
  Ramp(c, {250, 170, 50}, {255, 236, 190}, 5);
  Ramp(c, {40, 36, 4}, {250, 226, 60}, 6);   // yellow
  Ramp(c, {4, 16, 34}, {40, 140, 240}, 10);  // blue accent
  Ramp(c, {70, 170, 250}, {210, 236, 255}, 5);
  Ramp(c, {24, 8, 36}, {180, 90, 240}, 8);  // violet (logo)
  Ramp(c, {200, 130, 250}, {240, 210, 255}, 3);
  Ramp(c, {8, 30, 34}, {40, 190, 200}, 8);  // cyan
  // A small colour cube for everything in between.
  for (int r = 0; r < 3; ++r)
    for (int g = 0; g < 3; ++g)
      for (int b = 0; b < 3; ++b)
        c.push_back({uint8_t(40 + r * 90), uint8_t(40 + g * 90), uint8_t(40 + b * 90)});
  std::array<Rgb, 256> p{};
  // Whatever is left before the two fixed entries repeats greys in between
  // the main ramp's steps, which makes metal gradients smoother.
  int extra = 0;
  while (c.size() < 254) {
    uint8_t v = Clamp8(2 + extra * 4.05 * 2);  // halfway between two ramp steps
    c.push_back({v, v, v});
    ++extra;
  }
  for (int i = 0; i < 254; ++i) p[i] = c[i];
  p[kMaskGreenIndex] = {0, 255, 0};
  p[kKeyIndex] = {255, 0, 255};
  return p;
}

}  // namespace

const std::array<Rgb, 256>& DeskPalette() {
  static const std::array<Rgb, 256> palette = Build();
  return palette;
}

uint8_t NearestIndex(uint8_t r, uint8_t g, uint8_t b) {
  static std::vector<int16_t> cache(1 << 24, -1);
  uint32_t key = (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
  if (cache[key] >= 0) return static_cast<uint8_t>(cache[key]);
  const auto& p = DeskPalette();
  int best = 0;
  long bestDist = -1;
  for (int i = 0; i < 256; ++i) {
    if (i == kKeyIndex) continue;
    if (i == kMaskGreenIndex && !(r == 0 && g == 255 && b == 0)) continue;
    long dr = long(r) - p[i].r, dg = long(g) - p[i].g, db = long(b) - p[i].b;
    // Weighted for the eye: green differences show most, blue least.
    long rm = (long(r) + p[i].r) / 2;
    long d = ((512 + rm) * dr * dr >> 8) + 4 * dg * dg + ((767 - rm) * db * db >> 8);
    if (bestDist < 0 || d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  cache[key] = static_cast<int16_t>(best);
  return static_cast<uint8_t>(best);
}

}  // namespace art
