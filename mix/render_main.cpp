// brevora-render: renders a mix file to a WAV file with the desk's own code,
// without a display or a sound device.
//
//   brevora-render [--rate 22050|44100] [--bits 8|16] [--channels 1|2]
//                  [--volume PERCENT] MIX OUT.wav
//
// Its content root (drive C:) is the folder that holds the executable. It
// reads and writes no settings.
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/audio_setup.h"
#include "mix/console_view.h"
#include "mix/desk_core.h"
#include "mix/language_table.h"
#include "platform/hostfs.h"
#include "support/errors.h"

namespace {

int Usage(const char* why) {
  std::fprintf(stderr,
               "brevora-render: %s\n"
               "usage: brevora-render [--rate 22050|44100] [--bits 8|16] [--channels 1|2]\n"
               "                      [--volume PERCENT] MIX OUT.wav\n",
               why);
  return 1;
}

// An absolute host path for a command-line argument, taken relative to the
// folder the command was started in.
std::string AbsoluteHost(const std::string& arg, const std::string& startDir) {
  if (!arg.empty() && arg[0] == '/') return arg;
  return startDir + "/" + arg;
}

bool ParseNumber(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return end != text && *end == 0;
}

}  // namespace

int main(int argc, char** argv) {
  long rate = 44100, bits = 16, channels = 2, volume = 80;
  std::string mixArg, outArg;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    long* target = a == "--rate"       ? &rate
                   : a == "--bits"     ? &bits
                   : a == "--channels" ? &channels
                   : a == "--volume"   ? &volume
                                       : nullptr;
    if (target != nullptr) {
      if (i + 1 >= argc || !ParseNumber(argv[i + 1], *target))
        return Usage(("bad value for " + a).c_str());
      ++i;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return Usage(("unknown option " + a).c_str());
    } else if (mixArg.empty()) {
      mixArg = a;
    } else if (outArg.empty()) {
      outArg = a;
    } else {
      return Usage("too many arguments");
    }
  }
  if (mixArg.empty() || outArg.empty()) return Usage("a mix file and an output file are needed");
  if (rate != 22050 && rate != 44100) return Usage("--rate must be 22050 or 44100");
  if (bits != 8 && bits != 16) return Usage("--bits must be 8 or 16");
  if (channels != 1 && channels != 2) return Usage("--channels must be 1 or 2");
  if (volume < 0 || volume > 100) return Usage("--volume must be 0 to 100");

  char buffer[PATH_MAX];
  const std::string startDir = getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return Usage("cannot find the program's own folder");
  buffer[n] = 0;
  std::string root(buffer);
  root = root.substr(0, root.rfind('/'));
  if (root.empty()) root = "/";

  try {
    platform::InitDrives(root, true);
    std::string mixPath, outPath;
    if (!platform::ToSystemPath(AbsoluteHost(mixArg, startDir), mixPath) ||
        !platform::ToSystemPath(AbsoluteHost(outArg, startDir), outPath)) {
      return Usage("a path is too long for the desk");
    }

    LanguageTable().LoadLanguageTable("data\\Language.txt");
    LanguageTable().SelectLanguage(1);

    WAVEFORMATEX format{};
    format.wFormatTag = 1;
    format.nChannels = static_cast<uint16_t>(channels);
    format.nSamplesPerSec = static_cast<uint32_t>(rate);
    format.wBitsPerSample = static_cast<uint16_t>(bits);
    format.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    SetOutputFormat(format);
    SetMasterVolume(volume / 100.0);
    SetMasterPitch(1.0);

    tConsoleView view;
    tDeskCore desk(&view);
    if (!desk.PrepareChannels()) {
      std::fprintf(stderr, "brevora-render: out of memory\n");
      return 1;
    }
    desk.ResetChannels();
    if (!desk.LoadMix(mixPath.c_str())) return 1;
    if (!desk.ExportMix(outPath.c_str(), format)) return 1;
    std::fprintf(stderr, "Rendered %s to %s\n", mixArg.c_str(), outArg.c_str());
    return 0;
  } catch (const tAnyError& e) {
    std::fprintf(stderr, "brevora-render: %s", e.GetText());
    return 1;
  }
}
