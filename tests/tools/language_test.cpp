// The staged language table, read through the desk's own language table:
// every message in every language, each line within the message box's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "mix/language_table.h"
#include "platform/hostfs.h"
#include "tests/tools/stage_files.h"
#include "tools/desk_layout.h"

namespace {

const std::vector<std::string> kKeys = {
    "No channels loaded", "failed to export mix",   "keep or restore format", "can not load mix",
    "Wrong mix version",  "Error loading mix",      "Can not save mix",       "loading mix",
    "converting mix",     "Can not load sample",    "Can not save sample",    "Wrong chn version",
    "Can not load waves", "Can not load wave main", "Can not load wave fx",   "No Plugins a",
    "No Plugins b",       "Replace file",           "exporting mix"};

// Messages shown with a file's path: they need a place for its name.
const std::vector<std::string> kWithPath = {
    "failed to export mix", "can not load mix",       "Wrong mix version",    "Can not save mix",
    "loading mix",          "converting mix",         "Can not load sample",  "Can not save sample",
    "Wrong chn version",    "Can not load wave main", "Can not load wave fx", "Replace file",
    "exporting mix"};

// Which lines of a question are buttons: "Error loading mix" abandons, shows
// errors or goes on quietly; "keep or restore format" keeps or restores; "No
// Plugins a" has two, the second leading on to "No Plugins b"; "Replace file"
// shows the name, then replaces or keeps.
const std::map<std::string, std::string> kAnswers = {{"Error loading mix", "111"},
                                                     {"keep or restore format", "110"},
                                                     {"No Plugins a", "011"},
                                                     {"Replace file", "011"}};

bool Has(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

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

TEST_F(Language, EveryMessageInEveryLanguageKeepsTheBoxRules) {
  const auto font = desk::FontMap();
  for (int n = 1; n <= 6; ++n) {
    for (const std::string& key : kKeys) {
      SCOPED_TRACE("language " + std::to_string(n) + ": " + key);
      auto lines = Lines(n, key);
      int usable = 0, nameRuns = 0;
      for (const std::string& t : lines) {
        ASSERT_FALSE(t.empty());
        ASSERT_EQ(t.rfind("ERROR-", 0), std::string::npos) << t;
        ASSERT_TRUE(t.back() == '0' || t.back() == '1') << t;
        usable += t.back() == '1';
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
        if (visible.find('%') != std::string::npos) ++nameRuns;
      }
      if (Has(kWithPath, key)) {
        EXPECT_GE(nameRuns, 1) << "no place for the file name";
        // A name of up to eleven characters ("you bv feel") fits one run.
        size_t longest = 0;
        for (const std::string& t : lines) {
          size_t run = 0;
          for (char c : t) longest = std::max(longest, run = c == '%' ? run + 1 : 0);
        }
        EXPECT_GE(longest, 11u);
      } else {
        EXPECT_EQ(nameRuns, 0);
      }
      // The busy messages have no buttons; every other message can be closed,
      // and questions offer the answers their callers read.
      if (key == "loading mix" || key == "converting mix" || key == "exporting mix") {
        EXPECT_EQ(usable, 0);
      } else {
        EXPECT_GE(usable, 1);
      }
      const auto answers = kAnswers.find(key);
      if (answers != kAnswers.end()) {
        EXPECT_EQ((std::string{lines[0].back(), lines[1].back(), lines[2].back()}),
                  answers->second);
      }
    }
  }
}

TEST_F(Language, SectionsAreTranslations) {
  // The same message differs between languages (no section copied from another).
  for (const std::string& key :
       {std::string("No channels loaded"), std::string("Can not save mix")}) {
    std::vector<std::string> first;
    for (int n = 1; n <= 6; ++n) first.push_back(Lines(n, key)[0]);
    std::sort(first.begin(), first.end());
    EXPECT_EQ(std::unique(first.begin(), first.end()), first.end()) << key;
  }
  // The file is plain code page 1252 text with CRLF line ends.
  std::string text;
  ASSERT_TRUE(ReadBytes(StagePath("data/Language.txt"), text));
  std::vector<std::string> lines;
  EXPECT_TRUE(CrlfLines(text, lines));
  for (const char* s :
       {"[Engels]", "[Nederlands]", "[Frans]", "[Duits]", "[Italiaans]", "[Spaans]"})
    EXPECT_NE(std::find(lines.begin(), lines.end(), s), lines.end()) << s;
}

}  // namespace
