// Volume and balance sliders with their hit mask, and the pitch knob.
#include "ui/sliders.h"
#include "tests/ui/ui_test_support.h"

namespace {

constexpr uint8_t kGreen = 28;  // (0, 255, 0) in the colour cube

class Sliders : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    // 220 wide: unlit scale 20 on the left, lit scale 21 on the right, each
    // segment's first column darker (22) so segment edges show.
    WriteBmp("data\\vol.bmp", TestPicture{220, 8, [](int32_t x, int32_t) {
                                            if (x % 110 % 10 == 0) return uint8_t{22};
                                            return static_cast<uint8_t>(x < 110 ? 20 : 21);
                                          }});
    // The mask is green on rows 1 to 4 only (a mask read upside down would
    // be green on rows 3 to 6).
    WriteBmp("data\\vol_mask.bmp",
             TestPicture{110, 8, [](int32_t, int32_t y) {
                           return static_cast<uint8_t>(y >= 1 && y <= 4 ? kGreen : 0);
                         }});
    // Scale 40 with a magenta top row; knob k is 50 + k with a magenta column.
    WriteBmp("data\\bal.bmp", TestPicture{220, 6, [](int32_t x, int32_t y) {
                                            if (x < 110) return y == 0 ? kCubeMagenta : uint8_t{40};
                                            if ((x - 110) % 10 == 0) return kCubeMagenta;
                                            return static_cast<uint8_t>(50 + (x - 110) / 10);
                                          }});
    WriteBmp("data\\pitch.bmp", Frames(11, 10, 6, 150));
    WriteBmp("data\\font1.bmp", TestPicture{4 * 86, 5, [](int32_t x, int32_t) {
                                              return static_cast<uint8_t>(x / 4 + 1);
                                            }});
    ASSERT_TRUE(art_.Load("data\\vol.bmp", "data\\vol_mask.bmp"));
    balance_.Load("data\\bal.bmp");
    balance_.SetColourKey(kMagenta);
    FillScreen(200);
  }
  tVolumeSliderArt art_;
  tSurface balance_;
};

TEST_F(Sliders, VolumeLightsSegmentsByValue) {
  ExpectEach<int32_t, int>(tVolumeSlider::LitCount,
                           {{0, 0}, {1, 1}, {9, 1}, {10, 2}, {50, 6}, {99, 11}, {100, 11}});

  tVolumeSlider v;
  v.SetArt(&art_);
  v.Place(10, 10);
  v.SetValue(45);  // 5 segments lit
  EXPECT_EQ(AtAll({{11, 12}, {59, 12}, {60, 12}, {61, 12}, {119, 12}, {120, 12}}),
            (std::vector<int>{21, 21, 22, 20, 20, 200}));
  v.SetValue(0);
  EXPECT_EQ(At(11, 12), 20);
  v.SetValue(250);
  EXPECT_EQ(v.Value(), 100);
  EXPECT_EQ(At(118, 12), 21);
  FillScreen(200);
  v.SetValue(100);  // unchanged: not redrawn
  EXPECT_EQ(At(11, 12), 200);
}

TEST_F(Sliders, VolumeHitsOnlyTheMaskAndAddsHalfASegment) {
  tVolumeSlider v;
  v.SetArt(&art_);
  v.Place(639, 503);
  // From the first column on, clamped at the end; rows 0 and 5 are not green.
  auto hit = [&](std::pair<int32_t, int32_t> p) { return v.HitValue(p.first, p.second); };
  ExpectEach<std::pair<int32_t, int32_t>, int>(hit, {{{639, 505}, 4},
                                                     {{639 + 54, 505}, 53},
                                                     {{639 + 104, 505}, 99},
                                                     {{639 + 105, 505}, 100},
                                                     {{639 + 109, 507}, 100},
                                                     {{639 + 20, 503}, -1},
                                                     {{639 + 20, 508}, -1},
                                                     {{639 + 20, 504}, 22},
                                                     {{638, 505}, -1},
                                                     {{639 + 110, 505}, -1}});

  tVolumeSliderArt noMask;
  noMask.image.Load("data\\vol.bmp");
  EXPECT_FALSE(noMask.mask.Load("data\\missing_mask.bmp"));
  v.SetArt(&noMask);
  EXPECT_EQ(v.HitValue(639, 505), -1);
}

TEST_F(Sliders, BalancePlacesTheKnobAndHitsTheScale) {
  ExpectEach<int32_t, int>(
      tBalanceSlider::KnobPlace,
      {{0, 5}, {1, 5}, {-1, 5}, {100, 10}, {99, 10}, {-100, 0}, {-99, 0}, {50, 8}});

  tBalanceSlider b;
  b.SetImage(&balance_);
  b.Place(100, 100);
  auto hit = [&](std::pair<int32_t, int32_t> p) { return b.HitValue(p.first, p.second); };
  ExpectEach<std::pair<int32_t, int32_t>, int>(
      hit,
      {{{100, 100}, -91}, {{154, 105}, 7}, {{209, 100}, 100}, {{210, 100}, -1}, {{100, 106}, -1}});

  b.SetValue(50);
  // The scale's top row and the knob's first column are keyed.
  EXPECT_EQ(AtAll({{101, 100}, {101, 101}, {180, 101}, {181, 101}, {189, 103}}),
            (std::vector<int>{200, 40, 40, 58, 58}));
  b.SetValue(-500);
  EXPECT_EQ(b.Value(), -100);
  EXPECT_EQ(At(101, 101), 50);
}

TEST_F(Sliders, PitchKnobFramesAndScale) {
  ExpectEach<int32_t, int>(
      tPitchKnob::FrameOf,
      {{0, 5}, {1, 6}, {4, 6}, {5, 7}, {20, 10}, {-1, 4}, {-4, 4}, {-5, 3}, {-20, 0}});

  tBitmapFont font;
  font.Load("data\\font1.bmp");
  tPitchKnob knob;
  knob.Load("data\\pitch.bmp");
  knob.SetFont(&font);
  knob.SetTempoSource([] { return 95; });
  knob.Place(476, 501);
  EXPECT_FALSE(knob.Hit(458, 536));
  // (484, 536) is the centre mark.
  for (auto [x, y, value] :
       {std::tuple{459, 536, -20}, {518, 543, 19}, {484, 536, 0}, {483, 536, -4}}) {
    EXPECT_TRUE(knob.Hit(x, y)) << x;
    EXPECT_EQ(knob.Value(), value) << x;
  }
  EXPECT_EQ(At(457, 533), 154);     // frame 4 drawn at (456, 532)
  EXPECT_EQ(At(477, 503), 27 + 1);  // "095": glyph of '0'
  EXPECT_EQ(At(481, 503), 36 + 1);  // '9'
  for (int i = 0; i < 30; ++i) knob.StepUp();
  EXPECT_EQ(knob.Value(), 20);
  knob.SetEnabled(false);
  EXPECT_FALSE(knob.Hit(484, 536));
  EXPECT_EQ(knob.Value(), 20);
}

TEST_F(Sliders, DeskCornerMatchesGolden) {
  tBitmapFont font;
  font.Load("data\\font1.bmp");
  tVolumeSlider v;
  v.SetArt(&art_);
  v.Place(20, 10);
  v.SetValue(73);
  tBalanceSlider b;
  b.SetImage(&balance_);
  b.Place(20, 30);
  b.SetValue(-30);
  tPitchKnob knob;
  knob.Load("data\\pitch.bmp");
  knob.SetFont(&font);
  knob.SetTempoSource([] { return 130; });
  knob.Place(60, 50);
  knob.Set(-7, true);
  ExpectGolden("sliders", tRect{0, 0, 160, 100});
}

}  // namespace
