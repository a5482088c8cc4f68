#pragma once
// A true-colour drawing surface (Cairo and Pango) that is turned into a
// palette image at the end, plus the drawing helpers the desk's art shares.
#include <cairo.h>

#include <string>

#include "tools/art/image.h"

namespace art {

struct Colour {
  double r = 0, g = 0, b = 0, a = 1;
};
Colour Hex(uint32_t rgb, double a = 1.0);
Colour Mix(Colour a, Colour b, double t);

class Canvas {
 public:
  Canvas(int w, int h);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* cr() const { return m_Cr; }
  int width() const { return m_W; }
  int height() const { return m_H; }

  // Paints an indexed picture (through the palette) at (x, y) as a base to draw on.
  void Paint(const Indexed& img, int x = 0, int y = 0);

  // To palette indexes. Opaque: every pixel is matched. Keyed: pixels with
  // less than half coverage become the colour key; the others are laid over
  // backdrop (its pixel at (bx + x, by + y)) when one is given, so their
  // anti-aliased edges blend with what lies under them on the desk.
  Indexed ToIndexed(bool dither = false) const;
  Indexed ToIndexedKeyed(const Indexed* backdrop = nullptr, int bx = 0, int by = 0) const;

 private:
  cairo_surface_t* m_Surface;
  cairo_t* m_Cr;
  int m_W, m_H;
};

void SetColour(cairo_t* cr, Colour c);
void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r);
// Fills the current path with a vertical gradient from top to bottom colour.
void FillVertical(cairo_t* cr, double y0, double y1, Colour top, Colour bottom,
                  bool preserve = false);
// A raised (or sunken) bevelled rectangle.
void Bevel(cairo_t* cr, double x, double y, double w, double h, double r, Colour face, bool sunken,
           double depth = 1.0);
// A countersunk screw head.
void Screw(cairo_t* cr, double cx, double cy, double radius, double angle);

struct TextStyle {
  std::string family = "DejaVu Sans";
  double size = 10;  // pixels
  bool bold = true;
  bool condensed = false;
  Colour colour = Hex(0xffffff);
  double align = 0.0;    // 0 left, 0.5 centre, 1 right of x
  double spacing = 0.0;  // extra letter spacing in pixels
  bool hinted = true;
};
// Draws UTF-8 text with its top at y (the ink's top follows the font's ascent).
// Returns the logical width in pixels.
double Text(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& st);
double TextWidth(cairo_t* cr, const std::string& text, const TextStyle& st);
// Engraved text: a dark shadow above-left, a light edge below-right.
void Engraved(cairo_t* cr, const std::string& text, double x, double y, TextStyle st, Colour light,
              Colour dark);

// Deterministic noise in [-1, 1] for texturing, a function of integer position.
double Noise(int x, int y, uint32_t seed);

}  // namespace art
