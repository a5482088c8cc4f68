#pragma once
// Widgets that only show a value: the time display, the tempo digits, lamps,
// LEDs and the metronome's beat frames.
#include <atomic>
#include <cstdint>

#include "ui/frame_bitmap.h"
#include "ui/text.h"

// Position and length of the mix, each as minutes and seconds.
class tDigits {
 public:
  void SetFont(tBitmapFont* font) { m_Font = font; }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetPosition(int32_t ms, bool redraw);
  void SetLength(int32_t ms, bool redraw);
  void AdvancePosition(int32_t ms, bool redraw);
  void AdvanceLength(int32_t ms, bool redraw);
  int32_t Position() const { return m_Position.load(); }
  int32_t Length() const { return m_Length.load(); }
  // "mm:ss" of a value in milliseconds.
  static void Format(int32_t ms, char out[16]);
  void Draw();
  void DrawPosition();
  void DrawLength();

 private:
  tBitmapFont* m_Font = nullptr;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  // The tick thread advances them while the main thread redraws or sets them.
  std::atomic<int32_t> m_Position{0};
  std::atomic<int32_t> m_Length{0};
};

// The tempo panel's three digits.
class tTempoDigits {
 public:
  static constexpr int32_t kLowest = 90;
  static constexpr int32_t kHighest = 180;
  bool Load(const char* path) { return m_Digits.Load(path, 10); }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetValue(int32_t value) { m_Value = value; }
  int32_t Value() const { return m_Value; }
  // Adds delta (-1, -10, +10 or +1), keeps the value within 90 to 180, redraws.
  void Step(int32_t delta);
  void Draw() { DrawOnto(nullptr, m_X, m_Y); }
  void DrawOnto(tSurface* target, int32_t x, int32_t y);

 private:
  tFrameBitmap m_Digits;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Value = 130;
};

// A two-frame light: frame 1 on, frame 0 off.
class tLamp {
 public:
  bool Load(const char* path) { return m_Image.Load(path, 2); }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void Set(bool on);
  bool IsOn() const { return m_On; }
  void Draw() { m_Image.DrawFrame(m_On ? 1 : 0, m_X, m_Y); }

 private:
  tFrameBitmap m_Image;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  bool m_On = false;
};

// A strip's five-frame play-state light, keyed with magenta.
class tLed {
 public:
  bool Load(const char* path);
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetColourKey(tColour colour) { m_Image.SetColourKey(colour); }
  // 0 to 4; redraws when it changed.
  void SetValue(int32_t value);
  int32_t Value() const { return m_Value; }
  void Draw() { m_Image.DrawFrameKeyed(m_Value, m_X, m_Y); }

 private:
  tFrameBitmap m_Image;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Value = 0;
};

// The metronome's beat display: frame 0 idle, frames 1 to 32 the beats of a
// cycle of 32.
class tMetronomeView {
 public:
  static constexpr int32_t kFrames = 33;
  bool Load(const char* path) { return m_Image.Load(path, kFrames); }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  // Draws beat step (0 to 31) when the metronome is on, the idle frame when
  // it is off.
  void DrawBeat(uint32_t step, bool on);

 private:
  tFrameBitmap m_Image;
  int32_t m_X = 0;
  int32_t m_Y = 0;
};
