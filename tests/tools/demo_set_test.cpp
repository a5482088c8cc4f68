// The staged sounds, read by the engine's own wave reader, and the demo set's
// recorded performance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "audio/wave.h"
#include "platform/hostfs.h"
#include "tests/tools/stage_files.h"

namespace {

// Loads a staged wave through the engine: 44100 Hz 16-bit stereo, of a
// length in frames within [minFrames, maxFrames], audible (a peak above
// minPeak) and not clipped.
void CheckWave(const std::string& path, uint32_t minFrames, uint32_t maxFrames, int minPeak) {
  SCOPED_TRACE(path);
  tWave w;
  ASSERT_TRUE(w.LoadWave(path));
  EXPECT_EQ((std::vector<uint32_t>{w.Rate(), w.Channels(), w.BitsPerSample()}),
            (std::vector<uint32_t>{44100, 2, 16}));
  EXPECT_GE(w.Frames(), minFrames);
  EXPECT_LE(w.Frames(), maxFrames);
  int peak = 0;
  const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
  for (uint32_t i = 0; i < w.Size() / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
  EXPECT_GT(peak, minPeak);
  EXPECT_LT(peak, 32767);
}

TEST(Sounds, DeskSoundsLoadThroughTheEngine) {
  platform::InitDrives(BREVORA_STAGE, true);
  // Lengths the desk's use allows: short clicks; door sounds the panel waits
  // for; the transport's change sound about as long as its ten frames; the
  // closing tune as long as the closing page's wait.
  const struct {
    const char* name;
    double minSec, maxSec;
  } sounds[] = {{"click", 0.005, 0.1},    {"slide", 0.05, 0.3},     {"switch", 0.02, 0.2},
                {"panel", 0.8, 1.3},      {"metronome", 0.02, 0.2}, {"door_open", 0.3, 1.0},
                {"door_close", 0.3, 1.0}, {"intro", 0.8, 2.5},      {"extro", 5.5, 6.5}};
  for (const auto& s : sounds)
    CheckWave(std::string("C:\\data\\") + s.name + ".wav", uint32_t(std::ceil(s.minSec * 44100)),
              uint32_t(s.maxSec * 44100), 3000);
}

// The demo set's recording: more than a minute long, and every Play event on
// its channel's grid at either rate, so that played back each loop starts from
// its beginning (a loop starts from the latest grid point, at an offset of the
// lateness; under 500 frames of lateness from its beginning).
TEST(DemoSet, ThePerformanceIsARecordingOfMoreThanAMinuteOnTheGrid) {
  std::string text;
  std::vector<std::string> lines;
  ASSERT_TRUE(ReadBytes(StagePath("Mixes/you bv feel.mix"), text));
  ASSERT_TRUE(CrlfLines(text, lines));
  ASSERT_GT(lines.size(), 53u);
  // Three lines a channel from the sixth on, the third naming its channel file.
  std::map<int, double> quantize;
  for (int n = 0; n < 16; ++n) {
    const std::string& sample = lines[size_t(7 + n * 3)];
    std::string file = sample.substr(sample.find('=') + 1), channel;
    if (file.empty()) continue;
    std::replace(file.begin(), file.end(), '\\', '/');
    ASSERT_TRUE(ReadBytes(StagePath(file), channel)) << file;
    const size_t at = channel.find("\r\nQuantize=");
    ASSERT_NE(at, std::string::npos) << file;
    quantize[n] = std::stod(channel.substr(at + 11));
  }
  // The events follow the 48 lines of the channels' starting values.
  unsigned long ms = 0;
  int plays = 0;
  for (size_t i = 53; i < lines.size(); ++i) {
    int channel = 0;
    char kind[32];
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "Time %lu Channel %d %31s", &ms, &channel, kind), 3)
        << lines[i];
    if (std::string(kind) != "Play") continue;
    ++plays;
    for (uint32_t rate : {44100u, 22050u}) {
      const uint64_t unit = uint64_t(SamplesPerBeat(rate) * quantize.at(channel));
      EXPECT_LT(uint64_t(ms) * rate / 1000 % unit, 500u) << lines[i] << " at " << rate << " Hz";
    }
  }
  EXPECT_GE(plays, 10);
  EXPECT_GE(ms, 60000u);
}

}  // namespace
