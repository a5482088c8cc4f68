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
#include "tests/support/support_test_util.h"

namespace {

constexpr uint64_t kMs = 1'000'000;

// Deviations either way fall into ten-microsecond steps (exactly a step
// stays in it, a little more goes up to the next); a period beyond twenty
// milliseconds keeps its worst exactly.
TEST(PeriodStats, DeviationsEitherWayFallIntoTenMicrosecondSteps) {
  support_test::GoldenTrace trace("audio");
  tPeriodStats stats;
  const auto state = [&](const char* what) {
    std::string text;
    for (double q : {0.2, 0.4, 0.5, 0.6, 0.8, 0.99, 1.0})
      text += " " + std::to_string(stats.QuantileNs(q));
    trace.Line(
        "%s: %llu periods, worst %llu ns, over 10 us %llu, 3 ms %llu, 19 ms %llu; quantiles%s",
        what, static_cast<unsigned long long>(stats.Count()),
        static_cast<unsigned long long>(stats.WorstNs()),
        static_cast<unsigned long long>(stats.CountOver(10'000)),
        static_cast<unsigned long long>(stats.CountOver(3 * kMs)),
        static_cast<unsigned long long>(stats.CountOver(19 * kMs)), text.c_str());
  };
  state("empty");
  // Deviations 0, 10 us, 10.001 us, 25 us early and 3 ms late.
  for (uint64_t period :
       {10 * kMs, 10 * kMs + 10'000, 10 * kMs + 10'001, 10 * kMs - 25'000, 13 * kMs})
    stats.Add(period, 10 * kMs);
  state("five");
  stats.Add(500 * kMs, 10 * kMs);  // the worker was held up for half a second
  state("and one of 500 ms");
  stats.Clear();
  state("cleared");
  trace.Check("period_stats");
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
