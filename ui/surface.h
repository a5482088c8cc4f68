#pragma once
// The screen and off-screen images.
//
// The screen is one 8-bit image of 800 by 600 with one 256-colour palette
// that every image shares; everything the desk shows is copied onto it from
// a tSurface, opaque or leaving out the pixels of a colour key. There is no
// back buffer: what is copied to the screen is what the user sees at the
// next present.
#include <cstdint>
#include <cstdio>

#include "platform/display.h"
#include "support/errors.h"

using tRect = platform::PixelRect;

// A colour as 0x00BBGGRR.
using tColour = uint32_t;
constexpr tColour MakeColour(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<tColour>(red) | static_cast<tColour>(green) << 8 |
         static_cast<tColour>(blue) << 16;
}
// Transparent parts of the desk's bitmaps are magenta.
constexpr tColour kMagenta = MakeColour(255, 0, 255);
// Not a colour: a colour key of this value keys whatever pixel (0, 0) holds.
constexpr tColour kInvalidColour = 0xFFFFFFFF;

// A palette entry as bitmap files store it.
struct tPaletteEntry {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

class tSurface {
 public:
  BREVORA_DECLARE_ERROR(tError, tAnyError);

  tSurface() = default;
  virtual ~tSurface();
  tSurface(const tSurface&) = delete;
  tSurface& operator=(const tSurface&) = delete;

  // Loads a bitmap file (desk path). The colour table of an 8-bit file
  // becomes the screen palette. Throws tError "Failed to load <path>" when
  // the file cannot be read as a bitmap, and "Can not create secundary
  // surface." when it can but no image of its size can be made; the palette
  // is then left as it was.
  bool Load(const char* path);
  // A black image of the given size; false when it cannot be made.
  bool Create(int32_t width, int32_t height);
  int32_t Width() const { return m_Width; }
  int32_t Height() const { return m_Height; }
  // Makes the palette index that colour maps to (nearest colour, the first
  // index on a tie) transparent for keyed copies. kInvalidColour takes the
  // index of pixel (0, 0). False when there is no image.
  bool SetColourKey(tColour colour);

  // Copies the whole image to (x, y) of target, the screen when none is given.
  void Draw(int32_t x, int32_t y, tSurface* target = nullptr);
  void DrawKeyed(int32_t x, int32_t y, tSurface* target = nullptr);
  // Copies rectangle src of this image to rectangle dst of target.
  void Blit(const tRect& src, const tRect& dst, tSurface* target = nullptr);
  void BlitKeyed(const tRect& src, const tRect& dst, tSurface* target = nullptr);
  // Copies a rectangle of the screen into this image (to put it back later).
  void SaveBack(const tRect& screenRect, const tRect& ownRect);
  void Release();

  platform::Image& Image() { return m_Image; }
  const platform::Image& Image() const { return m_Image; }

 private:
  void Copy(const tRect& src, const tRect& dst, tSurface* target, bool keyed);

  platform::Image m_Image;
  int32_t m_Width = 0;
  int32_t m_Height = 0;
};

// The text of a refused copy, as the desk reports it.
const char* BlitErrorText(platform::BlitStatus status);

// ---- the screen ----
// Opens the display, sets the mode, creates the screen image and gives it
// the start-up palette. Throws tSurface::tError naming the step that failed.
bool CreateScreen(const platform::DisplayOptions& options, int32_t width, int32_t height,
                  int32_t bits);
// Accepts 640 by 480 by 8 and 800 by 600 by 8 (reached through 640 by 480);
// anything else, or no open display, does nothing and gives false.
bool SetDisplayMode(int32_t width, int32_t height, int32_t bits);
// Copies count entries from the bitmap order (blue, green, red) into the
// screen palette from entry 0. False when the palette refuses them.
bool SetPalette(const tPaletteEntry* entries, int count);
// Fills (0, 0)-(800, 600) of the screen, as far as the screen reaches, with black.
void ClearScreen();
void ReleaseScreen();

// Where the parts of an 8-bit bitmap file lie, as its headers give them.
struct tBitmapLayout {
  int32_t width = 0;
  int32_t height = 0;        // negative when the rows are stored top-down
  uint32_t compression = 0;  // 0 for plain rows
  uint32_t tableOffset = 0;  // the colour table follows the information header
  int32_t tableEntries = 0;  // 1 to 256
  uint32_t pixelOffset = 0;
};
// Reads the headers at the start of an open bitmap file. False unless they
// are those of an 8-bit bitmap ("BM", an information header of 40 bytes or
// more) with a colour table of at most 256 entries.
bool ReadBitmapLayout(FILE* file, tBitmapLayout& layout);

// Reads the colour table of an 8-bit bitmap file into the screen palette,
// from entry 0. A file that cannot be opened leaves the palette unchanged,
// and so does a file of another depth; entries beyond the file's table (a
// table of fewer colours, or a file that ends early) stay unchanged.
bool LoadPaletteFromBitmap(const char* path);
