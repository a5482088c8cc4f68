#pragma once
// Where the file chooser puts its parts, in screen pixels. The artwork
// generator draws the door images from the same numbers, so that every well,
// label and printed button of a door lies where the chooser draws into it.
//
// The chooser is laid out from dialog templates in dialog units: a
// horizontal unit is a quarter of the dialog font's cell width, a vertical
// unit an eighth of its cell height, each rounded to the nearest pixel. The
// templates give the file list and the preview texts; the parts every file
// chooser has (the folder, the drives, the file name, the filter choice, OK
// and Cancel) are placed around them.
#include <array>

namespace dialog_layout {

// The dialog font: one cell per code page 1252 character from 0x20 to 0xFF,
// then the placeholder for characters it lacks; three rows of styles.
constexpr int kCellW = 6;
constexpr int kCellH = 13;
constexpr int kFirstCode = 0x20;
constexpr int kGlyphs = 0x100 - kFirstCode + 1;
constexpr int kPlaceholderGlyph = kGlyphs - 1;
enum Style { kNormal = 0, kAccent = 1, kSelected = 2, kStyles = 3 };

// Whether a character has a glyph: control characters (which is what the
// code page's five undefined codes stand for) show the placeholder.
constexpr bool IsPrintable(char32_t u) {
  return u >= 0x20 && !(u >= 0x7F && u < 0xA0);
}

// The pieces of the scroll bar and the caret: frames of kPartW by kPartH.
constexpr int kPartW = 12;
constexpr int kPartH = 13;
enum Part {
  kArrowUp = 0,
  kArrowUpPressed,
  kArrowDown,
  kArrowDownPressed,
  kTrack,
  kThumbTop,
  kThumbMiddle,
  kThumbBottom,
  kCaret,
  kParts
};

// The door image is drawn with its top-left corner here.
constexpr int kDoorX = 5, kDoorY = 7, kDoorW = 790, kDoorH = 453;

struct Box {
  int x = 0, y = 0, w = 0, h = 0;
  constexpr int Right() const { return x + w; }
  constexpr int Bottom() const { return y + h; }
  constexpr bool Contains(int px, int py) const {
    return px >= x && px < x + w && py >= y && py < y + h;
  }
};

constexpr int UnitsX(int units) {
  return (units * kCellW + 2) / 4;
}
constexpr int UnitsY(int units) {
  return (units * kCellH + 4) / 8;
}
constexpr Box FromUnits(int x, int y, int w, int h) {
  return {UnitsX(x), UnitsY(y), UnitsX(w), UnitsY(h)};
}

// A static text of a template: its control number (0 for a fixed label) and
// its first text.
struct Static {
  int id = 0;
  const char* text = "";
  Box box;
};

constexpr int kMaxStatics = 14;
constexpr int kListRowH = 16;  // one line of the file and drive lists
constexpr int kFieldH = 17;    // a one-line text well
constexpr int kScrollW = kPartW;
constexpr int kButtonW = 48, kButtonH = 24;

struct Layout {
  int templateId = 0;
  Box list;        // the file list with its scroll bar at the right
  Box folder;      // the current folder
  Box drives;      // the drive list
  Box name;        // the file-name field
  Box filters[2];  // the variant's filter, then all files
  Box ok, cancel;
  // Where the door prints the labels of the drives, name and filter rows
  // (right-aligned to x for the two rows, left-aligned for the drives).
  int drivesLabelX = 0, drivesLabelY = 0;
  int rowLabelRight = 0;
  int statics = 0;
  std::array<Static, kMaxStatics> text{};
};

// The inside of the file list where rows go, left of the scroll bar.
constexpr Box ListRows(const Layout& l) {
  return {l.list.x + 2, l.list.y + 2, l.list.w - 4 - kScrollW, l.list.h - 4};
}
constexpr Box ScrollBar(const Layout& l) {
  return {l.list.Right() - 2 - kScrollW, l.list.y + 2, kScrollW, l.list.h - 4};
}
constexpr int VisibleRows(const Box& rows) {
  return rows.h / kListRowH;
}

constexpr Layout Make(int templateId, Box list, int bottom, int buttonX) {
  Layout l;
  l.templateId = templateId;
  l.list = list;
  l.folder = {list.x, list.y - 23, list.w, kFieldH};
  l.drives = {24, list.y, list.x - 12 - 24, list.h};
  l.drivesLabelX = 26;
  l.drivesLabelY = list.y - 20;
  l.rowLabelRight = list.x - 10;
  const int nameY = bottom + 12;
  l.name = {list.x, nameY, list.w, kFieldH};
  const int half = (list.w - 4) / 2;
  l.filters[0] = {list.x, nameY + kFieldH + 7, half, kFieldH};
  l.filters[1] = {list.Right() - half, nameY + kFieldH + 7, half, kFieldH};
  const int buttonY = nameY + (2 * kFieldH + 7 - kButtonH) / 2;
  l.ok = {buttonX, buttonY, kButtonW, kButtonH};
  l.cancel = {buttonX + kButtonW + 6, buttonY, kButtonW, kButtonH};
  return l;
}

// The channel-file template: the list and the channel's settings beside it.
// The texts of the right column are four units wider than the template has
// them, so that a value such as "Quantize: 16.000" fits the fixed-width font.
constexpr Layout ChannelLayout() {
  Layout l = Make(102, FromUnits(101, 61, 279, 143), UnitsY(222) + UnitsY(11), UnitsX(384));
  const Static s[] = {
      {1002, "Version:", FromUnits(384, 62, 66, 11)},
      {1005, "Length:", FromUnits(384, 78, 66, 11)},
      {1004, "Quantize:", FromUnits(384, 94, 66, 11)},
      {1003, "Delay:", FromUnits(384, 110, 66, 11)},
      {1006, "Volume:", FromUnits(384, 126, 66, 11)},
      {1007, "Balance:", FromUnits(384, 142, 66, 11)},
      {1012, "Pitch:", FromUnits(384, 158, 66, 11)},
      {1013, "Author:", FromUnits(384, 174, 66, 11)},
      {0, " Snd:", FromUnits(101, 208, 33, 11)},
      {0, " SFx:", FromUnits(101, 222, 33, 11)},
      {1008, "", FromUnits(138, 208, 243, 11)},
      {1009, "", FromUnits(138, 222, 243, 11)},
      {1010, "", FromUnits(384, 208, 66, 11)},
      {1011, "", FromUnits(384, 222, 66, 11)},
  };
  for (const Static& st : s) l.text[l.statics++] = st;
  return l;
}

// The wave template: the list and the sample's format beside it.
constexpr Layout WaveLayout() {
  const Box list = FromUnits(90, 77, 229, 153);
  Layout l = Make(105, list, list.Bottom(), UnitsX(334));
  const Static s[] = {
      {1012, "Frequency:", FromUnits(334, 172, 77, 10)},
      {1013, "Bits/Sample:", FromUnits(334, 189, 77, 10)},
      {1014, "Channels:", FromUnits(334, 207, 77, 10)},
  };
  for (const Static& st : s) l.text[l.statics++] = st;
  return l;
}

// The plain template of the mix dialogs: the list alone.
constexpr Layout PlainLayout() {
  const Box list = FromUnits(135, 75, 229, 153);
  return Make(107, list, list.Bottom(), list.Right() + 20);
}

constexpr Layout LayoutOf(int templateId) {
  return templateId == 102 ? ChannelLayout() : templateId == 105 ? WaveLayout() : PlainLayout();
}

}  // namespace dialog_layout
