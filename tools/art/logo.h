#pragma once
// The desk's mark: a ring of sixteen bars (the channels) around a play
// triangle. The desk's logo and the program's icons draw it.
#include <cairo.h>

namespace art {

// Draws the mark centred on (cx, cy) with outer radius r; bars are strokes of
// lineWidth. bars is 16, or fewer where the mark is drawn very small.
void LogoMark(cairo_t* cr, double cx, double cy, double r, double lineWidth, int bars = 16);

}  // namespace art
