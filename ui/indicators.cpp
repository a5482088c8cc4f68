#include "ui/indicators.h"

#include <algorithm>
#include <cstdio>

// ---- time display ----

void tDigits::Format(int32_t ms, char out[16]) {
  const int32_t seconds = ms / 1000;
  std::snprintf(out, 16, "%02d:%02d", seconds / 60, seconds % 60);
}

void tDigits::SetPosition(int32_t ms, bool redraw) {
  if (m_Position.exchange(ms) != ms && redraw) DrawPosition();
}

void tDigits::SetLength(int32_t ms, bool redraw) {
  if (m_Length.exchange(ms) != ms && redraw) DrawLength();
}

void tDigits::AdvancePosition(int32_t ms, bool redraw) {
  if (ms == 0) return;
  m_Position.fetch_add(ms);
  if (redraw) DrawPosition();
}

void tDigits::AdvanceLength(int32_t ms, bool redraw) {
  if (ms == 0) return;
  m_Length.fetch_add(ms);
  if (redraw) DrawLength();
}

void tDigits::DrawPosition() {
  ASSUME(m_Font);
  if (m_Font == nullptr) return;
  char text[16];
  Format(m_Position.load(), text);
  m_Font->DrawText(m_X, m_Y, text);
}

void tDigits::DrawLength() {
  ASSUME(m_Font);
  if (m_Font == nullptr) return;
  char text[16];
  Format(m_Length.load(), text);
  m_Font->DrawText(m_X, m_Y + 30, text);
}

void tDigits::Draw() {
  DrawPosition();
  DrawLength();
}

// ---- tempo digits ----

void tTempoDigits::Step(int32_t delta) {
  m_Value = std::clamp(m_Value + delta, kLowest, kHighest);
  Draw();
}

void tTempoDigits::DrawOnto(tSurface* target, int32_t x, int32_t y) {
  // Three digits can show 0 to 999; a value outside never reaches past frame 9.
  const int32_t value = std::clamp(m_Value, 0, 999);
  m_Digits.DrawFrame(value / 100, x, y, target);
  m_Digits.DrawFrame(value / 10 % 10, x + 18, y, target);
  m_Digits.DrawFrame(value % 10, x + 36, y, target);
}

// ---- lamp and LED ----

void tLamp::Set(bool on) {
  if (on == m_On) return;
  m_On = on;
  Draw();
}

bool tLed::Load(const char* path) {
  m_Image.Load(path, 5);
  m_Image.SetColourKey(kMagenta);
  return true;
}

void tLed::SetValue(int32_t value) {
  value = std::clamp(value, 0, 4);
  if (value == m_Value) return;
  m_Value = value;
  Draw();
}

// ---- metronome ----

void tMetronomeView::DrawBeat(uint32_t step, bool on) {
  m_Image.DrawFrame(on ? static_cast<int32_t>(step % 32) + 1 : 0, m_X, m_Y);
}
