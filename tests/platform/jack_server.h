#pragma once
// A JACK server of the test's own on the dummy driver (no sound card, no
// realtime rights), under a name no other run uses; clients of this process
// reach it through JACK_DEFAULT_SERVER. Stopped and reaped at the end.
#include <jack/jack.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "tests/platform/child_process.h"

class tJackServer {
 public:
  ~tJackServer() { Stop(m_Pid); }

  static bool Installed() { return !ProgramPath("jackd").empty(); }

  // Starts jackd and waits up to 10 s until a client can reach it. Periods
  // of 2048 frames: a client the loaded machine holds up past a period
  // misses that cycle's MIDI, and longer periods make that rare.
  bool Start() {
    m_Name = "brevora-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", m_Name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    m_Pid =
        Spawn({"jackd", "--no-realtime", "-n", m_Name, "-d", "dummy", "-r", "48000", "-p", "2048"});
    for (int i = 0; m_Pid > 0 && i < 200; ++i) {
      jack_status_t status{};
      jack_client_t* probe = jack_client_open("probe", JackNoStartServer, &status);
      if (probe != nullptr) {
        jack_client_close(probe);
        return true;
      }
      usleep(50000);
    }
    Stop(m_Pid);
    return false;
  }

 private:
  std::string m_Name;
  pid_t m_Pid = -1;
};
