#include <sys/stat.h>

#include "platform/profile.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/test_root.h"

namespace {

using platform::ReadProfileSection;
using platform::ReadProfileString;
using platform::WriteProfileString;

class Profile : public TestRoot {};

// Reads of "file|section|key|default|size" from a table; the key "*" reads
// the whole section.
TEST_F(Profile, ReadsKeysAndSectionsWithoutRegardToCase) {
  WriteHost("a.chn", "[Brevora Channel]\r\nVersion=3\r\nPitch= 1.5 \r\nSnd=\"C:\\x y.wav\"\r\n");
  WriteHost("m.mix", "[Brevora Mix]\nAuthor=User\n; comment\nBPM=120\n[Next]\nX=1\n");
  WriteHost("e.mix", "[Brevora Mix]\r\n[Other]\r\nX=1\r\n");
  VerifyGoldenTable("tests/platform/golden/profile_reads.txt", [](const std::string& row) {
    std::vector<std::string> f;
    for (size_t from = 0, to = 0; to != std::string::npos; from = to + 1)
      f.push_back(row.substr(from, (to = row.find('|', from)) - from));
    if (f.size() != 5) return std::string("needs five fields");
    const std::string file = "C:\\" + f[0];
    const uint32_t size = static_cast<uint32_t>(std::stoul(f[4]));
    return Quoted(f[2] == "*" ? ReadProfileSection(file, f[1], size)
                              : ReadProfileString(file, f[1], f[2], f[3], size));
  });
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
