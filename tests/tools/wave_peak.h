#pragma once
// The largest absolute sample of a 16-bit wave, for the checks of the
// generated sounds.
#include <algorithm>
#include <cstdlib>

#include "audio/wave.h"

inline int Peak(const tWave& w) {
  int peak = 0;
  const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
  for (uint32_t i = 0; i < w.Size() / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
  return peak;
}
