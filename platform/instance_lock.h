#pragma once
// One desk per user: a lock file that the running desk holds (an advisory
// lock of the host, which ends with the process, so a file left behind by a
// desk that crashed does not block the next start). The file lies in
// $XDG_RUNTIME_DIR, else in the temporary folder ($TMPDIR, else /tmp) under
// a name with the user's id, and is removed when the lock is released.
#include <string>

namespace platform {

enum class InstanceStatus {
  kFirst,           // this process holds the lock
  kAlreadyRunning,  // another process holds it
  kNoLock,          // the lock file could not be made (the desk may go on without it)
};

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock() { Release(); }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock at DefaultPath().
  InstanceStatus Acquire();
  // Takes the lock at a host path (tests; a desk per folder).
  InstanceStatus AcquireAt(const std::string& hostPath);
  // Removes the file and gives the lock up; nothing when not held.
  void Release();
  bool Held() const { return m_Fd >= 0; }

  // The lock file's host path for the current environment.
  static std::string DefaultPath();

 private:
  int m_Fd = -1;
  std::string m_Path;
};

}  // namespace platform
