// Measures what MIDI adds to the desk's latency: from a note on written by
// a JACK client into the desk's port "Brevora" to the first sample of the
// channel's sound leaving the sound device's callback, beside the same
// figure for a key press queued as the window system queues one. Both
// inputs reach the same loop of the desk (NextRecord and Dispatch on the
// main thread, as the shell runs it); a measuring thread presses and
// releases at random phases of the tick and the page timer.
//
// Usage: midi_latency_probe STAGE_DIR [presses per input, default 100]
// Needs a running JACK server (JACK_DEFAULT_SERVER names it);
// scripts/measure-midi starts one on its dummy driver.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench/probe_desk.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "platform/sound_device.h"
#include "tests/platform/jack_sender.h"
#include "ui/midi_desk.h"

namespace {

void InjectKey(platform::InputKind kind) {
  platform::InputEvent e;
  e.kind = kind;
  e.key = 'Q';
  platform::InjectInput(e);
}

// Presses and releases channel 1 tries times through press(), which answers
// the time the input left its source (0 when it could not be sent).
template <class Press, class Release>
std::vector<double> Measure(int tries, uint32_t seed, Press press, Release release) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> phase(0, 20000);
  std::vector<double> latencies;
  for (int n = 0; n < tries; ++n) {
    // The ring runs silent for longer than its length, then the press falls
    // at a random phase of the tick and the page timer.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
    g_Armed.store(true);
    const uint64_t start = press();
    const uint64_t deadline = platform::MonotonicNs() + 1000000000ull;
    while (g_Armed.load() && platform::MonotonicNs() < deadline)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (!g_Armed.exchange(false) && start != 0 && g_FirstSoundNs.load() > start)
      latencies.push_back(static_cast<double>(g_FirstSoundNs.load() - start) / 1e6);
    release();
  }
  std::sort(latencies.begin(), latencies.end());
  return latencies;
}

double Median(const std::vector<double>& v) {
  return v.empty() ? 0 : v[v.size() / 2];
}

void Print(const char* what, const std::vector<double>& v) {
  if (v.empty()) {
    std::printf("  %-9s no sound came\n", what);
    return;
  }
  std::printf("  %-9s best %.2f ms, median %.2f ms, p99 %.2f ms, worst %.2f ms (%zu presses)\n",
              what, v.front(), Median(v), v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back(),
              v.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: midi_latency_probe STAGE_DIR [presses per input]\n");
    return 1;
  }
  const int tries = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100;
  tProbeDesk probe;
  try {
    if (!probe.Start(argv[1]) || !probe.LoadLevel(44100)) return 1;
    tInterface& desk = probe.Desk();
    desk.Midi().SetSystem(platform::MidiSystem::kJack);
    desk.Midi().SetConnectHardware(false);
    if (!desk.Midi().Start()) return 1;
    tJackSender pad;
    if (!pad.Open("brevora-probe-pad", false) || !pad.WaitForPort("Brevora:Brevora", 5000) ||
        !pad.Connect("Brevora:Brevora")) {
      std::fprintf(stderr, "the probe's pad could not reach the desk's port\n");
      return 1;
    }
    platform::SetSoundChunkObserver(&ObserveChunk, nullptr);

    std::atomic<bool> done{false};
    std::vector<double> keys, notes;
    std::thread measuring([&] {
      keys = Measure(
          tries, 1717,
          [] {
            const uint64_t t = platform::MonotonicNs();
            InjectKey(platform::InputKind::kKeyPress);
            return t;
          },
          [] { InjectKey(platform::InputKind::kKeyRelease); });
      notes = Measure(
          tries, 1718, [&] { return pad.NoteOn(36); }, [&] { pad.NoteOff(36); });
      done.store(true);
      platform::WakeInputWait();
    });
    // The desk's loop, as the shell runs it.
    while (!done.load()) {
      platform::InputEvent record;
      desk.NextRecord(record);
      desk.Dispatch(record);
    }
    measuring.join();
    platform::SetSoundChunkObserver(nullptr, nullptr);
    std::printf("Input to channel 1's first sample leaving the sound callback, 44100 Hz:\n");
    Print("key", keys);
    Print("MIDI note", notes);
    if (!keys.empty() && !notes.empty())
      std::printf("  MIDI adds %.2f ms to the key's median\n", Median(notes) - Median(keys));
    probe.Stop();
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "%s", e.GetText());
    return 1;
  }
  return 0;
}
