#include <gtest/gtest.h>

#include "mix/language_table.h"
#include "tests/platform/test_root.h"

namespace {

class Language : public TestRoot {};

TEST_F(Language, LooksUpTheSelectedSectionFromTheCurrentDirectory) {
  WriteHost("data/Language.txt",
            "[Engels]\r\nNo channels loaded 1=No channels#\r\n"
            "[Nederlands]\r\nNo channels loaded 2=Geen kanalen\r\n");
  tLanguageTable table;
  table.LoadLanguageTable("data\\Language.txt");
  EXPECT_STREQ(table.LookupText("No channels loaded 1"), "ERROR-Lng not set!");
  table.SelectLanguage(1);
  EXPECT_STREQ(table.LookupText("no channels loaded 1"), "No channels#");
  table.SelectLanguage(2);
  EXPECT_STREQ(table.LanguageShortName(), "Ned");
  EXPECT_STREQ(table.LookupText("No channels loaded 2"), "Geen kanalen");
  EXPECT_STREQ(table.LookupText("No channels loaded 1"), "ERROR-Not found! No channels loaded 1");
  // From another current directory the table is not found.
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\data"));
  EXPECT_STREQ(table.LookupText("No channels loaded 2"), "ERROR-Not found! No channels loaded 2");
  // Languages are numbered 1 to 6; any other number clears the selection.
  table.SelectLanguage(6);
  EXPECT_STREQ(table.LanguageName(), "Spaans");
  table.SelectLanguage(7);
  EXPECT_EQ(table.LanguageNumber(), 0);
  EXPECT_STREQ(table.LanguageName(), "");
  EXPECT_STREQ(table.LanguageShortName(), "");
}

TEST_F(Language, ALongTextIsCutTo249Characters) {
  WriteHost("data/Language.txt", "[Duits]\r\nk=" + std::string(400, 'x') + "\r\n");
  tLanguageTable table;
  table.LoadLanguageTable("data\\Language.txt");
  table.SelectLanguage(4);
  EXPECT_EQ(std::string(table.LookupText("k")), std::string(249, 'x'));
}

}  // namespace
