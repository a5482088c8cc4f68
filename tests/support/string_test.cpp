#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/string.h"

namespace {

TEST(String, StartsEmpty) {
  tString s;
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.GetLength(), 0);
  EXPECT_STREQ(s.GetText(), "");
}

TEST(String, IndexIsBoundsChecked) {
  tString s("abc");
  EXPECT_EQ(s[2], 'c');
  s[0] = 'X';
  EXPECT_STREQ(s.GetText(), "Xbc");
  try {
    (void)s[3];
    FAIL() << "index 3 of a 3-character string must raise";
  } catch (const tString::tBadIndex& e) {
    EXPECT_STREQ(e.GetText(), "Illegal indexing in string ( 3 >= Length )\n");
  }
  try {
    (void)s[-1];
    FAIL();
  } catch (const tString::tBadIndex& e) {
    EXPECT_STREQ(e.GetText(), "Illegal indexing in string ( -1 < 0 )\n");
  }
}

TEST(String, SubstringBounds) {
  tString src("hello"), sub;
  sub.Substring(src, 1, 3);
  EXPECT_STREQ(sub.GetText(), "ell");
  sub.Substring(src, 5, 0);
  EXPECT_STREQ(sub.GetText(), "");
  try {
    sub.Substring(src, 6, 0);
    FAIL();
  } catch (const tString::tBadIndex& e) {
    EXPECT_STREQ(e.GetText(), "Substring first=6 sub=0 len=5\n");
  }
  EXPECT_THROW(sub.Substring(src, 3, 3), tString::tBadIndex);
  // A start before the text is an index before it.
  for (int32_t count : {0, 2}) {
    try {
      sub.Substring(src, -1, count);
      FAIL();
    } catch (const tString::tBadIndex& e) {
      EXPECT_STREQ(e.GetText(), "Illegal indexing in string ( -1 < 0 )\n");
    }
  }
  sub.Substring(sub, 0, 0);  // a string may take a piece of itself
  EXPECT_TRUE(sub.IsEmpty());
}

TEST(String, EqualsIgnoresCaseAssignKeepsEqualText) {
  tString s("ABC");
  EXPECT_TRUE(s.Equals(tString("abc")));
  const char* before = s.GetText();
  s.Assign("ABC");
  EXPECT_EQ(s.GetText(), before);  // untouched: same storage
  s.Assign("abc");
  EXPECT_STREQ(s.GetText(), "abc");
  s.Assign(s.GetText() + 1);  // from its own buffer
  EXPECT_STREQ(s.GetText(), "bc");
  EXPECT_EQ(s.GetLength(), 2);
}

TEST(String, AppendAndConcatenate) {
  tString a("Loops"), b("\\kick.wav");
  tString c = a + b;
  EXPECT_STREQ(c.GetText(), "Loops\\kick.wav");
  EXPECT_EQ(c.GetLength(), 14);
  a.Append(a);
  EXPECT_STREQ(a.GetText(), "LoopsLoops");
}

TEST(String, FormatGrowsUntilTheTextFits) {
  tString s;
  std::string big(250, 'y');
  s.Format("%s!", big.c_str());
  EXPECT_EQ(s.GetLength(), 251);
  EXPECT_EQ(std::string(s.GetText()), big + "!");
  s.Format("%d-%s", 42, "x");
  EXPECT_STREQ(s.GetText(), "42-x");
}

TEST(String, TrimShrinksToTheFilledText) {
  tString s(10);
  std::strcpy(s.GetText(), "abcde");
  EXPECT_EQ(s.GetLength(), 10);
  s.Trim();
  EXPECT_EQ(s.GetLength(), 5);
  EXPECT_STREQ(s.GetText(), "abcde");
}

TEST(String, ImpossibleSizeRaisesNoMemAndStaysUsable) {
  tString s("abc");
  try {
    s.Allocate(-5);
    FAIL();
  } catch (const tString::tNoMemError& e) {
    EXPECT_STREQ(e.GetText(), "Could not allocate string buffer. (size=-5)\n");
  }
  EXPECT_STREQ(s.GetText(), "");
}

}  // namespace
