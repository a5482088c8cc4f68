// The staged desk sounds, read by the engine's own wave reader: each loads in
// the format they were made in, with a length its use allows. The demo set's
// loops are checked with its channel files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "audio/wave.h"
#include "platform/hostfs.h"
#include "tests/tools/stage_files.h"
#include "tests/tools/wave_peak.h"

namespace {

class Sounds : public ::testing::Test {
 protected:
  void SetUp() override { platform::InitDrives(BREVORA_STAGE, true); }
};

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

}  // namespace
