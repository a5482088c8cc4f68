#pragma once
// Indexed images and the 8-bit bitmap files the desk reads.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/art/palette.h"

namespace art {

// An image of palette indexes, row 0 at the top.
struct Indexed {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  Indexed() = default;
  Indexed(int w, int h, uint8_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  uint8_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
  uint8_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  // Copies src into this image with its top-left corner at (x, y); pixels of
  // the colour key are skipped when keyed is set. Clipped to this image.
  void Blit(const Indexed& src, int x, int y, bool keyed = false);
  // Copies the rectangle (sx, sy, w, h) of src to (x, y).
  void BlitRect(const Indexed& src, int sx, int sy, int w, int h, int x, int y, bool keyed = false);
  Indexed Crop(int x, int y, int w, int h) const;
};

// Writes an 8-bit bottom-up bitmap with the desk palette as its colour table.
// Throws std::runtime_error when the file cannot be written.
void WriteBmp8(const std::string& path, const Indexed& image);

// Reads an 8-bit bitmap back (used by the checks and the preview).
bool ReadBmp8(const std::string& path, Indexed& image, std::vector<Rgb>* colourTable = nullptr);

// Writes the image through the palette as a PNG (for previews).
void WritePng(const std::string& path, const Indexed& image);

}  // namespace art
