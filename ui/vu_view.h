#pragma once
// The level meters' pictures: frame strips on the screen for tVU_Gui.
#include <memory>

#include "audio/vu.h"
#include "ui/frame_bitmap.h"

// A strip drawn opaque, or keyed once it has been given a colour key.
class tVuFrameStrip : public tVuStrip {
 public:
  // Throws tSurface::tError when the file cannot be loaded, as every desk
  // bitmap does.
  bool Load(const char* fileName, uint32_t frames) override;
  void SetColorKey(uint32_t rgb) override;
  void DrawFrame(uint32_t frame, int x, int y) override;

 private:
  tFrameBitmap m_Image;
  bool m_Keyed = false;
};

// What tVU_Gui::Init is given to make its two strips.
tVuStripMaker ScreenVuStrips();
