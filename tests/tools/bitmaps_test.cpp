// The desk's bitmaps as staged: 8-bit files with the one shared palette, the
// frame counts the desk cuts them into, and the colour key only where the
// desk draws with it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/platform/golden_trace.h"
#include "tests/tools/stage_files.h"
#include "tools/art/image.h"
#include "tools/desk_layout.h"

namespace {

const art::Rgb kMagenta{255, 0, 255};

struct Loaded {
  art::Indexed image;
  std::vector<art::Rgb> table;
};

Loaded Load(const std::string& name) {
  Loaded l;
  EXPECT_TRUE(art::ReadBmp8(StagePath("data/" + name), l.image, &l.table)) << name;
  return l;
}

bool HasKeyColour(const Loaded& l) {
  for (uint8_t v : l.image.pixels)
    if (l.table[v] == kMagenta) return true;
  return false;
}

// Every file has the shared colour table and whole frames of its size; the
// trace gives each file's frames, how many of them differ (states must;
// fonts repeat glyphs, and the OK and Cancel press image is blank while up),
// its header (the file's size, a 40-byte info header, 8 bits, uncompressed,
// pixels after the table, a positive height for bottom-up rows) and whether
// it holds the colour key: drawn opaque, a magenta pixel would show on the
// screen; drawn keyed and not rectangular, it must have transparent parts.
TEST(Bitmaps, EveryFileIsWholeFramesWithTheSharedPalette) {
  std::string main;
  ASSERT_TRUE(ReadBytes(StagePath("data/main.bmp"), main));
  GoldenTrace trace("tests/tools/golden/bitmaps.trace");
  for (const auto& b : desk::Bitmaps()) {
    SCOPED_TRACE(b.name);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(StagePath("data/" + b.name), bytes));
    ASSERT_GE(bytes.size(), 54u + 1024u);
    EXPECT_EQ(bytes.substr(54, 1024), main.substr(54, 1024));
    Loaded l = Load(b.name);
    EXPECT_EQ(l.image.width, b.vertical ? b.frameW : b.frameW * b.frames);
    EXPECT_EQ(l.image.height, b.vertical ? b.frameH * b.frames : b.frameH);
    std::set<std::vector<uint8_t>> frames;
    for (int f = 0; f < b.frames; ++f)
      frames.insert((b.vertical ? l.image.Crop(0, f * b.frameH, b.frameW, b.frameH)
                                : l.image.Crop(f * b.frameW, 0, b.frameW, b.frameH))
                        .pixels);
    trace.Add({b.name, b.frames, b.vertical ? "frames down of" : "frames across of",
               std::to_string(b.frameW) + "x" + std::to_string(b.frameH), frames.size(), "differ;",
               bytes.substr(0, 2), Le32(bytes, 2) == bytes.size() ? "size" : "bad size", "header",
               Le32(bytes, 14), "bits", Le16(bytes, 28), "compression", Le32(bytes, 30),
               "pixels at", Le32(bytes, 10), "height", int32_t(Le32(bytes, 22)),
               HasKeyColour(l) ? "keyed" : "opaque"});
  }
  trace.Verify();
}

TEST(Bitmaps, TheOkAndCancelPressImageIsBlankWhileUp) {
  // The OK and Cancel press image shows nothing while up: the panel carries
  // the button; frame 0 is all key colour.
  Loaded ok = Load("button_ok_cancel.bmp");
  for (int y = 0; y < ok.image.height; ++y)
    for (int x = 0; x < ok.image.width / 2; ++x) ASSERT_EQ(ok.table[ok.image.at(x, y)], kMagenta);
}

}  // namespace
