// The periodic timer service on the host clock, and the host sound device
// over SDL's "disk" driver, whose output file is what the device played.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/periodic_timer.h"
#include "platform/sound_device.h"

namespace {

using platform::SoundResult;

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
  for (int i = 0; i < timeoutMs; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// ---- periodic timer ----

// A timer event's calls; its callback may sleep, or kill its own event.
struct Counter {
  std::atomic<int> calls{0};
  std::atomic<uint32_t> lastId{0};
  std::atomic<int> sleepMs{0};
  std::atomic<bool> inside{false};
  std::atomic<bool> killItself{false};
  std::atomic<uint32_t> killResult{99};
};

void CountCall(uint32_t id, uintptr_t user) {
  auto* counter = reinterpret_cast<Counter*>(user);
  counter->inside.store(true);
  counter->lastId.store(id);
  if (counter->killItself.load())
    counter->killResult.store(platform::SystemTimerService().KillEvent(id));
  SleepMs(counter->sleepMs.load());
  counter->calls.fetch_add(1);
  counter->inside.store(false);
}

// Sets an event on the host timer service that counts its calls.
uint32_t CountEvery(uint32_t delayMs, Counter& counter, uint32_t flags) {
  return platform::SystemTimerService().SetEvent(delayMs, 1, &CountCall,
                                                 reinterpret_cast<uintptr_t>(&counter), flags);
}

TEST(PeriodicTimer, ResolvesOneMillisecond) {
  platform::PeriodicTimerService& timers = platform::SystemTimerService();
  platform::TimerCaps caps;
  ASSERT_EQ(timers.GetDevCaps(caps), platform::kTimerOk);
  EXPECT_EQ(caps.periodMin, 1u);
  EXPECT_GE(caps.periodMax, 1000u);
  EXPECT_EQ(timers.BeginPeriod(1), platform::kTimerOk);
  EXPECT_EQ(timers.EndPeriod(1), platform::kTimerOk);
  EXPECT_EQ(timers.BeginPeriod(0), platform::kTimerNoCanDo);
  EXPECT_EQ(timers.KillEvent(0xFFFFFFF0u), platform::kTimerNoCanDo);
  EXPECT_EQ(timers.SetEvent(10, 1, nullptr, 0, platform::kTimerPeriodic), 0u);
}

TEST(PeriodicTimer, PeriodicEventsRepeatUntilKilledAndOneShotsFireOnce) {
  platform::PeriodicTimerService& timers = platform::SystemTimerService();
  Counter periodic, once;
  const uint32_t id = CountEvery(5, periodic, platform::kTimerPeriodic);
  const uint32_t onceId = CountEvery(3, once, platform::kTimerOneShot);
  ASSERT_NE(id, 0u);
  ASSERT_NE(onceId, 0u);
  EXPECT_TRUE(WaitFor([&] { return periodic.calls.load() >= 3; }));
  EXPECT_EQ(periodic.lastId.load(), id);
  EXPECT_EQ(timers.KillEvent(id), platform::kTimerOk);
  const int calls = periodic.calls.load();
  SleepMs(25);
  EXPECT_EQ(periodic.calls.load(), calls);
  EXPECT_EQ(timers.KillEvent(id), platform::kTimerNoCanDo);
  // The one-shot event fired once and has retired itself.
  EXPECT_TRUE(WaitFor([&] { return once.calls.load() >= 1; }));
  SleepMs(20);
  EXPECT_EQ(once.calls.load(), 1);
  EXPECT_TRUE(WaitFor([&] { return timers.KillEvent(onceId) == platform::kTimerNoCanDo; }));
}

TEST(PeriodicTimer, KillWaitsForARunningCallbackUnlessTheCallbackKills) {
  Counter counter;
  counter.sleepMs.store(30);
  const uint32_t id = CountEvery(2, counter, platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return counter.inside.load(); }));
  EXPECT_EQ(platform::SystemTimerService().KillEvent(id), platform::kTimerOk);
  EXPECT_FALSE(counter.inside.load());
  EXPECT_GE(counter.calls.load(), 1);

  // A callback that kills its own event does not wait for itself.
  auto self = std::make_unique<Counter>();
  self->killItself.store(true);
  ASSERT_NE(CountEvery(2, *self, platform::kTimerPeriodic), 0u);
  ASSERT_TRUE(WaitFor([&] { return self->killResult.load() == platform::kTimerOk; }));
  // The callback's last step is seen before its counter is freed.
  ASSERT_TRUE(WaitFor([&] { return !self->inside.load() && self->calls.load() >= 1; }));
  SleepMs(20);
  EXPECT_EQ(self->calls.load(), 1);
}

// ---- sound device over SDL's disk driver ----

class SdlDiskDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/brevora-sdl-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    file_ = dir_ + "/out.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    Open();
  }
  void TearDown() override {
    ring_.reset();
    device_.reset();
    unlink(file_.c_str());
    rmdir(dir_.c_str());
  }
  void Open() {
    ASSERT_EQ(platform::HostSoundService().OpenDevice(device_), SoundResult::kOk);
    EXPECT_STREQ(platform::HostSoundDriverName(), "disk");
    ASSERT_EQ(device_->CreateRing(ring_), SoundResult::kOk);
  }
  // The 16-bit samples the device played once the ring started: a paused
  // device hands the driver silence, which is skipped up to the first
  // non-zero frame.
  std::vector<int16_t> Played() {
    std::ifstream in(file_, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    size_t start = 0;
    while (start + 4 <= bytes.size() && bytes[start] == 0 && bytes[start + 1] == 0 &&
           bytes[start + 2] == 0 && bytes[start + 3] == 0)
      start += 4;
    std::vector<int16_t> samples((bytes.size() - start) / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data() + start, samples.size() * 2);
    return samples;
  }
  void Write(uint32_t offset, const std::vector<int16_t>& samples, size_t from, size_t to) {
    platform::RingPieces pieces;
    ASSERT_EQ(ring_->Lock(offset, static_cast<uint32_t>((to - from) * 2), pieces),
              SoundResult::kOk);
    std::memcpy(pieces.first, &samples[from], pieces.firstBytes);
    if (pieces.second)
      std::memcpy(pieces.second, &samples[from] + pieces.firstBytes / 2, pieces.secondBytes);
    ASSERT_EQ(ring_->Unlock(pieces), SoundResult::kOk);
  }
  // Plays until the cursor has gone round the ring at least once.
  void PlayOneLap() {
    ASSERT_EQ(ring_->Play(), SoundResult::kOk);
    uint32_t status = 0;
    ASSERT_EQ(ring_->GetStatus(status), SoundResult::kOk);
    EXPECT_EQ(status, platform::kRingStatusPlaying);
    uint32_t last = 0;
    int laps = 0;
    ASSERT_TRUE(WaitFor([&] {
      uint32_t cursor = 0;
      ring_->GetPlayCursor(cursor);
      if (cursor < last) ++laps;
      last = cursor;
      return laps >= 1 && cursor > 1000;
    }));
    ASSERT_EQ(ring_->Stop(), SoundResult::kOk);
    ring_.reset();  // closes the device and its file
  }

  std::string dir_, file_;
  std::unique_ptr<platform::SoundDevice> device_;
  std::unique_ptr<platform::SoundRing> ring_;
};

TEST(SoundSizes, ChunksStayUnderSixMillisecondsAndTheRingHoldsATenth) {
  EXPECT_EQ(platform::SoundChunkFrames(22050), 128u);
  EXPECT_EQ(platform::SoundChunkFrames(44100), 256u);
  EXPECT_EQ(platform::SoundChunkFrames(11025), 64u);
  EXPECT_EQ(platform::SoundRingBytes({22050, 2, 16}), 8820u);
  EXPECT_EQ(platform::SoundRingBytes({44100, 1, 8}), 4410u);
}

TEST_F(SdlDiskDevice, RejectsOtherFormatsAndLockSplitsAWrappingRange) {
  uint32_t size = 0;
  EXPECT_EQ(ring_->GetSize(size), SoundResult::kWrongState);  // no format yet
  EXPECT_EQ(ring_->SetFormat({22050, 3, 16}), SoundResult::kUnplayableFormat);
  EXPECT_EQ(ring_->SetFormat({22050, 2, 24}), SoundResult::kUnplayableFormat);
  ASSERT_EQ(ring_->SetFormat({22050, 2, 16}), SoundResult::kOk);
  ASSERT_EQ(ring_->GetSize(size), SoundResult::kOk);
  EXPECT_EQ(size, 8820u);
  platform::RingPieces pieces;
  ASSERT_EQ(ring_->Lock(8000, 1764, pieces), SoundResult::kOk);
  EXPECT_EQ(pieces.firstBytes, 820u);
  EXPECT_EQ(pieces.secondBytes, 944u);
  EXPECT_NE(pieces.second, nullptr);
  platform::RingPieces other;
  EXPECT_EQ(ring_->Lock(0, 4, other), SoundResult::kInvalidArgument);  // already locked
  platform::RingPieces wrong = pieces;
  wrong.secondBytes = 10;
  EXPECT_EQ(ring_->Unlock(wrong), SoundResult::kInvalidArgument);
  EXPECT_EQ(ring_->Unlock(pieces), SoundResult::kOk);
  EXPECT_EQ(ring_->Lock(8820, 4, other), SoundResult::kInvalidArgument);
  EXPECT_EQ(ring_->Lock(0, 8821, other), SoundResult::kInvalidArgument);
}

// A ring of 16-bit samples at 22050 Hz, written in two pieces (the later one
// first), played round in a loop from its start: every sample played is the
// one expected at its place, with the device's volume, pan and frequency.
TEST_F(SdlDiskDevice, PlaysTheRingInALoopWithItsVolumePanAndFrequency) {
  struct Case {
    const char* name;
    uint16_t channels;
    std::function<int16_t(size_t)> written;  // sample i of the ring
    std::function<void(platform::SoundRing&)> set;
    std::function<int16_t(size_t)> heard;  // sample k of what played
  };
  const Case cases[] = {
      {"as written", 2, [](size_t i) { return int16_t(i % 251 + 1); }, [](platform::SoundRing&) {},
       [](size_t k) { return int16_t(k % 4410 % 251 + 1); }},
      {"half the amplitude, right only", 2, [](size_t) { return int16_t{1000}; },
       [](platform::SoundRing& ring) {
         ASSERT_EQ(ring.SetVolume(-602), SoundResult::kOk);
         ASSERT_EQ(ring.SetPan(10000), SoundResult::kOk);
         int32_t value = 0;
         ASSERT_EQ(ring.GetPan(value), SoundResult::kOk);
         EXPECT_EQ(value, 10000);
         EXPECT_EQ(ring.SetVolume(1), SoundResult::kInvalidArgument);
       },
       [](size_t k) { return int16_t(k % 2 == 0 ? 0 : 500); }},
      {"half speed, every frame twice", 1, [](size_t i) { return int16_t(i + 1); },
       [](platform::SoundRing& ring) {
         ASSERT_EQ(ring.SetFrequency(11025), SoundResult::kOk);
         uint32_t hz = 0;
         ASSERT_EQ(ring.GetFrequency(hz), SoundResult::kOk);
         EXPECT_EQ(hz, 11025u);
         EXPECT_EQ(ring.SetFrequency(50), SoundResult::kInvalidArgument);
       },
       [](size_t k) { return int16_t(k / 2 % 2205 + 1); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (ring_ == nullptr) {
      device_.reset();
      Open();
    }
    ASSERT_EQ(ring_->SetFormat({22050, c.channels, 16}), SoundResult::kOk);
    std::vector<int16_t> ring(2205u * c.channels);
    for (size_t i = 0; i < ring.size(); ++i) ring[i] = c.written(i);
    Write(2000, ring, 1000, ring.size());
    Write(0, ring, 0, 1000);
    c.set(*ring_);
    PlayOneLap();
    const std::vector<int16_t> played = Played();
    ASSERT_GT(played.size(), ring.size());
    for (size_t k = 0; k < played.size(); ++k) ASSERT_EQ(played[k], c.heard(k)) << k;
  }
}

}  // namespace
