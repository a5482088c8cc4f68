#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "mix/registry.h"
#include "platform/hostfs.h"
#include "platform/settings_store.h"
#include "tests/platform/test_root.h"

namespace {

// Points the settings file at a fresh folder for one test.
class Settings : public TestRoot {
 protected:
  void SetUp() override {
    TestRoot::SetUp();
    setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    reg_.SetMainKey(kSettingsKey);
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    TestRoot::TearDown();
  }
  std::string File() { return ReadHost("brevora/settings.reg"); }
  tRegistry reg_;
  uint32_t n_ = 0;
  char text_[260] = {};
};

TEST_F(Settings, ValuesRoundTripInTheRegistryExportForm) {
  EXPECT_FALSE(reg_.ReadNumber("Frequency", n_));  // first start: nothing stored yet
  EXPECT_TRUE(reg_.WriteNumber("Frequency", 22050));
  EXPECT_TRUE(reg_.WriteText("Keys", "QWERTZUIASDFGHJK"));
  EXPECT_TRUE(reg_.WriteNumber("frequency", 44100));  // names without regard to case
  ASSERT_TRUE(reg_.ReadNumber("FREQUENCY", n_));
  EXPECT_EQ(n_, 44100u);
  // A buffer too short for the text and its terminator is left as it was.
  char exact[17] = {};
  ASSERT_TRUE(reg_.ReadText("Keys", exact, sizeof exact));
  EXPECT_STREQ(exact, "QWERTZUIASDFGHJK");
  char shorter[16] = "unchanged";
  EXPECT_FALSE(reg_.ReadText("Keys", shorter, sizeof shorter));
  EXPECT_STREQ(shorter, "unchanged");
  EXPECT_EQ(File(),
            "; Brevora settings, in the text form of registry exports.\n\n"
            "[Software\\Quellan\\Brevora\\1.00.000]\n"
            "\"frequency\"=dword:0000ac44\n"
            "\"Keys\"=\"QWERTZUIASDFGHJK\"\n");
  // Numbers read at most four bytes whatever the type: "abcd" has five with
  // the terminator.
  reg_.WriteText("Short", "ab");
  reg_.WriteText("Long", "abcd");
  ASSERT_TRUE(reg_.ReadNumber("Short", n_));
  EXPECT_EQ(n_, 0x6261u);
  EXPECT_FALSE(reg_.ReadNumber("Long", n_));
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
  EXPECT_FALSE(reg_.ReadNumber("Tempo", n_));
  ASSERT_TRUE(reg_.ReadText("Path", text_, sizeof text_));
  EXPECT_STREQ(text_, "C:\\Loops\\\"x\"");
  for (auto [name, value] : {std::pair{"MasterVolume", 65u}, {"Block", 0x51u}, {"Channels", 2u}}) {
    ASSERT_TRUE(reg_.ReadNumber(name, n_)) << name;
    EXPECT_EQ(n_, value) << name;
  }
  ASSERT_TRUE(reg_.WriteNumber("Block", 137));
  ASSERT_TRUE(reg_.ReadNumber("Block", n_));
  EXPECT_EQ(n_, 137u);
  EXPECT_EQ(File().find("[software"), std::string::npos);
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
  EXPECT_EQ(platform::LoadConfiguredDrives(store), 1);
  ASSERT_TRUE(platform::FindDrive('C', d));
  EXPECT_EQ(d.hostDir, c0.hostDir);
  ASSERT_TRUE(platform::FindDrive('Z', d));
  EXPECT_EQ(d.hostDir, "/");
  ASSERT_TRUE(platform::FindDrive('e', d));
  EXPECT_EQ(d.hostDir + "|" + d.label, root_ + "|MY LOOPS");
  EXPECT_FALSE(platform::FindDrive('F', d));
  platform::RemoveDrive('E');
}

}  // namespace
