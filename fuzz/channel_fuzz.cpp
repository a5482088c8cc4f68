// Channel files: loading any text into a channel never crashes, the
// channel's values stay in their ranges, and playing what it loaded
// (triggers, loop restarts, the effect switch, suspension) is safe.
#include <cstdlib>

#include "fuzz/fuzz_desk.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tDeskCore& desk = FuzzDesk();
  const std::string path = WriteFuzzFile("fuzz.chn", data, size);
  desk.LoadChannelFile(0, path.c_str(), true);
  tChannel& ch = desk.Channel(0);
  if (ch.GetVolume() < 0 || ch.GetVolume() > 100 || ch.GetBalance() < -100 || ch.GetBalance() > 100)
    std::abort();
  if (!ch.HasSound()) return 0;
  // Played the way a performer would: a press, the effect in, a suspension,
  // a release that rings out.
  static const tEvent kTake[] = {{0, 0, kPlay, 0},    {2500, 0, kFx, 1}, {4000, 0, kStop, 1},
                                 {4100, 0, kPlay, 0}, {9000, 0, kFx, 0}, {12000, 0, kStop, 0}};
  size_t n = 0;
  FuzzRun(desk, 700, [&](tEvent& e) {
    if (n == sizeof kTake / sizeof *kTake) return false;
    e = kTake[n++];
    if (n == 3) desk.Channel(0).SetSuspended(true);
    if (n == 5) desk.Channel(0).EndSuspension();
    return true;
  });
  return 0;
}
