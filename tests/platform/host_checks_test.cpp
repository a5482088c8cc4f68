// What the desk checks of its host before it starts: the display library's
// version, that it runs once per user, the locale's language; and the code
// page conversions at the window system's boundary.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "platform/cp1252.h"
#include "platform/instance_lock.h"
#include "platform/library_version.h"
#include "platform/locale_language.h"
#include "tests/platform/golden_trace.h"
#include "tests/platform/test_root.h"

namespace {

using platform::LibraryVersion;

// Hexadecimal bytes, "AB CD", and back.
std::string HexOf(const std::string& bytes) {
  std::string out;
  char hex[4];
  for (unsigned char c : bytes) {
    std::snprintf(hex, sizeof hex, "%s%02X", out.empty() ? "" : " ", c);
    out += hex;
  }
  return out.empty() ? "(none)" : out;
}
std::string BytesOf(const std::string& hex) {
  std::string out;
  std::istringstream in(hex);
  for (unsigned v = 0; in >> std::hex >> v;) out += static_cast<char>(v);
  return out;
}

TEST(LibraryVersion, ComparesMajorThenMinorThenPatch) {
  VerifyGoldenTable("tests/platform/golden/library_versions.txt", [](const std::string& row) {
    LibraryVersion running{}, needed{};
    EXPECT_EQ(std::sscanf(row.c_str(), "%d.%d.%d needs %d.%d.%d", &running.major, &running.minor,
                          &running.patch, &needed.major, &needed.minor, &needed.patch),
              6);
    return platform::VersionAtLeast(running, needed) ? "enough" : "too old";
  });
  EXPECT_EQ(platform::DisplayLibraryWarning(platform::kOldestDisplayLibrary),
            "SDL 2.0.22 or higher not detected.\nBrevora can not work correctly without it.\n"
            "Do you wish to continue anyway?");
  // The library this test runs with is one the desk accepts.
  EXPECT_TRUE(
      platform::VersionAtLeast(platform::RunningDisplayLibrary(), platform::kOldestDisplayLibrary));
}

TEST(LocaleLanguage, TheFirstSetVariableDecides) {
  // LANGUAGE, LC_ALL, LC_MESSAGES and LANG; "-" is unset, "" empty.
  VerifyGoldenTable("tests/platform/golden/locale_languages.txt", [](const std::string& row) {
    std::istringstream in(row);
    std::string v[4];
    in >> v[0] >> v[1] >> v[2] >> v[3];
    auto value = [](std::string& s) -> const char* {
      if (s == "\"\"") s.clear();
      return s == "-" ? nullptr : s.c_str();
    };
    return std::to_string(
        platform::LanguageFromLocale(value(v[0]), value(v[1]), value(v[2]), value(v[3])));
  });
  // Over the environment.
  setenv("LANGUAGE", "", 1);
  setenv("LC_ALL", "", 1);
  setenv("LC_MESSAGES", "nl_NL.UTF-8", 1);
  setenv("LANG", "en_US.UTF-8", 1);
  EXPECT_EQ(platform::LocaleLanguage(), 2);
}

class InstanceLockTest : public TestRoot {
 protected:
  std::string Path() const { return root_ + "/brevora.lock"; }
  bool Exists() const { return access(Path().c_str(), F_OK) == 0; }
};

TEST_F(InstanceLockTest, OneHolderAtATimeAndTheFileGoesWithIt) {
  platform::InstanceLock first;
  platform::InstanceLock second;
  ASSERT_EQ(first.AcquireAt(Path()), platform::InstanceStatus::kFirst);
  EXPECT_TRUE(first.Held());
  EXPECT_TRUE(Exists());
  EXPECT_EQ(second.AcquireAt(Path()), platform::InstanceStatus::kAlreadyRunning);
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_FALSE(Exists());
  EXPECT_EQ(second.AcquireAt(Path()), platform::InstanceStatus::kFirst);
  {
    platform::InstanceLock scoped;
    EXPECT_EQ(scoped.AcquireAt(Path()), platform::InstanceStatus::kAlreadyRunning);
  }
  second.Release();

  // A file left behind by a desk that crashed does not block.
  WriteHost("brevora.lock", "4242\n");
  EXPECT_EQ(first.AcquireAt(Path()), platform::InstanceStatus::kFirst);
  EXPECT_EQ(ReadHost("brevora.lock"), std::to_string(getpid()) + "\n");
  first.Release();

  // Nowhere to make the file: the desk is told, and may go on without.
  EXPECT_EQ(first.AcquireAt(root_ + "/no/such/folder/brevora.lock"),
            platform::InstanceStatus::kNoLock);
  EXPECT_FALSE(first.Held());
}

TEST(CodePage, EveryByteRoundTripsAndForeignCharactersAreDropped) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(platform::Utf8ToCp1252(platform::Cp1252ToUtf8(all)), all);

  VerifyGoldenTable("tests/platform/golden/code_page.txt", [](const std::string& row) {
    const std::string bytes = BytesOf(row.substr(row.find(':') + 1));
    return HexOf(row.rfind("UTF-8:", 0) == 0 ? platform::Utf8ToCp1252(bytes)
                                             : platform::Cp1252ToUtf8(bytes));
  });
  uint8_t byte = 0;
  EXPECT_TRUE(platform::UnicodeToCp1252(0x20AC, byte));
  EXPECT_EQ(byte, 0x80);
  EXPECT_FALSE(platform::UnicodeToCp1252(0x80, byte));  // a control the code page replaced
}

}  // namespace
