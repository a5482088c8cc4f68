// How the renderer speaks: each message of the desk as one sentence of the
// language table's lines, without button labels, with host paths.
#include <gtest/gtest.h>

#include <string>

#include "mix/console_view.h"
#include "mix/language_table.h"
#include "tests/channels/channels_test_util.h"

namespace {

class Console : public TracedTest {
 protected:
  void SetUp() override {
    TracedTest::SetUp();
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
    TracedTest::TearDown();
  }
};

// Lines that are sentences of their own become clauses; "OK" is a button.
// The path fills the run of "%", in the host's form and quoted; only the
// first run takes it, the others go with a blank. A question is what the
// desk would ask and the answer taken, in words. A key the table lacks
// names itself and its file.
TEST_F(Console, EachMessageIsOneSentenceWithoutItsButtons) {
  const std::pair<const char*, const char*> cases[] = {
      {"Two lines", nullptr},    {"Path", "C:\\Loops\\kick one.wav"},
      {"Path", "Z:\\dev\\zero"}, {"Path", nullptr},
      {"Split", nullptr},        {"Blanks", "C:\\a.mix"},
      {"WAV", nullptr},          {"Twice", "Z:\\x.wav"},
      {"Twice", nullptr},        {"Error loading mix", nullptr},
      {"Ask", nullptr},          {"Not in the table", "C:\\x.chn"},
  };
  for (const auto& [key, path] : cases) {
    std::string sentence = ConsoleSentence(key, path);
    if (size_t at = sentence.find(root_); at != std::string::npos)
      sentence.replace(at, root_.size(), "<root>");
    trace_(key, path != nullptr ? path : "(no path)", "->", sentence);
  }
  for (const char* key : {"Error loading mix", "keep or restore format", "Ask"})
    trace_(key, "answered", ConsoleAnswer(key));
}

}  // namespace
