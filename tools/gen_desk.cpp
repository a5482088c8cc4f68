// Draws every bitmap of the desk into the data folder, and preview pictures
// of the whole desk (and of each panel over it) for review.
//
//   gen_desk DATA_DIR PREVIEW_DIR
//
// Everything is drawn with Cairo and Pango in true colour and then matched to
// the desk's one palette. Widgets that are drawn opaque on the desk are drawn
// over the piece of background they will cover, so their edges blend in; keyed
// widgets get magenta where they are transparent.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/cp1252.h"
#include "tools/art/canvas.h"
#include "tools/art/image.h"
#include "tools/art/logo.h"
#include "tools/desk_layout.h"
#include "tools/help_texts.h"
#include "ui/dialog_layout.h"

namespace {

using namespace art;
using desk::StripX;
using desk::StripY;

std::string gData, gPreview;
std::map<std::string, Indexed> gImages;

void Save(const std::string& name, const Indexed& img) {
  WriteBmp8(gData + "/" + name, img);
  gImages[name] = img;
}

// ---- colours of the desk ----
const Colour kDeskTop = Hex(0x34383e), kDeskBottom = Hex(0x25282c);
const Colour kPlateTop = Hex(0x5a5f67), kPlateBottom = Hex(0x42464d);
const Colour kWell = Hex(0x16191c);
const Colour kDisplayBg = Hex(0x060e10);
const Colour kGlyph = Hex(0x82f0e2);
const Colour kEngrave = Hex(0xd9dde3), kEngraveShadow = Hex(0x0c0d0f, 0.85);
const Colour kAmber = Hex(0xffa726), kGreen = Hex(0x4cff6a), kRed = Hex(0xff3b30),
             kBlue = Hex(0x3aa0ff), kCyan = Hex(0x39d5e0);

TextStyle Label(double size = 7.5, Colour c = kEngrave) {
  TextStyle st;
  st.family = "DejaVu Sans";
  st.condensed = true;
  st.size = size;
  st.colour = c;
  return st;
}

void EngravedLabel(cairo_t* cr, const std::string& text, double x, double y, double size,
                   double align = 0.0) {
  TextStyle st = Label(size, kEngraveShadow);
  st.align = align;
  Text(cr, text, x + 0.6, y + 0.8, st);
  st.colour = kEngrave;
  Text(cr, text, x, y, st);
}

// A texture of brushed metal: fine streaks along x, a gentle vertical gradient.
cairo_surface_t* Brushed(int w, int h, Colour top, Colour bottom, double amp, uint32_t seed) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < h; ++y) {
    double t = h > 1 ? double(y) / (h - 1) : 0;
    Colour base = Mix(top, bottom, t);
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < w; ++x) {
      double fx = x / 23.0;
      int xi = int(std::floor(fx));
      double f = fx - xi;
      f = f * f * (3 - 2 * f);
      double streak = Noise(xi, y, seed) * (1 - f) + Noise(xi + 1, y, seed) * f;
      double v = amp * (0.75 * streak + 0.25 * Noise(x, y, seed + 7));
      auto ch = [&](double c) { return uint32_t(std::clamp((c + v) * 255.0, 0.0, 255.0)); };
      row[x] = ch(base.r) << 16 | ch(base.g) << 8 | ch(base.b);
    }
  }
  cairo_surface_mark_dirty(s);
  return s;
}

void FillBrushed(cairo_t* cr, double x, double y, int w, int h, Colour top, Colour bottom,
                 double amp, uint32_t seed) {
  cairo_surface_t* tex = Brushed(w, h, top, bottom, amp, seed);
  cairo_set_source_surface(cr, tex, x, y);
  cairo_fill(cr);
  cairo_surface_destroy(tex);
}

// A sunken window with a flat interior of the given colour.
void Window(cairo_t* cr, double x, double y, double w, double h, Colour inside, double r = 2) {
  RoundRect(cr, x - 1, y - 1, w + 2, h + 2, r + 1);
  FillVertical(cr, y - 1, y + h + 1, Hex(0x000000, 0.75), Hex(0xffffff, 0.22));
  cairo_rectangle(cr, x, y, w, h);
  SetColour(cr, inside);
  cairo_fill(cr);
}

// ---- the strips ----
const char* const kStripMenu[7] = {"LOAD CHANNEL", "SAVE CHANNEL",  "LOAD SAMPLE",  "LOAD EFFECT",
                                   "SWAP SAMPLES", "REMOVE EFFECT", "CLEAR CHANNEL"};
const char* const kMixMenu[5] = {"TEMPO", "LOAD MIX", "SAVE MIX", "EXPORT MIX", "OUTPUT QUALITY"};

// Knob centre and the angles of the three positions, in strip coordinates.
constexpr double kKnobX = 81, kKnobY = 49;
const double kPosAngle[3] = {std::atan2(32.5 - kKnobY, 56 - kKnobX),
                             std::atan2(44.5 - kKnobY, 56 - kKnobX),
                             std::atan2(57.5 - kKnobY, 56 - kKnobX)};

void DrawStrip(cairo_t* cr, int index) {
  const int ox = StripX(index), oy = StripY(index);
  const bool odd = index % 2 == 0;  // channels 1, 3, 5, ...
  cairo_save(cr);
  cairo_translate(cr, ox, oy);
  // Plate with a dark gap around it and a bevelled edge.
  RoundRect(cr, 0.5, 0.5, 97, 221, 6);
  SetColour(cr, Hex(0x0b0c0e, 0.9));
  cairo_fill(cr);
  RoundRect(cr, 1.5, 1.5, 95, 219, 5);
  FillVertical(cr, 1.5, 220, Hex(0x9097a0), Hex(0x2e3136));
  RoundRect(cr, 2.5, 2.5, 93, 217, 4);
  FillBrushed(cr, 0, 0, 98, 222, kPlateTop, kPlateBottom, 0.035, 11);
  // Screws in the corners the labels leave free.
  double sx = odd ? 7 : 91;
  Screw(cr, sx, 7, 3, 0.6);
  Screw(cr, sx, 215, 3, 2.1);

  // Selector: the three position names with leader lines to the knob.
  const char* names[3] = {"QUANTIZE", "DELAY", "LENGTH"};
  const int rows[3] = {27, 39, 52};
  for (int i = 0; i < 3; ++i) EngravedLabel(cr, names[i], 10, rows[i] + 0.5, 7.5);
  // Knob well (covered by the knob frames; drawn for their backdrop).
  cairo_arc(cr, kKnobX, kKnobY, 16.5, 0, 2 * M_PI);
  SetColour(cr, Hex(0x000000, 0.35));
  cairo_fill(cr);

  // Spinner row: parameter symbol above the value window, arrows left and right.
  Window(cr, 22, 70, 25, 8, kWell, 1);
  Window(cr, 22, 79, 25, 11, kDisplayBg, 1);
  RoundRect(cr, 5.5, 71.5, 58, 20, 4);
  SetColour(cr, Hex(0x000000, 0.25));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);

  // Volume field: a sunken well for the fan of bars.
  Window(cr, 10, 105, 77, 74, kWell, 3);
  // Balance groove is part of its image; engrave L and R beside it.
  EngravedLabel(cr, "L", 4, 185, 7, 0.5);
  EngravedLabel(cr, "R", 93, 185, 7, 0.5);
  // Strip number, engraved in the free corner beside the menu arrow.
  char num[8];
  std::snprintf(num, sizeof num, "%d", index + 1);
  if (odd)
    EngravedLabel(cr, num, 22, 204, 9, 0.5);
  else
    EngravedLabel(cr, num, 54, 7, 9, 0.5);
  cairo_restore(cr);
}

void DrawLabelWindows(cairo_t* cr, int index) {
  const int ox = StripX(index), oy = StripY(index);
  if (index % 2 == 0)
    Window(cr, ox + 33, oy + 5, 102, 14, kDisplayBg, 2);
  else
    Window(cr, ox - 65, oy + 202, 102, 14, kDisplayBg, 2);
}

// ---- the logo ----
void Logo(cairo_t* cr, double x, double y, double size, bool withMark = true) {
  // The mark: a ring of sixteen bars (the channels) around a play triangle.
  double r = size * 0.55;
  double cx = x + r, cy = y + size * 0.62;
  if (withMark) {
    LogoMark(cr, cx, cy, r, std::max(1.0, size * 0.07));
    x += 2 * r + size * 0.25;
  }
  TextStyle st;
  st.family = "DejaVu Sans";
  st.size = size;
  st.bold = true;
  st.hinted = false;
  st.spacing = -size * 0.02;
  st.colour = Hex(0x000000, 0.6);
  Text(cr, "brevora", x + size * 0.04, y + size * 0.06, st);
  // Text filled with a gradient: draw it as a path.
  cairo_save(cr);
  cairo_pattern_t* g = cairo_pattern_create_linear(x, y, x, y + size * 1.2);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.97, 0.98, 1.0);
  cairo_pattern_add_color_stop_rgb(g, 0.55, 0.74, 0.78, 0.84);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.55, 0.6, 0.68);
  cairo_push_group(cr);
  st.colour = Hex(0xffffff);
  Text(cr, "brevora", x, y, st);
  cairo_pattern_t* mask = cairo_pop_group(cr);
  cairo_set_source(cr, g);
  cairo_mask(cr, mask);
  cairo_pattern_destroy(mask);
  cairo_pattern_destroy(g);
  cairo_restore(cr);
}

// ---- the control section below the strips ----
void Well(cairo_t* cr, double x, double y, double w, double h, const char* title) {
  RoundRect(cr, x, y, w, h, 5);
  FillVertical(cr, y, y + h, Hex(0x000000, 0.5), Hex(0xffffff, 0.12));
  RoundRect(cr, x + 1, y + 1, w - 2, h - 2, 4);
  FillVertical(cr, y, y + h, Hex(0x2a2d32), Hex(0x33373d));
  if (title) EngravedLabel(cr, title, x + w / 2, y + 3, 7.5, 0.5);
}

void DrawBottom(cairo_t* cr) {
  // Main plate of the control section.
  RoundRect(cr, 3.5, 461.5, 793, 135, 7);
  SetColour(cr, Hex(0x0b0c0e, 0.9));
  cairo_fill(cr);
  RoundRect(cr, 4.5, 462.5, 791, 133, 6);
  FillVertical(cr, 462, 596, Hex(0x9097a0), Hex(0x2e3136));
  RoundRect(cr, 5.5, 463.5, 789, 131, 5);
  FillBrushed(cr, 0, 462, 800, 134, kPlateTop, kPlateBottom, 0.035, 23);

  // Logo column.
  cairo_save(cr);
  cairo_translate(cr, 36, 529);
  cairo_rotate(cr, -M_PI / 2);
  Logo(cr, -58, -14, 22, true);
  cairo_restore(cr);

  // System buttons.
  Well(cr, 65, 466, 68, 124, "SYSTEM");
  // Output meters.
  Well(cr, 132, 466, 30, 128, "OUT");
  Window(cr, 135, 493, 24, 98, kWell, 1);
  EngravedLabel(cr, "L", 141, 481, 7, 0.5);
  EngravedLabel(cr, "R", 153, 481, 7, 0.5);
  // Transport.
  Well(cr, 166, 466, 200, 128, "TRANSPORT");
  Window(cr, 218, 526, 140, 20, kWell, 2);
  cairo_arc(cr, 207, 536, 5, 0, 2 * M_PI);
  SetColour(cr, Hex(0x8a1a14));
  cairo_fill(cr);
  cairo_arc(cr, 207, 536, 5, 0, 2 * M_PI);
  SetColour(cr, Hex(0x000000, 0.6));
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  EngravedLabel(cr, "RECORD", 250, 507, 8, 0.5);
  EngravedLabel(cr, "PLAYBACK", 322, 507, 8, 0.5);
  EngravedLabel(cr, "ENTER  START / STOP", 266, 583, 7, 0.5);
  for (int bx : {231, 295}) Window(cr, bx + 1, 551, 50, 28, Hex(0x1d2024), 4);
  // Mix and tempo.
  Well(cr, 370, 466, 208, 128, "MIX");
  EngravedLabel(cr, "FORMAT", 555, 488, 6.5, 0.5);
  EngravedLabel(cr, "MENU", 398, 497, 7.5, 0.5);
  Window(cr, 425, 494, 18, 12, kWell, 1);
  Window(cr, 474, 499, 25, 14, kDisplayBg, 2);
  EngravedLabel(cr, "BPM", 503, 502, 7.5);
  EngravedLabel(cr, "PITCH", 488, 520, 7, 0.5);
  EngravedLabel(cr, "-", 452, 536, 8, 1.0);
  EngravedLabel(cr, "+", 524, 536, 8, 0.0);
  Window(cr, 449, 554, 102, 14, kDisplayBg, 2);
  EngravedLabel(cr, "NAME", 420, 556, 7.5, 0.5);
  // Time and beat.
  Well(cr, 580, 466, 56, 128, "TIME");
  Window(cr, 583, 500, 37, 14, kDisplayBg, 2);
  EngravedLabel(cr, "LENGTH", 601, 520, 7, 0.5);
  Window(cr, 583, 530, 37, 14, kDisplayBg, 2);
  Window(cr, 579, 549, 56, 40, kWell, 2);
  // Master.
  Well(cr, 637, 466, 88, 128, "MASTER");
  Window(cr, 639, 497, 77, 80, kWell, 3);
  EngravedLabel(cr, "CTRL", 637, 497, 6.5, 1.0);
  EngravedLabel(cr, "TAB", 637, 510, 6.5, 1.0);
  EngravedLabel(cr, "VOLUME", 677, 580, 7, 0.5);
  // Brand plate on the right.
  cairo_save(cr);
  cairo_translate(cr, 760, 530);
  cairo_rotate(cr, -M_PI / 2);
  Logo(cr, -54, -12, 19, false);
  EngravedLabel(cr, "LOOP MIXING DESK", 0, 14, 7, 0.5);
  cairo_restore(cr);
}

Indexed DrawMain() {
  Canvas c(800, 600);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 0, 0, 800, 600);
  FillBrushed(cr, 0, 0, 800, 600, kDeskTop, kDeskBottom, 0.03, 3);
  for (int i = 0; i < 16; ++i) DrawStrip(cr, i);
  for (int i = 0; i < 16; ++i) DrawLabelWindows(cr, i);
  DrawBottom(cr);
  return c.ToIndexed(true);
}

Indexed gMain;  // the background, for backdrops

// A canvas holding the piece of background under (x, y, w, h).
void Backdrop(Canvas& c, int x, int y) {
  c.Paint(gMain, -x, -y);
}

// ---- font ----
// A character in UTF-8 (up to three bytes: the code page's characters).
std::string Utf8Of(char32_t u) {
  std::string s;
  if (u < 0x80) {
    s += char(u);
  } else if (u < 0x800) {
    s += char(0xC0 | (u >> 6));
    s += char(0x80 | (u & 0x3F));
  } else {
    s += char(0xE0 | (u >> 12));
    s += char(0x80 | ((u >> 6) & 0x3F));
    s += char(0x80 | (u & 0x3F));
  }
  return s;
}

std::string Utf8(unsigned char cp1252) {
  uint32_t u = cp1252;
  switch (cp1252) {
    case 130:
      u = 0x201A;
      break;
    case 242:
      u = 0xD2;
      break;  // the font shows lower-case accents as capitals
    case 232:
      u = 0xC8;
      break;
    case 246:
      u = 0xD6;
      break;
    case 252:
      u = 0xDC;
      break;
    case 228:
      u = 0xC4;
      break;
    case 233:
      u = 0xC9;
      break;
    case 224:
      u = 0xC0;
      break;
    case 244:
      u = 0xD4;
      break;
    case 234:
      u = 0xCA;
      break;
    case 225:
      u = 0xC1;
      break;
    case 243:
      u = 0xD3;
      break;
    default:
      break;
  }
  return Utf8Of(u);
}

// Accented capitals: the base letter, a little smaller, with its mark drawn
// above it (or the cedilla below), so that the mark fits the 10-pixel cell.
struct Accent {
  unsigned char code;
  char base;
  char mark;  // 'a' acute, 'g' grave, 'c' circumflex, 'd' diaeresis, 'h' cedilla hook
};
const Accent kAccents[] = {{201, 'E', 'a'}, {192, 'A', 'g'}, {199, 'C', 'h'}, {217, 'U', 'g'},
                           {242, 'O', 'g'}, {232, 'E', 'g'}, {246, 'O', 'd'}, {252, 'U', 'd'},
                           {228, 'A', 'd'}, {233, 'E', 'a'}, {224, 'A', 'g'}, {244, 'O', 'c'},
                           {234, 'E', 'c'}, {225, 'A', 'a'}, {243, 'O', 'a'}};

const Accent* FindAccent(unsigned char c) {
  for (const Accent& a : kAccents)
    if (a.code == c) return &a;
  return nullptr;
}

void DrawAccented(cairo_t* cr, const Accent& a, double cx) {
  TextStyle st;
  st.family = "DejaVu Sans Mono";
  st.bold = true;
  st.colour = kGlyph;
  st.align = 0.5;
  SetColour(cr, kGlyph);
  if (a.mark == 'h') {  // full-size letter, hook below
    st.size = 10;
    Text(cr, std::string(1, a.base), cx, -1.5, st);
    SetColour(cr, kGlyph);
    cairo_move_to(cr, cx + 0.2, 8.6);
    cairo_line_to(cr, cx + 1.2, 9.8);
    cairo_set_line_width(cr, 1.1);
    cairo_stroke(cr);
    return;
  }
  st.size = 8.2;
  Text(cr, std::string(1, a.base), cx, 1.4, st);
  SetColour(cr, kGlyph);
  cairo_set_line_width(cr, 1.15);
  if (a.mark == 'a') {
    cairo_move_to(cr, cx - 0.8, 2.6);
    cairo_line_to(cr, cx + 1.4, 0.2);
  } else if (a.mark == 'g') {
    cairo_move_to(cr, cx - 1.4, 0.2);
    cairo_line_to(cr, cx + 0.8, 2.6);
  } else if (a.mark == 'c') {
    cairo_move_to(cr, cx - 2.2, 2.6);
    cairo_line_to(cr, cx, 0.4);
    cairo_line_to(cr, cx + 2.2, 2.6);
  } else {
    cairo_rectangle(cr, std::floor(cx) - 2, 0.6, 1.4, 1.4);
    cairo_rectangle(cr, std::floor(cx) + 1, 0.6, 1.4, 1.4);
    cairo_fill(cr);
    return;
  }
  cairo_stroke(cr);
}

Indexed DrawFont() {
  auto map = desk::FontMap();
  const int w = desk::kGlyphW, h = desk::kGlyphH;
  Canvas c(w * int(map.size()), h);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 0, 0, c.width(), h);
  SetColour(cr, kDisplayBg);
  cairo_fill(cr);
  for (size_t i = 0; i < map.size(); ++i) {
    unsigned char ch = map[i];
    if (ch == ' ') continue;
    cairo_save(cr);
    cairo_rectangle(cr, double(i * w), 0, w, h);
    cairo_clip(cr);
    TextStyle st;
    st.family = "DejaVu Sans Mono";
    st.bold = true;
    st.colour = kGlyph;
    st.align = 0.5;
    if (const Accent* acc = FindAccent(ch)) {
      DrawAccented(cr, *acc, double(i * w) + 3.5);
    } else {
      st.size = 10;
      Text(cr, Utf8(ch), double(i * w) + 3.5, -1.5, st);
    }
    cairo_restore(cr);
  }
  return c.ToIndexed();
}

// Draws text with the desk font the way the program does (for previews).
void FontText(Indexed& target, int x, int y, const std::string& text) {
  static const auto map = desk::FontMap();
  const Indexed& font = gImages.at("font1.bmp");
  for (char raw : text) {
    unsigned char ch = static_cast<unsigned char>(raw);
    if (ch >= 'a' && ch <= 'z') ch = static_cast<unsigned char>(ch - 32);
    for (size_t i = 0; i < map.size(); ++i)
      if (map[i] == ch) {
        target.BlitRect(font, int(i) * desk::kGlyphW, 0, desk::kGlyphW, desk::kGlyphH, x, y);
        break;
      }
    x += desk::kGlyphW;
  }
}

// ---- strip widgets ----
Indexed DrawSelector(int channel) {
  const int ox = StripX(0) + 66, oy = StripY(0) + 31;
  Indexed out(90, 36);
  for (int pos = 0; pos < 3; ++pos) {
    Canvas c(30, 36);
    Backdrop(c, ox, oy);
    cairo_t* cr = c.cr();
    const double cx = kKnobX - 66, cy = kKnobY - 31;
    // Position lamps around the knob.
    for (int p = 0; p < 3; ++p) {
      double lx = cx + std::cos(kPosAngle[p]) * 14.2, ly = cy + std::sin(kPosAngle[p]) * 14.2;
      cairo_arc(cr, lx, ly, 1.9, 0, 2 * M_PI);
      SetColour(cr, p == pos ? kAmber : Hex(0x3a2a14));
      cairo_fill(cr);
      if (p == pos) {
        cairo_arc(cr, lx, ly, 3.2, 0, 2 * M_PI);
        SetColour(cr, Hex(0xffa726, 0.25));
        cairo_fill(cr);
      }
    }
    // Shadow, knurled skirt and cap.
    cairo_arc(cr, cx + 0.8, cy + 1.2, 12, 0, 2 * M_PI);
    SetColour(cr, Hex(0x000000, 0.55));
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, 11.5, 0, 2 * M_PI);
    SetColour(cr, Hex(0x1b1d21));
    cairo_fill(cr);
    for (int k = 0; k < 24; ++k) {
      double a = k * 2 * M_PI / 24;
      cairo_move_to(cr, cx + std::cos(a) * 9.5, cy + std::sin(a) * 9.5);
      cairo_line_to(cr, cx + std::cos(a) * 11.3, cy + std::sin(a) * 11.3);
    }
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x52575f));
    cairo_stroke(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(cx - 3, cy - 4, 1, cx, cy, 9.5);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.86, 0.88, 0.91);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.42, 0.45, 0.5);
    cairo_arc(cr, cx, cy, 9, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    // Pointer.
    double a = kPosAngle[pos];
    cairo_move_to(cr, cx + std::cos(a) * 6.5, cy + std::sin(a) * 6.5);
    cairo_line_to(cr, cx + std::cos(a) * 11.5, cy + std::sin(a) * 11.5);
    cairo_set_line_width(cr, 2.2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, Hex(0xfff3e0));
    cairo_stroke(cr);
    // Channel number on the cap.
    char num[4];
    std::snprintf(num, sizeof num, "%d", channel);
    TextStyle st = Label(channel >= 10 ? 8.5 : 9.5, Hex(0x15171a));
    st.condensed = channel >= 10;
    st.align = 0.5;
    Text(cr, num, cx, cy - (channel >= 10 ? 5.6 : 6.2), st);
    out.Blit(c.ToIndexed(), pos * 30, 0);
  }
  return out;
}

Indexed DrawSymbols() {
  const int ox = StripX(0) + 22, oy = StripY(0) + 70;
  Indexed out(75, 8);
  for (int s = 0; s < 3; ++s) {
    Canvas c(25, 8);
    Backdrop(c, ox, oy);
    cairo_t* cr = c.cr();
    SetColour(cr, kAmber);
    cairo_set_line_width(cr, 1);
    if (s == 0) {  // quantize: a grid of ticks on a line
      for (int i = 0; i < 5; ++i) {
        double x = 4.5 + i * 4;
        cairo_move_to(cr, x, i % 2 ? 3 : 1);
        cairo_line_to(cr, x, 7);
      }
      cairo_move_to(cr, 3, 6.5);
      cairo_line_to(cr, 22, 6.5);
      cairo_stroke(cr);
    } else if (s == 1) {  // delay: an arrow to a bar
      cairo_move_to(cr, 3, 4.5);
      cairo_line_to(cr, 17, 4.5);
      cairo_stroke(cr);
      cairo_move_to(cr, 19, 4.5);
      cairo_line_to(cr, 14.5, 1.5);
      cairo_line_to(cr, 14.5, 7.5);
      cairo_close_path(cr);
      cairo_fill(cr);
      cairo_move_to(cr, 21.5, 1);
      cairo_line_to(cr, 21.5, 8);
      cairo_stroke(cr);
    } else {  // length: a span between two bars
      cairo_move_to(cr, 3.5, 1);
      cairo_line_to(cr, 3.5, 8);
      cairo_move_to(cr, 21.5, 1);
      cairo_line_to(cr, 21.5, 8);
      cairo_move_to(cr, 6, 4.5);
      cairo_line_to(cr, 19, 4.5);
      cairo_stroke(cr);
      for (int d : {-1, 1}) {
        double tip = d < 0 ? 5 : 20;
        cairo_move_to(cr, tip, 4.5);
        cairo_line_to(cr, tip - d * 3.5, 2);
        cairo_line_to(cr, tip - d * 3.5, 7);
        cairo_close_path(cr);
        cairo_fill(cr);
      }
    }
    out.Blit(c.ToIndexed(), s * 25, 0);
  }
  return out;
}

Indexed DrawSpinValues(const std::vector<std::string>& values) {
  Indexed out(25 * 9, 11);
  for (int i = 0; i < 9; ++i) {
    Canvas c(25, 11);
    cairo_t* cr = c.cr();
    cairo_rectangle(cr, 0, 0, 25, 11);
    SetColour(cr, kDisplayBg);
    cairo_fill(cr);
    TextStyle st = Label(9, kGlyph);
    st.align = 0.5;
    Text(cr, values[size_t(i)], 12.5, -0.5, st);
    out.Blit(c.ToIndexed(), i * 25, 0);
  }
  return out;
}

// A small raised button, keyed; pressed draws it sunk with a lit face.
void SmallButton(cairo_t* cr, double x, double y, double w, double h, double r, bool pressed) {
  RoundRect(cr, x, y, w, h, r);
  SetColour(cr, Hex(0x08090a));
  cairo_fill(cr);
  RoundRect(cr, x + 1, y + 1, w - 2, h - 2, r - 1);
  if (pressed)
    FillVertical(cr, y, y + h, Hex(0x202327), Hex(0x3a3e44));
  else
    FillVertical(cr, y, y + h, Hex(0x8d939b), Hex(0x3b3f45));
  RoundRect(cr, x + 2, y + 2, w - 4, h - 4, std::max(0.0, r - 2));
  if (pressed)
    FillVertical(cr, y, y + h, Hex(0x272a2f), Hex(0x33373c));
  else
    FillVertical(cr, y, y + h, Hex(0x6a7078), Hex(0x474b52));
}

Indexed DrawSpinButton(bool right) {
  const int ox = StripX(0) + (right ? 47 : 7), oy = StripY(0) + 73;
  Indexed out(28, 16);
  for (int f = 0; f < 2; ++f) {
    Canvas c(14, 16);
    cairo_t* cr = c.cr();
    SmallButton(cr, 0.5, 0.5, 13, 15, 3, f == 1);
    double cx = 7 + (f ? 0.5 : 0), cy = 8 + (f ? 0.5 : 0), d = right ? 1 : -1;
    cairo_move_to(cr, cx + d * 3, cy);
    cairo_line_to(cr, cx - d * 2.5, cy - 4);
    cairo_line_to(cr, cx - d * 2.5, cy + 4);
    cairo_close_path(cr);
    SetColour(cr, f ? kAmber : Hex(0xe8ebef));
    cairo_fill(cr);
    out.Blit(c.ToIndexedKeyed(&gMain, ox, oy), f * 14, 0);
  }
  return out;
}

// The strip's play light: a slim bar above the volume fan, so that redrawing
// the fan never covers it.
Indexed DrawLeds() {
  const int ox = StripX(0) + 35, oy = StripY(0) + 101;
  const Colour colours[5] = {Hex(0x2a1d1d), kGreen, kBlue, kAmber, kRed};
  Indexed out(80, 4);
  for (int f = 0; f < 5; ++f) {
    Canvas c(16, 4);
    cairo_t* cr = c.cr();
    RoundRect(cr, 0, 0, 16, 4, 2);
    SetColour(cr, Hex(0x08090a));
    cairo_fill(cr);
    Colour col = colours[f];
    RoundRect(cr, 1, 0.5, 14, 3, 1.5);
    if (f == 0)
      FillVertical(cr, 0, 4, Hex(0x3a3434), Hex(0x1a1616));
    else
      FillVertical(cr, 0, 4, Mix(col, Hex(0xffffff), 0.55), Mix(col, Hex(0), 0.2));
    out.Blit(c.ToIndexedKeyed(&gMain, ox, oy), f * 16, 0);
  }
  return out;
}

// Volume fan: eleven bars growing to the right; height of bar i.
double BarTop(int i) {
  return 71.0 - (10.0 + i * 5.8);
}

Indexed DrawVolume(Indexed& mask) {
  Indexed out(154, 74);
  for (int lit = 0; lit < 2; ++lit) {
    Canvas c(77, 74);
    cairo_t* cr = c.cr();
    cairo_rectangle(cr, 0, 0, 77, 74);
    SetColour(cr, kWell);
    cairo_fill(cr);
    // Faint scale line under the bars.
    cairo_rectangle(cr, 1, 72, 75, 1);
    SetColour(cr, Hex(0x3a3f46));
    cairo_fill(cr);
    for (int i = 0; i < 11; ++i) {
      double x = i * 7 + 1, top = BarTop(i);
      Colour col = i < 8 ? kGreen : (i < 10 ? kAmber : kRed);
      cairo_rectangle(cr, x, top, 5, 71 - top);
      if (lit) {
        FillVertical(cr, top, 71, Mix(col, Hex(0xffffff), 0.3), Mix(col, Hex(0), 0.35));
      } else {
        SetColour(cr, Mix(col, Hex(0x15181b), 0.76));
        cairo_fill(cr);
      }
      if (lit) {
        cairo_rectangle(cr, x, top, 5, 1);
        SetColour(cr, Hex(0xffffff, 0.5));
        cairo_fill(cr);
      }
    }
    out.Blit(c.ToIndexed(), lit * 77, 0);
  }
  mask = Indexed(77, 74, kBlackIndex);
  for (int x = 0; x < 77; ++x) {
    int i = std::min(10, x / 7);
    int top = int(std::floor(BarTop(i))) - 2;
    for (int y = std::max(0, top); y < 74; ++y) mask.at(x, y) = kMaskGreenIndex;
  }
  return out;
}

Indexed DrawBalance() {
  const int ox = StripX(0) + 10, oy = StripY(0) + 181;
  Indexed out(154, 18);
  {
    Canvas c(77, 18);
    cairo_t* cr = c.cr();
    for (int k = 0; k < 11; ++k) {
      double x = k * 7 + 3.5;
      cairo_move_to(cr, x, k == 5 ? 1 : (k % 5 == 0 ? 2 : 4));
      cairo_line_to(cr, x, 6);
      cairo_move_to(cr, x, 12);
      cairo_line_to(cr, x, k == 5 ? 17 : (k % 5 == 0 ? 16 : 14));
    }
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0xc9ced6));
    cairo_stroke(cr);
    RoundRect(cr, 2, 7, 73, 4, 2);
    SetColour(cr, Hex(0x050607));
    cairo_fill(cr);
    out.Blit(c.ToIndexedKeyed(&gMain, ox, oy), 0, 0);
  }
  Canvas c(77, 18);
  cairo_t* cr = c.cr();
  for (int k = 0; k < 11; ++k) {
    double x = k * 7;
    RoundRect(cr, x + 0.5, 0.5, 6, 17, 1.5);
    SetColour(cr, Hex(0x08090a));
    cairo_fill(cr);
    RoundRect(cr, x + 1, 1, 5, 16, 1);
    FillVertical(cr, 1, 17, Hex(0xe4e7eb), Hex(0x6a7078));
    cairo_rectangle(cr, x + 1, 8, 5, 2);
    SetColour(cr, Hex(0xff8a1a));
    cairo_fill(cr);
  }
  // Knobs are laid over the scale's groove: use the scale as their backdrop.
  Indexed under = gMain.Crop(ox, oy, 77, 18);
  under.Blit(out.Crop(0, 0, 77, 18), 0, 0, true);
  out.Blit(c.ToIndexedKeyed(&under, 0, 0), 77, 0);
  return out;
}

Indexed DrawArrow(int w, int h, int screenX, int screenY, bool up) {
  Indexed out(w * 2, h);
  for (int f = 0; f < 2; ++f) {
    Canvas c(w, h);
    Backdrop(c, screenX, screenY);
    cairo_t* cr = c.cr();
    SmallButton(cr, 0.5, 0.5, w - 1, h - 1, 2.5, f == 1);
    double cx = w / 2.0 + (f ? 0.5 : 0), cy = h / 2.0 + (f ? 0.5 : 0), d = up ? -1 : 1;
    cairo_move_to(cr, cx - 4, cy - d * 2);
    cairo_line_to(cr, cx + 4, cy - d * 2);
    cairo_line_to(cr, cx, cy + d * 2.5);
    cairo_close_path(cr);
    SetColour(cr, f ? kAmber : Hex(0xe8ebef));
    cairo_fill(cr);
    out.Blit(c.ToIndexed(), f * w, 0);
  }
  return out;
}

Indexed DrawMenu(int w, int h, int ox, int oy, int iw, int ih, const char* const* items, int n,
                 double fontSize) {
  Indexed out(w * 2, h);
  for (int hi = 0; hi < 2; ++hi) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 3);
    SetColour(cr, Hex(0x050607));
    cairo_fill(cr);
    RoundRect(cr, 1, 1, w - 2, h - 2, 2.5);
    FillVertical(cr, 0, h, Hex(0x3a3f46), Hex(0x2a2e33));
    for (int i = 0; i < n; ++i) {
      double y = oy + i * ih;
      if (hi) {
        cairo_rectangle(cr, ox, y, iw, ih);
        FillVertical(cr, y, y + ih, Hex(0x46b4ff), Hex(0x1f6fc0));
      } else if (i > 0) {
        cairo_rectangle(cr, ox + 2, y, iw - 4, 1);
        SetColour(cr, Hex(0x000000, 0.35));
        cairo_fill(cr);
      }
      TextStyle st = Label(fontSize, hi ? Hex(0xffffff) : Hex(0xdfe3e8));
      Text(cr, items[i], ox + 4, y + (ih - fontSize * 1.25) / 2, st);
    }
    out.Blit(c.ToIndexedKeyed(), hi * w, 0);
  }
  return out;
}

// ---- control-section widgets ----
Indexed DrawSystemButton(const char* label, int screenY, bool toggle) {
  Indexed out(120, 28);
  for (int f = 0; f < 2; ++f) {
    Canvas c(60, 28);
    cairo_t* cr = c.cr();
    SmallButton(cr, 0.5, 0.5, 59, 27, 5, f == 1);
    TextStyle st = Label(9, f ? (toggle ? kAmber : Hex(0xffffff)) : Hex(0xf0f2f5));
    st.align = 0.5;
    Text(cr, label, 30 + f * 0.5, 7.5 + f * 0.5, st);
    if (toggle) {
      cairo_arc(cr, 8, 14, 2.2, 0, 2 * M_PI);
      SetColour(cr, f ? kAmber : Hex(0x3a2a14));
      cairo_fill(cr);
    }
    out.Blit(c.ToIndexedKeyed(&gMain, 69, screenY), f * 60, 0);
  }
  return out;
}

Indexed DrawRepel() {
  Indexed out(140, 200);
  for (int f = 0; f < 10; ++f) {
    Canvas c(140, 20);
    Backdrop(c, 218, 526);
    cairo_t* cr = c.cr();
    auto lamp = [&](double x, double w, const char* text, Colour col, bool on) {
      RoundRect(cr, x, 3, w, 14, 3);
      if (on)
        FillVertical(cr, 3, 17, Mix(col, Hex(0xffffff), 0.25), Mix(col, Hex(0), 0.3));
      else
        FillVertical(cr, 3, 17, Mix(col, Hex(0x15171a), 0.8), Mix(col, Hex(0x0c0d0f), 0.88));
      TextStyle st = Label(8, on ? Hex(0xffffff) : Mix(col, Hex(0x15171a), 0.55));
      st.align = 0.5;
      Text(cr, text, x + w / 2, 4, st);
    };
    lamp(2, 31, "REC", kRed, f == 0);
    lamp(88, 50, "PLAY", kGreen, f == 9);
    // Lever slot and the lever on its way.
    RoundRect(cr, 38, 8, 44, 4, 2);
    SetColour(cr, Hex(0x030304));
    cairo_fill(cr);
    double lx = 38 + f * (44 - 9) / 9.0;
    RoundRect(cr, lx, 2, 9, 16, 2);
    SetColour(cr, Hex(0x060708));
    cairo_fill(cr);
    RoundRect(cr, lx + 0.5, 2.5, 8, 15, 1.5);
    FillVertical(cr, 2, 18, Hex(0xf0f2f5), Hex(0x70767e));
    cairo_rectangle(cr, lx + 1.5, 9, 6, 2);
    SetColour(cr, Hex(0x30343a));
    cairo_fill(cr);
    out.Blit(c.ToIndexed(), 0, f * 20);
  }
  return out;
}

Indexed DrawTransportButton(int kind, int screenX) {  // 0 rec, 1 stop, 2 play
  Indexed out(104, 30);
  for (int f = 0; f < 2; ++f) {
    Canvas c(52, 30);
    cairo_t* cr = c.cr();
    SmallButton(cr, 0.5, 0.5, 51, 29, 5, f == 1);
    double cx = 26 + f * 0.5, cy = 15 + f * 0.5;
    if (kind == 0) {
      cairo_arc(cr, cx, cy, 6.5, 0, 2 * M_PI);
      SetColour(cr, f ? Hex(0xff4a3a) : Hex(0xb0281e));
      cairo_fill(cr);
      if (f) {
        cairo_arc(cr, cx, cy, 9.5, 0, 2 * M_PI);
        SetColour(cr, Hex(0xff4a3a, 0.25));
        cairo_fill(cr);
      }
    } else if (kind == 1) {
      cairo_rectangle(cr, cx - 5.5, cy - 5.5, 11, 11);
      SetColour(cr, f ? Hex(0xffffff) : Hex(0xd6dae0));
      cairo_fill(cr);
    } else {
      cairo_move_to(cr, cx - 5, cy - 7);
      cairo_line_to(cr, cx + 7, cy);
      cairo_line_to(cr, cx - 5, cy + 7);
      cairo_close_path(cr);
      SetColour(cr, f ? Hex(0x6bff7d) : Hex(0x2f9c3c));
      cairo_fill(cr);
    }
    out.Blit(c.ToIndexedKeyed(&gMain, screenX, 550), f * 52, 0);
  }
  return out;
}

Indexed DrawPitch() {
  Indexed out(64 * 11, 16);
  for (int f = 0; f < 11; ++f) {
    Canvas c(64, 16);
    Backdrop(c, 456, 532);
    cairo_t* cr = c.cr();
    for (int k = 0; k <= 10; ++k) {
      double x = 3.5 + k * 6;
      cairo_move_to(cr, x, k == 5 ? 0 : 2);
      cairo_line_to(cr, x, k == 5 ? 16 : 4);
    }
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0xc9ced6));
    cairo_stroke(cr);
    RoundRect(cr, 3, 6.5, 61, 3, 1.5);
    SetColour(cr, Hex(0x040405));
    cairo_fill(cr);
    double x = 1 + f * 6;
    RoundRect(cr, x, 1, 6, 14, 1.5);
    SetColour(cr, Hex(0x08090a));
    cairo_fill(cr);
    RoundRect(cr, x + 0.5, 1.5, 5, 13, 1);
    FillVertical(cr, 1, 15, Hex(0xe4e7eb), Hex(0x6a7078));
    cairo_rectangle(cr, x + 0.5, 7, 5, 2);
    SetColour(cr, f == 5 ? Hex(0x7fd0ff) : kAmber);
    cairo_fill(cr);
    out.Blit(c.ToIndexed(), f * 64, 0);
  }
  return out;
}

Indexed DrawFormatLamp(const char* a, const char* b, int screenX, int screenY) {
  Indexed out(84, 12);
  for (int f = 0; f < 2; ++f) {
    Canvas c(42, 12);
    Backdrop(c, screenX, screenY);
    cairo_t* cr = c.cr();
    for (int half = 0; half < 2; ++half) {
      bool on = half == f;
      double x = half * 21 + 0.5;
      RoundRect(cr, x, 0.5, 20, 11, 2);
      if (on)
        FillVertical(cr, 0, 12, Hex(0xffc46b), Hex(0xc06a00));
      else
        FillVertical(cr, 0, 12, Hex(0x2a241c), Hex(0x1a1612));
      const char* text = half ? b : a;
      TextStyle st =
          Label(std::string(text).size() > 3 ? 6.2 : 7.5, on ? Hex(0x1a1000) : Hex(0x6a5a44));
      st.align = 0.5;
      Text(cr, text, x + 10, std::string(text).size() > 3 ? 1.8 : 1, st);
    }
    out.Blit(c.ToIndexed(), f * 42, 0);
  }
  return out;
}

Indexed DrawBeat() {
  Indexed out(56 * 33, 40);
  for (int f = 0; f < 33; ++f) {
    Canvas c(56, 40);
    Backdrop(c, 579, 549);
    cairo_t* cr = c.cr();
    for (int beat = 0; beat < 32; ++beat) {
      int col = beat % 8, row = beat / 8;
      double x = 2 + col * 7, y = 3 + row * 9;
      bool down = beat % 4 == 0;
      bool on = f == beat + 1;
      bool passed = f > 0 && beat + 1 < f && (beat / 4) == ((f - 1) / 4);
      RoundRect(cr, x, y, 5, 6, 1);
      if (on)
        SetColour(cr, down ? kAmber : kGreen);
      else if (passed)
        SetColour(cr, down ? Hex(0x6a4510) : Hex(0x1f6a2a));
      else
        SetColour(cr, down ? Hex(0x3a2c1a) : Hex(0x1c2a20));
      cairo_fill(cr);
    }
    out.Blit(c.ToIndexed(), f * 56, 0);
  }
  return out;
}

// Ctrl and Tab lamps: slim bars like the strips' play lights.
Indexed DrawDot() {
  Indexed out(20, 3);
  for (int f = 0; f < 2; ++f) {
    Canvas c(10, 3);
    Backdrop(c, 640, 500);
    cairo_t* cr = c.cr();
    RoundRect(cr, 0.5, 0, 9, 3, 1.5);
    if (f) {
      FillVertical(cr, 0, 3, Hex(0xffd08a), Hex(0xc06a00));
    } else {
      SetColour(cr, Hex(0x3a2a14));
      cairo_fill(cr);
    }
    out.Blit(c.ToIndexed(), f * 10, 0);
  }
  return out;
}

Indexed DrawVu() {
  Indexed out(100, 96);
  for (int f = 0; f < 10; ++f) {
    Canvas c(10, 96);
    cairo_t* cr = c.cr();
    cairo_rectangle(cr, 0, 0, 10, 96);
    SetColour(cr, kWell);
    cairo_fill(cr);
    for (int s = 0; s < 9; ++s) {
      double y = 96 - (s + 1) * 10.5;
      Colour col = s < 6 ? kGreen : (s < 8 ? kAmber : kRed);
      bool on = s < f;
      cairo_rectangle(cr, 1, y + 1, 8, 8.5);
      if (on) {
        FillVertical(cr, y, y + 9, Mix(col, Hex(0xffffff), 0.25), col);
      } else {
        SetColour(cr, Mix(col, Hex(0x121416), 0.85));
        cairo_fill(cr);
      }
    }
    out.Blit(c.ToIndexed(), f * 10, 0);
  }
  return out;
}

// Speaker cabinet; frame f pushes the cone further out.
Indexed DrawSpeaker(const Indexed* under, int bx, int by) {
  Indexed out(104 * 3, 124);
  for (int f = 0; f < 3; ++f) {
    Canvas c(104, 124);
    cairo_t* cr = c.cr();
    RoundRect(cr, 1, 1, 102, 122, 8);
    SetColour(cr, Hex(0x060708));
    cairo_fill(cr);
    RoundRect(cr, 3, 3, 98, 118, 6);
    FillVertical(cr, 3, 121, Hex(0x2e3238), Hex(0x1c1f23));
    auto cone = [&](double cx, double cy, double r, double push) {
      cairo_arc(cr, cx, cy, r + 3, 0, 2 * M_PI);
      SetColour(cr, Hex(0x0b0c0d));
      cairo_fill(cr);
      cairo_arc(cr, cx, cy, r + 1.5, 0, 2 * M_PI);
      SetColour(cr, Hex(0x5a6068));
      cairo_set_line_width(cr, 1.5);
      cairo_stroke(cr);
      cairo_pattern_t* g =
          cairo_pattern_create_radial(cx, cy - push, r * 0.15, cx, cy, r * (1 + push * 0.05));
      cairo_pattern_add_color_stop_rgb(g, 0, 0.42 + push * 0.06, 0.45 + push * 0.06, 0.5);
      cairo_pattern_add_color_stop_rgb(g, 0.5, 0.13, 0.14, 0.16);
      cairo_pattern_add_color_stop_rgb(g, 1, 0.2 + push * 0.04, 0.21, 0.24);
      cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
      cairo_set_source(cr, g);
      cairo_fill(cr);
      cairo_pattern_destroy(g);
      cairo_arc(cr, cx, cy, r * (0.28 + push * 0.04), 0, 2 * M_PI);
      SetColour(cr, Mix(Hex(0x2a2e34), kCyan, push * 0.3));
      cairo_fill(cr);
    };
    cone(52, 30, 12, f);
    cone(52, 80, 30 + f * 1.2, f);
    out.Blit(c.ToIndexedKeyed(under, bx, by), f * 104, 0);
  }
  return out;
}

// ---- message box ----
Indexed DrawMessageBox() {
  Canvas c(290, 94);
  cairo_t* cr = c.cr();
  RoundRect(cr, 0.5, 0.5, 289, 93, 6);
  SetColour(cr, Hex(0x050607));
  cairo_fill(cr);
  RoundRect(cr, 1.5, 1.5, 287, 91, 5);
  FillVertical(cr, 0, 94, Hex(0x8d939b), Hex(0x2a2d32));
  RoundRect(cr, 2.5, 2.5, 285, 89, 4);
  FillBrushed(cr, 0, 0, 290, 94, Hex(0x4c5158), Hex(0x383c42), 0.03, 41);
  cairo_rectangle(cr, 3, 3, 284, 10);
  FillVertical(cr, 3, 13, Hex(0xe09a2a), Hex(0xa05a10));
  TextStyle st = Label(7.5, Hex(0x1a1000));
  Text(cr, "BREVORA", 8, 3, st);
  for (int i = 0; i < 3; ++i) {
    Window(cr, 10, 19 + i * 24, 158, 14, kDisplayBg, 2);
    Window(cr, 226, 14 + i * 24, 50, 22, Hex(0x1b1e22), 4);
    cairo_move_to(cr, 172, 26 + i * 24);
    cairo_line_to(cr, 222, 26 + i * 24);
    cairo_set_line_width(cr, 1);
    SetColour(cr, Hex(0x000000, 0.4));
    cairo_stroke(cr);
  }
  return c.ToIndexed();
}

Indexed DrawMessageButton(int n) {
  Indexed out(96, 20);
  for (int f = 0; f < 2; ++f) {
    Canvas c(48, 20);
    cairo_t* cr = c.cr();
    SmallButton(cr, 0.5, 0.5, 47, 19, 4, f == 1);
    double cx = 24 + f * 0.5, cy = 10 + f * 0.5;
    cairo_move_to(cr, cx - 9, cy);
    cairo_line_to(cr, cx - 2, cy - 4.5);
    cairo_line_to(cr, cx - 2, cy + 4.5);
    cairo_close_path(cr);
    SetColour(cr, f ? kAmber : Hex(0xe8ebef));
    cairo_fill(cr);
    char num[4];
    std::snprintf(num, sizeof num, "%d", n);
    TextStyle st = Label(9, f ? kAmber : Hex(0xe8ebef));
    Text(cr, num, cx + 3, cy - 6, st);
    out.Blit(c.ToIndexedKeyed(nullptr), f * 48, 0);
  }
  return out;
}

// The file chooser's font: every code page 1252 character in a cell of its
// own, lower case included, in three styles (display text, folder text, and
// the inverted selection), then the placeholder for characters it lacks.

Indexed DrawDialogFont() {
  namespace dl = dialog_layout;
  const int w = dl::kCellW, h = dl::kCellH;
  const Colour fg[dl::kStyles] = {kGlyph, kAmber, kDisplayBg};
  const Colour bg[dl::kStyles] = {kDisplayBg, kDisplayBg, kGlyph};
  Canvas c(w * dl::kGlyphs, h * dl::kStyles);
  cairo_t* cr = c.cr();
  for (int s = 0; s < dl::kStyles; ++s) {
    cairo_rectangle(cr, 0, s * h, c.width(), h);
    SetColour(cr, bg[s]);
    cairo_fill(cr);
    for (int g = 0; g < dl::kGlyphs; ++g) {
      const double x = g * w, y = s * h;
      const unsigned char code = static_cast<unsigned char>(g + dl::kFirstCode);
      const char32_t u = g == dl::kPlaceholderGlyph ? 0 : platform::Cp1252ToUnicode(code);
      if (u == 0x20 || u == 0xA0) continue;
      cairo_save(cr);
      cairo_rectangle(cr, x, y, w, h);
      cairo_clip(cr);
      if (!dl::IsPrintable(u)) {  // the placeholder: an empty box
        cairo_rectangle(cr, x + 1.5, y + 2.5, 3, 8);
        cairo_set_line_width(cr, 1);
        SetColour(cr, fg[s]);
        cairo_stroke(cr);
      } else if (u == 0x2014) {  // the em dash spans the whole cell, longer than the en dash
        cairo_rectangle(cr, x, y + 6, w, 1);
        SetColour(cr, fg[s]);
        cairo_fill(cr);
      } else {
        TextStyle st;
        st.family = "DejaVu Sans Mono";
        st.bold = false;
        st.size = 10;
        st.colour = fg[s];
        st.align = 0.5;
        // The underscore would fall below the cell: it sits one row higher.
        Text(cr, Utf8Of(u == 0xAD ? U'-' : u), x + w / 2.0, y + (u == U'_' ? -1.5 : 0.5), st);
      }
      cairo_restore(cr);
    }
  }
  return c.ToIndexed();
}

// The chooser's scroll bar pieces and its caret, one frame each.
Indexed DrawDialogParts() {
  namespace dl = dialog_layout;
  const int w = dl::kPartW, h = dl::kPartH;
  Canvas c(w * dl::kParts, h);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 0, 0, c.width(), h);
  SetColour(cr, Hex(0x111417));
  cairo_fill(cr);
  auto arrow = [&](int frame, bool up, bool pressed) {
    const double x = frame * w;
    SmallButton(cr, x + 0.5, 0.5, w - 1, h - 1, 3, pressed);
    const double cx = x + w / 2.0 + (pressed ? 0.5 : 0), cy = h / 2.0 + (pressed ? 0.5 : 0);
    const double d = up ? -1 : 1;
    cairo_move_to(cr, cx - 3.5, cy - 1.5 * d);
    cairo_line_to(cr, cx + 3.5, cy - 1.5 * d);
    cairo_line_to(cr, cx, cy + 2.5 * d);
    cairo_close_path(cr);
    SetColour(cr, pressed ? kAmber : Hex(0xe8ebef));
    cairo_fill(cr);
  };
  arrow(dl::kArrowUp, true, false);
  arrow(dl::kArrowUpPressed, true, true);
  arrow(dl::kArrowDown, false, false);
  arrow(dl::kArrowDownPressed, false, true);
  // The track and the thumb's middle repeat row by row, so they are the same
  // in every row; the thumb's caps round it off.
  auto columns = [&](int frame, double inset, Colour left, Colour mid, Colour right) {
    const double x = frame * w;
    cairo_rectangle(cr, x + inset, 0, w - 2 * inset, h);
    cairo_pattern_t* g = cairo_pattern_create_linear(x + inset, 0, x + w - inset, 0);
    cairo_pattern_add_color_stop_rgb(g, 0, left.r, left.g, left.b);
    cairo_pattern_add_color_stop_rgb(g, 0.45, mid.r, mid.g, mid.b);
    cairo_pattern_add_color_stop_rgb(g, 1, right.r, right.g, right.b);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
  };
  columns(dl::kTrack, 0, Hex(0x08090b), Hex(0x15181c), Hex(0x1d2024));
  const Colour tl = Hex(0x5d636b), tm = Hex(0x8d939b), tr = Hex(0x3b3f45);
  for (int f : {int(dl::kThumbTop), int(dl::kThumbMiddle), int(dl::kThumbBottom)}) {
    columns(f, 0, Hex(0x08090b), Hex(0x15181c), Hex(0x1d2024));
    columns(f, 1, tl, tm, tr);
  }
  for (auto [f, top] : {std::pair{int(dl::kThumbTop), true}, {int(dl::kThumbBottom), false}}) {
    // Round the cap: the track shows at its two outer corners.
    const double x = f * w;
    cairo_rectangle(cr, x, top ? 0 : h - 2, w, 2);
    SetColour(cr, Hex(0x15181c));
    cairo_fill(cr);
    RoundRect(cr, x + 1, top ? 1 : -4, w - 2, h + 3, 3);
    cairo_clip(cr);
    columns(f, 1, tl, tm, tr);
    cairo_reset_clip(cr);
  }
  cairo_rectangle(cr, dl::kCaret * w, 0, w, h);
  SetColour(cr, Hex(0xf4fffd));
  cairo_fill(cr);
  return c.ToIndexed();
}

// ---- panels ----
// The door: a brushed plate with a frame and rivets and a title bar.
void DoorBase(cairo_t* cr, const std::string& title, uint32_t seed) {
  const int w = desk::kPanelW, h = desk::kPanelH;
  cairo_rectangle(cr, 0, 0, w, h);
  SetColour(cr, Hex(0x070809));
  cairo_fill(cr);
  RoundRect(cr, 1, 1, w - 2, h - 2, 8);
  FillVertical(cr, 0, h, Hex(0x8f959d), Hex(0x2a2d32));
  RoundRect(cr, 3, 3, w - 6, h - 6, 7);
  FillBrushed(cr, 0, 0, w, h, Hex(0x555a62), Hex(0x3a3e44), 0.035, seed);
  // Horizontal shutter slats.
  for (int y = 60; y < h - 30; y += 56) {
    cairo_rectangle(cr, 6, y, w - 12, 1);
    SetColour(cr, Hex(0x000000, 0.28));
    cairo_fill(cr);
    cairo_rectangle(cr, 6, y + 1, w - 12, 1);
    SetColour(cr, Hex(0xffffff, 0.10));
    cairo_fill(cr);
  }
  for (double x : {14.0, w - 14.0})
    for (double y : {14.0, h - 14.0}) Screw(cr, x, y, 4, x * 0.01 + y * 0.02);
  // Title plate.
  Window(cr, 40, 18, w - 80, 30, Hex(0x15181c), 4);
  TextStyle st = Label(18, Hex(0xf2f4f7));
  st.condensed = false;
  st.spacing = 2;
  Text(cr, title, 56, 21, st);
  cairo_save(cr);
  Logo(cr, w - 170, 22, 17, true);
  cairo_restore(cr);
}

void PanelText(cairo_t* cr, const std::string& text, double x, double y, double size, Colour c,
               double align = 0) {
  TextStyle st = Label(size, Hex(0x000000, 0.7));
  st.align = align;
  Text(cr, text, x + 1, y + 1, st);
  st.colour = c;
  Text(cr, text, x, y, st);
}

// A printed push button on a panel (the button image only draws the press).
void PrintedButton(cairo_t* cr, double x, double y, double w, double h, const std::string& label) {
  SmallButton(cr, x + 0.5, y + 0.5, w - 1, h - 1, 5, false);
  TextStyle st = Label(9.5, Hex(0xf4f6f8));
  st.align = 0.5;
  Text(cr, label, x + w / 2, y + (h - 12) / 2, st);
}

Indexed DrawPressRing(int w, int h) {
  Indexed out(w * 2, h, kKeyIndex);
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  RoundRect(cr, 0.5, 0.5, w - 1, h - 1, 5);
  cairo_set_line_width(cr, 1.6);
  SetColour(cr, Hex(0x000000));
  cairo_stroke(cr);
  RoundRect(cr, 2, 2, w - 4, h - 4, 4);
  cairo_set_line_width(cr, 1.6);
  SetColour(cr, kAmber);
  cairo_stroke(cr);
  out.Blit(c.ToIndexedKeyed(nullptr), w, 0);
  return out;
}

Indexed DrawSetupSwitch() {
  Indexed out(96, 24);
  for (int f = 0; f < 2; ++f) {
    Canvas c(48, 24);
    cairo_t* cr = c.cr();
    RoundRect(cr, 0.5, 3.5, 47, 17, 8.5);
    SetColour(cr, Hex(0x050607));
    cairo_fill(cr);
    RoundRect(cr, 1.5, 4.5, 45, 15, 7.5);
    if (f)
      FillVertical(cr, 4, 20, Hex(0x1f6fc0), Hex(0x46b4ff));
    else
      FillVertical(cr, 4, 20, Hex(0x15171a), Hex(0x2a2d32));
    double kx = f ? 34 : 14;
    cairo_arc(cr, kx + 0.8, 12.8, 10, 0, 2 * M_PI);
    SetColour(cr, Hex(0x000000, 0.5));
    cairo_fill(cr);
    cairo_pattern_t* g = cairo_pattern_create_radial(kx - 3, 8, 1, kx, 12, 10);
    cairo_pattern_add_color_stop_rgb(g, 0, 0.95, 0.96, 0.97);
    cairo_pattern_add_color_stop_rgb(g, 1, 0.45, 0.48, 0.53);
    cairo_arc(cr, kx, 12, 9.5, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    out.Blit(c.ToIndexedKeyed(nullptr), f * 48, 0);
  }
  return out;
}

Indexed DrawSetupButton(int w, int h, const char* label) {
  Indexed out(w * 2, h);
  for (int f = 0; f < 2; ++f) {
    Canvas c(w, h);
    cairo_t* cr = c.cr();
    double r = std::min(w, h) / 2.0 - 0.5;
    cairo_arc(cr, w / 2.0, h / 2.0, r, 0, 2 * M_PI);
    SetColour(cr, Hex(0x060708));
    cairo_fill(cr);
    cairo_pattern_t* g =
        cairo_pattern_create_radial(w / 2.0 - r * 0.3, h / 2.0 - r * 0.4, 1, w / 2.0, h / 2.0, r);
    if (f) {
      cairo_pattern_add_color_stop_rgb(g, 0, 0.32, 0.34, 0.37);
      cairo_pattern_add_color_stop_rgb(g, 1, 0.15, 0.16, 0.18);
    } else {
      cairo_pattern_add_color_stop_rgb(g, 0, 0.8, 0.82, 0.86);
      cairo_pattern_add_color_stop_rgb(g, 1, 0.3, 0.32, 0.36);
    }
    cairo_arc(cr, w / 2.0, h / 2.0, r - 1.2, 0, 2 * M_PI);
    cairo_set_source(cr, g);
    cairo_fill(cr);
    cairo_pattern_destroy(g);
    TextStyle st = Label(w > 30 ? 10 : 9.5, f ? kAmber : Hex(0x101214));
    st.align = 0.5;
    Text(cr, label, w / 2.0 + f * 0.5, h / 2.0 - 7 + f * 0.5, st);
    out.Blit(c.ToIndexedKeyed(nullptr), f * w, 0);
  }
  return out;
}

// Seven-segment digits for the tempo panel.
Indexed DrawDigits() {
  static const char* seg[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
  Indexed out(180, 30);
  for (int d = 0; d < 10; ++d) {
    Canvas c(18, 30);
    cairo_t* cr = c.cr();
    cairo_rectangle(cr, 0, 0, 18, 30);
    SetColour(cr, kDisplayBg);
    cairo_fill(cr);
    auto bar = [&](double x0, double y0, double x1, double y1, bool on) {
      cairo_move_to(cr, x0, y0);
      cairo_line_to(cr, x1, y1);
      cairo_set_line_width(cr, 2.6);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      SetColour(cr, on ? kGlyph : Hex(0x10282a));
      cairo_stroke(cr);
    };
    std::string s = seg[d];
    auto has = [&](char ch) { return s.find(ch) != std::string::npos; };
    const double l = 4.5, r = 13.5, t = 3.5, m = 15, b = 26.5;
    bar(l + 1.5, t, r - 1.5, t, has('a'));
    bar(r, t + 1.5, r - 0.5, m - 1.5, has('b'));
    bar(r - 0.5, m + 1.5, r - 1, b - 1.5, has('c'));
    bar(l + 0.5, b, r - 2.5, b, has('d'));
    bar(l, m + 1.5, l - 0.5, b - 1.5, has('e'));
    bar(l + 0.5, t + 1.5, l, m - 1.5, has('f'));
    bar(l + 1.5, m, r - 2, m, has('g'));
    out.Blit(c.ToIndexed(), d * 18, 0);
  }
  return out;
}

Indexed PanelToIndexed(Canvas& c) {
  return c.ToIndexed(true);
}

void FormatRows(cairo_t* cr, const char* const labels[3][3]) {
  // Rows at the switches: bits (208), rate (244), channels (280), panel coordinates.
  const int ys[3] = {208, 244, 280};
  Window(cr, 150, 190, 490, 124, Hex(0x23262b), 6);
  for (int i = 0; i < 3; ++i) {
    double y = ys[i];
    PanelText(cr, labels[i][0], 170, y + 4, 12, Hex(0xe4e8ee));
    PanelText(cr, labels[i][1], 360, y + 5, 11, Hex(0xaab2bd), 1.0);
    PanelText(cr, labels[i][2], 428, y + 5, 11, Hex(0xaab2bd));
  }
}

void OkCancel(cairo_t* cr) {
  PrintedButton(cr, 351, 336, 48, 24, "OK");
  PrintedButton(cr, 402, 336, 48, 24, "CANCEL");
}

Indexed DrawQualityPanel(bool exportPanel) {
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, exportPanel ? "EXPORT MIX" : "OUTPUT QUALITY", exportPanel ? 71 : 72);
  PanelText(cr,
            exportPanel ? "Choose the format of the wave file the mix is written to."
                        : "Choose the format the desk plays in.",
            150, 150, 12, Hex(0xdfe4ea));
  const char* labels[3][3] = {{"SAMPLE SIZE", "8 bit", "16 bit"},
                              {"SAMPLE RATE", "22 kHz", "44 kHz"},
                              {"CHANNELS", "Mono", "Stereo"}};
  FormatRows(cr, labels);
  OkCancel(cr);
  return PanelToIndexed(c);
}

Indexed DrawTempoPanel() {
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, "TEMPO", 73);
  PanelText(cr, "Set the beat of the desk: 90 to 180 beats per minute.", 150, 150, 12,
            Hex(0xdfe4ea));
  PanelText(cr, "A new tempo clears the desk and the recording.", 150, 168, 11, Hex(0xaab2bd));
  Window(cr, 280, 226, 230, 58, Hex(0x23262b), 8);
  Window(cr, 366, 238, 58, 34, kDisplayBg, 3);
  PanelText(cr, "BPM", 395, 290, 12, Hex(0xe4e8ee), 0.5);
  OkCancel(cr);
  return PanelToIndexed(c);
}

Indexed DrawPlayPanel() {
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, "PLAYBACK", 74);
  // Stage between the two speakers (drawn at (157,126) and (529,126) by the desk).
  Window(cr, 140, 110, 510, 160, Hex(0x15181c), 8);
  for (int x : {157, 529}) {
    RoundRect(cr, x, 126, 104, 124, 8);
    SetColour(cr, Hex(0x0c0d0f));
    cairo_fill(cr);
  }
  PanelText(cr, "PLAYING THE MIX", 395, 150, 16, Hex(0xf2f4f7), 0.5);
  PanelText(cr, "ENTER   start / stop", 395, 190, 12, Hex(0xcfd5dc), 0.5);
  PanelText(cr, "ESC   stop", 395, 210, 12, Hex(0xcfd5dc), 0.5);
  PanelText(cr, "Switch to RECORD below to play the desk yourself.", 395, 300, 12, Hex(0xaab2bd),
            0.5);
  return PanelToIndexed(c);
}

Indexed DrawClosingPanel() {
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, "SEE YOU SOON", 75);
  Logo(cr, 235, 120, 56, true);
  const char* thanks[6] = {"Thank you for mixing", "Bedankt voor het mixen", "Merci d'avoir mixé",
                           "Danke fürs Mixen",     "Grazie per aver mixato", "Gracias por mezclar"};
  for (int i = 0; i < 6; ++i)
    PanelText(cr, thanks[i], 395, 230 + i * 20, 13, Mix(Hex(0xe8ecf1), kCyan, i / 8.0), 0.5);
  PanelText(cr, "CLICK TO LEAVE", 395, 380, 12, kAmber, 0.5);
  return PanelToIndexed(c);
}

// The emblem of a door: a disc with a picture of what the door loads or saves.
enum class Emblem { kChannel, kSample, kEffect, kMix };

void DrawEmblem(cairo_t* cr, double cx, double cy, double r, Emblem icon, bool save) {
  cairo_arc(cr, cx, cy, r * 1.08, 0, 2 * M_PI);
  SetColour(cr, Hex(0x000000, 0.35));
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
  FillVertical(cr, cy - r, cy + r, Hex(0x2f3338), Hex(0x1d2024));
  const double k = r / 72.0;  // the pictures are drawn for a disc of radius 72
  cairo_set_line_width(cr, 5 * k);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  SetColour(cr, icon == Emblem::kEffect ? kAmber : (icon == Emblem::kMix ? Hex(0xb070ff) : kCyan));
  if (icon == Emblem::kChannel) {  // a strip with a fader
    RoundRect(cr, cx - 18 * k, cy - 45 * k, 36 * k, 90 * k, 6 * k);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, cy - 30 * k);
    cairo_line_to(cr, cx, cy + 30 * k);
    cairo_stroke(cr);
    cairo_rectangle(cr, cx - 12 * k, cy + 2 * k, 24 * k, 10 * k);
    cairo_fill(cr);
  } else if (icon == Emblem::kMix) {  // stacked lanes
    for (int i = 0; i < 4; ++i) {
      cairo_move_to(cr, cx + (-45 + (i % 2) * 12) * k, cy + (-30 + i * 20) * k);
      cairo_line_to(cr, cx + (45 - (i % 3) * 10) * k, cy + (-30 + i * 20) * k);
    }
    cairo_stroke(cr);
  } else {  // samples: a waveform
    for (int i = 0; i <= 60; ++i) {
      double x = cx + (-48 + i * 1.6) * k;
      double a = std::sin(i * 0.55) * 38 * std::exp(-i / 40.0) *
                 (icon == Emblem::kEffect ? (i % 7 < 3 ? 1 : 0.4) : 1) * k;
      if (i == 0)
        cairo_move_to(cr, x, cy - a);
      else
        cairo_line_to(cr, x, cy - a);
    }
    cairo_set_line_width(cr, 3 * k);
    cairo_stroke(cr);
  }
  if (save) {  // an arrow down into a tray at the lower right
    const double ax = cx + r * 0.62, ay = cy + r * 0.5, s = r * 0.3;
    cairo_arc(cr, ax, ay, s * 1.25, 0, 2 * M_PI);
    SetColour(cr, Hex(0x15181c));
    cairo_fill(cr);
    cairo_set_line_width(cr, std::max(1.6, 2.2 * k * 2));
    SetColour(cr, kGreen);
    cairo_move_to(cr, ax, ay - s * 0.8);
    cairo_line_to(cr, ax, ay + s * 0.2);
    cairo_move_to(cr, ax - s * 0.45, ay - s * 0.2);
    cairo_line_to(cr, ax, ay + s * 0.25);
    cairo_line_to(cr, ax + s * 0.45, ay - s * 0.2);
    cairo_move_to(cr, ax - s * 0.7, ay + s * 0.35);
    cairo_line_to(cr, ax - s * 0.7, ay + s * 0.7);
    cairo_line_to(cr, ax + s * 0.7, ay + s * 0.7);
    cairo_line_to(cr, ax + s * 0.7, ay + s * 0.35);
    cairo_stroke(cr);
  }
}

// The door of a file dialog: the chooser's wells, labels and buttons where
// the chooser draws them (screen positions from the dialog layout), the
// door's emblem in the room the template leaves, a hint under the title.
Indexed DrawDoor(const std::string& title, const std::string& hint, Emblem icon, int templateId,
                 bool save) {
  namespace dl = dialog_layout;
  const dl::Layout l = dl::LayoutOf(templateId);
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, title, 80 + uint32_t(icon) + (save ? 10 : 0));
  cairo_translate(cr, -dl::kDoorX, -dl::kDoorY);  // draw in screen positions
  PanelText(cr, hint, 400, 62, 11, Hex(0xcfd5dc), 0.5);
  auto well = [&](const dl::Box& b) { Window(cr, b.x, b.y, b.w, b.h, kDisplayBg, 2); };
  for (const dl::Box& b : {l.folder, l.drives, l.list, l.name, l.filters[0], l.filters[1]}) well(b);
  for (int i = 0; i < l.statics; ++i) {
    const dl::Static& st = l.text[i];
    if (st.id != 0)
      well(st.box);
    else
      PanelText(cr, st.text, st.box.x, st.box.y + 2, 10, Hex(0xe4e8ee));
  }
  PanelText(cr, "DRIVES", l.drivesLabelX, l.drivesLabelY, 9.5, Hex(0xe4e8ee));
  PanelText(cr, "FILE NAME", l.rowLabelRight, l.name.y + 2, 9.5, Hex(0xe4e8ee), 1.0);
  PanelText(cr, "FILE TYPE", l.rowLabelRight, l.filters[0].y + 2, 9.5, Hex(0xe4e8ee), 1.0);
  PrintedButton(cr, l.ok.x, l.ok.y, l.ok.w, l.ok.h, "OK");
  PrintedButton(cr, l.cancel.x, l.cancel.y, l.cancel.w, l.cancel.h, "CANCEL");
  // The emblem goes into the free room right of the template's controls.
  double left = l.list.Right(), top = l.list.y, bottom = l.ok.y - 8;
  for (int i = 0; i < l.statics; ++i) {
    const dl::Box& b = l.text[i].box;
    if (b.y < bottom - 40) left = std::max(left, double(b.Right()));
  }
  const double right = dl::kDoorX + dl::kDoorW - 20;
  const double r = std::min({(right - left) / 2 - 14, (bottom - top) / 2 - 10, 64.0});
  DrawEmblem(cr, (left + right) / 2, top + std::min(r + 20, (bottom - top) / 2), r, icon, save);
  return PanelToIndexed(c);
}

Indexed DrawHelpPanel(const HelpText& t) {
  Canvas c(desk::kPanelW, desk::kPanelH);
  cairo_t* cr = c.cr();
  DoorBase(cr, t.title, 90);
  // Key boxes as wide as the widest key of the page.
  TextStyle keyStyle = Label(9, Hex(0x9fe9df));
  double boxW = 92;
  for (const auto* col : {&t.left, &t.right})
    for (const HelpLine& l : *col)
      if (!l.text.empty()) boxW = std::max(boxW, TextWidth(cr, l.key, keyStyle) + 10);
  auto column = [&](double x, double y, const std::vector<HelpLine>& lines) {
    for (const HelpLine& l : lines) {
      if (l.key.empty() && l.text.empty()) {
        y += 6;
        continue;
      }
      if (l.text.empty()) {  // section heading
        PanelText(cr, l.key, x, y + 2, 11.5, kAmber);
        y += 19;
        continue;
      }
      RoundRect(cr, x, y, boxW, 14, 3);
      SetColour(cr, Hex(0x181b1f));
      cairo_fill(cr);
      TextStyle st = keyStyle;
      st.align = 0.5;
      Text(cr, l.key, x + boxW / 2, y + 1, st);
      PanelText(cr, l.text, x + boxW + 8, y, 10.5, Hex(0xe6eaef));
      y += 16;
    }
  };
  column(24, 60, t.left);
  column(404, 60, t.right);
  // The sixteen performance keys with their channel numbers.
  const char keys[] = "QWERTZUIASDFGHJK";
  for (int i = 0; i < 16; ++i) {
    double x = 118 + i * 35 + (i >= 8 ? 14 : 0), y = 384;
    SmallButton(cr, x, y, 28, 26, 4, false);
    TextStyle st = Label(11, Hex(0xf2f4f7));
    st.align = 0.5;
    Text(cr, std::string(1, keys[i]), x + 14, y + 5, st);
    char num[4];
    std::snprintf(num, sizeof num, "%d", i + 1);
    PanelText(cr, num, x + 14, y + 29, 8.5, Hex(0x9fe9df), 0.5);
  }
  PrintedButton(cr, 55, 336, 70, 24, t.close);
  PanelText(cr, t.footer, 140, 342, 10.5, Hex(0xaab2bd));
  return PanelToIndexed(c);
}

Indexed DrawWait() {
  Canvas c(360, 180);
  cairo_t* cr = c.cr();
  cairo_rectangle(cr, 0, 0, 360, 180);
  SetColour(cr, Hex(0x050607));
  cairo_fill(cr);
  RoundRect(cr, 1, 1, 358, 178, 10);
  FillVertical(cr, 0, 180, Hex(0x8f959d), Hex(0x2a2d32));
  RoundRect(cr, 3, 3, 354, 174, 9);
  FillBrushed(cr, 0, 0, 360, 180, Hex(0x43474e), Hex(0x2b2e33), 0.03, 99);
  Logo(cr, 52, 34, 46, true);
  TextStyle st = Label(12, Hex(0xcfd5dc));
  st.align = 0.5;
  st.spacing = 3;
  Text(cr, "LOADING THE DESK", 180, 120, st);
  for (int i = 0; i < 16; ++i) {
    RoundRect(cr, 68 + i * 14, 146, 10, 8, 2);
    SetColour(cr, Mix(kCyan, Hex(0xb070ff), i / 15.0));
    cairo_fill(cr);
  }
  return c.ToIndexed(true);
}

// ---- preview: the desk as the program draws it ----
void Frame(Indexed& screen, const Indexed& strip, int frames, int n, int x, int y, bool keyed,
           bool vertical = false) {
  if (vertical) {
    int fh = strip.height / frames;
    screen.BlitRect(strip, 0, n * fh, strip.width, fh, x, y, keyed);
  } else {
    int fw = strip.width / frames;
    screen.BlitRect(strip, n * fw, 0, fw, strip.height, x, y, keyed);
  }
}

void DrawVolumeAt(Indexed& s, int x, int y, int value) {
  const Indexed& v = gImages.at("vol.bmp");
  int half = v.width / 2, sw = half / 11;
  int n = value == 0 ? 0 : (value == 100 ? 11 : value * 11 / 100 + 1);
  if (n) s.BlitRect(v, half, 0, n * sw, v.height, x, y);
  if (half - n * sw > 0) s.BlitRect(v, n * sw, 0, half - n * sw, v.height, x + n * sw, y);
}

void DrawBalanceAt(Indexed& s, int x, int y, int value) {
  const Indexed& b = gImages.at("bal.bmp");
  int half = b.width / 2, kw = half / 11;
  int k = value == 0 ? 5 : (value == 100 ? 10 : (value == -100 ? 0 : (value + 100) * 11 / 200));
  s.BlitRect(b, 0, 0, half, b.height, x, y, true);
  s.BlitRect(b, half + k * kw, 0, kw, b.height, x + k * kw, y, true);
}

Indexed PreviewDesk() {
  Indexed s = gImages.at("main.bmp");
  const char* names[16] = {"DRUMS", "HATS",       "BASS", "CHORDS", "LEAD", "ARPEGGIO",
                           "RISER", "PERCUSSION", "PAD",  "",       "",     "",
                           "",      "",           "",     ""};
  const char keys[] = "QWERTZUIASDFGHJK";
  const int vols[16] = {86, 70, 80, 66, 70, 60, 72, 66, 64, 80, 80, 80, 80, 80, 80, 80};
  const int bals[16] = {0, 0, 0, 0, 0, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0};
  const int leds[16] = {1, 1, 1, 2, 3, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  const int pos[16] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const int spin[16] = {5, 5, 7, 7, 7, 7, 7, 5, 7, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 16; ++i) {
    int x = StripX(i), y = StripY(i);
    DrawVolumeAt(s, x + 10, y + 105, vols[i]);
    DrawBalanceAt(s, x + 10, y + 181, bals[i]);
    Frame(s, gImages.at(i % 2 ? "pijlb.bmp" : "pijla.bmp"), 2, 0, x + (i % 2 ? 68 : 13),
          y + (i % 2 ? 202 : 5), false);
    Frame(s, gImages.at("leds.bmp"), 5, leds[i], x + 35, y + 101, true);
    char sw[16];
    std::snprintf(sw, sizeof sw, "sw%02d.bmp", i + 1);
    Frame(s, gImages.at(sw), 3, pos[i], x + 66, y + 31, false);
    Frame(s, gImages.at("symbols.bmp"), 3, pos[i], x + 22, y + 70, false);
    const char* spinName[3] = {"spin_quantize.bmp", "spin_delay.bmp", "spin_length.bmp"};
    Frame(s, gImages.at(spinName[pos[i]]), 9, pos[i] == 1 ? 0 : spin[i], x + 22, y + 79, false);
    Frame(s, gImages.at("spin_l.bmp"), 2, 0, x + 7, y + 73, true);
    Frame(s, gImages.at("spin_r.bmp"), 2, i == 2 ? 1 : 0, x + 47, y + 73, true);
    std::string name = names[i];
    if (i % 2 == 0) {
      FontText(s, x + 35, y + 7, (name + "              ").substr(0, 14));
    } else {
      std::string padded = std::string(14 - std::min<size_t>(14, name.size()), ' ') + name;
      FontText(s, x - 63, y + 204, padded);
    }
    FontText(s, x + 16, y + 104, std::string(1, keys[i]));
  }
  FontText(s, 451, 556, "YOU BV FEEL   ");
  Frame(s, gImages.at("repel10.bmp"), 10, 9, 218, 526, false, true);
  Frame(s, gImages.at("Play.bmp"), 2, 1, 295, 550, true);
  Frame(s, gImages.at("StopP.bmp"), 2, 0, 231, 550, true);
  Frame(s, gImages.at("button_help.bmp"), 2, 0, 69, 520, true);
  Frame(s, gImages.at("button_exit.bmp"), 2, 0, 69, 552, true);
  Frame(s, gImages.at("button_plugins.bmp"), 2, 0, 69, 487, true);
  FontText(s, 476, 501, "130");
  Frame(s, gImages.at("pitch.bmp"), 11, 5, 456, 532, false);
  FontText(s, 584, 502, "00:42");
  FontText(s, 584, 532, "01:22");
  DrawVolumeAt(s, 639, 503, 90);
  Frame(s, gImages.at("dot.bmp"), 2, 0, 640, 500, false);
  Frame(s, gImages.at("dot.bmp"), 2, 1, 640, 513, false);
  Frame(s, gImages.at("2244.bmp"), 2, 1, 533, 500, false);
  Frame(s, gImages.at("816.bmp"), 2, 1, 533, 514, false);
  Frame(s, gImages.at("mono.bmp"), 2, 1, 534, 533, false);
  Frame(s, gImages.at("32beat.bmp"), 33, 11, 579, 549, false);
  Frame(s, gImages.at("mainpijl.bmp"), 2, 0, 425, 494, false);
  Frame(s, gImages.at("vu.bmp"), 10, 6, 136, 494, false);
  Frame(s, gImages.at("vu.bmp"), 10, 5, 148, 494, false);
  return s;
}

Indexed Zoom(const Indexed& src, int x, int y, int w, int h, int f) {
  Indexed out(w * f, h * f);
  for (int j = 0; j < h * f; ++j)
    for (int i = 0; i < w * f; ++i) out.at(i, j) = src.at(x + i / f, y + j / f);
  return out;
}

void WritePreviews() {
  Indexed desk = PreviewDesk();
  WritePng(gPreview + "/desk.png", desk);
  WritePng(gPreview + "/zoom_strips.png", Zoom(desk, 0, 0, 300, 232, 3));
  WritePng(gPreview + "/zoom_bottom.png", Zoom(desk, 0, 456, 400, 144, 2));
  WritePng(gPreview + "/zoom_bottom2.png", Zoom(desk, 400, 456, 400, 144, 2));
  const Indexed& font = gImages.at("font1.bmp");
  WritePng(gPreview + "/font.png", Zoom(font, 0, 0, font.width, font.height, 3));
  WritePng(gPreview + "/font_accents.png",
           Zoom(font, 41 * 7, 0, font.width - 41 * 7, font.height, 6));
  // Open menus and the message box over the desk.
  {
    Indexed s = desk;
    const Indexed& a = gImages.at("popa_demo.bmp");
    int x = StripX(2) + 9, y = StripY(2) + 16;
    s.BlitRect(a, 0, 0, a.width / 2, a.height, x, y, true);
    s.BlitRect(a, a.width / 2 + 3, 2 + 2 * 13, 72, 13, x + 3, y + 2 + 2 * 13, true);
    const Indexed& b = gImages.at("popb_demo.bmp");
    x = StripX(13) + 8, y = StripY(13) + 108;
    s.BlitRect(b, 0, 0, b.width / 2, b.height, x, y, true);
    const Indexed& m = gImages.at("popc_demo2.bmp");
    s.BlitRect(m, 0, 0, m.width / 2, m.height, 420, 507, true);
    s.BlitRect(m, m.width / 2 + 2, 2 + 16, 130, 16, 422, 509 + 16, true);
    WritePng(gPreview + "/desk_menus.png", s);
  }
  {
    Indexed s = desk;
    s.Blit(gImages.at("error.bmp"), 448, 484);
    FontText(s, 460, 505, "CAN NOT LOAD MIX:     ");
    FontText(s, 460, 529, "YOU BV FEEL           ");
    FontText(s, 460, 553, "OK                    ");
    for (int i = 0; i < 3; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "errorbut%d.bmp", i + 1);
      Frame(s, gImages.at(name), 2, i == 2 ? 1 : 0, 448 + 227, 484 + 15 + 24 * i, true);
    }
    WritePng(gPreview + "/desk_message.png", s);
  }
  auto panel = [&](const std::string& name, const std::function<void(Indexed&)>& extra) {
    Indexed s = desk;
    s.Blit(gImages.at(name), desk::kPanelX, desk::kPanelY);
    if (extra) extra(s);
    std::string base = name.substr(0, name.size() - 4);
    WritePng(gPreview + "/" + base + ".png", s);
  };
  auto switches = [&](Indexed& s) {
    Frame(s, gImages.at("button_setup_switch.bmp"), 2, 1, 375, 251, true);
    Frame(s, gImages.at("button_setup_switch.bmp"), 2, 1, 375, 215, true);
    Frame(s, gImages.at("button_setup_switch.bmp"), 2, 0, 375, 287, true);
  };
  panel("pan_quality.bmp", [&](Indexed& s) {
    switches(s);
    Frame(s, gImages.at("button_ok_cancel.bmp"), 2, 1, 356, 343, true);
  });
  panel("pan_export.bmp", switches);
  panel("pan_bpm.bmp", [&](Indexed& s) {
    const Indexed& d = gImages.at("digits.bmp");
    Frame(s, d, 10, 1, 373, 247, false);
    Frame(s, d, 10, 3, 391, 247, false);
    Frame(s, d, 10, 0, 409, 247, false);
    Frame(s, gImages.at("button_setup_1.bmp"), 2, 0, 305, 249, true);
    Frame(s, gImages.at("button_setup_2.bmp"), 2, 1, 332, 245, true);
    Frame(s, gImages.at("button_setup_3.bmp"), 2, 0, 438, 245, true);
    Frame(s, gImages.at("button_setup_4.bmp"), 2, 0, 475, 249, true);
  });
  panel("pan_play.bmp", [&](Indexed& s) {
    Frame(s, gImages.at("box.bmp"), 3, 2, 162, 133, true);
    Frame(s, gImages.at("box.bmp"), 3, 1, 534, 133, true);
  });
  panel("pan_com.bmp", nullptr);
  for (const char* lang : {"Eng", "Ned", "Fra", "Dui", "Ita", "Spa"})
    panel(std::string("pan_help_") + lang + ".bmp",
          [&](Indexed& s) { Frame(s, gImages.at("button_help.bmp"), 2, 1, 69, 520, true); });
  for (const char* door : {"door_lchn.bmp", "door_isnd.bmp", "door_isfx.bmp", "door_lmix.bmp",
                           "door_schn.bmp", "door_smix.bmp", "door_swav.bmp"})
    panel(door, nullptr);
  const Indexed& dialogFont = gImages.at("font_dialog.bmp");
  WritePng(gPreview + "/font_dialog.png", Zoom(dialogFont, 0, 0, 96 * 6, dialogFont.height, 3));
  WritePng(gPreview + "/font_dialog_high.png",
           Zoom(dialogFont, 96 * 6, 0, dialogFont.width - 96 * 6, dialogFont.height, 3));
  const Indexed& parts = gImages.at("dialog_parts.bmp");
  WritePng(gPreview + "/dialog_parts.png", Zoom(parts, 0, 0, parts.width, parts.height, 6));
  Indexed wait(800, 600, kBlackIndex);
  const Indexed& w = gImages.at("wait_demo.bmp");
  wait.Blit(w, (800 - w.width) / 2, (600 - w.height) / 2);
  WritePng(gPreview + "/wait.png", wait);
}

void Run() {
  gMain = DrawMain();
  Save("main.bmp", gMain);
  Save("font1.bmp", DrawFont());
  for (int n = 1; n <= 16; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "sw%02d.bmp", n);
    Save(name, DrawSelector(n));
  }
  Save("symbols.bmp", DrawSymbols());
  Save("spin_quantize.bmp", DrawSpinValues({"OFF", "1/4", "1/2", "1", "2", "4", "8", "16", "32"}));
  Save("spin_delay.bmp", DrawSpinValues({"0", "1/4", "1/2", "1", "2", "3", "4", "8", "16"}));
  Save("spin_length.bmp", DrawSpinValues({"OFF", "1/4", "1/2", "1", "2", "4", "8", "16", "32"}));
  Save("spin_l.bmp", DrawSpinButton(false));
  Save("spin_r.bmp", DrawSpinButton(true));
  Save("leds.bmp", DrawLeds());
  Indexed mask;
  Save("vol.bmp", DrawVolume(mask));
  Save("vol_mask.bmp", mask);
  Save("bal.bmp", DrawBalance());
  Save("pijla.bmp", DrawArrow(16, 12, StripX(0) + 13, StripY(0) + 5, false));
  Save("pijlb.bmp", DrawArrow(16, 12, StripX(1) + 68, StripY(1) + 202, true));
  Save("mainpijl.bmp", DrawArrow(18, 12, 425, 494, false));
  Save("popa_demo.bmp", DrawMenu(78, 95, 3, 2, 72, 13, kStripMenu, 7, 8));
  Save("popb_demo.bmp", DrawMenu(78, 95, 3, 2, 72, 13, kStripMenu, 7, 8));
  Save("popc_demo2.bmp", DrawMenu(134, 84, 2, 2, 130, 16, kMixMenu, 5, 10));
  Save("button_plugins.bmp", DrawSystemButton("PLUG-INS", 487, false));
  Save("button_help.bmp", DrawSystemButton("HELP", 520, true));
  Save("button_exit.bmp", DrawSystemButton("EXIT", 552, false));
  Save("repel10.bmp", DrawRepel());
  Save("Rec.bmp", DrawTransportButton(0, 295));
  Save("StopR.bmp", DrawTransportButton(1, 231));
  Save("Play.bmp", DrawTransportButton(2, 295));
  Save("StopP.bmp", DrawTransportButton(1, 231));
  Save("pitch.bmp", DrawPitch());
  Save("2244.bmp", DrawFormatLamp("22K", "44K", 533, 500));
  Save("816.bmp", DrawFormatLamp("8B", "16B", 533, 514));
  Save("mono.bmp", DrawFormatLamp("MONO", "ST", 534, 533));
  Save("32beat.bmp", DrawBeat());
  Save("dot.bmp", DrawDot());
  Save("vu.bmp", DrawVu());
  Save("error.bmp", DrawMessageBox());
  for (int i = 1; i <= 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "errorbut%d.bmp", i);
    Save(name, DrawMessageButton(i));
  }
  Save("digits.bmp", DrawDigits());
  Save("button_ok_cancel.bmp", DrawPressRing(48, 24));
  Save("button_close_help.bmp", DrawPressRing(70, 24));
  Save("button_setup_switch.bmp", DrawSetupSwitch());
  Save("button_setup_1.bmp", DrawSetupButton(24, 24, "-1"));
  Save("button_setup_2.bmp", DrawSetupButton(34, 32, "-10"));
  Save("button_setup_3.bmp", DrawSetupButton(34, 32, "+10"));
  Save("button_setup_4.bmp", DrawSetupButton(24, 24, "+1"));
  Save("pan_quality.bmp", DrawQualityPanel(false));
  Save("pan_export.bmp", DrawQualityPanel(true));
  Save("pan_bpm.bmp", DrawTempoPanel());
  Indexed play = DrawPlayPanel();
  Save("pan_play.bmp", play);
  Save("box.bmp", DrawSpeaker(&play, 157, 126));
  Save("pan_com.bmp", DrawClosingPanel());
  Save("door_lchn.bmp", DrawDoor("LOAD CHANNEL", "Choose a channel file (.chn) for this strip.",
                                 Emblem::kChannel, 102, false));
  Save("door_isnd.bmp", DrawDoor("LOAD SAMPLE", "Choose the main sample (.wav) of this strip.",
                                 Emblem::kSample, 105, false));
  Save("door_isfx.bmp", DrawDoor("LOAD EFFECT", "Choose the effect sample (.wav) of this strip.",
                                 Emblem::kEffect, 105, false));
  Save("door_lmix.bmp",
       DrawDoor("LOAD MIX", "Choose a mix (.mix) to load.", Emblem::kMix, 107, false));
  Save("door_schn.bmp", DrawDoor("SAVE CHANNEL", "Save this strip as a channel file (.chn).",
                                 Emblem::kChannel, 102, true));
  Save("door_smix.bmp",
       DrawDoor("SAVE MIX", "Save the mix under a name (.mix).", Emblem::kMix, 107, true));
  Save("door_swav.bmp", DrawDoor("EXPORT MIX", "Choose the wave file (.wav) the mix is written to.",
                                 Emblem::kSample, 105, true));
  Save("font_dialog.bmp", DrawDialogFont());
  Save("dialog_parts.bmp", DrawDialogParts());
  for (const HelpText& t : HelpTexts()) Save("pan_help_" + t.language + ".bmp", DrawHelpPanel(t));
  Save("wait_demo.bmp", DrawWait());
  WritePreviews();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_desk DATA_DIR PREVIEW_DIR\n");
    return 2;
  }
  gData = argv[1];
  gPreview = argv[2];
  try {
    Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_desk: %s\n", e.what());
    return 1;
  }
  return 0;
}
