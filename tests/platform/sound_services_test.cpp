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

using platform::SoundResult;

template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs = 5000) {
  for (int i = 0; i < timeoutMs; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

// ---- periodic timer ----

// A timer event's calls; each takes 30 ms.
struct Counter {
  std::atomic<int> calls{0};
  std::atomic<bool> inside{false};
};

void CountCall(uint32_t, uintptr_t user) {
  auto* counter = reinterpret_cast<Counter*>(user);
  counter->inside.store(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  counter->calls.fetch_add(1);
  counter->inside.store(false);
}

TEST(PeriodicTimer, KillWaitsForARunningCallback) {
  Counter counter;
  const uint32_t id = platform::SystemTimerService().SetEvent(
      2, 1, &CountCall, reinterpret_cast<uintptr_t>(&counter), platform::kTimerPeriodic);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return counter.inside.load(); }));
  EXPECT_EQ(platform::SystemTimerService().KillEvent(id), platform::kTimerOk);
  EXPECT_FALSE(counter.inside.load());
  EXPECT_GE(counter.calls.load(), 1);
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
    ASSERT_EQ(platform::HostSoundService().OpenDevice(device_), SoundResult::kOk);
    ASSERT_EQ(device_->CreateRing(ring_), SoundResult::kOk);
  }
  void TearDown() override {
    ring_.reset();
    device_.reset();
    unlink(file_.c_str());
    rmdir(dir_.c_str());
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

// A stereo ring of 16-bit samples at 22050 Hz, written in two pieces (the
// later one first), played round in a loop from its start at half the
// amplitude, panned fully right: every sample played is the one expected at
// its place.
TEST_F(SdlDiskDevice, PlaysTheRingInALoopWithItsVolumeAndPan) {
  ASSERT_EQ(ring_->SetFormat({22050, 2, 16}), SoundResult::kOk);
  std::vector<int16_t> ring(4410);
  for (size_t i = 0; i < ring.size(); ++i) ring[i] = int16_t(2 * (i % 251 + 1));
  Write(2000, ring, 1000, ring.size());
  Write(0, ring, 0, 1000);
  ASSERT_EQ(ring_->SetVolume(-602), SoundResult::kOk);
  ASSERT_EQ(ring_->SetPan(10000), SoundResult::kOk);
  PlayOneLap();
  const std::vector<int16_t> played = Played();
  ASSERT_GT(played.size(), ring.size());
  for (size_t k = 0; k < played.size(); ++k)
    ASSERT_EQ(played[k], k % 2 == 0 ? 0 : int16_t(k % 4410 % 251 + 1)) << k;
}

}  // namespace
