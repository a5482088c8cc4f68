// The tick timer: set-up failures, the clock operations before and after
// Create, the worker's coalescing of expiries that arrive during a run, and
// its end waiting for a run in progress.
#include "audio/timer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "platform/periodic_timer_virtual.h"
#include "tests/audio/audio_test_util.h"
#include "tests/support/support_test_util.h"

namespace {

using audio_test::CountingTick;
using audio_test::FireAndWait;
using audio_test::WaitFor;
using support_test::ThrownText;

// Each set-up failure throws its reason and gives the period back. Before
// Create the clock keeps its time and does not run; Create starts a
// periodic 10 ms event on a worker, and the clock runs only once it exists;
// the time wraps modulo 2^32; Destroy releases the event and the period.
TEST(TimerCreate, FailuresTheClockAndTheEvent) {
  support_test::GoldenTrace trace("audio");
  platform::VirtualTimerService timers;
  const std::pair<const char*, void (*)(platform::VirtualTimerService&, bool)> failures[] = {
      {"no caps",
       [](auto& t, bool on) { t.capsResult = on ? platform::kTimerNoCanDo : platform::kTimerOk; }},
      {"2 ms at best", [](auto& t, bool on) { t.caps.periodMin = on ? 2 : 1; }},
      {"no period",
       [](auto& t, bool on) { t.beginResult = on ? platform::kTimerNoCanDo : platform::kTimerOk; }},
      {"no event", [](auto& t, bool on) { t.failSetEvent = on; }},
  };
  for (const auto& [what, fail] : failures) {
    fail(timers, true);
    tTimer timer(timers);
    trace.Line("%s: %s", what,
               ThrownText<tTimer::tError>([&] { timer.Create(10, &CountingTick); }).c_str());
    fail(timers, false);
  }
  tTimer timer(timers);
  const auto clock = [&](const char* what) {
    platform::VirtualTimerService::EventRecord event;
    const bool set = timers.Event(timers.LastId(), event);
    trace.Line("%s: time %u, %s; worker %d, event %s%u/%u/%u, %zu live, %d periods", what,
               timer.GetTime(), timer.IsRunning() ? "running" : "stopped", timer.HasWorker(),
               set ? "" : "none ", event.delayMs, event.resolutionMs, event.flags,
               timers.LiveCount(), timers.periodsHeld);
  };
  timer.SetTime(500);
  timer.StartClock();
  timer.RestartClock();
  clock("500, started and restarted before Create");
  timer.SetTime(0xFFFFFFF0u);
  timer.AddTime(0x20);
  clock("0xFFFFFFF0 + 0x20");
  timer.Create(10, &CountingTick);
  clock("created");
  ASSERT_TRUE(FireAndWait(timers, timers.LastId()));
  trace.Line("fired: user %lu", static_cast<unsigned long>(audio_test::g_TickUser.load()));
  timer.StartClock();
  clock("started");
  timer.StopClock();
  clock("stopped");
  timer.RestartClock();  // rewinds and runs even when stopped
  clock("restarted");
  timer.Destroy();
  clock("destroyed");
  trace.Check("timer");
}

// A callback that blocks until released, so that the test can fire expiries
// while it runs.
struct Gate {
  void Release() {
    std::lock_guard<std::mutex> hold(mutex);
    open = true;
    cond.notify_all();
  }
  std::mutex mutex;
  std::condition_variable cond;
  bool open = false;
  std::atomic<int> entered{0};
};
Gate* g_Gate = nullptr;

void BlockingTick(uint32_t, uint32_t, uintptr_t, uintptr_t, uintptr_t) {
  g_Gate->entered.fetch_add(1);
  std::unique_lock<std::mutex> hold(g_Gate->mutex);
  g_Gate->cond.wait(hold, [] { return g_Gate->open; });
  g_Gate->open = false;  // the next run blocks again
}

class TimerThread : public ::testing::Test {
 protected:
  void SetUp() override { g_Gate = &gate; }
  // A worker whose periodic timer runs the blocking callback, running it once.
  void StartBlocked() {
    worker = tTimerThread::Create(1, timers);
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(worker->SetTimer(10, 1, &BlockingTick, 7, platform::kTimerPeriodic));
    ASSERT_TRUE(timers.Fire(worker->TimerId()));
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load() == 1; }));
  }
  Gate gate;
  platform::VirtualTimerService timers;
  std::unique_ptr<tTimerThread> worker;
};

TEST_F(TimerThread, ExpiriesDuringARunGiveExactlyOneMoreRun) {
  StartBlocked();
  // The run takes 25 ms at a 10 ms period: two more expiries arrive.
  ASSERT_TRUE(timers.Fire(worker->TimerId()));
  ASSERT_TRUE(timers.Fire(worker->TimerId()));
  gate.Release();
  ASSERT_TRUE(WaitFor([&] { return gate.entered.load() == 2; }));
  gate.Release();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(gate.entered.load(), 2);  // one further run, not two
  worker.reset();                     // joins the idle worker
  EXPECT_EQ(timers.LiveCount(), 0u);
}

TEST_F(TimerThread, DestroyingWaitsForARunningCallback) {
  StartBlocked();
  std::atomic<bool> destroyed{false};
  std::thread destroyer([&] {
    worker.reset();
    destroyed.store(true);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(destroyed.load());
  gate.Release();
  destroyer.join();
  EXPECT_EQ(gate.entered.load(), 1);
}

}  // namespace
