#include <atomic>
#include <string>
#include <thread>
#include <tuple>
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
  // A channel's settings, label, refreshes and sounds as the desk left them.
  void TraceChannel(int i) {
    trace_(i, "label", view_.labels.count(i) ? view_.labels[i] : "(none)", "refreshed",
           view_.refreshed, Describe(Ch(i)));
  }
};

TEST_F(Desk, LoadingAWaveTakesTheStripsSettingsAndTheOutputFormat) {
  WriteWave("Loops/low.wav", 2205, 22050, 8, 1);
  view_.strips[3] = {2.0, 0.0, 0.5, 55, -10};
  Ch(3).SetPitch(4.0);
  {
    tWaitCursor outer(&view_);  // nested guards show the wait cursor once
    trace_("load", desk_.LoadWaveIntoChannel(tChannel::kMain, 3, "C:\\Loops\\low.wav", true));
    trace_("inside: cursor count", tWaitCursor::Count());
  }
  trace_("cursor shown", view_.cursor, "count", tWaitCursor::Count());
  // A strip loop of 0 becomes one beat; the pitch and base volume stay; the
  // new voice plays with what the channel says, the kept pitch too.
  TraceChannel(3);
  // A channel that came from a channel file keeps its file's label.
  WriteHost("Sets/s.chn", "[Brevora Channel]\r\nVersion=3\r\n");
  ASSERT_TRUE(desk_.LoadChannelFile(4, "C:\\Sets\\s.chn", true));
  view_.strips[4].loop = 2.0;
  view_.refreshed.clear();
  trace_("fx", desk_.LoadWaveIntoChannel(tChannel::kEffect, 4, "C:\\Loops\\low.wav", true));
  TraceChannel(4);
}

// Clearing every channel clears the mix, then resets every strip, which
// keeps its key; the start-up sound shows as "---", nothing as "".
TEST_F(Desk, ClearAllChannelsClearsTheMixThenResetsEveryStrip) {
  ASSERT_TRUE(desk_.PrepareChannels());
  tString text;
  desk_.StripLabelText(9, text);
  trace_("start-up sound label", text.GetText());
  Ch(7).SetKey('K');
  desk_.ClearAllChannels();
  desk_.StripLabelText(9, text);
  int sounds = 0;
  for (int i = 0; i < 16; ++i) sounds += Ch(i).HasSound();
  trace_("cleared after refreshes", desk_.clearedAfterRefreshes, "refreshed", view_.refreshed,
         "sounds", sounds, "key", static_cast<char>(Ch(7).GetKey()), "label", text.GetText());
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
  // A: released; B: key still down; C: latched; D: not held.
  for (int i = 0; i < 4; ++i)
    trace_(static_cast<char>('A' + i), "held", Ch(i).GetKeyHeld(), "scheduled", Ch(i).IsScheduled(),
           "playing", Ch(i).GetSound(tChannel::kMain)->IsPlaying());
  trace_("refreshed", view_.refreshed);
}

TEST_F(Desk, LedValuesFollowHeldLatchedEffectAndSuspension) {
  for (auto [held, latched, fx, suspended] : {std::tuple{false, false, false, false},
                                              {true, false, false, false},
                                              {false, true, false, false},
                                              {true, true, false, false},
                                              {true, false, true, false},
                                              {false, true, true, false},
                                              {true, true, true, false},
                                              {false, true, true, true},
                                              {true, true, false, true},
                                              {false, false, true, false}}) {
    Ch(5).SetSuspended(suspended);  // resuming restores the effect selection: set it after
    Ch(5).SetKeyHeld(held);
    Ch(5).SetLatched(latched);
    Ch(5).SetFxOn(fx);
    desk_.SetLed(5);
    trace_("held", held, "latched", latched, "fx", fx, "suspended", suspended, "-> led",
           view_.leds[5]);
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
