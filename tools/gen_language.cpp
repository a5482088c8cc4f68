// Writes the desk's language table, data\Language.txt, in code page 1252
// with CRLF line ends, and refuses texts the message box could not show.
//
//   gen_language OUT_FILE
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/desk_layout.h"
#include "tools/language_texts.h"

namespace {

constexpr size_t kLineWidth = 22;

bool InFont(unsigned char c) {
  static const auto map = desk::FontMap();
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
  return std::find(map.begin(), map.end(), c) != map.end();
}

// UTF-8 to code page 1252, choosing for each letter the case the font draws
// (the font shows capitals; some accented letters exist only in one case).
std::string ToDesk(const std::string& utf8, const std::string& where) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    uint32_t u;
    if (b < 0x80) {
      u = b;
      i += 1;
    } else if ((b & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
      u = (uint32_t(b & 0x1F) << 6) | (uint32_t(utf8[i + 1]) & 0x3F);
      i += 2;
    } else {
      throw std::runtime_error("character outside code page 1252 in " + where);
    }
    if (u > 0xFF) throw std::runtime_error("character outside code page 1252 in " + where);
    unsigned char c = static_cast<unsigned char>(u);
    if (c == '%' || c == '#') {
      out += char(c);
      continue;
    }
    if (!InFont(c) && c >= 0xC0) {
      unsigned char other = static_cast<unsigned char>(c >= 0xE0 ? c - 32 : c + 32);
      if (c != 0xD7 && c != 0xF7 && InFont(other)) c = other;
    }
    if (!InFont(c))
      throw std::runtime_error("the desk font has no glyph for a character in " + where);
    out += char(c);
  }
  return out;
}

std::string Build() {
  const auto keys = lang::MessageKeys();
  std::string file;
  for (const lang::Section& s : lang::Sections()) {
    if (s.messages.size() != keys.size())
      throw std::runtime_error("section " + s.name + " does not have every message");
    file += "[" + s.name + "]\r\n";
    for (size_t m = 0; m < keys.size(); ++m) {
      const lang::Message& msg = s.messages[m];
      if (msg.key != keys[m]) throw std::runtime_error("message out of order: " + msg.key);
      for (int n = 0; n < 3; ++n) {
        std::string where = s.name + " / " + msg.key + " " + std::to_string(n + 1);
        std::string text = ToDesk(msg.lines[n].text, where);
        if (text.size() > kLineWidth) throw std::runtime_error("line too long: " + where);
        // The reader trims blanks at the start; keep them as "#".
        for (char& c : text) {
          if (c != ' ') break;
          c = '#';
        }
        file += msg.key + " " + std::to_string(n + 1) + "=" + text +
                (msg.lines[n].button ? "1" : "0") + "\r\n";
      }
    }
    file += "\r\n";
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_language OUT_FILE\n");
    return 2;
  }
  try {
    std::string text = Build();
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) throw std::runtime_error(std::string("cannot write ") + argv[1]);
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok)
      throw std::runtime_error(std::string("cannot write ") + argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_language: %s\n", e.what());
    return 1;
  }
  return 0;
}
