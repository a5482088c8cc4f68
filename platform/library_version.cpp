#include "platform/library_version.h"

#include <SDL.h>

#include <cstdio>

namespace platform {

bool VersionAtLeast(const LibraryVersion& running, const LibraryVersion& needed) {
  if (running.major != needed.major) return running.major > needed.major;
  if (running.minor != needed.minor) return running.minor > needed.minor;
  return running.patch >= needed.patch;
}

LibraryVersion RunningDisplayLibrary() {
  SDL_version linked{};
  SDL_GetVersion(&linked);
  return LibraryVersion{linked.major, linked.minor, linked.patch};
}

std::string DisplayLibraryWarning(const LibraryVersion& needed) {
  char text[160];
  std::snprintf(text, sizeof text,
                "SDL %d.%d.%d or higher not detected.\nBrevora can not work correctly without "
                "it.\nDo you wish to continue anyway?",
                needed.major, needed.minor, needed.patch);
  return text;
}

}  // namespace platform
