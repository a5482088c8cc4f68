#include <fstream>
#include <string>

#include "channels/channel_desk.h"
#include "channels/file_name.h"
#include "support/errors.h"
#include "tests/channels/channels_test_util.h"

namespace {

class FileNames : public ChannelTest {
 protected:
  tChannelDesk desk_{nullptr};
};

TEST_F(FileNames, PartsOfAPath) {
  for (const char* path : {"C:\\a", "C:a"}) EXPECT_TRUE(tFileName(path).IsAbsolutePath()) << path;
  for (const char* path : {"C:", "\\a", "\\\\server\\share\\a", "Samples\\kick.wav", ""})
    EXPECT_FALSE(tFileName(path).IsAbsolutePath()) << path;
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
  f.MakePath("E", "\\Sets", "a", "chn");
  EXPECT_STREQ(f.GetText(), "E:\\Sets\\a.chn");
  f.MakePath(nullptr, "Sets\\", "a", ".chn");
  EXPECT_STREQ(f.GetText(), "Sets\\a.chn");
}

// A stored path loses its drive and the separator after it; resolved, it
// lands on the root of the parent's drive. An absolute path stays.
TEST_F(FileNames, StoredPathsAreResolvedOnTheParentsDriveRoot) {
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\kick.wav", "D:\\kick.wav"},
      {"C:\\Samples\\Drums\\kick.wav", "D:\\Samples\\Drums\\kick.wav"},
      {"Samples\\kick.wav", "D:\\Samples\\kick.wav"},
      {"\\Samples\\kick.wav", "D:\\\\Samples\\kick.wav"},
      {"C:kick.wav", "D:\\kick.wav"},
      {"C:Loops\\kick.wav", "D:\\Loops\\kick.wav"},  // keeps its first letter
  };
  for (const auto& [stored, resolved] : cases) {
    tFileName p(stored);
    desk_.MakeDriveRelative(p);
    desk_.ResolveOnDrive(tFileName("D:\\Mixes\\set1.mix"), p);
    EXPECT_STREQ(p.GetText(), resolved) << stored;
  }
  tFileName absolute("C:\\x.wav");
  desk_.ResolveOnDrive(tFileName("D:\\Mixes\\set1.mix"), absolute);
  EXPECT_STREQ(absolute.GetText(), "C:\\x.wav");

  // A relative parent is logged and its first three characters are used.
  tFileName path("x.wav");
  desk_.ResolveOnDrive(tFileName("abc\\d"), path);
  EXPECT_STREQ(path.GetText(), "abcx.wav");
  std::ifstream log(ErrorLogPath());
  std::string text((std::istreambuf_iterator<char>(log)), {});
  EXPECT_NE(text.find("Assumption 'parent.IsAbsolutePath()' failed"), std::string::npos) << text;
  tFileName other("y.wav");
  EXPECT_THROW(desk_.ResolveOnDrive(tFileName("ab"), other), tString::tBadIndex);
}

TEST_F(FileNames, VolumeLabelAndSerialOfTheDriveAPathNames) {
  tFileName label;
  label.SetToVolumeLabelOf(tFileName("E:\\Loops\\a.wav"));
  EXPECT_STREQ(label.GetText(), "ELABEL");
  label.SetToVolumeLabelOf(tFileName(""));  // the current drive
  EXPECT_STREQ(label.GetText(), "LOOPS");
  platform::VolumeInfo info;
  ASSERT_TRUE(platform::VolumeInformation("E:\\", info));
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("e:\\a")), info.serial);
  // A drive that is not there: empty label, serial 0.
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
