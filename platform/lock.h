#pragma once
// Re-entrant lock and its scoped holder. The same thread may take a
// tCriticalSection again while it holds it; tLock releases it on every exit
// path, exceptions included.
#include <mutex>

class tCriticalSection {
 public:
  tCriticalSection() = default;
  tCriticalSection(const tCriticalSection&) = delete;
  tCriticalSection& operator=(const tCriticalSection&) = delete;

  void Enter() { m_Mutex.lock(); }
  void Leave() { m_Mutex.unlock(); }
  bool TryEnter() { return m_Mutex.try_lock(); }

 private:
  std::recursive_mutex m_Mutex;
};

class tLock {
 public:
  explicit tLock(tCriticalSection& section) : m_Section(section) { m_Section.Enter(); }
  ~tLock() { m_Section.Leave(); }
  tLock(const tLock&) = delete;
  tLock& operator=(const tLock&) = delete;

 private:
  tCriticalSection& m_Section;
};
