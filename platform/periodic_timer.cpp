#include "platform/periodic_timer.h"

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

namespace {

constexpr uint64_t kNsPerMs = 1000000ull;

timespec ToTimespec(uint64_t ns) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ns / 1000000000ull);
  ts.tv_nsec = static_cast<long>(ns % 1000000000ull);
  return ts;
}

uint64_t NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
}

// One live timer event: its own thread waits on a timerfd armed with absolute
// deadlines and on an eventfd that the kill writes to.
struct TimerEvent {
  uint32_t id = 0;
  TimerProc proc = nullptr;
  uintptr_t user = 0;
  bool periodic = false;
  int timerFd = -1;
  int wakeFd = -1;
  std::atomic<bool> cancelled{false};
  std::thread thread;

  ~TimerEvent() {
    if (timerFd >= 0) close(timerFd);
    if (wakeFd >= 0) close(wakeFd);
  }
};

class HostTimerService : public PeriodicTimerService {
 public:
  uint32_t GetDevCaps(TimerCaps& caps) override {
    timespec res{};
    if (clock_getres(CLOCK_MONOTONIC, &res) != 0) return kTimerNoCanDo;
    const uint64_t ns =
        static_cast<uint64_t>(res.tv_sec) * 1000000000ull + static_cast<uint64_t>(res.tv_nsec);
    uint64_t ms = (ns + kNsPerMs - 1) / kNsPerMs;
    if (ms == 0) ms = 1;
    caps.periodMin = static_cast<uint32_t>(ms);
    caps.periodMax = 1000000;
    return kTimerOk;
  }

  uint32_t BeginPeriod(uint32_t ms) override { return InRange(ms) ? kTimerOk : kTimerNoCanDo; }
  uint32_t EndPeriod(uint32_t ms) override { return InRange(ms) ? kTimerOk : kTimerNoCanDo; }

  uint32_t SetEvent(uint32_t delayMs, uint32_t resolutionMs, TimerProc proc, uintptr_t user,
                    uint32_t flags) override {
    (void)resolutionMs;  // deadlines are kept to the clock's own resolution
    if (proc == nullptr || delayMs == 0) return 0;
    auto event = std::make_shared<TimerEvent>();
    event->proc = proc;
    event->user = user;
    event->periodic = (flags & kTimerPeriodic) != 0;
    event->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    event->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (event->timerFd < 0 || event->wakeFd < 0) return 0;

    const uint64_t periodNs = static_cast<uint64_t>(delayMs) * kNsPerMs;
    itimerspec spec{};
    spec.it_value = ToTimespec(NowNs() + periodNs);
    if (event->periodic) spec.it_interval = ToTimespec(periodNs);

    std::lock_guard<std::mutex> hold(m_Mutex);
    uint32_t id = m_NextId++;
    if (id == 0) id = m_NextId++;
    event->id = id;
    if (timerfd_settime(event->timerFd, TFD_TIMER_ABSTIME, &spec, nullptr) != 0) return 0;
    try {
      event->thread = std::thread(&HostTimerService::Run, this, event);
    } catch (...) {
      return 0;
    }
    m_Events[id] = event;
    return id;
  }

  uint32_t KillEvent(uint32_t id) override {
    std::shared_ptr<TimerEvent> event;
    {
      std::lock_guard<std::mutex> hold(m_Mutex);
      auto it = m_Events.find(id);
      if (it == m_Events.end()) return kTimerNoCanDo;
      event = it->second;
      m_Events.erase(it);
    }
    event->cancelled.store(true, std::memory_order_release);
    const uint64_t one = 1;
    ssize_t written = write(event->wakeFd, &one, sizeof one);
    (void)written;
    if (event->thread.get_id() == std::this_thread::get_id()) {
      event->thread.detach();  // the callback is killing its own timer
    } else if (event->thread.joinable()) {
      event->thread.join();
    }
    return kTimerOk;
  }

 private:
  bool InRange(uint32_t ms) {
    TimerCaps caps;
    if (GetDevCaps(caps) != kTimerOk) return false;
    return ms >= caps.periodMin && ms <= caps.periodMax;
  }

  void Run(std::shared_ptr<TimerEvent> event) {
    RaiseCurrentThreadPriority(2);
    pollfd fds[2]{};
    fds[0].fd = event->timerFd;
    fds[0].events = POLLIN;
    fds[1].fd = event->wakeFd;
    fds[1].events = POLLIN;
    for (;;) {
      if (event->cancelled.load(std::memory_order_acquire)) return;
      const int ready = poll(fds, 2, -1);
      if (ready < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (event->cancelled.load(std::memory_order_acquire)) return;
      if ((fds[0].revents & POLLIN) == 0) continue;
      uint64_t expiries = 0;
      if (read(event->timerFd, &expiries, sizeof expiries) != sizeof expiries) continue;
      // Expiries missed while the callback ran collapse into this one run.
      event->proc(event->id, event->user);
      if (!event->periodic) break;
    }
    // A one-shot event that has fired retires itself unless a kill is already
    // under way (then the kill joins this thread).
    std::lock_guard<std::mutex> hold(m_Mutex);
    auto it = m_Events.find(event->id);
    if (it != m_Events.end() && it->second == event) {
      m_Events.erase(it);
      event->thread.detach();
    }
  }

  std::mutex m_Mutex;
  std::map<uint32_t, std::shared_ptr<TimerEvent>> m_Events;
  uint32_t m_NextId = 1;
};

}  // namespace

PeriodicTimerService& SystemTimerService() {
  static HostTimerService service;
  return service;
}

bool RaiseCurrentThreadPriority(int level) {
  if (level <= 0) return true;
  const int policy = SCHED_FIFO;
  const int lowest = sched_get_priority_min(policy);
  sched_param param{};
  param.sched_priority = lowest + (level >= 2 ? 10 : 5);
  if (pthread_setschedparam(pthread_self(), policy, &param) == 0) return true;
  const int nice = level >= 2 ? -10 : -5;
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  return setpriority(PRIO_PROCESS, tid, nice) == 0;
}

}  // namespace platform
