// The screen, images, the shared palette, colour keys and copy errors.
#include <sys/resource.h>

#include <string>

#include "tests/ui/ui_test_support.h"
#include "ui/frame_bitmap.h"

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

TEST_F(ScreenSetup, StartsWithTheColourCubeAndABlackScreen) {
  const std::vector<platform::Rgb> palette = Palette();
  // Index 0b101'011'01: red 5 * 255 / 7, green 3 * 255 / 7, blue 1 * 255 / 3.
  EXPECT_EQ((std::vector<platform::Rgb>{palette[0], palette[255], palette[0b10101101]}),
            (std::vector<platform::Rgb>{{0, 0, 0}, {255, 255, 255}, {182, 109, 85}}));
  EXPECT_EQ((std::pair{Screen().Width(), Screen().Height()}), (std::pair{800, 600}));
  FillScreen(9);
  ClearScreen();
  EXPECT_EQ(AtAll({{0, 0}, {799, 599}}), (std::vector<int>{0, 0}));
}

TEST_F(ScreenSetup, AcceptsOnlyTheTwoModesAndReaches800Through640) {
  const int before = platform::DisplayModeChanges();
  EXPECT_FALSE(SetDisplayMode(1024, 768, 8));
  EXPECT_FALSE(SetDisplayMode(800, 600, 16));
  EXPECT_EQ(platform::DisplayModeChanges(), before);
  EXPECT_TRUE(SetDisplayMode(800, 600, 8));
  EXPECT_EQ(platform::DisplayModeChanges(), before + 2);
  EXPECT_TRUE(SetDisplayMode(640, 480, 8));
  EXPECT_EQ(Screen().Width(), 640);
  ReleaseScreen();
  EXPECT_FALSE(SetDisplayMode(640, 480, 8));
}

TEST_F(ScreenSetup, LoadingKeepsIndicesAndEachBitmapReplacesThePalette) {
  std::vector<platform::Rgb> first(256, platform::Rgb{10, 20, 30});
  first[7] = {200, 100, 50};
  std::vector<platform::Rgb> second(256, platform::Rgb{1, 2, 3});
  second[7] = {5, 6, 7};
  WriteBmp(
      "data\\one.bmp",
      TestPicture{3, 2, [](int32_t x, int32_t y) { return static_cast<uint8_t>(x + 3 * y + 5); }},
      first);
  WriteBmp("data\\two.bmp", Frames(1, 5, 3, 7), second);

  tSurface one;
  ASSERT_TRUE(one.Load("data\\one.bmp"));
  EXPECT_EQ((std::pair{one.Width(), one.Height()}), (std::pair{3, 2}));
  EXPECT_EQ(Palette()[7], (platform::Rgb{200, 100, 50}));
  tSurface two;
  ASSERT_TRUE(two.Load("data\\two.bmp"));
  const std::vector<platform::Rgb> palette = Palette();
  EXPECT_EQ((std::pair{palette[7], palette[0]}),
            (std::pair{platform::Rgb{5, 6, 7}, platform::Rgb{1, 2, 3}}));

  // Indices survive the copy to the screen (no remapping between images).
  one.Draw(10, 20);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 3; ++x) EXPECT_EQ(At(10 + x, 20 + y), x + 3 * y + 5);
}

TEST_F(ScreenSetup, FailedLoadsThrowWithThePath) {
  tSurface s;
  EXPECT_EQ(ErrorText([&] { s.Load("data\\missing.bmp"); }),
            "Failed to load data\\missing.bmp\n\n");
  WriteBmp("data\\fine.bmp", Frames(1, 2, 2, 1));
  // A file that is not a bitmap leaves the palette alone.
  WriteFile("data\\junk.bmp", "not a bitmap at all");
  const std::vector<platform::Rgb> before = Palette();
  EXPECT_EQ(ErrorText([&] { s.Load("data\\junk.bmp"); }), "Failed to load data\\junk.bmp\n\n");
  EXPECT_EQ(Palette(), before);
  EXPECT_EQ(s.Width(), 0);
}

TEST_F(ScreenSetup, TrueColourBitmapsTakeNearestColoursAndLeaveThePalette) {
  // A 24-bit file of 2 by 1 pixels: pure red, then pure blue. Its pixel bytes
  // sit where an 8-bit file keeps its colour table.
  const char row[8] = {0, 0, '\xFF', '\xFF', 0, 0, 0, 0};  // blue, green, red per pixel
  WriteFile("data\\rgb.bmp",
            BmpHeaders(14 + 40 + 8, 14 + 40, 2, 1, 24, {}) + std::string(row, sizeof row));
  const std::vector<platform::Rgb> before = Palette();
  tSurface s;
  ASSERT_TRUE(s.Load("data\\rgb.bmp"));
  EXPECT_EQ(Palette(), before);
  EXPECT_EQ(s.Image().PixelAt(0, 0), 0b11100000);  // red in the colour cube
  EXPECT_EQ(s.Image().PixelAt(1, 0), 0b00000011);  // blue
}

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

TEST_F(ScreenSetup, ShortColourTablesSetOnlyTheirOwnEntries) {
  std::vector<platform::Rgb> grey(256, platform::Rgb{9, 9, 9});
  WriteBmp("data\\sixteen.bmp", Frames(1, 2, 2, 15), grey, BmpForm{.colours = 16});
  // A table cut off by the end of the file after 3 entries.
  std::string cut = BmpHeaders(14 + 40 + 1024 + 4, 14 + 40 + 1024, 2, 1, 8, {0, 4, 0, 0, 256, 0});
  cut += std::string("\1\2\3\0\4\5\6\0\7\x08\x09\0", 12);
  WriteFile("data\\cut.bmp", cut);

  const platform::Rgb cube16 = Palette()[16];
  tSurface s;
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

TEST_F(ScreenSetup, ColourKeyUsesTheNearestIndexEvenWhenTheImageLacksIt) {
  // A palette without magenta: the nearest entry to (255, 0, 255) is 40
  // (250, 0, 240); 41 is as near but comes later.
  std::vector<platform::Rgb> palette(256, platform::Rgb{0, 128, 0});
  palette[40] = {250, 0, 240};
  palette[41] = {250, 0, 240};
  palette[50] = {255, 255, 255};
  WriteBmp("data\\keyed.bmp",
           TestPicture{
               4, 1, [](int32_t x, int32_t) { return static_cast<uint8_t>(x % 2 == 0 ? 40 : 50); }},
           palette);
  tSurface s;
  s.Load("data\\keyed.bmp");
  ASSERT_TRUE(s.SetColourKey(kMagenta));
  EXPECT_EQ(s.Image().ColourKey(), 40);
  FillScreen(3);
  s.DrawKeyed(0, 0);
  s.Draw(0, 1);  // opaque draws every pixel
  EXPECT_EQ(AtAll({{0, 0}, {1, 0}, {2, 0}, {0, 1}}), (std::vector<int>{3, 50, 3, 40}));

  // The invalid colour keys whatever pixel (0, 0) holds.
  ASSERT_TRUE(s.SetColourKey(kInvalidColour));
  EXPECT_EQ(s.Image().ColourKey(), 40);
  tSurface empty;
  EXPECT_FALSE(empty.SetColourKey(kMagenta));
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

TEST_F(ScreenSetup, SaveBackRestoresWhatWasCoveredAndFramesAreCut) {
  FillScreen(0);
  ASSERT_EQ(Screen().Fill(tRect{100, 100, 110, 104}, 77), platform::BlitStatus::kOk);
  tSurface saved;
  ASSERT_TRUE(saved.Create(10, 4));
  saved.SaveBack(tRect{100, 100, 110, 104}, tRect{0, 0, 10, 4});
  FillScreen(1);
  saved.Draw(100, 100);
  EXPECT_EQ(AtAll({{100, 100}, {109, 103}, {110, 103}}), (std::vector<int>{77, 77, 1}));

  // Frames: frame k of a 3-frame picture is filled with 60 + k; its magenta
  // edge disappears in the keyed copy.
  WriteBmp("data\\frames.bmp", Frames(3, 6, 4, 60, kCubeMagenta));
  tFrameBitmap frames;
  frames.Load("data\\frames.bmp", 3);
  EXPECT_EQ(frames.FrameWidth(), 6);
  frames.DrawFrame(2, 0, 0);
  EXPECT_EQ(AtAll({{2, 2}, {0, 0}}), (std::vector<int>{62, kCubeMagenta}));
  frames.SetColourKey(kMagenta);
  FillScreen(1);
  frames.DrawFrameKeyed(1, 0, 0);
  EXPECT_EQ(AtAll({{2, 2}, {0, 0}}), (std::vector<int>{61, 1}));
  frames.DrawFrame(3, 0, 0);  // beyond the last frame: nothing drawn
  EXPECT_EQ(At(2, 2), 61);
}

// An image released after the screen went releases only itself.
TEST_F(ScreenSetup, ImagesOutliveTheScreen) {
  tSurface s;
  ASSERT_TRUE(s.Create(4, 4));
  ReleaseScreen();
  s.Release();
  EXPECT_EQ(s.Width(), 0);
}

TEST_F(ScreenSetup, PresentsUnderTheDummyDriverAndWritesPngs) {
  FillScreen(0);
  ASSERT_EQ(Screen().Fill(tRect{0, 0, 400, 600}, 0b11100000), platform::BlitStatus::kOk);  // red
  EXPECT_TRUE(platform::PresentNow());
  EXPECT_FALSE(platform::PresentIfDue());  // nothing changed since
  std::vector<uint8_t> rgb;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(platform::CaptureWindow(rgb, w, h));
  ASSERT_EQ((std::pair{w, h}), (std::pair{800, 600}));
  const size_t right = (300u * 800u + 600u) * 3u;  // a pixel of the black half
  EXPECT_EQ((std::vector<uint8_t>{rgb[0], rgb[1], rgb[right]}), (std::vector<uint8_t>{255, 0, 0}));

  const std::string png = root_ + "/screen.png";
  ASSERT_TRUE(platform::WriteImagePng(png, Screen()));
  int32_t pw = 0, ph = 0;
  std::vector<uint8_t> pixels;
  std::vector<platform::Rgb> palette;
  ASSERT_TRUE(platform::ReadIndexedPng(png, pw, ph, pixels, palette));
  EXPECT_EQ(pw, 800);
  EXPECT_EQ(pixels, Screen().Pixels());
  EXPECT_EQ(palette[0b11100000], (platform::Rgb{255, 0, 0}));
  EXPECT_FALSE(platform::ReadIndexedPng(root_ + "/none.png", pw, ph, pixels, palette));
}

}  // namespace
