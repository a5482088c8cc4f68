// The display service's window: the letterbox, the overlay over the 8-bit
// screen, the refresh schedule, the pointer and the screen saver.
#include <functional>

#include "tests/platform/screen_fixture.h"

namespace {

class Display : public ScreenServices {};

using Colours = std::vector<uint32_t>;

constexpr uint8_t kRed = 0b11100000;  // 3-3-2 cube indices
constexpr uint8_t kBlue = 0b00000011;

void FillScreen(uint8_t index) {
  ASSERT_EQ(platform::Screen()->Fill(platform::PixelRect{0, 0, 800, 600}, index),
            platform::BlitStatus::kOk);
}

TEST_F(Display, RefusedCopiesAndFillsSayWhy) {
  using platform::BlitStatus;
  using R = platform::PixelRect;
  platform::Image from, to, empty;
  ASSERT_TRUE(from.Create(8, 4));
  ASSERT_TRUE(to.Create(8, 4));
  EXPECT_EQ(to.Blit(from, R{0, 0, 8, 4}, R{0, 0, 8, 4}, false), BlitStatus::kOk);
  EXPECT_EQ(to.Blit(from, R{1, 0, 9, 4}, R{0, 0, 8, 4}, false), BlitStatus::kOutside);
  EXPECT_EQ(to.Blit(from, R{0, 0, 8, 4}, R{0, 1, 8, 5}, false), BlitStatus::kOutside);
  EXPECT_EQ(to.Blit(from, R{2, 2, 2, 3}, R{2, 2, 2, 3}, false), BlitStatus::kOutside);
  EXPECT_EQ(to.Blit(from, R{0, 0, 2, 2}, R{0, 0, 3, 2}, false), BlitStatus::kSizesDiffer);
  EXPECT_EQ(to.Blit(empty, R{0, 0, 1, 1}, R{0, 0, 1, 1}, false), BlitStatus::kNoImage);
  EXPECT_EQ(empty.Fill(R{0, 0, 1, 1}, 3), BlitStatus::kNoImage);
  EXPECT_EQ(to.Fill(R{-1, 0, 1, 1}, 3), BlitStatus::kOutside);
  EXPECT_EQ(to.Fill(R{7, 3, 8, 4}, 3), BlitStatus::kOk);
  EXPECT_EQ(to.PixelAt(7, 3), 3);
}

TEST_F(Display, TheOverlayIsDrawnOverTheScreenScaledIntoItsRectangle) {
  FillScreen(kBlue);
  const std::vector<uint8_t> screen = platform::Screen()->Pixels();
  // A 2 by 2 picture doubled into (80,60)-(84,64).
  const uint32_t picture[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  ASSERT_TRUE(platform::ShowOverlay(picture, 2, 2, platform::PixelRect{80, 60, 84, 64}));
  EXPECT_TRUE(platform::OverlayShown());
  Capture c = CaptureNow();
  ASSERT_EQ(c.width, 800);
  EXPECT_EQ(
      c.At({{80, 60}, {81, 61}, {82, 60}, {83, 61}, {80, 62}, {81, 63}, {82, 62}, {83, 63}}),
      (Colours{0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00, 0x0000FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF}));
  // Around it the screen, which itself is untouched.
  EXPECT_EQ(c.At({{79, 60}, {84, 60}, {80, 59}, {80, 64}}), Colours(4, 0x0000FF));
  EXPECT_EQ(platform::Screen()->Pixels(), screen);

  ASSERT_TRUE(platform::ShowOverlay(picture + 3, 1, 1, platform::PixelRect{0, 0, 1, 1}));
  EXPECT_EQ(CaptureNow().At({{0, 0}, {80, 60}}), (Colours{0xFFFFFF, 0x0000FF}));
  platform::ClearOverlay();
  EXPECT_FALSE(platform::OverlayShown());
  EXPECT_EQ(CaptureNow().At(0, 0), 0x0000FFu);

  // Pictures and rectangles that cannot be shown are refused.
  EXPECT_FALSE(platform::ShowOverlay(picture, 0, 2, platform::PixelRect{0, 0, 2, 2}));
  EXPECT_FALSE(platform::ShowOverlay(picture, 2, 2, platform::PixelRect{5, 5, 5, 9}));
  EXPECT_FALSE(platform::ShowOverlay(nullptr, 2, 2, platform::PixelRect{0, 0, 2, 2}));
  EXPECT_FALSE(platform::OverlayShown());

  // In a resized window (scale 1.2: the picture from x 160 to 1120) the
  // overlay's five pixels at (400,300) become six: (640,360) to (645,365).
  FillScreen(kRed);
  ASSERT_TRUE(platform::ShowOverlay(picture + 1, 1, 1, platform::PixelRect{400, 300, 405, 305}));
  ResizeWindow(1280, 720);
  c = CaptureNow();
  ASSERT_EQ(c.width * 10000 + c.height, 1280 * 10000 + 720);
  EXPECT_EQ(c.At({{159, 360},
                  {160, 0},
                  {1119, 719},
                  {1120, 360},
                  {639, 360},
                  {640, 360},
                  {645, 365},
                  {646, 366}}),
            (Colours{0, 0xFF0000, 0xFF0000, 0, 0xFF0000, 0x00FF00, 0x00FF00, 0xFF0000}));
}

// What the window shows at a window pixel is the screen pixel that pointing
// there reports, at every column and row of windows larger than the picture
// (full screen, enlarged windows). In smaller windows the scaler's own
// rounding may put a column or row one pixel off.
TEST_F(Display, DrawingAndPointingAgreeToThePixel) {
  FillPattern();
  for (auto [w, h] :
       {std::pair{1280, 720}, {1024, 768}, {900, 700}, {1366, 768}, {1920, 1080}, {1000, 1200}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    ResizeWindow(w, h);
    Capture c = CaptureNow();
    ASSERT_EQ(c.width, w);
    std::vector<std::pair<int32_t, int32_t>> positions;
    for (int32_t wx = 0; wx < w; ++wx) positions.emplace_back(wx, h / 2);
    for (int32_t wy = 0; wy < h; ++wy) positions.emplace_back(w / 2 + 1, wy);
    EXPECT_EQ(PointingMismatches(c.rgb, c.width, positions), 0);
  }
}

TEST_F(Display, RefreshesComeOncePerIntervalAndPresentOnlyChanges) {
  ASSERT_TRUE(platform::PresentNow());
  const int32_t wait = platform::MsUntilNextPresent();
  EXPECT_GT(wait, 0);
  EXPECT_LE(wait, 1000 / 24);
  // A change waits for its refresh (unless this thread was held up that long).
  FillScreen(kRed);
  if (platform::MsUntilNextPresent() > 1) {
    EXPECT_FALSE(platform::PresentIfDue());
  }
  WaitForRefresh();
  EXPECT_EQ(platform::MsUntilNextPresent(), 0);
  EXPECT_TRUE(platform::PresentIfDue());
  EXPECT_GT(platform::MsUntilNextPresent(), 0);
  // A refresh without a change presents nothing but is taken all the same,
  // so a loop that waits for the next one sleeps instead of spinning. The
  // palette and the overlay are changes too; clearing no overlay is none.
  const uint32_t white = 0xFFFFFF;
  platform::Rgb cube[256];
  platform::StartupPalette(cube);
  const std::pair<std::function<void()>, bool> steps[] = {
      {[] {}, false},
      {[&] { ASSERT_TRUE(platform::SetPalette(cube, 256)); }, true},
      {[] { platform::ClearOverlay(); }, false},
      {[&] {
         ASSERT_TRUE(platform::ShowOverlay(&white, 1, 1, platform::PixelRect{0, 0, 1, 1}));
       },
       true},
  };
  for (const auto& [change, presented] : steps) {
    change();
    WaitForRefresh();
    EXPECT_EQ(platform::PresentIfDue(), presented);
    if (!presented) {
      EXPECT_GT(platform::MsUntilNextPresent(), 0);
    }
  }
}

TEST_F(Display, PointerScreenSaverAndTheModesSize) {
  EXPECT_FALSE(SDL_IsScreenSaverEnabled());
  int32_t w = 0, h = 0;
  ASSERT_TRUE(platform::DisplayModeSize(w, h));
  EXPECT_EQ(w * 10000 + h, 800 * 10000 + 600);

  EXPECT_EQ(platform::SetPointer(platform::Pointer::kHidden), platform::Pointer::kArrow);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  EXPECT_EQ(platform::SetPointer(platform::Pointer::kWait), platform::Pointer::kHidden);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  EXPECT_EQ(platform::SetPointer(platform::Pointer::kArrow), platform::Pointer::kWait);
  EXPECT_EQ(platform::CurrentPointer(), platform::Pointer::kArrow);

  // A pointer chosen while the display is closed is applied when it opens.
  platform::CloseDisplay();
  platform::SetPointer(platform::Pointer::kHidden);
  platform::DisplayOptions options;
  options.fullscreen = false;
  ASSERT_EQ(platform::OpenDisplay(options), platform::DisplayStatus::kOk);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  platform::SetPointer(platform::Pointer::kArrow);
}

TEST(MessageBox, WithoutAWindowSystemNoChoiceIsMade) {
  // No display to show it on: the box reports that nothing was chosen
  // instead of blocking.
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display != nullptr ? display : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  EXPECT_EQ(platform::ShowMessageBox("Warning", "Go on?", platform::BoxButtons::kYesNo,
                                     platform::BoxIcon::kWarning),
            platform::BoxChoice::kNone);
  if (display != nullptr) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace
