// The staged language table, read through the desk's own language table:
// every message in every language, each line within the message box's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mix/language_table.h"
#include "platform/hostfs.h"
#include "tests/platform/golden_trace.h"
#include "tools/desk_layout.h"

namespace {

const std::vector<std::string> kKeys = {
    "No channels loaded", "failed to export mix",   "keep or restore format", "can not load mix",
    "Wrong mix version",  "Error loading mix",      "Can not save mix",       "loading mix",
    "converting mix",     "Can not load sample",    "Can not save sample",    "Wrong chn version",
    "Can not load waves", "Can not load wave main", "Can not load wave fx",   "No Plugins a",
    "No Plugins b",       "Replace file",           "exporting mix"};

class Language : public ::testing::Test {
 protected:
  void SetUp() override { platform::InitDrives(BREVORA_STAGE, true); }
  // The three lines of a message in language n, as the desk reads them.
  std::vector<std::string> Lines(int n, const std::string& key) {
    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(n);
    std::vector<std::string> out;
    for (int i = 1; i <= 3; ++i)
      out.push_back(LanguageTable().LookupText((key + " " + std::to_string(i)).c_str()));
    return out;
  }
};

// Each line within the box's rules; the trace gives, for every message in
// every language, which lines are buttons and the longest run of '%' that
// holds a file's name: the busy messages have no buttons, every other can be
// closed, questions offer the answers their callers read, and messages shown
// with a file's path have a place for its name.
TEST_F(Language, EveryMessageInEveryLanguageKeepsTheBoxRules) {
  const auto font = desk::FontMap();
  GoldenTrace trace("tests/tools/golden/language_messages.trace");
  for (int n = 1; n <= 6; ++n) {
    for (const std::string& key : kKeys) {
      SCOPED_TRACE("language " + std::to_string(n) + ": " + key);
      auto lines = Lines(n, key);
      std::string buttons;
      size_t longest = 0;
      for (const std::string& t : lines) {
        ASSERT_FALSE(t.empty());
        ASSERT_EQ(t.rfind("ERROR-", 0), std::string::npos) << t;
        ASSERT_TRUE(t.back() == '0' || t.back() == '1') << t;
        buttons += t.back();
        std::string visible = t.substr(0, t.size() - 1);
        EXPECT_LE(visible.size(), 22u) << t;
        // A blank at either end would be trimmed by the reader: "#" keeps it.
        EXPECT_TRUE(visible.empty() || (visible.front() != ' ' && visible.back() != ' ')) << t;
        for (char raw : visible) {
          unsigned char c = static_cast<unsigned char>(raw);
          if (c == '%' || c == '#') continue;
          if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
          EXPECT_NE(std::find(font.begin(), font.end(), c), font.end())
              << "no glyph for character " << int(c) << " in " << t;
        }
        size_t run = 0;
        for (char c : visible) longest = std::max(longest, run = c == '%' ? run + 1 : 0);
      }
      // A name of up to eleven characters ("you bv feel") fits one run.
      EXPECT_TRUE(longest == 0 || longest >= 11) << longest;
      trace.Add({std::to_string(n), key + ":", "buttons", buttons, "name run", longest});
    }
  }
  trace.Verify();
}

}  // namespace
