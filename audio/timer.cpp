#include "audio/timer.h"

#include "platform/trace.h"

// ---- tTimerThread ----

tTimerThread::tTimerThread(platform::PeriodicTimerService& timers) : m_Timers(timers) {}

std::unique_ptr<tTimerThread> tTimerThread::Create(int priority,
                                                   platform::PeriodicTimerService& timers) {
  std::unique_ptr<tTimerThread> worker(new tTimerThread(timers));
  try {
    worker->m_Thread = std::thread(&tTimerThread::WorkerLoop, worker.get(), priority);
  } catch (...) {
    return nullptr;
  }
  return worker;
}

tTimerThread::~tTimerThread() {
  KillTimer();
  if (m_Thread.joinable()) {
    m_Stop.store(true);
    SetEvent();
    m_Thread.join();
  }
}

bool tTimerThread::SetTimer(uint32_t delayMs, uint32_t resolutionMs, tTimerCallback callback,
                            uintptr_t user, uint32_t flags) {
  KillTimer();
  m_Callback.store(callback);
  m_User.store(user);
  m_Periodic.store(flags == platform::kTimerPeriodic);
  const uint32_t id = m_Timers.SetEvent(delayMs, resolutionMs, &tTimerThread::TimerProc,
                                        reinterpret_cast<uintptr_t>(this), flags);
  m_TimerId.store(id);
  if (id == 0) {
    platform::Trace("Failed to set timer event!\n");
    return false;
  }
  return true;
}

void tTimerThread::KillTimer() {
  const uint32_t id = m_TimerId.exchange(0);
  if (id != 0) m_Timers.KillEvent(id);
}

// Runs on the timer service's thread: it only wakes the worker.
void tTimerThread::TimerProc(uint32_t timerId, uintptr_t user) {
  auto* self = reinterpret_cast<tTimerThread*>(user);
  // The worker is woken first: while the id is still set, destroying the
  // thread kills the event and so waits for this callback to end.
  self->SetEvent();
  // A one-shot timer is gone once it has fired.
  if (!self->m_Periodic.load()) {
    uint32_t expected = timerId;
    self->m_TimerId.compare_exchange_strong(expected, 0);
  }
}

void tTimerThread::WorkerLoop(int priority) {
  platform::RaiseCurrentThreadPriority(priority);
  while (!m_Stop.load()) {
    if (IsSignalled()) {
      // Runs again only when the event was set during the run: any number
      // of expiries during one run give exactly one more run.
      do {
        ResetEvent();
        if (tTimerCallback callback = m_Callback.load())
          callback(m_TimerId.load(), 0, m_User.load(), 0, 0);
      } while (IsSignalled() && !m_Stop.load());
    }
    WaitEvent();
  }
}

void tTimerThread::SetEvent() {
  std::lock_guard<std::mutex> hold(m_EventMutex);
  m_Signalled = true;
  m_EventCond.notify_all();
}

void tTimerThread::ResetEvent() {
  std::lock_guard<std::mutex> hold(m_EventMutex);
  m_Signalled = false;
}

bool tTimerThread::IsSignalled() {
  std::lock_guard<std::mutex> hold(m_EventMutex);
  return m_Signalled;
}

// Also ends on the stop flag: a run may reset the event right after the
// destructor signalled it, and the worker must still see that it is asked to end.
void tTimerThread::WaitEvent() {
  std::unique_lock<std::mutex> hold(m_EventMutex);
  m_EventCond.wait(hold, [this] { return m_Signalled || m_Stop.load(); });
}

// ---- tTimer ----

tTimer::tTimer(platform::PeriodicTimerService& timers) : m_Timers(timers) {}

tTimer::~tTimer() {
  Destroy();
}

void tTimer::Create(uint32_t periodMs, tTimerCallback callback) {
  Destroy();
  platform::TimerCaps caps;
  if (m_Timers.GetDevCaps(caps) != platform::kTimerOk)
    throw tError("Can not create MultiMedia timer.");
  if (caps.periodMin > 1) throw tError("Timer accuracy not sufficient.");
  m_Resolution = 1;
  if (m_Timers.BeginPeriod(m_Resolution) != platform::kTimerOk)
    throw tError("Can not begin timer period.");
  m_PeriodBegun = true;
  m_pWorker = tTimerThread::Create(1, m_Timers);
  if (!m_pWorker) throw tError("Failed to create timer handler.");
  if (!m_pWorker->SetTimer(periodMs, 1, callback, 0, platform::kTimerPeriodic))
    throw tError("Can not start timer event.");
}

void tTimer::Destroy() {
  if (m_pWorker) {
    m_pWorker->KillTimer();
    m_pWorker.reset();
  }
  if (m_PeriodBegun) {
    m_Timers.EndPeriod(m_Resolution);
    m_PeriodBegun = false;
  }
}

void tTimer::StartClock() {
  if (m_pWorker) m_Running.store(true, std::memory_order_relaxed);
}

void tTimer::StopClock() {
  if (m_pWorker) m_Running.store(false, std::memory_order_relaxed);
}

void tTimer::RestartClock() {
  if (!m_pWorker) return;
  m_Running.store(false, std::memory_order_relaxed);
  m_Time.store(m_RestartTime, std::memory_order_relaxed);
  m_Running.store(true, std::memory_order_relaxed);
}
