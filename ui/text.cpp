#include "ui/text.h"

#include <algorithm>
#include <cstring>

namespace {

// The font's glyphs in order, as code page 1252 codes.
constexpr uint8_t kGlyphMap[tBitmapFont::kGlyphs] = {
    ' ', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I',  'J', 'K', 'L', 'M', 'N', 'O', 'P', 'Q',
    'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', '0',  '1', '2', '3', '4', '5', '6', '7', '8',
    '9', '/', '.', '-', '+', 179, '&', 201, '"', '\'', '(', 167, 163, '!', 199, 192, ')', '-',
    '^', '$', 217, 163, '<', 130, ';', ':', '=', '#',  '#', '#', '#', '#', '#', '#', '#', '#',
    '#', '#', '#', 242, 232, 246, 252, 228, 233, 224,  244, 234, 225, 243};

uint8_t AsciiUpper(uint8_t ch) {
  return (ch >= 'a' && ch <= 'z') ? static_cast<uint8_t>(ch - 'a' + 'A') : ch;
}

}  // namespace

int32_t tBitmapFont::GlyphOf(uint8_t ch) {
  for (int32_t i = 0; i < kGlyphs; ++i)
    if (kGlyphMap[i] == ch) return i;
  return -1;
}

void tBitmapFont::DrawText(int32_t x, int32_t y, const char* text, tSurface* target) {
  if (text == nullptr) return;
  for (const char* p = text; *p != 0; ++p) {
    int32_t glyph = GlyphOf(AsciiUpper(static_cast<uint8_t>(*p)));
    if (glyph >= 0) DrawFrame(glyph, x, y, target);
    x += FrameWidth();
  }
}

void tBitmapFont::DrawCharacter(int32_t x, int32_t y, uint8_t ch, tSurface* target) {
  int32_t glyph = GlyphOf(AsciiUpper(ch));
  if (glyph >= 0) DrawFrame(glyph, x, y, target);
}

// ---- text label ----

void tTextLabel::SetWidth(int32_t width) {
  m_Width = std::clamp(width, 1, kMaxWidth);
  SetText(nullptr);
}

void tTextLabel::SetText(const char* text) {
  const size_t width = static_cast<size_t>(m_Width);
  if (text == nullptr) {
    m_Buffer.assign(width, ' ');
    return;
  }
  const size_t length = std::min(std::strlen(text), width);
  if (m_Align == Align::kLeft) {
    m_Buffer.assign(text, length);
    m_Buffer.append(width - length, ' ');
  } else {
    m_Buffer.assign(width - length, ' ');
    m_Buffer.append(text, length);
  }
}

void tTextLabel::Draw() {
  if (m_pFont != nullptr && !m_Buffer.empty()) m_pFont->DrawText(m_X, m_Y, m_Buffer.c_str());
}

// ---- key label ----

void tKeyLabel::SetRect(const tRect& rect) {
  tLock lock(m_Lock);
  m_Rect = rect;
}

void tKeyLabel::SetFont(tBitmapFont* font) {
  tLock lock(m_Lock);
  m_pFont = font;
}

void tKeyLabel::SetLetter(uint8_t letter) {
  tLock lock(m_Lock);
  m_Letter = letter;
}

uint8_t tKeyLabel::Letter() {
  tLock lock(m_Lock);
  return m_Letter;
}

int32_t tKeyLabel::Mode() {
  tLock lock(m_Lock);
  return m_Mode;
}

void tKeyLabel::Press(int32_t x, int32_t y) {
  tLock lock(m_Lock);
  if (Hit(x, y)) m_Mode = kArmed;
}

void tKeyLabel::Release(int32_t x, int32_t y) {
  tLock lock(m_Lock);
  if (m_Mode != kIdle && Hit(x, y)) m_Mode = kWaiting;
}

void tKeyLabel::Move(int32_t x, int32_t y) {
  tLock lock(m_Lock);
  if (!Hit(x, y) && m_Mode == kArmed) {
    m_Mode = kIdle;
    Draw();
  }
}

uint8_t tKeyLabel::OfferKey(uint8_t key) {
  tLock lock(m_Lock);
  if (m_Mode != kWaiting || key < 'A' || key > 'Z') return 0;
  m_Letter = key;
  m_Mode = kIdle;
  Draw();
  return key;
}

bool tKeyLabel::TakeNote() {
  tLock lock(m_Lock);
  if (m_Mode != kWaiting) return false;
  m_Mode = kIdle;
  Draw();
  return true;
}

void tKeyLabel::Tick(uint32_t time) {
  tLock lock(m_Lock);
  if (m_Mode != kWaiting) return;
  if (time % 20 == 0)
    DrawCharacter(m_Letter);
  else if (time % 20 == 10)
    DrawCharacter(' ');
}

void tKeyLabel::Draw() {
  tLock lock(m_Lock);
  DrawCharacter(m_Letter);
}

void tKeyLabel::DrawCharacter(uint8_t ch) {
  if (m_pFont != nullptr) m_pFont->DrawCharacter(m_Rect.left, m_Rect.top, ch);
}
