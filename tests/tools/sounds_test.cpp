// The staged sounds, read by the engine's own wave reader: every desk sound
// and every loop of the demo set loads, in the format the set was made in,
// and every loop lasts exactly its whole number of beats.
#include <gtest/gtest.h>

#include <dirent.h>
#include <cmath>
#include <string>
#include <vector>

#include "audio/wave.h"
#include "platform/hostfs.h"
#include "tests/tools/stage_files.h"

namespace {

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override { platform::InitDrives(BREVORA_STAGE, true); }
};

// Largest absolute sample of a 16-bit wave.
int Peak(const tWave& w) {
  int peak = 0;
  const int16_t* s = reinterpret_cast<const int16_t*>(w.Data());
  for (uint32_t i = 0; i < w.Size() / 2; ++i) peak = std::max(peak, std::abs(int(s[i])));
  return peak;
}

std::vector<std::string> DemoFiles(const std::string& ext) {
  std::vector<std::string> out;
  DIR* d = opendir(StagePath("Mixes/you bv feel").c_str());
  if (d == nullptr) return out;
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() > ext.size() && n.compare(n.size() - ext.size(), ext.size(), ext) == 0)
      out.push_back(n);
  }
  closedir(d);
  return out;
}

TEST_F(Sounds, DeskSoundsLoadThroughTheEngine) {
  struct Expect {
    const char* name;
    double minSec, maxSec;
  };
  // Lengths the desk's use allows: short clicks; door sounds the panel waits
  // for; the transport's change sound about as long as its ten frames; the
  // closing tune as long as the closing page's wait.
  const Expect sounds[] = {
      {"click", 0.005, 0.1},    {"slide", 0.05, 0.3},     {"switch", 0.02, 0.2},
      {"panel", 0.8, 1.3},      {"metronome", 0.02, 0.2}, {"door_open", 0.3, 1.0},
      {"door_close", 0.3, 1.0}, {"intro", 0.8, 2.5},      {"extro", 5.5, 6.5}};
  for (const Expect& e : sounds) {
    SCOPED_TRACE(e.name);
    tWave w;
    ASSERT_TRUE(w.LoadWave(std::string("C:\\data\\") + e.name + ".wav"));
    EXPECT_EQ(w.Rate(), 44100u);
    EXPECT_EQ(w.Channels(), 2u);
    EXPECT_EQ(w.BitsPerSample(), 16u);
    double seconds = double(w.Frames()) / w.Rate();
    EXPECT_GE(seconds, e.minSec);
    EXPECT_LE(seconds, e.maxSec);
    EXPECT_GT(Peak(w), 3000);   // audible
    EXPECT_LT(Peak(w), 32767);  // not clipped
  }
}

TEST_F(Sounds, DemoLoopsLastWholeBeatsAtTheDesksTempo) {
  auto channels = DemoFiles(".chn");
  ASSERT_GE(channels.size(), 8u);
  int effects = 0;
  for (const std::string& chn : channels) {
    SCOPED_TRACE(chn);
    std::string text;
    ASSERT_TRUE(ReadBytes(StagePath("Mixes/you bv feel/" + chn), text));
    std::vector<std::string> lines;
    ASSERT_TRUE(CrlfLines(text, lines));
    double loop = 0;
    std::vector<std::string> waves;
    for (const auto& l : lines) {
      if (l.rfind("Loop=", 0) == 0) loop = std::stod(l.substr(5));
      if ((l.rfind("Snd=", 0) == 0 || l.rfind("SFx=", 0) == 0) && l.size() > 4)
        waves.push_back(l.substr(4));
    }
    ASSERT_GT(loop, 0.0);
    ASSERT_GE(waves.size(), 1u);
    effects += waves.size() == 2;
    for (const std::string& rel : waves) {
      tWave w;
      ASSERT_TRUE(w.LoadWave("C:\\" + rel)) << rel;
      EXPECT_EQ(w.Rate(), 44100u);
      EXPECT_EQ(w.Channels(), 2u);
      EXPECT_EQ(w.BitsPerSample(), 16u);
      // trunc(SamplesPerBeat x beats), the length the channel restarts it at.
      EXPECT_EQ(w.Frames(), uint32_t(SamplesPerBeat(44100) * loop)) << rel;
      EXPECT_GT(Peak(w), 4000) << rel;
      EXPECT_LT(Peak(w), 32767) << rel;
    }
  }
  EXPECT_GE(effects, 4);
}

}  // namespace
