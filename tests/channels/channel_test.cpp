#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <latch>
#include <map>
#include <string>
#include <tuple>
#include <vector>

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
  // Plays a session of one channel, a step a string: a word, then a number
  // where it takes one (frames also as "3b+100", three beats and 100
  // frames). Each step is traced with the fields of the channel it changed;
  // the first with all of them.
  void Run(tChannel& ch, const std::vector<std::string>& steps) {
    std::vector<std::string> before;
    double x = 0.0;
    uint32_t t = 0;
    const std::map<std::string, std::function<void()>> does = {
        {"main", [&] { Load(ch, t); }},
        {"fx", [&] { Load(ch, t, "Loops/fx.wav", tChannel::kEffect); }},
        {"quantize", [&] { ch.SetQuantize(x); }},
        {"loop", [&] { ch.SetLoop(x); }},
        {"trigger", [&] { ch.Trigger(t); }},
        {"tick", [&] { ch.Tick(t); }},
        {"stop", [&] { ch.Stop(false); }},
        {"suspend", [&] { ch.SetSuspended(true); }},
        {"resume", [&] { ch.SetSuspended(false); }},
        {"fx-on", [&] { ch.SetFxOn(true); }},
        {"fx-off", [&] { ch.SetFxOn(false); }},
        {"volume", [&] { ch.SetVolume(static_cast<int32_t>(x)); }},
        {"+volume", [&] { ch.AdjustVolume(static_cast<int32_t>(x)); }},
        {"balance", [&] { ch.SetBalance(static_cast<int32_t>(x)); }},
        {"+balance", [&] { ch.AdjustBalance(static_cast<int32_t>(x)); }},
        {"pitch", [&] { ch.SetPitch(x); }},
    };
    for (const std::string& step : steps) {
      const size_t blank = step.find(' ');
      const std::string arg = blank == std::string::npos ? "0" : step.substr(blank + 1);
      char* end = nullptr;
      x = std::strtod(arg.c_str(), nullptr);
      int64_t frames = std::strtoll(arg.c_str(), &end, 0);
      if (*end == 'b') frames = frames * kBeat + std::strtoll(end + 1, nullptr, 10);
      t = static_cast<uint32_t>(frames);
      const auto does_it = does.find(step.substr(0, blank));
      ASSERT_NE(does_it, does.end()) << step;
      does_it->second();
      std::string changed;
      const std::vector<std::string> now = Fields(ch);
      for (size_t i = 0; i < now.size(); ++i)
        if (i >= before.size() || now[i] != before[i]) changed += " " + now[i];
      trace_(step, "->" + (changed.empty() ? " (no change)" : changed));
      before = now;
    }
  }
};

// A start late by 500 frames or more begins that far inside the sound;
// lateness that reaches the sound's length plays nothing that round. The
// schedule runs on when the clock wraps, and no time stays no time.
TEST_F(Channels, AStartLateByFiveHundredFramesBeginsInsideTheSound) {
  for (auto [start, late, frames] : {std::tuple{1000u, 499u, 10000u},
                                     {1000u, 500u, 10000u},
                                     {1000u, 2000u, 10000u},
                                     {1000u, 999u, 1000u},
                                     {1000u, 1000u, 1000u},
                                     {0xFFFFFF00u, 272u, 10000u}}) {
    tChannel ch;
    Run(ch, {"main " + std::to_string(frames), "loop 1", "trigger " + std::to_string(start),
             "tick " + std::to_string(start - 1), "tick " + std::to_string(start + late), "stop",
             "tick 0xFFFFFFFF", "tick 0x7FFFFFFF"});
  }
}

// Resumed, a channel steps back to the loop that ran while it was
// suspended, and each tick starts the sound at the lateness of the next
// loop until the schedule lies after now. Triggered while suspended (its
// key pressed again) it stays silent: every due tick moves its start on by
// one loop, in phase. One that was not scheduled stays unscheduled.
TEST_F(Channels, ResumingCatchesUpLoopByLoopInPhase) {
  tChannel ch;
  Run(ch, {"quantize 1", "main 100000", "loop 1", "trigger 0", "tick 0", "tick 1b",
           "fx-on",  // no effect sound: the selection is only kept
           "suspend", "stop", "fx-off", "tick 3b"});
  trace_("saved start", ch.GetSavedStart());
  Run(ch, {"resume", "tick 5b+100", "tick 5b+100", "tick 5b+100", "tick 5b+100", "tick 5b+100",
           "suspend", "stop", "trigger 7b+50", "tick 7b+50", "tick 8b+700"});
  tChannel idle;
  Run(idle, {"main 1000", "loop 1", "suspend", "resume"});
}

TEST_F(Channels, ParametersAreClampedAndReachBothVoices) {
  tChannel ch;
  Run(ch, {"main 100", "fx 100", "volume 150", "+volume -30", "+volume -2147483648", "balance -300",
           "+balance 125", "pitch 1.5", "pitch -150"});  // stored as given
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
  tSound* oldFx = Fx(ch);
  trace_("loaded |", Describe(ch));
  ch.SwapSounds();
  trace_("swapped |", Describe(ch), "| old fx is main", Main(ch) == oldFx);
  ch.RemoveEffect();
  trace_("effect removed |", Describe(ch), "| current is old fx", ch.GetCurrent() == oldFx);
  // With only an effect sound, swapping makes it the main and current sound.
  tChannel only;
  Load(only, 10, "Loops/only.wav", tChannel::kEffect);
  only.SwapSounds();
  trace_("only an effect, swapped |", Describe(only));
}

TEST_F(Channels, NeedsReloadWhenTheFileOffersMoreThanTheSoundHolds) {
  tChannel ch, poor;
  Load(ch, 1000);  // 44100 Hz 16-bit stereo file
  WriteWave("Loops/poor.wav", 1000, 22050, 8, 1);
  ASSERT_TRUE(poor.LoadSound(tChannel::kMain, "C:\\Loops\\poor.wav"));
  auto needs = [&](tChannel& c, tChannel::tWhich which, uint32_t rate, uint16_t bits,
                   uint16_t channels) {
    trace_(FormatOf(c.GetFileFormat(which)), "file,", FormatOf(Main(c)), "sound, wanted", rate,
           bits, channels, ":", c.NeedsReload(which, MakeWaveFormat(rate, bits, channels)));
  };
  needs(ch, tChannel::kMain, 44100, 16, 2);
  ASSERT_TRUE(ch.ConvertSound(tChannel::kMain, MakeWaveFormat(22050, 8, 1)));
  needs(ch, tChannel::kMain, 44100, 16, 2);
  needs(ch, tChannel::kMain, 22050, 8, 2);  // channels alone
  needs(ch, tChannel::kMain, 22050, 8, 1);
  needs(ch, tChannel::kEffect, 44100, 16, 2);  // no effect sound
  needs(poor, tChannel::kMain, 44100, 16, 2);
}

}  // namespace
