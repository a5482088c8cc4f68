// The display service's window: refused copies and the refresh schedule.
#include "tests/platform/screen_fixture.h"

namespace {

class Display : public ScreenServices {};

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

// Presents come once per refresh interval, so the loop sleeps between them:
// a change waits for its refresh, and a refresh without a change presents
// nothing but is taken all the same.
TEST_F(Display, RefreshesComeOncePerIntervalAndPresentOnlyChanges) {
  ASSERT_TRUE(platform::PresentNow());
  const int32_t wait = platform::MsUntilNextPresent();
  EXPECT_GT(wait, 0);
  EXPECT_LE(wait, 1000 / 24);
  ASSERT_EQ(platform::Screen()->Fill(platform::PixelRect{0, 0, 800, 600}, 3),
            platform::BlitStatus::kOk);
  // Unless this thread was held up that long.
  if (platform::MsUntilNextPresent() > 1) {
    EXPECT_FALSE(platform::PresentIfDue());
  }
  for (bool changed : {true, false}) {
    WaitForRefresh();
    EXPECT_EQ(platform::PresentIfDue(), changed);
    EXPECT_GT(platform::MsUntilNextPresent(), 0);
  }
}

}  // namespace
