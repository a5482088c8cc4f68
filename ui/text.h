#pragma once
// Text drawn from a bitmap font: the font, fixed-width labels and the
// performance-key letters.
#include <cstdint>
#include <string>

#include "platform/lock.h"
#include "ui/frame_bitmap.h"

// 86 glyphs of single-byte characters (code page 1252) side by side.
class tBitmapFont : public tFrameBitmap {
 public:
  static constexpr int32_t kGlyphs = 86;
  bool Load(const char* path) { return tFrameBitmap::Load(path, kGlyphs); }
  // The glyph of a character (its first place in the map), or -1.
  static int32_t GlyphOf(uint8_t ch);
  // Draws text with ASCII lower case as upper case; a character without a
  // glyph leaves a gap of one glyph.
  void DrawText(int32_t x, int32_t y, const char* text, tSurface* target = nullptr);
  // Draws one character; nothing for one without a glyph.
  void DrawCharacter(int32_t x, int32_t y, uint8_t ch, tSurface* target = nullptr);
};

class tTextLabel {
 public:
  enum class Align { kLeft, kRight };
  static constexpr int32_t kMaxWidth = 250;

  tTextLabel() { SetText(nullptr); }
  // Width in characters, 1 to 250; the text becomes blank.
  void SetWidth(int32_t width);
  int32_t WidthInCharacters() const { return m_Width; }
  void SetAlignment(Align align) { m_Align = align; }
  void Place(int32_t x, int32_t y) {
    m_X = x;
    m_Y = y;
  }
  void SetFont(tBitmapFont* font) { m_pFont = font; }
  // Fits text into the label's width: cut to the width, padded with spaces
  // after it (left-aligned) or before it (right-aligned). No text blanks it.
  void SetText(const char* text);
  const std::string& Buffer() const { return m_Buffer; }
  void Draw();

 private:
  int32_t m_Width = 10;
  Align m_Align = Align::kLeft;
  int32_t m_X = 0;
  int32_t m_Y = 0;
  tBitmapFont* m_pFont = nullptr;
  std::string m_Buffer;
};

// The letter of a strip's performance key. A click arms it, the release
// makes it wait for a key, and while waiting the letter blinks (driven by the
// tick thread); the next letter key A to Z becomes the new letter.
class tKeyLabel {
 public:
  enum : int32_t { kIdle = 0, kArmed = 1, kWaiting = 2 };

  void SetRect(const tRect& rect);
  const tRect& Rect() const { return m_Rect; }
  void SetFont(tBitmapFont* font);
  void SetLetter(uint8_t letter);
  uint8_t Letter();
  int32_t Mode();

  void Press(int32_t x, int32_t y);
  void Release(int32_t x, int32_t y);
  void Move(int32_t x, int32_t y);
  // Offered key codes while waiting: A to Z become the letter (returned);
  // anything else gives 0 and keeps waiting.
  uint8_t OfferKey(uint8_t key);
  // A MIDI note offered while waiting: the label stops waiting and shows its
  // letter again (true); the note is its channel's from now on.
  bool TakeNote();
  // The blink, with the tick timer's time.
  void Tick(uint32_t time);
  void Draw();

 private:
  bool Hit(int32_t x, int32_t y) const {
    return x >= m_Rect.left && x < m_Rect.right && y >= m_Rect.top && y < m_Rect.bottom;
  }
  void DrawCharacter(uint8_t ch);

  tCriticalSection m_Lock;
  tRect m_Rect{0, 0, 20, 20};
  tBitmapFont* m_pFont = nullptr;
  int32_t m_Mode = kIdle;
  uint8_t m_Letter = 0;
};
