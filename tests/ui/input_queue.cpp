// The input service's records for the ui tests until the service over SDL
// is in the tree: a queue of injected records and the key-state table kept
// from the records handed out.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>

#include "platform/input.h"

namespace platform {
namespace {

std::mutex g_Mutex;
std::condition_variable g_Arrived;
std::deque<tInputEvent> g_Queue;
std::set<uint8_t> g_Down;

bool TakeLocked(tInputEvent& out) {
  if (g_Queue.empty()) return false;
  out = g_Queue.front();
  g_Queue.pop_front();
  if (out.kind == tInputKind::kKeyPress) g_Down.insert(out.key);
  if (out.kind == tInputKind::kKeyRelease) g_Down.erase(out.key);
  return true;
}

}  // namespace

bool PollInput(tInputEvent& out) {
  std::lock_guard<std::mutex> lock(g_Mutex);
  return TakeLocked(out);
}

bool WaitInput(tInputEvent& out, int32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(g_Mutex);
  g_Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return !g_Queue.empty(); });
  return TakeLocked(out);
}

void FlushInput() {
  std::lock_guard<std::mutex> lock(g_Mutex);
  g_Queue.clear();
  g_Down.clear();
}

bool IsKeyDown(uint8_t key) {
  std::lock_guard<std::mutex> lock(g_Mutex);
  return g_Down.count(key) != 0;
}

void InjectInput(const tInputEvent& event) {
  std::lock_guard<std::mutex> lock(g_Mutex);
  g_Queue.push_back(event);
  g_Arrived.notify_all();
}

void WakeInputWait() {
  tInputEvent wake;
  wake.kind = tInputKind::kWake;
  InjectInput(wake);
}

void SetTextInput(bool) {}

}  // namespace platform
