// Push, momentary and toggle behaviour, and how the bitmap buttons draw.
#include "tests/ui/ui_test_support.h"
#include "ui/control.h"

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
  EXPECT_EQ(b.State(), tControl::kDown);
  EXPECT_EQ(click.plays, 1);
  EXPECT_EQ(At(101, 51), 31);  // down frame drawn
  EXPECT_TRUE(b.Release(107, 55));
  EXPECT_EQ(At(101, 51), 30);

  // Moving off pops it up; moving back does not press it again; no click.
  b.Press(101, 51);
  b.Move(200, 200);
  EXPECT_EQ(b.State(), tControl::kNormal);
  b.Move(101, 51);
  EXPECT_EQ(b.State(), tControl::kNormal);
  EXPECT_FALSE(b.Release(101, 51));

  // A release elsewhere without a move in between lets it up without a
  // click, so the next release on it cannot click either.
  b.Press(101, 51);
  EXPECT_FALSE(b.Release(300, 300));
  EXPECT_EQ(b.State(), tControl::kNormal);
  EXPECT_EQ(At(101, 51), 30);
  EXPECT_FALSE(b.Release(101, 51));
  EXPECT_EQ(click.plays, 3);

  b.SetState(tControl::kDisabled);
  EXPECT_FALSE(b.Press(101, 51));
  EXPECT_FALSE(b.Release(101, 51));
  EXPECT_EQ(b.State(), tControl::kDisabled);
  // Disabled shows the up frame; the keyed corner is left untouched.
  EXPECT_EQ(AtAll({{101, 51}, {100, 50}}), (std::vector<int>{30, 5}));
}

TEST_F(Controls, ToggleFlipsOnEveryPressAndIgnoresMoveAndRelease) {
  tSwitchButton t;
  CountingCue click;
  t.Load("data\\button.bmp");
  t.Place(0, 0);
  t.SetClickSound(&click);
  EXPECT_TRUE(t.Press(1, 1));
  EXPECT_EQ(t.State(), tControl::kDown);
  t.Move(500, 500);
  t.Release(500, 500);
  EXPECT_EQ(t.State(), tControl::kDown);
  EXPECT_TRUE(t.Press(1, 1));
  EXPECT_EQ(t.State(), tControl::kNormal);
  EXPECT_EQ(click.plays, 2);
  t.StoreState(tControl::kDisabled);
  EXPECT_FALSE(t.Press(1, 1));
  EXPECT_EQ(click.plays, 2);
}

TEST_F(Controls, MomentaryActsOnPressAndComesUpOnAnyRelease) {
  tStopButton s;
  s.Load("data\\button.bmp");
  s.Place(10, 10);  // (10, 10)-(18, 16)
  EXPECT_TRUE(s.Press(10, 10));
  EXPECT_EQ(s.State(), tControl::kDown);
  // Any release lifts it, on its last pixel or just off it.
  for (auto [x, y] : {std::pair{17, 15}, {18, 12}, {12, 16}}) {
    s.Release(x, y);
    EXPECT_EQ(s.State(), tControl::kNormal) << x << "," << y;
    EXPECT_EQ(At(11, 11), 30) << x << "," << y;
    EXPECT_TRUE(s.Press(10, 10));
  }
  s.Move(40, 40);
  EXPECT_EQ(s.State(), tControl::kNormal);
  EXPECT_FALSE(s.Press(40, 40));
  s.StoreState(tControl::kDisabled);
  s.Release(12, 12);
  EXPECT_EQ(s.State(), tControl::kDisabled);
}

TEST_F(Controls, ArrowDrawsOpaqueFramesAndNothingWhenDisabled) {
  tArrowButton a;
  a.Load("data\\button.bmp");
  a.Place(20, 30);
  a.Draw();
  EXPECT_EQ(At(20, 30), kCubeMagenta);  // opaque: the corner is copied
  a.Press(21, 31);
  EXPECT_EQ(At(21, 31), 31);
  FillScreen(5);
  a.StoreState(tControl::kDisabled);
  a.Draw();
  EXPECT_EQ(At(21, 31), 5);
}

TEST_F(Controls, ButtonsDrawOntoAnotherImageAndHotZonesClickWithoutOne) {
  tButton b;
  b.Load("data\\button.bmp");
  tSurface panel;
  ASSERT_TRUE(panel.Create(20, 20));
  b.DrawOnto(&panel, 4, 4);
  EXPECT_EQ(panel.Image().PixelAt(5, 5), 30);
  EXPECT_EQ(panel.Image().PixelAt(4, 4), 0);  // keyed corner

  tHotZone zone;
  zone.SetRect(tRect{0, 0, 10, 10});
  EXPECT_TRUE(zone.Press(9, 9));
  EXPECT_TRUE(zone.Release(0, 0));
  EXPECT_FALSE(zone.Press(10, 5));  // right edge is outside
  tHotZone fresh;                   // the default hit area is (0, 0)-(100, 100)
  EXPECT_TRUE(fresh.Hit(99, 99));
  EXPECT_FALSE(fresh.Hit(100, 0));
}

}  // namespace
