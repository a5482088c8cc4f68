#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <latch>
#include <string>
#include <tuple>

#include "channels/channel.h"
#include "channels/output_format.h"
#include "channels/tempo.h"
#include "tests/channels/channels_test_util.h"

namespace {

// 44100 Hz at tempo 130.
constexpr uint32_t kBeat = 20353;

class Channels : public ChannelTest {
 protected:
  // Loads a wave of frames frames, written below the root as rel, as sound which.
  void Load(tChannel& ch, uint32_t frames, std::string rel = "Loops/main.wav",
            tChannel::tWhich which = tChannel::kMain) {
    WriteWave(rel, frames);
    std::replace(rel.begin(), rel.end(), '/', '\\');
    ASSERT_TRUE(ch.LoadSound(which, ("C:\\" + rel).c_str()));
  }
  // A main sound of frames frames looping every loop beats, triggered at start.
  void Schedule(tChannel& ch, uint32_t frames, double loop, uint32_t start,
                const char* rel = "Loops/main.wav") {
    Load(ch, frames, rel);
    ch.SetLoop(loop);
    ch.Trigger(start);
  }
  static tSound* Main(tChannel& ch) { return ch.GetSound(tChannel::kMain); }
  static tSound* Fx(tChannel& ch) { return ch.GetSound(tChannel::kEffect); }
  // What plays: "main@position", "fx@position", both, or "-".
  static std::string Playing(tChannel& ch) {
    std::string out;
    for (auto [name, s] : {std::pair{"main", Main(ch)}, {"fx", Fx(ch)}})
      if (s != nullptr && s->IsPlaying())
        out += (out.empty() ? "" : " ") + std::string(name) + "@" +
               std::to_string(s->Voice().GetPosition());
    return out.empty() ? "-" : out;
  }
};

TEST_F(Channels, BeatsBecomeFramesThroughTempoAndRate) {
  // Whole frames of a beat; a tempo of 0 or below is a beat without end.
  const struct {
    uint32_t rate;
    int32_t tempo, frames;
  } perBeat[] = {{44100, 130, 20353},
                 {22050, 130, 10176},
                 {22050, 120, 11025},
                 {22050, 0, 2147483647},
                 {22050, -5, 2147483647}};
  for (const auto& b : perBeat) {
    SetOutputFormat(b.rate, 16, 2);
    SetTempo(b.tempo);
    EXPECT_EQ(SamplesPerBeat(), b.frames) << b.rate << " Hz at " << b.tempo;
  }
  // Hand-edited values never wrap around the clock.
  for (auto [beats, frames] : {std::pair{4.0, 81412u},
                               {-1.0, 0u},
                               {std::nan(""), 0u},
                               {1e300, 2147483647u},
                               {INFINITY, 2147483647u}})
    EXPECT_EQ(BeatsToFrames(20353, beats), frames) << beats;
}

TEST_F(Channels, TriggerPlacesTheStartOnTheGridPlusDelay) {
  tChannel ch;
  ch.Trigger(1000);
  EXPECT_FALSE(ch.IsScheduled());  // no sound, nothing scheduled
  ch.SetQuantize(1.0);
  ch.SetDelay(0.5);
  Schedule(ch, 100000, 4.0, 50000);
  EXPECT_EQ(ch.GetNextStart(), 2 * kBeat + 10176);  // 50882
  ch.Tick(50881);
  EXPECT_EQ(Playing(ch), "-");
  ch.Tick(50882);
  EXPECT_EQ(Playing(ch), "main@0");
  EXPECT_EQ(ch.GetNextStart(), 50882 + 4 * kBeat);
  // Quantize 0 is a grid of single frames: the start is now; a quantize too
  // small to be a frame still gives a grid of one frame.
  ch.SetDelay(0.0);
  for (auto [quantize, now] : {std::pair{0.0, 123457u}, {1e-9, 99u}}) {
    ch.SetQuantize(quantize);
    ch.Trigger(now);
    EXPECT_EQ(ch.GetNextStart(), now) << quantize;
  }
}

// A start late by 500 frames or more begins that far inside the sound;
// lateness that reaches the sound's length plays nothing that round. The
// schedule runs on when the clock wraps, and no time stays no time.
TEST_F(Channels, AStartLateByFiveHundredFramesBeginsInsideTheSound) {
  for (auto [start, late, frames, playing] : {std::tuple{1000u, 499u, 10000u, "main@0"},
                                              {1000u, 500u, 10000u, "main@500"},
                                              {1000u, 2000u, 10000u, "main@2000"},
                                              {1000u, 999u, 1000u, "main@999"},
                                              {1000u, 1000u, 1000u, "-"},
                                              {0xFFFFFF00u, 272u, 10000u, "main@0"}}) {
    tChannel ch;
    Schedule(ch, frames, 1.0, start);
    ch.Tick(start - 1);
    EXPECT_EQ(Playing(ch), "-");
    ch.Tick(start + late);
    EXPECT_EQ(Playing(ch), playing) << late;
    EXPECT_EQ(ch.GetNextStart(), start + kBeat);
    ch.Stop(false);
    ch.Tick(0xFFFFFFFFu);
    ch.Tick(0x7FFFFFFFu);
    EXPECT_EQ(Playing(ch), "-");
  }
}

TEST_F(Channels, LoopsRestartTheSoundAndCutALongerOne) {
  tChannel ch;
  ch.SetQuantize(1.0);
  Schedule(ch, 3 * kBeat, 1.0, 5);
  ch.Tick(10);
  ASSERT_TRUE(Main(ch)->IsPlaying());
  Main(ch)->Voice().SetPosition(15000);  // as if it had played on
  ch.Tick(kBeat - 1);
  EXPECT_EQ(Playing(ch), "main@15000");
  ch.Tick(kBeat + 3);
  EXPECT_EQ(Playing(ch), "main@0");  // cut and restarted at the loop boundary
  EXPECT_EQ(ch.GetNextStart(), 2 * kBeat);
  // Stopped with keepPlaying the sound rings on and is not restarted.
  Main(ch)->Voice().SetPosition(700);
  ch.Stop(true);
  EXPECT_FALSE(ch.IsScheduled());
  ch.Tick(3 * kBeat);
  EXPECT_EQ(Playing(ch), "main@700");
  ch.Stop(false);
  EXPECT_EQ(Playing(ch), "-");

  // A loop of 0 beats, or one shorter than a frame, never starts.
  for (double loop : {0.0, -2.0, 1e-9}) {
    tChannel idle;
    Schedule(idle, 1000, loop, 0, "Loops/idle.wav");
    idle.Tick(0);
    idle.Tick(kBeat);
    EXPECT_EQ(Playing(idle), "-") << loop;
  }
}

TEST_F(Channels, ResumingCatchesUpLoopByLoopInPhase) {
  const uint32_t L = kBeat;
  tChannel ch;
  ch.SetQuantize(1.0);
  Schedule(ch, 100000, 1.0, 0);
  ch.Tick(0);
  ch.Tick(L);
  ch.SetFxOn(true);  // no effect sound: the selection is only kept
  ch.SetSuspended(true);
  ch.Stop(false);
  ch.SetFxOn(false);
  ch.Tick(3 * L);
  EXPECT_EQ(Playing(ch), "-");
  EXPECT_EQ(ch.GetSavedStart(), 2 * L);

  ch.SetSuspended(false);
  EXPECT_TRUE(ch.GetFxOn());
  EXPECT_EQ(ch.GetNextStart(), L);  // the loop that ran when suspended
  // Each tick starts the sound at the lateness of the next loop until the
  // schedule lies after now.
  const uint32_t now = 5 * L + 100;
  for (uint32_t position : {4 * L + 100, 3 * L + 100, 2 * L + 100, L + 100, 0u}) {
    ch.Tick(now);
    EXPECT_EQ(Playing(ch), "main@" + std::to_string(position));
  }
  EXPECT_EQ(ch.GetNextStart(), 6 * L);

  // Triggered while suspended (its key pressed again), a channel stays
  // silent: every due tick moves its start on by one loop, in phase.
  ch.SetSuspended(true);
  ch.Stop(false);
  ch.Trigger(7 * L + 50);
  for (uint32_t tick : {7 * L + 50, 8 * L + 700}) {
    ch.Tick(tick);
    EXPECT_EQ(Playing(ch), "-");
    EXPECT_EQ(ch.GetNextStart(), tick - tick % L + L);
  }

  // A channel that was not scheduled when suspended stays unscheduled.
  tChannel idle;
  Load(idle, 1000, "Loops/idle.wav");
  idle.SetLoop(1.0);
  idle.SetSuspended(true);
  idle.SetSuspended(false);
  EXPECT_FALSE(idle.IsScheduled());
}

TEST_F(Channels, SwitchingTheEffectRetriggersOnTheGrid) {
  tChannel ch;
  ch.SetQuantize(1.0);
  Schedule(ch, 200000, 4.0, 0);
  ch.Tick(0);
  // Without an effect sound the switch changes nothing.
  ch.SetFxOn(true);
  ch.Tick(30000);
  EXPECT_EQ(Playing(ch), "main@0");
  EXPECT_EQ(ch.GetNextStart(), 4 * kBeat);

  Load(ch, 200000, "Loops/fx.wav", tChannel::kEffect);
  ch.SetFxOn(false);
  ch.Trigger(0);
  ch.Tick(0);
  ch.SetFxOn(true);
  ch.Tick(30000);
  EXPECT_EQ(Playing(ch), "fx@9647");  // from the grid point 20353
  EXPECT_EQ(ch.GetCurrent(), Fx(ch));
  EXPECT_EQ(ch.GetNextStart(), kBeat + 4 * kBeat);
  ch.SetFxOn(false);
  ch.Tick(40000);
  EXPECT_EQ(Playing(ch), "main@19647");

  // A channel with only an effect sound starts only with the effect on.
  tChannel only;
  Load(only, 50000, "Loops/only.wav", tChannel::kEffect);
  EXPECT_EQ(only.GetCurrent(), nullptr);
  only.SetQuantize(1.0);
  only.SetLoop(1.0);
  only.Trigger(100);
  only.Tick(100);
  only.Tick(kBeat + 100);
  EXPECT_EQ(Playing(only), "-");
  only.SetFxOn(true);
  only.Tick(kBeat + 200);
  EXPECT_EQ(Playing(only), "fx@0");  // 200 frames late: from the start
  EXPECT_EQ(only.GetNextStart(), 2 * kBeat);
}

TEST_F(Channels, ParametersAreClampedAndReachBothVoices) {
  tChannel ch;
  Load(ch, 100);
  Load(ch, 100, "Loops/fx.wav", tChannel::kEffect);
  ch.SetVolume(150);
  EXPECT_EQ(ch.GetVolume(), 100);
  EXPECT_EQ(Fx(ch)->Voice().GetVolume(), 1.0);
  ch.AdjustVolume(-30);
  EXPECT_EQ(Main(ch)->Voice().GetVolume(), 0.7);
  ch.AdjustVolume(INT32_MIN);
  EXPECT_EQ(ch.GetVolume(), 0);
  ch.SetBalance(-300);
  EXPECT_EQ(Main(ch)->Voice().GetBalance(), -1.0);
  ch.AdjustBalance(125);
  EXPECT_EQ(Fx(ch)->Voice().GetBalance(), 0.25);
  ch.SetPitch(1.5);
  EXPECT_EQ(Main(ch)->Voice().GetPitch(), 101.5 / 100.0);
  ch.SetPitch(-150.0);  // stored as given
  EXPECT_EQ(ch.GetPitch(), -150.0);

  // Pitch steps stay strictly inside 20 percent either way.
  for (double step : {0.1, -0.1}) {
    ch.SetPitch(0.0);
    double furthest = 0.0;
    for (int i = 0; i < 300; ++i) {
      ch.AdjustPitch(step);
      furthest = std::max(furthest, std::abs(ch.GetPitch()));
    }
    EXPECT_LT(furthest, 20.0) << step;
    EXPECT_GT(furthest, 19.8) << step;
  }
}

TEST_F(Channels, ResetKeepsTheKeyAndReturnsTheRest) {
  tChannel ch;
  EXPECT_EQ(ch.GetVolume(), 100);
  EXPECT_EQ(ch.GetBaseVolume(), 80);
  Load(ch, 100);
  ch.SetKey('Q');
  ch.SetLatched(true);
  ch.SetKeyHeld(true);
  ch.SetLoop(2.0);
  ch.SetVolume(33);
  ch.SetBaseBalance(40);
  ch.Trigger(0);
  ch.Reset();
  EXPECT_EQ(ch.GetKey(), 'Q');
  EXPECT_FALSE(ch.HasSound() || ch.GetLatched() || ch.GetKeyHeld() || ch.IsScheduled());
  EXPECT_EQ(ch.GetVolume(), 80);
  EXPECT_EQ(ch.GetBaseBalance(), 0);
  EXPECT_EQ(ch.GetLoop(), 0.0);
  EXPECT_TRUE(ch.GetSndPath().IsEmpty());
  EXPECT_EQ(FormatOf(ch.GetFileFormat(tChannel::kMain)), "44100/16/2");  // kept

  // The empty start-up sound is short and in the output format.
  SetOutputFormat(22050, 8, 1);
  ASSERT_TRUE(ch.PrepareEmpty());
  EXPECT_EQ(FormatOf(Main(ch)), "22050/8/1");
  EXPECT_EQ(Main(ch)->GetLength(), 32u);
}

TEST_F(Channels, LoadingRecordsPathLabelSerialAndFormat) {
  tChannel ch;
  WriteWave("E/Loops/a.wav", 100, 22050, 8, 1);
  // Reloading from the channel's own path works although the load clears it.
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, "E:\\Loops\\a.wav"));
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, ch.GetSndPath().GetText()));
  auto record = [&] {
    return std::string(ch.GetSndPath().GetText()) + "|" + ch.GetSndLabel().GetText() + "|" +
           std::to_string(ch.GetSndSerial()) + "|" + FormatOf(ch.GetFileFormat(tChannel::kMain)) +
           "|" + (ch.GetCurrent() == Main(ch) && ch.HasMain() ? "current" : "none");
  };
  EXPECT_EQ(record(), "E:\\Loops\\a.wav|ELABEL|" +
                          std::to_string(tFileName::VolumeSerialOf(tFileName("E:\\"))) +
                          "|22050/8/1|current");

  // A failed load leaves no sound and no path, label or serial; a sound that
  // cannot take the output format (a rate raised more than 64 times) does
  // not load either, and the format of the file it came from stays on record.
  EXPECT_FALSE(ch.LoadSound(tChannel::kMain, "E:\\Loops\\missing.wav"));
  EXPECT_EQ(record(), "||0|22050/8/1|none");
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, "E:\\Loops\\a.wav"));
  WriteWave("E/Loops/slow.wav", 100, 600, 16, 1);
  WAVEFORMATEX out{};
  ReadOutputFormat(out);
  EXPECT_FALSE(ch.LoadSoundConverted(tChannel::kMain, "E:\\Loops\\slow.wav", out));
  EXPECT_EQ(record(), "||0|600/16/1|none");

  // A path the desk's buffers cannot hold is refused, not cut to another file.
  const std::string dir(250, 'd');
  WriteWave("E/Loops/" + dir + "/a.wav", 100);
  WriteWave("E/Loops/" + dir + "/a.w", 100);
  const std::string longPath = "E:\\Loops\\" + dir + "\\a.wav";
  ASSERT_EQ(longPath.size(), 265u);
  EXPECT_FALSE(ch.LoadSound(tChannel::kEffect, longPath.c_str()));
  EXPECT_FALSE(ch.HasEffect());
}

// A channel whose next load, once the disk is made slow, waits until the
// test lets its file be read, as a load from a slow disk does.
class tSlowDiskChannel : public tChannel {
 public:
  bool slow = false;
  std::latch reading{1};
  std::latch diskReady{1};

 protected:
  tLoaded Read(const std::string& path, const WAVEFORMATEX* format) override {
    if (slow) {
      reading.count_down();
      diskReady.wait();
    }
    return tChannel::Read(path, format);
  }
};

TEST_F(Channels, ALoadWaitingForItsDiskHoldsUpNoTick) {
  tSlowDiskChannel loading;
  tChannel other;
  Schedule(loading, 100000, 4.0, 0, "Loops/old.wav");
  Schedule(other, 100000, 4.0, 0, "Loops/other.wav");
  WriteWave("Loops/new.wav", 5000, 22050, 8, 1);
  WAVEFORMATEX format{};
  ReadOutputFormat(format);

  loading.slow = true;
  std::future<bool> load = std::async(std::launch::async, [&] {
    return loading.LoadSoundConverted(tChannel::kMain, "C:\\Loops\\new.wav", format);
  });
  loading.reading.wait();
  // The engine tick of both channels runs while the load waits; the old
  // sound plays on meanwhile. A tick that waited for the load would still
  // be waiting when the bound below runs out.
  std::future<void> tick = std::async(std::launch::async, [&] {
    loading.Tick(0);
    other.Tick(0);
  });
  const bool ticked = tick.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  EXPECT_TRUE(ticked) << "the tick waited for a load on another thread";
  if (ticked) {
    EXPECT_EQ(Playing(loading), "main@0");  // the old sound plays on meanwhile
  }
  loading.diskReady.count_down();
  tick.wait();
  EXPECT_EQ(Playing(other), "main@0");

  ASSERT_TRUE(load.get());
  EXPECT_EQ(Main(loading)->GetLength(), 10000u);  // 5000 frames at 22050 Hz, now at 44100 Hz
  EXPECT_STREQ(loading.GetSndPath().GetText(), "C:\\Loops\\new.wav");
  EXPECT_EQ(FormatOf(loading.GetFileFormat(tChannel::kMain)), "22050/8/1");
  EXPECT_EQ(loading.GetCurrent(), Main(loading));
  EXPECT_EQ(Playing(loading), "-");  // the old sound is stopped and gone
}

TEST_F(Channels, SwapAndRemoveCarryLabelsSerialsAndFormats) {
  tChannel ch;
  WriteWave("E/Loops/fx.wav", 50, 22050, 8, 1);
  Load(ch, 100);
  ASSERT_TRUE(ch.LoadSound(tChannel::kEffect, "E:\\Loops\\fx.wav"));
  const uint32_t serialC = ch.GetSndSerial(), serialE = ch.GetSfxSerial();
  tSound* oldFx = Fx(ch);
  auto sides = [&] {
    return std::string(ch.GetSndPath().GetText()) + " " + ch.GetSndLabel().GetText() + " " +
           FormatOf(ch.GetFileFormat(tChannel::kMain)) + " | " + ch.GetSfxPath().GetText() + " " +
           ch.GetSfxLabel().GetText() + " " + FormatOf(ch.GetFileFormat(tChannel::kEffect));
  };
  ch.SwapSounds();
  EXPECT_EQ(Main(ch), oldFx);
  EXPECT_EQ(ch.GetCurrent(), oldFx);
  EXPECT_EQ(sides(), "E:\\Loops\\fx.wav ELABEL 22050/8/1 | C:\\Loops\\main.wav LOOPS 44100/16/2");
  EXPECT_EQ(ch.GetSndSerial(), serialE);
  EXPECT_EQ(ch.GetSfxSerial(), serialC);

  ch.RemoveEffect();
  EXPECT_FALSE(ch.HasEffect());
  EXPECT_EQ(sides(), "E:\\Loops\\fx.wav ELABEL 22050/8/1 |   0/0/0");
  EXPECT_EQ(ch.GetSfxSerial(), 0u);
  EXPECT_EQ(ch.GetCurrent(), oldFx);

  // With only an effect sound, swapping makes it the main and current sound.
  tChannel only;
  Load(only, 10, "Loops/only.wav", tChannel::kEffect);
  only.SwapSounds();
  EXPECT_FALSE(only.HasEffect());
  EXPECT_EQ(only.GetCurrent(), Main(only));
  EXPECT_NE(Main(only), nullptr);
}

TEST_F(Channels, NeedsReloadWhenTheFileOffersMoreThanTheSoundHolds) {
  const WAVEFORMATEX high = MakeWaveFormat(44100, 16, 2);
  const WAVEFORMATEX low = MakeWaveFormat(22050, 8, 1);
  tChannel ch;
  Load(ch, 1000);  // 44100 Hz 16-bit stereo file
  EXPECT_FALSE(ch.NeedsReload(tChannel::kMain, high));
  ASSERT_TRUE(ch.ConvertSound(tChannel::kMain, low));
  EXPECT_TRUE(ch.NeedsReload(tChannel::kMain, high));
  EXPECT_TRUE(ch.NeedsReload(tChannel::kMain, MakeWaveFormat(22050, 8, 2)));  // channels alone
  EXPECT_FALSE(ch.NeedsReload(tChannel::kMain, low));
  EXPECT_FALSE(ch.NeedsReload(tChannel::kEffect, high));  // no effect sound

  tChannel poor;
  WriteWave("Loops/poor.wav", 1000, 22050, 8, 1);
  ASSERT_TRUE(poor.LoadSound(tChannel::kMain, "C:\\Loops\\poor.wav"));
  EXPECT_FALSE(poor.NeedsReload(tChannel::kMain, high));
}

}  // namespace
