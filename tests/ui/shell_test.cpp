// The program's command line and its choice of language.
#include <gtest/gtest.h>

#include <vector>

#include "ui/shell.h"

namespace {

using tAction = tShellOptions::tAction;

tShellOptions Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "brevora");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, TakesTheWindowTheLanguageAndOneMix) {
  tShellOptions o = Parse({});
  EXPECT_EQ(o.action, tAction::kRun);
  EXPECT_FALSE(o.window);
  EXPECT_EQ(o.language, 0);
  EXPECT_EQ(o.mix, "");

  o = Parse({"--window", "--language", "fr", "sets/live set.mix"});
  EXPECT_EQ(o.action, tAction::kRun);
  EXPECT_TRUE(o.window);
  EXPECT_EQ(o.language, 3);
  EXPECT_EQ(o.mix, "sets/live set.mix");
  EXPECT_EQ(Parse({"--language=Spa"}).language, 6);
  o = Parse({"--window", "--fullscreen"});  // the last one counts
  EXPECT_TRUE(o.fullscreen && !o.window);
  o = Parse({"--fullscreen", "--window"});
  EXPECT_TRUE(o.window && !o.fullscreen);
  EXPECT_EQ(Parse({"--", "--window"}).mix, "--window");  // a mix named like an option

  EXPECT_EQ(Parse({}).midi, "");
  EXPECT_EQ(Parse({"--midi", "JACK"}).midi, "jack");
  EXPECT_EQ(Parse({"--midi=None", "a.mix"}).midi, "none");
  EXPECT_EQ(Parse({"--midi=jack", "--midi", "alsa"}).midi, "alsa");

  EXPECT_EQ(Parse({"a.mix", "--help"}).action, tAction::kHelp);
  EXPECT_EQ(Parse({"--version", "--bad"}).action, tAction::kVersion);

  for (const std::vector<const char*>& bad :
       std::vector<std::vector<const char*>>{{"--language"},
                                             {"--language", "7"},
                                             {"--language", "0"},
                                             {"--language=klingon"},
                                             {"--midi"},
                                             {"--midi", "pipewire"},
                                             {"--midi="},
                                             {"--full-screen"},
                                             {"a.mix", "b.mix"},
                                             {""}}) {
    const tShellOptions refused = Parse(bad);
    EXPECT_EQ(refused.action, tAction::kBad) << bad[0];
    EXPECT_FALSE(refused.error.empty());
  }
}

TEST(CommandLine, NamesLanguagesByNumberShortNameOrCode) {
  const std::pair<const char*, int32_t> rows[] = {
      {"1", 1},   {"6", 6},  {"7", 0},  {"12", 0}, {"ENG", 1}, {"ned", 2},
      {"Dui", 4}, {"de", 4}, {"IT", 5}, {"es", 6}, {"", 0},    {"english", 0},
  };
  for (const auto& [text, language] : rows) EXPECT_EQ(LanguageFromArgument(text), language) << text;
}

TEST(Language, StoredThenLocaleThenGerman) {
  // stored, locale -> in force
  const int32_t rows[][3] = {{2, 3, 2}, {6, 0, 6}, {0, 3, 3},  {7, 5, 5},
                             {0, 0, 4}, {7, 9, 4}, {-1, 1, 1}, {1, 6, 1}};
  for (const auto& r : rows) EXPECT_EQ(ChooseLanguage(r[0], r[1]), r[2]) << r[0] << " " << r[1];
}

}  // namespace
