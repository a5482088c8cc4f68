#include "channels/tempo.h"

#include <atomic>
#include <cmath>

#include "channels/output_format.h"

namespace {

std::atomic<int32_t> g_Tempo{130};
std::atomic<uint32_t> g_GridOrigin{0};

constexpr double kMaxFrames = 2147483647.0;

}  // namespace

void SetTempo(int32_t bpm) {
  g_Tempo.store(bpm, std::memory_order_relaxed);
}

int32_t GetTempo() {
  return g_Tempo.load(std::memory_order_relaxed);
}

void SetGridOrigin(uint32_t time) {
  g_GridOrigin.store(time, std::memory_order_relaxed);
}

uint32_t GridOrigin() {
  return g_GridOrigin.load(std::memory_order_relaxed);
}

int32_t SamplesPerBeatAt(uint32_t rate) {
  const int32_t tempo = GetTempo();
  if (tempo <= 0) return static_cast<int32_t>(kMaxFrames);
  double spb = std::trunc(static_cast<double>(rate) * 60.0 / tempo);
  if (spb < 1.0) return 1;
  if (spb > kMaxFrames) return static_cast<int32_t>(kMaxFrames);
  return static_cast<int32_t>(spb);
}

int32_t SamplesPerBeat() {
  WAVEFORMATEX format;
  ReadOutputFormat(format);
  return SamplesPerBeatAt(format.nSamplesPerSec);
}

uint32_t BeatsToFrames(int32_t samplesPerBeat, double beats) {
  double frames = std::trunc(static_cast<double>(samplesPerBeat) * beats);
  if (!(frames > 0.0)) return 0;  // also not-a-number
  if (frames > kMaxFrames) return static_cast<uint32_t>(kMaxFrames);
  return static_cast<uint32_t>(frames);
}
