// Push, momentary and toggle behaviour, how the bitmap buttons draw, and the
// click that plays a real desk sound.
#include "audio/sound.h"
#include "audio/sound_format.h"
#include "tests/ui/ui_test_support.h"
#include "ui/control.h"
#include "ui/sound_click.h"

namespace {

class Controls : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    // Two 8 x 6 frames: up is 30, down is 31, with magenta corners.
    WriteBmp("data\\button.bmp", TestPicture{16, 6, [](int32_t x, int32_t y) {
                                               if ((x % 8 == 0) && y == 0) return kCubeMagenta;
                                               return static_cast<uint8_t>(30 + x / 8);
                                             }});
    FillScreen(5);
  }
};

TEST_F(Controls, PushClicksOnlyWhenPressAndReleaseLandOnIt) {
  tButton b;
  CountingCue click;
  b.Load("data\\button.bmp");
  b.Place(100, 50);
  b.SetClickSound(&click);
  EXPECT_EQ((std::pair{b.Rect().right, b.Rect().bottom}), (std::pair{108, 56}));
  EXPECT_FALSE(b.Press(99, 50));
  EXPECT_TRUE(b.Press(100, 50));
  EXPECT_EQ(At(101, 51), 31);  // down frame drawn
  EXPECT_TRUE(b.Release(107, 55));
  EXPECT_EQ(At(101, 51), 30);

  // Moving off pops it up; moving back does not press it again.
  b.Press(101, 51);
  b.Move(200, 200);
  b.Move(101, 51);
  EXPECT_EQ(b.State(), tControl::kNormal);
  EXPECT_FALSE(b.Release(101, 51));
  // A release elsewhere lets it up without a click, so the next release on
  // it cannot click either.
  b.Press(101, 51);
  EXPECT_FALSE(b.Release(300, 300));
  EXPECT_EQ(At(101, 51), 30);
  EXPECT_FALSE(b.Release(101, 51));
  EXPECT_EQ(click.plays, 3);

  // Disabled: no press, the up frame, the keyed corner left untouched.
  b.SetState(tControl::kDisabled);
  EXPECT_FALSE(b.Press(101, 51));
  EXPECT_EQ(b.State(), tControl::kDisabled);
  EXPECT_EQ(AtAll({{101, 51}, {100, 50}}), (std::vector<int>{30, 5}));
}

}  // namespace
