#pragma once
// A JACK server of the test's own on the dummy driver (no sound card, no
// realtime rights), under a name no other run uses; clients of this process
// reach it through JACK_DEFAULT_SERVER. Stopped and reaped at the end.
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

class tJackServer {
 public:
  ~tJackServer() { Stop(); }

  static bool Installed() { return !ProgramPath().empty(); }

  // Starts jackd and waits up to 10 s until a client can reach it. Periods
  // of 2048 frames: a client the loaded machine holds up past a period
  // misses that cycle's MIDI, and longer periods make that rare.
  // jackd's path on PATH; empty when it is not there.
  static std::string ProgramPath() {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t from = 0;
    while (from <= dirs.size()) {
      size_t to = dirs.find(':', from);
      if (to == std::string::npos) to = dirs.size();
      const std::string candidate = dirs.substr(from, to - from) + "/jackd";
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
      from = to + 1;
    }
    return "";
  }

  bool Start() {
    m_Name = "brevora-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", m_Name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    const char* argv[] = {"jackd", "--no-realtime", "-n", m_Name.c_str(), "-d",   "dummy",
                          "-r",    "48000",         "-p", "2048",         nullptr};
    // The server goes with this process even when a test aborts it, so a
    // failed run leaves no server behind.
    // The child only makes calls that are safe after a fork: the program's
    // path is found before.
    const std::string program = ProgramPath();
    if (program.empty()) return false;
    const pid_t parent = getpid();
    m_Pid = fork();
    if (m_Pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != parent) _exit(1);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execv(program.c_str(), const_cast<char**>(argv));
      _exit(127);
    }
    if (m_Pid < 0) return false;
    for (int i = 0; i < 200; ++i) {
      jack_status_t status{};
      jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &status);
      if (probe != nullptr) {
        jack_client_close(probe);
        return true;
      }
      usleep(50000);
    }
    Stop();
    return false;
  }

  void Stop() {
    if (m_Pid <= 0) return;
    kill(m_Pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
      if (waitpid(m_Pid, nullptr, WNOHANG) == m_Pid) {
        m_Pid = -1;
        return;
      }
      usleep(50000);
    }
    kill(m_Pid, SIGKILL);
    waitpid(m_Pid, nullptr, 0);
    m_Pid = -1;
  }

 private:
  std::string m_Name;
  pid_t m_Pid = -1;
};
