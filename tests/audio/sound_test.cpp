// The sound object on the system mixer: loading, creating, playing from a
// frame, converting.
#include <gtest/gtest.h>

#include "audio/sound.h"
#include "audio/wave_file_output.h"
#include "platform/last_error.h"
#include "tests/audio/audio_test_util.h"

using namespace audio_test;

namespace {

class SoundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_Out.Open(m_Dir.Desk("out.wav"));
    m_Out.SetSource(&SystemMixer());
  }
  void TearDown() override { m_Out.Close(); }
  TempDir m_Dir;
  tWaveFileOutput m_Out;
  tSound sound;
};

}  // namespace

TEST_F(SoundTest, PlaysOnceFromAFrameWrappedAroundTheLengthUntilItEnds) {
  ASSERT_TRUE(sound.Create(MakeWaveFormat(22050, 16, 2), 441 * 4));
  EXPECT_EQ(sound.GetLength(), 441u);
  EXPECT_EQ(sound.Voice().Mixer(), &SystemMixer());
  sound.Play(541);
  EXPECT_EQ(sound.Voice().GetPosition(), 100u);
  EXPECT_FALSE(sound.Voice().Looping());
  sound.Stop();
  EXPECT_FALSE(sound.IsPlaying());

  sound.Play(0);
  m_Out.Start();
  m_Out.Advance(20);  // one page: the whole sound
  sound.WaitWhilePlaying(10000);
  EXPECT_FALSE(sound.IsPlaying());
  sound.Play(0);
  sound.WaitWhilePlaying(20);  // times out: nothing mixes it
  EXPECT_TRUE(sound.IsPlaying());
  sound.Unload();
  EXPECT_EQ(sound.Voice().Mixer(), nullptr);
  EXPECT_EQ(sound.GetLength(), 0u);
}

TEST_F(SoundTest, LoadFailureLeavesTheVoiceDetached) {
  ASSERT_TRUE(sound.Create(MakeWaveFormat(22050, 8, 1), 10));
  EXPECT_FALSE(sound.Load(m_Dir.Desk("missing.wav")));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveOpen);
  EXPECT_EQ(sound.Voice().Mixer(), nullptr);

  EXPECT_FALSE(sound.Create(MakeWaveFormat(22050, 12, 1), 10));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorWaveFormat);

  WriteBytes(m_Dir.Host("s.wav"),
             Riff({{"fmt ", FmtPayload(1, 1, 11025, 8)}, {"data", {1, 2, 3, 4}}}));
  ASSERT_TRUE(sound.Load(m_Dir.Desk("s.wav")));
  EXPECT_EQ(sound.Voice().Mixer(), &SystemMixer());
  EXPECT_EQ((std::pair{sound.GetLength(), sound.Wave().Rate()}), (std::pair{4u, 11025u}));
}

TEST_F(SoundTest, ConvertToReattachesTheConvertedWave) {
  ASSERT_TRUE(sound.Create(MakeWaveFormat(11025, 8, 1), 100));
  EXPECT_EQ(sound.Voice().Step(), (uint64_t{11025} << 32) / 22050);
  ASSERT_TRUE(sound.ConvertTo(MakeWaveFormat(22050, 16, 2)));
  EXPECT_EQ(sound.Voice().Wave(), &sound.Wave());
  EXPECT_EQ((std::vector<uint64_t>{sound.GetLength(), sound.Voice().End(), sound.Voice().Step()}),
            (std::vector<uint64_t>{200, uint64_t{200} << 32, uint64_t{1} << 32}));
}
