#include "ui/shell.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/audio_setup.h"
#include "mix/language_table.h"
#include "mix/registry.h"
#include "platform/clock.h"
#include "platform/content_root.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/library_version.h"
#include "platform/locale_language.h"
#include "platform/midi.h"
#include "platform/trace.h"
#include "platform/video.h"
#include "support/program_info.h"
#include "ui/interface.h"
#include "ui/midi_desk.h"

namespace {

constexpr int32_t kDefaultLanguage = 4;

bool ValidLanguage(int32_t n) {
  return n >= 1 && n <= 6;
}

}  // namespace

int32_t LanguageFromArgument(const std::string& text) {
  static const char* const kShort[6] = {"Eng", "Ned", "Fra", "Dui", "Ita", "Spa"};
  static const char* const kCode[6] = {"en", "nl", "fr", "de", "it", "es"};
  for (int32_t i = 0; i < 6; ++i)
    if (strcasecmp(text.c_str(), kShort[i]) == 0 || strcasecmp(text.c_str(), kCode[i]) == 0)
      return i + 1;
  if (text.size() == 1 && text[0] >= '1' && text[0] <= '6') return text[0] - '0';
  return 0;
}

int32_t ChooseLanguage(int32_t stored, int32_t locale) {
  if (ValidLanguage(stored)) return stored;
  if (ValidLanguage(locale)) return locale;
  return kDefaultLanguage;
}

std::string UsageText() {
  return "Usage: brevora [OPTION]... [MIX]\n"
         "Play the live loop-mixing desk with the mix file MIX loaded (the demo mix\n"
         "when none is named).\n"
         "\n"
         "  --window             show the desk in a window, now and at later starts\n"
         "  --fullscreen         show the desk on the full screen, now and at later starts\n"
         "  --language=N         the language of the desk's messages, now and at later\n"
         "                       starts: 1 or en English, 2 or nl Dutch, 3 or fr French,\n"
         "                       4 or de German, 5 or it Italian, 6 or es Spanish\n"
         "  --midi=SYSTEM        where the desk's MIDI port \"Brevora\" opens, now and at\n"
         "                       later starts: alsa (the ALSA sequencer, the default),\n"
         "                       jack (a running JACK server) or none (no MIDI)\n"
         "  --help               display this help and exit\n"
         "  --version            output version information and exit\n"
         "\n"
         "MIX is a path of this computer, relative to the current folder.\n"
         "\n"
         "Exit status:\n"
         "  0  the desk was closed (or another desk was already running)\n"
         "  1  the command line was wrong, or a fatal error ended the desk\n"
         "\n"
         "Full documentation: man brevora\n";
}

tShellOptions ParseCommandLine(int argc, const char* const* argv) {
  using tAction = tShellOptions::tAction;
  tShellOptions options;
  auto refuse = [&](const std::string& why) {
    options.action = tAction::kBad;
    options.error = why;
    return options;
  };
  // The value of an option given as "--name value" or "--name=value"; false
  // when the value is missing.
  auto valueOf = [&](const std::string& name, const std::string& arg, int& i, std::string& value) {
    if (arg != name) {
      value = arg.substr(name.size() + 1);
      return true;
    }
    if (i + 1 >= argc) return false;
    ++i;
    value = argv[i] != nullptr ? argv[i] : "";
    return true;
  };
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i] != nullptr ? argv[i] : "";
    if (!optionsEnd && arg == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && arg == "--help") {
      options.action = tAction::kHelp;
      return options;
    } else if (!optionsEnd && arg == "--version") {
      options.action = tAction::kVersion;
      return options;
    } else if (!optionsEnd && arg == "--window") {
      options.window = true;
      options.fullscreen = false;
    } else if (!optionsEnd && arg == "--fullscreen") {
      options.fullscreen = true;
      options.window = false;
    } else if (!optionsEnd && (arg == "--language" || arg.rfind("--language=", 0) == 0)) {
      std::string value;
      if (!valueOf("--language", arg, i, value)) return refuse("--language needs a language");
      options.language = LanguageFromArgument(value);
      if (options.language == 0) return refuse("unknown language '" + value + "'");
    } else if (!optionsEnd && (arg == "--midi" || arg.rfind("--midi=", 0) == 0)) {
      std::string value;
      if (!valueOf("--midi", arg, i, value)) return refuse("--midi needs alsa, jack or none");
      platform::MidiSystem system;
      if (!platform::MidiSystemFromName(value, system))
        return refuse("unknown MIDI system '" + value + "' (alsa, jack or none)");
      options.midi = platform::MidiSystemName(system);
    } else if (!optionsEnd && arg.size() > 1 && arg[0] == '-') {
      return refuse("unknown option '" + arg + "'");
    } else if (arg.empty()) {
      return refuse("the mix's name is empty");
    } else if (options.mix.empty()) {
      options.mix = arg;
    } else {
      return refuse("only one mix can be loaded");
    }
  }
  return options;
}

// ---------------------------------------------------------------- the run

namespace {

constexpr const char* kDefaultKeys = "QWERTZUIASDFGHJK";
constexpr const char* kDefaultMix = "Mixes\\you bv feel.mix";
// The intro video's place: double its 320 by 240 pictures.
constexpr platform::PixelRect kIntroRect{80, 60, 720, 540};
constexpr uint64_t kIntroStartMs = 30000;

// Takes the window system's records during the intro: none is handed on.
// True when one of them is the release of a key or of the left button,
// which ends the intro.
bool TakeIntroRecords(int32_t waitMs) {
  platform::tInputEvent e;
  bool released = false;
  if (!platform::WaitInput(e, waitMs)) return false;
  do {
    released = released || e.kind == platform::tInputKind::kKeyRelease ||
               e.kind == platform::tInputKind::kMouseRelease;
  } while (platform::PollInput(e));
  return released;
}

}  // namespace

tShell::tShell(const tShellOptions& options, const std::string& mixPath)
    : m_Options(options), m_MixPath(mixPath) {}

tShell::~tShell() = default;

int tShell::Run() {
  int status = 0;
  try {
    status = StartUp();
    if (status < 0) {
      RunLoop();
      ShutDown();
      status = 0;
    }
  } catch (const tAnyError& e) {
    Fatal(e.GetText());
    status = 1;
  }
  m_Lock.Release();
  return status;
}

int tShell::StartUp() {
  const uint64_t startMs = platform::MonotonicMs();
  // 1. The runtime's random numbers.
  std::srand(static_cast<unsigned>(startMs));
  // 2. The display library: an older one than the desk needs asks first.
  if (!platform::VersionAtLeast(platform::RunningDisplayLibrary(),
                                platform::kOldestDisplayLibrary)) {
    const std::string text = platform::DisplayLibraryWarning(platform::kOldestDisplayLibrary);
    if (platform::ShowMessageBox("Warning", text, platform::BoxButtons::kYesNo,
                                 platform::BoxIcon::kWarning) != platform::BoxChoice::kYes)
      return 0;
  }
  // 3. Nothing on this platform shows boxes of its own for a failed drive.
  // 4. One desk per user.
  if (m_Lock.Acquire() == platform::InstanceStatus::kAlreadyRunning) {
    std::fprintf(stderr, "Brevora is already running\n");
    return 0;
  }
  // 5. The window, full screen or in a window as asked or stored.
  tRegistry settings;
  settings.SetMainKey(kSettingsKey);
  uint32_t stored = 0;
  bool window = settings.ReadNumber("Window", stored) && stored == 1;
  if (m_Options.window || m_Options.fullscreen) {
    window = m_Options.window;
    settings.WriteNumber("Window", window ? 1 : 0);
  }
  platform::DisplayOptions display;
  display.fullscreen = !window;
  if (platform::OpenDisplay(display) != platform::DisplayStatus::kOk)
    throw tError("Failed to create the window.");
  // 6. The language: the stored one, else the locale's, else German; one
  // named on the command line is stored first.
  LanguageTable().LoadLanguageTable("data\\Language.txt");
  LanguageTable().SelectLanguage(1);
  if (m_Options.language != 0)
    settings.WriteNumber("Language", static_cast<uint32_t>(m_Options.language));
  if (!m_Options.midi.empty())
    settings.WriteText(tMidiDesk::kSystemSetting, m_Options.midi.c_str());
  int32_t language = 0;
  if (settings.ReadNumber("Language", stored) && stored <= 6)
    language = static_cast<int32_t>(stored);
  LanguageTable().SelectLanguage(ChooseLanguage(language, platform::LocaleLanguage()));
  // 7. (The window's drawing context is the display service's.)
  // 8. The screen: 800 by 600, 8 bits.
  CreateScreen(display, 800, 600, 8);
  // 9 to 11. The intro video, without the pointer.
  platform::SetPointer(platform::Pointer::kHidden);
  const uint64_t introMs = platform::MonotonicMs();
  PlayIntro();
  const uint64_t introEndMs = platform::MonotonicMs();
  platform::SetPointer(platform::Pointer::kArrow);
  // 12. The wait screen.
  {
    tSurface wait;
    wait.Load("data\\wait_demo.bmp");
    wait.Draw((800 - wait.Width()) / 2, (600 - wait.Height()) / 2);
  }
  platform::PresentNow();
  // 13, 14. The desk.
  m_pDesk = std::make_unique<tInterface>();
  if (!m_pDesk->Construct()) throw tError("Failed to allocate interface.");
  if (!m_pDesk->Initialise()) throw tError("Failed to init interface.");
  // 15. Sound.
  if (!AudioInit())
    throw tError(
        "Failed to initialize audio playback\n(no sound device could be opened)\n"
        "see the manual for more info\n");
  // 16 to 23. Settings, keys, the desk idle and drawn, the channels empty,
  // the tick running.
  m_pDesk->LoadSettings();
  m_pDesk->SetKeys(kDefaultKeys);
  m_pDesk->SetState(tDeskCore::kIdle);
  m_pDesk->MetronomeSwitchOn();
  m_pDesk->Redraw();
  m_pDesk->ResetChannels();
  m_pDesk->CreateTimer();
  m_pDesk->Redraw();
  // MIDI input: the note map and the port (the desk goes on without one).
  m_pDesk->Midi().LoadSettings();
  m_pDesk->Midi().Start();
  // 24. The mix: the one named on the command line, else the demo mix.
  m_pDesk->LoadMix(m_MixPath.empty() ? kDefaultMix : m_MixPath.c_str());
  const uint64_t readyMs = platform::MonotonicMs();
  platform::Trace("start-up: the desk is ready after %llu ms, %llu ms of them the intro\n",
                  static_cast<unsigned long long>(readyMs - startMs),
                  static_cast<unsigned long long>(introEndMs - introMs));
  return -1;
}

void tShell::PlayIntro() {
  platform::VideoPlayer intro;
  // A video that cannot be shown costs no time.
  if (!intro.Open("data\\intro.avi", kIntroRect) || !intro.Play()) {
    intro.Close();
    return;
  }
  // Until the pictures run, at most 30 s; then until they end. A release of
  // a key or of the left button ends either wait.
  const uint64_t start = platform::MonotonicMs();
  bool skipped = false;
  while (!skipped && !intro.IsPlaying() && platform::MonotonicMs() - start <= kIntroStartMs) {
    skipped = TakeIntroRecords(platform::MsUntilNextPresent());
    platform::PresentIfDue();
  }
  while (!skipped && intro.IsPlaying()) {
    skipped = TakeIntroRecords(platform::MsUntilNextPresent());
    platform::PresentIfDue();
  }
  intro.Close();
}

void tShell::RunLoop() {
  while (!m_pDesk->QuitRequested()) {
    platform::tInputEvent record;
    m_pDesk->NextRecord(record);
    m_pDesk->Dispatch(record);
  }
}

void tShell::ShutDown() {
  m_pDesk->Teardown();
  m_pDesk.reset();
  AudioShutdown();
  ReleaseScreen();
}

void tShell::Fatal(const char* text) {
  // The text as it stands, without the blank lines after it.
  std::string shown = text != nullptr ? text : "";
  while (!shown.empty() && shown.back() == '\n') shown.pop_back();
  std::fprintf(stderr, "%s\n", shown.c_str());
  platform::ShowMessageBox("Fatal Error!", shown, platform::BoxButtons::kOk,
                           platform::BoxIcon::kError);
  // The shutdown is not run (no settings are written), but the tick, the
  // sound and the window end before the process does, and the desk's
  // working file goes with it.
  if (m_pDesk != nullptr) m_pDesk->Abandon();
  m_pDesk.reset();
  AudioShutdown();
  ReleaseScreen();
}

int RunBrevora(int argc, char** argv) {
  const tShellOptions options = ParseCommandLine(argc, argv);
  switch (options.action) {
    case tShellOptions::tAction::kHelp:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case tShellOptions::tAction::kVersion:
      std::fputs(VersionText("brevora").c_str(), stdout);
      return 0;
    case tShellOptions::tAction::kBad:
      std::fprintf(stderr, "brevora: %s\nTry 'brevora --help' for more information.\n",
                   options.error.c_str());
      return 1;
    case tShellOptions::tAction::kRun:
      break;
  }
  platform::ContentRoot root;
  std::vector<std::string> notes;
  const bool entered = platform::EnterContentRoot(argc > 0 ? argv[0] : "brevora", root, notes);
  for (const std::string& note : notes) std::fprintf(stderr, "brevora: %s\n", note.c_str());
  if (!entered) return 1;
  std::string mixPath;
  if (!options.mix.empty() && !platform::CommandLinePath(root, options.mix, mixPath)) {
    std::fprintf(stderr, "brevora: '%s' cannot be named on the desk's drives\n",
                 options.mix.c_str());
    return 1;
  }
  tShell shell(options, mixPath);
  return shell.Run();
}
