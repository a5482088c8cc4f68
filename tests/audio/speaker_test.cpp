// The speaker device over the virtual sound device and timer: start and
// close, the write window, late and missed pages, repairs of a lost or failing
// ring, dropped events and the device's own controls. Traces are switched on
// for this executable; the scenarios record them, with the device's state
// after every step, in golden traces.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <future>
#include <string>
#include <type_traits>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "platform/last_error.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"
#include "tests/audio/audio_test_util.h"
#include "tests/support/support_test_util.h"

namespace {

using audio_test::Bytes;
using audio_test::Traces;
using platform::SoundResult;

const bool g_TraceOn = [] {
  setenv("BREVORA_TRACE", "1", 1);
  return true;
}();

// Frames of a 16-bit stereo ramp whose every sample is distinct: frame i
// holds (i, -i - 1).
Bytes RampBytes(uint32_t firstFrame, uint32_t frames) {
  return audio_test::Samples16(2 * frames, [firstFrame](size_t n) {
    const int frame = static_cast<int>(firstFrame + n / 2);
    return n % 2 ? -frame - 1 : frame;
  });
}

// A speaker that tells whether another thread could take its device lock.
class tLockProbeSpeaker : public tSpeakerPlayback {
 public:
  using tSpeakerPlayback::tSpeakerPlayback;
  bool LockIsFree() {
    return std::async(std::launch::async,
                      [this] {
                        if (!m_Lock.TryEnter()) return false;
                        m_Lock.Leave();
                        return true;
                      })
        .get();
  }
};

// Killing the page timer waits for a callback that is running, and the
// callback waits for the device lock: whoever kills the timer (Start, Stop,
// SetFormat, Close) must not hold that lock, or the two wait for each other.
// Every test checks each kill.
class SpeakerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(g_TraceOn);
    platform::SetLastErrorCode(0);
    timers.onKill = [this](uint32_t) { kills.push_back(speaker.LockIsFree()); };
  }
  void TearDown() override {
    timers.onKill = nullptr;
    EXPECT_EQ(kills, std::vector<bool>(kills.size(), true)) << "a timer killed under the lock";
  }

  // Opens the device in 22050 Hz 16-bit stereo (page 441 frames, 1764
  // bytes; ring 8820 bytes), linked to the test's mixer, and starts it.
  void OpenAndStart() {
    ASSERT_TRUE(speaker.Create());
    speaker.SetSource(&mixer);
    ASSERT_TRUE(speaker.Start());
    ASSERT_NE(sound.Ring(), nullptr);
  }

  // Plays the ramp at unity: it reaches a 16-bit stereo page sample for sample.
  void PlayRamp(uint32_t frames) {
    ASSERT_TRUE(ramp.Create(MakeWaveFormat(22050, 16, 2), frames * 4));
    std::memcpy(ramp.Wave().Data(), RampBytes(0, frames).data(), frames * 4);
    ramp.Voice().SetMixer(&mixer);
    ramp.Voice().Play(false);
  }

  // Records whether the ring holds these bytes at an offset.
  void Ring(uint32_t offset, const Bytes& bytes, const char* what) {
    const auto& ring = sound.Ring()->Bytes();
    const bool holds = std::equal(bytes.begin(), bytes.end(), ring.begin() + offset);
    trace.Line("  ring %u..%zu %s %s", offset, offset + bytes.size(), holds ? "holds" : "lacks",
               what);
  }

  // Where the run of decimal (or lower-case hex) digits from `at` ends.
  static size_t Digits(const std::string& text, size_t at, bool hex = false) {
    while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) ||
                                (hex && text[at] >= 'a' && text[at] <= 'f')))
      ++at;
    return at;
  }

  // The speaker's traces with what changes from run to run masked: tick
  // times, addresses, and the repair count, given from the test's start.
  std::string Steady(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
      size_t end = 0;
      if (text.compare(i, 10, "missed at ") == 0 && (end = Digits(text, i + 10)) > i + 10) {
        out += "missed at *";
      } else if (size_t gap = 0; text.compare(i, 10, "fix it... ") == 0 &&
                                 (gap = Digits(text, i + 10)) > i + 10 && gap < text.size() &&
                                 text[gap] == ' ' && (end = Digits(text, gap + 1)) > gap + 1) {
        out.append(text, i, gap + 1 - i).append("*");
      } else if (text.compare(i, 2, "0x") == 0 && (end = Digits(text, i + 2, true)) > i + 2) {
        out += "*";
      } else {
        out += text[i++];
        continue;
      }
      i = end;
    }
    const size_t at = out.find("fix it... ");
    if (at != std::string::npos) {
      const size_t from = at + 10, to = out.find(' ', from);
      out.replace(from, to - from,
                  "+" + std::to_string(std::stol(out.substr(from, to - from)) - m_Repairs));
    }
    return out;
  }

  // The state of the speaker, its ring, timers and devices.
  void State() {
    platform::VirtualSoundRing* ring = sound.Ring();
    const tSpeakerPlayback::tPageStats pages = speaker.PageStats();
    trace.Line(
        "  = write %d, frames %u, pages %llu/%llu late/%llu missed, least ahead %lld",
        speaker.WritePos(), speaker.FramesDone(), static_cast<unsigned long long>(pages.written),
        static_cast<unsigned long long>(pages.late), static_cast<unsigned long long>(pages.missed),
        static_cast<long long>(pages.leastAheadBytes));
    std::string timer = "none";
    platform::VirtualTimerService::EventRecord event;
    if (speaker.TimerId() != 0 && timers.Event(speaker.TimerId(), event))
      timer = std::to_string(event.delayMs) + "/" + std::to_string(event.resolutionMs) + "/" +
              std::to_string(event.flags);
    trace.Line("    ring %s %s of %u, locks %d, restores %d; timer %s of %zu, periods %d",
               speaker.HasBuffer() ? "kept" : "dropped",
               !ring             ? "none"
               : ring->Playing() ? "playing"
                                 : "halted",
               speaker.BufferSize(), ring ? ring->locks : 0, ring ? ring->restores : 0,
               timer.c_str(), timers.LiveCount(), timers.periodsHeld);
    trace.Line("    devices %d of %d, repairs +%ld, mixer %u frames%s, error %u", sound.devicesOpen,
               sound.devicesOpened, tSpeakerPlayback::RepairCount() - m_Repairs, mixer.Frames(),
               mixer.Output() == &speaker ? "" : " unlinked", platform::LastErrorCode());
  }

  // Runs a step: its label (and result), the traces it wrote, the state after.
  template <typename F>
  void Step(const std::string& label, F f) {
    std::string result;
    const std::string traces = Traces([&] {
      if constexpr (std::is_same_v<decltype(f()), bool>) {
        result = f() ? " => true" : " => false";
      } else {
        f();
      }
    });
    trace.Line("%s%s", label.c_str(), result.c_str());
    std::string quoted;
    for (const char c : Steady(traces)) {
      if (c != '\n' && (quoted.empty() || quoted.back() == '\n')) quoted += "  > ";
      quoted += c;
    }
    trace.Add(quoted);
    State();
  }
  // The same while a device call answers with failure.
  template <typename F>
  void Failing(SoundResult& result, SoundResult failure, const std::string& label, F f) {
    result = failure;
    Step(label, f);
    result = SoundResult::kOk;
  }
  // FillNextPage with the play cursor at `cursor`.
  void FillAt(uint32_t cursor) {
    Step("fill at " + std::to_string(cursor), [&] {
      sound.Ring()->SetPlayCursor(cursor);
      speaker.FillNextPage();
    });
  }

  platform::VirtualSoundService sound;
  platform::VirtualTimerService timers;
  std::vector<bool> kills;  // whether the lock was free at each kill of a timer
  tLockProbeSpeaker speaker{sound, timers};
  tMixer mixer;
  tSound ramp;
  const long m_Repairs = tSpeakerPlayback::RepairCount();
  support_test::GoldenTrace trace{"audio"};
};

TEST_F(SpeakerTest, StartStopCloseFailuresAndControls) {
  const auto create = [&] { return speaker.Create(); };
  const auto start = [&] { return speaker.Start(); };
  Step("create", create);
  trace.Line("  format %u Hz %u-bit %u channels", speaker.Rate(), speaker.BitsPerSample(),
             speaker.Channels());
  speaker.SetSource(&mixer);
  Step("start", start);
  const uint32_t first = speaker.TimerId();
  Step("start again", start);  // replaces the timer
  trace.Line("  first timer live %d", timers.IsLive(first));
  Step("close", [&] { speaker.Close(); });
  trace.Line("  page buffer %s", speaker.PageBuffer() ? "kept" : "released");

  Failing(sound.openResult, SoundResult::kNoDriver, "create without a driver", create);
  timers.beginResult = platform::kTimerNoCanDo;
  Step("create without a timer period", create);
  trace.Line("  period begun %d", speaker.PeriodBegun());
  timers.beginResult = platform::kTimerOk;
  Step("create", create);
  speaker.SetSource(&mixer);
  timers.failSetEvent = true;
  Step("start without a timer event", start);
  timers.failSetEvent = false;
  const auto restart = [&] {
    speaker.SetFormat(MakeWaveFormat(22050, 16, 2));  // drops the ring
    return speaker.Start();
  };
  Failing(sound.createRingResult, SoundResult::kFailed, "restart, no ring", restart);
  Failing(sound.setFormatResult, SoundResult::kUnplayableFormat, "restart, bad format", restart);
  // Writing one page ahead needs a ring of two pages (of 1764 bytes).
  for (uint32_t ring : {3527u, 3528u, 0u}) {
    sound.ringBytes = ring;
    Step("restart on a ring of " + std::to_string(ring) + " bytes", restart);
  }

  // Stop silences the ring, and an event of the stopped timer writes nothing.
  PlayRamp(2000);
  FillAt(0);
  const uint32_t id = speaker.TimerId();
  Step("stop", [&] { speaker.Stop(); });
  Ring(0, Bytes(8820, 0), "silence");
  trace.Line("  stopped timer live %d", timers.IsLive(id));
  Step("event of the stopped timer",
       [&] { tSpeakerPlayback::TimerProc(id, reinterpret_cast<uintptr_t>(&speaker)); });
  // SetFormat drops the ring; the device is silent until Start.
  Step("set 44100 Hz", [&] { speaker.SetFormat(MakeWaveFormat(44100, 16, 2)); });
  Step("start", start);

  // The device's own controls in hundredths of a decibel.
  for (double volume : {0.5, 0.0}) {
    const bool ok = speaker.SetVolume(volume);
    trace.Line("volume %g: %d, %d units, reads %.17g", volume, ok, sound.lastVolume,
               speaker.GetVolume());
  }
  for (double balance : {1.0, -1.0, 0.5}) {
    const bool ok = speaker.SetBalance(balance);
    trace.Line("balance %g: %d, pan %d, reads %.11f", balance, ok, sound.lastPan,
               speaker.GetBalance());
  }
  const bool pitched = speaker.SetPitch(0.5);
  trace.Line("pitch 0.5: %d, %u Hz, reads %.17g", pitched, sound.lastFrequency, speaker.GetPitch());
  sound.volumeResult = SoundResult::kInvalidArgument;
  platform::SetLastErrorCode(0);
  const bool refused = !speaker.SetVolume(0.25);
  const uint32_t error = platform::LastErrorCode();
  trace.Line("volume 0.25 refused %d, error %u, reads %.17g", refused, error, speaker.GetVolume());
  sound.frequencyResult = SoundResult::kFailed;
  sound.panResult = SoundResult::kFailed;
  trace.Line("unreadable pitch %.17g, balance %.17g", speaker.GetPitch(), speaker.GetBalance());
  trace.Check("speaker_lifecycle");
}

// The writer compares where the next page is needed (the target, one page
// past the play cursor) with its write position, the distance wrapped into
// one half of the ring either way: at or behind the target it writes, ahead
// of it it waits. Pages count as written, late (less than a tenth of a page,
// 176 bytes, written ahead of the cursor) or missed (the cursor past the
// written sound); Close traces the counts and starts them afresh.
TEST_F(SpeakerTest, WriteWindowAndLateAndMissedPages) {
  OpenAndStart();
  PlayRamp(20000);
  const int32_t window[][2] = {{1000, 8000}, {8000, 7000}, {6410, 2000}, {2000, 6414},
                               {8000, 1000}, {6412, 2000}, {2000, 6410}, {2000, 2000}};
  for (const auto [writePos, target] : window) {
    // A fresh writer first goes one page past the target, then on by a page.
    trace.Line("window: write %d, target %d", writePos, target);
    ASSERT_TRUE(speaker.KickBuffer());
    FillAt(static_cast<uint32_t>((writePos + 8820 - 2 * 1764) % 8820));
    FillAt(static_cast<uint32_t>((target + 8820 - 1764) % 8820));
  }
  // Written at 8000, the page is split at the ring's end.
  ASSERT_TRUE(speaker.KickBuffer());
  FillAt(8000 - 1764);
  const Bytes page = RampBytes(static_cast<uint32_t>(speaker.FramesDone() - 441), 441);
  Ring(8000, Bytes(page.begin(), page.begin() + 820), "the page's start");
  Ring(0, Bytes(page.begin() + 820, page.end()), "the page's end");

  Step("close", [&] { speaker.Close(); });
  OpenAndStart();
  // From a fresh writer: the page goes to 1764..3528; then one not due
  // yet, on time, on time still, late, missed, and late (just reached).
  for (uint32_t cursor : {0u, 1763u, 1764u, 5292u - 176, 7056u - 175, 400u, 1764u}) FillAt(cursor);
  Step("close", [&] { speaker.Close(); });
  Step("close again", [&] { speaker.Close(); });
  trace.Check("speaker_pages");
}

// A source whose rendering takes long enough for the next timer event to
// arrive: it fires the page timer from inside Render.
class tReentrantSource : public tSoundSource {
 public:
  tReentrantSource(platform::VirtualTimerService& timers, tSpeakerPlayback& speaker)
      : m_Timers(timers), m_Speaker(speaker) {}
  void Render(uint8_t* dest, uint32_t bytes) override {
    ++renders;
    std::memset(dest, 0x11, bytes);
    m_Timers.Fire(m_Speaker.TimerId());
  }
  int renders = 0;

 private:
  platform::VirtualTimerService& m_Timers;
  tSpeakerPlayback& m_Speaker;
};

TEST_F(SpeakerTest, DeviceFailuresRepairsAndDroppedEvents) {
  OpenAndStart();
  PlayRamp(2000);
  FillAt(0);
  // A lost ring is restored, cleared and replayed on the same event; the
  // next event places the write position afresh, one page ahead.
  sound.Ring()->MarkLost();
  FillAt(0);
  Ring(0, Bytes(8820, 0), "silence");
  FillAt(3000);
  Ring(4764, RampBytes(441, 441), "the ramp's second page");

  // Each failure of the device is traced with its own text and kicks the
  // ring: a ring that is not playing, a failed status or cursor, a restore
  // or play that fails, a failed lock (which drops the page), a failed clear
  // and a missing ring.
  const auto fill = [&] { speaker.FillNextPage(); };
  const auto kick = [&] { return speaker.KickBuffer(); };
  Step("halt", [&] { sound.Ring()->Halt(); });
  FillAt(0);
  Failing(sound.statusResult, SoundResult::kFailed, "fill, no status", fill);
  Failing(sound.cursorResult, SoundResult::kWrongState, "fill, no cursor", fill);
  sound.Ring()->MarkLost();
  Failing(sound.restoreResult, SoundResult::kFailed, "kick, no restore", kick);
  sound.playResult = SoundResult::kWrongState;
  Step("kick, restored but no play", kick);
  Step("kick, no play", kick);
  sound.playResult = SoundResult::kOk;
  Step("kick", kick);
  sound.lockResult = SoundResult::kInvalidArgument;
  FillAt(1000);
  Step("clear, no lock", [&] { speaker.ClearBuffer(); });
  sound.lockResult = SoundResult::kOk;
  Failing(sound.unlockResult, SoundResult::kFailed, "fill, no unlock", fill);
  // A missing ring is rebuilt; a rate without a whole frame in 20 ms has an
  // empty page.
  Step("set 22050 Hz", [&] { speaker.SetFormat(MakeWaveFormat(22050, 16, 2)); });
  Step("fill", fill);
  speaker.SetFormat(MakeWaveFormat(40, 16, 2));
  Step("make the ring at 40 Hz", [&] { return speaker.CreateBuffer(); });
  Step("fill", fill);

  // An event arriving while a page is filled is dropped; the flag is clear
  // again after it, and without a source the page is silence.
  speaker.SetFormat(MakeWaveFormat(22050, 16, 2));
  ASSERT_TRUE(speaker.Start());
  tReentrantSource source(timers, speaker);
  speaker.SetSource(&source);
  const auto fire = [&] { return timers.Fire(speaker.TimerId()); };
  Step("event", fire);
  Ring(1764, Bytes(1764, 0x11), "the source's page");
  sound.Ring()->SetPlayCursor(1764);
  Step("event", fire);
  trace.Line("  %d renders", source.renders);
  speaker.SetSource(nullptr);
  FillAt(3528);
  Ring(5292, Bytes(1764, 0), "silence");
  trace.Check("speaker_repairs");
}

}  // namespace
