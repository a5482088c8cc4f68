// The level meters' logic: frame choice, the dirty mark and what Draw puts
// on screen through the strips.
#include "audio/vu.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

struct DrawCall {
  std::string strip;
  uint32_t frame;
  int x, y;
  bool operator==(const DrawCall&) const = default;
};

// A strip that records what it is asked to draw into a shared log.
class tLogStrip : public tVuStrip {
 public:
  tLogStrip(std::vector<DrawCall>& log, bool loads) : m_Log(log), m_Loads(loads) {}
  bool Load(const char* fileName, uint32_t frames) override {
    m_Name = fileName;
    m_Frames = frames;
    return m_Loads;
  }
  void SetColorKey(uint32_t rgb) override { key = rgb; }
  void DrawFrame(uint32_t frame, int x, int y) override { m_Log.push_back({m_Name, frame, x, y}); }
  uint32_t key = 0;

 private:
  std::vector<DrawCall>& m_Log;
  bool m_Loads;
  std::string m_Name;
  uint32_t m_Frames = 0;
};

TEST(VuFrames, LevelsMapToBarAndLoudspeakerFrames) {
  const int32_t levels[] = {0, 19, 20, 199, 500, -5, INT_MIN, 60, 128};
  const uint32_t bars[] = {0, 0, 1, 9, 9, 0, 0, 3, 6};
  const uint32_t speakers[] = {0, 0, 0, 2, 2, 0, 0, 1, 2};
  for (size_t i = 0; i < std::size(levels); ++i) {
    EXPECT_EQ(tVU_Gui::BarFrame(levels[i]), bars[i]) << levels[i];
    EXPECT_EQ(tVU_Gui::SpeakerFrame(levels[i]), speakers[i]) << levels[i];
  }
}

class VuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(vu.Init([this]() -> std::unique_ptr<tVuStrip> {
      auto strip = std::make_unique<tLogStrip>(log, true);
      made.push_back(strip.get());
      return strip;
    }));
    ASSERT_TRUE(vu.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
  }
  std::vector<DrawCall> log;
  std::vector<tLogStrip*> made;
  tVU_Gui vu;
};

TEST_F(VuTest, AChangedLevelDrawsOnceAtTheFixedPositions) {
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0]->key, 0xFF00FFu);  // the loudspeakers, made first, are keyed
  EXPECT_EQ(made[1]->key, 0u);         // the bars are opaque
  vu.ShowSpeakers(true);
  vu.SetLeft(45);
  vu.SetRight(130);
  EXPECT_TRUE(vu.IsDirty());
  vu.Draw();
  const std::vector<DrawCall> expected = {{"data\\vu.bmp", 2, 136, 494},
                                          {"data\\vu.bmp", 6, 148, 494},
                                          {"data\\box.bmp", 0, 162, 133},
                                          {"data\\box.bmp", 2, 534, 133}};
  EXPECT_EQ(log, expected);
  EXPECT_FALSE(vu.IsDirty());

  // The same levels again draw nothing.
  log.clear();
  vu.SetLeft(45);
  vu.SetRight(130);
  vu.Draw();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(vu.GetLeft(), 45);
  EXPECT_EQ(vu.GetRight(), 130);

  vu.ClearBars();  // frame 0 on both sides, at once
  const std::vector<DrawCall> cleared = {{"data\\vu.bmp", 0, 136, 494},
                                         {"data\\vu.bmp", 0, 148, 494}};
  EXPECT_EQ(log, cleared);
}

TEST_F(VuTest, HiddenPicturesAreNotDrawnButTheMarkIsCleared) {
  vu.ShowBars(false);
  vu.SetLeft(100);
  EXPECT_TRUE(vu.IsDirty());
  vu.Draw();
  EXPECT_TRUE(log.empty());  // loudspeakers start hidden, bars were hidden
  EXPECT_FALSE(vu.IsDirty());

  // Showing does not redraw until the next change.
  vu.ShowBars(true);
  vu.Draw();
  EXPECT_TRUE(log.empty());
  vu.SetLeft(INT_MIN);
  vu.Draw();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].frame, 0u);
}

TEST(VuLoad, FailsWhenAStripCannotBeMadeOrLoaded) {
  std::vector<DrawCall> log;
  tVU_Gui vu;
  int made = 0;
  EXPECT_FALSE(vu.Init([&]() -> std::unique_ptr<tVuStrip> {
    if (made++ == 1) return nullptr;  // the bars cannot be made
    return std::make_unique<tLogStrip>(log, true);
  }));
  // Load goes on with what exists (the assumption is logged) and fails.
  EXPECT_FALSE(vu.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
  vu.SetLeft(300);
  vu.Draw();  // no bars to draw, and the loudspeakers are hidden
  EXPECT_TRUE(log.empty());

  tVU_Gui other;
  ASSERT_TRUE(other.Init(
      [&]() -> std::unique_ptr<tVuStrip> { return std::make_unique<tLogStrip>(log, false); }));
  EXPECT_FALSE(other.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
}

}  // namespace
