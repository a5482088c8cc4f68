// Images too large to create, the shared palette and copy errors.
#include <sys/resource.h>

#include <string>

#include "tests/ui/ui_test_support.h"

namespace {

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const tAnyError& e) {
    return e.GetText();
  }
  return "(nothing thrown)";
}

// The most memory the process has held so far.
long PeakMemoryKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

using ScreenSetup = ScreenTest;

TEST_F(ScreenSetup, BitmapsTooLargeForAnImageCannotBeCreated) {
  const uint32_t offset = 14 + 40 + 1024;
  // A run-length coded 8-bit file may declare any height and still end after
  // a few bytes: an empty colour table, then only "end of bitmap". 3 by 540
  // million pixels is more than 2 GB of image.
  WriteFile("data\\huge.bmp", BmpHeaders(offset + 2, offset, 3, 540000000, 8, {1}) +
                                  std::string(1024, '\0') + std::string("\0\1", 2));
  // A plain file one column wider than any image may be, with a colour
  // table of its own.
  const int32_t wide = platform::Image::kMaxImageSide + 1;
  WriteBmp("data\\wide.bmp", TestPicture{wide, 1, [](int32_t, int32_t) { return uint8_t{1}; }},
           std::vector<platform::Rgb>(256, platform::Rgb{9, 9, 9}));
  // The oldest header's 16-bit sides: 65535 by 65535 pixels.
  std::string core("BM\0\0\0\0\0\0\0\0\x1a\0\0\0", 14);
  core += std::string("\x0c\0\0\0\xff\xff\xff\xff\x01\0\x08\0", 12);
  WriteFile("data\\core.bmp", core + std::string(3 * 256 + 64, '\0'));

  const std::vector<platform::Rgb> before = Palette();
  const long peakBefore = PeakMemoryKb();
  tSurface s;
  for (const char* path : {"data\\huge.bmp", "data\\wide.bmp", "data\\core.bmp"}) {
    EXPECT_EQ(ErrorText([&] { s.Load(path); }), "Can not create secundary surface.\n") << path;
    EXPECT_EQ(s.Width(), 0);
  }
  // Refused from the headers, before gigabytes of pixels were taken.
  EXPECT_LT(PeakMemoryKb() - peakBefore, 256 * 1024);
  // The failed loads left the palette alone.
  EXPECT_EQ(Palette(), before);
  EXPECT_FALSE(s.Create(3, 540000000));
  // A file that declares no pixels is no bitmap.
  WriteFile("data\\empty.bmp", BmpHeaders(offset, offset, 0, 1, 8, {}) + std::string(1024, '\0'));
  EXPECT_EQ(ErrorText([&] { s.Load("data\\empty.bmp"); }), "Failed to load data\\empty.bmp\n\n");
}

// A short colour table sets only its own entries; a bitmap of another depth
// leaves the palette alone.
TEST_F(ScreenSetup, ColourTablesSetOnlyTheirOwnEntries) {
  // A 24-bit file of 2 by 1 pixels: pure red, then pure blue. Its pixel bytes
  // sit where an 8-bit file keeps its colour table.
  const char row[8] = {0, 0, '\xFF', '\xFF', 0, 0, 0, 0};  // blue, green, red per pixel
  WriteFile("data\\rgb.bmp",
            BmpHeaders(14 + 40 + 8, 14 + 40, 2, 1, 24, {}) + std::string(row, sizeof row));
  const std::vector<platform::Rgb> cube = Palette();
  tSurface s;
  ASSERT_TRUE(s.Load("data\\rgb.bmp"));
  EXPECT_EQ(Palette(), cube);
  EXPECT_EQ(s.Image().PixelAt(0, 0), 0b11100000);  // red in the colour cube
  EXPECT_EQ(s.Image().PixelAt(1, 0), 0b00000011);  // blue

  std::vector<platform::Rgb> grey(256, platform::Rgb{9, 9, 9});
  WriteBmp("data\\sixteen.bmp", Frames(1, 2, 2, 15), grey, BmpForm{.colours = 16});
  // A table cut off by the end of the file after 3 entries.
  std::string cut = BmpHeaders(14 + 40 + 1024 + 4, 14 + 40 + 1024, 2, 1, 8, {0, 4, 0, 0, 256, 0});
  cut += std::string("\1\2\3\0\4\5\6\0\7\x08\x09\0", 12);
  WriteFile("data\\cut.bmp", cut);

  const platform::Rgb cube16 = cube[16];
  ASSERT_TRUE(s.Load("data\\sixteen.bmp"));
  EXPECT_EQ(s.Image().PixelAt(1, 1), 15);
  std::vector<platform::Rgb> palette = Palette();
  EXPECT_EQ((std::vector<platform::Rgb>{palette[0], palette[15], palette[16], palette[255]}),
            (std::vector<platform::Rgb>{{9, 9, 9}, {9, 9, 9}, cube16, {255, 255, 255}}));

  EXPECT_TRUE(LoadPaletteFromBitmap("data\\cut.bmp"));
  palette = Palette();
  EXPECT_EQ((std::vector<platform::Rgb>{palette[0], palette[2], palette[3], palette[16]}),
            (std::vector<platform::Rgb>{{3, 2, 1}, {9, 8, 7}, {9, 9, 9}, cube16}));
}

TEST_F(ScreenSetup, RefusedCopiesThrowTheirTexts) {
  tSurface s;
  ASSERT_TRUE(s.Create(10, 10));
  EXPECT_EQ(ErrorText([&] { s.Draw(795, 0); }), "Invalid rect\n");
  EXPECT_EQ(ErrorText([&] { s.Draw(-1, 0); }), "Invalid rect\n");
  EXPECT_EQ(ErrorText([&] { s.Blit(tRect{0, 0, 11, 5}, tRect{0, 0, 11, 5}); }), "Invalid rect\n");
  EXPECT_EQ(ErrorText([&] { s.Blit(tRect{0, 0, 5, 5}, tRect{0, 0, 6, 6}); }), "No stretch hw\n");
  tSurface empty;
  EXPECT_EQ(ErrorText([&] { empty.Draw(0, 0); }), "Invalid object\n");
  EXPECT_EQ(ErrorText([&] {
              s.SaveBack(tRect{790, 0, 810, 5}, tRect{0, 0, 20, 5});
            }),
            "Save back failed (reading from primary buffer).\n");
  EXPECT_STREQ(BlitErrorText(platform::BlitStatus::kFailed), "Generic error");
  EXPECT_STREQ(BlitErrorText(static_cast<platform::BlitStatus>(99)), "Unknown error");
}

}  // namespace
