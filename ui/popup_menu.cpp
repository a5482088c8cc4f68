#include "ui/popup_menu.h"

bool tPopupMenu::Load(const char* path) {
  m_Image.Load(path);
  if (!m_SaveUnder.Create(m_Image.Width() / 2, m_Image.Height())) return false;
  return m_Image.SetColourKey(kMagenta);
}

void tPopupMenu::SetItems(int32_t offsetX, int32_t offsetY, int32_t itemWidth, int32_t itemHeight,
                          int32_t count) {
  m_OffsetX = offsetX;
  m_OffsetY = offsetY;
  m_ItemWidth = itemWidth;
  m_ItemHeight = itemHeight;
  m_Count = count;
}

void tPopupMenu::Open() {
  m_Open = true;
  m_Highlighted = -1;
  const int32_t w = m_Image.Width() / 2;
  const int32_t h = m_Image.Height();
  m_SaveUnder.SaveBack(tRect{m_X, m_Y, m_X + w, m_Y + h}, tRect{0, 0, w, h});
  Draw();
}

void tPopupMenu::Close() {
  if (!m_Open) return;
  m_Open = false;
  m_SaveUnder.Draw(m_X, m_Y);
}

int32_t tPopupMenu::CloseAndTake() {
  if (!m_Open) return -1;
  Close();
  return m_Highlighted;
}

void tPopupMenu::Hover(int32_t px, int32_t py) {
  if (!m_Open) return;
  int32_t item = -1;
  for (int32_t i = 0; i < m_Count; ++i) {
    const int32_t left = m_X + m_OffsetX;
    const int32_t top = m_Y + m_OffsetY + i * m_ItemHeight;
    if (px >= left && px < left + m_ItemWidth && py >= top && py < top + m_ItemHeight) {
      item = i;
      break;
    }
  }
  if (item == m_Highlighted) return;
  m_Highlighted = item;
  Draw();
}

void tPopupMenu::Draw() {
  if (!m_Open) return;
  const int32_t half = m_Image.Width() / 2;
  const int32_t h = m_Image.Height();
  m_Image.BlitKeyed(tRect{0, 0, half, h}, tRect{m_X, m_Y, m_X + half, m_Y + h});
  if (m_Highlighted < 0) return;
  const int32_t sx = m_OffsetX + half;
  const int32_t sy = m_OffsetY + m_Highlighted * m_ItemHeight;
  const int32_t dx = m_X + m_OffsetX;
  const int32_t dy = m_Y + m_OffsetY + m_Highlighted * m_ItemHeight;
  m_Image.BlitKeyed(tRect{sx, sy, sx + m_ItemWidth, sy + m_ItemHeight},
                    tRect{dx, dy, dx + m_ItemWidth, dy + m_ItemHeight});
}
