#pragma once
// A scenario test's record of what it observed, one readable line per step,
// compared line by line with a checked-in file below the source tree (such
// as tests/platform/golden/input_session.trace); see golden_file.h.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/platform/golden_file.h"

class GoldenTrace {
 public:
  explicit GoldenTrace(std::string relPath) : rel_(std::move(relPath)) {}

  // A word of a line: text or a number.
  struct Word {
    Word(const char* s) : text(s) {}
    Word(std::string s) : text(std::move(s)) {}
    template <typename Number>
    requires std::is_arithmetic_v<Number> Word(Number n) : text(std::to_string(n)) {}
    std::string text;
  };

  // Adds a line of the words given, separated by blanks. The words of a
  // braced list are worked out in their order, so a step's action may come
  // before what it observes.
  void Add(std::initializer_list<Word> words) {
    std::string line;
    for (const Word& w : words) line += (line.empty() ? "" : " ") + w.text;
    lines_.push_back(line);
  }

  // Compares with the golden file (see golden_file.h).
  void Verify() const { ExpectGoldenLines(rel_, lines_); }

 private:
  std::string rel_;
  std::vector<std::string> lines_;
};

// Words for trace lines: a yes or no, a text in quotes with its line ends
// shown, a host file's permissions in octal, and a text with every
// occurrence of a (temporary) folder written as a name.
inline const char* YesNo(bool yes) {
  return yes ? "yes" : "no";
}
inline std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text)
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\0' ? "\\0" : std::string(1, c);
  return out + "\"";
}
inline std::string ModeOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "missing";
  char octal[8];
  std::snprintf(octal, sizeof octal, "%03o", st.st_mode & 0777);
  return octal;
}
inline std::string Named(std::string text, const std::string& folder, const char* name) {
  for (size_t at; !folder.empty() && (at = text.find(folder)) != std::string::npos;)
    text.replace(at, folder.size(), name);
  return text;
}

// A table of cases kept in a golden file, one "input -> output" a line
// ('#' lines are notes): every input is answered again and the table compared
// with what the answers give. BREVORA_UPDATE_GOLDEN=1 writes the answers (a
// new case is added as its input alone).
inline void VerifyGoldenTable(const std::string& relPath,
                              const std::function<std::string(const std::string&)>& answer) {
  const char* source = std::getenv("BREVORA_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "BREVORA_SOURCE_DIR names the source tree";
  std::ifstream in(std::string(source) + "/" + relPath, std::ios::binary);
  ASSERT_TRUE(in.good()) << relPath << " is missing";
  GoldenTrace trace(relPath);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') {
      trace.Add({line});
    } else {
      const std::string input = line.substr(0, line.find(" -> "));  // a new case has none yet
      trace.Add({input, "->", answer(input)});
    }
  }
  trace.Verify();
}
