#pragma once
// A periodic timer service driven by the test: it reports the capabilities
// it is given, and its events fire only when the test calls Fire, on the
// test's thread.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>

#include "platform/periodic_timer.h"

namespace platform {

class VirtualTimerService : public PeriodicTimerService {
 public:
  struct EventRecord {
    uint32_t delayMs = 0;
    uint32_t resolutionMs = 0;
    TimerProc proc = nullptr;
    uintptr_t user = 0;
    uint32_t flags = 0;
  };

  uint32_t GetDevCaps(TimerCaps& caps) override;
  uint32_t BeginPeriod(uint32_t ms) override;
  uint32_t EndPeriod(uint32_t ms) override;
  uint32_t SetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc proc, uintptr_t user,
                    uint32_t flags) override;
  uint32_t KillEvent(uint32_t id) override;

  // Runs the event's callback once; a one-shot event is gone afterwards.
  // False when no such event is live. As with the real service, a KillEvent
  // on another thread waits until the callback has returned.
  bool Fire(uint32_t id);

  // What the test sets.
  TimerCaps caps{1, 1000000};
  uint32_t capsResult = kTimerOk;
  uint32_t beginResult = kTimerOk;
  bool failSetEvent = false;
  // Called on the killing thread as KillEvent begins, before it waits for a
  // callback of the event.
  std::function<void(uint32_t id)> onKill;

  // What the test reads.
  bool IsLive(uint32_t id) const;
  size_t LiveCount() const;
  bool Event(uint32_t id, EventRecord& out) const;
  uint32_t LastId() const;
  int periodsHeld = 0;
  int kills = 0;

 private:
  mutable std::mutex m_Mutex;
  std::condition_variable m_Idle;     // a callback started by Fire has returned
  std::map<uint32_t, int> m_Running;  // callbacks running per event id
  std::map<uint32_t, EventRecord> m_Events;
  uint32_t m_NextId = 1;
};

}  // namespace platform
