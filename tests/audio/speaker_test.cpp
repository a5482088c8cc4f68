// The speaker device over the virtual sound device and timer: page sizing,
// the write window, the first page after Start, repairs of a lost or failing
// ring, dropped events and the device's own controls. Traces are switched on
// for this executable and read from stderr.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/speaker.h"
#include "platform/last_error.h"
#include "platform/periodic_timer.h"
#include "platform/sound_device_virtual.h"

namespace {

const bool g_TraceOn = [] {
  setenv("BREVORA_TRACE", "1", 1);
  return true;
}();

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SpeakerTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(g_TraceOn); }

  // Opens the device in 22050 Hz 16-bit stereo (page 441 frames, 1764
  // bytes; ring 8820 bytes), linked to the test's mixer, and starts it.
  void OpenAndStart(const WAVEFORMATEX& format = MakeWaveFormat(22050, 16, 2)) {
    ASSERT_TRUE(speaker.Create());
    speaker.SetFormat(format);
    speaker.SetSource(&mixer);
    ASSERT_TRUE(speaker.Start());
    ASSERT_NE(sound.Ring(), nullptr);
  }

  // A 16-bit stereo voice whose every sample is distinct: frame i holds
  // (i, -i - 1). At unity it reaches a 16-bit stereo page sample for sample.
  void PlayRamp(uint32_t frames) {
    ASSERT_TRUE(ramp.Create(MakeWaveFormat(22050, 16, 2), frames * 4));
    auto* samples = reinterpret_cast<int16_t*>(ramp.Wave().Data());
    for (uint32_t i = 0; i < frames; ++i) {
      samples[2 * i] = static_cast<int16_t>(i);
      samples[2 * i + 1] = static_cast<int16_t>(-static_cast<int32_t>(i) - 1);
    }
    ramp.Voice().SetMixer(&mixer);
    ramp.Voice().Play(false);
  }

  std::vector<uint8_t> RampBytes(uint32_t firstFrame, uint32_t frames) {
    std::vector<uint8_t> bytes(frames * 4);
    for (uint32_t i = 0; i < frames; ++i) {
      const int16_t pair[2] = {static_cast<int16_t>(firstFrame + i),
                               static_cast<int16_t>(-static_cast<int32_t>(firstFrame + i) - 1)};
      std::memcpy(bytes.data() + 4 * i, pair, 4);
    }
    return bytes;
  }

  std::vector<uint8_t> RingBytes(uint32_t offset, uint32_t count) {
    const auto& ring = sound.Ring()->Bytes();
    return std::vector<uint8_t>(ring.begin() + offset, ring.begin() + offset + count);
  }

  // Runs FillNextPage with the play cursor at `cursor`; returns the traces.
  std::string FillAt(uint32_t cursor) {
    sound.Ring()->SetPlayCursor(cursor);
    testing::internal::CaptureStderr();
    speaker.FillNextPage();
    return testing::internal::GetCapturedStderr();
  }

  platform::tVirtualSoundService sound;
  platform::tVirtualTimerService timers;
  tSpeakerPlayback speaker{sound, timers};
  tMixer mixer;
  tSound ramp;
};

TEST_F(SpeakerTest, PageIsTwentyMillisecondsAtEveryRateAndWidth) {
  struct Case {
    uint32_t rate;
    uint16_t bits, channels;
    uint32_t frames, bytes;
    uint8_t silence;
  };
  const Case cases[] = {{22050, 8, 2, 441, 882, 128}, {22050, 16, 2, 441, 1764, 0},
                        {44100, 16, 2, 882, 3528, 0}, {44100, 8, 1, 882, 882, 128},
                        {44100, 16, 1, 882, 1764, 0}, {22050, 8, 1, 441, 441, 128}};
  for (const Case& c : cases) {
    speaker.SetFormat(MakeWaveFormat(c.rate, c.bits, c.channels));
    EXPECT_EQ(speaker.PageFrames(), c.frames) << c.rate << "/" << c.bits << "/" << c.channels;
    EXPECT_EQ(speaker.PageSize(), c.bytes);
    EXPECT_EQ(speaker.WritePos(), -1);
    const uint8_t* page = speaker.PageBuffer();
    ASSERT_NE(page, nullptr);
    for (uint32_t i = 0; i < c.bytes; ++i) ASSERT_EQ(page[i], c.silence);
  }
}

TEST_F(SpeakerTest, CreateOpensTheDeviceWithTheBuiltInFormatAndHoldsThePeriod) {
  ASSERT_TRUE(speaker.Create());
  EXPECT_TRUE(speaker.HasDevice());
  EXPECT_TRUE(speaker.PeriodBegun());
  EXPECT_EQ(timers.periodsHeld, 1);
  EXPECT_EQ(speaker.Rate(), 22050u);
  EXPECT_EQ(speaker.BitsPerSample(), 16);
  EXPECT_EQ(speaker.Channels(), 2);
  EXPECT_EQ(speaker.PageSize(), 1764u);
  speaker.Close();
  EXPECT_EQ(timers.periodsHeld, 0);
  EXPECT_FALSE(speaker.HasDevice());
  EXPECT_EQ(sound.devicesOpen, 0);
}

TEST_F(SpeakerTest, CreateFailuresAreTracedWithTheirResult) {
  sound.openResult = platform::kSoundNoDriver;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.Create());
  std::string traces = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::CreateDevice => DirectSoundCreate failed\n"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kSoundNoDriver);

  sound.openResult = platform::kSoundOk;
  timers.beginResult = platform::kTimerNoCanDo;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.Create());
  traces = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::Create => timeBeginPeriod failed\n"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kTimerNoCanDo);
  EXPECT_FALSE(speaker.PeriodBegun());
}

TEST_F(SpeakerTest, StartPlaysTheRingAndRunsATenMillisecondPeriodicTimer) {
  OpenAndStart();
  EXPECT_EQ(speaker.BufferSize(), 8820u);
  EXPECT_TRUE(sound.Ring()->Playing());
  EXPECT_EQ(speaker.WritePos(), -1);
  platform::tVirtualTimerService::tEvent event;
  ASSERT_TRUE(timers.Event(speaker.TimerId(), event));
  EXPECT_EQ(event.delayMs, 10u);
  EXPECT_EQ(event.resolutionMs, 1u);
  EXPECT_EQ(event.flags, platform::kTimerPeriodic);
  EXPECT_EQ(mixer.Frames(), 441u);

  // Start again replaces the timer.
  const uint32_t first = speaker.TimerId();
  ASSERT_TRUE(speaker.Start());
  EXPECT_FALSE(timers.IsLive(first));
  EXPECT_EQ(timers.LiveCount(), 1u);
}

TEST_F(SpeakerTest, StartFailsWithoutATimerOrWithARingShorterThanTwoPages) {
  ASSERT_TRUE(speaker.Create());
  timers.failSetEvent = true;
  EXPECT_FALSE(speaker.Start());
  timers.failSetEvent = false;

  sound.ringBytes = 3000;  // under two pages of 1764 bytes
  speaker.SetFormat(MakeWaveFormat(22050, 16, 2));
  EXPECT_FALSE(speaker.Start());
  EXPECT_EQ(speaker.TimerId(), 0u);
  EXPECT_EQ(timers.LiveCount(), 0u);

  sound.ringBytes = 3528;  // exactly two pages is enough
  speaker.SetFormat(MakeWaveFormat(22050, 16, 2));
  EXPECT_TRUE(speaker.Start());
}

TEST_F(SpeakerTest, BufferCreationFailuresAreTraced) {
  ASSERT_TRUE(speaker.Create());
  sound.createRingResult = platform::kSoundFailed;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.Start());
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::CreateBuffer => IDirectSoundBuffer::CreateSoundBuffer "
                  "(primary) failed\n"));

  sound.createRingResult = platform::kSoundOk;
  sound.setFormatResult = platform::kSoundBadFormat;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.Start());
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::CreateBuffer => IDirectSoundBuffer::SetFormat (primary) "
                  "failed\n"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kSoundBadFormat);
  EXPECT_FALSE(speaker.HasBuffer());

  sound.setFormatResult = platform::kSoundOk;
  EXPECT_TRUE(speaker.Start());
}

TEST_F(SpeakerTest, FirstPageAfterStartGoesOnePageAheadOfTheCursor) {
  OpenAndStart();
  PlayRamp(2000);
  FillAt(1000);
  // Target 1000 + 1764; the write position moves one page on.
  EXPECT_EQ(RingBytes(2764, 1764), RampBytes(0, 441));
  EXPECT_EQ(speaker.WritePos(), 2764 + 1764);
  EXPECT_EQ(speaker.FramesDone(), 441u);

  // The cursor has not moved: the writer is ahead and writes nothing.
  const int locks = sound.Ring()->locks;
  FillAt(1000);
  EXPECT_EQ(sound.Ring()->locks, locks);
  EXPECT_EQ(speaker.FramesDone(), 441u);

  // Ten milliseconds later (half a page) the writer is still ahead; after
  // twenty the next page is needed, and it follows on.
  FillAt(1000 + 882);
  EXPECT_EQ(sound.Ring()->locks, locks);
  FillAt(1000 + 1764);
  EXPECT_EQ(RingBytes(4528, 1764), RampBytes(441, 441));
  EXPECT_EQ(speaker.WritePos(), 4528 + 1764);
  EXPECT_EQ(speaker.FramesDone(), 882u);
}

TEST_F(SpeakerTest, WriteWindowDecisionsOnAnEightThousandEightHundredTwentyByteRing) {
  OpenAndStart();
  ASSERT_EQ(speaker.BufferSize(), 8820u);

  // Write position 0, target 8000: the difference is above half the ring,
  // which means the writer is behind; a page is written at 0.
  FillAt(7056 - 1764);
  ASSERT_EQ(speaker.WritePos(), 0);
  int locks = sound.Ring()->locks;
  FillAt(8000 - 1764);
  EXPECT_EQ(sound.Ring()->locks, locks + 1);
  EXPECT_EQ(sound.Ring()->lastLockOffset, 0u);
  EXPECT_EQ(speaker.WritePos(), 1764);

  // Write position 8000, target 7000 (difference -1000): nothing is written.
  ASSERT_TRUE(speaker.KickBuffer());
  FillAt(6236 - 1764);
  ASSERT_EQ(speaker.WritePos(), 8000);
  locks = sound.Ring()->locks;
  FillAt(7000 - 1764);
  EXPECT_EQ(sound.Ring()->locks, locks);
  EXPECT_EQ(speaker.WritePos(), 8000);
}

TEST_F(SpeakerTest, APageThatWrapsIsSplitAtTheRingsEnd) {
  OpenAndStart();
  PlayRamp(2000);
  FillAt(6236 - 1764);  // first page at 6236, write position 8000
  ASSERT_EQ(speaker.WritePos(), 8000);
  FillAt(8000 - 1764);  // target equals the write position: written
  const std::vector<uint8_t> page = RampBytes(441, 441);
  EXPECT_EQ(RingBytes(8000, 820), std::vector<uint8_t>(page.begin(), page.begin() + 820));
  EXPECT_EQ(RingBytes(0, 944), std::vector<uint8_t>(page.begin() + 820, page.end()));
  EXPECT_EQ(speaker.WritePos(), 944);
}

TEST_F(SpeakerTest, ALostRingIsRestoredClearedAndReplayedOnTheSameEvent) {
  OpenAndStart();
  PlayRamp(2000);
  FillAt(0);
  ASSERT_NE(speaker.WritePos(), -1);
  sound.Ring()->MarkLost();
  const std::string traces = FillAt(0);
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::GetPlayPos => Buffer is lost\n"));
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::FillNextPage => GetPlayPos failed\n"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kSoundFailed);
  EXPECT_EQ(sound.Ring()->restores, 1);
  EXPECT_TRUE(sound.Ring()->Playing());
  for (uint8_t b : sound.Ring()->Bytes()) ASSERT_EQ(b, 0);  // cleared to silence
  EXPECT_EQ(speaker.WritePos(), -1);

  // The next event places the write position afresh, one page ahead.
  FillAt(3000);
  EXPECT_EQ(RingBytes(4764, 1764), RampBytes(441, 441));
}

TEST_F(SpeakerTest, EveryStatusFailureKicksTheRing) {
  OpenAndStart();
  sound.Ring()->Halt();
  std::string traces = FillAt(0);
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::GetPlayPos => Buffer is not playing\n"));
  EXPECT_TRUE(sound.Ring()->Playing());

  sound.statusResult = platform::kSoundFailed;
  traces = FillAt(0);
  EXPECT_TRUE(
      Has(traces, "tSpeakerPlayback::GetPlayPos => IDirectSoundBuffer::GetStatus failed\n"));
  sound.statusResult = platform::kSoundOk;

  sound.cursorResult = platform::kSoundInvalidCall;
  traces = FillAt(0);
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::GetPlayPos => GetCurrentPosition failed\n"));
  EXPECT_EQ(platform::LastErrorCode(), platform::kSoundInvalidCall);
  sound.cursorResult = platform::kSoundOk;
  EXPECT_EQ(speaker.FramesDone(), 0u);
}

TEST_F(SpeakerTest, KickBufferReportsARestoreOrPlayThatFails) {
  OpenAndStart();
  sound.Ring()->MarkLost();
  sound.restoreResult = platform::kSoundFailed;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.KickBuffer());
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Restore failed\n"));

  sound.restoreResult = platform::kSoundOk;
  sound.playResult = platform::kSoundInvalidCall;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.KickBuffer());  // restored, but the second Play fails
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Play failed\n"));
  EXPECT_EQ(sound.Ring()->restores, 1);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(speaker.KickBuffer());  // a plain Play failure
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::KickBuffer => IDirectSoundBuffer::Play failed\n"));
  EXPECT_EQ(sound.Ring()->restores, 1);
}

TEST_F(SpeakerTest, AFailedLockKicksAndAFailedClearIsTraced) {
  OpenAndStart();
  sound.lockResult = platform::kSoundInvalidParam;
  const std::string traces = FillAt(1000);
  EXPECT_TRUE(
      Has(traces, "tSpeakerPlayback::LockBuffer => Failed to lock sound buffer (2764,1764)\n"));
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::FillNextPage => LockBuffer failed\n"));
  EXPECT_EQ(speaker.WritePos(), -1);
  EXPECT_EQ(speaker.FramesDone(), 0u);

  testing::internal::CaptureStderr();
  speaker.ClearBuffer();
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::ClearBuffer => IDirectSoundBuffer::Lock failed\n"));
}

TEST_F(SpeakerTest, AFailedUnlockRebuildsTheDevice) {
  OpenAndStart();
  const long repairs = tSpeakerPlayback::RepairCount();
  const int opened = sound.devicesOpened;
  sound.unlockResult = platform::kSoundFailed;
  const std::string traces = FillAt(0);
  sound.unlockResult = platform::kSoundOk;
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::UnlockBuffer => Failed to unlock sound buffer ("));
  EXPECT_TRUE(Has(traces, "Tried to fix it... " + std::to_string(repairs) + " "));
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::FillNextPage => UnlockBuffer failed\n"));
  EXPECT_EQ(tSpeakerPlayback::RepairCount(), repairs + 1);
  EXPECT_EQ(sound.devicesOpened, opened + 1);
  EXPECT_EQ(sound.devicesOpen, 1);
  ASSERT_NE(sound.Ring(), nullptr);
  EXPECT_TRUE(sound.Ring()->Playing());
  EXPECT_EQ(speaker.WritePos(), -1);
  EXPECT_EQ(speaker.FramesDone(), 0u);
}

TEST_F(SpeakerTest, AMissingRingIsRebuiltAndAnEmptyPageIsTraced) {
  ASSERT_TRUE(speaker.Create());
  testing::internal::CaptureStderr();
  speaker.FillNextPage();
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::FillNextPage => No sound buffer\n"));
  EXPECT_TRUE(speaker.HasBuffer());
  ASSERT_NE(sound.Ring(), nullptr);
  EXPECT_TRUE(sound.Ring()->Playing());

  // 40 Hz has no whole frame in 20 ms: the page is empty.
  speaker.SetFormat(MakeWaveFormat(40, 16, 2));
  ASSERT_TRUE(speaker.CreateBuffer());
  ASSERT_TRUE(speaker.KickBuffer());
  testing::internal::CaptureStderr();
  speaker.FillNextPage();
  EXPECT_TRUE(Has(testing::internal::GetCapturedStderr(),
                  "tSpeakerPlayback::FillNextPage => No page buffer\n"));
}

TEST_F(SpeakerTest, WithoutASourceThePageIsSilence) {
  OpenAndStart(MakeWaveFormat(22050, 8, 2));
  PlayRamp(2000);
  FillAt(0);  // a page of sound
  speaker.SetSource(nullptr);
  EXPECT_EQ(mixer.Output(), nullptr);
  FillAt(882);
  EXPECT_EQ(RingBytes(1764, 882), std::vector<uint8_t>(882, 128));
}

// A source whose rendering takes long enough for the next timer event to
// arrive: it fires the page timer from inside Render.
class tReentrantSource : public tSoundSource {
 public:
  tReentrantSource(platform::tVirtualTimerService& timers, tSpeakerPlayback& speaker)
      : m_Timers(timers), m_Speaker(speaker) {}
  void Render(uint8_t* dest, uint32_t bytes) override {
    ++renders;
    std::memset(dest, 0x11, bytes);
    m_Timers.Fire(m_Speaker.TimerId());
  }
  int renders = 0;

 private:
  platform::tVirtualTimerService& m_Timers;
  tSpeakerPlayback& m_Speaker;
};

TEST_F(SpeakerTest, AnEventArrivingWhileAPageIsFilledIsDropped) {
  OpenAndStart();
  tReentrantSource source(timers, speaker);
  speaker.SetSource(&source);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(timers.Fire(speaker.TimerId()));
  const std::string traces = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(Has(traces, "tSpeakerPlayback::TimerProc => New event while handling previous\n"));
  EXPECT_EQ(source.renders, 1);
  EXPECT_EQ(speaker.FramesDone(), 441u);
  EXPECT_EQ(RingBytes(1764, 1764), std::vector<uint8_t>(1764, 0x11));

  // The flag is clear again: the next event writes.
  sound.Ring()->SetPlayCursor(1764);
  testing::internal::CaptureStderr();
  ASSERT_TRUE(timers.Fire(speaker.TimerId()));
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(source.renders, 2);
  speaker.SetSource(nullptr);
}

TEST_F(SpeakerTest, StopSilencesTheRingAndAnEventOfTheStoppedTimerWritesNothing) {
  OpenAndStart();
  PlayRamp(2000);
  const uint32_t id = speaker.TimerId();
  FillAt(0);
  speaker.Stop();
  EXPECT_EQ(speaker.TimerId(), 0u);
  EXPECT_FALSE(timers.IsLive(id));
  EXPECT_FALSE(sound.Ring()->Playing());
  for (uint8_t b : sound.Ring()->Bytes()) ASSERT_EQ(b, 0);
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
  EXPECT_TRUE(speaker.SetVolume(0.5));
  EXPECT_EQ(sound.lastVolume, -100);
  EXPECT_DOUBLE_EQ(speaker.GetVolume(), 0.5);
  EXPECT_TRUE(speaker.SetVolume(0.0));
  EXPECT_EQ(sound.lastVolume, -10000);
  EXPECT_DOUBLE_EQ(speaker.GetVolume(), 0.0);
  EXPECT_TRUE(speaker.SetBalance(1.0));
  EXPECT_EQ(sound.lastPan, 10000);
  EXPECT_DOUBLE_EQ(speaker.GetBalance(), 1.0);
  EXPECT_TRUE(speaker.SetBalance(-1.0));
  EXPECT_EQ(sound.lastPan, -10000);
  EXPECT_TRUE(speaker.SetBalance(0.5));
  EXPECT_EQ(sound.lastPan, 100);
  EXPECT_NEAR(speaker.GetBalance(), 0.5, 1e-12);
  EXPECT_TRUE(speaker.SetPitch(0.5));
  EXPECT_EQ(sound.lastFrequency, 11025u);
  EXPECT_DOUBLE_EQ(speaker.GetPitch(), 0.5);

  sound.volumeResult = platform::kSoundInvalidParam;
  EXPECT_FALSE(speaker.SetVolume(0.25));
  EXPECT_EQ(platform::LastErrorCode(), platform::kSoundInvalidParam);
  EXPECT_DOUBLE_EQ(speaker.GetVolume(), 1.0);
  sound.frequencyResult = platform::kSoundFailed;
  EXPECT_DOUBLE_EQ(speaker.GetPitch(), 1.0);
  sound.panResult = platform::kSoundFailed;
  EXPECT_DOUBLE_EQ(speaker.GetBalance(), 0.0);
}

TEST_F(SpeakerTest, CloseReleasesEverythingAndDetachesTheSource) {
  OpenAndStart();
  speaker.Close();
  EXPECT_EQ(timers.LiveCount(), 0u);
  EXPECT_EQ(timers.periodsHeld, 0);
  EXPECT_EQ(sound.devicesOpen, 0);
  EXPECT_EQ(sound.Ring(), nullptr);
  EXPECT_EQ(speaker.Source(), nullptr);
  EXPECT_EQ(mixer.Output(), nullptr);
  EXPECT_EQ(speaker.PageFrames(), 0u);
  EXPECT_EQ(speaker.PageBuffer(), nullptr);
}

// Playback events change a voice on the tick thread while the main thread
// changes the output format. The voice's step follows whichever format was
// set last, and the two threads share no unsynchronised state.
TEST_F(SpeakerTest, VoiceChangesOnAnotherThreadWhileTheFormatChanges) {
  OpenAndStart();
  PlayRamp(1000);
  std::atomic<bool> stop{false};
  std::thread tick([&] {
    for (int i = 0; !stop.load(); ++i) ramp.Voice().SetPitch(i % 2 ? 1.0 : 1.0 + 1e-9);
  });
  for (int round = 0; round < 200; ++round) {
    speaker.Stop();
    speaker.SetFormat(MakeWaveFormat(round % 2 ? 22050 : 44100, 16, 2));
    speaker.Start();
  }
  stop.store(true);
  tick.join();
  ramp.Voice().SetPitch(1.0);
  EXPECT_EQ(ramp.Voice().Step(), (uint64_t{22050} << 32) / 22050);
}

}  // namespace
