// The platform's writers under a full disk or an I/O fault at each of their
// writes, flushes, renames and closes: profile files, the settings file, file
// copies. Each reports the failure, keeps the earlier file and leaves no
// temporary file.
#include <sys/stat.h>

#include "platform/profile.h"
#include "platform/settings_store.h"
#include "tests/platform/fault_sweep.h"
#include "tests/platform/test_root.h"

namespace {

using WriteFaults = TestRoot;

TEST_F(WriteFaults, ProfileWrite) {
  const std::string earlier = "[S]\r\nK=1\r\nTime 00000010 Channel 0 Play 0\r\n";
  WriteHost("a.ini", earlier);
  chmod((root_ + "/a.ini").c_str(), 0640);
  const auto files = HostListing(root_);
  SweepFileFaults(
      [&] { WriteHost("a.ini", earlier); },
      [&] {
        return platform::WriteProfileStrings("C:\\a.ini", "S", {{"K", "2"}, {"L", "3"}});
      },
      [&] {
        EXPECT_EQ(ReadHost("a.ini"), earlier);
        EXPECT_EQ(HostListing(root_), files);
      });
  EXPECT_EQ(ReadHost("a.ini"), "[S]\r\nK=2\r\nL=3\r\nTime 00000010 Channel 0 Play 0\r\n");
  struct stat st;
  ASSERT_EQ(stat((root_ + "/a.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(WriteFaults, SettingsFile) {
  platform::SettingsStore store(root_ + "/brevora/settings.reg");
  const platform::SettingsStore::Value tempo{"Tempo", platform::SettingsStore::Type::Number, 130,
                                             ""};
  ASSERT_TRUE(store.Write("Software\\B", tempo));
  const std::string earlier = ReadHost("brevora/settings.reg");
  const auto files = HostListing(root_ + "/brevora");
  const platform::SettingsStore::Value keys{"Keys", platform::SettingsStore::Type::Text, 0,
                                            "QWERTZUIASDFGHJK"};
  SweepFileFaults([&] { WriteHost("brevora/settings.reg", earlier); },
                  [&] { return store.Write("Software\\B", keys); },
                  [&] {
                    EXPECT_EQ(ReadHost("brevora/settings.reg"), earlier);
                    EXPECT_EQ(HostListing(root_ + "/brevora"), files);
                  });
  platform::SettingsStore::Value back;
  ASSERT_TRUE(store.Read("software\\b", "keys", back));
  EXPECT_EQ(back.text, "QWERTZUIASDFGHJK");
}

TEST_F(WriteFaults, CopyOverAFile) {
  WriteHost("src.mix", std::string(200000, 'x'));  // more than one block of the copy
  WriteHost("dst.mix", "earlier");
  const auto files = HostListing(root_);
  const int calls =
      SweepFileFaults([&] { WriteHost("dst.mix", "earlier"); },
                      [&] { return platform::CopyFile("C:\\src.mix", "C:\\dst.mix"); },
                      [&] {
                        EXPECT_EQ(ReadHost("dst.mix"), "earlier");
                        EXPECT_EQ(HostListing(root_), files);
                      });
  EXPECT_EQ(calls, 6);  // four blocks, the close and the rename
  EXPECT_EQ(ReadHost("dst.mix").size(), 200000u);
}

}  // namespace
