#pragma once
// The table behind WinErrorName: (name, code) pairs in the order of the
// Windows error-code header, ending with an empty entry.
#include <cstdint>

struct tErrorName {
  const char* name;
  uint32_t code;
};

extern const tErrorName g_ErrorNames[];
extern const unsigned g_ErrorNameCount;
