// The speaker device over the virtual sound device and timer: start and
// close, the write window, late and missed pages, repairs of a lost or failing
// ring, dropped events and the device's own controls. Traces are switched on
// for this executable and read from stderr.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "platform/last_error.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"
#include "tests/audio/audio_test_util.h"

namespace {

using audio_test::Bytes;
using platform::SoundResult;

const bool g_TraceOn = [] {
  setenv("BREVORA_TRACE", "1", 1);
  return true;
}();

using audio_test::Has;
using audio_test::Traces;

// Whether the traces hold the speaker's line "tSpeakerPlayback::" + line.
bool Says(const std::string& traces, const std::string& line) {
  return Has(traces, "tSpeakerPlayback::" + line + "\n");
}

// The traces of f, run while a device call answers with failure.
template <typename F>
std::string Failing(SoundResult& result, SoundResult failure, F f) {
  result = failure;
  const std::string traces = Traces(f);
  result = SoundResult::kOk;
  return traces;
}

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

  Bytes RingBytes(uint32_t offset, uint32_t count) {
    const auto& ring = sound.Ring()->Bytes();
    return Bytes(ring.begin() + offset, ring.begin() + offset + count);
  }

  // Runs FillNextPage with the play cursor at `cursor`; returns the traces.
  std::string FillAt(uint32_t cursor) {
    sound.Ring()->SetPlayCursor(cursor);
    return Traces([&] { speaker.FillNextPage(); });
  }

  platform::VirtualSoundService sound;
  platform::VirtualTimerService timers;
  std::vector<bool> kills;  // whether the lock was free at each kill of a timer
  tLockProbeSpeaker speaker{sound, timers};
  tMixer mixer;
  tSound ramp;
};

TEST_F(SpeakerTest, StartRunsATenMillisecondTimerAndCloseReleasesEverything) {
  ASSERT_TRUE(speaker.Create());
  EXPECT_EQ(timers.periodsHeld, 1);
  EXPECT_EQ((std::vector<uint32_t>{speaker.Rate(), speaker.BitsPerSample(), speaker.Channels()}),
            (std::vector<uint32_t>{22050, 16, 2}));  // the built-in format
  speaker.SetSource(&mixer);
  ASSERT_TRUE(speaker.Start());
  EXPECT_EQ(speaker.BufferSize(), 8820u);
  EXPECT_TRUE(sound.Ring()->Playing());
  EXPECT_EQ(speaker.WritePos(), -1);
  EXPECT_EQ(mixer.Frames(), 441u);
  platform::VirtualTimerService::EventRecord event;
  ASSERT_TRUE(timers.Event(speaker.TimerId(), event));
  EXPECT_EQ((std::vector<uint32_t>{event.delayMs, event.resolutionMs, event.flags}),
            (std::vector<uint32_t>{10, 1, platform::kTimerPeriodic}));

  // Start again replaces the timer.
  const uint32_t first = speaker.TimerId();
  ASSERT_TRUE(speaker.Start());
  EXPECT_FALSE(timers.IsLive(first));
  EXPECT_EQ(timers.LiveCount(), 1u);

  speaker.Close();
  EXPECT_EQ(
      (std::vector<int64_t>{int64_t(timers.LiveCount()), timers.periodsHeld, sound.devicesOpen}),
      (std::vector<int64_t>{0, 0, 0}));
  EXPECT_EQ(mixer.Output(), nullptr);
  EXPECT_EQ(speaker.PageBuffer(), nullptr);
}

TEST_F(SpeakerTest, CreateAndStartFailuresAreTracedWithTheirResult) {
  const auto create = [&] { EXPECT_FALSE(speaker.Create()); };
  const auto start = [&] { EXPECT_FALSE(speaker.Start()); };
  EXPECT_TRUE(Says(Failing(sound.openResult, SoundResult::kNoDriver, create),
                   "CreateDevice => DirectSoundCreate failed"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorSoundNoDriver);
  timers.beginResult = platform::kTimerNoCanDo;
  EXPECT_TRUE(Says(Traces(create), "Create => timeBeginPeriod failed"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kTimerNoCanDo);
  EXPECT_FALSE(speaker.PeriodBegun());
  timers.beginResult = platform::kTimerOk;

  ASSERT_TRUE(speaker.Create());
  timers.failSetEvent = true;
  EXPECT_FALSE(speaker.Start());
  timers.failSetEvent = false;
  speaker.SetFormat(MakeWaveFormat(22050, 16, 2));  // drops the ring
  EXPECT_TRUE(Says(Failing(sound.createRingResult, SoundResult::kFailed, start),
                   "CreateBuffer => IDirectSoundBuffer::CreateSoundBuffer (primary) failed"));
  EXPECT_TRUE(Says(Failing(sound.setFormatResult, SoundResult::kUnplayableFormat, start),
                   "CreateBuffer => IDirectSoundBuffer::SetFormat (primary) failed"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorSoundBadFormat);
  EXPECT_FALSE(speaker.HasBuffer());

  // Writing one page ahead needs a ring of two pages (of 1764 bytes).
  for (uint32_t ring : {3527u, 3528u}) {
    sound.ringBytes = ring;
    speaker.SetFormat(MakeWaveFormat(22050, 16, 2));
    EXPECT_EQ(speaker.Start(), ring == 3528) << ring;
    EXPECT_EQ(timers.LiveCount(), ring == 3528 ? 1u : 0u);
  }
}

// The writer compares where the next page is needed (the target, one page
// past the play cursor) with its write position, the distance wrapped into
// one half of the ring either way: at or behind the target it writes, ahead
// of it it waits.
TEST_F(SpeakerTest, WriteWindowDecisionsAndAPageSplitAtTheRingsEnd) {
  OpenAndStart();
  PlayRamp(20000);
  struct Case {
    int32_t writePos, target;
    bool written;
  };
  const Case cases[] = {
      {1000, 8000, false},  // 1820 ahead across the end
      {8000, 7000, false},  // 1000 ahead
      {6410, 2000, false},  // half the ring ahead
      {2000, 6414, false},  // 4406 ahead across the end
      {8000, 1000, true},   // 1820 behind across the end
      {6412, 2000, true},   // 4408 behind across the end
      {2000, 6410, true},   // half the ring behind
      {2000, 2000, true},   // just where it is needed
  };
  for (const Case& c : cases) {
    // A fresh writer first goes one page past the target, then on by a page.
    ASSERT_TRUE(speaker.KickBuffer());
    FillAt(static_cast<uint32_t>((c.writePos + 8820 - 2 * 1764) % 8820));
    ASSERT_EQ(speaker.WritePos(), c.writePos);
    const int locks = sound.Ring()->locks;
    FillAt(static_cast<uint32_t>((c.target + 8820 - 1764) % 8820));
    EXPECT_EQ(sound.Ring()->locks - locks, c.written ? 1 : 0) << c.writePos << " " << c.target;
    EXPECT_EQ(speaker.WritePos(), c.written ? (c.writePos + 1764) % 8820 : c.writePos);
  }

  // Written at 8000, the page is split at the ring's end.
  ASSERT_TRUE(speaker.KickBuffer());
  FillAt(8000 - 1764);
  ASSERT_EQ(speaker.WritePos(), 944);
  const Bytes page = RampBytes(static_cast<uint32_t>(speaker.FramesDone() - 441), 441);
  EXPECT_EQ(RingBytes(8000, 820), Bytes(page.begin(), page.begin() + 820));
  EXPECT_EQ(RingBytes(0, 944), Bytes(page.begin() + 820, page.end()));
}

// Timer events late by up to 15 ms and early by up to 5, from every frame
// position of the 100 ms ring: the writer never laps the play cursor nor
// falls behind it, and is never more than two pages ahead. When the cursor
// stands still the writer stops.
TEST_F(SpeakerTest, LateAndEarlyEventsNeverLapThePlayCursor) {
  OpenAndStart();
  const int64_t ring = speaker.BufferSize(), page = speaker.PageSize();
  uint32_t seed = 7;
  auto jitterMs = [&] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int64_t>((seed >> 16) % 21) - 5;
  };
  for (int64_t phase = 0; phase < ring; phase += 4) {
    ASSERT_TRUE(speaker.KickBuffer());
    // Positions are counted on from the phase without wrapping.
    int64_t writer = -1, cursor = phase, us = 0;
    auto fill = [&] {
      sound.Ring()->SetPlayCursor(static_cast<uint32_t>(cursor % ring));
      const uint32_t before = speaker.FramesDone();
      speaker.FillNextPage();
      const int64_t pages = (speaker.FramesDone() - before) / 441;
      if (writer < 0 && pages > 0) writer = cursor + page;
      writer += pages * page;
      ASSERT_EQ(writer % ring, speaker.WritePos()) << phase;
      ASSERT_GE(writer - cursor, 0) << "behind the cursor, phase " << phase;
      ASSERT_LE(writer - cursor, 2 * page) << "ahead of the cursor, phase " << phase;
    };
    for (int k = 0; k < 40; ++k) {
      us = std::max(us, 10000 * k + 1000 * jitterMs());
      cursor = phase + us * 22050 / 1000000 * 4;
      fill();
      if (HasFatalFailure()) return;
    }
    for (int k = 0; k < 8 && !HasFatalFailure(); ++k) fill();
  }
}

// Pages count as written, late (less than a tenth of a page, 176 bytes,
// written ahead of the cursor) or missed (the cursor past the written sound);
// Close traces the counts and starts them afresh.
TEST_F(SpeakerTest, LateAndMissedPagesAreCountedAndTracedAtClose) {
  OpenAndStart();
  FillAt(0);  // a fresh writer: the page goes to 1764..3528
  const struct {
    uint32_t cursor;
    int32_t writePos;  // after the event
  } steps[] = {
      {1763, 3528},        // 1765 ahead: not due yet
      {1764, 5292},        // one page ahead: on time
      {5292 - 176, 7056},  // 176 ahead: on time still
      {7056 - 175, 0},     // 175 ahead: late
      {400, 1764},         // 400 past the written sound: missed
      {1764, 3528},        // just reached: late, not missed yet
  };
  for (const auto& s : steps) {
    const std::string trace = FillAt(s.cursor);
    ASSERT_EQ(speaker.WritePos(), s.writePos) << s.cursor;
    // Only the missed page is traced as it happens.
    EXPECT_EQ(Has(trace, "speaker: page missed at "), s.cursor == 400) << trace;
    EXPECT_EQ(Has(trace, "ms, the cursor 400 bytes past the written sound"), s.cursor == 400);
  }
  const std::string trace = Traces([&] { speaker.Close(); });
  // 400 bytes at 88.2 bytes a millisecond.
  EXPECT_TRUE(Has(trace, "speaker: 6 pages written, 2 late, 1 missed, least ahead -4.5 ms"))
      << trace;
  EXPECT_EQ(speaker.PageStats().written, 0u);
  EXPECT_EQ(speaker.PageStats().leastAheadBytes, INT64_MAX);
  EXPECT_FALSE(Has(Traces([&] { speaker.Close(); }), "speaker:"));
}

TEST_F(SpeakerTest, ALostRingIsRestoredClearedAndReplayedOnTheSameEvent) {
  OpenAndStart();
  PlayRamp(2000);
  FillAt(0);
  sound.Ring()->MarkLost();
  const std::string traces = FillAt(0);
  EXPECT_TRUE(Says(traces, "GetPlayPos => Buffer is lost"));
  EXPECT_TRUE(Says(traces, "FillNextPage => GetPlayPos failed"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorSoundFailed);
  EXPECT_EQ((std::vector<int>{sound.Ring()->restores, sound.Ring()->Playing(), speaker.WritePos()}),
            (std::vector<int>{1, true, -1}));
  EXPECT_EQ(RingBytes(0, 8820), Bytes(8820, 0));  // cleared to silence

  // The next event places the write position afresh, one page ahead.
  FillAt(3000);
  EXPECT_EQ(RingBytes(4764, 1764), RampBytes(441, 441));
}

// Each failure of the device is traced with its own text: a ring that is not
// playing, a failed status or cursor, a restore or play that fails, a failed
// lock (which drops the page), a failed clear and a missing ring.
TEST_F(SpeakerTest, EveryDeviceFailureIsTracedAndKicksTheRing) {
  OpenAndStart();
  sound.Ring()->Halt();
  EXPECT_TRUE(Says(FillAt(0), "GetPlayPos => Buffer is not playing"));
  EXPECT_TRUE(sound.Ring()->Playing());
  const auto fill = [&] { speaker.FillNextPage(); };
  EXPECT_TRUE(Says(Failing(sound.statusResult, SoundResult::kFailed, fill),
                   "GetPlayPos => IDirectSoundBuffer::GetStatus failed"));
  EXPECT_TRUE(Says(Failing(sound.cursorResult, SoundResult::kWrongState, fill),
                   "GetPlayPos => GetCurrentPosition failed"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorSoundInvalidCall);
  EXPECT_EQ(speaker.FramesDone(), 0u);

  const auto kick = [&] { EXPECT_FALSE(speaker.KickBuffer()); };
  const std::string playFailed = "KickBuffer => IDirectSoundBuffer::Play failed";
  sound.Ring()->MarkLost();
  EXPECT_TRUE(Says(Failing(sound.restoreResult, SoundResult::kFailed, kick),
                   "KickBuffer => IDirectSoundBuffer::Restore failed"));
  sound.playResult = SoundResult::kWrongState;
  EXPECT_TRUE(Says(Traces(kick), playFailed));  // restored, but the second Play fails
  EXPECT_TRUE(Says(Traces(kick), playFailed));  // a plain Play failure
  EXPECT_EQ(sound.Ring()->restores, 1);
  sound.playResult = SoundResult::kOk;
  ASSERT_TRUE(speaker.KickBuffer());

  sound.lockResult = SoundResult::kInvalidArgument;
  const std::string traces = FillAt(1000);
  EXPECT_TRUE(Says(traces, "LockBuffer => Failed to lock sound buffer (2764,1764)"));
  EXPECT_TRUE(Says(traces, "FillNextPage => LockBuffer failed"));
  EXPECT_EQ((std::pair<int64_t, int64_t>{speaker.WritePos(), speaker.FramesDone()}),
            (std::pair<int64_t, int64_t>{-1, 0}));
  EXPECT_TRUE(Says(Traces([&] { speaker.ClearBuffer(); }),
                   "ClearBuffer => IDirectSoundBuffer::Lock failed"));
  sound.lockResult = SoundResult::kOk;

  // A missing ring is rebuilt; a rate without a whole frame in 20 ms has
  // an empty page.
  speaker.SetFormat(MakeWaveFormat(22050, 16, 2));
  EXPECT_TRUE(Says(Traces(fill), "FillNextPage => No sound buffer"));
  EXPECT_TRUE(speaker.HasBuffer());
  EXPECT_TRUE(sound.Ring()->Playing());
  speaker.SetFormat(MakeWaveFormat(40, 16, 2));
  ASSERT_TRUE(speaker.CreateBuffer());
  EXPECT_TRUE(Says(Traces(fill), "FillNextPage => No page buffer"));
}

TEST_F(SpeakerTest, AFailedUnlockRebuildsTheDevice) {
  OpenAndStart();
  const long repairs = tSpeakerPlayback::RepairCount();
  const int opened = sound.devicesOpened;
  const std::string traces =
      Failing(sound.unlockResult, SoundResult::kFailed, [&] { speaker.FillNextPage(); });
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::UnlockBuffer => Failed to unlock sound buffer ("));
  EXPECT_TRUE(Has(traces, "Tried to fix it... " + std::to_string(repairs) + " "));
  EXPECT_TRUE(Says(traces, "FillNextPage => UnlockBuffer failed"));
  EXPECT_EQ((std::vector<int64_t>{tSpeakerPlayback::RepairCount(), sound.devicesOpened,
                                  sound.devicesOpen, speaker.WritePos(), speaker.FramesDone()}),
            (std::vector<int64_t>{repairs + 1, opened + 1, 1, -1, 0}));
  ASSERT_NE(sound.Ring(), nullptr);
  EXPECT_TRUE(sound.Ring()->Playing());
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

TEST_F(SpeakerTest, AnEventArrivingWhileAPageIsFilledIsDropped) {
  OpenAndStart();
  tReentrantSource source(timers, speaker);
  speaker.SetSource(&source);
  const auto fire = [&] { ASSERT_TRUE(timers.Fire(speaker.TimerId())); };
  EXPECT_TRUE(Says(Traces(fire), "TimerProc => New event while handling previous"));
  EXPECT_EQ(source.renders, 1);
  EXPECT_EQ(speaker.FramesDone(), 441u);
  EXPECT_EQ(RingBytes(1764, 1764), Bytes(1764, 0x11));

  // The flag is clear again: the next event writes.
  sound.Ring()->SetPlayCursor(1764);
  Traces(fire);
  EXPECT_EQ(source.renders, 2);

  // Without a source the page is silence.
  speaker.SetSource(nullptr);
  FillAt(3528);
  EXPECT_EQ(speaker.FramesDone(), 3 * 441u);
  EXPECT_EQ(RingBytes(5292, 1764), Bytes(1764, 0));
}

TEST_F(SpeakerTest, StopSilencesTheRingAndAnEventOfTheStoppedTimerWritesNothing) {
  OpenAndStart();
  PlayRamp(2000);
  const uint32_t id = speaker.TimerId();
  FillAt(0);
  speaker.Stop();
  EXPECT_EQ((std::vector<uint32_t>{speaker.TimerId(), timers.IsLive(id), sound.Ring()->Playing()}),
            (std::vector<uint32_t>{0, false, false}));
  EXPECT_EQ(RingBytes(0, 8820), Bytes(8820, 0));
  const int locks = sound.Ring()->locks;
  tSpeakerPlayback::TimerProc(id, reinterpret_cast<uintptr_t>(&speaker));
  EXPECT_EQ(sound.Ring()->locks, locks);

  // SetFormat drops the ring; the device is silent until Start.
  speaker.SetFormat(MakeWaveFormat(44100, 16, 2));
  EXPECT_FALSE(speaker.HasBuffer());
  EXPECT_EQ(mixer.Frames(), 882u);
  ASSERT_TRUE(speaker.Start());
  EXPECT_EQ(speaker.BufferSize(), 17640u);
}

TEST_F(SpeakerTest, TheDevicesOwnControlsMapToHundredthsOfADecibel) {
  OpenAndStart();
  for (auto [volume, db] : {std::pair{0.5, -100}, {0.0, -10000}}) {
    EXPECT_TRUE(speaker.SetVolume(volume));
    EXPECT_EQ(sound.lastVolume, db);
    EXPECT_DOUBLE_EQ(speaker.GetVolume(), volume);
  }
  for (auto [balance, pan] : {std::pair{1.0, 10000}, {-1.0, -10000}, {0.5, 100}}) {
    EXPECT_TRUE(speaker.SetBalance(balance));
    EXPECT_EQ(sound.lastPan, pan);
    EXPECT_NEAR(speaker.GetBalance(), balance, 1e-12);
  }
  EXPECT_TRUE(speaker.SetPitch(0.5));
  EXPECT_EQ((std::pair{sound.lastFrequency, speaker.GetPitch()}), (std::pair{11025u, 0.5}));

  sound.volumeResult = SoundResult::kInvalidArgument;
  EXPECT_FALSE(speaker.SetVolume(0.25));
  EXPECT_EQ(platform::LastErrorCode(), platform::kErrorSoundInvalidParam);
  EXPECT_DOUBLE_EQ(speaker.GetVolume(), 1.0);
  sound.frequencyResult = SoundResult::kFailed;
  EXPECT_DOUBLE_EQ(speaker.GetPitch(), 1.0);
  sound.panResult = SoundResult::kFailed;
  EXPECT_DOUBLE_EQ(speaker.GetBalance(), 0.0);
}

}  // namespace
