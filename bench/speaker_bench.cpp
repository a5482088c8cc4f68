// The speaker's streaming path: one page timer event that writes a page
// (mix, render, lock, copy, unlock) into the ring, on the virtual sound device
// so that only the desk's own work is measured; and one event that finds the
// writer ahead and writes nothing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "audio/mixer.h"
#include "audio/speaker.h"
#include "audio/voice.h"
#include "audio/wave.h"
#include "platform/periodic_timer_virtual.h"
#include "platform/sound_device_virtual.h"

namespace {

struct tStreamingDesk {
  explicit tStreamingDesk(int voiceCount) : waves(voiceCount), voices(voiceCount) {
    speaker.Create();
    speaker.SetFormat(MakeWaveFormat(44100, 16, 2));
    speaker.SetSource(&mixer);
    speaker.Start();
    for (int i = 0; i < voiceCount; ++i) {
      waves[i].SetFormat(MakeWaveFormat(44100, 16, 2));
      waves[i].Allocate(44100 * 4);
      std::memset(waves[i].Data(), 0x21 + i, waves[i].Size());
      voices[i].SetWave(&waves[i]);
      voices[i].SetMixer(&mixer);
      voices[i].Play(true);
    }
  }
  ~tStreamingDesk() {
    for (tVoice& voice : voices) voice.SetMixer(nullptr);
    speaker.Close();
  }
  platform::VirtualSoundService sound;
  platform::VirtualTimerService timers;
  tSpeakerPlayback speaker{sound, timers};
  tMixer mixer;
  std::vector<tWave> waves;
  std::vector<tVoice> voices;
};

void BM_SpeakerWritesAPage(benchmark::State& state) {
  tStreamingDesk desk(static_cast<int>(state.range(0)));
  const uint32_t page = desk.speaker.PageSize();
  const uint32_t ring = desk.speaker.BufferSize();
  uint32_t cursor = 0;
  for (auto _ : state) {
    // The cursor moves one page per event, so every event writes one.
    desk.sound.Ring()->SetPlayCursor(cursor);
    tSpeakerPlayback::TimerProc(desk.speaker.TimerId(), reinterpret_cast<uintptr_t>(&desk.speaker));
    cursor = (cursor + page) % ring;
  }
  state.SetItemsProcessed(state.iterations() * desk.speaker.PageFrames());
}
BENCHMARK(BM_SpeakerWritesAPage)->Arg(0)->Arg(4)->Arg(16);

// The desk under load: sixteen channels (or thirty-two voices) playing at
// pitches around 1.01 with the master pitch at 1.2, 44100 Hz 16-bit stereo.
// Each page fill is timed; the counters give its median, 99th percentile and
// worst time, and the 99th percentile as a share of the 20 ms page.
void BM_PageFillUnderLoad(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  tStreamingDesk desk(count);
  desk.mixer.SetPitch(1.2);
  for (int i = 0; i < count; ++i) {
    desk.voices[i].SetPitch(1.005 + 0.001 * (i % 11));
    desk.voices[i].SetVolume(0.8);
    desk.voices[i].SetBalance((i % 5 - 2) * 0.2);
  }
  const uint32_t page = desk.speaker.PageSize();
  const uint32_t ring = desk.speaker.BufferSize();
  uint32_t cursor = 0;
  std::vector<double> fills;
  fills.reserve(static_cast<size_t>(state.max_iterations));
  for (auto _ : state) {
    desk.sound.Ring()->SetPlayCursor(cursor);
    const auto begin = std::chrono::steady_clock::now();
    tSpeakerPlayback::TimerProc(desk.speaker.TimerId(), reinterpret_cast<uintptr_t>(&desk.speaker));
    const auto end = std::chrono::steady_clock::now();
    fills.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
    cursor = (cursor + page) % ring;
  }
  std::sort(fills.begin(), fills.end());
  auto at = [&](double q) { return fills[static_cast<size_t>(q * (fills.size() - 1))]; };
  state.counters["median_us"] = at(0.5);
  state.counters["p99_us"] = at(0.99);
  state.counters["worst_us"] = fills.back();
  state.counters["p99_of_page_pct"] = at(0.99) / (desk.speaker.PageMs() * 1000.0) * 100.0;
}
BENCHMARK(BM_PageFillUnderLoad)->Arg(16)->Arg(32)->Iterations(20000);

void BM_SpeakerEventAhead(benchmark::State& state) {
  tStreamingDesk desk(4);
  desk.sound.Ring()->SetPlayCursor(0);
  desk.speaker.FillNextPage();  // the writer is now a page ahead
  for (auto _ : state) {
    tSpeakerPlayback::TimerProc(desk.speaker.TimerId(), reinterpret_cast<uintptr_t>(&desk.speaker));
  }
}
BENCHMARK(BM_SpeakerEventAhead);

}  // namespace
