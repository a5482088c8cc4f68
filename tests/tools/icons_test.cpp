// The program's desktop icons: every size drawn for its own grid, a plate
// centred with a transparent margin, the desk's mark on it.
#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string IconPath(const std::string& size, const char* extension) {
  return std::string(BREVORA_ICON_DIR) + "/hicolor/" + size + "/apps/" + BREVORA_APP_ID + "." +
         extension;
}

struct Argb {
  unsigned a, r, g, b;
};
Argb Pixel(cairo_surface_t* s, int x, int y) {
  const unsigned char* row =
      cairo_image_surface_get_data(s) + size_t(y) * cairo_image_surface_get_stride(s);
  uint32_t p;
  std::memcpy(&p, row + size_t(x) * 4, 4);
  return {p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

TEST(Icons, EverySizeIsASquarePlateCentredWithTheMarkOnIt) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
    SCOPED_TRACE(size);
    const std::string n = std::to_string(size);
    cairo_surface_t* s = cairo_image_surface_create_from_png(IconPath(n + "x" + n, "png").c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(s), size);
    EXPECT_EQ(cairo_image_surface_get_height(s), size);
    ASSERT_EQ(cairo_image_surface_get_format(s), CAIRO_FORMAT_ARGB32);

    // The opaque part: a square with equal margins on every side.
    int left = size, right = -1, top = size, bottom = -1;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x)
        if (Pixel(s, x, y).a > 128) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    EXPECT_GE(left, 1);
    EXPECT_EQ(left, size - 1 - right);
    EXPECT_EQ(top, left);
    EXPECT_EQ(bottom, right);
    EXPECT_EQ(Pixel(s, 0, 0).a, 0u);
    // The play triangle is white at the centre; the top bar of the ring is cyan.
    const Argb centre = Pixel(s, size / 2, size / 2);
    EXPECT_EQ(centre.a, 255u);
    EXPECT_GT(centre.r + centre.g + centre.b, 3u * 200u);
    if (size >= 32) {
      const Argb bar = Pixel(s, size / 2, size / 2 - int(size * 0.25));
      EXPECT_GT(bar.b, bar.r + 60) << bar.r << " " << bar.g << " " << bar.b;
      EXPECT_GT(bar.g, bar.r + 60);
    }
    cairo_surface_destroy(s);
  }
}

}  // namespace
