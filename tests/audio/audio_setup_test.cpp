// Audio set-up on the process-wide speaker and mixer, over the virtual sound
// device and timer.
#include "audio/audio_setup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"

namespace {

// Rate, bits, channels, block size and byte rate of a format.
std::vector<uint32_t> Layout(const WAVEFORMATEX& f) {
  return {f.nSamplesPerSec, f.wBitsPerSample, f.nChannels, f.nBlockAlign, f.nAvgBytesPerSec};
}

class AudioSetupTest : public ::testing::Test {
 protected:
  void SetUp() override { SystemSpeaker().SetBackEnds(sound, timers); }
  void TearDown() override {
    AudioShutdown();
    SystemSpeaker().SetBackEnds(platform::HostSoundService(), platform::SystemTimerService());
    SetMasterVolume(1.0);
    SetMasterPitch(1.0);
  }
  platform::VirtualSoundService sound;
  platform::VirtualTimerService timers;
};

// A fresh process (the format, once set, stays for the process): before the
// speaker is made the output format is the built-in one.
TEST(AudioSetupDeathTest, OutputFormatBeforeTheSpeakerIsTheBuiltInOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        WAVEFORMATEX f{};
        GetOutputFormat(f);
        std::exit(Layout(f) == std::vector<uint32_t>{22050, 16, 2, 4, 88200} ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(AudioSetupTest, InitLinksTheMixerToTheSpeakerAndStreamsOrFailsWithoutADevice) {
  ASSERT_TRUE(AudioInit());
  EXPECT_EQ(SystemSpeaker().Source(), &SystemMixer());
  EXPECT_EQ(SystemMixer().Output(), &SystemSpeaker());
  EXPECT_NE(SystemSpeaker().TimerId(), 0u);
  ASSERT_NE(sound.Ring(), nullptr);
  EXPECT_TRUE(sound.Ring()->Playing());
  EXPECT_EQ(SystemMixer().Frames(), SystemSpeaker().PageFrames());

  AudioShutdown();
  EXPECT_EQ(SystemMixer().Output(), nullptr);
  EXPECT_EQ(timers.LiveCount(), 0u);
  EXPECT_EQ(sound.devicesOpen, 0);

  sound.openResult = platform::SoundResult::kNoDriver;  // no sound device: Init fails
  EXPECT_FALSE(AudioInit());
  EXPECT_EQ(SystemMixer().Output(), nullptr);
}

TEST_F(AudioSetupTest, SetOutputFormatRestartsTheSpeakerWithTheNewPage) {
  ASSERT_TRUE(AudioInit());
  tSound sample;
  ASSERT_TRUE(sample.Create(MakeWaveFormat(22050, 16, 2), 4000));

  SetOutputFormat(44100, 16, 1);
  WAVEFORMATEX format{};
  GetOutputFormat(format);
  EXPECT_EQ(Layout(format), (std::vector<uint32_t>{44100, 16, 1, 2, 88200}));
  EXPECT_EQ(format.wFormatTag, 1);
  EXPECT_EQ(SystemSpeaker().PageFrames(), 882u);
  EXPECT_EQ(SystemSpeaker().PageSize(), 1764u);
  EXPECT_EQ(SystemMixer().Frames(), 882u);
  // A 22050 Hz sample now steps half a frame per output frame.
  EXPECT_EQ(sample.Voice().Step(), 1ull << 31);
  // Restarted on a ring of the new format.
  ASSERT_NE(sound.Ring(), nullptr);
  EXPECT_EQ(sound.Ring()->Format().rate, 44100u);
  EXPECT_EQ(sound.Ring()->Format().channels, 1);
  EXPECT_TRUE(sound.Ring()->Playing());
  EXPECT_EQ(timers.LiveCount(), 1u);
}

TEST_F(AudioSetupTest, ChangeMasterVolumeStepsWholePercentAndPitchGoesToTheMixer) {
  const struct {
    double from;
    int step;
    double to;
  } cases[] = {{0.95, +9, 1.0}, {0.05, -9, 0.0}, {0.29, +5, 0.33}, {0.5, -9, 0.41}};
  for (const auto& c : cases) {
    SetMasterVolume(c.from);  // 0.29 is 28.999... percent, truncated to 28
    ChangeMasterVolume(c.step);
    EXPECT_DOUBLE_EQ(GetMasterVolume(), c.to) << c.from << " " << c.step;
  }
  EXPECT_EQ(SystemMixer().GainLeft(), 104);  // trunc(0.41 * 256)
  SetMasterPitch(0.5);                       // the master pitch is the mixer's
  EXPECT_DOUBLE_EQ(SystemMixer().GetPitch(), 0.5);
}

}  // namespace
