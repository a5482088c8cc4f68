#include "audio/sound_params.h"

#include <cmath>

int32_t GainToInt(double factor) {
  double g = factor * 256.0;
  if (std::isnan(g)) return 0;
  if (g >= 2147483647.0) return INT32_MAX;
  if (g <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(g);  // truncates toward zero
}

// ---- tSoundParams ----

bool tSoundParams::SetPitch(double pitch) {
  m_Pitch.store(pitch, std::memory_order_relaxed);
  return true;
}
double tSoundParams::GetPitch() {
  return m_Pitch.load(std::memory_order_relaxed);
}
bool tSoundParams::SetVolume(double volume) {
  m_Volume.store(volume, std::memory_order_relaxed);
  return true;
}
double tSoundParams::GetVolume() {
  return m_Volume.load(std::memory_order_relaxed);
}
bool tSoundParams::SetBalance(double balance) {
  m_Balance.store(balance, std::memory_order_relaxed);
  return true;
}
double tSoundParams::GetBalance() {
  return m_Balance.load(std::memory_order_relaxed);
}

void tSoundParams::GetGains(double& left, double& right) {
  const double v = GetVolume();
  const double b = GetBalance();
  left = v * (b > 0 ? 1 - b : 1);
  right = v * (b < 0 ? 1 + b : 1);
}
