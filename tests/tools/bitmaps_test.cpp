// The desk's bitmaps as staged: 8-bit files with the one shared palette, the
// frame counts the desk cuts them into, sizes that fit where the desk draws
// them, and the colour key only where the desk draws with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "platform/cp1252.h"
#include "tests/platform/golden_trace.h"
#include "tests/tools/stage_files.h"
#include "tools/art/image.h"
#include "tools/art/palette.h"
#include "tools/desk_layout.h"
#include "ui/dialog_layout.h"

namespace {

const art::Rgb kMagenta{255, 0, 255};

std::map<std::string, desk::Bitmap> Expected() {
  std::map<std::string, desk::Bitmap> m;
  for (const auto& b : desk::Bitmaps()) m[b.name] = b;
  return m;
}

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
  // The shared table is the desk's palette, with the key and mask colours;
  // exactly one entry is magenta, so that keying by colour is unambiguous.
  Loaded l = Load("main.bmp");
  const auto& p = art::DeskPalette();
  EXPECT_TRUE(std::equal(p.begin(), p.end(), l.table.begin(), l.table.end()));
  EXPECT_EQ(p[art::kKeyIndex], kMagenta);
  EXPECT_EQ(p[art::kMaskGreenIndex], (art::Rgb{0, 255, 0}));
  EXPECT_EQ(std::count(p.begin(), p.end(), kMagenta), 1);
  // Both slider halves hold eleven segments.
  auto e = Expected();
  EXPECT_EQ(e["vol.bmp"].frameW % 11, 0);
  EXPECT_EQ(e["bal.bmp"].frameW % 11, 0);
  EXPECT_EQ(desk::FontMap().size(), 86u);
}

// Where the desk draws each picture of a strip: one frame's rectangle must
// lie inside the area given (the strip or a part of it, the screen).
struct Place {
  std::string name;
  int x, y;
  int left, top, right, bottom;  // allowed area
};

std::vector<Place> StripPlaces() {
  std::vector<Place> p;
  for (int i = 0; i < 16; ++i) {
    int x = desk::StripX(i), y = desk::StripY(i);
    int l = x, t = y, r = x + desk::kStripW, b = y + desk::kStripH;
    bool odd = i % 2 == 0;
    char sw[16];
    std::snprintf(sw, sizeof sw, "sw%02d.bmp", i + 1);
    p.push_back({sw, x + 66, y + 31, l, t, r, b});
    p.push_back({"symbols.bmp", x + 22, y + 70, l, t, x + 47, y + 79});  // above the value
    for (const char* s : {"spin_quantize.bmp", "spin_delay.bmp", "spin_length.bmp"})
      p.push_back({s, x + 22, y + 79, l, t, x + 47, b});  // between the two arrows
    p.push_back({"spin_l.bmp", x + 7, y + 73, l, t, x + 22, b});
    p.push_back({"spin_r.bmp", x + 47, y + 73, l, t, r, b});
    p.push_back({"leds.bmp", x + 35, y + 101, l, t, r, y + 105});  // above the fan
    p.push_back({"vol.bmp", x + 10, y + 105, l, t, r, y + 181});   // above the balance
    p.push_back({"bal.bmp", x + 10, y + 181, l, t, r, y + 202});   // above the even arrow
    if (odd) {
      p.push_back({"pijla.bmp", x + 13, y + 5, l, t, x + 35, b});  // left of the label
      p.push_back({"popa_demo.bmp", x + 9, y + 16, 0, 0, 800, 460});
    } else {
      p.push_back({"pijlb.bmp", x + 68, y + 202, x + 35, t, r, b});  // right of the label
      p.push_back({"popb_demo.bmp", x + 8, y + 108, 0, 0, 800, 460});
    }
  }
  return p;
}

// The frame's size, and whether it fits its place.
std::string Fit(const Place& p) {
  const auto e = Expected();
  if (e.count(p.name) == 0) return "no such bitmap";
  const int w = e.at(p.name).frameW, h = e.at(p.name).frameH;
  const bool fits = p.x >= p.left && p.y >= p.top && p.x + w <= p.right && p.y + h <= p.bottom;
  return std::to_string(w) + "x" + std::to_string(h) + (fits ? " fits" : " sticks out");
}

TEST(Bitmaps, EveryFrameFitsItsPlaceOnTheDesk) {
  for (const Place& p : StripPlaces())
    EXPECT_TRUE(Fit(p).ends_with(" fits"))
        << p.name << " at " << p.x << "," << p.y << ": " << Fit(p);
  // The control section and the panel, from a table of "name x,y in
  // left,top-right,bottom".
  VerifyGoldenTable("tests/tools/golden/desk_places.txt", [](const std::string& row) {
    Place p;
    char name[64] = {};
    EXPECT_EQ(std::sscanf(row.c_str(), "%63s %d,%d in %d,%d-%d,%d", name, &p.x, &p.y, &p.left,
                          &p.top, &p.right, &p.bottom),
              7)
        << row;
    p.name = name;
    return Fit(p);
  });
  // Text: fourteen glyphs of a strip label end where the pair of strips ends,
  // a glyph fits the key label's 11 by 10 rectangle, 22 glyphs of a message
  // line end before the message buttons.
  EXPECT_LE(35 + 14 * desk::kGlyphW, 2 * desk::kStripW);
  EXPECT_LE(desk::kGlyphW, 11);
  EXPECT_LE(desk::kGlyphH, 10);
  EXPECT_LE(12 + 22 * desk::kGlyphW, 227);
  // Door panels cover rows 7 to 459 from x 5.
  EXPECT_EQ(desk::kPanelX + desk::kPanelW, 795);
  EXPECT_EQ(desk::kPanelY + desk::kPanelH, 460);
}

TEST(Bitmaps, TheOkAndCancelPressImageIsBlankWhileUp) {
  // The OK and Cancel press image shows nothing while up: the panel carries
  // the button; frame 0 is all key colour.
  Loaded ok = Load("button_ok_cancel.bmp");
  for (int y = 0; y < ok.image.height; ++y)
    for (int x = 0; x < ok.image.width / 2; ++x) ASSERT_EQ(ok.table[ok.image.at(x, y)], kMagenta);
}

TEST(Bitmaps, VolumeMaskCoversEveryLitSegment) {
  Loaded vol = Load("vol.bmp"), mask = Load("vol_mask.bmp");
  const int half = vol.image.width / 2;
  ASSERT_EQ(mask.image.width, half);
  ASSERT_EQ(mask.image.height, vol.image.height);
  const art::Rgb green{0, 255, 0};
  int lit = 0;
  for (int y = 0; y < vol.image.height; ++y)
    for (int x = 0; x < half; ++x) {
      if (vol.image.at(x, y) == vol.image.at(half + x, y)) continue;  // not part of a bar
      ++lit;
      EXPECT_EQ(mask.table[mask.image.at(x, y)], green) << x << "," << y;
    }
  EXPECT_GT(lit, 11 * 40);
  // Every column of the slider can be hit somewhere, so every value is reachable.
  for (int x = 0; x < half; ++x) {
    bool any = false;
    for (int y = 0; y < mask.image.height; ++y)
      any = any || mask.table[mask.image.at(x, y)] == green;
    EXPECT_TRUE(any) << x;
  }
  // The top-left corner is free for the key label and the LED.
  EXPECT_NE(mask.table[mask.image.at(8, 2)], green);
}

// The desk shows text in capitals: a letter and its capital share a glyph.
unsigned char Capital(unsigned char c) {
  return (c >= 224 && c != 247) ? static_cast<unsigned char>(c - 32) : c;
}

TEST(Bitmaps, FontGlyphsAreDistinctExceptRepeatedCharacters) {
  Loaded font = Load("font1.bmp");
  auto map = desk::FontMap();
  for (auto& c : map) c = Capital(c);
  std::map<std::vector<uint8_t>, unsigned char> seen;
  for (size_t i = 0; i < map.size(); ++i) {
    art::Indexed g = font.image.Crop(int(i) * desk::kGlyphW, 0, desk::kGlyphW, desk::kGlyphH);
    auto it = seen.find(g.pixels);
    if (it != seen.end()) {
      EXPECT_EQ(it->second, map[i]) << "glyph " << i << " looks like another character";
    } else {
      seen[g.pixels] = map[i];
    }
  }
  // The space is blank: one colour only.
  art::Indexed space = font.image.Crop(0, 0, desk::kGlyphW, desk::kGlyphH);
  EXPECT_EQ(std::set<uint8_t>(space.pixels.begin(), space.pixels.end()).size(), 1u);
}

// Every code page 1252 character has a glyph of its own in each style; the
// undefined codes share the placeholder, and only characters that look alike
// by nature share a glyph.
TEST(Bitmaps, DialogFontHasAGlyphForEveryCharacter) {
  namespace dl = dialog_layout;
  Loaded font = Load("font_dialog.bmp");
  auto glyph = [&](int g) {
    return font.image.Crop(g * dl::kCellW, 0, dl::kCellW, dl::kCellH * dl::kStyles).pixels;
  };
  const auto placeholder = glyph(dl::kPlaceholderGlyph);
  std::map<std::vector<uint8_t>, int> seen;
  for (int code = dl::kFirstCode; code < 0x100; ++code) {
    SCOPED_TRACE(code);
    const auto g = glyph(code - dl::kFirstCode);
    if (!dl::IsPrintable(platform::Cp1252ToUnicode(static_cast<uint8_t>(code)))) {
      EXPECT_EQ(g, placeholder);
      continue;
    }
    EXPECT_NE(g, placeholder);
    // No-break space, soft hyphen and the low quotation mark look like the
    // space, the hyphen and the comma.
    const int alike = code == 0xA0 ? ' ' : code == 0xAD ? '-' : code == 0x82 ? ',' : code;
    auto [it, added] = seen.emplace(g, alike);
    if (!added) {
      EXPECT_EQ(it->second, alike) << "looks like " << it->second;
    }
  }
  // The blank of each style is its background: text and folders share the
  // wells' colour, the selection stands out from it.
  auto background = [&](int style) { return font.image.at(0, style * dl::kCellH); };
  EXPECT_EQ(background(dl::kNormal), background(dl::kAccent));
  EXPECT_NE(background(dl::kNormal), background(dl::kSelected));
}

// The dialog doors leave the chooser's wells empty, in the colour the
// chooser clears them with, so nothing of the door shows through its text.
TEST(Bitmaps, DialogDoorsLeaveTheirWellsEmpty) {
  namespace dl = dialog_layout;
  const uint8_t well = Load("font_dialog.bmp").image.at(0, 0);
  for (auto [door, templateId] : {std::pair{"door_lchn.bmp", 102},
                                  {"door_isnd.bmp", 105},
                                  {"door_isfx.bmp", 105},
                                  {"door_lmix.bmp", 107},
                                  {"door_schn.bmp", 102},
                                  {"door_smix.bmp", 107},
                                  {"door_swav.bmp", 105}}) {
    SCOPED_TRACE(door);
    const dl::Layout l = dl::LayoutOf(templateId);
    Loaded image = Load(door);
    std::vector<dl::Box> wells = {l.folder, l.drives, l.list, l.name, l.filters[0], l.filters[1]};
    for (int i = 0; i < l.statics; ++i)
      if (l.text[static_cast<size_t>(i)].id != 0)
        wells.push_back(l.text[static_cast<size_t>(i)].box);
    for (const dl::Box& b : wells) {
      ASSERT_GE(b.x, dl::kDoorX + 8);
      ASSERT_LE(b.Right(), dl::kDoorX + dl::kDoorW - 8);
      ASSERT_GE(b.y, dl::kDoorY + 60);  // below the title plate
      ASSERT_LE(b.Bottom(), dl::kDoorY + dl::kDoorH - 8);
      int other = 0;
      for (int y = b.y; y < b.Bottom(); ++y)
        for (int x = b.x; x < b.Right(); ++x)
          other += image.image.at(x - dl::kDoorX, y - dl::kDoorY) != well;
      EXPECT_EQ(other, 0) << "well at " << b.x << "," << b.y;
    }
    // No two parts of the chooser overlap.
    std::vector<dl::Box> all = wells;
    all.push_back(l.ok);
    all.push_back(l.cancel);
    for (size_t i = 0; i < all.size(); ++i)
      for (size_t j = i + 1; j < all.size(); ++j)
        EXPECT_FALSE(all[i].x < all[j].Right() && all[j].x < all[i].Right() &&
                     all[i].y < all[j].Bottom() && all[j].y < all[i].Bottom())
            << i << " and " << j;
  }
  // The press image of OK and Cancel covers the printed buttons exactly.
  const auto e = Expected();
  EXPECT_EQ(e.at("button_ok_cancel.bmp").frameW, dl::kButtonW);
  EXPECT_EQ(e.at("button_ok_cancel.bmp").frameH, dl::kButtonH);
}

}  // namespace
