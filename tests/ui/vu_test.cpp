// The level meters drawn on the screen.
#include <climits>

#include "tests/ui/ui_test_support.h"
#include "ui/vu_view.h"

namespace {

class LevelMeter : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    WriteBmp("data\\vu.bmp", Frames(10, 4, 6, 10));
    WriteBmp("data\\box.bmp", Frames(3, 8, 8, 20, kCubeMagenta));
    ASSERT_TRUE(vu_.Init(ScreenVuStrips()));
    ASSERT_TRUE(vu_.Load("data\\vu.bmp", 10, "data\\box.bmp", 3));
    FillScreen(200);
  }
  static int BarLeft() { return At(137, 495) - 10; }
  static int BarRight() { return At(149, 495) - 10; }
  static int SpeakerLeft() { return At(164, 135) - 20; }
  static int SpeakerRight() { return At(536, 135) - 20; }
  tVU_Gui vu_;
};

TEST_F(LevelMeter, LevelsChooseBarAndLoudspeakerFrames) {
  vu_.ShowSpeakers(true);
  struct Case {
    int32_t level;
    int bar;
    int speaker;
  };
  for (const Case& c : {Case{19, 0, 0}, Case{20, 1, 0}, Case{199, 9, 2}, Case{500, 9, 2},
                        Case{INT_MIN, 0, 0}, Case{60, 3, 1}}) {
    vu_.SetLeft(c.level);
    vu_.SetRight(c.level / 2);
    vu_.Draw();
    EXPECT_EQ(BarLeft(), c.bar) << c.level;
    EXPECT_EQ(SpeakerLeft(), c.speaker) << c.level;
    EXPECT_EQ(BarRight(), static_cast<int>(tVU_Gui::BarFrame(c.level / 2))) << c.level;
    EXPECT_EQ(SpeakerRight(), static_cast<int>(tVU_Gui::SpeakerFrame(c.level / 2))) << c.level;
  }
  // The loudspeakers are keyed, the bars opaque.
  EXPECT_EQ(At(162, 133), 200);
  ExpectGolden("level_meter", tRect{130, 128, 180, 504});
}

}  // namespace
