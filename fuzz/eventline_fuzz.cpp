// The event-line scanner alone: any line scans to an event, a line to skip
// or the end, and an event names one of the seven kinds.
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_target.h"
#include "mix/event_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The reader hands the scanner at most 259 characters of a line.
  const std::string line(reinterpret_cast<const char*>(data), size < 259 ? size : 259);
  unsigned long ms = 0;
  int32_t channel = 0, kind = -1, value = 0;
  if (ScanEventLine(line.c_str(), ms, channel, kind, value) == tEventLine::kEvent &&
      EventKindWord(kind) == nullptr)
    std::abort();
  return 0;
}
