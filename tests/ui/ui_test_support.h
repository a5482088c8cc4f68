#pragma once
// A headless screen for ui tests: SDL's dummy video driver, a fresh host
// folder as drive C: (so "data\..." paths resolve there), small 8-bit bitmap
// files written by the test, and golden pictures kept as indexed PNGs.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/hostfs.h"
#include "platform/input.h"
#include "platform/png_file.h"
#include "tests/platform/golden_file.h"
#include "tests/platform/test_root.h"
#include "ui/sound_cue.h"
#include "ui/surface.h"

// A sound that counts how often it was started.
class CountingCue : public tSoundCue {
 public:
  void PlayFromStart() override { ++plays; }
  int plays = 0;
};

// Compares a trace, one observation a line, with tests/ui/golden/<name>.
inline void ExpectGoldenText(const std::string& name, const std::string& seen) {
  ExpectGoldenLines("tests/ui/golden/" + name, seen);
}

// A key by the name a recorded session gives it ("Tab", "PgUp", "F1"...),
// a letter or digit by itself; 0 for none.
inline uint8_t KeyNamed(const std::string& name) {
  static const std::map<std::string, uint8_t> names = {
      {"Tab", platform::kKeyTab},       {"Ctrl", platform::kKeyCtrl},
      {"Shift", platform::kKeyShift},   {"Space", platform::kKeySpace},
      {"Esc", platform::kKeyEsc},       {"Enter", platform::kKeyEnter},
      {"PgUp", platform::kKeyPageUp},   {"PgDn", platform::kKeyPageDown},
      {"Ins", platform::kKeyInsert},    {"Del", platform::kKeyDelete},
      {"Home", platform::kKeyHome},     {"End", platform::kKeyEnd},
      {"Up", platform::kKeyUp},         {"Down", platform::kKeyDown},
      {"Left", platform::kKeyLeft},     {"Right", platform::kKeyRight},
      {"F1", platform::kKeyF1},         {"F2", platform::kKeyF2},
      {"F3", platform::kKeyF3},         {"F4", platform::kKeyF4},
      {"Bksp", platform::kKeyBackspace}};
  const auto named = names.find(name);
  if (named != names.end()) return named->second;
  return name.size() == 1 ? static_cast<uint8_t>(name[0]) : 0;
}

// The test palette: the 3-3-2 cube, whose index 227 is magenta (255, 0, 255).
inline std::vector<platform::Rgb> CubePalette() {
  platform::Rgb cube[256];
  platform::StartupPalette(cube);
  return std::vector<platform::Rgb>(cube, cube + 256);
}
constexpr uint8_t kCubeMagenta = 227;

// Checks f(in) == out for every row of a table.
template <class In, class Out, class F>
void ExpectEach(F f, std::initializer_list<std::pair<In, Out>> rows) {
  for (const auto& [in, out] : rows)
    EXPECT_EQ(f(in), out) << "for " << ::testing::PrintToString(in);
}

// Checks hit(x, y) == value for every row {x, y, value} of a table; kMiss
// stands for a press that hits nothing.
constexpr int32_t kMiss = -999;
using tPointRow = std::array<int32_t, 3>;
template <class F, size_t N>
void ExpectAtPoints(F hit, const tPointRow (&rows)[N]) {
  for (const auto& [x, y, value] : rows) EXPECT_EQ(hit(x, y), value) << "at " << x << "," << y;
}

// An image description for WriteBmp: pixel(x, y) gives the index.
struct TestPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::function<uint8_t(int32_t x, int32_t y)> pixel;
};

// A picture of frames side by side, frame k filled with index base + k and
// with a one-pixel frame of index edge around it (0 = none).
inline TestPicture Frames(int32_t frames, int32_t frameWidth, int32_t height, uint8_t base,
                          uint8_t edge = 0) {
  return TestPicture{
      frames * frameWidth, height, [=](int32_t x, int32_t y) {
        const int32_t fx = x % frameWidth;
        if (edge != 0 && (fx == 0 || y == 0 || fx == frameWidth - 1 || y == height - 1))
          return edge;
        return static_cast<uint8_t>(base + x / frameWidth);
      }};
}

// How WriteBmp lays out a file: the information header's size, the colour
// table's entries, and whether rows are stored top-down.
struct BmpForm {
  uint32_t infoSize = 40;
  uint32_t colours = 256;
  bool topDown = false;
};

class ScreenTest : public TestRoot {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    TestRoot::SetUp();
    platform::DisplayOptions options;
    options.fullscreen = false;
    ASSERT_TRUE(CreateScreen(options, 800, 600, 8));
  }
  void TearDown() override {
    ReleaseScreen();
    TestRoot::TearDown();
  }

  // Writes bytes to a desk path relative to C:\ (such as "data\vol.bmp").
  void WriteFile(std::string deskRel, const std::string& bytes) {
    std::replace(deskRel.begin(), deskRel.end(), '\\', '/');
    WriteHost(deskRel, bytes);
  }
  // The headers of a bitmap file: file size, pixel offset, size and bits,
  // then compression, image size, resolutions and colours used/important;
  // an information header longer than 40 bytes is padded with zeros.
  static std::string BmpHeaders(uint32_t fileSize, uint32_t offset, int32_t width, int32_t height,
                                uint16_t bits, std::array<uint32_t, 6> rest,
                                uint32_t infoSize = 40) {
    std::string bytes = "BM";
    auto put = [&](uint32_t v, int n) {
      for (int i = 0; i < n; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (uint32_t v : {fileSize, 0u, offset, infoSize, static_cast<uint32_t>(width),
                       static_cast<uint32_t>(height)})
      put(v, 4);
    put(1, 2);
    put(bits, 2);
    for (uint32_t v : rest) put(v, 4);
    bytes.resize(14 + std::max<size_t>(infoSize, 40), '\0');
    return bytes;
  }
  // Writes an 8-bit bitmap file: headers, colour table, rows padded to 4
  // bytes (bottom-up unless the form says otherwise).
  void WriteBmp(const std::string& deskRel, const TestPicture& picture,
                const std::vector<platform::Rgb>& palette = CubePalette(), BmpForm form = {}) {
    const uint32_t stride = (static_cast<uint32_t>(picture.width) + 3) & ~3u;
    const uint32_t offset = 14 + form.infoSize + 4 * form.colours;
    const uint32_t image = stride * static_cast<uint32_t>(picture.height);
    std::string bytes = BmpHeaders(offset + image, offset, picture.width,
                                   form.topDown ? -picture.height : picture.height, 8,
                                   {0, image, 2835, 2835, form.colours, 0}, form.infoSize);
    for (size_t i = 0; i < form.colours; ++i) {
      platform::Rgb c = i < palette.size() ? palette[i] : platform::Rgb{};
      bytes +=
          {static_cast<char>(c.blue), static_cast<char>(c.green), static_cast<char>(c.red), '\0'};
    }
    for (int32_t i = 0; i < picture.height; ++i) {
      const int32_t row = form.topDown ? i : picture.height - 1 - i;
      for (int32_t x = 0; x < picture.width; ++x) bytes += static_cast<char>(picture.pixel(x, row));
      bytes.append(stride - static_cast<uint32_t>(picture.width), '\0');
    }
    WriteFile(deskRel, bytes);
  }

  // The screen's indices at points, to compare in one go.
  static std::vector<int> AtAll(const std::vector<std::pair<int32_t, int32_t>>& points) {
    std::vector<int> out;
    for (auto [x, y] : points) out.push_back(At(x, y));
    return out;
  }
  static platform::Image& Screen() { return *platform::Screen(); }
  // The shared palette as it stands.
  static std::vector<platform::Rgb> Palette() {
    platform::Rgb palette[256];
    platform::GetPalette(palette);
    return std::vector<platform::Rgb>(palette, palette + 256);
  }
  static uint8_t At(int32_t x, int32_t y) { return platform::Screen()->PixelAt(x, y); }
  static void FillScreen(uint8_t index) {
    ASSERT_EQ(Screen().Fill(tRect{0, 0, 800, 600}, index), platform::BlitStatus::kOk);
  }

  // Compares a rectangle of the screen (indices and the palette) with
  // tests/ui/golden/<name>.png. BREVORA_UPDATE_GOLDEN=1 rewrites the file.
  static void ExpectGolden(const std::string& name, const tRect& area) {
    const char* source = std::getenv("BREVORA_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "BREVORA_SOURCE_DIR names the source tree";
    const std::string path = std::string(source) + "/tests/ui/golden/" + name + ".png";
    std::vector<uint8_t> all = Screen().Pixels();
    std::vector<uint8_t> crop;
    for (int32_t y = area.top; y < area.bottom; ++y)
      for (int32_t x = area.left; x < area.right; ++x)
        crop.push_back(all[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)]);
    platform::Rgb palette[256];
    platform::GetPalette(palette);
    if (UpdatingGolden()) {
      ASSERT_TRUE(
          platform::WriteIndexedPng(path, area.Width(), area.Height(), crop.data(), palette));
      return;
    }
    int32_t w = 0, h = 0;
    std::vector<uint8_t> pixels;
    std::vector<platform::Rgb> goldenPalette;
    ASSERT_TRUE(platform::ReadIndexedPng(path, w, h, pixels, goldenPalette))
        << path << " is missing; run with BREVORA_UPDATE_GOLDEN=1 to write it";
    ASSERT_EQ(w, area.Width());
    ASSERT_EQ(h, area.Height());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(goldenPalette[static_cast<size_t>(i)], palette[i]) << i;
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < pixels.size(); ++i)
      if (pixels[i] != crop[i] && differing++ == 0) first = i;
    EXPECT_EQ(differing, 0u) << name << ": first difference at (" << first % static_cast<size_t>(w)
                             << ", " << first / static_cast<size_t>(w) << ")";
  }
};
