#pragma once
// Access to the staged content root (beside data\ and Mixes\) for the checks
// of the generated data.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string StagePath(const std::string& rel) {
  return std::string(BREVORA_STAGE) + "/" + rel;
}

inline bool ReadBytes(const std::string& path, std::string& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::ostringstream s;
  s << f.rdbuf();
  out = s.str();
  return true;
}

inline uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  if (at + 4 <= s.size()) std::memcpy(&v, s.data() + at, 4);
  return v;
}
inline uint16_t Le16(const std::string& s, size_t at) {
  uint16_t v = 0;
  if (at + 2 <= s.size()) std::memcpy(&v, s.data() + at, 2);
  return v;
}

// Lines of a text file with CRLF ends; false when a line lacks its CR.
inline bool CrlfLines(const std::string& text, std::vector<std::string>& lines) {
  lines.clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string::npos || nl == pos || text[nl - 1] != '\r') return false;
    lines.push_back(text.substr(pos, nl - 1 - pos));
    pos = nl + 1;
  }
  return true;
}

// Frames a beat at 130 beats per minute, as the desk computes it.
inline uint32_t SamplesPerBeat(uint32_t rate) {
  return static_cast<uint32_t>(rate * 60.0 / 130);
}
