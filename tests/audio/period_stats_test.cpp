// The regularity of a periodic timer: the deviation steps and their
// quantiles, and the tick worker measuring its own runs (traced when it ends;
// the speaker test switches traces on for this executable).
#include "audio/period_stats.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "audio/timer.h"
#include "platform/periodic_timer_virtual.h"
#include "tests/audio/audio_test_util.h"

namespace {

constexpr uint64_t kMs = 1'000'000;

TEST(PeriodStats, DeviationsEitherWayFallIntoTenMicrosecondSteps) {
  tPeriodStats stats;
  EXPECT_EQ(stats.QuantileNs(0.5), 0u);  // nothing recorded
  // Deviations 0, 10 µs, 10.001 µs, 25 µs early and 3 ms late.
  for (uint64_t period :
       {10 * kMs, 10 * kMs + 10'000, 10 * kMs + 10'001, 10 * kMs - 25'000, 13 * kMs})
    stats.Add(period, 10 * kMs);
  EXPECT_EQ(stats.Count(), 5u);
  EXPECT_EQ(stats.WorstNs(), 3 * kMs);
  EXPECT_EQ(stats.QuantileNs(0.2), 0u);       // the exact period
  EXPECT_EQ(stats.QuantileNs(0.4), 10'000u);  // 10 µs stays in its step
  EXPECT_EQ(stats.QuantileNs(0.6), 20'000u);  // 10.001 µs goes up to the next
  EXPECT_EQ(stats.QuantileNs(0.8), 30'000u);  // 25 µs early
  EXPECT_EQ(stats.QuantileNs(1.0), 3 * kMs);
  EXPECT_EQ(stats.CountOver(10'000), 3u);
  EXPECT_EQ(stats.CountOver(3 * kMs), 0u);

  // A period beyond twenty milliseconds keeps its worst exactly.
  stats.Add(500 * kMs, 10 * kMs);  // the worker was held up for half a second
  EXPECT_EQ(stats.WorstNs(), 490 * kMs);
  EXPECT_EQ(stats.QuantileNs(0.99), 490 * kMs);
  EXPECT_EQ(stats.CountOver(19 * kMs), 1u);
  stats.Clear();
  EXPECT_EQ((std::vector<uint64_t>{stats.Count(), stats.WorstNs(), stats.CountOver(0)}),
            (std::vector<uint64_t>(3, 0)));
}

// Fires the worker's timer count times, each time waiting until the worker
// has run the callback and then 15 ms more.
void FireRuns(platform::VirtualTimerService& timers, tTimerThread& worker, int count) {
  for (int i = 0; i < count; ++i) {
    ASSERT_TRUE(audio_test::FireAndWait(timers, worker.TimerId()));
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
}

// Periods are counted between runs of one timer: a new timer starts afresh,
// and a one-shot timer has none. The worker traces them as it ends.
TEST(TickPeriods, TheWorkerMeasuresEachTimersRunsAndTracesThemAtItsEnd) {
  platform::VirtualTimerService timers;
  auto worker = tTimerThread::Create(1, timers);
  ASSERT_NE(worker, nullptr);
  ASSERT_TRUE(worker->SetTimer(10, 1, &audio_test::CountingTick, 0, platform::kTimerPeriodic));
  FireRuns(timers, *worker, 3);
  ASSERT_TRUE(worker->SetTimer(10, 1, &audio_test::CountingTick, 0, platform::kTimerPeriodic));
  FireRuns(timers, *worker, 2);
  const std::string trace = audio_test::Traces([&] { worker.reset(); });
  // Runs 15 ms or more apart on a 10 ms timer: every period is over 1 ms off.
  EXPECT_TRUE(audio_test::Has(trace, "timer: 3 periods of 10.0 ms")) << trace;
  EXPECT_TRUE(audio_test::Has(trace, ", 3 over 1 ms")) << trace;

  auto once = tTimerThread::Create(1, timers);
  ASSERT_NE(once, nullptr);
  ASSERT_TRUE(once->SetTimer(10, 1, &audio_test::CountingTick, 0, platform::kTimerOneShot));
  FireRuns(timers, *once, 1);
  EXPECT_FALSE(audio_test::Has(audio_test::Traces([&] { once.reset(); }), "timer:"));
}

}  // namespace
