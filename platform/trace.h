#pragma once
// Diagnostics that never reach the user. DebugOutput is the debugger channel
// (stderr); Trace is the audio classes' trace sink, which discards its
// messages unless the environment variable BREVORA_TRACE is set.

namespace platform {

void DebugOutput(const char* text);

bool TraceEnabled();
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
