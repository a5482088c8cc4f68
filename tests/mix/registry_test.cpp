#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "mix/registry.h"
#include "platform/hostfs.h"
#include "platform/settings_store.h"
#include "tests/channels/channels_test_util.h"

namespace {

// Points the settings file at a fresh folder for one test.
class Settings : public TracedTest {
 protected:
  void SetUp() override {
    TracedTest::SetUp();
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    reg_.SetMainKey(kSettingsKey);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    TracedTest::TearDown();
  }
  // Traces a number as read, or that none was.
  void Number(const char* name) {
    n_ = 0;
    const bool read = reg_.ReadNumber(name, n_);
    trace_(name, read ? std::to_string(n_) : "(none)");
  }
  std::string File() { return ReadHost("brevora/settings.reg"); }
  tRegistry reg_;
  uint32_t n_ = 0;
  char text_[260] = {};
};

TEST_F(Settings, ValuesRoundTripInTheRegistryExportForm) {
  Number("Frequency");  // first start: nothing stored yet
  EXPECT_TRUE(reg_.WriteNumber("Frequency", 22050));
  EXPECT_TRUE(reg_.WriteText("Keys", "QWERTZUIASDFGHJK"));
  EXPECT_TRUE(reg_.WriteNumber("frequency", 44100));  // names without regard to case
  Number("FREQUENCY");
  // A buffer too short for the text and its terminator is left as it was.
  char exact[17] = {};
  char shorter[16] = "unchanged";
  const bool fits = reg_.ReadText("Keys", exact, sizeof exact);
  const bool cut = reg_.ReadText("Keys", shorter, sizeof shorter);
  trace_("17 bytes", fits, exact, "16 bytes", cut, shorter);
  trace_.Text("file", File());
  // Numbers read at most four bytes whatever the type: "abcd" has five with
  // the terminator.
  reg_.WriteText("Short", "ab");
  reg_.WriteText("Long", "abcd");
  Number("Short");
  Number("Long");
}

// A hand-edited file is read as far as it makes sense. A key that stands
// twice (files joined by hand) is one key: what is written is what is read
// back, a later value of the same name standing for both.
TEST_F(Settings, AKeyThatStandsTwiceIsOneKey) {
  WriteHost("brevora/settings.reg",
            "[Software\\Quellan\\Brevora\\1.00.000]\r\n"
            "\"Tempo\"=dword:zz\r\n"
            "garbage line\r\n"
            "\"MasterVolume\"=dword:00000041\r\n"
            "\"Path\"=\"C:\\\\Loops\\\\\\\"x\\\"\"\r\n"
            "\"Block\"=dword:00000050\r\n"
            "\"Block\"=dword:00000051\r\n"
            "[software\\quellan\\brevora\\1.00.000]\r\n"
            "\"Channels\"=dword:00000002\r\n");
  for (const char* name : {"Tempo", "MasterVolume", "Block", "Channels"}) Number(name);
  const bool path = reg_.ReadText("Path", text_, sizeof text_);
  trace_("Path", path, text_);
  ASSERT_TRUE(reg_.WriteNumber("Block", 137));
  Number("Block");
  trace_.Text("file", File());
}

// Without a key path nothing is read; a folder that cannot be written loses
// the write but not the file.
TEST_F(Settings, AnUnwritableFolderLosesTheWriteButNotTheFile) {
  tRegistry none;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(none.ReadNumber("Frequency", n_));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Assumption 'm_MainKeyName[0]!=0' failed"),
            std::string::npos);
  ASSERT_TRUE(reg_.WriteNumber("Tempo", 130));
  const std::string before = File();
  setenv("XDG_CONFIG_HOME", "/proc/no-such-folder", 1);
  EXPECT_FALSE(reg_.WriteNumber("Tempo", 99));
  setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  EXPECT_EQ(File(), before);
}

// Drives a person configures join the table; a hand-edited file may not
// move the content root or the host root, nor name a relative folder.
TEST_F(Settings, ConfiguredDrivesJoinTheDriveTable) {
  platform::SettingsStore store;
  platform::SettingsStore::Value v;
  v.type = platform::SettingsStore::Type::Text;
  for (auto [name, text] : {std::pair<const char*, std::string>{"E", root_},
                            {"E Label", "MY LOOPS"},
                            {"F", "relative/not/allowed"},
                            {"c", "/"},
                            {"Z", root_}}) {
    v.name = name;
    v.text = text;
    ASSERT_TRUE(store.Write(platform::kDrivesKey, v)) << name;
  }
  platform::Drive c0, d;
  ASSERT_TRUE(platform::FindDrive('C', c0));
  trace_("configured", platform::LoadConfiguredDrives(store));
  for (char letter : {'C', 'Z', 'e', 'F'}) {
    const bool found = platform::FindDrive(letter, d);
    std::string dir = found ? d.hostDir : "";
    if (dir == root_) dir = "<root>";
    if (letter == 'C') dir = d.hostDir == c0.hostDir ? "as before" : dir;
    trace_(letter, found, dir, found ? d.label : "");
  }
  platform::RemoveDrive('E');
}

}  // namespace
