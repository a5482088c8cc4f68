// brevora-render: renders a mix file to a WAV file with the desk's own code,
// without a display or a sound device.
//
// It finds its content root (drive C:) as the desk does: the folder that
// holds the executable when that folder holds data/, else, installed, the
// user's own folder. It reads and writes no settings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio_setup.h"
#include "mix/console_view.h"
#include "mix/desk_core.h"
#include "mix/language_table.h"
#include "platform/content_root.h"
#include "support/errors.h"
#include "support/program_info.h"

namespace {

constexpr const char* kProgram = "brevora-render";

constexpr const char* kHelp =
    "Usage: brevora-render [OPTION]... MIX OUT.wav\n"
    "Render the mix file MIX to the wave file OUT.wav with the desk's own engine,\n"
    "without a display or a sound device.\n"
    "\n"
    "  --rate=RATE          samples per second: 22050 or 44100 (default 44100)\n"
    "  --bits=BITS          bits per sample: 8 or 16 (default 16)\n"
    "  --channels=N         1 for mono, 2 for stereo (default 2)\n"
    "  --volume=PERCENT     master volume, 0 to 100 (default 80)\n"
    "  --quiet              print neither the progress bar nor messages\n"
    "  --help               display this help and exit\n"
    "  --version            output version information and exit\n"
    "\n"
    "MIX and OUT.wav are paths of this computer, relative to the current folder.\n"
    "The files a mix names are found as the desk finds them, on the drive of the\n"
    "mix itself: a mix saved from the desk renders from any folder.\n"
    "\n"
    "Exit status:\n"
    "  0  the mix was rendered (messages may name samples that were missing)\n"
    "  1  the command line was wrong, or the mix could not be loaded or rendered\n"
    "\n"
    "Full documentation: man brevora-render\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgram, why.c_str(),
               kProgram);
  return 1;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", kProgram, why.c_str());
  return 1;
}

bool ParseNumber(const std::string& text, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == 0;
}

struct tOptions {
  long rate = 44100, bits = 16, channels = 2, volume = 80;
  bool quiet = false;
  std::string mix, out;
};

// Reads the command line. Returns -1 to go on, else the exit status.
int ParseArguments(int argc, char** argv, tOptions& o) {
  struct tNumberOption {
    const char* name;
    long* value;
  };
  const tNumberOption numbers[] = {{"--rate", &o.rate},
                                   {"--bits", &o.bits},
                                   {"--channels", &o.channels},
                                   {"--volume", &o.volume}};
  std::vector<std::string> files;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!options || a.size() < 2 || a[0] != '-') {
      files.push_back(a);
      continue;
    }
    if (a == "--") {
      options = false;
      continue;
    }
    if (a == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (a == "--version") {
      std::fputs(VersionText(kProgram).c_str(), stdout);
      return 0;
    }
    if (a == "--quiet") {
      o.quiet = true;
      continue;
    }
    const size_t eq = a.find('=');
    const std::string name = a.substr(0, eq);
    const tNumberOption* option = nullptr;
    for (const tNumberOption& n : numbers)
      if (name == n.name) option = &n;
    if (option == nullptr) return Usage("unknown option '" + a + "'");
    std::string value;
    if (eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < argc) {
      value = argv[++i];
    } else {
      return Usage("option '" + name + "' needs a value");
    }
    if (!ParseNumber(value, *option->value))
      return Usage("'" + value + "' is not a number for '" + name + "'");
  }
  if (files.size() < 2) return Usage("a mix file and an output file are needed");
  if (files.size() > 2) return Usage("too many arguments: '" + files[2] + "'");
  o.mix = files[0];
  o.out = files[1];
  if (o.mix.empty() || o.out.empty()) return Usage("a file name is empty");
  if (o.rate != 22050 && o.rate != 44100) return Usage("--rate must be 22050 or 44100");
  if (o.bits != 8 && o.bits != 16) return Usage("--bits must be 8 or 16");
  if (o.channels != 1 && o.channels != 2) return Usage("--channels must be 1 or 2");
  if (o.volume < 0 || o.volume > 100) return Usage("--volume must be 0 to 100");
  return -1;
}

// An error's text as one line: its line breaks become blanks.
std::string OneLine(const char* text) {
  std::string line;
  for (const char* p = text; *p != 0; ++p) {
    const char c = *p == '\n' || *p == '\r' ? ' ' : *p;
    if (c == ' ' && (line.empty() || line.back() == ' ')) continue;
    line += c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  tOptions o;
  if (int status = ParseArguments(argc, argv, o); status >= 0) return status;

  platform::ContentRoot root;
  std::vector<std::string> notes;
  const bool entered = platform::EnterContentRoot(argv[0], root, notes);
  for (const std::string& note : notes)
    if (!o.quiet || !entered) std::fprintf(stderr, "%s: %s\n", kProgram, note.c_str());
  if (!entered) return 1;

  try {
    std::string mixPath, outPath;
    if (!platform::CommandLinePath(root, o.mix, mixPath))
      return Fail("the path '" + o.mix + "' is too long for the desk");
    if (!platform::CommandLinePath(root, o.out, outPath))
      return Fail("the path '" + o.out + "' is too long for the desk");

    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(1);

    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = static_cast<uint16_t>(o.channels);
    format.nSamplesPerSec = static_cast<uint32_t>(o.rate);
    format.wBitsPerSample = static_cast<uint16_t>(o.bits);
    format.nBlockAlign = static_cast<uint16_t>(o.channels * o.bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    SetOutputFormat(format);
    SetMasterVolume(o.volume / 100.0);
    SetMasterPitch(1.0);

    tConsoleView view(o.quiet ? nullptr : stderr, kProgram);
    tDeskCore desk(&view);
    if (!desk.PrepareChannels()) return Fail("out of memory");
    desk.ResetChannels();
    if (!desk.LoadMix(mixPath.c_str())) return 1;
    if (!desk.ExportMix(outPath.c_str(), format)) return 1;
    return 0;
  } catch (const tAnyError& e) {
    return Fail(OneLine(e.GetText()));
  }
}
