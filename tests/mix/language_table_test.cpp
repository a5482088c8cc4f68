#include <gtest/gtest.h>

#include "mix/language_table.h"
#include "tests/channels/channels_test_util.h"

namespace {

class Language : public TracedTest {
 protected:
  // Traces what the table gives for key in the language selected as number.
  void Lookup(tLanguageTable& table, int number, const char* key) {
    table.SelectLanguage(number);
    const std::string text = table.LookupText(key);
    trace_(number, table.LanguageName(), table.LanguageShortName(), table.LanguageNumber(), key,
           "->", text);
  }
};

TEST_F(Language, LooksUpTheSelectedSectionFromTheCurrentDirectory) {
  WriteHost("data/Language.txt",
            "[Engels]\r\nNo channels loaded 1=No channels#\r\n"
            "[Nederlands]\r\nNo channels loaded 2=Geen kanalen\r\n");
  tLanguageTable table;
  table.LoadLanguageTable("data\\Language.txt");
  trace_("none selected ->", table.LookupText("No channels loaded 1"));
  Lookup(table, 1, "no channels loaded 1");
  Lookup(table, 2, "No channels loaded 2");
  Lookup(table, 2, "No channels loaded 1");
  // From another current directory the table is not found.
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\data"));
  Lookup(table, 2, "No channels loaded 2");
  // Languages are numbered 1 to 6; any other number clears the selection.
  Lookup(table, 6, "x");
  Lookup(table, 7, "x");
}

TEST_F(Language, ALongTextIsCutTo249Characters) {
  WriteHost("data/Language.txt", "[Duits]\r\nk=" + std::string(400, 'x') + "\r\n");
  tLanguageTable table;
  table.LoadLanguageTable("data\\Language.txt");
  table.SelectLanguage(4);
  EXPECT_EQ(std::string(table.LookupText("k")), std::string(249, 'x'));
}

}  // namespace
