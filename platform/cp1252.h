#pragma once
// The desk's 8-bit text is code page 1252; the window system speaks UTF-8.
// These convert between the two at the platform's boundary.
#include <cstdint>
#include <string>

namespace platform {

// The code-page-1252 byte of a Unicode character; false when the code page
// has no such character (it is then dropped by the callers). The five bytes
// the code page leaves undefined stand for the control characters of their
// own value, both ways.
bool UnicodeToCp1252(char32_t character, uint8_t& out);

// The Unicode character of a code-page-1252 byte.
char32_t Cp1252ToUnicode(uint8_t byte);

// Decodes UTF-8 into code-page-1252 bytes, dropping characters the code page
// lacks and malformed sequences.
std::string Utf8ToCp1252(const std::string& utf8);

// Encodes code-page-1252 text as UTF-8.
std::string Cp1252ToUtf8(const std::string& text);

}  // namespace platform
