// A pad on a JACK server for the end-to-end check: a client with one MIDI
// output port, marked as hardware with --physical, that takes commands on
// stdin and answers each with one line on stdout:
//
//   connected PORT MS   wait until the pad's port is connected to PORT: "ok" or "timeout"
//   connect PORT MS     wait for PORT and connect to it: "ok" or "timeout"
//   on NOTE | off NOTE  a note on (velocity 100) or off on MIDI channel 1: "ok" or "failed"
//   cc NUMBER VALUE     a control change on MIDI channel 1
//
//   jack_send NAME [--physical]
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "tests/platform/jack_sender.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: jack_send NAME [--physical]\n");
    return 2;
  }
  const bool physical = argc > 2 && std::strcmp(argv[2], "--physical") == 0;
  tJackSender pad;
  if (!pad.Open(argv[1], physical)) {
    std::fprintf(stderr, "jack_send: no JACK server to send to\n");
    return 1;
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string command, port;
    in >> command;
    bool ok = false;
    if (command == "connected" || command == "connect") {
      int ms = 0;
      in >> port >> ms;
      ok = command == "connected" ? pad.WaitConnected(port, ms)
                                  : pad.WaitForPort(port, ms) && pad.Connect(port);
      std::puts(ok ? "ok" : "timeout");
    } else if (command == "on" || command == "off" || command == "cc") {
      int number = 0, value = 0;
      in >> number >> value;
      const uint8_t n = static_cast<uint8_t>(number & 0x7F);
      if (command == "on")
        ok = pad.NoteOn(n) != 0;
      else if (command == "off")
        ok = pad.NoteOff(n) != 0;
      else
        ok = pad.Send(0xB0, n, static_cast<uint8_t>(value & 0x7F)) != 0;
      std::puts(ok ? "ok" : "failed");
    } else {
      std::puts("unknown");
    }
    std::fflush(stdout);
  }
  return 0;
}
