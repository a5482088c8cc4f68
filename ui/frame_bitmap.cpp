#include "ui/frame_bitmap.h"

bool tFrameBitmap::Load(const char* path, int32_t frames) {
  SetFrameCount(frames);
  return tSurface::Load(path);
}

bool tFrameBitmap::FrameRects(int32_t n, int32_t x, int32_t y, tRect& src, tRect& dst) const {
  ASSUME(n >= 0 && n < m_Frames);
  if (n < 0 || n >= m_Frames || FrameWidth() <= 0) return false;
  const int32_t w = FrameWidth();
  src = tRect{n * w, 0, (n + 1) * w, Height()};
  dst = tRect{x, y, x + w, y + Height()};
  return true;
}

void tFrameBitmap::DrawFrame(int32_t n, int32_t x, int32_t y, tSurface* target) {
  tRect src, dst;
  if (FrameRects(n, x, y, src, dst)) Blit(src, dst, target);
}

void tFrameBitmap::DrawFrameKeyed(int32_t n, int32_t x, int32_t y, tSurface* target) {
  tRect src, dst;
  if (FrameRects(n, x, y, src, dst)) BlitKeyed(src, dst, target);
}
