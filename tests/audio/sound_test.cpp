// The sound object on the system mixer: loading, creating, playing from a
// frame, converting. The scenario records the sound after each step in a
// golden trace.
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
  // Runs a step and records its result, the last error and the sound.
  template <typename F>
  void Step(const char* what, F f) {
    platform::SetLastErrorCode(0);
    const bool ok = f();
    tVoice& v = sound.Voice();
    trace.Line("%s: %d, error %u; length %u, voice %s%s%s at %u, end %llu, step %llu, wave %s",
               what, ok, platform::LastErrorCode(), sound.GetLength(),
               v.Mixer() == &SystemMixer() ? "on the mixer" : "detached",
               sound.IsPlaying() ? ", playing" : "", v.Looping() ? ", looped" : "", v.GetPosition(),
               static_cast<unsigned long long>(v.End()), static_cast<unsigned long long>(v.Step()),
               v.Wave() == &sound.Wave() ? "its own" : "another");
  }
  TempDir m_Dir;
  tWaveFileOutput m_Out;
  tSound sound;
  support_test::GoldenTrace trace{"audio"};
};

}  // namespace

// A sound plays once from a frame wrapped around its length until it ends;
// a failed load leaves the voice detached; a conversion reattaches the
// converted wave.
TEST_F(SoundTest, CreatesLoadsPlaysAndConverts) {
  Step("create 441 frames", [&] { return sound.Create(MakeWaveFormat(22050, 16, 2), 441 * 4); });
  Step("play from 541", [&] { return sound.Play(541), true; });
  Step("stop", [&] { return sound.Stop(), true; });
  Step("play a page", [&] {
    sound.Play(0);
    m_Out.Start();
    m_Out.Advance(20);  // one page: the whole sound
    return sound.WaitWhilePlaying(10000), true;
  });
  Step("wait with nothing mixing", [&] {
    sound.Play(0);
    return sound.WaitWhilePlaying(20), true;  // times out
  });
  Step("unload", [&] { return sound.Unload(), true; });
  Step("create 8-bit", [&] { return sound.Create(MakeWaveFormat(22050, 8, 1), 10); });
  Step("load a missing file", [&] { return sound.Load(m_Dir.Desk("missing.wav")); });
  Step("create 12-bit", [&] { return sound.Create(MakeWaveFormat(22050, 12, 1), 10); });
  WriteBytes(m_Dir.Host("s.wav"),
             Riff({{"fmt ", FmtPayload(1, 1, 11025, 8)}, {"data", {1, 2, 3, 4}}}));
  Step("load 11025 Hz", [&] { return sound.Load(m_Dir.Desk("s.wav")); });
  trace.Line("  rate %u", sound.Wave().Rate());
  Step("create 11025 Hz", [&] { return sound.Create(MakeWaveFormat(11025, 8, 1), 100); });
  Step("convert to 22050 Hz", [&] { return sound.ConvertTo(MakeWaveFormat(22050, 16, 2)); });
  trace.Check("sound");
}
