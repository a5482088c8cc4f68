#include <sys/stat.h>

#include "platform/profile.h"
#include "tests/platform/test_root.h"

namespace {

using platform::ReadProfileSection;
using platform::ReadProfileString;
using platform::WriteProfileString;

class Profile : public TestRoot {};

TEST_F(Profile, ReadsKeysWithoutRegardToCaseAndFallsBackToTheDefault) {
  WriteHost("a.chn", "[Brevora Channel]\r\nVersion=3\r\nPitch= 1.5 \r\nSnd=\"C:\\x y.wav\"\r\n");
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "brevora channel", "version", "0", 300), "3");
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "Brevora Channel", "PITCH", "0", 300), "1.5");
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "Brevora Channel", "snd", "", 300), "C:\\x y.wav");
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "Brevora Channel", "loop", "1", 300), "1");
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "Other", "version", "0", 300), "0");
  EXPECT_EQ(ReadProfileString("C:\\missing.chn", "Brevora Channel", "version", "0", 300), "0");
  // A value longer than the caller's buffer is cut to size - 1 characters.
  EXPECT_EQ(ReadProfileString("C:\\a.chn", "Brevora Channel", "snd", "", 5), "C:\\x");
}

TEST_F(Profile, ReadsLfOnlyFilesAndWholeSections) {
  WriteHost("m.mix", "[Brevora Mix]\nAuthor=User\n; comment\nBPM=120\n[Next]\nX=1\n");
  EXPECT_EQ(ReadProfileString("C:\\m.mix", "Brevora Mix", "bpm", "130", 10), "120");
  EXPECT_EQ(ReadProfileSection("C:\\m.mix", "brevora mix", 300),
            std::string("Author=User\0BPM=120\0", 20));
  EXPECT_EQ(ReadProfileSection("C:\\m.mix", "Brevora Mix", 8), std::string("Author="));
  EXPECT_EQ(ReadProfileSection("C:\\m.mix", "Missing", 300), "");
  WriteHost("e.mix", "[Brevora Mix]\r\n[Other]\r\nX=1\r\n");
  EXPECT_EQ(ReadProfileSection("C:\\e.mix", "Brevora Mix", 300), "");
}

// The largest text file the reader takes is read whole; one byte more is
// refused as a whole rather than read in part.
TEST_F(Profile, TheLargestFileIsReadAndOneByteMoreIsRefused) {
  std::string text = "[S]\r\nK=1\r\n;";
  text.resize(static_cast<size_t>(platform::kMaxProfileBytes) - 2, 'x');
  text += "\r\n";
  WriteHost("big.chn", text);
  EXPECT_EQ(ReadProfileString("C:\\big.chn", "S", "K", "0", 10), "1");
  WriteHost("big.chn", text + ";");
  EXPECT_EQ(ReadProfileString("C:\\big.chn", "S", "K", "0", 10), "0");
}

TEST_F(Profile, WritingAKeyKeepsEventLinesAndCommentsInPlace) {
  const std::string before =
      "[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nBPM=\r\n; kept\r\nLength=\r\n"
      "Time 00000000 Channel 0 Volume 80\r\nTime 00002000 Channel 0 Play 0\r\n";
  WriteHost("w.mix", before);
  ASSERT_TRUE(WriteProfileString("C:\\w.mix", "brevora mix", "bpm", "120"));
  ASSERT_TRUE(WriteProfileString("C:\\w.mix", "Brevora Mix", "Length", "12"));
  EXPECT_EQ(ReadHost("w.mix"),
            "[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nbpm=120\r\n; kept\r\nLength=12\r\n"
            "Time 00000000 Channel 0 Volume 80\r\nTime 00002000 Channel 0 Play 0\r\n");
  // A missing key goes after the section's last key line, before the events.
  ASSERT_TRUE(WriteProfileString("C:\\w.mix", "Brevora Mix", "New", "x"));
  EXPECT_NE(ReadHost("w.mix").find("Length=12\r\nNew=x\r\nTime 00000000"), std::string::npos);
}

TEST_F(Profile, WritingCreatesTheFileAndTheSection) {
  ASSERT_TRUE(WriteProfileString("C:\\new.chn", "Brevora Channel", "Version", "3"));
  ASSERT_TRUE(WriteProfileString("C:\\new.chn", "Brevora Channel", "Quantize", "1.000"));
  ASSERT_TRUE(WriteProfileString("C:\\new.chn", "Second", "A", "b"));
  EXPECT_EQ(ReadHost("new.chn"),
            "[Brevora Channel]\r\nVersion=3\r\nQuantize=1.000\r\n[Second]\r\nA=b\r\n");
  struct stat st;
  ASSERT_EQ(stat((root_ + "/new.chn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Profile, AFailedWriteLeavesTheFileWhole) {
  EXPECT_FALSE(WriteProfileString("C:\\no folder\\a.chn", "S", "K", "2"));
  WriteHost("ro/a.chn", "[S]\r\nK=1\r\n");
  ASSERT_EQ(chmod((root_ + "/ro").c_str(), 0555), 0);
  if (geteuid() == 0) {
    chmod((root_ + "/ro").c_str(), 0755);
    GTEST_SKIP() << "root writes into read-only folders";
  }
  EXPECT_FALSE(WriteProfileString("C:\\ro\\a.chn", "S", "K", "2"));
  EXPECT_EQ(ReadHost("ro/a.chn"), "[S]\r\nK=1\r\n");
  chmod((root_ + "/ro").c_str(), 0755);
}

}  // namespace
