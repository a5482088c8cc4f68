#include "ui/vu_view.h"

bool tVuFrameStrip::Load(const char* fileName, uint32_t frames) {
  return m_Image.Load(fileName, static_cast<int32_t>(frames));
}

void tVuFrameStrip::SetColorKey(uint32_t rgb) {
  m_Keyed = m_Image.SetColourKey(MakeColour(
      static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)));
}

void tVuFrameStrip::DrawFrame(uint32_t frame, int x, int y) {
  const int32_t n = static_cast<int32_t>(frame < 0x7FFFFFFF ? frame : 0x7FFFFFFF);
  if (m_Keyed)
    m_Image.DrawFrameKeyed(n, x, y);
  else
    m_Image.DrawFrame(n, x, y);
}

tVuStripMaker ScreenVuStrips() {
  return [] { return std::unique_ptr<tVuStrip>(new tVuFrameStrip); };
}
