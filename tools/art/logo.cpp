#include "tools/art/logo.h"

#include <cmath>

#include "tools/art/canvas.h"

namespace art {

void LogoMark(cairo_t* cr, double cx, double cy, double r, double lineWidth, int bars) {
  const Colour from = Hex(0x39d5e0), to = Hex(0xb070ff);
  for (int n = 0; n < bars; ++n) {
    // Bar lengths follow the sixteen-bar ring, so a smaller ring keeps its shape.
    const int i = n * 16 / bars;
    double a = -M_PI / 2 + i * 2 * M_PI / 16;
    double len = r * (0.28 + 0.22 * (0.5 + 0.5 * std::sin(i * 1.7)));
    cairo_move_to(cr, cx + std::cos(a) * (r - len), cy + std::sin(a) * (r - len));
    cairo_line_to(cr, cx + std::cos(a) * r, cy + std::sin(a) * r);
    cairo_set_line_width(cr, lineWidth);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    SetColour(cr, Mix(from, to, i / 15.0));
    cairo_stroke(cr);
  }
  double t = r * 0.42;
  cairo_move_to(cr, cx - t * 0.6, cy - t);
  cairo_line_to(cr, cx + t, cy);
  cairo_line_to(cr, cx - t * 0.6, cy + t);
  cairo_close_path(cr);
  SetColour(cr, Hex(0xf2f4f8));
  cairo_fill(cr);
}

}  // namespace art
