#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
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
  }
  void TearDown() override {
    unsetenv("XDG_CONFIG_HOME");
    TestRoot::TearDown();
  }
  std::string File() { return ReadHost("brevora/settings.reg"); }
};

TEST_F(Settings, ValuesRoundTripInTheRegistryExportForm) {
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  uint32_t n = 0;
  EXPECT_FALSE(reg.ReadNumber("Frequency", n));  // first start: nothing stored yet
  EXPECT_TRUE(reg.WriteNumber("Frequency", 22050));
  EXPECT_TRUE(reg.WriteText("Keys", "QWERTZUIASDFGHJK"));
  EXPECT_TRUE(reg.WriteNumber("frequency", 44100));  // names without regard to case
  ASSERT_TRUE(reg.ReadNumber("FREQUENCY", n));
  EXPECT_EQ(n, 44100u);
  char text[260];
  ASSERT_TRUE(reg.ReadText("Keys", text, sizeof text));
  EXPECT_STREQ(text, "QWERTZUIASDFGHJK");
  // A buffer too short for the text and its terminator is left as it was.
  char exact[17] = {};
  EXPECT_TRUE(reg.ReadText("Keys", exact, sizeof exact));
  char shorter[16] = "unchanged";
  EXPECT_FALSE(reg.ReadText("Keys", shorter, sizeof shorter));
  EXPECT_STREQ(shorter, "unchanged");
  EXPECT_EQ(File(),
            "; Brevora settings, in the text form of registry exports.\n\n"
            "[Software\\Quellan\\Brevora\\1.00.000]\n"
            "\"frequency\"=dword:0000ac44\n"
            "\"Keys\"=\"QWERTZUIASDFGHJK\"\n");
  // Numbers read at most four bytes whatever the type: "abcd" has five with
  // the terminator.
  reg.WriteText("Short", "ab");
  reg.WriteText("Long", "abcd");
  ASSERT_TRUE(reg.ReadNumber("Short", n));
  EXPECT_EQ(n, 0x6261u);
  EXPECT_FALSE(reg.ReadNumber("Long", n));
}

TEST_F(Settings, AHandEditedFileIsReadAsFarAsItMakesSense) {
  WriteHost("brevora/settings.reg",
            "[Software\\Quellan\\Brevora\\1.00.000]\r\n"
            "\"Tempo\"=dword:zz\r\n"
            "garbage line\r\n"
            "\"MasterVolume\"=dword:00000041\r\n"
            "\"Path\"=\"C:\\\\Loops\\\\\\\"x\\\"\"\r\n");
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  uint32_t n = 0;
  EXPECT_FALSE(reg.ReadNumber("Tempo", n));
  ASSERT_TRUE(reg.ReadNumber("MasterVolume", n));
  EXPECT_EQ(n, 65u);
  char text[260];
  ASSERT_TRUE(reg.ReadText("Path", text, sizeof text));
  EXPECT_STREQ(text, "C:\\Loops\\\"x\"");
}

// A key that stands twice (files joined by hand) is one key: what is written
// is what is read back, a later value of the same name standing for both.
TEST_F(Settings, AKeyThatStandsTwiceIsOneKey) {
  WriteHost("brevora/settings.reg",
            "[Software\\Quellan\\Brevora\\1.00.000]\r\n"
            "\"Tempo\"=dword:00000050\r\n"
            "\"Tempo\"=dword:00000051\r\n"
            "[software\\quellan\\brevora\\1.00.000]\r\n"
            "\"Block\"=dword:00000010\r\n");
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  uint32_t n = 0;
  ASSERT_TRUE(reg.ReadNumber("Tempo", n));
  EXPECT_EQ(n, 0x51u);
  ASSERT_TRUE(reg.ReadNumber("Block", n));
  EXPECT_EQ(n, 16u);
  ASSERT_TRUE(reg.WriteNumber("Tempo", 137));
  ASSERT_TRUE(reg.ReadNumber("Tempo", n));
  EXPECT_EQ(n, 137u);
  EXPECT_EQ(File().find("[software"), std::string::npos);
}

TEST_F(Settings, AnEmptyKeyPathIsRefused) {
  tRegistry reg;
  testing::internal::CaptureStderr();
  uint32_t n;
  EXPECT_FALSE(reg.ReadNumber("Frequency", n));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Assumption 'm_MainKeyName[0]!=0' failed"),
            std::string::npos);
}

TEST_F(Settings, AnUnwritableFolderLosesTheWriteButNotTheFile) {
  tRegistry reg;
  reg.SetMainKey(kSettingsKey);
  ASSERT_TRUE(reg.WriteNumber("Tempo", 130));
  const std::string before = File();
  setenv("XDG_CONFIG_HOME", "/proc/no-such-folder", 1);
  EXPECT_FALSE(reg.WriteNumber("Tempo", 99));
  setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
  EXPECT_EQ(File(), before);
}

TEST_F(Settings, ConfiguredDrivesJoinTheDriveTable) {
  platform::SettingsStore store;
  platform::SettingsStore::Value v;
  v.type = platform::SettingsStore::Type::Text;
  v.name = "E";
  v.text = root_;
  ASSERT_TRUE(store.Write(platform::kDrivesKey, v));
  v.name = "E Label";
  v.text = "MY LOOPS";
  ASSERT_TRUE(store.Write(platform::kDrivesKey, v));
  v.name = "F";
  v.text = "relative/not/allowed";
  ASSERT_TRUE(store.Write(platform::kDrivesKey, v));
  // A hand-edited file may not move the content root or the host root.
  v.name = "c";
  v.text = "/";
  ASSERT_TRUE(store.Write(platform::kDrivesKey, v));
  v.name = "Z";
  v.text = root_;
  ASSERT_TRUE(store.Write(platform::kDrivesKey, v));
  platform::Drive c0;
  ASSERT_TRUE(platform::FindDrive('C', c0));
  EXPECT_EQ(platform::LoadConfiguredDrives(store), 1);
  platform::Drive d;
  ASSERT_TRUE(platform::FindDrive('C', d));
  EXPECT_EQ(d.hostDir, c0.hostDir);
  ASSERT_TRUE(platform::FindDrive('Z', d));
  EXPECT_EQ(d.hostDir, "/");
  ASSERT_TRUE(platform::FindDrive('e', d));
  EXPECT_EQ(d.hostDir, root_);
  EXPECT_EQ(d.label, "MY LOOPS");
  EXPECT_FALSE(platform::FindDrive('F', d));
  platform::RemoveDrive('E');
}

}  // namespace
