// How the renderer speaks: each message of the desk as one sentence of the
// language table's lines, without button labels, with host paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "mix/console_view.h"
#include "mix/language_table.h"
#include "tests/platform/test_root.h"

namespace {

class Console : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    // Each key's three lines; a line ending in "1" is a button's label.
    const char* const keys[][4] = {
        {"Two lines", "No channels loaded.0", "Load a channel first.0", "OK1"},
        {"Path", "Can not load file:0", "%%%%%%%%0", "OK1"},
        {"Split", "Can not load the0", "channel's samples.0", "OK1"},
        {"Blanks", "Mix#of#an#old#version:#0", "%%%%%%0", "OK1"},
        {"Error loading mix", "Error: abandon mix1", "Go on and show errors1", "Go on quietly1"},
        {"Ask", "Yes please1", "No thanks1", "0"},
        {"Twice", "Sample %%%% is0", "%%%%%% missing.0", "OK1"},
        {"WAV", "WAV files only:0", "OK1", "0"},
    };
    std::string text = "[Engels]\r\n";
    for (const auto& key : keys)
      for (int line = 1; line <= 3; ++line)
        text += std::string(key[0]) + " " + std::to_string(line) + "=" + key[line] + "\r\n";
    WriteHost("data/Language.txt", text);
    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(1);
  }
  void TearDown() override {
    LanguageTable().SelectLanguage(0);
    TestRoot::TearDown();
  }
};

TEST_F(Console, EachMessageIsOneSentenceWithoutItsButtons) {
  struct Case {
    const char* key;
    const char* path;
    std::string sentence;
  };
  const Case cases[] = {
      // Lines that are sentences of their own become clauses; "OK" is a button.
      {"Two lines", nullptr, "no channels loaded; load a channel first"},
      // The path fills the run of "%", in the host's form and quoted.
      {"Path", "C:\\Loops\\kick one.wav", "can not load file: '" + root_ + "/Loops/kick one.wav'"},
      {"Path", "Z:\\dev\\zero", "can not load file: '/dev/zero'"},
      {"Path", nullptr, "can not load file"},
      {"Split", nullptr, "can not load the channel's samples"},
      {"Blanks", "C:\\a.mix", "mix of an old version: '" + root_ + "/a.mix'"},
      {"WAV", nullptr, "WAV files only"},
      // Only the first run takes the path; the others go with a blank.
      {"Twice", "Z:\\x.wav", "sample '/x.wav' is missing"},
      {"Twice", nullptr, "sample is missing"},
      // A question: what the desk would ask and the answer taken, in words.
      {"Error loading mix", nullptr,
       "some of the mix's channels could not be loaded; going on and showing errors"},
      {"Ask", nullptr, "Ask; answering 'Yes please'"},
      // A key the table lacks names itself and its file.
      {"Not in the table", "C:\\x.chn", "Not in the table: '" + root_ + "/x.chn'"},
  };
  for (const Case& c : cases) EXPECT_EQ(ConsoleSentence(c.key, c.path), c.sentence) << c.key;
  EXPECT_EQ(ConsoleAnswer("Error loading mix"), 1);
  EXPECT_EQ(ConsoleAnswer("keep or restore format"), 0);
  EXPECT_EQ(ConsoleAnswer("Ask"), 0);
}

TEST_F(Console, MessagesCarryTheProgramsNameAndQuietKeepsTheAnswers) {
  FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  tConsoleView view(out, "tool");
  EXPECT_EQ(view.ShowMessage("Path", "Z:\\dev\\zero"), 0);
  EXPECT_EQ(view.ShowMessage("Error loading mix", nullptr), 1);
  view.ExportProgress(10, 20);  // not a terminal: no bar
  std::rewind(out);
  char text[512] = {};
  const size_t n = std::fread(text, 1, sizeof text - 1, out);
  std::fclose(out);
  EXPECT_EQ(std::string(text, n),
            "tool: can not load file: '/dev/zero'\n"
            "tool: some of the mix's channels could not be loaded; going on and showing errors\n");
  EXPECT_EQ(view.MessagesShown(), 2);

  tConsoleView quiet(nullptr);
  EXPECT_EQ(quiet.ShowMessage("Error loading mix", nullptr), 1);
  quiet.ExportProgress(10, 20);
  EXPECT_EQ(quiet.MessagesShown(), 1);
}

}  // namespace
