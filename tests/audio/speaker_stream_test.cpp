// The speaker streaming for real: over SDL's "disk" driver, whose output file
// holds exactly what left the device, on the host's periodic timer.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

// A 16-bit stereo wave whose samples are never 0, so that it stands out
// from the silence around it.
void FillPattern(tWave& wave, uint32_t rate, uint32_t frames) {
  Fill(wave, MakeWaveFormat(rate, 16, 2), Samples16(2 * frames, [](size_t n) {
         return n % 2 ? -static_cast<int>(n / 2 * 7 % 20000) - 1
                      : static_cast<int>(n / 2 % 20000) + 1;
       }));
}

class DiskDriver : public ::testing::TestWithParam<uint32_t> {
 public:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.Host("out.raw").c_str(), 1);
  }
  TempDir dir;
};

// Half a second of a voice leaves the device sample for sample, after
// silence and followed by silence.
TEST_P(DiskDriver, AVoiceLeavesTheDeviceSampleForSample) {
  const uint32_t rate = GetParam(), frames = rate / 2;
  tWave wave;
  FillPattern(wave, rate, frames);
  tMixer mixer;
  tVoice voice;
  {
    tSpeakerPlayback speaker;
    ASSERT_TRUE(speaker.Create());
    speaker.SetFormat(MakeWaveFormat(rate, 16, 2));
    speaker.SetSource(&mixer);
    ASSERT_TRUE(speaker.Start());
    voice.SetWave(&wave);
    voice.SetMixer(&mixer);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    voice.Play(false);
    ASSERT_TRUE(WaitFor([&] { return !voice.IsPlaying(); }, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // until it has left the ring
    speaker.Close();
    voice.SetMixer(nullptr);
  }
  const Bytes out = ReadBytes(dir.Host("out.raw"));
  size_t start = 0;
  while (start + 3 < out.size() && Get32(out, start) == 0) start += 4;
  ASSERT_LT(start + 3, out.size()) << "the voice never reached the device";
  EXPECT_GT(start, 0u) << "silence comes first";
  ASSERT_GE(out.size(), start + wave.Size());
  EXPECT_TRUE(Bytes(out.begin() + start, out.begin() + start + wave.Size()) == Contents(wave));
  EXPECT_EQ(Bytes(out.begin() + start + wave.Size(), out.end()),
            Bytes(out.size() - start - wave.Size(), 0));
}

INSTANTIATE_TEST_SUITE_P(Rates, DiskDriver, ::testing::Values(22050u, 44100u));

// Re-linking the mixer between the speaker and the export device, changing
// the speaker's format and restarting it, while the speaker streams and the
// voices change: nothing deadlocks, and the links end as the last call made
// them. Run under ThreadSanitizer it also shows the locking sound.
TEST(DiskDriverStress, RelinkingTheMixerWhileTheSpeakerStreams) {
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  std::atomic<bool> finished{false};
  std::thread watchdog([&] {
    for (int i = 0; i < 60000 && !finished.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!finished.load()) {
      std::fputs("re-linking stress test is stuck\n", stderr);
      std::abort();
    }
  });

  tMixer mixer;
  tWaveFileOutput exporter;
  exporter.SetFormat(MakeWaveFormat(44100, 16, 2));  // a page of another length
  tWave waves[3];
  tVoice voices[3];
  for (int i = 0; i < 3; ++i) {
    FillPattern(waves[i], 22050, 3000 + 1000 * i);
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

  exporter.SetSource(&mixer);
  speaker.SetSource(&mixer);
  EXPECT_EQ(mixer.Output(), &speaker);
  EXPECT_EQ(exporter.Source(), nullptr);
  EXPECT_EQ(mixer.Frames(), speaker.PageFrames());
  // Streaming goes on after all of it.
  const uint32_t done = speaker.FramesWritten();
  EXPECT_TRUE(WaitFor([&] { return speaker.FramesWritten() > done; }, 5000));
  speaker.Close();
  for (tVoice& voice : voices) voice.SetMixer(nullptr);
  finished.store(true);
  watchdog.join();
}

}  // namespace
