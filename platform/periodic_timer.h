#pragma once
// The periodic timer service: one-shot and periodic events with a delay in
// milliseconds and a 1 ms resolution, whose callback runs on a timer thread.
// The real back end keeps absolute deadlines on the monotonic clock, so a late
// wake-up does not push later ones back. A virtual back end
// (periodic_timer_virtual.h) lets tests decide the clock's capabilities and
// fire events by hand.
#include <cstdint>

#include "platform/last_error.h"

namespace platform {

// Result codes: 0 is success.
inline constexpr uint32_t kTimerOk = 0;
inline constexpr uint32_t kTimerNoCanDo = kErrorTimerNoCanDo;  // the request cannot be carried out

// Event flags.
inline constexpr uint32_t kTimerOneShot = 0;
inline constexpr uint32_t kTimerPeriodic = 1;

struct TimerCaps {
  uint32_t periodMin = 0;  // shortest period the clock resolves, ms
  uint32_t periodMax = 0;  // longest period, ms
};

// Called on the timer's thread with the event's id and the user value.
using TimerProc = void (*)(uint32_t timerId, uintptr_t user);

class PeriodicTimerService {
 public:
  virtual ~PeriodicTimerService() = default;

  virtual uint32_t GetDevCaps(TimerCaps& caps) = 0;
  // Holds (or releases) a timer resolution of `ms`. Fails with kTimerNoCanDo
  // outside the clock's range.
  virtual uint32_t BeginPeriod(uint32_t ms) = 0;
  virtual uint32_t EndPeriod(uint32_t ms) = 0;
  // Starts an event that fires after `delayMs` (and then every `delayMs` when
  // periodic). Returns its id, never 0, or 0 when it cannot be started.
  virtual uint32_t SetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc proc, uintptr_t user,
                            uint32_t flags) = 0;
  // Ends an event. Once it returns the callback is not started again, and a
  // callback running on another thread has finished; called from the callback
  // itself it returns at once. kTimerNoCanDo for an unknown id.
  virtual uint32_t KillEvent(uint32_t id) = 0;
};

// The host's timer service.
PeriodicTimerService& SystemTimerService();

// Raises the calling thread's scheduling priority: real-time scheduling where
// the system permits it, else a lower nice value. `level` 1 is above normal,
// 2 is time-critical. Returns false (and changes nothing) where neither is
// allowed; callers go on at normal priority.
bool RaiseCurrentThreadPriority(int level);

}  // namespace platform
