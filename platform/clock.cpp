#include "platform/clock.h"

#include <time.h>

namespace platform {

uint64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

uint64_t MonotonicMs() {
  return MonotonicNs() / 1000000ull;
}

uint32_t TickCountMs() {
  return static_cast<uint32_t>(MonotonicMs());
}

void SleepMs(uint32_t ms) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ms / 1000);
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace platform
