#include "platform/periodic_timer_virtual.h"

namespace platform {

uint32_t VirtualTimerService::GetDevCaps(TimerCaps& out) {
  if (capsResult != kTimerOk) return capsResult;
  out = caps;
  return kTimerOk;
}

uint32_t VirtualTimerService::BeginPeriod(uint32_t ms) {
  if (beginResult != kTimerOk) return beginResult;
  if (ms < caps.periodMin || ms > caps.periodMax) return kTimerNoCanDo;
  ++periodsHeld;
  return kTimerOk;
}

uint32_t VirtualTimerService::EndPeriod(uint32_t ms) {
  if (ms < caps.periodMin || ms > caps.periodMax) return kTimerNoCanDo;
  --periodsHeld;
  return kTimerOk;
}

uint32_t VirtualTimerService::SetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc proc,
                                       uintptr_t user, uint32_t flags) {
  if (failSetEvent || proc == nullptr) return 0;
  std::lock_guard<std::mutex> hold(m_Mutex);
  const uint32_t id = m_NextId++;
  m_Events[id] = EventRecord{delayMs, resolutionMs, proc, user, flags};
  return id;
}

namespace {
// The event whose callback Fire runs on this thread, 0 for none.
thread_local uint32_t t_FiringId = 0;
}  // namespace

uint32_t VirtualTimerService::KillEvent(uint32_t id) {
  if (onKill) onKill(id);
  std::unique_lock<std::mutex> hold(m_Mutex);
  ++kills;
  const bool live = m_Events.erase(id) != 0;
  // A callback killing its own timer does not wait for itself.
  if (t_FiringId != id) m_Idle.wait(hold, [&] { return m_Running[id] == 0; });
  return live ? kTimerOk : kTimerNoCanDo;
}

bool VirtualTimerService::Fire(uint32_t id) {
  EventRecord event;
  {
    std::lock_guard<std::mutex> hold(m_Mutex);
    auto it = m_Events.find(id);
    if (it == m_Events.end()) return false;
    event = it->second;
    if ((event.flags & kTimerPeriodic) == 0) m_Events.erase(it);
    ++m_Running[id];
  }
  const uint32_t outer = t_FiringId;
  t_FiringId = id;
  event.proc(id, event.user);
  t_FiringId = outer;
  {
    std::lock_guard<std::mutex> hold(m_Mutex);
    --m_Running[id];
  }
  m_Idle.notify_all();
  return true;
}

bool VirtualTimerService::IsLive(uint32_t id) const {
  std::lock_guard<std::mutex> hold(m_Mutex);
  return m_Events.count(id) != 0;
}

size_t VirtualTimerService::LiveCount() const {
  std::lock_guard<std::mutex> hold(m_Mutex);
  return m_Events.size();
}

bool VirtualTimerService::Event(uint32_t id, EventRecord& out) const {
  std::lock_guard<std::mutex> hold(m_Mutex);
  auto it = m_Events.find(id);
  if (it == m_Events.end()) return false;
  out = it->second;
  return true;
}

uint32_t VirtualTimerService::LastId() const {
  std::lock_guard<std::mutex> hold(m_Mutex);
  return m_NextId - 1;
}

}  // namespace platform
