// The engine clock counts frames in 32 bits and wraps after about 27 hours.
// The same performance, recorded and played back with the clock started
// shortly before the wrap, gives the same events, the same metronome and the
// same frames as with the clock started at 0.
#include "audio/wave_file_output.h"
#include "tests/mix/desk_test_util.h"

namespace {

class ClockWrap : public DeskTest {
 protected:
  void SetUp() override {
    DeskTest::SetUp();
    SetTempo(999);  // short beats: many starts and restarts, a short count-in
    WriteWave("kick.wav", 900, 22050);
    WriteWave("snare.wav", 1700, 22050);
    WriteHost("a.chn",
              "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\nLoop=1.000\r\n"
              "Delay=0.000\r\nVolume=80\r\nBalance=0\r\nPitch= 0.0\r\nSnd=kick.wav\r\n");
    WriteHost("b.chn",
              "[Brevora Channel]\r\nVersion=3\r\nQuantize=0.500\r\nLoop=2.000\r\n"
              "Delay=0.250\r\nVolume=70\r\nBalance=-40\r\nPitch= 3.0\r\nSnd=snare.wav\r\n"
              "SFx=kick.wav\r\n");
  }

  struct tTake {
    std::string events;    // the event lines of the recording
    std::string recorded;  // the frames while recording
    std::string played;    // the frames while playing it back
    std::vector<int> metronome;
    uint32_t lastClock = 0;  // where the clock stood at the end of the recording
  };

  // Records a performance on a fresh desk whose clock starts at start, then
  // plays it back; renders the mix bus while it does both.
  tTake Perform(uint32_t start) {
    tRecordingMixView view;
    tDeskCore desk(&view, timers_);
    EXPECT_TRUE(desk.PrepareChannels());
    EXPECT_TRUE(desk.LoadChannelFile(0, "C:\\a.chn", true));
    EXPECT_TRUE(desk.LoadChannelFile(1, "C:\\b.chn", true));
    desk.Timer().SetRestartTime(start);
    desk.CreateTimer();
    tTake take;

    tWaveFileOutput& device = SystemWaveFileOutput();
    auto render = [&](const char* file, auto&& step, int ticks) {
      device.Open(std::string("C:\\") + file);
      device.SetFormat(OutputFormat());
      device.SetSource(&SystemMixer());
      device.Start();
      for (int k = 0; k < ticks; ++k) {
        step(k);
        desk.EngineTick();
        device.Advance(static_cast<uint32_t>(k + 1) * 10);
      }
      device.Stop();
      device.Close();
      return ReadHost(file);
    };

    desk.StartRecording();
    EXPECT_EQ(desk.State(), tDeskCore::kRecording);
    auto press = [&](int channel, int32_t kind, int32_t value) {
      tChannel& ch = desk.Channel(channel);
      const uint32_t now = desk.Timer().GetTime();
      if (kind == kPlay) ch.Trigger(now);
      if (kind == kStop) ch.Stop(value == 1);
      if (kind == kFx) ch.SetFxOn(value != 0);
      desk.RecordEvent(channel, kind, value, now);
    };
    take.recorded = render(
        "recorded.wav",
        [&](int k) {
          if (k == 10) press(0, kPlay, 0);
          if (k == 57) press(1, kPlay, 0);
          if (k == 120) desk.Channel(0).SetSuspended(true);
          if (k == 181) desk.Channel(0).SetSuspended(false);
          if (k == 240) press(1, kFx, 1);
          if (k == 300) press(0, kStop, 0);
          if (k == 333) press(1, kStop, 1);
        },
        400);
    take.lastClock = desk.Timer().GetTime();
    desk.StopRecording();
    take.events = WorkingText(&desk);
    take.events.erase(0, take.events.find("Time "));

    desk.StartPlayback();
    take.played = render(
        "played.wav", [](int) {}, 450);
    EXPECT_EQ(desk.State(), tDeskCore::kPlayStopped);
    take.metronome = view.metronome;
    desk.DestroyTimer();
    return take;
  }
};

TEST_F(ClockWrap, APerformanceAcrossTheWrapIsThePerformanceAwayFromIt) {
  const tTake away = Perform(0);
  // 30000 frames before the wrap: it comes 1.4 s into the recording, while
  // both channels loop and channel 1 is suspended, and again in playback.
  const tTake across = Perform(0xFFFFFFFFu - 29999u);
  EXPECT_LT(across.lastClock, 0x80000000u) << "the clock did not wrap";
  EXPECT_GT(away.lastClock, 88000u);
  EXPECT_EQ(across.events, away.events);
  EXPECT_NE(away.events.find("Channel 1 Fx 1"), std::string::npos);
  EXPECT_EQ(across.metronome, away.metronome);
  ASSERT_EQ(across.recorded.size(), away.recorded.size());
  EXPECT_TRUE(across.recorded == away.recorded) << "the recorded frames differ";
  EXPECT_TRUE(across.played == away.played) << "the played frames differ";
  // Something was played: the frames are not all silence.
  EXPECT_NE(away.played.find_first_not_of('\0', 44), std::string::npos);
}

}  // namespace
