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

}  // namespace
