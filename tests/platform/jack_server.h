#pragma once
// A JACK server of the test's own on the dummy driver (no sound card, no
// realtime rights), under a name no other run uses; clients of this process
// reach it through JACK_DEFAULT_SERVER. Stopped and reaped at the end.
#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

extern char** environ;

class tJackServer {
 public:
  ~tJackServer() { Stop(); }

  static bool Installed() { return std::system("command -v jackd >/dev/null 2>&1") == 0; }

  // Starts jackd and waits up to 10 s until a client can reach it. Periods
  // of 2048 frames: a client the loaded machine holds up past a period
  // misses that cycle's MIDI, and longer periods make that rare.
  bool Start() {
    m_Name = "brevora-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", m_Name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    const char* argv[] = {"jackd", "--no-realtime", "-n", m_Name.c_str(), "-d",   "dummy",
                          "-r",    "48000",         "-p", "2048",         nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc =
        posix_spawnp(&m_Pid, "jackd", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      m_Pid = -1;
      return false;
    }
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
