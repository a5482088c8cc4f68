// The bitmap font's map, text labels, key labels and the time and tempo digits.
#include <string>
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "ui/indicators.h"
#include "ui/text.h"

namespace {

// Glyph i of the test font is a 4 x 5 block of index i + 1, so the glyphs
// on the screen can be read back as text.
class TextTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    WriteBmp("data\\font1.bmp", TestPicture{4 * 86, 5, [](int32_t x, int32_t) {
                                              return static_cast<uint8_t>(x / 4 + 1);
                                            }});
    font_.Load("data\\font1.bmp");
    FillScreen(200);
  }
  // The glyph numbers drawn at (x, y), -1 for a gap.
  static std::vector<int> GlyphsAt(int32_t x, int32_t y, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
      const int v = At(x + 4 * i + 1, y + 2);
      out.push_back(v == 200 ? -1 : v - 1);
    }
    return out;
  }
  // Reads back text drawn with the font (glyphs that are not unique read as
  // their first character).
  static std::string TextAt(int32_t x, int32_t y, int count) {
    static const char* const kAscii = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/.-+";
    std::string out;
    for (int g : GlyphsAt(x, y, count)) out += (g >= 0 && g < 41) ? kAscii[g] : '?';
    return out;
  }
  tBitmapFont font_;
};

TEST_F(TextTest, FontMapsCodePage1252AndDrawsLowerCaseAsUpperCase) {
  EXPECT_EQ(font_.FrameWidth(), 4);
  // '-' and 163 at their first places (not 53, not the second); e acute (233)
  // is not folded; lower case and unknown characters have no glyph.
  const std::pair<uint8_t, int> glyphs[] = {
      {' ', 0},  {'A', 1},  {'0', 27}, {'+', 40}, {179, 41}, {'-', 39}, {163, 48}, {130, 59},
      {'=', 62}, {'#', 63}, {242, 75}, {243, 85}, {'a', -1}, {'@', -1}, {233, 80},
  };
  for (auto [code, glyph] : glyphs) EXPECT_EQ(tBitmapFont::GlyphOf(code), glyph) << int(code);

  font_.DrawText(10, 10, "ab-9@\xE9z");
  EXPECT_EQ(GlyphsAt(10, 10, 8), (std::vector<int>{1, 2, 39, 36, -1, 80, 26, -1}));
  font_.DrawCharacter(100, 100, 'q');
  EXPECT_EQ(GlyphsAt(100, 100, 1), (std::vector<int>{17}));
  font_.DrawCharacter(200, 100, '@');
  EXPECT_EQ(GlyphsAt(200, 100, 1), (std::vector<int>{-1}));
}

TEST_F(TextTest, LabelsPadCutAndAlign) {
  // Six places: a longer text is cut, a shorter one padded on the side
  // away from its alignment; no text is all blanks.
  using A = tTextLabel::Align;
  for (auto [align, text, shown] : {std::tuple{A::kLeft, "Kick drum", "Kick d"},
                                    {A::kLeft, "Hat", "Hat   "},
                                    {A::kLeft, nullptr, "      "},
                                    {A::kRight, "Hat", "   Hat"},
                                    {A::kRight, "Snare roll", "Snare "}}) {
    tTextLabel label;
    label.SetAlignment(align);
    label.SetWidth(6);
    label.SetText(text);
    EXPECT_EQ(label.Buffer(), shown);
  }
  tTextLabel right;
  right.SetAlignment(A::kRight);
  right.SetWidth(400);
  EXPECT_EQ(right.WidthInCharacters(), 250);

  tTextLabel fresh;
  EXPECT_EQ(fresh.Buffer(), std::string(10, ' '));
  fresh.Draw();  // no font: nothing drawn
  EXPECT_EQ(At(1, 2), 200);

  right.SetWidth(6);
  right.SetText("bass");
  right.Place(40, 60);
  right.SetFont(&font_);
  right.Draw();
  EXPECT_EQ(TextAt(40, 60, 6), "  BASS");
}

TEST_F(TextTest, KeyLabelArmsWaitsBlinksAndTakesOnlyLetters) {
  tKeyLabel label;
  label.SetRect(tRect{50, 50, 61, 60});
  label.SetFont(&font_);
  label.SetLetter('Q');
  label.Draw();
  EXPECT_EQ(TextAt(50, 50, 1), "Q");

  // A press arms it; leaving disarms it (and redraws).
  label.Press(55, 55);
  EXPECT_EQ(label.Mode(), tKeyLabel::kArmed);
  label.Move(70, 55);
  EXPECT_EQ(label.Mode(), tKeyLabel::kIdle);
  label.Release(55, 55);
  EXPECT_EQ(label.Mode(), tKeyLabel::kIdle);

  label.Press(55, 55);
  label.Release(55, 55);
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  EXPECT_EQ(label.OfferKey(0), 0);
  label.Move(70, 55);  // only an armed label disarms
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);

  // Blinking: t mod 20 = 10 blanks the letter, 0 shows it, others do nothing.
  for (auto [time, shown] : {std::pair{30, " "}, {45, " "}, {40, "Q"}}) {
    label.Tick(time);
    EXPECT_EQ(TextAt(50, 50, 1), shown) << time;
  }

  EXPECT_EQ(label.OfferKey('7'), 0);
  EXPECT_EQ(label.OfferKey('a'), 0);
  EXPECT_EQ(label.Mode(), tKeyLabel::kWaiting);
  EXPECT_EQ(label.OfferKey('K'), 'K');
  EXPECT_EQ(label.Mode(), tKeyLabel::kIdle);
  EXPECT_EQ(label.Letter(), 'K');
  EXPECT_EQ(TextAt(50, 50, 1), "K");
  label.Tick(30);  // idle: no blink
  EXPECT_EQ(TextAt(50, 50, 1), "K");
  EXPECT_EQ(label.OfferKey('L'), 0);
}

TEST_F(TextTest, TimeDisplayShowsMinutesAndSecondsOfBothValues) {
  auto format = [](int32_t ms) {
    char text[16];
    tDigits::Format(ms, text);
    return std::string(text);
  };
  ExpectEach<int32_t, std::string>(
      format, {{0, "00:00"}, {59999, "00:59"}, {61000, "01:01"}, {6000000, "100:00"}});

  tDigits digits;
  digits.Place(300, 300);
  digits.Draw();  // no font: an assumption failure, nothing drawn
  EXPECT_EQ(At(301, 302), 200);
  digits.SetFont(&font_);
  digits.SetLength(125000, false);
  EXPECT_EQ(At(301, 332), 200);  // stored, not drawn
  digits.AdvancePosition(10, true);
  digits.AdvancePosition(1990, true);
  EXPECT_EQ(digits.Position(), 2000);
  EXPECT_EQ(TextAt(300, 300, 5).substr(0, 2), "00");
  EXPECT_EQ(GlyphsAt(300, 300, 5)[2], 62 - 1);  // ':' is glyph 61
  EXPECT_EQ(TextAt(303 + 9, 300, 2), "02");
  digits.Draw();
  EXPECT_EQ(TextAt(300, 330, 2), "02");
  EXPECT_EQ(TextAt(312, 330, 2), "05");
}

TEST_F(TextTest, TimeDisplayAdvancedByTheTickWhileTheDeskRedrawsIt) {
  // The tick thread moves the time on while the main thread redraws and
  // reads it (a redraw of the whole desk, the transport rewinding it).
  tDigits digits;
  digits.SetFont(&font_);
  digits.Place(300, 300);
  std::thread tick([&] {
    for (int i = 0; i < 2000; ++i) {
      digits.AdvancePosition(10, true);
      digits.AdvanceLength(10, false);
    }
  });
  int32_t last = 0;
  for (int i = 0; i < 200; ++i) {
    digits.Draw();
    const int32_t now = digits.Position();
    EXPECT_GE(now, last);
    last = now;
  }
  tick.join();
  EXPECT_EQ(digits.Position(), 20000);
  EXPECT_EQ(digits.Length(), 20000);
}

TEST_F(TextTest, TempoDigitsStepWithinTheirRange) {
  WriteBmp("data\\digits.bmp", Frames(10, 6, 4, 100));
  tTempoDigits tempo;
  tempo.Load("data\\digits.bmp");
  tempo.Place(10, 400);
  EXPECT_EQ(tempo.Value(), 130);
  for (int i = 0; i < 3; ++i) tempo.Step(+10);
  EXPECT_EQ(tempo.Value(), 160);
  for (int i = 0; i < 5; ++i) tempo.Step(+10);
  EXPECT_EQ(tempo.Value(), 180);
  tempo.Step(-1);
  EXPECT_EQ(AtAll({{11, 401}, {29, 401}, {47, 401}}), (std::vector<int>{101, 107, 109}));
  for (int i = 0; i < 20; ++i) tempo.Step(-10);
  EXPECT_EQ(tempo.Value(), 90);
  // Out of range values never pick a frame past 9.
  tempo.SetValue(12345);
  tempo.Draw();
  EXPECT_EQ(At(11, 401), 109);
  tSurface panel;
  ASSERT_TRUE(panel.Create(60, 10));
  tempo.SetValue(147);
  tempo.DrawOnto(&panel, 2, 2);
  EXPECT_EQ(panel.Image().PixelAt(3, 3), 101);
  EXPECT_EQ(panel.Image().PixelAt(39, 3), 107);
}

}  // namespace
