// The string class: bounds-checked indexing and substrings, assignment,
// appending, formatting and trimming, recorded in a golden trace.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "support/string.h"
#include "tests/support/support_test_util.h"

namespace {

using support_test::ThrownText;

// A piece of a string may be taken up to its end and from itself; a start
// before the text is an index before it. Assigning the same text keeps the
// storage, also from the string's own buffer. Format grows the buffer,
// Trim shrinks it to the text, and an impossible size raises and leaves a
// usable string.
TEST(String, IndexingPiecesAssignmentAndFormatting) {
  support_test::GoldenTrace trace("support");
  const auto show = [&](const char* what, const tString& s) {
    trace.Line("%s: \"%s\" (%d)%s", what, s.GetText(), s.GetLength(), s.IsEmpty() ? " empty" : "");
  };
  tString s("abc");
  trace.Line("index 2: %c", s[2]);
  s[0] = 'X';
  show("index 0 set", s);
  tString src("hello"), sub;
  for (auto [first, count] : {std::pair{1, 3}, {2, 3}, {5, 0}}) {
    sub.Substring(src, first, count);
    show(("piece " + std::to_string(first) + "+" + std::to_string(count)).c_str(), sub);
  }
  const std::pair<const char*, std::function<void()>> bad[] = {
      {"index 3", [&] { (void)s[3]; }},
      {"index -1", [&] { (void)s[-1]; }},
      {"piece 6+0", [&] { sub.Substring(src, 6, 0); }},
      {"piece 3+3", [&] { sub.Substring(src, 3, 3); }},
      {"piece -1+0", [&] { sub.Substring(src, -1, 0); }},
      {"piece -1+2", [&] { sub.Substring(src, -1, 2); }},
  };
  for (const auto& [what, f] : bad)
    trace.Line("%s: %s", what, ThrownText<tString::tBadIndex>(f).c_str());
  sub.Substring(sub, 0, 0);
  show("piece 0+0 of itself", sub);

  tString t("ABC");
  trace.Line("equals abc: %d", t.Equals(tString("abc")));
  const char* before = t.GetText();
  t.Assign("ABC");
  trace.Line("assign the same: %s storage", t.GetText() == before ? "the same" : "new");
  t.Assign("abc");
  show("assign abc", t);
  t.Assign(t.GetText() + 1);
  show("assign from its own buffer", t);
  tString a("Loops"), b("\\kick.wav");
  show("a + b", a + b);
  a.Append(a);
  show("append itself", a);

  const std::string big(250, 'y');
  t.Format("%s!", big.c_str());
  trace.Line("format 251: %d, %s", t.GetLength(),
             std::string(t.GetText()) == big + "!" ? "right" : "wrong");
  t.Format("%d-%s", 42, "x");
  show("format", t);
  tString u(10);
  std::strcpy(u.GetText(), "abcde");
  show("buffer of 10", u);
  u.Trim();
  show("trimmed", u);
  trace.Line("allocate -5: %s", ThrownText<tString::tNoMemError>([&] { u.Allocate(-5); }).c_str());
  show("then", u);
  trace.Check("string");
}

}  // namespace
