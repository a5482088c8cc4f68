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
  for (const char* path :
       {"C:\\a", "C:a", "C:", "\\a", "\\\\server\\share\\a", "Samples\\kick.wav", ""})
    trace_(path, "absolute", tFileName(path).IsAbsolutePath());
  // Drive, directory, name and extension, separated by |.
  for (const char* path : {"C:\\Samples\\Drums\\kick.wav", "a.b\\noext"}) {
    tFileName::tParts p;
    tFileName::Split(path, p);
    trace_(path, "split",
           std::string(p.drive.GetText()) + "|" + p.directory.GetText() + "|" + p.name.GetText() +
               "|" + p.extension.GetText());
  }
  tFileName f;
  f.MakePath("E", "\\Sets", "a", "chn");
  trace_("made", f.GetText());
  f.MakePath(nullptr, "Sets\\", "a", ".chn");
  trace_("made", f.GetText());
}

// A stored path loses its drive and the separator after it; resolved, it
// lands on the root of the parent's drive; an absolute path stays. A
// stored path keeps its first letter after a drive without its root.
TEST_F(FileNames, StoredPathsAreResolvedOnTheParentsDriveRoot) {
  for (const char* stored : {"D:\\kick.wav", "C:\\Samples\\Drums\\kick.wav", "Samples\\kick.wav",
                             "\\Samples\\kick.wav", "C:kick.wav", "C:Loops\\kick.wav"}) {
    tFileName p(stored);
    desk_.MakeDriveRelative(p);
    desk_.ResolveOnDrive(tFileName("D:\\Mixes\\set1.mix"), p);
    trace_(stored, "->", p.GetText());
  }
  tFileName absolute("C:\\x.wav");
  desk_.ResolveOnDrive(tFileName("D:\\Mixes\\set1.mix"), absolute);
  trace_("absolute C:\\x.wav ->", absolute.GetText());

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

// A drive that is not there has an empty label and serial 0; a long
// configured label is cut to the 19 characters a label holds.
TEST_F(FileNames, VolumeLabelAndSerialOfTheDriveAPathNames) {
  platform::VolumeInfo info;
  ASSERT_TRUE(platform::VolumeInformation("E:\\", info));
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("e:\\a")), info.serial);
  EXPECT_EQ(tFileName::VolumeSerialOf(tFileName("Q:\\a.wav")), 0u);
  auto label = [](const char* path) {
    tFileName text;
    text.SetToVolumeLabelOf(tFileName(path));
    return std::string(text.GetText());
  };
  trace_("labels of E:, the current drive, Q:", label("E:\\Loops\\a.wav"), label(""),
         label("Q:\\a.wav"));
  platform::SetDrive('E', root_ + "/E", "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  trace_("E: labelled A to Z", label("E:\\a"));
}

TEST_F(FileNames, DisplayNameDropsOnlyAThreeLetterExtension) {
  for (const char* path : {"C:\\Sets\\a.chn", "C:\\Sets\\drums.chn", "b.wave", "C:\\x\\.chn",
                           "noext", "C:\\Sets\\", "C:\\a.b\\c.d", "Mixes\\you bv feel.mix"}) {
    tString out;
    tChannelDesk::DisplayNameOf(path, out);
    trace_(path, "->", out.GetText());
  }
}

}  // namespace
