// The speaker streaming for real: over SDL's "disk" driver, whose output file
// holds exactly what left the device, on the host's periodic timer.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "tests/audio/audio_test_util.h"

namespace {

using audio_test::WaitFor;

class DiskDriver : public ::testing::Test {
 public:
  void SetUp() override {
    char tmpl[] = "/tmp/brevora-stream-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    file_ = dir_ + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
  }
  void TearDown() override {
    unlink(file_.c_str());
    rmdir(dir_.c_str());
  }
  std::vector<int16_t> Captured() {
    std::ifstream in(file_, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
  }
  std::string dir_, file_;
};

// A 16-bit stereo wave whose samples are never 0, so that it stands out
// from the silence around it.
void FillPattern(tWave& wave, uint32_t rate, uint32_t frames) {
  wave.SetFormat(MakeWaveFormat(rate, 16, 2));
  ASSERT_TRUE(wave.Allocate(frames * 4));
  auto* samples = reinterpret_cast<int16_t*>(wave.Data());
  for (uint32_t i = 0; i < frames; ++i) {
    samples[2 * i] = static_cast<int16_t>(i % 20000 + 1);
    samples[2 * i + 1] = static_cast<int16_t>(-static_cast<int32_t>(i * 7 % 20000) - 1);
  }
}

void StreamAndCompare(DiskDriver& test, uint32_t rate) {
  const uint32_t frames = rate / 2;  // half a second
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
  const std::vector<int16_t> out = test.Captured();
  size_t start = 0;
  while (start + 1 < out.size() && out[start] == 0 && out[start + 1] == 0) start += 2;
  ASSERT_LT(start, out.size()) << "the voice never reached the device";
  EXPECT_GT(start, 0u) << "silence comes first";
  ASSERT_GE(out.size(), start + 2 * frames);
  const auto* expected = reinterpret_cast<const int16_t*>(wave.Data());
  for (size_t i = 0; i < 2 * frames; ++i)
    ASSERT_EQ(out[start + i], expected[i]) << "sample " << i << " of " << 2 * frames;
  for (size_t i = start + 2 * frames; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
}

TEST_F(DiskDriver, AVoiceLeavesTheDeviceSampleForSampleAt22050) {
  StreamAndCompare(*this, 22050);
}

TEST_F(DiskDriver, AVoiceLeavesTheDeviceSampleForSampleAt44100) {
  StreamAndCompare(*this, 44100);
}

// Re-linking the mixer between the speaker and the export device, changing
// the speaker's format and restarting it, while the speaker streams and the
// voices change: nothing deadlocks, and the links end as the last call made
// them. Run under ThreadSanitizer it also shows the locking sound.
TEST_F(DiskDriver, RelinkingTheMixerWhileTheSpeakerStreams) {
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
  EXPECT_EQ(speaker.Source(), &mixer);
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
