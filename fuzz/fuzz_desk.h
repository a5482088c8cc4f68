#pragma once
// The desk the channel and mix targets load into: the desk core with a
// console view that prints nowhere, and a short export-style run that ticks
// the channels and mixes their voices into a scratch wave file.
#include <algorithm>
#include <cstdio>

#include "audio/audio_setup.h"
#include "audio/wave_file_output.h"
#include "fuzz/fuzz_files.h"
#include "mix/console_view.h"
#include "mix/desk_core.h"
#include "mix/output_rate.h"

inline tDeskCore& FuzzDesk() {
  static FILE* quiet = std::fopen("/dev/null", "w");
  static tConsoleView view(quiet);
  static tDeskCore* desk = [] {
    FuzzRoot();
    SetOutputFormat(22050, 8, 1);
    auto* d = new tDeskCore(&view);
    d->PrepareChannels();
    return d;
  }();
  return *desk;
}

// Runs the channels for ms milliseconds of mix time in 10 ms steps, as the
// export does: each step dispatches the events that are due (next() gives
// them in order; false when there are no more), ticks the sixteen channels
// and renders the mix bus.
template <typename NextEvent>
void FuzzRun(tDeskCore& desk, uint32_t ms, NextEvent next) {
  tWaveFileOutput& device = SystemWaveFileOutput();
  WAVEFORMATEX format{};
  GetOutputFormat(format);
  device.Open("C:\\render.wav");
  device.SetFormat(format);
  device.SetSource(&SystemMixer());
  device.Start();
  tEvent pending;
  bool have = next(pending);
  const uint32_t rate = OutputRate();
  for (uint32_t t = 0; t <= ms; t += 10) {
    const uint32_t now = static_cast<uint32_t>((uint64_t(t) * rate) / 1000u);
    while (have && (t == ms || static_cast<int32_t>(now - pending.time) >= 0)) {
      desk.DispatchEvent(pending.time, pending.channel, pending.kind, pending.value);
      have = next(pending);
    }
    for (int i = 0; i < tChannelDesk::kChannels; ++i) desk.Channel(i).Tick(now);
    device.Advance(t);
  }
  device.Stop();
  device.Close();
  desk.ResetChannelStates();
}
