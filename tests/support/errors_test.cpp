#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/last_error.h"
#include "support/errors.h"
#include "tests/platform/fault_sweep.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Points the log at a fresh folder for one test and restores it after.
class ErrorLog : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/brevora-log-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("TMP", dir_.c_str(), 1);
    ComputeErrorLogPath();
  }
  void TearDown() override {
    unsetenv("TMP");
    ComputeErrorLogPath();
    std::remove((dir_ + "/Errors.log").c_str());
    std::remove(dir_.c_str());
  }
  std::string Log() { return ReadAll(dir_ + "/Errors.log"); }
  std::string dir_;
};

// A variable that is set but empty counts as unset; a folder ending in a
// drive's colon takes the name without a slash.
TEST(ErrorLogPath, ComesFromTmpThenTempThenTheCurrentDirectory) {
  const struct {
    const char *tmp, *temp, *path;
  } cases[] = {{"C:\\Temp", nullptr, "C:\\Temp/Errors.log"},
               {nullptr, "D:", "D:Errors.log"},
               {nullptr, nullptr, "./Errors.log"},
               {"", "E:\\Logs", "E:\\Logs/Errors.log"},
               {"", "", "./Errors.log"}};
  for (const auto& c : cases) {
    for (auto [name, value] : {std::pair{"TMP", c.tmp}, {"TEMP", c.temp}}) {
      if (value) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
    ComputeErrorLogPath();
    EXPECT_STREQ(ErrorLogPath(), c.path);
  }
  unsetenv("TMP");
  unsetenv("TEMP");
}

TEST_F(ErrorLog, AnErrorCarriesItsTextAndTheLogHoldsOnlyTheLastOne) {
  tError first("Failed to allocate interface.");
  EXPECT_EQ(Log(), "Failed to allocate interface.\n\n");
  tError second("Failed to init interface.");
  EXPECT_STREQ(second.GetText(), "Failed to init interface.\n");
  EXPECT_EQ(Log(), "Failed to init interface.\n\n");
  // The line break is appended to every text, also one that has its own.
  tError third("Failed to load %s\n", "C:\\data\\a.bmp");
  EXPECT_STREQ(third.GetText(), "Failed to load C:\\data\\a.bmp\n\n");
  EXPECT_EQ(Log(), "Failed to load C:\\data\\a.bmp\n\n\n");
  // A long text is cut to its buffer and still ends the line.
  const std::string longText(300, 'x');
  EXPECT_EQ(std::string(tError("%s", longText.c_str()).GetText()), std::string(98, 'x') + "\n");
  EXPECT_EQ(std::string(tError("%s\n", longText.c_str()).GetText()), std::string(98, 'x') + "\n");
  // Catching the root catches every class below it, copied as a plain value.
  try {
    throw tError("code %d", 7);
  } catch (tAnyError e) {
    EXPECT_STREQ(e.GetText(), "code 7\n");
  }
}

TEST_F(ErrorLog, AFailedWriteKeepsTheMessageBefore) {
  const std::string before = "the message before\n";
  SweepFileFaults([&] { std::ofstream(dir_ + "/Errors.log", std::ios::binary) << before; },
                  [&] {
                    LogMessage("the next message", false);
                    return Log() == "the next message\n";
                  },
                  [&] {
                    EXPECT_EQ(Log(), before);
                    EXPECT_EQ(HostListing(dir_), (std::set<std::string>{"Errors.log"}));
                  });
}

TEST_F(ErrorLog, ASystemErrorIsDecoratedWithTheLastErrorCode) {
  platform::SetLastErrorCode(2);
  tWinError e("Failed to open '%s'", "a.wav");
  EXPECT_STREQ(e.GetText(), "Failed to open 'a.wav'\n(ERROR_FILE_NOT_FOUND/0/2)\n");
  platform::SetLastErrorCode(0x80004005);
  tWinError f("x");
  EXPECT_STREQ(f.GetText(), "x\n(E_FAIL/0/16389)\n");
  EXPECT_EQ(Log(), "x\n(E_FAIL/0/16389)\n\n");
}

TEST_F(ErrorLog, AFailedAssumptionIsLoggedEchoedAndExecutionGoesOn) {
  testing::internal::CaptureStderr();
  int after = 0;
  ASSUME(1 + 1 == 3);
  after = 1;
  std::string echoed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(after, 1);
  EXPECT_NE(echoed.find("Assumption '1 + 1 == 3' failed in file 'errors_test.cpp' line"),
            std::string::npos);
  EXPECT_EQ(Log().rfind("Assumption '1 + 1 == 3' failed", 0), 0u);
}

TEST(WinErrorName, FindsNamesIgnoringBit31) {
  EXPECT_STREQ(WinErrorName(5), "ERROR_ACCESS_DENIED");
  EXPECT_STREQ(WinErrorName(0x80000005), "ERROR_ACCESS_DENIED");
  EXPECT_STREQ(WinErrorName(0), "<unknown>");
  EXPECT_STREQ(WinErrorName(0x8001FFFF), "RPC_E_UNEXPECTED");
  EXPECT_STREQ(WinErrorName(0x7FFF1234), "<unknown>");
}

TEST(WinErrorName, CheckedInTableMatchesItsGenerator) {
  const char* header = "/usr/share/mingw-w64/include/winerror.h";
  if (std::FILE* f = std::fopen(header, "r")) {
    std::fclose(f);
  } else {
    GTEST_SKIP() << "mingw-w64-common is not installed";
  }
  std::string out = testing::TempDir() + "names.cpp";
  std::string cmd = std::string(GEN_ERROR_NAMES) + " " + header + " " + out;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(ReadAll(out), ReadAll(std::string(SOURCE_DIR) + "/support/win_error_names.cpp"));
}

}  // namespace
