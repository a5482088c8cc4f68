// Audio set-up on the process-wide speaker and mixer, over the virtual sound
// device and timer.
#include "audio/audio_setup.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "audio/wave_file_output.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"

namespace {

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
        const bool builtIn = f.nSamplesPerSec == 22050 && f.wBitsPerSample == 16 &&
                             f.nChannels == 2 && f.nBlockAlign == 4 && f.nAvgBytesPerSec == 88200;
        std::exit(builtIn ? 0 : 1);
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
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.wBitsPerSample, 16);
  EXPECT_EQ(format.nChannels, 1);
  EXPECT_EQ(format.nBlockAlign, 2);
  EXPECT_EQ(format.nAvgBytesPerSec, 88200u);
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
  EXPECT_NE(SystemSpeaker().TimerId(), 0u);
  EXPECT_EQ(timers.LiveCount(), 1u);
}

TEST_F(AudioSetupTest, ChangeMasterVolumeStepsWholePercentAndPitchGoesToTheMixer) {
  SetMasterVolume(0.95);
  ChangeMasterVolume(+9);
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 1.0);
  SetMasterVolume(0.05);
  ChangeMasterVolume(-9);
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.0);
  SetMasterVolume(0.29);  // 28.999... truncates to 28
  ChangeMasterVolume(+5);
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.33);
  SetMasterVolume(0.5);
  ChangeMasterVolume(-9);
  EXPECT_DOUBLE_EQ(GetMasterVolume(), 0.41);
  EXPECT_EQ(SystemMixer().GainLeft(), 104);  // trunc(0.41 * 256)
  SetMasterPitch(0.5);                       // the master pitch is the mixer's
  EXPECT_DOUBLE_EQ(SystemMixer().GetPitch(), 0.5);
}

TEST_F(AudioSetupTest, TheExportDeviceTakesTheMixerFromTheSpeakerAndGivesItBack) {
  ASSERT_TRUE(AudioInit());
  tWaveFileOutput& exporter = SystemWaveFileOutput();
  exporter.SetSource(&SystemMixer());
  EXPECT_EQ(SystemSpeaker().Source(), nullptr);
  EXPECT_EQ(SystemMixer().Output(), &exporter);
  SystemSpeaker().SetSource(&SystemMixer());
  EXPECT_EQ(exporter.Source(), nullptr);
  EXPECT_EQ(SystemMixer().Output(), &SystemSpeaker());
  EXPECT_EQ(SystemMixer().Frames(), SystemSpeaker().PageFrames());
}

}  // namespace
