// The regularity of a periodic timer: the deviation steps and their
// quantiles.
#include "audio/period_stats.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
