#pragma once
// Where the desk puts its controls, and the sizes the art gives them. Shared
// by the artwork generator and the checks, so that a picture that would not
// fit its place on the screen fails the build's tests.
#include <cstdio>
#include <string>
#include <vector>

#include "ui/dialog_layout.h"

namespace desk {

constexpr int kScreenW = 800, kScreenH = 600;

// Channel strips: two rows of eight, channel n (0-based index) at StripX/Y.
constexpr int kStripX[8] = {8, 106, 204, 303, 401, 499, 597, 696};
inline int StripX(int index) {
  return kStripX[index % 8];
}
inline int StripY(int index) {
  return index < 8 ? 8 : 230;
}
constexpr int kStripW = 98, kStripH = 222;

// Door panels are drawn at (5, 7) and cover rows 7 to 459.
constexpr int kPanelX = 5, kPanelY = 7, kPanelW = 790, kPanelH = 453;

// Glyph cell of the desk font.
constexpr int kGlyphW = 7, kGlyphH = 10;

// One bitmap the desk loads: its file name, its frame count, whether the
// frames are stacked vertically, and one frame's size.
struct Bitmap {
  std::string name;
  int frames;
  bool vertical;
  int frameW, frameH;
};

// Every bitmap of the data folder with the frame size the layout leaves it.
inline std::vector<Bitmap> Bitmaps() {
  std::vector<Bitmap> b = {
      {"main.bmp", 1, false, 800, 600},
      {"wait_demo.bmp", 1, false, 360, 180},
      {"vu.bmp", 10, false, 10, 96},
      {"box.bmp", 3, false, 104, 124},
      {"vol.bmp", 2, false, 77, 74},  // left half unlit, right half lit
      {"vol_mask.bmp", 1, false, 77, 74},
      {"bal.bmp", 2, false, 77, 18},  // left half scale, right half knobs
      {"pijla.bmp", 2, false, 16, 12},
      {"pijlb.bmp", 2, false, 16, 12},
      {"mainpijl.bmp", 2, false, 18, 12},
      {"leds.bmp", 5, false, 16, 4},
      {"popa_demo.bmp", 2, false, 78, 95},
      {"popb_demo.bmp", 2, false, 78, 95},
      {"popc_demo2.bmp", 2, false, 134, 84},
      {"symbols.bmp", 3, false, 25, 8},
      {"spin_quantize.bmp", 9, false, 25, 11},
      {"spin_delay.bmp", 9, false, 25, 11},
      {"spin_length.bmp", 9, false, 25, 11},
      {"spin_l.bmp", 2, false, 14, 16},
      {"spin_r.bmp", 2, false, 14, 16},
      {"font1.bmp", 86, false, kGlyphW, kGlyphH},
      {"button_plugins.bmp", 2, false, 60, 28},
      {"button_help.bmp", 2, false, 60, 28},
      {"button_exit.bmp", 2, false, 60, 28},
      {"repel10.bmp", 10, true, 140, 20},
      {"Rec.bmp", 2, false, 52, 30},
      {"StopR.bmp", 2, false, 52, 30},
      {"Play.bmp", 2, false, 52, 30},
      {"StopP.bmp", 2, false, 52, 30},
      {"pitch.bmp", 11, false, 64, 16},
      {"2244.bmp", 2, false, 42, 12},
      {"816.bmp", 2, false, 42, 12},
      {"mono.bmp", 2, false, 42, 12},
      {"32beat.bmp", 33, false, 56, 40},
      {"dot.bmp", 2, false, 10, 3},
      {"error.bmp", 1, false, 290, 94},
      {"errorbut1.bmp", 2, false, 48, 20},
      {"errorbut2.bmp", 2, false, 48, 20},
      {"errorbut3.bmp", 2, false, 48, 20},
      {"digits.bmp", 10, false, 18, 30},
      {"button_ok_cancel.bmp", 2, false, 48, 24},
      {"button_close_help.bmp", 2, false, 70, 24},
      {"button_setup_switch.bmp", 2, false, 48, 24},
      {"button_setup_1.bmp", 2, false, 24, 24},
      {"button_setup_2.bmp", 2, false, 34, 32},
      {"button_setup_3.bmp", 2, false, 34, 32},
      {"button_setup_4.bmp", 2, false, 24, 24},
  };
  // The file chooser's font (one row per style) and its scroll bar pieces.
  b.push_back({"font_dialog.bmp", dialog_layout::kGlyphs, false, dialog_layout::kCellW,
               dialog_layout::kCellH * dialog_layout::kStyles});
  b.push_back({"dialog_parts.bmp", dialog_layout::kParts, false, dialog_layout::kPartW,
               dialog_layout::kPartH});
  for (int n = 1; n <= 16; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "sw%02d.bmp", n);
    b.push_back({name, 3, false, 30, 36});
  }
  for (const char* p :
       {"door_lchn.bmp", "door_isnd.bmp", "door_isfx.bmp", "door_lmix.bmp", "door_schn.bmp",
        "door_smix.bmp", "door_swav.bmp", "pan_help_Eng.bmp", "pan_help_Ned.bmp",
        "pan_help_Fra.bmp", "pan_help_Dui.bmp", "pan_help_Ita.bmp", "pan_help_Spa.bmp",
        "pan_quality.bmp", "pan_bpm.bmp", "pan_export.bmp", "pan_play.bmp", "pan_com.bmp"})
    b.push_back({p, 1, false, kPanelW, kPanelH});
  return b;
}

// The font's character map: glyph i shows this code page 1252 character.
inline std::vector<unsigned char> FontMap() {
  std::vector<unsigned char> m = {' '};
  for (char c = 'A'; c <= 'Z'; ++c) m.push_back(static_cast<unsigned char>(c));
  for (char c = '0'; c <= '9'; ++c) m.push_back(static_cast<unsigned char>(c));
  for (int c : {int('/'), int('.'), int('-'), int('+')}) m.push_back(static_cast<unsigned char>(c));
  for (int c : {179,      int('&'), 201, int('"'), int('\''), int('('), 167,      163,
                int('!'), 199,      192, int(')'), int('-'),  int('^'), int('$'), 217,
                163,      int('<'), 130, int(';'), int(':'),  int('=')})
    m.push_back(static_cast<unsigned char>(c));
  for (int i = 0; i < 12; ++i) m.push_back('#');
  for (int c : {242, 232, 246, 252, 228, 233, 224, 244, 234, 225, 243})
    m.push_back(static_cast<unsigned char>(c));
  return m;
}

}  // namespace desk
