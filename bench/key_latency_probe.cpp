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
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio_setup.h"
#include "mix/language_table.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/input.h"
#include "platform/sound_device.h"
#include "ui/interface.h"

namespace {

std::atomic<bool> g_Armed{false};
std::atomic<uint64_t> g_FirstSoundNs{0};

void ObserveChunk(const uint8_t* bytes, uint32_t count, void*) {
  for (uint32_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) {
      if (g_Armed.exchange(false)) g_FirstSoundNs.store(platform::MonotonicNs());
      return;
    }
  }
}

// A 16-bit stereo wave of two seconds at a constant level.
std::string ConstantWave(uint32_t rate) {
  const uint32_t frames = rate * 2;
  std::string out;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  out += "RIFF";
  put(36 + frames * 4, 4);
  out += "WAVEfmt ";
  put(16, 4);
  put(1, 2);
  put(2, 2);
  put(rate, 4);
  put(rate * 4, 4);
  put(4, 2);
  put(16, 2);
  out += "data";
  put(frames * 4, 4);
  for (uint32_t i = 0; i < frames * 2; ++i) put(3000, 2);
  return out;
}

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
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  char folder[] = "/tmp/brevora-probe-XXXXXX";
  if (mkdtemp(folder) == nullptr) return 1;
  setenv("XDG_CONFIG_HOME", folder, 1);
  platform::InitDrives(argv[1], true);
  LanguageTable().LoadLanguageTable("data\\Language.txt");
  LanguageTable().SelectLanguage(1);

  try {
    platform::DisplayOptions options;
    options.fullscreen = false;
    CreateScreen(options, 800, 600, 8);
    tInterface desk;
    if (!desk.Construct() || !desk.Initialise() || !AudioInit()) {
      std::fprintf(stderr, "the desk could not start\n");
      return 1;
    }
    desk.SetKeys("QWERTZUIASDFGHJK");
    desk.ResetChannels();
    desk.CreateTimer();
    platform::SetSoundChunkObserver(&ObserveChunk, nullptr);
    std::printf("Key press to the channel's first sample leaving the sound callback (%d presses)\n",
                tries);
    for (uint32_t rate : {22050u, 44100u}) {
      SetOutputFormat(rate, 16, 2);
      const std::string host = std::string(folder) + "/level.wav";
      std::ofstream(host, std::ios::binary) << ConstantWave(rate);
      std::string path;
      platform::ToSystemPath(host, path);
      if (!desk.LoadWaveIntoChannel(tChannel::kMain, 0, path.c_str(), false)) {
        std::fprintf(stderr, "the test sound could not be loaded\n");
        return 1;
      }
      desk.Channel(0).SetQuantize(0.0);
      desk.Channel(0).SetLoop(32.0);
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
    desk.Teardown();
    AudioShutdown();
    ReleaseScreen();
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "%s", e.GetText());
    return 1;
  }
  std::system((std::string("rm -rf '") + folder + "'").c_str());
  return 0;
}
