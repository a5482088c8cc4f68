#pragma once
// The real desk for the measuring programs: its widgets on a headless
// screen (SDL's dummy video driver), the real tick timer, settings in a
// fresh folder, and channel 1 on Q with a two-second wave at a constant
// level, no quantize and a long loop, so that what is measured is the way
// from an input to the channel's sound and nothing of the grid. Without
// SDL_AUDIODRIVER sound goes to SDL's "disk" driver writing to /dev/null,
// which consumes it at the real rate.
#include <stdlib.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "audio/audio_setup.h"
#include "mix/language_table.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/hostfs.h"
#include "ui/interface.h"

// The first sound: the sound device's callback hands each chunk to
// ObserveChunk (platform::SetSoundChunkObserver); the first chunk that is
// not silent after g_Armed was set stamps g_FirstSoundNs and clears g_Armed.
inline std::atomic<bool> g_Armed{false};
inline std::atomic<uint64_t> g_FirstSoundNs{0};

inline void ObserveChunk(const uint8_t* bytes, uint32_t count, void*) {
  for (uint32_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) {
      if (g_Armed.exchange(false)) g_FirstSoundNs.store(platform::MonotonicNs());
      return;
    }
  }
}

class tProbeDesk {
 public:
  // False (with a message on stderr) when the desk cannot start.
  bool Start(const char* stage) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
      setenv("SDL_AUDIODRIVER", "disk", 1);
      setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    }
    char folder[] = "/tmp/brevora-probe-XXXXXX";
    if (mkdtemp(folder) == nullptr) return false;
    m_Folder = folder;
    setenv("XDG_CONFIG_HOME", folder, 1);
    platform::InitDrives(stage, true);
    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(1);
    platform::DisplayOptions options;
    options.fullscreen = false;
    CreateScreen(options, 800, 600, 8);
    m_pDesk = std::make_unique<tInterface>();
    if (!m_pDesk->Construct() || !m_pDesk->Initialise() || !AudioInit()) {
      std::fprintf(stderr, "the desk could not start\n");
      return false;
    }
    m_pDesk->SetKeys("QWERTZUIASDFGHJK");
    m_pDesk->ResetChannels();
    m_pDesk->CreateTimer();
    return true;
  }

  // Channel 1's level wave at this output rate.
  bool LoadLevel(uint32_t rate) {
    SetOutputFormat(rate, 16, 2);
    const std::string host = m_Folder + "/level.wav";
    std::ofstream(host, std::ios::binary) << ConstantWave(rate);
    std::string path;
    platform::ToSystemPath(host, path);
    if (!m_pDesk->LoadWaveIntoChannel(tChannel::kMain, 0, path.c_str(), false)) {
      std::fprintf(stderr, "the test sound could not be loaded\n");
      return false;
    }
    m_pDesk->Channel(0).SetQuantize(0.0);
    m_pDesk->Channel(0).SetLoop(32.0);
    return true;
  }

  void Stop() {
    if (m_pDesk == nullptr) return;
    m_pDesk->Teardown();
    m_pDesk.reset();
    AudioShutdown();
    ReleaseScreen();
    std::system(("rm -rf '" + m_Folder + "'").c_str());
  }

  tInterface& Desk() { return *m_pDesk; }

 private:
  // A 16-bit stereo wave of two seconds at a constant level.
  static std::string ConstantWave(uint32_t rate) {
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

  std::string m_Folder;
  std::unique_ptr<tInterface> m_pDesk;
};
