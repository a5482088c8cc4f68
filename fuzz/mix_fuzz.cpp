// Mix files: loading any text as a mix, and playing its events back through
// the desk's channels and mix bus, never crashes and never reaches a channel
// that does not exist.
#include "fuzz/fuzz_desk.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tDeskCore& desk = FuzzDesk();
  const std::string path = WriteFuzzFile("fuzz.mix", data, size);
  if (!desk.LoadMix(path.c_str()) || !desk.Events().OpenForReading() || !desk.Events().Rewind())
    return 0;
  // Two seconds of the mix, then every later event at once (up to a bound).
  int n = 0;
  FuzzRun(desk, 2000, [&](tEvent& e) {
    return n++ < 2000 && desk.Events().ReadNext(e.time, e.channel, e.kind, e.value);
  });
  return 0;
}
