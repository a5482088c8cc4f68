// Measures the desk's output latency and the tick's regularity:
//  - from a voice's Play to its first sample leaving the sound device's
//    callback, over many tries at 22050 and 44100 Hz (median and worst);
//  - the 10 ms tick's period jitter on the tick timer's worker.
// Without SDL_AUDIODRIVER in the environment it uses SDL's "disk" driver
// writing to /dev/null, which consumes sound at the real rate.
//
// Usage: latency_probe [tries per rate, default 100] [ticks, default 1000]
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/timer.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "platform/clock.h"
#include "platform/sound_device.h"

namespace {

// Armed by the measuring thread; the device's callback records when the
// first chunk with sound in it leaves.
std::atomic<bool> g_Armed{false};
std::atomic<uint64_t> g_FirstSoundNs{0};
std::atomic<uint64_t> g_LastSilentNs{0};

void ObserveChunk(const uint8_t* bytes, uint32_t count, void*) {
  bool sound = false;
  for (uint32_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) {
      sound = true;
      break;
    }
  }
  const uint64_t now = platform::MonotonicNs();
  if (!sound) {
    g_LastSilentNs.store(now);
  } else if (g_Armed.exchange(false)) {
    g_FirstSoundNs.store(now);
  }
}

struct Summary {
  double median = 0, p99 = 0, worst = 0, best = 0;
};

Summary Summarise(std::vector<double> values) {
  Summary s;
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  s.best = values.front();
  s.median = values[values.size() / 2];
  s.p99 = values[std::min(values.size() - 1, values.size() * 99 / 100)];
  s.worst = values.back();
  return s;
}

bool WaitUntil(uint64_t deadlineNs, const std::atomic<bool>& flag, bool value) {
  while (platform::MonotonicNs() < deadlineNs) {
    if (flag.load() == value) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return flag.load() == value;
}

// Play-to-first-sample latency in ms for one output rate.
std::vector<double> MeasureLatency(uint32_t rate, int tries) {
  std::vector<double> latencies;
  tMixer mixer;
  tSpeakerPlayback speaker;
  if (!speaker.Create()) {
    std::fprintf(stderr, "no sound device could be opened\n");
    return latencies;
  }
  speaker.SetFormat(MakeWaveFormat(rate, 16, 2));
  speaker.SetSource(&mixer);
  if (!speaker.Start()) {
    std::fprintf(stderr, "the speaker did not start at %u Hz\n", rate);
    return latencies;
  }
  // 50 ms of a constant level: every frame of it is sound.
  tWave wave;
  wave.SetFormat(MakeWaveFormat(rate, 16, 2));
  if (!wave.Allocate(rate / 20 * 4)) return latencies;
  auto* samples = reinterpret_cast<int16_t*>(wave.Data());
  for (uint32_t i = 0; i < rate / 20 * 2; ++i) samples[i] = 1000;
  tVoice voice;
  voice.SetWave(&wave);
  voice.SetMixer(&mixer);

  std::mt19937 random(12345 + rate);
  std::uniform_int_distribution<int> phase(0, 20000);
  platform::SetSoundChunkObserver(&ObserveChunk, nullptr);
  for (int n = 0; n < tries; ++n) {
    // Let the ring run silent for well over its length, then wait a random
    // part of a page so that Play falls at every phase of the page timer.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
    g_FirstSoundNs.store(0);
    g_Armed.store(true);
    const uint64_t start = platform::MonotonicNs();
    voice.Play(false);
    if (!WaitUntil(start + 1000000000ull, g_Armed, false)) {
      std::fprintf(stderr, "try %d: no sound within a second\n", n);
      g_Armed.store(false);
      continue;
    }
    latencies.push_back((g_FirstSoundNs.load() - start) / 1e6);
  }
  platform::SetSoundChunkObserver(nullptr, nullptr);
  voice.SetMixer(nullptr);
  speaker.Close();
  return latencies;
}

std::vector<uint64_t> g_TickNs;
std::atomic<size_t> g_Ticks{0};

void RecordTick(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  const size_t n = g_Ticks.load(std::memory_order_relaxed);
  if (n < g_TickNs.size()) {
    g_TickNs[n] = platform::MonotonicNs();
    g_Ticks.store(n + 1, std::memory_order_release);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int tries = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  const int ticks = argc > 2 ? std::max(10, std::atoi(argv[2])) : 1000;
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }

  std::printf("Play to first sample leaving the device callback (%d tries per rate)\n", tries);
  for (uint32_t rate : {22050u, 44100u}) {
    const Summary s = Summarise(MeasureLatency(rate, tries));
    std::printf(
        "  %5u Hz (driver %s, chunk %u frames): best %.1f ms, median %.1f ms, "
        "p99 %.1f ms, worst %.1f ms\n",
        rate, platform::HostSoundDriverName(), platform::SoundChunkFrames(rate), s.best, s.median,
        s.p99, s.worst);
  }

  g_TickNs.assign(static_cast<size_t>(ticks) + 1, 0);
  tTimer timer;
  try {
    timer.Create(10, &RecordTick);
  } catch (const tTimer::tError& error) {
    std::fprintf(stderr, "tick timer: %s", error.GetText());
    return 1;
  }
  while (g_Ticks.load(std::memory_order_acquire) < g_TickNs.size())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  timer.Destroy();

  std::vector<double> deviation, lateness;
  for (size_t i = 1; i < g_TickNs.size(); ++i) {
    const double period = (g_TickNs[i] - g_TickNs[i - 1]) / 1e6;
    deviation.push_back(period > 10.0 ? period - 10.0 : 10.0 - period);
    // Against the ideal schedule from the first tick.
    const double ideal = g_TickNs[0] / 1e6 + 10.0 * static_cast<double>(i);
    lateness.push_back(g_TickNs[i] / 1e6 - ideal);
  }
  const Summary d = Summarise(deviation);
  const Summary l = Summarise(lateness);
  std::printf(
      "Tick period jitter over %d ticks of 10 ms: |period - 10 ms| median %.3f ms, "
      "p99 %.3f ms, worst %.3f ms\n",
      ticks, d.median, d.p99, d.worst);
  std::printf("Tick drift against the 10 ms grid: median %+.3f ms, worst %+.3f ms\n", l.median,
              l.worst);
  return 0;
}
