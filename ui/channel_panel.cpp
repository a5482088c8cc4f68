#include "ui/channel_panel.h"

namespace {

bool Inside(int32_t px, int32_t py, int32_t x, int32_t y, int32_t w, int32_t h) {
  return px >= x && px < x + w && py >= y && py < y + h;
}

}  // namespace

// ---- selector switch ----

int32_t tSelectorSwitch::Press(int32_t px, int32_t py) {
  int32_t position = -1;
  if (Inside(px, py, m_X + 7, m_Y + 23, 45, 11))
    position = 0;
  else if (Inside(px, py, m_X + 7, m_Y + 35, 43, 11))
    position = 1;
  else if (Inside(px, py, m_X + 7, m_Y + 48, 33, 11))
    position = 2;
  else if (Inside(px, py, m_X + 52, m_Y + 26, 40, 40))
    position = (m_Position + 1) % 3;
  if (position < 0 || position == m_Position) return -1;
  m_Position = position;
  if (m_pSound != nullptr) m_pSound->PlayFromStart();
  return position;
}

// ---- spinner ----

bool tSpinner::Load(const char* valuePath) {
  m_Image.Load(valuePath, kCount);
  m_Left.Load("data\\spin_l.bmp");
  m_Right.Load("data\\spin_r.bmp");
  Place(m_X, m_Y);
  return true;
}

void tSpinner::Place(int32_t x, int32_t y) {
  m_X = x;
  m_Y = y;
  m_Left.Place(x - 15, y - 6);
  m_Right.Place(x + 25, y - 6);
}

void tSpinner::SetClickSound(tSoundCue* sound) {
  m_Left.SetClickSound(sound);
  m_Right.SetClickSound(sound);
}

void tSpinner::Press(int32_t px, int32_t py) {
  if (!m_Active) return;
  m_Left.Press(px, py);
  m_Right.Press(px, py);
}

void tSpinner::Move(int32_t px, int32_t py) {
  if (!m_Active) return;
  m_Left.Move(px, py);
  m_Right.Move(px, py);
}

int32_t tSpinner::Release(int32_t px, int32_t py) {
  if (!m_Active) return -1;
  int32_t index = m_Index;
  if (m_Left.Release(px, py))
    index = m_Index > 0 ? m_Index - 1 : (m_Wrap ? kCount - 1 : 0);
  else if (m_Right.Release(px, py))
    index = m_Index < kCount - 1 ? m_Index + 1 : (m_Wrap ? 0 : kCount - 1);
  else
    return -1;
  m_Index = index;
  Draw();
  return index;
}

void tSpinner::Draw() {
  if (!m_Active) return;
  m_Left.Draw();
  m_Right.Draw();
  m_Image.DrawFrame(m_Index, m_X, m_Y);
}

void tSpinner::SetIndex(int32_t index) {
  if (index >= 0 && index < kCount) m_Index = index;
}

void tSpinner::SetValue(double value) {
  for (int32_t i = 0; i < kCount; ++i)
    if (m_Values[static_cast<size_t>(i)] == value) {
      m_Index = i;
      return;
    }
}

// ---- channel panel ----

tChannelPanel::tChannelPanel() {
  Activate(kQuantize);
}

bool tChannelPanel::Load(const char* switchPath) {
  m_Switch.Load(switchPath);
  m_Symbols.Load("data\\symbols.bmp", 3);
  m_Quantize.Load("data\\spin_quantize.bmp");
  m_Delay.Load("data\\spin_delay.bmp");
  m_Length.Load("data\\spin_length.bmp");
  Place(m_X, m_Y);
  return true;
}

void tChannelPanel::Place(int32_t x, int32_t y) {
  m_X = x;
  m_Y = y;
  m_Switch.Place(x, y);
  m_Quantize.Place(x + 20, y + 75);
  m_Delay.Place(x + 20, y + 75);
  m_Length.Place(x + 20, y + 75);
}

void tChannelPanel::Activate(int32_t position) {
  m_Quantize.SetActive(position == kQuantize);
  m_Delay.SetActive(position == kDelay);
  m_Length.SetActive(position == kLength);
}

void tChannelPanel::Press(int32_t px, int32_t py) {
  m_Quantize.Press(px, py);
  m_Delay.Press(px, py);
  m_Length.Press(px, py);
  const int32_t position = m_Switch.Press(px, py);
  if (position < 0) return;
  Activate(position);
  Draw();
}

void tChannelPanel::Move(int32_t px, int32_t py) {
  m_Quantize.Move(px, py);
  m_Delay.Move(px, py);
  m_Length.Move(px, py);
}

int32_t tChannelPanel::Release(int32_t px, int32_t py) {
  int32_t changed = -1;
  const std::array<tSpinner*, 3> spinners{&m_Quantize, &m_Delay, &m_Length};
  const std::array<int32_t, 3> which{kQuantize, kDelay, kLength};
  for (size_t i = 0; i < spinners.size(); ++i) {
    const int32_t before = spinners[i]->Index();
    const int32_t after = spinners[i]->Release(px, py);
    if (after >= 0 && after != before) changed = which[i];
  }
  return changed;
}

void tChannelPanel::Draw() {
  m_Switch.Draw();
  m_Symbols.DrawFrame(m_Switch.Position(), m_X + 20, m_Y + 66);
  m_Quantize.Draw();
  m_Delay.Draw();
  m_Length.Draw();
}
