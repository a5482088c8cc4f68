// The generators' own building blocks: colour matching to the palette, the
// 8-bit bitmap writer, and the wave writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/stage_files.h"
#include "tools/art/canvas.h"
#include "tools/art/image.h"
#include "tools/art/palette.h"
#include "tools/synth.h"

namespace {

std::string TempPath(const std::string& name) {
  return std::string(::testing::TempDir()) + "/" + name;
}

TEST(Palette, MatchingKeepsPaletteColoursAndNeverPicksTheKey) {
  const auto& p = art::DeskPalette();
  for (int i = 0; i < 256; ++i) {
    if (i == art::kKeyIndex) continue;
    // Every palette colour is its own best match (entries are distinct).
    EXPECT_EQ(p[art::NearestIndex(p[i].r, p[i].g, p[i].b)], p[i]) << i;
  }
  // Magenta itself and colours near it never become the colour key, and only
  // pure green becomes the mask green.
  EXPECT_NE(art::NearestIndex(255, 0, 255), art::kKeyIndex);
  EXPECT_NE(art::NearestIndex(250, 5, 250), art::kKeyIndex);
  EXPECT_EQ(art::NearestIndex(0, 255, 0), art::kMaskGreenIndex);
  EXPECT_NE(art::NearestIndex(2, 250, 3), art::kMaskGreenIndex);
}

TEST(BitmapFile, RoundTripsOddWidthsWithRowPadding) {
  for (int w : {1, 3, 5, 77, 154}) {
    art::Indexed img(w, 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < w; ++x) img.at(x, y) = static_cast<uint8_t>((x * 7 + y * 31) & 0xFF);
    const std::string path = TempPath("round_trip.bmp");
    art::WriteBmp8(path, img);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(path, bytes));
    const uint32_t stride = (uint32_t(w) + 3) & ~3u;
    EXPECT_EQ(bytes.size(), 14u + 40u + 1024u + stride * 3u);
    // Bottom-up: the file's first row is the picture's last.
    EXPECT_EQ(uint8_t(bytes[1078]), img.at(0, 2));
    art::Indexed back;
    ASSERT_TRUE(art::ReadBmp8(path, back));
    EXPECT_EQ(back.width, w);
    EXPECT_EQ(back.height, 3);
    EXPECT_EQ(back.pixels, img.pixels);
    std::remove(path.c_str());
  }
}

TEST(BitmapFile, KeyedConversionMakesUncoveredPixelsMagenta) {
  art::Canvas c(4, 1);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 0, 0, 2, 1);  // the left half painted, the right half empty
  cairo_set_source_rgb(cr, 0.5, 0.5, 0.5);
  cairo_fill(cr);
  art::Indexed img = c.ToIndexedKeyed();
  EXPECT_EQ((std::vector<bool>{img.at(0, 0) == art::kKeyIndex, img.at(1, 0) == art::kKeyIndex,
                               img.at(2, 0) == art::kKeyIndex, img.at(3, 0) == art::kKeyIndex}),
            (std::vector<bool>{false, false, true, true}));
}

TEST(WaveFile, CanonicalHeaderAndClampedSamples) {
  synth::Stereo s(3);
  s.l = {0.5f, -2.0f, 1.0f};
  s.r = {-0.5f, 2.0f, 0.0f};
  const std::string path = TempPath("writer.wav");
  synth::WriteWav(path, s);
  std::string b;
  ASSERT_TRUE(ReadBytes(path, b));
  std::remove(path.c_str());
  ASSERT_EQ(b.size(), 44u + 12u);
  EXPECT_EQ(b.substr(0, 4) + b.substr(8, 8) + b.substr(36, 4), "RIFFWAVEfmt data");
  // Sizes, PCM, two channels, 44100 Hz, bytes a second, block, bits, data size.
  EXPECT_EQ((std::vector<uint32_t>{Le32(b, 4), Le32(b, 16), Le16(b, 20), Le16(b, 22), Le32(b, 24),
                                   Le32(b, 28), Le16(b, 32), Le16(b, 34), Le32(b, 40)}),
            (std::vector<uint32_t>{36 + 12, 16, 1, 2, 44100, 44100 * 4, 4, 16, 12}));
  // 0.5 rounds to half scale; beyond full scale is clamped, not wrapped.
  std::vector<int> samples;
  for (size_t i = 0; i < 6; ++i) samples.push_back(static_cast<int16_t>(Le16(b, 44 + i * 2)));
  EXPECT_EQ(samples, (std::vector<int>{16384, -16384, -32767, 32767, 32767, 0}));
}

}  // namespace
