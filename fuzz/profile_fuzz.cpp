// Profile files: reading any text, and writing a key into it, keeps every
// other line and never fails outside the file system.
#include <cstring>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = WriteFuzzFile("fuzz.ini", data, size);
  platform::ReadProfileString(path, "Brevora Mix", "BPM", "130", 10);
  platform::ReadProfileString(path, "brevora channel", "snd", "", 300);
  platform::ReadProfileSection(path, "Brevora Mix", 50);
  const bool hadNul = std::memchr(data, 0, size) != nullptr;
  if (platform::WriteProfileString(path, "Brevora Mix", "Length", "12") && !hadNul) {
    if (platform::ReadProfileString(path, "Brevora Mix", "Length", "", 10) != "12") std::abort();
  }
  return 0;
}
