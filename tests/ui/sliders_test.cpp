// The sliders' hit mask, the balance slider and the pitch knob.
#include "ui/sliders.h"

#include <optional>

#include "tests/ui/ui_test_support.h"

namespace {

// Every column of the slider pictures has an index of its own, so a copy
// from the wrong column shows.
class Sliders : public ScreenTest {
 protected:
  static constexpr uint8_t kBackground = 250;
  void SetUp() override {
    ScreenTest::SetUp();
    // 202 wide, the narrowest picture in which a press can choose -1: the
    // scale is 1 to 101 with a magenta top row, the knobs (9 wide) 102 to 202
    // with a magenta first column each.
    WriteBmp("data\\bal.bmp", TestPicture{202, 6, [](int32_t x, int32_t y) {
                                            if (x < 101)
                                              return y == 0 ? kCubeMagenta
                                                            : static_cast<uint8_t>(1 + x);
                                            if ((x - 101) % 9 == 0) return kCubeMagenta;
                                            return static_cast<uint8_t>(1 + x);
                                          }});
    WriteBmp("data\\pitch.bmp", Frames(11, 10, 6, 150));
    WriteBmp("data\\font1.bmp", TestPicture{4 * 86, 5, [](int32_t x, int32_t) {
                                              return static_cast<uint8_t>(x / 4 + 1);
                                            }});
    balance_.Load("data\\bal.bmp");
    balance_.SetColourKey(kMagenta);
    FillScreen(kBackground);
  }
  tSurface balance_;
};

TEST_F(Sliders, MaskReadsEveryLayoutAsThePictureDoes) {
  // Each entry its own colour and each pixel its own index, in the layouts
  // the picture loader takes: longer information headers, a colour table of
  // fewer entries, rows stored top-down. Through the mask every pixel has
  // the palette colour the loaded picture shows it in.
  std::vector<platform::Rgb> colours(256);
  for (size_t i = 0; i < 256; ++i)
    colours[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                  static_cast<uint8_t>(i * 7)};
  const TestPicture picture{7, 5,
                            [](int32_t x, int32_t y) { return static_cast<uint8_t>(x + 7 * y); }};
  for (BmpForm form : {BmpForm{}, BmpForm{.infoSize = 108}, BmpForm{.infoSize = 124, .colours = 40},
                       BmpForm{.colours = 40, .topDown = true}}) {
    SCOPED_TRACE(::testing::Message()
                 << form.infoSize << " " << form.colours << " " << form.topDown);
    WriteBmp("data\\layout.bmp", picture, colours, form);
    tSurface image;
    ASSERT_TRUE(image.Load("data\\layout.bmp"));
    tMaskBitmap mask;
    ASSERT_TRUE(mask.Load("data\\layout.bmp"));
    ASSERT_EQ((std::pair{mask.Width(), mask.Height()}), (std::pair{7, 5}));
    const std::vector<platform::Rgb> palette = Palette();
    std::vector<platform::Rgb> seen, shown;
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 7; ++x) {
        tPaletteEntry c;
        ASSERT_TRUE(mask.ColourAt(x, y, c));
        seen.push_back({c.red, c.green, c.blue});
        shown.push_back(palette[image.Image().PixelAt(x, y)]);
      }
    EXPECT_EQ(seen, shown);
    EXPECT_EQ(seen[8], colours[8]);
  }
  // Run-length coded rows (three of index 28, end of line, three more, end
  // of bitmap) are not read as plain ones, though there are bytes enough.
  WriteFile("data\\coded.bmp", BmpHeaders(14 + 40 + 1024 + 8, 14 + 40 + 1024, 3, 2, 8, {1}) +
                                   std::string(1024, '\0') +
                                   std::string("\x03\x1c\0\0\x03\x1c\0\1", 8));
  tMaskBitmap coded;
  EXPECT_FALSE(coded.Load("data\\coded.bmp"));
}

TEST_F(Sliders, BalancePlacesTheKnobAndHitsTheScale) {
  tBalanceSlider b;
  b.SetImage(&balance_);
  b.Place(100, 100);
  // The scale is (100, 100)-(201, 106); a press on column 46 chooses -1,
  // which is a value like any other, not a miss.
  const tPointRow balance[] = {
      {100, 100, -93},   {145, 103, -3},   {146, 103, -1},   {147, 103, 0},     {200, 105, 100},
      {201, 100, kMiss}, {99, 100, kMiss}, {100, 99, kMiss}, {100, 106, kMiss},
  };
  ExpectAtPoints([&](int32_t x, int32_t y) { return b.HitValue(x, y).value_or(kMiss); }, balance);

  // The knob's top row lies over the scale's keyed row, so a redraw alone
  // leaves it behind; with the picture the slider stands on as its backdrop
  // the redraw puts that picture back first.
  b.SetValue(50);
  EXPECT_EQ(At(173, 100), 175);
  b.SetValue(-100);
  EXPECT_EQ(At(173, 100), 175) << "the old knob stays without a backdrop";
  WriteBmp("data\\back.bmp",
           TestPicture{220, 120, [](int32_t, int32_t) { return static_cast<uint8_t>(200); }});
  tSurface backdrop;
  backdrop.Load("data\\back.bmp");
  b.SetBackdrop(&backdrop);
  b.SetValue(50);
  b.SetValue(-100);
  EXPECT_EQ(AtAll({{173, 100}, {100, 100}, {100, 101}, {201, 100}}),
            (std::vector<int>{200, 200, 1, kBackground}));
}

TEST_F(Sliders, PitchKnobFramesScaleAndRange) {
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
  // The scale is (459, 535)-(519, 544); its value is the column times 40,
  // divided by 60 before 20 is taken off. The centre mark (484, 532)-(492,
  // 545) gives 0, but only where it lies on the scale. A miss keeps 20.
  const auto press = [&](int32_t x, int32_t y) {
    knob.Set(20, false);
    if (knob.Hit(x, y)) return knob.Value();
    return knob.Value() == 20 ? kMiss : -99;
  };
  const tPointRow pitch[] = {
      {459, 535, -20},   {460, 536, -20},   {461, 536, -19},   {483, 536, -4},    {484, 536, 0},
      {491, 543, 0},     {492, 536, 2},     {518, 543, 19},    {458, 536, kMiss}, {519, 536, kMiss},
      {500, 534, kMiss}, {500, 544, kMiss}, {488, 533, kMiss},
  };
  ExpectAtPoints(press, pitch);
  knob.Hit(483, 536);
  EXPECT_EQ(At(456, 532), 154);     // frame 4 drawn at (456, 532)
  EXPECT_EQ(At(477, 503), 27 + 1);  // "095": glyph of '0'
  EXPECT_EQ(At(481, 503), 36 + 1);  // '9'

  // Steps and set values stay within -20 to 20.
  for (int i = 0; i < 30; ++i) knob.StepUp();
  EXPECT_EQ(knob.Value(), 20);
  for (auto [set, kept] : {std::pair{35, 20}, {-99, -20}, {-20, -20}, {7, 7}}) {
    knob.Set(set, false);
    EXPECT_EQ(knob.Value(), kept) << set;
  }
  knob.SetEnabled(false);
  EXPECT_FALSE(knob.Hit(484, 536));
  EXPECT_EQ(knob.Value(), 7);
}

}  // namespace
