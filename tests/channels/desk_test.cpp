#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "channels/channel_desk.h"
#include "tests/channels/channels_test_util.h"

namespace {

// A desk whose mix part records when it is cleared, relative to the strips.
class tMixRecordingDesk : public tChannelDesk {
 public:
  explicit tMixRecordingDesk(tRecordingView* view) : tChannelDesk(view), m_pView(view) {}
  size_t clearedAfterRefreshes = SIZE_MAX;

 protected:
  void ClearMix() override { clearedAfterRefreshes = m_pView->refreshed.size(); }

 private:
  tRecordingView* m_pView;
};

class Desk : public ChannelTest {
 protected:
  tRecordingView view_;
  tMixRecordingDesk desk_{&view_};
  tChannel& Ch(int i = 0) { return desk_.Channel(i); }
};

TEST_F(Desk, LoadingAWaveTakesTheStripsSettingsAndTheOutputFormat) {
  WriteWave("Loops/low.wav", 2205, 22050, 8, 1);
  view_.strips[3] = {2.0, 0.0, 0.5, 55, -10};
  Ch(3).SetPitch(4.0);
  {
    tWaitCursor outer(&view_);  // nested guards show the wait cursor once
    ASSERT_TRUE(desk_.LoadWaveIntoChannel(tChannel::kMain, 3, "C:\\Loops\\low.wav", true));
    EXPECT_EQ(tWaitCursor::Count(), 1);
  }
  EXPECT_EQ(view_.cursor, (std::vector<bool>{true, false}));
  EXPECT_EQ(tWaitCursor::Count(), 0);
  // A strip loop of 0 becomes one beat; the pitch and base volume stay.
  EXPECT_EQ((std::vector<double>{Ch(3).GetQuantize(), Ch(3).GetLoop(), Ch(3).GetDelay(),
                                 double(Ch(3).GetVolume()), double(Ch(3).GetBalance()),
                                 double(Ch(3).GetBaseVolume()), Ch(3).GetPitch()}),
            (std::vector<double>{2.0, 1.0, 0.5, 55, -10, 80, 4.0}));
  EXPECT_EQ(view_.labels[3], "---");
  EXPECT_EQ(view_.refreshed, std::vector<int>{3});
  EXPECT_EQ(FormatOf(Ch(3).GetSound(tChannel::kMain)), "44100/16/2");
  EXPECT_EQ(FormatOf(Ch(3).GetFileFormat(tChannel::kMain)), "22050/8/1");
  // The new voice plays with what the channel says, the kept pitch too.
  tVoice& voice = Ch(3).GetSound(tChannel::kMain)->Voice();
  EXPECT_EQ((std::vector<double>{voice.GetVolume(), voice.GetBalance(), voice.GetPitch()}),
            (std::vector<double>{0.55, -0.1, 1.04}));

  // A channel that came from a channel file keeps its file's label.
  WriteHost("Sets/s.chn", "[Brevora Channel]\r\nVersion=3\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(4, "C:\\Sets\\s.chn", true));
  view_.strips[4].loop = 2.0;
  ASSERT_TRUE(desk_.LoadWaveIntoChannel(tChannel::kEffect, 4, "C:\\Loops\\low.wav", true));
  EXPECT_EQ(view_.labels.count(4), 0u);
  EXPECT_EQ(Ch(4).GetLoop(), 2.0);
  EXPECT_TRUE(Ch(4).HasEffect());
}

TEST_F(Desk, AWaveThatDoesNotLoadIsReportedWhenAsked) {
  EXPECT_FALSE(desk_.LoadWaveIntoChannel(tChannel::kEffect, 0, "C:\\nothing.wav", true));
  EXPECT_FALSE(desk_.LoadWaveIntoChannel(tChannel::kMain, 0, "C:\\nothing.wav", false));
  EXPECT_EQ(view_.messages,
            (tRecordingView::tMessages{{"Can not load wave fx", "C:\\nothing.wav"}}));
  EXPECT_TRUE(view_.refreshed.empty());
  // Outside the sixteen channels nothing happens.
  EXPECT_FALSE(desk_.LoadWaveIntoChannel(tChannel::kMain, 16, "C:\\nothing.wav", true));
  EXPECT_FALSE(desk_.LoadChannelFile(-1, "C:\\x.chn", true));
  EXPECT_FALSE(desk_.SaveChannelFile(16, "C:\\x.chn"));
  EXPECT_FALSE(desk_.AdaptChannel(99, MakeWaveFormat(44100, 16, 2)));
}

// Clearing every channel clears the mix, then resets every strip, which
// keeps its key; the start-up sound shows as "---", nothing as "".
TEST_F(Desk, ClearAllChannelsClearsTheMixThenResetsEveryStrip) {
  ASSERT_TRUE(desk_.PrepareChannels());
  tString text;
  desk_.StripLabelText(9, text);
  EXPECT_STREQ(text.GetText(), "---");
  Ch(7).SetKey('K');
  desk_.ClearAllChannels();
  EXPECT_EQ(desk_.clearedAfterRefreshes, 0u);
  std::vector<int> all;
  for (int i = 0; i < 16; ++i) all.push_back(i);
  EXPECT_EQ(view_.refreshed, all);
  for (int i = 0; i < 16; ++i) EXPECT_FALSE(Ch(i).HasSound()) << i;
  EXPECT_EQ(Ch(7).GetKey(), 'K');
  desk_.StripLabelText(9, text);
  EXPECT_STREQ(text.GetText(), "");
}

TEST_F(Desk, ReleaseUnheldChannelsReleasesOnlyHeldUnlatchedChannelsWhoseKeyIsUp) {
  WriteWave("Loops/a.wav", 100000);
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(Ch(i).LoadSound(tChannel::kMain, "C:\\Loops\\a.wav"));
    Ch(i).SetKey(static_cast<uint8_t>('A' + i));
    Ch(i).SetLoop(1.0);
    Ch(i).SetKeyHeld(i != 3);
    Ch(i).Trigger(0);
    Ch(i).Tick(0);
  }
  Ch(2).SetLatched(true);
  view_.keysDown.insert('B');
  desk_.ReleaseUnheldChannels();
  EXPECT_FALSE(Ch(0).GetKeyHeld() || Ch(0).IsScheduled());
  EXPECT_FALSE(Ch(0).GetSound(tChannel::kMain)->IsPlaying());
  EXPECT_TRUE(Ch(1).GetKeyHeld());                         // key still down
  EXPECT_TRUE(Ch(2).GetKeyHeld() && Ch(2).IsScheduled());  // latched
  EXPECT_TRUE(Ch(3).IsScheduled());                        // not held
  EXPECT_EQ(view_.refreshed, std::vector<int>{0});
}

TEST_F(Desk, LedValuesFollowHeldLatchedEffectAndSuspension) {
  struct {
    bool held, latched, fx, suspended;
    int led;
  } cases[] = {
      {false, false, false, false, 0}, {true, false, false, false, 3},
      {false, true, false, false, 1},  {true, true, false, false, 1},
      {true, false, true, false, 4},   {false, true, true, false, 2},
      {true, true, true, false, 2},    {false, true, true, true, 0},
      {true, true, false, true, 1},    {false, false, true, false, 0},
  };
  for (const auto& c : cases) {
    Ch(5).SetSuspended(c.suspended);  // resuming restores the effect selection: set it after
    Ch(5).SetKeyHeld(c.held);
    Ch(5).SetLatched(c.latched);
    Ch(5).SetFxOn(c.fx);
    desk_.SetLed(5);
    EXPECT_EQ(view_.leds[5], c.led) << c.held << c.latched << c.fx << c.suspended;
  }
}

TEST_F(Desk, TheTickThreadAndTheMainThreadShareChannelsSafely) {
  // The engine tick drives every channel on its own thread while the main
  // thread loads, swaps, suspends and resets them (run under the thread
  // sanitizer to see races; here it must simply neither crash nor hang).
  WriteWave("Loops/a.wav", 3000);
  WriteWave("Loops/b.wav", 5000, 22050, 8, 1);
  WriteHost("Sets/s.chn",
            "[Brevora Channel]\r\nVersion=3\r\nLoop=0.25\r\nSnd=Loops\\a.wav\r\n"
            "SFx=Loops\\b.wav\r\n");
  std::atomic<bool> done{false};
  std::atomic<uint32_t> clock{0};
  std::thread tick([&] {
    while (!done.load()) {
      const uint32_t now = clock.fetch_add(441) + 441;
      for (int i = 0; i < tChannelDesk::kChannels; ++i) {
        tChannel& ch = desk_.Channel(i);
        ch.Tick(now);
        if (now % 7 == 0) ch.Trigger(now);  // event playback
        ch.SetVolume(static_cast<int32_t>(now % 101));
      }
    }
  });
  for (int round = 0; round < 40; ++round) {
    const int i = round % 4;
    ASSERT_TRUE(desk_.LoadChannelFile(i, "C:\\Sets\\s.chn", true));
    Ch(i).Trigger(clock.load());
    Ch(i).SetFxOn(round % 2 == 0);
    Ch(i).SwapSounds();
    Ch(i).SetSuspended(true);
    Ch(i).Stop(false);
    Ch(i).SetSuspended(false);
    ASSERT_TRUE(desk_.LoadWaveIntoChannel(tChannel::kEffect, i, "C:\\Loops\\a.wav", true));
    Ch(i).RemoveEffect();
    desk_.AdaptChannel(i, MakeWaveFormat(round % 3 == 0 ? 22050 : 44100, 16, 2));
    if (round % 10 == 9) desk_.ClearAllChannels();
  }
  done = true;
  tick.join();
  EXPECT_TRUE(view_.messages.empty());
}

}  // namespace
