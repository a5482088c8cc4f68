#pragma once
// A strip's timing controls: the number switch that chooses which of the
// quantize, delay and length spinners is shown, and the spinners themselves.
#include <array>
#include <cstdint>

#include "ui/control.h"

// Three positions, chosen by clicking a position's label or stepped round by
// the knob.
class tSelectorSwitch {
 public:
  bool Load(const char* path) { return m_Image.Load(path, 3); }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetSound(tSoundCue* sound) { m_pSound = sound; }
  // The new position when the press changed it (the sound plays), else -1.
  int32_t Press(int32_t px, int32_t py);
  int32_t Position() const { return m_Position; }
  void SetPosition(int32_t position) { m_Position = position; }
  void Draw() { m_Image.DrawFrame(m_Position, m_X + 64, m_Y + 27); }

 private:
  tFrameBitmap m_Image;
  tSoundCue* m_pSound = nullptr;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Position = 0;
};

// One of nine values, stepped by a left and a right arrow button.
class tSpinner {
 public:
  static constexpr int32_t kCount = 9;
  using tValues = std::array<double, kCount>;
  static constexpr tValues kQuantizeValues{0, 0.25, 0.5, 1, 2, 4, 8, 16, 32};
  static constexpr tValues kDelayValues{0, 0.25, 0.5, 1, 2, 3, 4, 8, 16};
  static constexpr tValues kLengthValues{0, 0.25, 0.5, 1, 2, 4, 8, 16, 32};

  explicit tSpinner(const tValues& values) : m_Values(values) {}
  // The value picture and the two arrows ("data\spin_l.bmp", "data\spin_r.bmp").
  bool Load(const char* valuePath);
  void Place(int32_t x, int32_t y);
  void SetActive(bool active) { m_Active = active; }
  bool Active() const { return m_Active; }
  void SetWrap(bool wrap) { m_Wrap = wrap; }
  void SetClickSound(tSoundCue* sound);

  void Press(int32_t px, int32_t py);
  void Move(int32_t px, int32_t py);
  // The index after a click on an arrow (drawn), else -1.
  int32_t Release(int32_t px, int32_t py);
  void Draw();

  int32_t Index() const { return m_Index; }
  void SetIndex(int32_t index);
  double Value() const { return m_Values[static_cast<size_t>(m_Index)]; }
  // Selects the entry equal to value; a value not in the table changes nothing.
  void SetValue(double value);

 private:
  tValues m_Values;
  tFrameBitmap m_Image;
  tButton m_Left;
  tButton m_Right;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Index = 0;
  bool m_Active = true;
  bool m_Wrap = false;
};

class tChannelPanel {
 public:
  enum : int32_t { kQuantize = 0, kDelay = 1, kLength = 2 };

  tChannelPanel();
  // The number switch from switchPath; the symbols and spinner pictures from
  // the desk's data folder.
  bool Load(const char* switchPath);
  void Place(int32_t x, int32_t y);
  void SetSwitchSound(tSoundCue* sound) { m_Switch.SetSound(sound); }

  void Press(int32_t px, int32_t py);
  void Move(int32_t px, int32_t py);
  // The spinner whose value the release changed (kQuantize, kDelay or
  // kLength), or -1 when none changed.
  int32_t Release(int32_t px, int32_t py);
  void Draw();

  int32_t Selected() const { return m_Switch.Position(); }
  double Quantize() const { return m_Quantize.Value(); }
  double Delay() const { return m_Delay.Value(); }
  double Length() const { return m_Length.Value(); }
  void SetQuantize(double beats) { m_Quantize.SetValue(beats); }
  void SetDelay(double beats) { m_Delay.SetValue(beats); }
  void SetLength(double beats) { m_Length.SetValue(beats); }

 private:
  void Activate(int32_t position);

  tSelectorSwitch m_Switch;
  tFrameBitmap m_Symbols;
  tSpinner m_Quantize{tSpinner::kQuantizeValues};
  tSpinner m_Delay{tSpinner::kDelayValues};
  tSpinner m_Length{tSpinner::kLengthValues};
  int32_t m_X = 0;
  int32_t m_Y = 0;
};
