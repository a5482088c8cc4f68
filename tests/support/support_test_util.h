#pragma once
// Helpers of the support and audio tests: the text of the error an action
// throws, and traces of scenarios checked against golden files.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/errors.h"
#include "tests/platform/golden_file.h"

namespace support_test {

// The text of the error of class E that f throws; a test failure when it
// throws none.
template <typename E, typename F>
std::string ThrownText(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.GetText();
  }
  ADD_FAILURE() << "nothing was thrown";
  return "";
}

// A readable record of a scenario, one line per step: what was done and the
// values it left. Check compares it line by line with
// tests/<area>/golden/<name>.trace (see tests/platform/golden_file.h).
class GoldenTrace {
 public:
  explicit GoldenTrace(std::string area) : m_Area(std::move(area)) {}
  GoldenTrace(const GoldenTrace&) = delete;
  GoldenTrace& operator=(const GoldenTrace&) = delete;

  // One line; line breaks and carriage returns in it are shown as \n and \r.
  __attribute__((format(printf, 2, 3))) void Line(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    std::vector<char> text(static_cast<size_t>(std::vsnprintf(nullptr, 0, format, args)) + 1);
    std::vsnprintf(text.data(), text.size(), format, again);
    va_end(again);
    va_end(args);
    std::string line;
    for (const char* c = text.data(); *c; ++c)
      line += *c == '\n' ? "\\n" : *c == '\r' ? "\\r" : std::string(1, *c);
    m_Lines.push_back(line);
  }
  // Adds text, one line per line of it.
  void Add(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) m_Lines.push_back(line);
  }

  void Check(const std::string& name) const {
    ExpectGoldenLines("tests/" + m_Area + "/golden/" + name + ".trace", m_Lines);
  }

 private:
  std::string m_Area;
  std::vector<std::string> m_Lines;
};

// Bytes as two-digit hex, separated by spaces.
template <typename Range>
std::string Hex(const Range& bytes) {
  std::string out;
  char two[3];
  for (auto b : bytes) {
    std::snprintf(two, sizeof two, "%02x", unsigned{static_cast<uint8_t>(b)});
    if (!out.empty()) out += ' ';
    out += two;
  }
  return out;
}

}  // namespace support_test
