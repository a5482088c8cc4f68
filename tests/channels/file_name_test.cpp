#include <fstream>
#include <string>

#include "channels/channel_desk.h"
#include "channels/file_name.h"
#include "support/errors.h"
#include "tests/channels/channels_test_util.h"

namespace {

class FileNames : public ChannelTest {
 protected:
  std::string Relative(const char* path) {
    tFileName p(path);
    desk_.MakeDriveRelative(p);
    return p.GetText();
  }
  std::string Resolved(const char* parent, const char* path) {
    tFileName p(path);
    desk_.MakeDriveRelative(p);
    desk_.ResolveOnDrive(tFileName(parent), p);
    return p.GetText();
  }
  tChannelDesk desk_{nullptr};
};

TEST_F(FileNames, AbsolutePathsNeedAColonSecondAndThreeCharacters) {
  for (const char* path : {"C:\\a", "C:a"}) EXPECT_TRUE(tFileName(path).IsAbsolutePath()) << path;
  for (const char* path : {"C:", "\\a", "\\\\server\\share\\a", "Samples\\kick.wav", ""})
    EXPECT_FALSE(tFileName(path).IsAbsolutePath()) << path;
}

TEST_F(FileNames, PartsOfAPath) {
  // Drive, directory, name and extension, separated by |.
  auto split = [](const char* path) {
    tFileName::tParts p;
    tFileName::Split(path, p);
    return std::string(p.drive.GetText()) + "|" + p.directory.GetText() + "|" + p.name.GetText() +
           "|" + p.extension.GetText();
  };
  EXPECT_EQ(split("C:\\Samples\\Drums\\kick.wav"), "C:|\\Samples\\Drums\\|kick|.wav");
  EXPECT_EQ(split("a.b\\noext"), "|a.b\\|noext|");

  tFileName f;
  f.SetRootlessDirectoryOf(tFileName("C:\\Samples\\Drums\\kick.wav"));
  EXPECT_STREQ(f.GetText(), "Samples\\Drums\\");
  f.SetNameAndExtensionOf(tFileName("C:\\Samples\\Drums\\kick.wav"));
  EXPECT_STREQ(f.GetText(), "kick.wav");
  f.MakePath("E", "\\Sets", "a", "chn");
  EXPECT_STREQ(f.GetText(), "E:\\Sets\\a.chn");
  f.MakePath(nullptr, "Sets\\", "a", ".chn");
  EXPECT_STREQ(f.GetText(), "Sets\\a.chn");
}

TEST_F(FileNames, MakeDriveRelativeDropsDriveAndLeadingSeparator) {
  EXPECT_EQ(Relative("D:\\kick.wav"), "kick.wav");
  EXPECT_EQ(Relative("C:\\Samples\\Drums\\kick.wav"), "Samples\\Drums\\kick.wav");
  EXPECT_EQ(Relative("Samples\\kick.wav"), "Samples\\kick.wav");
  EXPECT_EQ(Relative("\\Samples\\kick.wav"), "\\Samples\\kick.wav");
  // A drive and a name without separator gives the name; a directory that
  // does not start at the root keeps its first letter.
  EXPECT_EQ(Relative("C:kick.wav"), "kick.wav");
  EXPECT_EQ(Relative("C:Loops\\kick.wav"), "Loops\\kick.wav");
}

TEST_F(FileNames, ResolveOnDrivePutsStoredPathsOnTheParentsDriveRoot) {
  const char* parent = "D:\\Mixes\\set1.mix";
  EXPECT_EQ(Resolved(parent, "Samples\\kick.chn"), "D:\\Samples\\kick.chn");
  EXPECT_EQ(Resolved(parent, "C:\\Samples\\kick.chn"), "D:\\Samples\\kick.chn");
  EXPECT_EQ(Resolved(parent, "C:\\kick.chn"), "D:\\kick.chn");

  tFileName absolute("C:\\x.wav");
  desk_.ResolveOnDrive(tFileName(parent), absolute);
  EXPECT_STREQ(absolute.GetText(), "C:\\x.wav");
}

TEST_F(FileNames, ResolveOnDriveWithARelativeParentLogsTheAssumption) {
  tFileName path("x.wav");
  desk_.ResolveOnDrive(tFileName("abc\\d"), path);
  EXPECT_STREQ(path.GetText(), "abcx.wav");  // goes on with the first three characters
  std::ifstream log(ErrorLogPath());
  std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(text.find("Assumption 'parent.IsAbsolutePath()' failed"), std::string::npos) << text;

  tFileName other("y.wav");
  EXPECT_THROW(desk_.ResolveOnDrive(tFileName("ab"), other), tString::tBadIndex);
}

TEST_F(FileNames, MakeAbsoluteResolvesAgainstTheCurrentDirectoryOrFails) {
  WriteHost("Sets/x", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\Sets"));
  tFileName name("..\\Loops\\.\\a.wav");
  ASSERT_TRUE(name.MakeAbsolute(name));
  EXPECT_STREQ(name.GetText(), "C:\\Loops\\a.wav");

  tFileName current;
  current.SetToCurrentDirectory();
  EXPECT_STREQ(current.GetText(), "C:\\Sets");
  EXPECT_EQ(tFileName::CurrentDriveLetter(), 'C');

  tFileName network("\\\\server\\share\\a.wav");
  tFileName kept("kept");
  EXPECT_FALSE(kept.MakeAbsolute(network));
  EXPECT_STREQ(kept.GetText(), "kept");
  EXPECT_FALSE(kept.MakeAbsolute(tFileName(("C:\\" + std::string(300, 'a')).c_str())));
  EXPECT_STREQ(kept.GetText(), "kept");
}

TEST_F(FileNames, VolumeLabelAndSerialOfTheDriveAPathNames) {
  tFileName label;
  label.SetToVolumeLabelOf(tFileName("E:\\Loops\\a.wav"));
  EXPECT_STREQ(label.GetText(), "ELABEL");
  label.SetToVolumeLabelOf(tFileName(""));  // the current drive
  EXPECT_STREQ(label.GetText(), "LOOPS");

  platform::VolumeInfo info;
  ASSERT_TRUE(platform::VolumeInformation("E:\\", info));
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("E:\\a")), info.serial);
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("e:\\a")), info.serial);

  // A drive that is not there: empty label, serial 0.
  label.Assign("old");
  label.SetToVolumeLabelOf(tFileName("Q:\\a.wav"));
  EXPECT_STREQ(label.GetText(), "");
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("Q:\\a.wav")), 0u);

  // A long configured label is cut to the 19 characters a label holds.
  platform::SetDrive('E', root_ + "/E", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  label.SetToVolumeLabelOf(tFileName("E:\\a"));
  EXPECT_STREQ(label.GetText(), "ABCDEFGHIJKLMNOPQRS");
}

TEST_F(FileNames, DisplayNameDropsOnlyAThreeLetterExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Sets\\a.chn", "a"}, {"C:\\Sets\\drums.chn", "drums"},
      {"b.wave", "b.wave"},     {"C:\\x\\.chn", ""},
      {"noext", "noext"},       {"C:\\Sets\\", ""},
      {"C:\\a.b\\c.d", "c.d"},  {"Mixes\\you bv feel.mix", "you bv feel"},
  };
  for (const auto& [path, name] : cases) {
    tString out;
    tChannelDesk::DisplayNameOf(path, out);
    EXPECT_STREQ(out.GetText(), name) << path;
  }
}

}  // namespace
