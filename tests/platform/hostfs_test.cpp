#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <thread>

#include "platform/hostfs.h"
#include "platform/last_error.h"
#include "platform/lock.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/test_root.h"

namespace {

using platform::FullPath;
using platform::ToHostPath;
using platform::ToSystemPath;

class HostFs : public TestRoot {};

std::string Full(const std::string& p) {
  std::string out;
  return FullPath(p, out) ? out : "<fail>";
}

TEST_F(HostFs, FullPathResolvesDotsRelativeAndRootedPaths) {
  VerifyGoldenTable("tests/platform/golden/full_paths.txt",
                    [](const std::string& row) { return Full(row == "(empty)" ? "" : row); });
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
  WriteHost("Sets/x", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("Sets"));
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\Sets");
  EXPECT_EQ(Full("..\\b"), "C:\\b");
  EXPECT_EQ(Full("C:a.chn"), "C:\\Sets\\a.chn");  // the current drive keeps its directory
}

TEST_F(HostFs, PathsWithSpacesAndOddCaseReachTheHostAndComeBack) {
  WriteHost("Sample Packs/Drum Loops/Kick 01.WAV", "x");
  std::string host;
  ASSERT_TRUE(ToHostPath("c:\\SAMPLE PACKS\\drum loops\\kick 01.wav", host));
  EXPECT_EQ(host, root_ + "/Sample Packs/Drum Loops/Kick 01.WAV");
  EXPECT_TRUE(platform::CanOpenForReading("C:\\sample packs\\DRUM LOOPS\\KICK 01.wav"));

  // A name that does not exist yet keeps its case; its existing folders are matched.
  ASSERT_TRUE(ToHostPath("C:\\sample packs\\New.chn", host));
  EXPECT_EQ(host, root_ + "/Sample Packs/New.chn");

  std::string back;
  ASSERT_TRUE(ToSystemPath(root_ + "/Sample Packs/Drum Loops/Kick 01.WAV", back));
  EXPECT_EQ(back, "C:\\Sample Packs\\Drum Loops\\Kick 01.WAV");
  ASSERT_TRUE(ToSystemPath("/usr/share", back));
  EXPECT_EQ(back, "Z:\\usr\\share");
  // A desk path holds at most 259 characters: "C:\" and 256 more.
  const std::string longest = root_ + "/" + std::string(200, 'a') + "/" + std::string(55, 'b');
  ASSERT_TRUE(ToSystemPath(longest, back));
  EXPECT_EQ(back.size(), 259u);
  EXPECT_FALSE(ToSystemPath(longest + "c", back));
}

TEST_F(HostFs, LongestDrivePrefixWinsAndUnknownDrivesFail) {
  WriteHost("media/stick/a.wav", "x");
  platform::SetDrive('e', root_ + "/media/stick", "STICK");
  std::string back;
  ASSERT_TRUE(ToSystemPath(root_ + "/media/stick/a.wav", back));
  EXPECT_EQ(back, "E:\\a.wav");
  ASSERT_TRUE(ToSystemPath(root_ + "/media/stickier", back));
  EXPECT_EQ(back, "C:\\media\\stickier");  // a prefix must end at a component
  EXPECT_TRUE(platform::CanOpenForReading("E:\\A.WAV"));

  std::string host;
  EXPECT_FALSE(ToHostPath("Q:\\x", host));
  EXPECT_EQ(platform::LastErrorCode(), 15u);
  platform::RemoveDrive('E');
  EXPECT_FALSE(platform::CanOpenForReading("E:\\a.wav"));
}

TEST_F(HostFs, CurrentDirectoryIsTheProcessWorkingDirectory) {
  WriteHost("Mixes/x.mix", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\mixes"));
  char buf[PATH_MAX];
  ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
  EXPECT_EQ(std::string(buf), root_ + "/Mixes");
  EXPECT_TRUE(platform::CanOpenForReading("x.mix"));
  EXPECT_FALSE(platform::SetCurrentDirectory("C:\\nowhere"));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\mixes");
}

TEST_F(HostFs, CopyReplacesAndKeepsTheReadOnlyBitUntilCleared) {
  WriteHost("a.mix", "new content");
  WriteHost("b.mix", "old");
  chmod((root_ + "/a.mix").c_str(), 0444);
  ASSERT_TRUE(platform::CopyFile("C:\\a.mix", "C:\\b.mix"));
  EXPECT_EQ(ReadHost("b.mix"), "new content");
  struct stat st;
  ASSERT_EQ(stat((root_ + "/b.mix").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  ASSERT_TRUE(platform::ClearReadOnly("C:\\b.mix"));
  ASSERT_EQ(stat((root_ + "/b.mix").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);

  EXPECT_FALSE(platform::CopyFile("C:\\missing.mix", "C:\\b.mix"));
  EXPECT_EQ(platform::LastErrorCode(), 2u);
  EXPECT_EQ(ReadHost("b.mix"), "new content");
}

TEST_F(HostFs, TemporaryFilesAreUniqueWithTheirPrefix) {
  std::string a, b;
  ASSERT_TRUE(platform::CreateTempFile("C:\\", "mix", a));
  ASSERT_TRUE(platform::CreateTempFile("C:\\", "mix", b));
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind("C:\\mix", 0), 0u);
  EXPECT_TRUE(platform::CanOpenForReading(a));
  EXPECT_TRUE(platform::DeleteFile(a));
  EXPECT_FALSE(platform::CanOpenForReading(a));
  EXPECT_FALSE(platform::DeleteFile(a));
  std::string tmp;
  ASSERT_TRUE(platform::TempDirectory(tmp));
  EXPECT_EQ(tmp[1], ':');
}

TEST_F(HostFs, DirectorySearchMatchesMasksWithoutCase) {
  WriteHost("Samples/kick.WAV", "");
  WriteHost("Samples/snare.wav", "");
  WriteHost("Samples/notes.txt", "");
  WriteHost("Samples/hat1.wav", "");
  platform::DirectorySearch search;
  ASSERT_TRUE(search.Start("C:\\samples", "*.wav"));
  std::vector<std::string> names;
  for (; search.Valid(); search.Next()) names.push_back(search.Current().name);
  EXPECT_EQ(names, (std::vector<std::string>{"hat1.wav", "kick.WAV", "snare.wav"}));

  ASSERT_TRUE(search.Start("C:\\Samples", "*"));
  EXPECT_EQ(search.Current().name, ".");  // the dot entries come first
  EXPECT_FALSE(search.Start("C:\\Samples", "*.aif"));
  EXPECT_FALSE(search.Start("C:\\Nowhere", "*"));

  EXPECT_TRUE(platform::MatchesMask("HAT1.wav", "hat?.W*"));
  EXPECT_TRUE(platform::MatchesMask("readme", "*.*"));
  EXPECT_FALSE(platform::MatchesMask("hat12.wav", "hat?.wav"));
}

TEST_F(HostFs, VolumeInformationGivesTheConfiguredLabelAndTheFileSystemsSerial) {
  platform::SetDrive('D', root_, "MY LOOPS");
  platform::VolumeInfo info;
  ASSERT_TRUE(platform::VolumeInformation("D:\\", info));
  EXPECT_EQ(info.label, "MY LOOPS");
  // Either the fsid or a FAT/NTFS volume id; both are stable for the same disk.
  platform::VolumeInfo again;
  ASSERT_TRUE(platform::VolumeInformation("d:\\Sets\\a.chn", again));
  EXPECT_EQ(again.serial, info.serial);

  platform::SetDrive('F', root_, "A LABEL LONGER THAN NINETEEN");
  ASSERT_TRUE(platform::VolumeInformation("F:\\", info));
  EXPECT_EQ(info.label.size(), 19u);

  EXPECT_FALSE(platform::VolumeInformation("Q:\\", info));
  EXPECT_EQ(info.label, "");
  EXPECT_EQ(info.serial, 0u);
}

TEST(LastError, PosixFailuresReadAsSystemCodes) {
  EXPECT_EQ(platform::ErrorCodeFromErrno(ENOENT), 2u);
  EXPECT_EQ(platform::ErrorCodeFromErrno(ENOTDIR), 3u);
  EXPECT_EQ(platform::ErrorCodeFromErrno(EACCES), 5u);
  EXPECT_EQ(platform::ErrorCodeFromErrno(ENOMEM), 8u);
  EXPECT_EQ(platform::ErrorCodeFromErrno(EEXIST), 80u);
  platform::SetLastErrorCode(0x80002);
  std::thread([] { EXPECT_EQ(platform::LastErrorCode(), 0u); }).join();  // per thread
  EXPECT_EQ(platform::LastErrorCode(), 0x80002u);
}

TEST(Lock, IsReentrantAndReleasedWhenAnExceptionPasses) {
  tCriticalSection section;
  {
    tLock outer(section);
    tLock inner(section);  // the same thread takes it again
  }
  try {
    tLock held(section);
    throw 1;
  } catch (int) {
  }
  bool taken = false;
  std::thread([&] {
    taken = section.TryEnter();
    if (taken) section.Leave();
  }).join();
  EXPECT_TRUE(taken);
}

}  // namespace
