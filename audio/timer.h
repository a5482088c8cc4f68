#pragma once
// The tick timer and the engine clock.
//
// tTimerThread runs a callback on a worker thread of raised priority. The
// periodic timer service only signals the worker's wake event, so a callback
// that overruns delays the next run instead of piling runs up: expiries that
// arrive while the callback runs produce exactly one further run.
//
// tTimer owns one such worker, created with the tick period, and holds the
// engine clock: a 32-bit frame count and a running flag. The tick callback
// advances the clock while it runs; the transport stops, sets and restarts it.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/periodic_timer.h"
#include "support/errors.h"

// The callback's shape: timer id, message (always 0), user value, two
// reserved values (always 0).
using tTimerCallback = void (*)(uint32_t timerId, uint32_t message, uintptr_t user,
                                uintptr_t reserved1, uintptr_t reserved2);

class tTimerThread {
 public:
  // Starts the worker at the given priority (1 above normal, 2 time-critical;
  // where the system does not allow it, at normal priority). None when the
  // thread cannot be started.
  static std::unique_ptr<tTimerThread> Create(
      int priority, platform::PeriodicTimerService& timers = platform::SystemTimerService());

  // Kills the timer, asks the worker to end and waits for it; a callback
  // that is running finishes first.
  ~tTimerThread();
  tTimerThread(const tTimerThread&) = delete;
  tTimerThread& operator=(const tTimerThread&) = delete;

  // Kills any running timer, then starts one that wakes the worker after
  // delayMs (every delayMs with kTimerPeriodic). False when the service
  // cannot start it.
  bool SetTimer(uint32_t delayMs, uint32_t resolutionMs, tTimerCallback callback, uintptr_t user,
                uint32_t flags);
  void KillTimer();

  uint32_t TimerId() const { return m_TimerId.load(); }
  bool Periodic() const { return m_Periodic.load(); }

 private:
  explicit tTimerThread(platform::PeriodicTimerService& timers);

  static void TimerProc(uint32_t timerId, uintptr_t user);
  void WorkerLoop(int priority);

  // The wake event: manual reset, initially not signalled.
  void SetEvent();
  void ResetEvent();
  bool IsSignalled();
  void WaitEvent();

  platform::PeriodicTimerService& m_Timers;
  std::thread m_Thread;
  std::mutex m_EventMutex;
  std::condition_variable m_EventCond;
  bool m_Signalled = false;
  std::atomic<bool> m_Stop{false};
  std::atomic<tTimerCallback> m_Callback{nullptr};
  std::atomic<uintptr_t> m_User{0};
  std::atomic<uint32_t> m_TimerId{0};
  std::atomic<bool> m_Periodic{false};
};

class tTimer {
 public:
  BREVORA_DECLARE_ERROR(tError, tAnyError);

  explicit tTimer(platform::PeriodicTimerService& timers = platform::SystemTimerService());
  virtual ~tTimer();
  tTimer(const tTimer&) = delete;
  tTimer& operator=(const tTimer&) = delete;

  // Holds a 1 ms timer period and starts the worker with `callback` every
  // `periodMs`. Throws tError with the reason on failure.
  void Create(uint32_t periodMs, tTimerCallback callback);
  // Kills the timer, ends the worker and releases the timer period.
  void Destroy();

  uint32_t GetTime() const { return m_Time.load(std::memory_order_relaxed); }
  void SetTime(uint32_t time) { m_Time.store(time, std::memory_order_relaxed); }
  void AddTime(uint32_t frames) { m_Time.fetch_add(frames, std::memory_order_relaxed); }

  // The time RestartClock starts the clock at: 0. Tests set another to run
  // the desk across the clock's wrap.
  void SetRestartTime(uint32_t time) { m_RestartTime = time; }
  uint32_t RestartTime() const { return m_RestartTime; }

  // The three clock operations act only once the worker exists.
  void StartClock();
  void StopClock();
  void RestartClock();
  bool IsRunning() const { return m_Running.load(std::memory_order_relaxed); }

  bool HasWorker() const { return m_pWorker != nullptr; }

 private:
  platform::PeriodicTimerService& m_Timers;
  std::atomic<uint32_t> m_Time{0};
  uint32_t m_Resolution = 1;
  bool m_PeriodBegun = false;
  std::unique_ptr<tTimerThread> m_pWorker;
  std::atomic<bool> m_Running{false};
  uint32_t m_RestartTime = 0;
};
