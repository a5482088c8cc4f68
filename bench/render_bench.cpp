// The whole export job of a 16-channel, 60-second mix (loading the waves,
// converting them, rendering the file) beside `sox -m` mixing the same 16
// files, in one run: inside this process, and as the process `brevora-render`
// that a user runs, which pays for every page of the waves afresh.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "audio/audio_setup.h"
#include "mix/console_view.h"
#include "mix/desk_core.h"
#include "platform/hostfs.h"

namespace {

constexpr int kChannels = 16;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kSeconds = 60;

// A folder of 16 waves, their channel files and a mix that plays all of them
// from the start for 60 seconds. Made once per run.
struct tBenchSet {
  std::string dir;
  tBenchSet() {
    char tmpl[] = "/tmp/brevora-bench-XXXXXX";
    dir = mkdtemp(tmpl);
    const uint32_t frames = kRate * kSeconds;
    std::string mix = "[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nBPM=130\r\nLength=60\r\n";
    std::string events;
    for (int c = 0; c < kChannels; ++c) {
      std::string name = "ch" + std::to_string(c);
      std::ofstream wav(dir + "/" + name + ".wav", std::ios::binary);
      auto u32 = [&](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
      auto u16 = [&](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
      wav << "RIFF";
      u32(36 + frames * 4);
      wav << "WAVEfmt ";
      u32(16);
      u16(1);
      u16(2);
      u32(kRate);
      u32(kRate * 4);
      u16(4);
      u16(16);
      wav << "data";
      u32(frames * 4);
      std::string data(frames * 4, '\0');
      const double hz = 110.0 * (c + 1);
      for (uint32_t i = 0; i < frames; ++i) {
        int16_t s = static_cast<int16_t>(2000.0 * std::sin(2 * M_PI * hz * i / kRate));
        std::memcpy(&data[i * 4], &s, 2);
        std::memcpy(&data[i * 4 + 2], &s, 2);
      }
      wav.write(data.data(), static_cast<std::streamsize>(data.size()));
      std::string sys = "Z:" + dir + "/" + name + ".wav";
      for (auto& ch : sys)
        if (ch == '/') ch = '\\';
      std::ofstream(dir + "/" + name + ".chn", std::ios::binary)
          << "[Brevora Channel]\r\nVersion=3\r\nQuantize=0.000\r\nLoop=132.000\r\nDelay=0.000\r\n"
             "Volume=100\r\nBalance=0\r\nPitch= 0.0\r\nSnd="
          << sys << "\r\n";
      char n[3];
      std::snprintf(n, sizeof n, "%02d", c + 1);
      std::string chn = sys.substr(0, sys.size() - 3) + "chn";
      mix +=
          std::string("Label_") + n + "=\r\nSerNum_" + n + "=\r\nSample_" + n + "=" + chn + "\r\n";
      events += "Time 00000000 Channel " + std::to_string(c) + " Play 0\r\n";
    }
    events += "Time 00060000 Channel 0 EndMix 0\r\n";
    std::ofstream(dir + "/bench.mix", std::ios::binary) << mix << events;
  }
  ~tBenchSet() { std::system(("rm -rf '" + dir + "'").c_str()); }
};

tBenchSet& Set() {
  static tBenchSet set;
  return set;
}

void BM_ExportSixteenChannelMix(benchmark::State& state) {
  const std::string dir = Set().dir;
  SetOutputFormat(kRate, 16, 2);
  SetMasterVolume(0.8);
  WAVEFORMATEX format{};
  GetOutputFormat(format);
  std::string mix = "Z:" + dir + "/bench.mix", out = "Z:" + dir + "/out.wav";
  for (auto& c : mix)
    if (c == '/') c = '\\';
  for (auto& c : out)
    if (c == '/') c = '\\';
  FILE* quiet = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    tConsoleView view(quiet);
    tDeskCore desk(&view);
    desk.PrepareChannels();
    desk.ResetChannels();
    if (!desk.LoadMix(mix.c_str()) || !desk.ExportMix(out.c_str(), format) ||
        view.MessagesShown() != 0)
      state.SkipWithError("the export failed");
  }
  std::fclose(quiet);
}
BENCHMARK(BM_ExportSixteenChannelMix)->Unit(benchmark::kMillisecond)->UseRealTime();

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs a command once per iteration and reports the user and system time its
// processes took, per run.
void RunCommand(benchmark::State& state, const std::string& cmd, const char* failure) {
  rusage before{};
  getrusage(RUSAGE_CHILDREN, &before);
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError(failure);
  }
  rusage after{};
  getrusage(RUSAGE_CHILDREN, &after);
  const double runs = static_cast<double>(state.iterations());
  if (runs == 0) return;
  state.counters["user_ms"] = 1000.0 * (Seconds(after.ru_utime) - Seconds(before.ru_utime)) / runs;
  state.counters["sys_ms"] = 1000.0 * (Seconds(after.ru_stime) - Seconds(before.ru_stime)) / runs;
}

void BM_RenderProcessSixteenChannelMix(benchmark::State& state) {
  const std::string dir = Set().dir;
  RunCommand(state,
             std::string("'") + BREVORA_RENDER + "' --quiet --rate=44100 '" + dir +
                 "/bench.mix' '" + dir + "/render.wav'",
             "brevora-render failed");
}
BENCHMARK(BM_RenderProcessSixteenChannelMix)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SoxMixesTheSameFiles(benchmark::State& state) {
  const std::string dir = Set().dir;
  std::string cmd = "sox -m";
  for (int c = 0; c < kChannels; ++c) cmd += " '" + dir + "/ch" + std::to_string(c) + ".wav'";
  cmd += " '" + dir + "/sox.wav' 2>/dev/null";
  RunCommand(state, cmd, "sox is not installed");
}
BENCHMARK(BM_SoxMixesTheSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
