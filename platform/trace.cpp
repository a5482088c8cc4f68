#include "platform/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace platform {

void DebugOutput(const char* text) {
  if (text == nullptr) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

bool TraceEnabled() {
  static const bool enabled = std::getenv("BREVORA_TRACE") != nullptr;
  return enabled;
}

void Trace(const char* format, ...) {
  if (!TraceEnabled()) return;
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  DebugOutput(text);
}

}  // namespace platform
