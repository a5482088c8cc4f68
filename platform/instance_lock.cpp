#include "platform/instance_lock.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace platform {

std::string InstanceLock::DefaultPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/brevora.lock";
  // The temporary folder is shared by every user: the name carries the user.
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp != nullptr && tmp[0] == '/' ? tmp : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (dir == "/") dir.clear();
  return dir + "/brevora-" + std::to_string(static_cast<unsigned long>(getuid())) + ".lock";
}

InstanceStatus InstanceLock::Acquire() {
  return AcquireAt(DefaultPath());
}

InstanceStatus InstanceLock::AcquireAt(const std::string& hostPath) {
  if (Held()) return InstanceStatus::kFirst;
  // A few rounds: the holder may remove the file between our open and lock.
  for (int round = 0; round < 8; ++round) {
    const int fd = open(hostPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceStatus::kNoLock;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      close(fd);
      return error == EWOULDBLOCK ? InstanceStatus::kAlreadyRunning : InstanceStatus::kNoLock;
    }
    // Locked; but if the holder removed the file meanwhile, the lock sits on
    // a file nobody else can find: start again on the one the path names now.
    struct stat held {};
    struct stat named {};
    if (fstat(fd, &held) != 0 || stat(hostPath.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
      close(fd);
      continue;
    }
    // Who holds it, for a person who finds the file.
    char pid[24];
    const int n = std::snprintf(pid, sizeof pid, "%ld\n", static_cast<long>(getpid()));
    if (ftruncate(fd, 0) == 0 && write(fd, pid, static_cast<size_t>(n)) < 0) {
      // The content is only informative.
    }
    m_Fd = fd;
    m_Path = hostPath;
    return InstanceStatus::kFirst;
  }
  return InstanceStatus::kNoLock;
}

void InstanceLock::Release() {
  if (m_Fd < 0) return;
  // Removed while still locked, so a starting desk never locks a file that is
  // about to disappear without noticing (it checks the path afterwards).
  unlink(m_Path.c_str());
  close(m_Fd);
  m_Fd = -1;
  m_Path.clear();
}

}  // namespace platform
