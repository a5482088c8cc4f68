#include "platform/cp1252.h"

namespace platform {

namespace {

// Bytes 0x80 to 0x9F; 0 marks the five the code page leaves undefined.
constexpr char32_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

bool UnicodeToCp1252(char32_t character, uint8_t& out) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
    out = static_cast<uint8_t>(character);
    return true;
  }
  for (int i = 0; i < 32; ++i) {
    // The undefined bytes stand for themselves, so that any 8-bit text
    // survives the way through UTF-8 and back.
    if (kHigh[i] == character || (kHigh[i] == 0 && character == static_cast<char32_t>(0x80 + i))) {
      out = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

char32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const char32_t mapped = kHigh[byte - 0x80];
  return mapped != 0 ? mapped : byte;
}

std::string Utf8ToCp1252(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int extra = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1;
      c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2;
      c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3;
      c = lead & 0x07;
    } else {
      ++i;  // a stray continuation byte or an invalid lead
      continue;
    }
    size_t j = i + 1;
    bool complete = true;
    for (int k = 0; k < extra; ++k, ++j) {
      if (j >= utf8.size() || (static_cast<uint8_t>(utf8[j]) & 0xC0) != 0x80) {
        complete = false;
        break;
      }
      c = c << 6 | (static_cast<uint8_t>(utf8[j]) & 0x3F);
    }
    if (!complete) {
      i = j;  // resynchronise on the byte that broke the sequence
      continue;
    }
    i = j;
    // Over-long forms would smuggle in characters such as '/' or NUL.
    static constexpr char32_t kShortest[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kShortest[extra] || c > 0x10FFFF) continue;
    uint8_t byte = 0;
    if (UnicodeToCp1252(c, byte)) out += static_cast<char>(byte);
  }
  return out;
}

std::string Cp1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(ch)));
  return out;
}

}  // namespace platform
