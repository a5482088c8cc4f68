#pragma once
// The file chooser's font and the text it shows.
//
// Desk paths are 8-bit text; on the host they are the exact bytes of the
// file names, which are UTF-8 on today's systems. The chooser shows such a
// name character by character: ASCII and every character that code page
// 1252 has are drawn with their glyph, anything else (and a byte that is not
// valid UTF-8) as one placeholder glyph. What it hands on is always the
// exact bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/dialog_layout.h"
#include "ui/surface.h"

// One character as the chooser shows it: its glyph and how many bytes of
// the name it stands for.
struct tShownCharacter {
  uint16_t glyph = 0;
  uint8_t bytes = 1;
};

// The glyph of a code page 1252 character; the placeholder for control
// codes and the five codes the code page leaves undefined.
uint16_t DialogGlyphOf(uint8_t cp1252);
// Splits host bytes into the characters the chooser shows.
std::vector<tShownCharacter> ShownCharacters(const std::string& bytes);
// The bytes a typed code page 1252 character has in a host name (its UTF-8
// form); empty for control codes and undefined codes.
std::string HostBytesOf(uint8_t cp1252);

// The font image: one cell per glyph side by side, one row per style.
class tDialogFont {
 public:
  // Loads the image (desk path); throws as tSurface::Load does.
  void Load(const char* path);
  bool Loaded() const { return m_Image.Width() > 0; }
  // The palette index of a style's background (the blank of the space glyph).
  uint8_t Background(dialog_layout::Style style) const;
  // Draws glyphs from the first'th on at (x, y), at most count of them.
  void Draw(int32_t x, int32_t y, const std::vector<tShownCharacter>& text, size_t first,
            size_t count, dialog_layout::Style style);
  // Draws host bytes cut to maxChars cells; a name that does not fit ends in
  // an ellipsis.
  void DrawName(int32_t x, int32_t y, const std::string& bytes, size_t maxChars,
                dialog_layout::Style style);

 private:
  tSurface m_Image;
};
