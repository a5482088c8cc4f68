#pragma once
// Helpers of the support and audio tests: the text of the error an action
// throws, and traces of scenarios checked against golden files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/errors.h"

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
// tests/<area>/golden/<name>.trace and shows the first lines that differ;
// BREVORA_UPDATE_GOLDEN=1 rewrites the file instead.
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
    const std::string file = "tests/" + m_Area + "/golden/" + name + ".trace";
    const char* source = std::getenv("BREVORA_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "BREVORA_SOURCE_DIR names the source tree";
    const std::string path = std::string(source) + "/" + file;
    const char* update = std::getenv("BREVORA_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
      std::ofstream out(path, std::ios::binary);
      for (const std::string& line : m_Lines) out << line << '\n';
      ASSERT_TRUE(out.good()) << "cannot write " << path;
      return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good()) << path << " is missing; run with BREVORA_UPDATE_GOLDEN=1 to write it";
    std::vector<std::string> golden;
    for (std::string line; std::getline(in, line);) golden.push_back(line);
    size_t at = 0;
    while (at < golden.size() && at < m_Lines.size() && golden[at] == m_Lines[at]) ++at;
    if (at == golden.size() && at == m_Lines.size()) return;
    // The first differing lines, unified style, with two lines before them.
    std::ostringstream diff;
    diff << "--- " << file << "\n+++ this run\n@@ line " << at + 1 << " @@\n";
    for (size_t i = at >= 2 ? at - 2 : 0; i < at; ++i) diff << "  " << golden[i] << "\n";
    for (size_t i = at; i < std::min(golden.size(), at + 6); ++i) diff << "- " << golden[i] << "\n";
    for (size_t i = at; i < std::min(m_Lines.size(), at + 6); ++i)
      diff << "+ " << m_Lines[i] << "\n";
    ADD_FAILURE() << diff.str();
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
