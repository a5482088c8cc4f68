#include <cmath>
#include <string>

#include "channels/channel.h"
#include "channels/tempo.h"
#include "tests/channels/channels_test_util.h"

namespace {

// 44100 Hz at tempo 130.
constexpr uint32_t kBeat = 20353;

class Channels : public ChannelTest {
 protected:
  // A channel with a main sound of frames frames.
  void LoadMain(tChannel& ch, uint32_t frames, const char* rel = "Loops/main.wav") {
    WriteWave(rel, frames);
    ASSERT_TRUE(ch.LoadSound(tChannel::kMain, ("C:\\" + Desk(rel)).c_str()));
  }
  void LoadEffect(tChannel& ch, uint32_t frames, const char* rel = "Loops/fx.wav") {
    WriteWave(rel, frames);
    ASSERT_TRUE(ch.LoadSound(tChannel::kEffect, ("C:\\" + Desk(rel)).c_str()));
  }
  static std::string Desk(std::string rel) {
    for (char& c : rel)
      if (c == '/') c = '\\';
    return rel;
  }
  static uint32_t Position(tSound* s) { return s->Voice().GetPosition(); }
};

TEST_F(Channels, BeatsBecomeFramesThroughTempoAndRate) {
  EXPECT_EQ(SamplesPerBeat(), 20353);
  EXPECT_EQ(BeatsToFrames(SamplesPerBeat(), 4.0), 81412u);
  SetOutputFormat(22050, 8, 1);
  EXPECT_EQ(SamplesPerBeat(), 10176);
  SetTempo(120);
  EXPECT_EQ(SamplesPerBeat(), 11025);

  // Hand-edited values never wrap around the clock.
  EXPECT_EQ(BeatsToFrames(20353, -1.0), 0u);
  EXPECT_EQ(BeatsToFrames(20353, std::nan("")), 0u);
  EXPECT_EQ(BeatsToFrames(20353, 1e300), 2147483647u);
  EXPECT_EQ(BeatsToFrames(20353, INFINITY), 2147483647u);
  SetTempo(0);
  EXPECT_EQ(SamplesPerBeat(), 2147483647);
  SetTempo(-5);
  EXPECT_GE(SamplesPerBeat(), 1);
}

TEST_F(Channels, TriggerPlacesTheStartOnTheGridPlusDelay) {
  tChannel ch;
  ch.Trigger(1000);
  EXPECT_FALSE(ch.IsScheduled());  // no sound, nothing scheduled
  LoadMain(ch, 100000);
  ch.SetQuantize(1.0);
  ch.SetDelay(0.5);
  ch.SetLoop(4.0);
  ch.Trigger(50000);
  EXPECT_EQ(ch.GetNextStart(), 2 * kBeat + 10176);  // 50882

  tSound* snd = ch.GetSound(tChannel::kMain);
  ch.Tick(50881);
  EXPECT_FALSE(snd->IsPlaying());
  ch.Tick(50882);
  EXPECT_TRUE(snd->IsPlaying());
  EXPECT_EQ(Position(snd), 0u);
  EXPECT_EQ(ch.GetNextStart(), 50882 + 4 * kBeat);

  // Quantize 0 is a grid of single frames: the start is now.
  ch.SetQuantize(0.0);
  ch.SetDelay(0.0);
  ch.Trigger(123457);
  EXPECT_EQ(ch.GetNextStart(), 123457u);
  // A quantize too small to be a frame still gives a grid of one frame.
  ch.SetQuantize(1e-9);
  ch.Trigger(99);
  EXPECT_EQ(ch.GetNextStart(), 99u);
}

TEST_F(Channels, AStartLateByFiveHundredFramesBeginsInsideTheSound) {
  for (uint32_t late : {499u, 500u, 2000u}) {
    tChannel ch;
    LoadMain(ch, 10000);
    ch.SetLoop(1.0);
    ch.Trigger(1000);
    ch.Tick(1000 + late);
    tSound* snd = ch.GetSound(tChannel::kMain);
    EXPECT_TRUE(snd->IsPlaying()) << late;
    EXPECT_EQ(Position(snd), late < 500 ? 0u : late) << late;
    EXPECT_EQ(ch.GetNextStart(), 1000 + kBeat);
  }
  // Lateness that reaches the sound's length plays nothing that round.
  tChannel ch;
  LoadMain(ch, 1000);
  ch.SetLoop(1.0);
  ch.Trigger(0);
  ch.Tick(1000);
  EXPECT_FALSE(ch.GetSound(tChannel::kMain)->IsPlaying());
  EXPECT_EQ(ch.GetNextStart(), kBeat);
}

TEST_F(Channels, LoopsRestartTheSoundAndCutALongerOne) {
  tChannel ch;
  LoadMain(ch, 3 * kBeat);
  ch.SetQuantize(1.0);
  ch.SetLoop(1.0);
  ch.Trigger(5);
  ch.Tick(10);
  tSound* snd = ch.GetSound(tChannel::kMain);
  ASSERT_TRUE(snd->IsPlaying());
  snd->Voice().SetPosition(15000);  // as if it had played on
  ch.Tick(kBeat - 1);
  EXPECT_EQ(Position(snd), 15000u);
  ch.Tick(kBeat + 3);
  EXPECT_TRUE(snd->IsPlaying());
  EXPECT_EQ(Position(snd), 0u);  // cut and restarted at the loop boundary
  EXPECT_EQ(ch.GetNextStart(), 2 * kBeat);

  // A loop of 0 beats, or one shorter than a frame, never starts.
  for (double loop : {0.0, -2.0, 1e-9}) {
    tChannel idle;
    LoadMain(idle, 1000, "Loops/idle.wav");
    idle.SetLoop(loop);
    idle.Trigger(0);
    idle.Tick(0);
    idle.Tick(kBeat);
    EXPECT_FALSE(idle.GetSound(tChannel::kMain)->IsPlaying()) << loop;
  }
}

TEST_F(Channels, StopEndsTheScheduleAndKeepPlayingLetsTheSoundRingOut) {
  tChannel ch;
  LoadMain(ch, 3 * kBeat);
  ch.SetLoop(1.0);
  ch.Trigger(0);
  ch.Tick(0);
  tSound* snd = ch.GetSound(tChannel::kMain);
  snd->Voice().SetPosition(700);
  ch.Stop(true);
  EXPECT_FALSE(ch.IsScheduled());
  EXPECT_TRUE(snd->IsPlaying());
  ch.Tick(kBeat);
  EXPECT_EQ(Position(snd), 700u);  // not restarted
  ch.Stop(false);
  EXPECT_FALSE(snd->IsPlaying());
  EXPECT_EQ(ch.GetNextStart(), tChannel::kNoTime);
}

TEST_F(Channels, TheScheduleRunsOnWhenTheClockWraps) {
  tChannel ch;
  LoadMain(ch, 10000);
  ch.SetLoop(1.0);
  ch.Trigger(0xFFFFFF00u);
  ch.Tick(0xFFFFFEFFu);
  EXPECT_FALSE(ch.GetSound(tChannel::kMain)->IsPlaying());
  ch.Tick(0x10);  // 272 frames after the start, past the wrap
  EXPECT_TRUE(ch.GetSound(tChannel::kMain)->IsPlaying());
  EXPECT_EQ(ch.GetNextStart(), 0xFFFFFF00u + kBeat);
  // No time stays no time, whatever the clock says.
  ch.Stop(false);
  ch.Tick(0xFFFFFFFFu);
  ch.Tick(0x7FFFFFFFu);
  EXPECT_FALSE(ch.GetSound(tChannel::kMain)->IsPlaying());
}

TEST_F(Channels, ResumingCatchesUpLoopByLoopInPhase) {
  const uint32_t L = kBeat;
  tChannel ch;
  LoadMain(ch, 100000);
  ch.SetQuantize(1.0);
  ch.SetLoop(1.0);
  ch.Trigger(0);
  ch.Tick(0);
  ch.Tick(L);
  ASSERT_EQ(ch.GetNextStart(), 2 * L);
  ch.SetFxOn(true);  // no effect sound: the selection is only kept
  ch.SetSuspended(true);
  ch.Stop(false);
  ch.SetFxOn(false);
  tSound* snd = ch.GetSound(tChannel::kMain);
  ch.Tick(3 * L);
  EXPECT_FALSE(snd->IsPlaying());
  EXPECT_EQ(ch.GetSavedStart(), 2 * L);

  ch.SetSuspended(false);
  EXPECT_TRUE(ch.GetFxOn());
  EXPECT_EQ(ch.GetNextStart(), L);  // the loop that ran when suspended
  const uint32_t now = 5 * L + 100;
  // Each tick starts the sound at the lateness of the next loop until the
  // schedule lies after now.
  const uint32_t expected[] = {4 * L + 100, 3 * L + 100, 2 * L + 100, L + 100, 0};
  for (uint32_t position : expected) {
    ch.Tick(now);
    EXPECT_TRUE(snd->IsPlaying());
    EXPECT_EQ(Position(snd), position);
  }
  EXPECT_EQ(ch.GetNextStart(), 6 * L);
  snd->Voice().SetPosition(7);
  ch.Tick(now);
  EXPECT_EQ(Position(snd), 7u);

  // A channel that was not scheduled when suspended stays unscheduled.
  tChannel idle;
  LoadMain(idle, 1000, "Loops/idle.wav");
  idle.SetLoop(1.0);
  EXPECT_EQ(idle.GetSavedStart(), tChannel::kNoTime);
  idle.SetSuspended(true);
  idle.SetSuspended(false);
  EXPECT_FALSE(idle.IsScheduled());
  idle.Tick(1000);
  EXPECT_FALSE(idle.GetSound(tChannel::kMain)->IsPlaying());
}

TEST_F(Channels, SwitchingTheEffectRetriggersOnTheGrid) {
  tChannel ch;
  LoadMain(ch, 200000);
  LoadEffect(ch, 200000);
  ch.SetQuantize(1.0);
  ch.SetLoop(4.0);
  ch.Trigger(0);
  ch.Tick(0);
  tSound* snd = ch.GetSound(tChannel::kMain);
  tSound* sfx = ch.GetSound(tChannel::kEffect);
  ASSERT_TRUE(snd->IsPlaying());
  EXPECT_FALSE(sfx->IsPlaying());

  ch.SetFxOn(true);
  ch.Tick(30000);
  EXPECT_FALSE(snd->IsPlaying());
  EXPECT_TRUE(sfx->IsPlaying());
  EXPECT_EQ(ch.GetCurrent(), sfx);
  EXPECT_EQ(Position(sfx), 30000u - kBeat);  // from the grid point 20353
  EXPECT_EQ(ch.GetNextStart(), kBeat + 4 * kBeat);

  ch.SetFxOn(false);
  ch.Tick(40000);
  EXPECT_FALSE(sfx->IsPlaying());
  EXPECT_TRUE(snd->IsPlaying());
  EXPECT_EQ(Position(snd), 40000u - kBeat);
}

TEST_F(Channels, EffectSwitchDoesNothingWithoutAnEffectSound) {
  tChannel ch;
  LoadMain(ch, 100000);
  ch.SetLoop(4.0);
  ch.Trigger(0);
  ch.Tick(0);
  ch.SetFxOn(true);
  ch.Tick(30000);
  tSound* snd = ch.GetSound(tChannel::kMain);
  EXPECT_TRUE(snd->IsPlaying());
  EXPECT_EQ(ch.GetCurrent(), snd);
  EXPECT_EQ(ch.GetNextStart(), 4 * kBeat);
}

TEST_F(Channels, AnEffectOnlyChannelStartsOnlyWithTheEffectOn) {
  tChannel ch;
  LoadEffect(ch, 50000);
  EXPECT_EQ(ch.GetCurrent(), nullptr);
  ch.SetQuantize(1.0);
  ch.SetLoop(1.0);
  ch.Trigger(100);
  ch.Tick(100);
  ch.Tick(kBeat + 100);
  tSound* sfx = ch.GetSound(tChannel::kEffect);
  EXPECT_FALSE(sfx->IsPlaying());

  ch.SetFxOn(true);
  ch.Tick(kBeat + 200);
  EXPECT_TRUE(sfx->IsPlaying());
  EXPECT_EQ(Position(sfx), 0u);  // 200 frames late: from the start
  EXPECT_EQ(ch.GetNextStart(), 2 * kBeat);
}

TEST_F(Channels, ParametersAreClampedAndReachBothVoices) {
  tChannel ch;
  LoadMain(ch, 100);
  LoadEffect(ch, 100);
  tSound* snd = ch.GetSound(tChannel::kMain);
  tSound* sfx = ch.GetSound(tChannel::kEffect);
  ch.SetVolume(150);
  EXPECT_EQ(ch.GetVolume(), 100);
  EXPECT_EQ(sfx->Voice().GetVolume(), 1.0);
  ch.AdjustVolume(-30);
  EXPECT_EQ(snd->Voice().GetVolume(), 0.7);
  ch.AdjustVolume(INT32_MIN);
  EXPECT_EQ(ch.GetVolume(), 0);
  ch.SetBalance(-300);
  EXPECT_EQ(ch.GetBalance(), -100);
  EXPECT_EQ(snd->Voice().GetBalance(), -1.0);
  ch.AdjustBalance(125);
  EXPECT_EQ(sfx->Voice().GetBalance(), 0.25);
  ch.SetPitch(1.5);
  EXPECT_EQ(snd->Voice().GetPitch(), 101.5 / 100.0);
  ch.SetPitch(-150.0);  // stored as given
  EXPECT_EQ(ch.GetPitch(), -150.0);
}

TEST_F(Channels, PitchStepsStayStrictlyInsideTwentyPercent) {
  tChannel ch;
  ch.SetPitch(19.9);
  ch.AdjustPitch(0.1);
  const double sum = 19.9 + 0.1;
  EXPECT_EQ(ch.GetPitch(), sum < 20.0 ? sum : 19.9);

  ch.SetPitch(0.0);
  double highest = 0.0;
  for (int i = 0; i < 300; ++i) {
    ch.AdjustPitch(0.1);
    highest = std::max(highest, ch.GetPitch());
  }
  EXPECT_LT(highest, 20.0);
  EXPECT_GT(highest, 19.8);
  ch.SetPitch(0.0);
  for (int i = 0; i < 300; ++i) ch.AdjustPitch(-0.1);
  EXPECT_GT(ch.GetPitch(), -20.0);
  EXPECT_LT(ch.GetPitch(), -19.8);
  ch.AdjustPitch(0.0);  // a zero step counts as downward and still moves nothing
  EXPECT_LT(ch.GetPitch(), -19.8);
}

TEST_F(Channels, ResetKeepsTheKeyAndReturnsTheRest) {
  tChannel ch;
  EXPECT_EQ(ch.GetVolume(), 100);
  EXPECT_EQ(ch.GetBaseVolume(), 80);
  LoadMain(ch, 100);
  ch.SetKey('Q');
  ch.SetLatched(true);
  ch.SetKeyHeld(true);
  ch.SetLoop(2.0);
  ch.SetVolume(33);
  ch.SetBaseBalance(40);
  ch.Trigger(0);
  ch.Reset();
  EXPECT_EQ(ch.GetKey(), 'Q');
  EXPECT_FALSE(ch.HasSound());
  EXPECT_FALSE(ch.GetLatched() || ch.GetKeyHeld() || ch.GetFxOn() || ch.GetSuspended());
  EXPECT_EQ(ch.GetVolume(), 80);
  EXPECT_EQ(ch.GetBaseBalance(), 0);
  EXPECT_EQ(ch.GetLoop(), 0.0);
  EXPECT_FALSE(ch.IsScheduled());
  EXPECT_TRUE(ch.GetSndPath().IsEmpty());
  EXPECT_TRUE(ch.GetSndLabel().IsEmpty());
  EXPECT_EQ(Field(ch.GetFileFormat(tChannel::kMain).nSamplesPerSec), 44100u);  // kept
}

TEST_F(Channels, LoadingRecordsPathLabelSerialAndFormat) {
  tChannel ch;
  WriteWave("E/Loops/a.wav", 100, 22050, 8, 1);
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, "E:\\Loops\\a.wav"));
  EXPECT_STREQ(ch.GetSndPath().GetText(), "E:\\Loops\\a.wav");
  EXPECT_STREQ(ch.GetSndLabel().GetText(), "ELABEL");
  EXPECT_EQ(ch.GetSndSerial(), tFileName::VolumeSerialOf(tFileName("E:\\")));
  EXPECT_EQ(Field(ch.GetFileFormat(tChannel::kMain).nSamplesPerSec), 22050u);
  EXPECT_EQ(ch.GetCurrent(), ch.GetSound(tChannel::kMain));

  // Reloading from the channel's own path works although the load clears it.
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, ch.GetSndPath().GetText()));
  EXPECT_STREQ(ch.GetSndPath().GetText(), "E:\\Loops\\a.wav");

  // A failed load leaves no sound and no path, label or serial.
  EXPECT_FALSE(ch.LoadSound(tChannel::kMain, "E:\\Loops\\missing.wav"));
  EXPECT_FALSE(ch.HasMain());
  EXPECT_EQ(ch.GetCurrent(), nullptr);
  EXPECT_TRUE(ch.GetSndPath().IsEmpty());
  EXPECT_TRUE(ch.GetSndLabel().IsEmpty());
  EXPECT_EQ(ch.GetSndSerial(), 0u);

  // A path the desk's buffers cannot hold is refused, not cut to another file.
  const std::string dir(250, 'd');
  WriteWave("E/Loops/" + dir + "/a.wav", 100);
  WriteWave("E/Loops/" + dir + "/a.w", 100);
  const std::string longPath = "E:\\Loops\\" + dir + "\\a.wav";
  ASSERT_EQ(longPath.size(), 265u);
  EXPECT_FALSE(ch.LoadSound(tChannel::kEffect, longPath.c_str()));
  EXPECT_FALSE(ch.HasEffect());
}

TEST_F(Channels, SwapAndRemoveCarryLabelsSerialsAndFormats) {
  tChannel ch;
  WriteWave("Loops/main.wav", 100, 44100, 16, 2);
  WriteWave("E/Loops/fx.wav", 50, 22050, 8, 1);
  ASSERT_TRUE(ch.LoadSound(tChannel::kMain, "C:\\Loops\\main.wav"));
  ASSERT_TRUE(ch.LoadSound(tChannel::kEffect, "E:\\Loops\\fx.wav"));
  const uint32_t serialC = ch.GetSndSerial(), serialE = ch.GetSfxSerial();
  tSound* oldFx = ch.GetSound(tChannel::kEffect);

  ch.SwapSounds();
  EXPECT_EQ(ch.GetSound(tChannel::kMain), oldFx);
  EXPECT_EQ(ch.GetCurrent(), oldFx);
  EXPECT_STREQ(ch.GetSndPath().GetText(), "E:\\Loops\\fx.wav");
  EXPECT_STREQ(ch.GetSndLabel().GetText(), "ELABEL");
  EXPECT_STREQ(ch.GetSfxLabel().GetText(), "LOOPS");
  EXPECT_EQ(ch.GetSndSerial(), serialE);
  EXPECT_EQ(ch.GetSfxSerial(), serialC);
  EXPECT_EQ(Field(ch.GetFileFormat(tChannel::kMain).nSamplesPerSec), 22050u);
  EXPECT_EQ(Field(ch.GetFileFormat(tChannel::kEffect).nSamplesPerSec), 44100u);

  ch.RemoveEffect();
  EXPECT_FALSE(ch.HasEffect());
  EXPECT_TRUE(ch.GetSfxPath().IsEmpty());
  EXPECT_TRUE(ch.GetSfxLabel().IsEmpty());
  EXPECT_EQ(ch.GetSfxSerial(), 0u);
  EXPECT_EQ(Field(ch.GetFileFormat(tChannel::kEffect).nSamplesPerSec), 0u);
  EXPECT_EQ(ch.GetCurrent(), oldFx);

  // With only an effect sound, swapping makes it the main and current sound.
  tChannel only;
  LoadEffect(only, 10);
  only.SwapSounds();
  EXPECT_TRUE(only.HasMain());
  EXPECT_FALSE(only.HasEffect());
  EXPECT_EQ(only.GetCurrent(), only.GetSound(tChannel::kMain));
}

TEST_F(Channels, NeedsReloadWhenTheFileOffersMoreThanTheSoundHolds) {
  const WAVEFORMATEX high = MakeWaveFormat(44100, 16, 2);
  const WAVEFORMATEX low = MakeWaveFormat(22050, 8, 1);
  tChannel ch;
  LoadMain(ch, 1000);  // 44100 Hz 16-bit stereo file
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

TEST_F(Channels, PrepareEmptyMakesAShortSoundInTheOutputFormat) {
  SetOutputFormat(22050, 8, 1);
  tChannel ch;
  ASSERT_TRUE(ch.PrepareEmpty());
  WAVEFORMATEX f;
  ch.GetSound(tChannel::kMain)->GetFormat(f);
  EXPECT_EQ(Field(f.nSamplesPerSec), 22050u);
  EXPECT_EQ(Field(f.wBitsPerSample), 8u);
  EXPECT_EQ(Field(f.nChannels), 1u);
  EXPECT_EQ(ch.GetSound(tChannel::kMain)->GetLength(), 32u);
  ch.Reset();
  EXPECT_FALSE(ch.HasSound());
}

}  // namespace
