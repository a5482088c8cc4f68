#include "ui/dialog_font.h"

#include "platform/cp1252.h"

namespace {

using dialog_layout::kCellH;
using dialog_layout::kCellW;

constexpr uint8_t kEllipsis = 0x85;

// Decodes one UTF-8 sequence at bytes[i]; its length, or 0 when it is not
// a valid, shortest-form sequence of a character.
size_t DecodeUtf8(const std::string& bytes, size_t i, char32_t& u) {
  const auto at = [&](size_t k) { return static_cast<uint8_t>(bytes[k]); };
  const uint8_t b = at(i);
  size_t length;
  char32_t min;
  if ((b & 0xE0) == 0xC0) {
    length = 2, u = b & 0x1F, min = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3, u = b & 0x0F, min = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4, u = b & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    u = (u << 6) | (at(i + k) & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

uint16_t DialogGlyphOf(uint8_t cp1252) {
  if (!dialog_layout::IsPrintable(platform::Cp1252ToUnicode(cp1252)))
    return dialog_layout::kPlaceholderGlyph;
  return static_cast<uint16_t>(cp1252 - dialog_layout::kFirstCode);
}

std::vector<tShownCharacter> ShownCharacters(const std::string& bytes) {
  std::vector<tShownCharacter> out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x80) {
      out.push_back({DialogGlyphOf(b), 1});
      ++i;
      continue;
    }
    char32_t u = 0;
    const size_t length = DecodeUtf8(bytes, i, u);
    if (length == 0) {
      out.push_back({dialog_layout::kPlaceholderGlyph, 1});
      ++i;
      continue;
    }
    uint8_t code = 0;
    const bool known = platform::UnicodeToCp1252(u, code);
    out.push_back({known ? DialogGlyphOf(code) : uint16_t(dialog_layout::kPlaceholderGlyph),
                   static_cast<uint8_t>(length)});
    i += length;
  }
  return out;
}

std::string HostBytesOf(uint8_t cp1252) {
  if (!dialog_layout::IsPrintable(platform::Cp1252ToUnicode(cp1252))) return "";
  return platform::Cp1252ToUtf8(std::string(1, static_cast<char>(cp1252)));
}

void tDialogFont::Load(const char* path) {
  m_Image.Load(path);
}

uint8_t tDialogFont::Background(dialog_layout::Style style) const {
  return m_Image.Image().PixelAt(0, static_cast<int32_t>(style) * kCellH);
}

void tDialogFont::Draw(int32_t x, int32_t y, const std::vector<tShownCharacter>& text, size_t first,
                       size_t count, dialog_layout::Style style) {
  const int32_t row = static_cast<int32_t>(style) * kCellH;
  for (size_t i = first; i < text.size() && i - first < count; ++i, x += kCellW) {
    const int32_t gx = text[i].glyph * kCellW;
    m_Image.Blit(tRect{gx, row, gx + kCellW, row + kCellH}, tRect{x, y, x + kCellW, y + kCellH});
  }
}

void tDialogFont::DrawName(int32_t x, int32_t y, const std::string& bytes, size_t maxChars,
                           dialog_layout::Style style) {
  std::vector<tShownCharacter> text = ShownCharacters(bytes);
  if (text.size() > maxChars && maxChars > 0) {
    text.resize(maxChars);
    text.back() = {DialogGlyphOf(kEllipsis), 1};
  }
  Draw(x, y, text, 0, maxChars, style);
}
