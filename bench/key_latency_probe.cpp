// Measures the desk's latency from a performance key to sound: from the
// moment the desk's loop hands a key press to the desk to the first sample
// of the channel's sound leaving the sound device's callback, over many
// presses at random phases of the tick and the page timer. The desk is the
// real one (its widgets on a headless screen, the real tick timer); the
// channel plays a constant level with no quantize, so the time measured is
// the tick, the mix and the sound device's ring.
//
// Usage: key_latency_probe STAGE_DIR [presses per rate, default 100]
// Without SDL_AUDIODRIVER it uses SDL's "disk" driver writing to /dev/null,
// which consumes sound at the real rate.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

#include "bench/probe_desk.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/sound_device.h"

namespace {

void Key(tInterface& desk, platform::tInputKind kind) {
  platform::tInputEvent e;
  e.kind = kind;
  e.key = 'Q';
  platform::InjectInput(e);
  while (platform::PollInput(e)) desk.Dispatch(e);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: key_latency_probe STAGE_DIR [presses per rate]\n");
    return 1;
  }
  const int tries = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
  tProbeDesk probe;
  try {
    if (!probe.Start(argv[1])) return 1;
    tInterface& desk = probe.Desk();
    platform::SetSoundChunkObserver(&ObserveChunk, nullptr);
    std::printf("Key press to the channel's first sample leaving the sound callback (%d presses)\n",
                tries);
    for (uint32_t rate : {22050u, 44100u}) {
      if (!probe.LoadLevel(rate)) return 1;
      std::mt19937 random(777 + rate);
      std::uniform_int_distribution<int> phase(0, 20000);
      std::vector<double> latencies;
      for (int n = 0; n < tries; ++n) {
        // The ring runs silent for longer than its length, then the press
        // falls at a random phase of the tick and the page timer.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
        g_Armed.store(true);
        const uint64_t start = platform::MonotonicNs();
        Key(desk, platform::tInputKind::kKeyPress);
        const uint64_t deadline = start + 1000000000ull;
        while (g_Armed.load() && platform::MonotonicNs() < deadline)
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (!g_Armed.exchange(false)) latencies.push_back((g_FirstSoundNs.load() - start) / 1e6);
        Key(desk, platform::tInputKind::kKeyRelease);
      }
      std::sort(latencies.begin(), latencies.end());
      if (latencies.empty()) {
        std::printf("  %5u Hz: no sound came\n", rate);
        continue;
      }
      std::printf("  %5u Hz: best %.1f ms, median %.1f ms, p99 %.1f ms, worst %.1f ms\n", rate,
                  latencies.front(), latencies[latencies.size() / 2],
                  latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)],
                  latencies.back());
    }
    platform::SetSoundChunkObserver(nullptr, nullptr);
    probe.Stop();
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "%s", e.GetText());
    return 1;
  }
  return 0;
}
