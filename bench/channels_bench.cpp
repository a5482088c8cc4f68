// The channels' share of the 10 ms engine tick: sixteen scheduled channels
// ticked one tick apart, with loop restarts and effect switches on the way.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "audio/audio_setup.h"
#include "channels/channel.h"
#include "channels/tempo.h"
#include "platform/hostfs.h"

namespace {

constexpr int kChannels = 16;
constexpr uint32_t kRate = 44100;

// A one-second 16-bit stereo wave on drive T:.
void MakeWave() {
  static bool made = false;
  if (made) return;
  char tmpl[] = "/tmp/brevora-chbench-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  std::ofstream wav(dir + "/loop.wav", std::ios::binary);
  auto u32 = [&](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
  wav << "RIFFxxxxWAVEfmt ";
  u32(16);
  u16(1);
  u16(2);
  u32(kRate);
  u32(kRate * 4);
  u16(4);
  u16(16);
  wav << "data";
  u32(kRate * 4);
  wav << std::string(kRate * 4, '\x01');
  wav.close();
  platform::SetDrive('T', dir);
  made = true;
}

void BM_TickSixteenChannels(benchmark::State& state) {
  MakeWave();
  SetOutputFormat(kRate, 16, 2);
  SetTempo(130);
  static tChannel channels[kChannels];
  for (int i = 0; i < kChannels; ++i) {
    tChannel& ch = channels[i];
    ch.Reset();
    ch.LoadSound(tChannel::kMain, "T:\\loop.wav");
    if (i % 2 == 0) ch.LoadSound(tChannel::kEffect, "T:\\loop.wav");
    ch.SetQuantize(0.25 * (i % 4));
    ch.SetLoop(0.5 * (1 + i % 4));
    ch.SetDelay(0.25 * (i % 3));
    ch.Trigger(0);
  }
  uint32_t now = 0;
  uint32_t tick = 0;
  for (auto _ : state) {
    now += 441;
    ++tick;
    if (tick % 64 == 0)
      for (int i = 0; i < kChannels; i += 2) channels[i].SetFxOn(!channels[i].GetFxOn());
    for (tChannel& ch : channels) ch.Tick(now);
  }
  state.SetItemsProcessed(state.iterations());
  for (tChannel& ch : channels) ch.Reset();
}
BENCHMARK(BM_TickSixteenChannels);

}  // namespace
