// The periodic timer service on the host clock, and the host sound device
// over SDL's "disk" driver, whose output file is what the device played.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/periodic_timer.h"
#include "platform/sound_device.h"

namespace {

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
  for (int i = 0; i < timeoutMs; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

// ---- periodic timer ----

struct Counter {
  std::atomic<int> calls{0};
  std::atomic<uint32_t> lastId{0};
  std::atomic<int> sleepMs{0};
  std::atomic<bool> inside{false};
};

void CountCall(uint32_t id, uintptr_t user) {
  auto* counter = reinterpret_cast<Counter*>(user);
  counter->inside.store(true);
  counter->lastId.store(id);
  if (int ms = counter->sleepMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

TEST(PeriodicTimer, APeriodicEventRepeatsUntilKilled) {
  platform::PeriodicTimerService& timers = platform::SystemTimerService();
  Counter counter;
  const uint32_t id = CountEvery(5, counter, platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  EXPECT_TRUE(WaitFor([&] { return counter.calls.load() >= 3; }));
  EXPECT_EQ(counter.lastId.load(), id);
  EXPECT_EQ(timers.KillEvent(id), platform::kTimerOk);
  const int calls = counter.calls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(25));
  EXPECT_EQ(counter.calls.load(), calls);
  EXPECT_EQ(timers.KillEvent(id), platform::kTimerNoCanDo);
}

TEST(PeriodicTimer, AOneShotEventFiresOnce) {
  platform::PeriodicTimerService& timers = platform::SystemTimerService();
  Counter counter;
  const uint32_t id = CountEvery(3, counter, platform::kTimerOneShot);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return counter.calls.load() == 1; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(counter.calls.load(), 1);
  // It has retired itself.
  EXPECT_TRUE(WaitFor([&] { return timers.KillEvent(id) == platform::kTimerNoCanDo; }));
}

TEST(PeriodicTimer, KillWaitsForARunningCallback) {
  platform::PeriodicTimerService& timers = platform::SystemTimerService();
  Counter counter;
  counter.sleepMs.store(30);
  const uint32_t id = CountEvery(2, counter, platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return counter.inside.load(); }));
  EXPECT_EQ(timers.KillEvent(id), platform::kTimerOk);
  EXPECT_FALSE(counter.inside.load());
  EXPECT_GE(counter.calls.load(), 1);
}

struct SelfKill {
  std::atomic<uint32_t> id{0};
  std::atomic<int> calls{0};
  std::atomic<uint32_t> result{99};
};

void KillMyself(uint32_t id, uintptr_t user) {
  auto* self = reinterpret_cast<SelfKill*>(user);
  self->calls.fetch_add(1);
  self->result.store(platform::SystemTimerService().KillEvent(id));
}

TEST(PeriodicTimer, ACallbackMayKillItsOwnTimer) {
  auto self = std::make_unique<SelfKill>();
  const uint32_t id = platform::SystemTimerService().SetEvent(
      2, 1, &KillMyself, reinterpret_cast<uintptr_t>(self.get()), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return self->result.load() == platform::kTimerOk; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
    ASSERT_EQ(platform::HostSoundService().OpenDevice(device_), platform::SoundResult::kOk);
    EXPECT_STREQ(platform::HostSoundDriverName(), "disk");
    ASSERT_EQ(device_->CreateRing(ring_), platform::SoundResult::kOk);
  }
  void TearDown() override {
    ring_.reset();
    device_.reset();
    unlink(file_.c_str());
    rmdir(dir_.c_str());
  }
  // What the device played once the ring started: a paused device hands
  // the driver silence, which is skipped up to the first non-zero frame.
  std::vector<uint8_t> Played() {
    std::ifstream in(file_, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    size_t start = 0;
    while (start + 4 <= bytes.size() && bytes[start] == 0 && bytes[start + 1] == 0 &&
           bytes[start + 2] == 0 && bytes[start + 3] == 0)
      start += 4;
    return std::vector<uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  }
  void Write(uint32_t offset, const std::vector<uint8_t>& bytes) {
    platform::RingPieces pieces;
    ASSERT_EQ(ring_->Lock(offset, static_cast<uint32_t>(bytes.size()), pieces),
              platform::SoundResult::kOk);
    std::memcpy(pieces.first, bytes.data(), pieces.firstBytes);
    if (pieces.second)
      std::memcpy(pieces.second, bytes.data() + pieces.firstBytes, pieces.secondBytes);
    ASSERT_EQ(ring_->Unlock(pieces), platform::SoundResult::kOk);
  }
  // Plays until the cursor has gone round the ring at least once.
  void PlayOneLap() {
    ASSERT_EQ(ring_->Play(), platform::SoundResult::kOk);
    uint32_t status = 0;
    ASSERT_EQ(ring_->GetStatus(status), platform::SoundResult::kOk);
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
    ASSERT_EQ(ring_->Stop(), platform::SoundResult::kOk);
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
  EXPECT_EQ(ring_->GetSize(size), platform::SoundResult::kWrongState);  // no format yet
  EXPECT_EQ(ring_->SetFormat({22050, 3, 16}), platform::SoundResult::kUnplayableFormat);
  EXPECT_EQ(ring_->SetFormat({22050, 2, 24}), platform::SoundResult::kUnplayableFormat);
  ASSERT_EQ(ring_->SetFormat({22050, 2, 16}), platform::SoundResult::kOk);
  ASSERT_EQ(ring_->GetSize(size), platform::SoundResult::kOk);
  EXPECT_EQ(size, 8820u);
  platform::RingPieces pieces;
  ASSERT_EQ(ring_->Lock(8000, 1764, pieces), platform::SoundResult::kOk);
  EXPECT_EQ(pieces.firstBytes, 820u);
  EXPECT_EQ(pieces.secondBytes, 944u);
  EXPECT_NE(pieces.second, nullptr);
  platform::RingPieces other;
  EXPECT_EQ(ring_->Lock(0, 4, other), platform::SoundResult::kInvalidArgument);  // already locked
  platform::RingPieces wrong = pieces;
  wrong.secondBytes = 10;
  EXPECT_EQ(ring_->Unlock(wrong), platform::SoundResult::kInvalidArgument);
  EXPECT_EQ(ring_->Unlock(pieces), platform::SoundResult::kOk);
  EXPECT_EQ(ring_->Lock(8820, 4, other), platform::SoundResult::kInvalidArgument);
  EXPECT_EQ(ring_->Lock(0, 8821, other), platform::SoundResult::kInvalidArgument);
}

TEST_F(SdlDiskDevice, PlaysTheRingInALoopFromItsStart) {
  ASSERT_EQ(ring_->SetFormat({22050, 2, 16}), platform::SoundResult::kOk);
  std::vector<uint8_t> pattern(8820);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i % 251 + 1);
  Write(4000, std::vector<uint8_t>(pattern.begin() + 4000, pattern.end()));
  Write(0, std::vector<uint8_t>(pattern.begin(), pattern.begin() + 4000));
  PlayOneLap();
  const std::vector<uint8_t> played = Played();
  ASSERT_GT(played.size(), pattern.size());
  for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], pattern[i % 8820]) << i;
}

TEST_F(SdlDiskDevice, VolumeAndPanScaleTheOutput) {
  ASSERT_EQ(ring_->SetFormat({22050, 2, 16}), platform::SoundResult::kOk);
  std::vector<uint8_t> bytes(8820);
  for (size_t i = 0; i < bytes.size(); i += 4) {
    const int16_t pair[2] = {1000, 1000};
    std::memcpy(bytes.data() + i, pair, 4);
  }
  Write(0, bytes);
  ASSERT_EQ(ring_->SetVolume(-602), platform::SoundResult::kOk);  // half the amplitude
  ASSERT_EQ(ring_->SetPan(10000), platform::SoundResult::kOk);    // right only
  int32_t value = 0;
  ASSERT_EQ(ring_->GetPan(value), platform::SoundResult::kOk);
  EXPECT_EQ(value, 10000);
  EXPECT_EQ(ring_->SetVolume(1), platform::SoundResult::kInvalidArgument);
  PlayOneLap();
  const std::vector<uint8_t> played = Played();
  ASSERT_GE(played.size(), 8820u);
  for (size_t i = 0; i + 4 <= played.size(); i += 4) {
    int16_t pair[2];
    std::memcpy(pair, played.data() + i, 4);
    ASSERT_EQ(pair[0], 0) << i;
    ASSERT_EQ(pair[1], 500) << i;
  }
}

TEST_F(SdlDiskDevice, AnotherFrequencyPlaysTheRingAtAnotherSpeed) {
  ASSERT_EQ(ring_->SetFormat({22050, 1, 16}), platform::SoundResult::kOk);
  std::vector<uint8_t> bytes(4410);
  for (size_t i = 0; i < bytes.size() / 2; ++i) {
    const int16_t sample = static_cast<int16_t>(i + 1);
    std::memcpy(bytes.data() + 2 * i, &sample, 2);
  }
  Write(0, bytes);
  ASSERT_EQ(ring_->SetFrequency(11025), platform::SoundResult::kOk);  // half speed
  uint32_t hz = 0;
  ASSERT_EQ(ring_->GetFrequency(hz), platform::SoundResult::kOk);
  EXPECT_EQ(hz, 11025u);
  EXPECT_EQ(ring_->SetFrequency(50), platform::SoundResult::kInvalidArgument);
  PlayOneLap();
  std::vector<uint8_t> played = Played();
  ASSERT_GE(played.size(), 4000u);
  for (size_t k = 0; k < 2000; ++k) {
    int16_t sample;
    std::memcpy(&sample, played.data() + 2 * k, 2);
    ASSERT_EQ(sample, static_cast<int16_t>(k / 2 + 1)) << k;  // every frame twice
  }
}

}  // namespace
