// From the MIDI service's callback to the channel's Trigger: a thread pushes
// a note on through the service's test back end, as RtMidi's thread hands a
// message to the ring, and the desk's loop on this thread wakes, takes it
// and presses channel 1. Each iteration is one note; the counters give the
// median and the 99th percentile in microseconds. Headless, the desk's
// wait runs on SDL's dummy video driver, which looks for events once a
// millisecond; a desk in an X11 window is woken at once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "bench/probe_desk.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/midi.h"
#include "ui/midi_desk.h"

namespace {

void BM_MidiCallbackToTrigger(benchmark::State& state) {
  tProbeDesk probe;
  if (!probe.Start(BREVORA_STAGE) || !probe.LoadLevel(44100)) {
    state.SkipWithError("the desk could not start");
    return;
  }
  tInterface& desk = probe.Desk();
  auto input = std::make_unique<platform::TestMidiInput>();
  platform::TestMidiInput* pads = input.get();
  desk.Midi().Attach(std::move(input));
  tChannel& channel = desk.Channel(0);

  std::atomic<int> go{0};
  std::atomic<bool> quit{false};
  std::atomic<uint64_t> sentNs{0};
  std::thread callback([&] {
    int seen = 0;
    while (!quit.load()) {
      if (go.load(std::memory_order_acquire) == seen) {
        std::this_thread::yield();
        continue;
      }
      ++seen;
      sentNs.store(platform::MonotonicNs());
      pads->NoteOn(36);
    }
  });

  std::vector<double> latencies;
  latencies.reserve(static_cast<size_t>(state.max_iterations));
  platform::InputEvent record;
  for (auto _ : state) {
    go.fetch_add(1, std::memory_order_release);
    while (!channel.GetKeyHeld()) {
      desk.NextRecord(record);
      desk.Dispatch(record);
    }
    const double seconds = static_cast<double>(platform::MonotonicNs() - sentNs.load()) / 1e9;
    state.SetIterationTime(seconds);
    latencies.push_back(seconds * 1e6);
    state.PauseTiming();
    pads->NoteOff(36);
    while (channel.GetKeyHeld()) {
      desk.NextRecord(record);
      desk.Dispatch(record);
    }
    state.ResumeTiming();
  }
  quit.store(true);
  callback.join();
  probe.Stop();
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["median_us"] = latencies[latencies.size() / 2];
    state.counters["p99_us"] =
        latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
  }
}
BENCHMARK(BM_MidiCallbackToTrigger)
    ->UseManualTime()
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
