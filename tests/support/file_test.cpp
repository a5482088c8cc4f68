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
TEST_F(Files, ReadLineSplitsAtCrLfAndTellsWhetherMoreFollows) {
  const struct {
    const char* text;
    std::vector<std::pair<bool, std::string>> lines;  // result, line
  } cases[] = {{"abc\r\ndef", {{true, "abc"}, {false, "def"}}},
               {"abc\r\ndef\r\n", {{true, "abc"}, {false, "def"}, {false, ""}}},
               {"0123456789abcdef\r\n", {{true, "0123456"}}}};
  for (const auto& c : cases) {
    WriteHost("t.txt", c.text);
    tFile f;
    f.Open("C:\\t.txt", tFile::kRead);
    EXPECT_EQ(f.GetSize(), static_cast<int32_t>(std::strlen(c.text)));
    for (const auto& [more, text] : c.lines) {
      char line[8];
      std::memset(line, '#', sizeof line);
      EXPECT_EQ(f.ReadLine(line, sizeof line), more) << c.text << " " << text;
      EXPECT_STREQ(line, text.c_str());
    }
  }
}

TEST_F(Files, WritePrintfSeekAndPosition) {
  tFile f;
  f.Open("C:\\out.bin", tFile::kReadWrite | tFile::kCreate);
  f.Printf("Time %08lu Channel %d Play %d\r\n", 2000ul, 3, 0);
  EXPECT_EQ(f.GetPosition(), 32);
  f.Seek(5, 0);
  char buf[9] = {};
  EXPECT_EQ(f.Read(buf, 8), 8);
  EXPECT_STREQ(buf, "00002000");
  f.Close();
  EXPECT_EQ(ReadHost("out.bin"), "Time 00002000 Channel 3 Play 0\r\n");
  EXPECT_FALSE(f.IsOpen());
}

TEST_F(Files, OpenFailuresRaiseWithTheReason) {
  tFile f;
  EXPECT_EQ(ThrownText<tFile::tOpenError>([&] { f.Open("C:\\missing.txt", tFile::kRead); }),
            "Failed to open file 'C:\\missing.txt' (No such file or directory)\n");
  testing::internal::CaptureStderr();
  EXPECT_THROW(f.Open("", tFile::kRead), tFile::tOpenError);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("Assumption '*name != 0' failed"),
            std::string::npos);
  testing::internal::CaptureStderr();
  EXPECT_THROW(f.Read(nullptr, 0), tFile::tReadError);  // closed: assumption, then the error
  EXPECT_NE(testing::internal::GetCapturedStderr().find("m_hFile != HFILE_ERROR"),
            std::string::npos);
}

TEST_F(Files, FileExistsAndRemoveFileUseDeskPaths) {
  WriteHost("Loops/a.wav", "x");
  EXPECT_TRUE(FileExists("C:\\loops\\A.WAV"));
  EXPECT_FALSE(FileExists("C:\\loops"));
  EXPECT_TRUE(RemoveFile("C:\\Loops\\a.wav"));
  EXPECT_FALSE(FileExists("C:\\Loops\\a.wav"));
  EXPECT_FALSE(RemoveFile("C:\\Loops\\a.wav"));
}

TEST_F(Files, ScanEntersTheDirectoryWithItsMaskAndRestoresTheCurrentOne) {
  WriteHost("Samples/kick.wav", "");
  WriteHost("Samples/snare.WAV", "");
  WriteHost("Samples/readme.txt", "");
  ASSERT_TRUE(platform::SetCurrentDirectory("C:\\"));
  std::vector<std::string> names;
  {
    tScanDirectory scan;
    scan.Enter("C:\\Samples\\*.wav");
    EXPECT_EQ(platform::CurrentDirectory(), "C:\\Samples");
    for (; scan.IsValid(); scan.Next()) names.push_back(scan.GetName());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"kick.wav", "snare.WAV"}));
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\");

  tScanDirectory all;
  all.Enter("Samples");
  EXPECT_STREQ(all.GetName(), "kick.wav");  // . and .. are skipped
  all.Leave();

  WriteHost("Only/one.chn", "");
  tScanDirectory one;
  one.Enter("C:\\Only", "*");
  ASSERT_TRUE(one.IsValid());
  EXPECT_STREQ(one.GetName(), "one.chn");
  one.Next();
  EXPECT_FALSE(one.IsValid());

  // A missing directory raises the decorated error and changes nothing.
  EXPECT_EQ(ThrownText<tScanDirectory::tError>([&] { one.Enter("C:\\Nowhere", "*"); }),
            "tScanDirectory::Enter => Failed to change to directory 'C:\\Nowhere'\n\n"
            "(ERROR_FILE_NOT_FOUND/0/2)\n");
  EXPECT_EQ(platform::CurrentDirectory(), "C:\\");
}

}  // namespace
