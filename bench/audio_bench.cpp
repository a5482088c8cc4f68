// The mixing hot path and the export device.
//
// One 20 ms page at 44100 Hz is 882 frames. The page benchmarks mix N voices
// of 16-bit stereo into the accumulator and render it as 16-bit stereo; the
// voices play distinct two-second samples, so their bytes stream from memory
// as they do on the desk. StreamRead copies the same source bytes and is the
// memory-traffic floor the mix is measured against.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/wave.h"
#include "audio/wave_file_output.h"
#include "platform/hostfs.h"

namespace {

constexpr uint32_t kRate = 44100;

void FillNoise(uint8_t* data, size_t bytes, uint32_t seed) {
  uint32_t x = seed;
  for (size_t i = 0; i < bytes; ++i) {
    x = x * 1664525u + 1013904223u;
    data[i] = static_cast<uint8_t>(x >> 24);
  }
}

std::string DeskTempPath(const char* name) {
  std::string desk;
  platform::ToSystemPath((std::filesystem::temp_directory_path() / name).string(), desk);
  return desk;
}

// A mixer on a 44100 Hz 16-bit stereo page with voices on their own waves.
struct PageRig {
  PageRig(int voices, double pitch) : waves(voices), voiceList(voices) {
    out.Open(DeskTempPath("brevora-bench-page.wav"));
    out.SetFormat(MakeWaveFormat(kRate, 16, 2));
    out.SetSource(&mixer);
    for (int i = 0; i < voices; ++i) {
      waves[i].SetFormat(MakeWaveFormat(kRate, 16, 2));
      waves[i].Allocate(2 * kRate * 4);
      FillNoise(waves[i].Data(), waves[i].Size(), 17u + static_cast<uint32_t>(i));
      voiceList[i] = std::make_unique<tVoice>();
      voiceList[i]->SetWave(&waves[i]);
      voiceList[i]->SetMixer(&mixer);
      voiceList[i]->SetPitch(pitch);
      voiceList[i]->SetVolume(0.8);
      voiceList[i]->Play(true);
      voiceList[i]->SetPosition(static_cast<uint32_t>(i) * 3001);
    }
    page.resize(out.PageBytes());
  }
  ~PageRig() {
    voiceList.clear();
    out.Close();
  }
  std::vector<tWave> waves;
  std::vector<std::unique_ptr<tVoice>> voiceList;
  tWaveFileOutput out;
  tMixer mixer;
  std::vector<uint8_t> page;
};

void MixPage(benchmark::State& state, double pitch, bool reference) {
  PageRig rig(static_cast<int>(state.range(0)), pitch);
  for (auto _ : state) {
    if (reference) {
      rig.mixer.MixReference();
    } else {
      rig.mixer.Mix();
    }
    rig.mixer.Render(rig.page.data(), static_cast<uint32_t>(rig.page.size()));
    rig.mixer.MixDone();
    benchmark::DoNotOptimize(rig.page.data());
    benchmark::ClobberMemory();
  }
  state.counters["voice_frames_per_s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * 882.0 * static_cast<double>(state.range(0)),
      benchmark::Counter::kIsRate);
}

void BM_MixPageUnitStep(benchmark::State& state) {
  MixPage(state, 1.0, false);
}
void BM_MixPageUnitStepReference(benchmark::State& state) {
  MixPage(state, 1.0, true);
}
void BM_MixPagePitched(benchmark::State& state) {
  MixPage(state, 1.01, false);
}
void BM_MixPagePitchedReference(benchmark::State& state) {
  MixPage(state, 1.01, true);
}

// The bytes a unit-step page of N voices reads, copied and nothing else.
void BM_StreamRead(benchmark::State& state) {
  const size_t voices = static_cast<size_t>(state.range(0));
  const size_t waveBytes = 2 * kRate * 4;
  const size_t pageBytes = 882 * 4;
  std::vector<std::vector<uint8_t>> waves(voices, std::vector<uint8_t>(waveBytes));
  for (size_t i = 0; i < voices; ++i) FillNoise(waves[i].data(), waveBytes, 17u + i);
  std::vector<uint8_t> sink(pageBytes);
  size_t offset = 0;
  for (auto _ : state) {
    for (size_t i = 0; i < voices; ++i) {
      std::memcpy(sink.data(), waves[i].data() + (offset + i * 12004) % (waveBytes - pageBytes),
                  pageBytes);
      benchmark::DoNotOptimize(sink.data());
    }
    offset += pageBytes;
    benchmark::ClobberMemory();
  }
}

// Sixty seconds of sixteen loaded sounds, exported to a file in 10 ms steps.
void BM_Export60s16Voices(benchmark::State& state) {
  const std::string wav = DeskTempPath("brevora-bench-export.wav");
  const std::string source = DeskTempPath("brevora-bench-source.wav");
  std::vector<std::unique_ptr<tSound>> sounds;
  {
    // One loop of 1.5 s written as a file and loaded sixteen times.
    tWaveWriter writer;
    writer.SetFormat(MakeWaveFormat(kRate, 16, 2));
    std::vector<uint8_t> data(kRate * 3 / 2 * 4);
    FillNoise(data.data(), data.size(), 5);
    writer.Open(source);
    writer.Write(data.data(), static_cast<uint32_t>(data.size()));
    writer.Finish();
  }
  for (int i = 0; i < 16; ++i) {
    sounds.push_back(std::make_unique<tSound>());
    if (!sounds.back()->Load(source)) {
      state.SkipWithError("cannot load the source sound");
      return;
    }
    sounds.back()->SetVolume(0.5);
  }
  tWaveFileOutput out;
  for (auto _ : state) {
    out.Open(wav);
    out.SetFormat(MakeWaveFormat(kRate, 16, 2));
    out.SetSource(&SystemMixer());
    for (int i = 0; i < 16; ++i) {
      sounds[i]->Voice().PlayAt(true, static_cast<uint32_t>(i) * 4001);
    }
    out.Start();
    for (uint32_t t = 10; t <= 60000; t += 10) out.Advance(t);
    out.Stop();
    out.Close();
  }
  state.counters["x_real_time"] = benchmark::Counter(60.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
  sounds.clear();
  std::string host;
  if (platform::ToHostPath(wav, host)) std::remove(host.c_str());
  if (platform::ToHostPath(source, host)) std::remove(host.c_str());
}

}  // namespace

BENCHMARK(BM_MixPageUnitStep)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixPageUnitStepReference)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixPagePitched)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MixPagePitchedReference)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StreamRead)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Export60s16Voices)->Unit(benchmark::kMillisecond);
