// The speaker streaming for real over SDL's "disk" driver on the host's
// periodic timer, while other threads re-link its mixer and change voices.
// Its point is the ThreadSanitizer stage: a lock missing between the page
// timer, the voices and the links shows there as a race, a lock order that
// can deadlock as a hang that CTest's timeout ends.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

TEST(DiskDriverStress, RelinkingTheMixerWhileTheSpeakerStreams) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  tMixer mixer;
  tWaveFileOutput exporter;
  exporter.SetFormat(MakeWaveFormat(44100, 16, 2));  // a page of another length
  tWave waves[3];
  tVoice voices[3];
  for (int i = 0; i < 3; ++i) {
    Fill(waves[i], MakeWaveFormat(22050, 16, 2),
         Samples16(2 * (3000 + 1000 * i), [](size_t n) { return static_cast<int>(n % 20000); }));
    voices[i].SetWave(&waves[i]);
    voices[i].SetMixer(&mixer);
    voices[i].Play(true);
  }
  tSpeakerPlayback speaker;
  ASSERT_TRUE(speaker.Create());
  speaker.SetSource(&mixer);
  ASSERT_TRUE(speaker.Start());

  std::atomic<bool> stop{false};
  std::thread voiceThread([&] {
    for (int n = 0; !stop.load(); ++n) {
      tVoice& voice = voices[n % 3];
      voice.SetMixer(n % 2 ? nullptr : &mixer);
      voice.SetPitch(0.5 + (n % 7) * 0.25);
      voice.SetBalance((n % 5) * 0.5 - 1.0);
      if (n % 3 == 0) voice.Play(true);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  for (int n = 0; std::chrono::steady_clock::now() < until; ++n) {
    if (n % 2) {
      exporter.SetSource(&mixer);
    } else {
      speaker.SetSource(&mixer);
    }
    mixer.SetVolume(0.5 + (n % 3) * 0.25);
    if (n % 40 == 39) {
      speaker.Stop();
      speaker.SetFormat(MakeWaveFormat(n % 80 == 79 ? 44100 : 22050, 16, 2));
      EXPECT_TRUE(speaker.Start());
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  stop.store(true);
  voiceThread.join();

  // The links end as the last call made them, and streaming goes on.
  exporter.SetSource(&mixer);
  speaker.SetSource(&mixer);
  EXPECT_EQ(mixer.Output(), &speaker);
  EXPECT_EQ(exporter.Source(), nullptr);
  EXPECT_EQ(mixer.Frames(), speaker.PageFrames());
  const uint32_t done = speaker.FramesWritten();
  EXPECT_TRUE(WaitFor([&] { return speaker.FramesWritten() > done; }, 5000));
  speaker.Close();
  for (tVoice& voice : voices) voice.SetMixer(nullptr);
}

}  // namespace
