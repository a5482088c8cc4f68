#include "platform/png_file.h"

#include <png.h>

#include <cstdio>

namespace platform {

namespace {

// Opens a file and runs one libpng write; libpng reports errors by longjmp,
// so nothing with a destructor lives inside the protected part.
bool WritePng(const std::string& hostPath, int32_t width, int32_t height, int colourType,
              const uint8_t* rows, size_t rowBytes, const Rgb* palette) {
  if (width <= 0 || height <= 0 || rows == nullptr) return false;
  FILE* f = std::fopen(hostPath.c_str(), "wb");
  if (f == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color entries[256];
    if (palette != nullptr) {
      for (int i = 0; i < 256; ++i)
        entries[i] = png_color{palette[i].red, palette[i].green, palette[i].blue};
      png_set_PLTE(png, info, entries, 256);
    }
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y)
      png_write_row(png, const_cast<png_bytep>(rows + static_cast<size_t>(y) * rowBytes));
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

}  // namespace

bool WriteIndexedPng(const std::string& hostPath, int32_t width, int32_t height,
                     const uint8_t* pixels, const Rgb palette[256]) {
  return WritePng(hostPath, width, height, PNG_COLOR_TYPE_PALETTE, pixels,
                  static_cast<size_t>(width), palette);
}

bool WriteImagePng(const std::string& hostPath, const Image& image) {
  if (image.Empty()) return false;
  Rgb palette[256];
  GetPalette(palette);
  std::vector<uint8_t> pixels = image.Pixels();
  return WriteIndexedPng(hostPath, image.Width(), image.Height(), pixels.data(), palette);
}

bool WriteRgbPng(const std::string& hostPath, int32_t width, int32_t height, const uint8_t* rgb) {
  return WritePng(hostPath, width, height, PNG_COLOR_TYPE_RGB, rgb, static_cast<size_t>(width) * 3,
                  nullptr);
}

bool ReadIndexedPng(const std::string& hostPath, int32_t& width, int32_t& height,
                    std::vector<uint8_t>& pixels, std::vector<Rgb>& palette) {
  FILE* f = std::fopen(hostPath.c_str(), "rb");
  if (f == nullptr) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  png_uint_32 w = 0;
  png_uint_32 h = 0;
  // Filled inside the protected part, so allocated before it.
  pixels.clear();
  palette.assign(256, Rgb{});
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, f);
    png_read_info(png, info);
    w = png_get_image_width(png, info);
    h = png_get_image_height(png, info);
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_color_type(png, info) == PNG_COLOR_TYPE_PALETTE &&
        png_get_bit_depth(png, info) == 8 && w > 0 && h > 0 && w <= 16384 && h <= 16384 &&
        png_get_PLTE(png, info, &entries, &count) != 0) {
      for (int i = 0; i < count && i < 256; ++i)
        palette[static_cast<size_t>(i)] = Rgb{entries[i].red, entries[i].green, entries[i].blue};
      pixels.resize(static_cast<size_t>(w) * h);
      for (png_uint_32 y = 0; y < h; ++y) png_read_row(png, pixels.data() + y * w, nullptr);
      ok = true;
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  width = static_cast<int32_t>(w);
  height = static_cast<int32_t>(h);
  return ok;
}

}  // namespace platform
