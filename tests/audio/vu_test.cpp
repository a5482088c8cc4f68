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
  bool Load(const char* fileName, uint32_t) override {
    m_Name = fileName;
    return m_Loads;
  }
  void SetColorKey(uint32_t rgb) override { key = rgb; }
  void DrawFrame(uint32_t frame, int x, int y) override { m_Log.push_back({m_Name, frame, x, y}); }
  uint32_t key = 0;

 private:
  std::vector<DrawCall>& m_Log;
  bool m_Loads;
  std::string m_Name;
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

TEST(VuDraw, AChangedLevelDrawsOnceAtTheFixedPositionsOfWhatIsShown) {
  std::vector<DrawCall> log;
  std::vector<tLogStrip*> made;
  tVU_Gui vu;
  ASSERT_TRUE(vu.Init([&]() -> std::unique_ptr<tVuStrip> {
    made.push_back(new tLogStrip(log, true));
    return std::unique_ptr<tVuStrip>(made.back());
  }));
  ASSERT_TRUE(vu.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0]->key, 0xFF00FFu);  // the loudspeakers, made first, are keyed
  EXPECT_EQ(made[1]->key, 0u);         // the bars are opaque

  // Loudspeakers start hidden; hidden bars are not drawn but the mark is
  // cleared, and showing them does not redraw until the next change.
  vu.ShowBars(false);
  vu.SetLeft(100);
  EXPECT_TRUE(vu.IsDirty());
  vu.Draw();
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(vu.IsDirty());
  vu.ShowBars(true);
  vu.Draw();
  EXPECT_TRUE(log.empty());

  vu.ShowSpeakers(true);
  vu.SetLeft(45);
  vu.SetRight(130);
  vu.Draw();
  EXPECT_EQ(log, (std::vector<DrawCall>{{"data\\vu.bmp", 2, 136, 494},
                                        {"data\\vu.bmp", 6, 148, 494},
                                        {"data\\box.bmp", 0, 162, 133},
                                        {"data\\box.bmp", 2, 534, 133}}));
  EXPECT_FALSE(vu.IsDirty());

  // The same levels again draw nothing.
  log.clear();
  vu.SetLeft(45);
  vu.SetRight(130);
  vu.Draw();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ((std::pair{vu.GetLeft(), vu.GetRight()}), (std::pair{45, 130}));

  vu.ClearBars();  // frame 0 on both sides, at once
  EXPECT_EQ(log,
            (std::vector<DrawCall>{{"data\\vu.bmp", 0, 136, 494}, {"data\\vu.bmp", 0, 148, 494}}));
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
