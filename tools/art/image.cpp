#include "tools/art/image.h"

#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace art {

void Indexed::Blit(const Indexed& src, int x, int y, bool keyed) {
  BlitRect(src, 0, 0, src.width, src.height, x, y, keyed);
}

void Indexed::BlitRect(const Indexed& src, int sx, int sy, int w, int h, int x, int y, bool keyed) {
  for (int j = 0; j < h; ++j) {
    int ty = y + j, fy = sy + j;
    if (ty < 0 || ty >= height || fy < 0 || fy >= src.height) continue;
    for (int i = 0; i < w; ++i) {
      int tx = x + i, fx = sx + i;
      if (tx < 0 || tx >= width || fx < 0 || fx >= src.width) continue;
      uint8_t v = src.at(fx, fy);
      if (keyed && v == kKeyIndex) continue;
      at(tx, ty) = v;
    }
  }
}

Indexed Indexed::Crop(int x, int y, int w, int h) const {
  Indexed out(w, h);
  out.BlitRect(*this, x, y, w, h, 0, 0);
  return out;
}

namespace {
void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
uint32_t Get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
}  // namespace

void WriteBmp8(const std::string& path, const Indexed& image) {
  const uint32_t stride = (uint32_t(image.width) + 3) & ~3u;
  const uint32_t dataOffset = 14 + 40 + 1024;
  const uint32_t dataSize = stride * uint32_t(image.height);
  std::vector<uint8_t> b;
  b.reserve(dataOffset + dataSize);
  b.push_back('B');
  b.push_back('M');
  Put32(b, dataOffset + dataSize);
  Put32(b, 0);
  Put32(b, dataOffset);
  Put32(b, 40);
  Put32(b, uint32_t(image.width));
  Put32(b, uint32_t(image.height));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);  // uncompressed
  Put32(b, dataSize);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 256);
  Put32(b, 0);
  for (const Rgb& c : DeskPalette()) {
    b.push_back(c.b);
    b.push_back(c.g);
    b.push_back(c.r);
    b.push_back(0);
  }
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) b.push_back(image.at(x, y));
    for (uint32_t x = uint32_t(image.width); x < stride; ++x) b.push_back(0);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  ok = std::fclose(f) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
}

bool ReadBmp8(const std::string& path, Indexed& image, std::vector<Rgb>* colourTable) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::vector<uint8_t> b;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  if (b.size() < 54 + 1024 || b[0] != 'B' || b[1] != 'M') return false;
  uint32_t offset = Get32(&b[10]);
  int32_t w = int32_t(Get32(&b[18])), h = int32_t(Get32(&b[22]));
  uint16_t bits = uint16_t(b[28] | b[29] << 8);
  if (Get32(&b[14]) != 40 || bits != 8 || Get32(&b[30]) != 0 || w <= 0 || h <= 0) return false;
  uint32_t stride = (uint32_t(w) + 3) & ~3u;
  if (offset + uint64_t(stride) * uint32_t(h) > b.size()) return false;
  if (colourTable) {
    colourTable->clear();
    for (int i = 0; i < 256; ++i)
      colourTable->push_back({b[54 + 4 * i + 2], b[54 + 4 * i + 1], b[54 + 4 * i]});
  }
  image = Indexed(w, h);
  for (int y = 0; y < h; ++y)
    std::memcpy(&image.pixels[size_t(y) * w], &b[offset + size_t(h - 1 - y) * stride], size_t(w));
  return true;
}

void WritePng(const std::string& path, const Indexed& image) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  int stride = cairo_image_surface_get_stride(s);
  const auto& p = DeskPalette();
  for (int y = 0; y < image.height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * stride);
    for (int x = 0; x < image.width; ++x) {
      const Rgb& c = p[image.at(x, y)];
      row[x] = uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
    }
  }
  cairo_surface_mark_dirty(s);
  cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (st != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot write " + path);
}

}  // namespace art
