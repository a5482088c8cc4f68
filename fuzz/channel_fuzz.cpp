// Channel files: loading any text into a channel never crashes, and the
// channel's values stay in their ranges.
#include <cstdlib>

#include "audio/audio_setup.h"
#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "mix/console_view.h"
#include "mix/desk_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FILE* quiet = std::fopen("/dev/null", "w");
  static tConsoleView view(quiet);
  static tDeskCore* desk = [] {
    FuzzRoot();
    SetOutputFormat(22050, 8, 1);
    auto* d = new tDeskCore(&view);
    d->PrepareChannels();
    return d;
  }();
  const std::string path = WriteFuzzFile("fuzz.chn", data, size);
  desk->LoadChannelFile(0, path.c_str(), true);
  const tChannel& ch = desk->Channel(0);
  if (ch.GetVolume() < 0 || ch.GetVolume() > 100 || ch.GetBalance() < -100 || ch.GetBalance() > 100)
    std::abort();
  desk->Channel(0).Tick(12345);
  return 0;
}
