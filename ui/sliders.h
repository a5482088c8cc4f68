#pragma once
// The volume and balance sliders, their hit mask, and the master pitch knob.
// Sliders take their value from the point of a press; nothing is dragged.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "ui/frame_bitmap.h"
#include "ui/text.h"

// The colours of an 8-bit bitmap file read straight from the file, for hit
// tests. Empty (nothing hits) when the file cannot be read.
class tMaskBitmap {
 public:
  bool Load(const char* path);
  bool Empty() const { return m_Pixels.empty(); }
  int32_t Width() const { return m_Width; }
  int32_t Height() const { return m_Height; }
  // The colour at (x, y); false outside the mask.
  bool ColourAt(int32_t x, int32_t y, tPaletteEntry& colour) const;

 private:
  int32_t m_Width = 0;
  int32_t m_Height = 0;
  tPaletteEntry m_Table[256];
  std::vector<uint8_t> m_Pixels;  // top row first
};

// The picture and mask that every volume slider shares: the left half of the
// picture is the unlit scale, the right half the lit one, 11 segments each.
struct tVolumeSliderArt {
  tSurface image;
  tMaskBitmap mask;
  bool Load(const char* imagePath, const char* maskPath);
};

class tVolumeSlider {
 public:
  void SetArt(tVolumeSliderArt* art) { m_pArt = art; }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  // Clamps to 0 to 100 and redraws when it changed.
  void SetValue(int32_t value);
  int32_t Value() const { return m_Value; }
  // Lit segments for a value.
  static int32_t LitCount(int32_t value);
  // The value a press at (px, py) chooses; none outside the mask's green.
  std::optional<int32_t> HitValue(int32_t px, int32_t py) const;
  void Draw();

 private:
  tVolumeSliderArt* m_pArt = nullptr;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Value = 100;
};

// The left half of the shared picture is the scale, the right half the knob
// at each of 11 places; both drawn keyed.
class tBalanceSlider {
 public:
  void SetImage(tSurface* image) { m_pImage = image; }
  // The picture the slider stands on (the desk's background, at the same
  // coordinates). The scale is drawn keyed, so without it a redraw would
  // leave the knob of the old value beside the new one.
  void SetBackdrop(tSurface* backdrop) { m_pBackdrop = backdrop; }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  // Clamps to -100 to 100 and redraws when it changed.
  void SetValue(int32_t value);
  int32_t Value() const { return m_Value; }
  static int32_t KnobPlace(int32_t value);
  // The value a press at (px, py) chooses; none outside the scale (every
  // number, -1 too, may be a value).
  std::optional<int32_t> HitValue(int32_t px, int32_t py) const;
  void Draw();

 private:
  tSurface* m_pImage = nullptr;
  tSurface* m_pBackdrop = nullptr;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Value = 0;
};

// The master speed knob, -20 to +20, which also shows the tempo.
class tPitchKnob {
 public:
  bool Load(const char* path) { return m_Knob.Load(path, 11); }
  void SetFont(tBitmapFont* font) { m_pFont = font; }
  // Where the tempo shown above the knob comes from.
  void SetTempoSource(std::function<int32_t()> tempo) { m_Tempo = std::move(tempo); }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetEnabled(bool enabled) { m_Enabled = enabled; }
  bool Enabled() const { return m_Enabled; }
  void StepUp();
  void StepDown();
  void Set(int32_t value, bool redraw);
  int32_t Value() const { return m_Value; }
  static int32_t FrameOf(int32_t value);
  // A press on the scale sets the value (0 on the centre mark) and redraws.
  bool Hit(int32_t px, int32_t py);
  void Draw();

 private:
  tFrameBitmap m_Knob;
  tBitmapFont* m_pFont = nullptr;
  std::function<int32_t()> m_Tempo;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  int32_t m_Value = 0;
  bool m_Enabled = true;
};
