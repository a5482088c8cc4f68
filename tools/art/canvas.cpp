#include "tools/art/canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

namespace art {

Colour Hex(uint32_t rgb, double a) {
  return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, a};
}

Colour Mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

Canvas::Canvas(int w, int h) : m_W(w), m_H(h) {
  m_Surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  m_Cr = cairo_create(m_Surface);
}

Canvas::~Canvas() {
  cairo_destroy(m_Cr);
  cairo_surface_destroy(m_Surface);
}

void Canvas::Paint(const Indexed& img, int x, int y) {
  cairo_surface_flush(m_Surface);
  unsigned char* data = cairo_image_surface_get_data(m_Surface);
  int stride = cairo_image_surface_get_stride(m_Surface);
  const auto& p = DeskPalette();
  for (int j = 0; j < img.height; ++j) {
    int ty = y + j;
    if (ty < 0 || ty >= m_H) continue;
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(ty) * stride);
    for (int i = 0; i < img.width; ++i) {
      int tx = x + i;
      if (tx < 0 || tx >= m_W) continue;
      const Rgb& c = p[img.at(i, j)];
      row[tx] = 0xFF000000u | uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
    }
  }
  cairo_surface_mark_dirty(m_Surface);
}

namespace {
// 4x4 ordered dither thresholds, centred on zero.
const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
}  // namespace

Indexed Canvas::ToIndexed(bool dither) const {
  cairo_surface_flush(m_Surface);
  const unsigned char* data = cairo_image_surface_get_data(m_Surface);
  int stride = cairo_image_surface_get_stride(m_Surface);
  Indexed out(m_W, m_H);
  for (int y = 0; y < m_H; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < m_W; ++x) {
      uint32_t px = row[x];
      int a = px >> 24;
      int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
      // Premultiplied over black is what the desk would show.
      (void)a;
      if (dither) {
        int d = (kBayer[y & 3][x & 3] - 8) / 4;  // -2..+1
        r = std::clamp(r + d, 0, 255);
        g = std::clamp(g + d, 0, 255);
        b = std::clamp(b + d, 0, 255);
      }
      out.at(x, y) = NearestIndex(uint8_t(r), uint8_t(g), uint8_t(b));
    }
  }
  return out;
}

Indexed Canvas::ToIndexedKeyed(const Indexed* backdrop, int bx, int by) const {
  cairo_surface_flush(m_Surface);
  const unsigned char* data = cairo_image_surface_get_data(m_Surface);
  int stride = cairo_image_surface_get_stride(m_Surface);
  const auto& p = DeskPalette();
  Indexed out(m_W, m_H);
  for (int y = 0; y < m_H; ++y) {
    auto* row = reinterpret_cast<const uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < m_W; ++x) {
      uint32_t px = row[x];
      int a = px >> 24;
      if (a < 128) {
        out.at(x, y) = kKeyIndex;
        continue;
      }
      int r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
      if (a < 255) {
        Rgb under{40, 42, 46};
        if (backdrop) {
          int ux = bx + x, uy = by + y;
          if (ux >= 0 && uy >= 0 && ux < backdrop->width && uy < backdrop->height)
            under = p[backdrop->at(ux, uy)];
        }
        r = r + under.r * (255 - a) / 255;
        g = g + under.g * (255 - a) / 255;
        b = b + under.b * (255 - a) / 255;
      }
      out.at(x, y) = NearestIndex(uint8_t(std::min(r, 255)), uint8_t(std::min(g, 255)),
                                  uint8_t(std::min(b, 255)));
    }
  }
  return out;
}

void SetColour(cairo_t* cr, Colour c) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

void RoundRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void FillVertical(cairo_t* cr, double y0, double y1, Colour top, Colour bottom, bool preserve) {
  cairo_pattern_t* g = cairo_pattern_create_linear(0, y0, 0, y1);
  cairo_pattern_add_color_stop_rgba(g, 0, top.r, top.g, top.b, top.a);
  cairo_pattern_add_color_stop_rgba(g, 1, bottom.r, bottom.g, bottom.b, bottom.a);
  cairo_set_source(cr, g);
  if (preserve)
    cairo_fill_preserve(cr);
  else
    cairo_fill(cr);
  cairo_pattern_destroy(g);
}

void Bevel(cairo_t* cr, double x, double y, double w, double h, double r, Colour face, bool sunken,
           double depth) {
  Colour light = Mix(face, Hex(0xffffff), 0.35 * depth);
  Colour dark = Mix(face, Hex(0x000000), 0.55 * depth);
  Colour a = sunken ? dark : light, b = sunken ? light : dark;
  // Outer edge: light on top-left, dark on bottom-right (or the reverse).
  RoundRect(cr, x, y, w, h, r);
  FillVertical(cr, y, y + h, a, b);
  RoundRect(cr, x + 1, y + 1, w - 2, h - 2, std::max(0.0, r - 1));
  Colour top = sunken ? Mix(face, Hex(0), 0.15) : Mix(face, Hex(0xffffff), 0.08);
  Colour bottom = sunken ? Mix(face, Hex(0xffffff), 0.04) : Mix(face, Hex(0), 0.12);
  FillVertical(cr, y + 1, y + h - 1, top, bottom);
}

void Screw(cairo_t* cr, double cx, double cy, double radius, double angle) {
  cairo_save(cr);
  cairo_arc(cr, cx, cy + 0.6, radius + 0.8, 0, 2 * M_PI);
  SetColour(cr, Hex(0xffffff, 0.18));
  cairo_fill(cr);
  cairo_arc(cr, cx, cy, radius + 0.5, 0, 2 * M_PI);
  SetColour(cr, Hex(0x000000, 0.6));
  cairo_fill(cr);
  cairo_pattern_t* g =
      cairo_pattern_create_radial(cx - radius * 0.4, cy - radius * 0.4, 0, cx, cy, radius);
  cairo_pattern_add_color_stop_rgb(g, 0, 0.78, 0.8, 0.83);
  cairo_pattern_add_color_stop_rgb(g, 1, 0.33, 0.35, 0.38);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_set_source(cr, g);
  cairo_fill(cr);
  cairo_pattern_destroy(g);
  cairo_set_line_width(cr, 1.1);
  SetColour(cr, Hex(0x1a1c20, 0.9));
  double dx = std::cos(angle) * radius * 0.75, dy = std::sin(angle) * radius * 0.75;
  cairo_move_to(cr, cx - dx, cy - dy);
  cairo_line_to(cr, cx + dx, cy + dy);
  cairo_stroke(cr);
  cairo_restore(cr);
}

namespace {
PangoLayout* Layout(cairo_t* cr, const std::string& text, const TextStyle& st) {
  PangoLayout* layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_font_options_set_antialias(fo, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fo,
                                    st.hinted ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(fo, CAIRO_HINT_METRICS_ON);
  pango_cairo_context_set_font_options(pango_layout_get_context(layout), fo);
  pango_layout_context_changed(layout);
  cairo_font_options_destroy(fo);
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, st.family.c_str());
  pango_font_description_set_weight(d, st.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  if (st.condensed) pango_font_description_set_stretch(d, PANGO_STRETCH_CONDENSED);
  pango_font_description_set_absolute_size(d, st.size * PANGO_SCALE);
  pango_layout_set_font_description(layout, d);
  pango_font_description_free(d);
  if (st.spacing != 0) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(int(st.spacing * PANGO_SCALE)));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_text(layout, text.c_str(), -1);
  return layout;
}
}  // namespace

double TextWidth(cairo_t* cr, const std::string& text, const TextStyle& st) {
  PangoLayout* layout = Layout(cr, text, st);
  int w, h;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  return w;
}

double Text(cairo_t* cr, const std::string& text, double x, double y, const TextStyle& st) {
  PangoLayout* layout = Layout(cr, text, st);
  int w, h;
  pango_layout_get_pixel_size(layout, &w, &h);
  cairo_save(cr);
  SetColour(cr, st.colour);
  cairo_move_to(cr, std::round(x - w * st.align), std::round(y));
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
  return w;
}

void Engraved(cairo_t* cr, const std::string& text, double x, double y, TextStyle st, Colour light,
              Colour dark) {
  Colour c = st.colour;
  st.colour = light;
  Text(cr, text, x, y + 1, st);
  st.colour = dark;
  Text(cr, text, x, y - 0.0, st);
  st.colour = c;
  (void)c;
}

double Noise(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  h ^= h >> 16;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

}  // namespace art
