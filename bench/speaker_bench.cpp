// The speaker's streaming path: one page timer event that writes a page
// (mix, render, lock, copy, unlock) into the ring, on the virtual sound device
// so that only the desk's own work is measured; and one event that finds the
// writer ahead and writes nothing.
#include <benchmark/benchmark.h>

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
