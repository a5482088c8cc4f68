// Mix files: loading any text as a mix, and playing its events back through
// the desk, never crashes and never reaches a channel that does not exist.
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
  const std::string path = WriteFuzzFile("fuzz.mix", data, size);
  if (desk->LoadMix(path.c_str()) && desk->Events().OpenForReading() && desk->Events().Rewind()) {
    tEvent e;
    for (int n = 0; n < 1000 && desk->Events().ReadNext(e.time, e.channel, e.kind, e.value); ++n)
      desk->DispatchEvent(e.time, e.channel, e.kind, e.value);
    desk->ResetChannelStates();
  }
  return 0;
}
