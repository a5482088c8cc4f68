// Audio set-up on the process-wide speaker and mixer, over the virtual sound
// device and timer; the scenario records the links, pages and ring after
// each step in a golden trace.
#include "audio/audio_setup.h"

#include <gtest/gtest.h>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"
#include "tests/support/support_test_util.h"

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
  // The links, pages and ring after a step.
  void State(const char* step) {
    WAVEFORMATEX f{};
    GetOutputFormat(f);
    const auto* ring = sound.Ring();
    trace.Line("%s: format tag %u, %u Hz, %u-bit x%u, align %u, %u bytes/s", step, f.wFormatTag,
               f.nSamplesPerSec, f.wBitsPerSample, f.nChannels, f.nBlockAlign, f.nAvgBytesPerSec);
    trace.Line("  speaker %s mixer, mixer %s speaker; pages %u/%u frames, %u bytes; timer %s, %zu",
               SystemSpeaker().Source() == &SystemMixer() ? "<-" : "-/-",
               SystemMixer().Output() == &SystemSpeaker() ? "->" : "-/-",
               SystemSpeaker().PageFrames(), SystemMixer().Frames(), SystemSpeaker().PageSize(),
               SystemSpeaker().TimerId() ? "set" : "none", timers.LiveCount());
    trace.Line("  ring %s, %u Hz x%u; %d devices open",
               !ring             ? "none"
               : ring->Playing() ? "playing"
                                 : "halted",
               ring ? ring->Format().rate : 0, ring ? unsigned{ring->Format().channels} : 0,
               sound.devicesOpen);
  }
  platform::VirtualSoundService sound;
  platform::VirtualTimerService timers;
  support_test::GoldenTrace trace{"audio"};
};

// Init links the mixer to the speaker and streams, or fails without a
// device; a new output format restarts the speaker with the new page, and
// samples step by the new rate. The master volume steps by whole percent
// (0.29 is 28.999... percent, truncated to 28); the master pitch is the
// mixer's.
TEST_F(AudioSetupTest, InitFormatsAndMasterControls) {
  trace.Line("init: %d", AudioInit());
  State("streaming");
  tSound sample;
  ASSERT_TRUE(sample.Create(MakeWaveFormat(22050, 16, 2), 4000));
  SetOutputFormat(44100, 16, 1);
  State("set 44100 Hz mono");
  trace.Line("  a 22050 Hz sample steps %llu",
             static_cast<unsigned long long>(sample.Voice().Step()));
  AudioShutdown();
  State("shut down");
  sound.openResult = platform::SoundResult::kNoDriver;  // no sound device: Init fails
  trace.Line("init without a device: %d", AudioInit());
  State("then");

  for (auto [from, step] : {std::pair{0.95, +9}, {0.05, -9}, {0.29, +5}, {0.5, -9}}) {
    SetMasterVolume(from);
    ChangeMasterVolume(step);
    trace.Line("volume %g %+d: %.17g, gain %d", from, step, GetMasterVolume(),
               SystemMixer().GainLeft());
  }
  SetMasterPitch(0.5);
  trace.Line("master pitch 0.5: the mixer's %.17g", SystemMixer().GetPitch());
  trace.Check("audio_setup");
}

}  // namespace
