#include "ui/control.h"

void tControl::Draw() {
  switch (m_State) {
    case kNormal:
      DrawNormal();
      break;
    case kDown:
      DrawDown();
      break;
    default:
      DrawDisabled();
      break;
  }
}

void tControl::SetState(int32_t state) {
  if (state == m_State) return;
  m_State = state;
  Draw();
}

bool tPushControl::Press(int32_t x, int32_t y) {
  if (!Hit(x, y) || m_State == kDisabled) return false;
  SetState(kDown);
  PlayClick();
  return true;
}

void tPushControl::Move(int32_t x, int32_t y) {
  if (m_State == kDown && !Hit(x, y)) SetState(kNormal);
}

bool tPushControl::Release(int32_t x, int32_t y) {
  // Every release ends the press: a button released off itself comes up
  // without a click, so that a later release on it cannot click either.
  if (m_State != kDown) return false;
  SetState(kNormal);
  return Hit(x, y);
}

bool tMomentaryControl::Press(int32_t x, int32_t y) {
  if (!Hit(x, y) || m_State == kDisabled) return false;
  SetState(kDown);
  PlayClick();
  return true;
}

void tMomentaryControl::Move(int32_t x, int32_t y) {
  if (m_State == kDown && !Hit(x, y)) SetState(kNormal);
}

void tMomentaryControl::Release(int32_t, int32_t) {
  // The press was the action; whatever the release lands on, it comes up.
  if (m_State == kDown) SetState(kNormal);
}

bool tToggleControl::Press(int32_t x, int32_t y) {
  if (!Hit(x, y) || m_State == kDisabled) return false;
  SetState(m_State == kNormal ? kDown : kNormal);
  PlayClick();
  return true;
}

bool tArrowButton::Load(const char* path) {
  m_Image.Load(path, 2);
  Place(m_X, m_Y);
  return true;
}

void tArrowButton::Place(int32_t x, int32_t y) {
  m_X = x;
  m_Y = y;
  SetRect(tRect{x, y, x + m_Image.FrameWidth(), y + m_Image.FrameHeight()});
}

void tArrowButton::DrawNormal() {
  m_Image.DrawFrame(0, m_X, m_Y);
}
void tArrowButton::DrawDown() {
  m_Image.DrawFrame(1, m_X, m_Y);
}
