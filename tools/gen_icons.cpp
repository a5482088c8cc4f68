// Draws the program's icon for the desktop: PNG files at the usual sizes
// and one SVG, in the icon theme's folder layout.
//
//   gen_icons OUT_DIR ICON_NAME
//
// writes OUT_DIR/hicolor/<n>x<n>/apps/ICON_NAME.png and
// OUT_DIR/hicolor/scalable/apps/ICON_NAME.svg. The icon is a bevelled plate
// of the desk's metal with a dark well holding the desk's mark; larger sizes
// carry the desk's screws. Each size is drawn for its own pixel grid.
#include <cairo-svg.h>
#include <cairo.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "tools/art/canvas.h"
#include "tools/art/logo.h"

namespace {

using namespace art;

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256, 512};
// The SVG is the drawing of this size, kept as vectors.
constexpr int kSvgSize = 256;

void DrawIcon(cairo_t* cr, double s) {
  const double margin = std::max(1.0, std::round(s * 0.06));
  const double edge = std::max(1.0, std::round(s / 64));
  const double x = margin, w = s - 2 * margin, radius = s * 0.19;

  // The plate: a light rim above, a dark one below, the brushed face inside.
  RoundRect(cr, x, x, w, w, radius);
  FillVertical(cr, x, x + w, Hex(0xa4abb4), Hex(0x1c1e22));
  RoundRect(cr, x + edge, x + edge, w - 2 * edge, w - 2 * edge, radius - edge);
  FillVertical(cr, x + edge, x + w - edge, Hex(0x5e636b), Hex(0x3a3e44));

  // The well, sunk into the plate; small icons give the mark more room.
  const bool small = s < 32;
  const double c = s / 2, wellR = s * (small ? 0.38 : 0.34);
  cairo_arc(cr, c, c, wellR + edge, 0, 2 * M_PI);
  FillVertical(cr, c - wellR, c + wellR, Hex(0x000000, 0.7), Hex(0xffffff, 0.25));
  cairo_arc(cr, c, c, wellR, 0, 2 * M_PI);
  FillVertical(cr, c - wellR, c + wellR, Hex(0x0c0e10), Hex(0x1d2125));

  if (small)
    LogoMark(cr, c, c, s * 0.36, std::max(1.0, s * 0.07), 8);
  else
    LogoMark(cr, c, c, s * 0.29, std::max(1.0, s * 0.045));

  if (s >= 64) {
    const double in = x + s * 0.085, sr = s * 0.03;
    Screw(cr, in, in, sr, 0.6);
    Screw(cr, s - in, in, sr, 2.1);
    Screw(cr, in, s - in, sr, 1.2);
    Screw(cr, s - in, s - in, sr, 2.7);
  }
}

bool MakeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    std::string part = path.substr(0, i);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WritePng(const std::string& dir, const std::string& name, int size) {
  const std::string folder =
      dir + "/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
  if (!MakeFolders(folder)) return false;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, size);
  cairo_destroy(cr);
  bool ok = cairo_surface_write_to_png(surface, (folder + "/" + name + ".png").c_str()) ==
            CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

bool WriteSvg(const std::string& dir, const std::string& name) {
  const std::string folder = dir + "/hicolor/scalable/apps";
  if (!MakeFolders(folder)) return false;
  cairo_surface_t* surface =
      cairo_svg_surface_create((folder + "/" + name + ".svg").c_str(), kSvgSize, kSvgSize);
  cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PX);
  cairo_t* cr = cairo_create(surface);
  DrawIcon(cr, kSvgSize);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_icons OUT_DIR ICON_NAME\n");
    return 2;
  }
  for (int size : kSizes) {
    if (!WritePng(argv[1], argv[2], size)) {
      std::fprintf(stderr, "gen_icons: cannot write the %d pixel icon\n", size);
      return 1;
    }
  }
  if (!WriteSvg(argv[1], argv[2])) {
    std::fprintf(stderr, "gen_icons: cannot write the SVG icon\n");
    return 1;
  }
  return 0;
}
