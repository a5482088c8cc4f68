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

TEST_F(Controls, MomentaryActsOnPressAndComesUpOnAnyRelease) {
  tStopButton s;
  s.Load("data\\button.bmp");
  s.Place(10, 10);  // (10, 10)-(18, 16)
  // Any release lifts it, on its last pixel or just off it.
  for (auto [x, y] : {std::pair{17, 15}, {18, 12}, {12, 16}}) {
    EXPECT_TRUE(s.Press(10, 10));
    EXPECT_EQ(s.State(), tControl::kDown);
    s.Release(x, y);
    EXPECT_EQ(s.State(), tControl::kNormal) << x << "," << y;
    EXPECT_EQ(At(11, 11), 30) << x << "," << y;
  }
  EXPECT_FALSE(s.Press(18, 16));
  s.StoreState(tControl::kDisabled);
  s.Release(12, 12);
  EXPECT_EQ(s.State(), tControl::kDisabled);

  // A toggle flips on every press and ignores moves and releases.
  tSwitchButton t;
  CountingCue click;
  t.Load("data\\button.bmp");
  t.SetClickSound(&click);
  EXPECT_TRUE(t.Press(1, 1));
  t.Move(500, 500);
  t.Release(500, 500);
  EXPECT_EQ(t.State(), tControl::kDown);
  EXPECT_TRUE(t.Press(1, 1));
  EXPECT_EQ(t.State(), tControl::kNormal);
  t.StoreState(tControl::kDisabled);
  EXPECT_FALSE(t.Press(1, 1));
  EXPECT_EQ(click.plays, 2);
}

TEST_F(Controls, ArrowsDrawOpaqueButtonsKeyedOntoImagesZonesWithout) {
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

  tButton b;
  b.Load("data\\button.bmp");
  tSurface panel;
  ASSERT_TRUE(panel.Create(20, 20));
  b.DrawOnto(&panel, 4, 4);
  EXPECT_EQ((std::pair{panel.Image().PixelAt(5, 5), panel.Image().PixelAt(4, 4)}),
            (std::pair<uint8_t, uint8_t>{30, 0}));  // the corner keyed

  tHotZone zone;
  zone.SetRect(tRect{0, 0, 10, 10});
  EXPECT_TRUE(zone.Press(9, 9));
  EXPECT_TRUE(zone.Release(0, 0));
  EXPECT_FALSE(zone.Press(10, 5));  // right edge is outside
  tHotZone fresh;                   // the default hit area is (0, 0)-(100, 100)
  EXPECT_TRUE(fresh.Hit(99, 99));
  EXPECT_FALSE(fresh.Hit(100, 0));
}

// Only the press of a button plays its sound, from the start.
TEST_F(Controls, PressingAButtonRestartsItsSound) {
  tSound sound;
  ASSERT_TRUE(sound.Create(MakeWaveFormat(22050, 8, 1), 2000));
  tSoundClick click(sound);
  tButton button;
  button.Load("data\\button.bmp");
  button.SetClickSound(&click);
  button.Press(1, 1);
  EXPECT_TRUE(sound.IsPlaying());
  sound.Stop();
  button.Release(1, 1);
  button.Press(50, 50);
  EXPECT_FALSE(sound.IsPlaying());
}

}  // namespace
