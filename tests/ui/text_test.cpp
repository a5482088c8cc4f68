// The time display, moved on by the tick while the desk redraws it.
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "ui/indicators.h"

namespace {

// Glyph i of the test font is a 4 x 5 block of index i + 1.
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
  tBitmapFont font_;
};

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

}  // namespace
