#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>

#include "platform/hostfs.h"
#include "platform/last_error.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/test_root.h"

namespace {

using platform::FullPath;
using platform::ToHostPath;
using platform::ToSystemPath;

class HostFs : public TestRoot {
 protected:
  // A host path with the test's root written as $ROOT.
  std::string Rooted(const std::string& path) const { return Named(path, root_, "$ROOT"); }
  std::string Host(const std::string& desk) const {
    std::string host;
    return ToHostPath(desk, host) ? Rooted(host) : "fails, error " + Error();
  }
  static std::string Desk(const std::string& host) {
    std::string desk;
    return ToSystemPath(host, desk) ? desk : "fails";
  }
  static std::string Error() { return std::to_string(platform::LastErrorCode()); }
  std::string Mode(const std::string& rel) const { return ModeOf(root_ + "/" + rel); }
  GoldenTrace t_{"tests/platform/golden/hostfs_session.trace"};
};

std::string Full(const std::string& p) {
  std::string out;
  return FullPath(p, out) ? out : "<fail>";
}

// Paths, the current directory, copies, temporary files, searches and
// volumes, one step a line of the trace.
TEST_F(HostFs, ASessionOfPathsFilesAndDrives) {
  // The current drive keeps its directory; the process's working directory follows it.
  WriteHost("Sets/x", "");
  WriteHost("Mixes/x.mix", "");
  t_.Add({"cd C:\\ then Sets:", YesNo(platform::SetCurrentDirectory("C:\\")),
          YesNo(platform::SetCurrentDirectory("Sets")), platform::CurrentDirectory()});
  t_.Add({"full ..\\b:", Full("..\\b"), "C:a.chn:", Full("C:a.chn")});
  t_.Add({"cd C:\\mixes:", YesNo(platform::SetCurrentDirectory("C:\\mixes")),
          Rooted(std::filesystem::current_path()),
          "x.mix opens:", YesNo(platform::CanOpenForReading("x.mix"))});
  t_.Add({"cd C:\\nowhere:", YesNo(platform::SetCurrentDirectory("C:\\nowhere")), "error", Error(),
          "stays", platform::CurrentDirectory()});

  // Spaces and odd case reach the host and come back; a name that does not
  // exist yet keeps its case, its existing folders are matched.
  WriteHost("Sample Packs/Drum Loops/Kick 01.WAV", "x");
  t_.Add({"host of c:\\SAMPLE PACKS\\drum loops\\kick 01.wav:",
          Host("c:\\SAMPLE PACKS\\drum loops\\kick 01.wav")});
  t_.Add({"opens C:\\sample packs\\DRUM LOOPS\\KICK 01.wav:",
          YesNo(platform::CanOpenForReading("C:\\sample packs\\DRUM LOOPS\\KICK 01.wav"))});
  t_.Add({"host of C:\\sample packs\\New.chn:", Host("C:\\sample packs\\New.chn")});
  t_.Add({"desk of $ROOT/Sample Packs/Drum Loops/Kick 01.WAV:",
          Desk(root_ + "/Sample Packs/Drum Loops/Kick 01.WAV")});
  t_.Add({"desk of /usr/share:", Desk("/usr/share")});
  // A desk path holds at most 259 characters: "C:\" and 256 more.
  const std::string longest = root_ + "/" + std::string(200, 'a') + "/" + std::string(55, 'b');
  t_.Add({"desk of 256 characters below the root: length", Desk(longest).size(),
          "of 257:", Desk(longest + "c")});

  // The longest drive prefix wins, at a component's end; unknown drives fail.
  WriteHost("media/stick/a.wav", "x");
  platform::SetDrive('e', root_ + "/media/stick", "STICK");
  t_.Add({"E: at $ROOT/media/stick; desk of its a.wav:", Desk(root_ + "/media/stick/a.wav"),
          "of $ROOT/media/stickier:", Desk(root_ + "/media/stickier")});
  t_.Add({"opens E:\\A.WAV:", YesNo(platform::CanOpenForReading("E:\\A.WAV"))});
  t_.Add({"host of Q:\\x:", Host("Q:\\x")});
  platform::RemoveDrive('E');
  t_.Add({"E: removed, opens E:\\a.wav:", YesNo(platform::CanOpenForReading("E:\\a.wav"))});

  // A copy replaces the file and keeps the read-only bit until it is cleared.
  WriteHost("a.mix", "new content");
  WriteHost("b.mix", "old");
  chmod((root_ + "/a.mix").c_str(), 0444);
  t_.Add({"copy read-only a.mix over b.mix:", YesNo(platform::CopyFile("C:\\a.mix", "C:\\b.mix")),
          ReadHost("b.mix"), Mode("b.mix")});
  t_.Add({"clear read-only:", YesNo(platform::ClearReadOnly("C:\\b.mix")), Mode("b.mix")});
  t_.Add({"copy a missing file:", YesNo(platform::CopyFile("C:\\missing.mix", "C:\\b.mix")),
          "error", Error(), ReadHost("b.mix")});

  // Temporary files are unique with their prefix.
  std::string a, b, tmp;
  ASSERT_TRUE(platform::CreateTempFile("C:\\", "mix", a));
  ASSERT_TRUE(platform::CreateTempFile("C:\\", "mix", b));
  t_.Add({"two temporary files differ:", YesNo(a != b), "prefix C:\\mix:",
          YesNo(a.rfind("C:\\mix", 0) == 0), "open:", YesNo(platform::CanOpenForReading(a))});
  t_.Add({"delete:", YesNo(platform::DeleteFile(a)), "opens:",
          YesNo(platform::CanOpenForReading(a)), "again:", YesNo(platform::DeleteFile(a))});
  t_.Add({"temporary folder on a drive:", YesNo(platform::TempDirectory(tmp) && tmp[1] == ':')});

  // Searches match masks without regard to case; the dot entries come first.
  for (const char* name : {"kick.WAV", "snare.wav", "notes.txt", "hat1.wav"})
    WriteHost(std::string("Samples/") + name, "");
  platform::DirectorySearch search;
  for (auto [dir, mask] : {std::pair{"C:\\samples", "*.wav"},
                           {"C:\\Samples", "*"},
                           {"C:\\Samples", "*.aif"},
                           {"C:\\Nowhere", "*"}}) {
    std::string names = search.Start(dir, mask) ? "" : " fails";
    for (; search.Valid(); search.Next()) names += " " + search.Current().name;
    t_.Add({std::string("search ") + dir + " " + mask + ":" + names});
  }
  for (auto [name, mask] :
       {std::pair{"HAT1.wav", "hat?.W*"}, {"readme", "*.*"}, {"hat12.wav", "hat?.wav"}})
    t_.Add({std::string("mask ") + mask + " matches " + name + ":",
            YesNo(platform::MatchesMask(name, mask))});

  // Volumes: the configured label, cut to 19 characters, and the file
  // system's serial (the fsid or a FAT/NTFS volume id), stable for one disk.
  platform::SetDrive('D', root_, "MY LOOPS");
  platform::SetDrive('F', root_, "A LABEL LONGER THAN NINETEEN");
  platform::VolumeInfo d, sub, f, q;
  t_.Add({"volume of D:\\:", YesNo(platform::VolumeInformation("D:\\", d)), d.label,
          "of d:\\Sets\\a.chn:", YesNo(platform::VolumeInformation("d:\\Sets\\a.chn", sub)),
          "same serial:", YesNo(d.serial == sub.serial)});
  t_.Add({"volume of F:\\:", YesNo(platform::VolumeInformation("F:\\", f)), f.label});
  q.label = "x";
  t_.Add({"volume of Q:\\:", YesNo(platform::VolumeInformation("Q:\\", q)), "label",
          "'" + q.label + "'", "serial", q.serial});
  t_.Verify();
}

}  // namespace
