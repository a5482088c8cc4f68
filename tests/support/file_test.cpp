#include <gtest/gtest.h>

#include <cstring>

#include "support/file.h"
#include "support/scan_directory.h"
#include "tests/platform/test_root.h"
#include "tests/support/support_test_util.h"

namespace {

using support_test::ThrownText;

class Files : public TestRoot {};

// Lines end at CR LF; ReadLine tells whether more follows (also after a
// last line with its own line end) and always terminates a long line.
// Printf, Seek and Read share one position; a file that cannot be opened
// raises with the reason. FileExists and RemoveFile take desk paths in any
// case. A scan enters the directory with its mask, skips . and .., and
// restores the current directory; a missing one raises the decorated error
// and changes nothing.
TEST_F(Files, LinesPositionsPathsAndScans) {
  support_test::GoldenTrace trace("support");
  for (const char* text : {"abc\r\ndef", "abc\r\ndef\r\n", "0123456789abcdef\r\n"}) {
    WriteHost("t.txt", text);
    tFile f;
    f.Open("C:\\t.txt", tFile::kRead);
    std::string lines;
    for (int i = 0; i < 3; ++i) {
      char line[8];
      std::memset(line, '#', sizeof line);
      const bool more = f.ReadLine(line, sizeof line);
      lines += std::string(" [") + line + "]" + (more ? " more" : "");
    }
    trace.Line("%s: size %d,%s", text, f.GetSize(), lines.c_str());
  }
  tFile f;
  f.Open("C:\\out.bin", tFile::kReadWrite | tFile::kCreate);
  f.Printf("Time %08lu Channel %d Play %d\r\n", 2000ul, 3, 0);
  trace.Line("printf: at %d", f.GetPosition());
  f.Seek(5, 0);
  char buf[9] = {};
  const int32_t read = f.Read(buf, 8);
  trace.Line("read 8 at 5: %d, %s", read, buf);
  f.Close();
  trace.Line("closed: open %d, the file %s", f.IsOpen(), ReadHost("out.bin").c_str());
  trace.Line("open a missing file: %s", ThrownText<tFile::tOpenError>([&] {
                                          f.Open("C:\\missing.txt", tFile::kRead);
                                        }).c_str());

  WriteHost("Loops/a.wav", "x");
  for (const char* path : {"C:\\loops\\A.WAV", "C:\\loops"})
    trace.Line("exists %s: %d", path, FileExists(path));
  for (int i = 0; i < 2; ++i) {
    const bool removed = RemoveFile("C:\\Loops\\a.wav");
    trace.Line("remove: %d, exists %d", removed, FileExists("C:\\Loops\\a.wav"));
  }

  WriteHost("Samples/kick.wav", "");
  WriteHost("Samples/snare.WAV", "");
  WriteHost("Samples/readme.txt", "");
  WriteHost("Only/one.chn", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
  const auto scan = [&](const char* path, const char* mask) {
    tScanDirectory s;
    mask ? s.Enter(path, mask) : s.Enter(path);
    std::string names = "in " + platform::CurrentDirectory() + ":";
    for (; s.IsValid(); s.Next()) names += std::string(" ") + s.GetName();
    s.Leave();
    trace.Line("scan %s %s: %s, then in %s", path, mask ? mask : "(in the path)", names.c_str(),
               platform::CurrentDirectory().c_str());
  };
  scan("C:\\Samples\\*.wav", nullptr);
  scan("Samples", nullptr);
  scan("C:\\Only", "*");
  tScanDirectory none;
  trace.Line("scan C:\\Nowhere: %s",
             ThrownText<tScanDirectory::tError>([&] { none.Enter("C:\\Nowhere", "*"); }).c_str());
  trace.Line("  then in %s", platform::CurrentDirectory().c_str());
  trace.Check("files");
}

}  // namespace
