#pragma once
// A pop-up menu: the left half of its picture is the menu, the right half the
// same menu highlighted. It saves what it covers when it opens and puts it
// back when it closes.
#include <cstdint>

#include "ui/surface.h"

class tPopupMenu {
 public:
  bool Load(const char* path);
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  // The item rows: offset of the first row inside the menu, row size, count.
  void SetItems(int32_t offsetX, int32_t offsetY, int32_t itemWidth, int32_t itemHeight,
                int32_t count);
  void Open();
  // Puts back what the menu covered; nothing when it is not open.
  void Close();
  // Closes and gives the highlighted item, or -1 (none, or not open).
  int32_t CloseAndTake();
  // Highlights the item under the pointer while open.
  void Hover(int32_t px, int32_t py);
  void Draw();
  bool IsOpen() const { return m_Open; }
  int32_t Highlighted() const { return m_Highlighted; }

 private:
  tSurface m_Image;
  tSurface m_SaveUnder;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_OffsetX = 0;
  int32_t m_OffsetY = 0;
  int32_t m_ItemWidth = 0;
  int32_t m_ItemHeight = 0;
  int32_t m_Count = 0;
  int32_t m_Highlighted = -1;
  bool m_Open = false;
};
