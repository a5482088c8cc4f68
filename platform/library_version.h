#pragma once
// The display library's version: the desk needs features that arrived in a
// given release and warns before it starts on an older one.
#include <string>

namespace platform {

struct LibraryVersion {
  int major = 0;
  int minor = 0;
  int patch = 0;
};

// True when running is needed or newer (major, then minor, then patch).
bool VersionAtLeast(const LibraryVersion& running, const LibraryVersion& needed);

// The oldest display library the desk works with. The choice of the sound
// driver (SDL_HINT_AUDIODRIVER, with its PipeWire driver) and a wait for
// events that sleeps instead of polling both arrived in SDL 2.0.22.
constexpr LibraryVersion kOldestDisplayLibrary{2, 0, 22};

// The version of the display library the process runs with.
LibraryVersion RunningDisplayLibrary();

// The warning shown when the running library is older than needed, such as
// "SDL 2.0.22 or higher not detected.\nBrevora can not work correctly
// without it.\nDo you wish to continue anyway?".
std::string DisplayLibraryWarning(const LibraryVersion& needed);

}  // namespace platform
