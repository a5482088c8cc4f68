#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/last_error.h"
#include "support/errors.h"
#include "tests/platform/fault_sweep.h"
#include "tests/support/support_test_util.h"

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

// The log's folder comes from TMP, then TEMP, then the current directory; a
// variable that is set but empty counts as unset, and a folder ending in a
// drive's colon takes the name without a slash. An error carries its text
// with a line break appended (also to one that has its own), cut to its
// buffer; the log holds only the last one; a system error is decorated with
// the last error code and its name, found ignoring bit 31.
TEST_F(ErrorLog, PathsTextsAndNames) {
  support_test::GoldenTrace trace("support");
  const struct {
    const char *tmp, *temp;
  } folders[] = {
      {"C:\\Temp", nullptr}, {nullptr, "D:"}, {nullptr, nullptr}, {"", "E:\\Logs"}, {"", ""}};
  for (const auto& c : folders) {
    for (auto [name, value] : {std::pair{"TMP", c.tmp}, {"TEMP", c.temp}}) {
      if (value) {
        setenv(name, value, 1);
      } else {
        unsetenv(name);
      }
    }
    ComputeErrorLogPath();
    trace.Line("TMP %s, TEMP %s: %s", c.tmp ? c.tmp : "unset", c.temp ? c.temp : "unset",
               ErrorLogPath());
  }
  unsetenv("TEMP");
  setenv("TMP", dir_.c_str(), 1);
  ComputeErrorLogPath();

  const auto logged = [&](const char* what, const tAnyError& e) {
    trace.Line("%s: %s", what, e.GetText());
    trace.Line("  log: %s", Log().c_str());
  };
  logged("plain", tError("Failed to allocate interface."));
  logged("another", tError("Failed to init interface."));
  logged("with its own line break", tError("Failed to load %s\n", "C:\\data\\a.bmp"));
  const std::string longText(300, 'x');
  logged("long", tError("%s", longText.c_str()));
  logged("long with a line break", tError("%s\n", longText.c_str()));
  platform::SetLastErrorCode(2);
  logged("system", tWinError("Failed to open '%s'", "a.wav"));
  platform::SetLastErrorCode(0x80004005);
  logged("system", tWinError("x"));
  // Catching the root catches every class below it, copied as a plain value.
  try {
    throw tError("code %d", 7);
  } catch (tAnyError e) {
    trace.Line("caught as the root: %s", e.GetText());
  }
  for (uint32_t code : {5u, 0x80000005u, 0u, 0x8001FFFFu, 0x7FFF1234u})
    trace.Line("name of %08x: %s", code, WinErrorName(code));
  trace.Check("errors");
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
