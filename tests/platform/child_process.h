#pragma once
// Programs the tests start beside themselves (a display server, a window
// manager, a JACK server, tools): found on PATH, their output dropped, ended
// with the test process even when a test aborts it.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// The program's path on PATH; empty when it is not there.
inline std::string ProgramPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t from = 0; from <= dirs.size();) {
    size_t to = dirs.find(':', from);
    if (to == std::string::npos) to = dirs.size();
    const std::string candidate = dirs.substr(from, to - from) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    from = to + 1;
  }
  return "";
}

// Starts args[0] with the other arguments; -1 when it is not on PATH. The
// child only makes calls that are safe after a fork in a process with
// threads: everything it needs is made before.
inline pid_t Spawn(const std::vector<std::string>& args) {
  const std::string program = ProgramPath(args[0]);
  if (program.empty()) return -1;
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    // A terminate signal, not a kill, when the test dies: a server gets to
    // unregister itself.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// Ends a child started by Spawn: a terminate signal, a kill after 10 s. A
// JACK server may take seconds to end on a loaded machine, and one that is
// killed leaves its name registered for good.
inline void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  for (int i = 0; i < 200 && waitpid(pid, nullptr, WNOHANG) != pid; ++i) usleep(50000);
  if (kill(pid, 0) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid = -1;
}
