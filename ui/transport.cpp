#include "ui/transport.h"

#include "platform/clock.h"
#include "platform/display.h"

bool tTransport::Load(const char* path, int32_t frames) {
  m_Frames = frames > 0 ? frames : 1;
  m_Image.Load(path);
  m_Rec.Load("data\\Rec.bmp");
  m_RecordStop.Load("data\\StopR.bmp");
  m_Play.Load("data\\Play.bmp");
  m_PlayStop.Load("data\\StopP.bmp");
  Place(m_X, m_Y);
  return true;
}

void tTransport::Place(int32_t x, int32_t y) {
  m_X = x;
  m_Y = y;
  // Each mode shows its own pair of buttons in the same places.
  m_Rec.Place(x + 77, y + 24);
  m_RecordStop.Place(x + 13, y + 24);
  m_Play.Place(x + 77, y + 24);
  m_PlayStop.Place(x + 13, y + 24);
  m_RecordZone.SetRect(tRect{x - 22, y + 2, x - 22 + 55, y + 2 + 14});
  m_PlayZone.SetRect(tRect{x + 86, y + 2, x + 86 + 55, y + 2 + 14});
  m_ToggleZone.SetRect(tRect{x + 36, y + 1, x + 36 + 45, y + 1 + 16});
}

void tTransport::DrawFrame(int32_t frame) {
  const int32_t h = m_Image.Height() / m_Frames;
  ASSUME(frame >= 0 && frame < m_Frames);
  if (frame < 0 || frame >= m_Frames || h <= 0) return;
  const int32_t w = m_Image.Width();
  m_Image.Blit(tRect{0, frame * h, w, (frame + 1) * h}, tRect{m_X, m_Y, m_X + w, m_Y + h});
}

void tTransport::Draw() {
  if (m_Mode == kRecordMode) {
    DrawFrame(0);
    m_Rec.Draw();
    m_RecordStop.Draw();
  } else if (m_Mode == kPlayMode) {
    DrawFrame(m_Frames - 1);
    m_Play.Draw();
    m_PlayStop.Draw();
  }
}

void tTransport::SetMode(int32_t mode) {
  const bool toPlay = mode == kPlayMode;
  m_Mode = kChangingMode;
  if (m_pSound != nullptr) m_pSound->PlayFromStart();
  for (int32_t i = 0; i < m_Frames; ++i) {
    if (i > 0 && m_PauseMs > 0) platform::SleepMs(m_PauseMs);
    const int32_t frame = toPlay ? i : m_Frames - 1 - i;
    DrawFrame(frame);
    platform::PresentNow();
    if (m_FrameShown) m_FrameShown(frame);
  }
  m_Mode = toPlay ? kPlayMode : kRecordMode;
  Draw();
}

void tTransport::Press(int32_t px, int32_t py) {
  m_RecordZone.Press(px, py);
  m_PlayZone.Press(px, py);
  m_ToggleZone.Press(px, py);
}

void tTransport::Move(int32_t px, int32_t py) {
  m_RecordZone.Move(px, py);
  m_PlayZone.Move(px, py);
  m_ToggleZone.Move(px, py);
}

bool tTransport::Release(int32_t px, int32_t py) {
  const int32_t before = m_Mode;
  int32_t target = before;
  // Every zone sees the release, so that none stays down.
  const bool record = m_RecordZone.Release(px, py);
  const bool play = m_PlayZone.Release(px, py);
  const bool toggle = m_ToggleZone.Release(px, py);
  if (record)
    target = kRecordMode;
  else if (play)
    target = kPlayMode;
  else if (toggle)
    target = before == kPlayMode ? kRecordMode : kPlayMode;
  // Choosing the mode already shown slides nothing.
  if (target != before) SetMode(target);
  return m_Mode != before;
}
