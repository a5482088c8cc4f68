// 8-bit bitmaps: any file read as a desk image, as a frame strip, as a colour
// table and as a slider's hit mask is refused or loaded within its bounds.
#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "ui/frame_bitmap.h"
#include "ui/sliders.h"
#include "ui/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzFile("fuzz.bmp", data, size);
  // The desk's own images are fatal when they do not load: the error is the contract.
  try {
    tSurface surface;
    if (surface.Load(path.c_str()) && (surface.Width() <= 0 || surface.Height() <= 0)) std::abort();
    tFrameBitmap frames;
    frames.Load(path.c_str(), 3);
  } catch (const tSurface::tError&) {
  }
  LoadPaletteFromBitmap(path.c_str());
  tMaskBitmap mask;
  if (mask.Load(path.c_str())) {
    tPaletteEntry colour;
    mask.ColourAt(0, 0, colour);
    mask.ColourAt(mask.Width() - 1, mask.Height() - 1, colour);
  }
  return 0;
}
