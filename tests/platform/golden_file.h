#pragma once
// The one comparison behind every golden text file of the tests (scenario
// traces and case tables): the lines a test saw against a checked-in file
// below the source tree, the first differing lines shown as a unified diff
// would show them. BREVORA_UPDATE_GOLDEN=1 writes the file from what the test
// saw instead (the golden images use the same switch); read the diff before
// committing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline bool UpdatingGolden() {
  const char* update = std::getenv("BREVORA_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

// `relPath` is relative to the source tree (BREVORA_SOURCE_DIR).
inline void ExpectGoldenLines(const std::string& relPath, const std::vector<std::string>& seen) {
  const char* source = std::getenv("BREVORA_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "BREVORA_SOURCE_DIR names the source tree";
  const std::string path = std::string(source) + "/" + relPath;
  if (UpdatingGolden()) {
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : seen) out << line << '\n';
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << path << " is missing; run with BREVORA_UPDATE_GOLDEN=1 to write it";
  std::vector<std::string> golden;
  for (std::string line; std::getline(in, line);) golden.push_back(line);
  if (golden == seen) return;
  size_t first = 0;
  while (first < golden.size() && first < seen.size() && golden[first] == seen[first]) ++first;
  std::ostringstream diff;
  diff << "--- " << relPath << "\n+++ this run\n@@ line " << first + 1 << " @@\n";
  for (size_t i = first >= 2 ? first - 2 : 0; i < first; ++i) diff << ' ' << golden[i] << '\n';
  // Lines replaced one for one end where the two agree again.
  size_t end = std::min(first + 6, std::max(golden.size(), seen.size()));
  if (golden.size() == seen.size())
    for (size_t i = first + 1; i < end; ++i)
      if (golden[i] == seen[i]) end = i;
  for (size_t i = first; i < std::min(golden.size(), end); ++i) diff << '-' << golden[i] << '\n';
  for (size_t i = first; i < std::min(seen.size(), end); ++i) diff << '+' << seen[i] << '\n';
  ADD_FAILURE() << diff.str() << "(" << golden.size() << " golden lines, " << seen.size()
                << " seen)";
}

// The same for a text, one line per line of it.
inline void ExpectGoldenLines(const std::string& relPath, const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ExpectGoldenLines(relPath, lines);
}
