// The shell: its command line and choice of language, and its start-up in
// this process: its order as the settings show it afterwards, the intro,
// one desk per user, and the fatal errors with their texts and exit status.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "audio/speaker.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/instance_lock.h"
#include "platform/sound_device_virtual.h"
#include "tests/mix/desk_test_util.h"
#include "tests/ui/desk_test_support.h"
#include "ui/shell.h"

using namespace platform;

namespace {

using tAction = tShellOptions::tAction;

tShellOptions Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "brevora");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

// A command line as the shell reads it: the action, the window or the full
// screen, the language, the MIDI system and the mix; "refused" when it is
// refused with a reason.
std::string Parsed(std::vector<const char*> args) {
  const tShellOptions o = Parse(std::move(args));
  if (o.action == tAction::kBad) return o.error.empty() ? "refused without a reason" : "refused";
  const char* const actions[] = {"run", "help", "version"};
  return std::string(actions[static_cast<int>(o.action)]) + (o.window ? " window" : "") +
         (o.fullscreen ? " fullscreen" : "") + " language " + std::to_string(o.language) +
         " midi '" + o.midi + "' mix '" + o.mix + "'";
}

TEST(CommandLine, TakesTheWindowTheLanguageAndOneMix) {
  const std::pair<std::vector<const char*>, const char*> rows[] = {
      {{}, "run language 0 midi '' mix ''"},
      {{"--window", "--language", "fr", "sets/live set.mix"},
       "run window language 3 midi '' mix 'sets/live set.mix'"},
      {{"--language=Spa"}, "run language 6 midi '' mix ''"},
      // The last of --window and --fullscreen counts.
      {{"--window", "--fullscreen"}, "run fullscreen language 0 midi '' mix ''"},
      {{"--fullscreen", "--window"}, "run window language 0 midi '' mix ''"},
      {{"--", "--window"}, "run language 0 midi '' mix '--window'"},  // a mix named like an option
      {{"--midi", "JACK"}, "run language 0 midi 'jack' mix ''"},
      {{"--midi=None", "a.mix"}, "run language 0 midi 'none' mix 'a.mix'"},
      {{"--midi=jack", "--midi", "alsa"}, "run language 0 midi 'alsa' mix ''"},
      {{"a.mix", "--help"}, "help language 0 midi '' mix 'a.mix'"},
      {{"--version", "--bad"}, "version language 0 midi '' mix ''"},
      {{"--language"}, "refused"},
      {{"--language", "7"}, "refused"},
      {{"--language", "0"}, "refused"},
      {{"--language=klingon"}, "refused"},
      {{"--midi"}, "refused"},
      {{"--midi", "pipewire"}, "refused"},
      {{"--midi="}, "refused"},
      {{"--full-screen"}, "refused"},
      {{"a.mix", "b.mix"}, "refused"},
      {{""}, "refused"},
  };
  for (const auto& [args, parsed] : rows)
    EXPECT_EQ(Parsed(args), parsed) << (args.empty() ? "" : args[0]);
}

TEST(Language, StoredThenLocaleThenGerman) {
  // stored, locale -> in force
  const int32_t rows[][3] = {{2, 3, 2}, {6, 0, 6}, {0, 3, 3},  {7, 5, 5},
                             {0, 0, 4}, {7, 9, 4}, {-1, 1, 1}, {1, 6, 1}};
  for (const auto& r : rows) EXPECT_EQ(ChooseLanguage(r[0], r[1]), r[2]) << r[0] << " " << r[1];
}

class Shell : public DeskScreenTest {
 protected:
  void SetUp() override {
    DeskScreenTest::SetUp();
    // The shell opens the display itself; the intro is left out.
    ReleaseScreen();
    ASSERT_EQ(std::system(("rm -f '" + root_ + "/data/intro.avi'").c_str()), 0);
    ASSERT_EQ(
        std::system(
            ("mkdir -p '" + root_ + "/run' '" + root_ + "/Mixes' '" + root_ + "/tmp'").c_str()),
        0);
    setenv("XDG_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
    setenv("TMPDIR", (root_ + "/tmp").c_str(), 1);
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    unsetenv("LANG");
    SystemSpeaker().SetBackEnds(sound_, SystemTimerService());
  }
  void TearDown() override {
    unsetenv("TMPDIR");
    SystemSpeaker().SetBackEnds(HostSoundService(), SystemTimerService());
    DeskScreenTest::TearDown();
  }
  // Runs the shell with these arguments until the window is closed; the
  // close request waits in the queue from the start.
  int Run(std::vector<const char*> args) {
    const tShellOptions options = Parse(std::move(args));
    Inject(tInputKind::kClose);
    tShell shell(options, "");
    ::testing::internal::CaptureStderr();
    const int status = shell.Run();
    stderr_ = ::testing::internal::GetCapturedStderr();
    return status;
  }
  std::string Settings() { return ReadHost("config/brevora/settings.reg"); }
  // What the desk left in the temporary folder (its working file goes when
  // the desk ends).
  std::string Leftovers() {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(root_ + "/tmp"))
      names += entry.path().filename().string() + " ";
    return names;
  }

  // data\ without these files (and without the intro, which would take the
  // close request).
  void DataWithout(const std::string& missing) {
    ASSERT_EQ(std::system(("rm -rf '" + root_ + "/data'").c_str()), 0);
    LinkData(BREVORA_STAGE, missing);
    ASSERT_EQ(std::system(("rm -f '" + root_ + "/data/intro.avi'").c_str()), 0);
  }

  VirtualSoundService sound_;
  std::string stderr_;
};

TEST_F(Shell, StartsInOrderAndSavesTheSettingsWhenClosed) {
  // Stored keys and volume: the volume is taken, the keys are the desk's own.
  WriteHost("config/brevora/settings.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\Software\\Quellan\\Brevora\\1.00.000]\r\n"
            "\"Keys\"=\"ABCDEFGHIJKLMNOP\"\r\n\"MasterVolume\"=dword:00000032\r\n");
  WriteHost("Mixes/you bv feel.mix", MixText({}, 120, 0, ""));
  EXPECT_EQ(Run({"--window"}), 0) << stderr_;
  const std::string settings = Settings();
  EXPECT_NE(settings.find("\"Keys\"=\"QWERTZUIASDFGHJK\""), std::string::npos) << settings;
  EXPECT_NE(settings.find("\"MasterVolume\"=dword:00000032"), std::string::npos) << settings;
  EXPECT_NE(settings.find("\"Tempo\"=dword:00000078"), std::string::npos) << settings;  // the mix's
  EXPECT_NE(settings.find("\"Window\"=dword:00000001"), std::string::npos) << settings;
  EXPECT_FALSE(std::ifstream(root_ + "/run/brevora.lock").good());
  EXPECT_EQ(Leftovers(), "");
}

// The intro plays without the pointer until its pictures end or a key or
// the left button is released; a press does not end it.
TEST_F(Shell, IntroEndsAtAReleaseOnly) {
  WriteHost("Mixes/you bv feel.mix", MixText({}, 120, 0, ""));
  LinkData(BREVORA_STAGE, "");
  struct tCase {
    std::vector<tInputKind> records;
    bool ended;
  };
  for (const tCase& c : {tCase{{tInputKind::kKeyPress, tInputKind::kMousePress}, false},
                         tCase{{tInputKind::kKeyPress, tInputKind::kKeyRelease}, true},
                         tCase{{tInputKind::kMousePress, tInputKind::kMouseRelease}, true}}) {
    uint64_t shownMs = 0;
    Pointer pointer = Pointer::kArrow;
    std::thread user([&] {
      while (!OverlayShown()) std::this_thread::yield();
      const uint64_t start = MonotonicMs();
      pointer = CurrentPointer();
      for (tInputKind kind : c.records) InjectMouse(kind, 400, 300);
      while (OverlayShown()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      shownMs = MonotonicMs() - start;
      Inject(tInputKind::kClose);  // taken by the desk's loop
    });
    FlushInput();
    tShellOptions options;
    tShell shell(options, "");
    EXPECT_EQ(shell.Run(), 0);
    user.join();
    EXPECT_EQ(pointer, Pointer::kHidden);
    if (c.ended)
      EXPECT_LT(shownMs, 2500u) << "a release ends the intro";
    else
      EXPECT_GE(shownMs, 3000u) << "the four seconds of the intro";
  }
}

TEST_F(Shell, SecondDeskEndsAtOnce) {
  InstanceLock other;
  ASSERT_EQ(other.Acquire(), InstanceStatus::kFirst);
  EXPECT_EQ(Run({"--window"}), 0);
  EXPECT_EQ(stderr_, "Brevora is already running\n");
  EXPECT_EQ(Settings().find("\"Keys\""), std::string::npos);  // nothing of the desk ran
}

TEST_F(Shell, FatalErrorsShowTheirTextAndEndWithStatusOne) {
  struct tCase {
    const char* missing;
    const char* text;
  };
  for (const tCase& c : {tCase{"wait_demo.bmp", "Failed to load data\\wait_demo.bmp\n"},
                         tCase{"main.bmp", "Failed to load data\\main.bmp\n"},
                         tCase{"click.wav", "Failed to init interface.\n"}}) {
    DataWithout(c.missing);
    EXPECT_EQ(Run({}), 1) << c.missing;
    EXPECT_EQ(stderr_, c.text);
    EXPECT_EQ(Settings().find("\"Keys\""), std::string::npos) << "no settings are written";
    EXPECT_FALSE(std::ifstream(root_ + "/run/brevora.lock").good());
    EXPECT_EQ(Leftovers(), "");
    platform::FlushInput();
  }
  // No sound device.
  DataWithout("");
  sound_.openResult = platform::SoundResult::kNoDriver;
  EXPECT_EQ(Run({}), 1);
  EXPECT_EQ(stderr_,
            "Failed to initialize audio playback\n(no sound device could be opened)\n"
            "see the manual for more info\n");
}

}  // namespace
