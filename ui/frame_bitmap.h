#pragma once
// An image cut into equal frames laid side by side.
#include "ui/surface.h"

class tFrameBitmap : public tSurface {
 public:
  // Loads the image and sets the frame count (at least 1).
  bool Load(const char* path, int32_t frames);
  void SetFrameCount(int32_t frames) { m_Frames = frames > 0 ? frames : 1; }
  int32_t FrameCount() const { return m_Frames; }
  int32_t FrameWidth() const { return Width() / m_Frames; }
  int32_t FrameHeight() const { return Height(); }
  // Copies frame n opaque / keyed to (x, y) of target (the screen when none).
  // A frame number outside the image is an assumption failure and draws nothing.
  void DrawFrame(int32_t n, int32_t x, int32_t y, tSurface* target = nullptr);
  void DrawFrameKeyed(int32_t n, int32_t x, int32_t y, tSurface* target = nullptr);

 private:
  bool FrameRects(int32_t n, int32_t x, int32_t y, tRect& src, tRect& dst) const;
  int32_t m_Frames = 1;
};
