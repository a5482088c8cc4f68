#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "support/string.h"
#include "tests/support/support_test_util.h"

namespace {

using support_test::ThrownText;

TEST(String, IndexAndSubstringAreBoundsChecked) {
  tString s("abc");
  EXPECT_EQ(s[2], 'c');
  s[0] = 'X';
  EXPECT_STREQ(s.GetText(), "Xbc");

  tString src("hello"), sub;
  sub.Substring(src, 1, 3);
  EXPECT_STREQ(sub.GetText(), "ell");
  sub.Substring(src, 2, 3);  // up to the end
  EXPECT_STREQ(sub.GetText(), "llo");
  sub.Substring(src, 5, 0);
  EXPECT_TRUE(sub.IsEmpty());
  const std::pair<std::function<void()>, const char*> bad[] = {
      {[&] { (void)s[3]; }, "Illegal indexing in string ( 3 >= Length )\n"},
      {[&] { (void)s[-1]; }, "Illegal indexing in string ( -1 < 0 )\n"},
      {[&] { sub.Substring(src, 6, 0); }, "Substring first=6 sub=0 len=5\n"},
      {[&] { sub.Substring(src, 3, 3); }, "Substring first=3 sub=3 len=5\n"},
      // A start before the text is an index before it.
      {[&] { sub.Substring(src, -1, 0); }, "Illegal indexing in string ( -1 < 0 )\n"},
      {[&] { sub.Substring(src, -1, 2); }, "Illegal indexing in string ( -1 < 0 )\n"},
  };
  for (const auto& [f, text] : bad) EXPECT_EQ(ThrownText<tString::tBadIndex>(f), text);
  sub.Substring(sub, 0, 0);  // a string may take a piece of itself
  EXPECT_TRUE(sub.IsEmpty());
  EXPECT_EQ(sub.GetLength(), 0);
  EXPECT_STREQ(sub.GetText(), "");
}

TEST(String, AssignAppendAndEquals) {
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

  tString a("Loops"), b("\\kick.wav");
  tString c = a + b;
  EXPECT_STREQ(c.GetText(), "Loops\\kick.wav");
  EXPECT_EQ(c.GetLength(), 14);
  a.Append(a);
  EXPECT_STREQ(a.GetText(), "LoopsLoops");
}

TEST(String, FormatGrowsTrimShrinksAndAnImpossibleSizeRaises) {
  tString s;
  const std::string big(250, 'y');
  s.Format("%s!", big.c_str());
  EXPECT_EQ(s.GetLength(), 251);
  EXPECT_EQ(std::string(s.GetText()), big + "!");
  s.Format("%d-%s", 42, "x");
  EXPECT_STREQ(s.GetText(), "42-x");

  tString t(10);
  std::strcpy(t.GetText(), "abcde");
  EXPECT_EQ(t.GetLength(), 10);
  t.Trim();
  EXPECT_EQ(t.GetLength(), 5);
  EXPECT_STREQ(t.GetText(), "abcde");

  EXPECT_EQ(ThrownText<tString::tNoMemError>([&] { t.Allocate(-5); }),
            "Could not allocate string buffer. (size=-5)\n");
  EXPECT_STREQ(t.GetText(), "");  // still usable
}

}  // namespace
