#pragma once
// The program brevora: its command line, the start-up of the desk in its
// fixed order, the loop that hands the input records to the desk until the
// user quits, the shutdown, and the last-resort handler of fatal errors.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/instance_lock.h"
#include "support/errors.h"

// What the command line asks for:
//   brevora [--window | --fullscreen] [--language N] [--midi SYSTEM] [MIX]
//   brevora --help | --version
struct tShellOptions {
  enum class tAction { kRun, kHelp, kVersion, kBad };
  tAction action = tAction::kRun;
  bool window = false;      // a window instead of the full screen (and from now on)
  bool fullscreen = false;  // the full screen (and from now on)
  int32_t language = 0;     // 1 to 6 chosen on the command line, else 0
  std::string midi;         // "alsa", "jack" or "none" (and from now on), else empty
  std::string mix;          // a mix file (host path) to load instead of the default mix
  std::string error;        // why the command line is refused (kBad)
};
tShellOptions ParseCommandLine(int argc, const char* const* argv);
// The text --help prints.
std::string UsageText();
// A language named on the command line: 1 to 6, the desk's short name of a
// language ("Eng", "Ned", "Fra", "Dui", "Ita", "Spa") or its two-letter code
// ("en", "nl", "fr", "de", "it", "es"), without regard to case; 0 for none.
int32_t LanguageFromArgument(const std::string& text);
// The language in force: a stored one (1 to 6), else the locale's (1 to 6),
// else German (4).
int32_t ChooseLanguage(int32_t stored, int32_t locale);

class tInterface;

// One run of the desk in a content root that is already drive C:.
class tShell {
 public:
  BREVORA_DECLARE_ERROR(tError, tAnyError);

  // mixPath: the desk path of the mix to load, empty for the demo mix.
  tShell(const tShellOptions& options, const std::string& mixPath);
  ~tShell();
  tShell(const tShell&) = delete;
  tShell& operator=(const tShell&) = delete;

  // Starts the desk, runs it until the window is closed and shuts it down.
  // The exit status: 0, also when the desk ends before it starts (another
  // desk runs, or the user declines an old display library), and 1 after a
  // fatal error, which is shown in a box and on stderr.
  int Run();

 private:
  // Steps 1 to 24; -1 when the desk runs, else the exit status.
  int StartUp();
  void PlayIntro();
  void RunLoop();
  void ShutDown();
  void Fatal(const char* text);

  tShellOptions m_Options;
  std::string m_MixPath;
  platform::InstanceLock m_Lock;
  std::unique_ptr<tInterface> m_pDesk;
};

// The program: reads the command line, enters the content root and runs the
// desk; returns the exit status.
int RunBrevora(int argc, char** argv);
