// What the desk checks of its host before it starts: the display library's
// version, that it runs once per user, the locale's language; and the code
// page conversions at the window system's boundary.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/cp1252.h"
#include "platform/instance_lock.h"
#include "platform/library_version.h"
#include "platform/locale_language.h"
#include "tests/platform/test_root.h"

namespace {

using platform::LibraryVersion;

TEST(LibraryVersion, ComparesMajorThenMinorThenPatch) {
  const LibraryVersion needed{2, 0, 22};
  struct Row {
    LibraryVersion running;
    bool enough;
  };
  const Row rows[] = {
      {{2, 0, 21}, false}, {{2, 0, 22}, true},   {{2, 0, 23}, true}, {{2, 1, 0}, true},
      {{3, 0, 0}, true},   {{1, 99, 99}, false}, {{2, 0, 0}, false}, {{0, 0, 0}, false},
  };
  for (const Row& r : rows)
    EXPECT_EQ(platform::VersionAtLeast(r.running, needed), r.enough)
        << r.running.major << "." << r.running.minor << "." << r.running.patch;
  // The patch counts only when major and minor are equal.
  EXPECT_TRUE(platform::VersionAtLeast({2, 26, 0}, {2, 24, 9}));
  EXPECT_FALSE(platform::VersionAtLeast({2, 24, 9}, {2, 26, 0}));

  EXPECT_EQ(platform::DisplayLibraryWarning(platform::kOldestDisplayLibrary),
            "SDL 2.0.22 or higher not detected.\nBrevora can not work correctly without it.\n"
            "Do you wish to continue anyway?");
  // The library this test runs with is one the desk accepts.
  EXPECT_TRUE(
      platform::VersionAtLeast(platform::RunningDisplayLibrary(), platform::kOldestDisplayLibrary));
}

TEST(LocaleLanguage, TheFirstSetVariableDecides) {
  struct Row {
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    int expected;
  };
  const Row rows[] = {
      {nullptr, nullptr, nullptr, "en_GB.UTF-8", 1},
      {nullptr, nullptr, nullptr, "nl_BE.UTF-8", 2},
      {nullptr, nullptr, nullptr, "fr_CA", 3},
      {nullptr, nullptr, nullptr, "de_AT.ISO-8859-1@euro", 4},
      {nullptr, nullptr, nullptr, "ES_mx.utf8", 6},
      {nullptr, nullptr, nullptr, "pt_BR.UTF-8", 0},
      {nullptr, nullptr, nullptr, "C", 0},
      {nullptr, nullptr, nullptr, "POSIX", 0},
      {nullptr, nullptr, "it_IT", "de_DE", 5},
      {nullptr, "fr_FR", "it_IT", "de_DE", 3},
      {"nl", "fr_FR", "it_IT", "de_DE", 2},
      {"", "", "", "de_DE", 4},             // empty means unset
      {nullptr, "C", "it_IT", "de_DE", 0},  // C decides: none
      {"es:fr", nullptr, nullptr, "de_DE", 6},
      {"pt_BR:it:fr", nullptr, nullptr, "de_DE", 5},  // the first preference with texts
      {"pt:ru", nullptr, nullptr, "de_DE", 0},
      {nullptr, nullptr, nullptr, "english", 0},
  };
  for (const Row& r : rows)
    EXPECT_EQ(platform::LanguageFromLocale(r.language, r.lcAll, r.lcMessages, r.lang), r.expected)
        << (r.language ? r.language : "-") << " " << (r.lcAll ? r.lcAll : "-") << " "
        << (r.lcMessages ? r.lcMessages : "-") << " " << (r.lang ? r.lang : "-");

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

TEST_F(InstanceLockTest, AHolderThatDiesGivesItsLockUp) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::InstanceLock held;
    const char ok = held.AcquireAt(Path()) == platform::InstanceStatus::kFirst ? '1' : '0';
    if (write(ready[1], &ok, 1) != 1) _exit(1);
    pause();  // killed without releasing anything
    _exit(0);
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, '1');
  platform::InstanceLock mine;
  EXPECT_EQ(mine.AcquireAt(Path()), platform::InstanceStatus::kAlreadyRunning);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(Exists());  // left behind
  EXPECT_EQ(mine.AcquireAt(Path()), platform::InstanceStatus::kFirst);
}

TEST(InstanceLockPath, RuntimeFolderElseTheTemporaryFolderWithTheUser) {
  const std::string user = std::to_string(getuid());
  setenv("XDG_RUNTIME_DIR", "/run/user/77", 1);
  EXPECT_EQ(platform::InstanceLock::DefaultPath(), "/run/user/77/brevora.lock");
  setenv("XDG_RUNTIME_DIR", "relative/dir", 1);  // not a usable folder
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(platform::InstanceLock::DefaultPath(), "/var/tmp/brevora-" + user + ".lock");
  unsetenv("XDG_RUNTIME_DIR");
  unsetenv("TMPDIR");
  EXPECT_EQ(platform::InstanceLock::DefaultPath(), "/tmp/brevora-" + user + ".lock");
}

TEST(CodePage, EveryByteRoundTripsAndForeignCharactersAreDropped) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(platform::Utf8ToCp1252(platform::Cp1252ToUtf8(all)), all);

  EXPECT_EQ(platform::Cp1252ToUtf8("\x80\x8A\x9F\xE9\xFF"),
            "\xE2\x82\xAC\xC5\xA0\xC5\xB8\xC3\xA9\xC3\xBF");
  struct Row {
    std::string utf8;
    std::string cp1252;
  };
  const Row rows[] = {
      {"caf\xC3\xA9", "caf\xE9"},
      {"\xE2\x80\x9Cq\xE2\x80\x9D", "\x93q\x94"},  // curly quotes
      {"\xE2\x98\x83", ""},                        // a snowman has no byte
      {"a\xF0\x9F\x8E\xB9z", "az"},                // nor has a piano (four bytes)
      {"\xC2\x81", "\x81"},                        // an unused byte stands for itself
      {"a\x80z", "az"},                            // a stray continuation byte
      {"a\xC3", "a"},                              // cut short at the end
      {"a\xE2\x82z", "az"},                        // cut short before a letter
      {"\xC0\xAF\xE0\x80\xAF", ""},                // over-long slashes
      {"\xF4\x90\x80\x80", ""},                    // beyond Unicode
  };
  for (const Row& r : rows) EXPECT_EQ(platform::Utf8ToCp1252(r.utf8), r.cp1252);
  uint8_t byte = 0;
  EXPECT_TRUE(platform::UnicodeToCp1252(0x20AC, byte));
  EXPECT_EQ(byte, 0x80);
  EXPECT_FALSE(platform::UnicodeToCp1252(0x80, byte));  // a control the code page replaced
}

}  // namespace
