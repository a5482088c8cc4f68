#include "channels/file_name.h"

#include <cstring>
#include <string>

#include "platform/hostfs.h"

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The three-character root ("C:\") of the drive a path names.
std::string DriveRootOf(const tFileName& path) {
  char letter = path.IsEmpty() ? tFileName::CurrentDriveLetter() : path[0];
  std::string root(1, letter);
  root += ":\\";
  return root;
}

// Longest volume label the desk's buffers hold.
constexpr size_t kMaxLabel = 19;

}  // namespace

tFileName::~tFileName() = default;

bool tFileName::IsAbsolutePath() const {
  return GetLength() >= 3 && GetText()[1] == ':';
}

bool tFileName::MakeAbsolute(const tFileName& source) {
  std::string full;
  if (!platform::FullPath(source.GetText(), full)) return false;
  Assign(full.c_str());
  return true;
}

void tFileName::Split(const char* path, tParts& parts) {
  const char* p = path != nullptr ? path : "";
  std::string s(p);
  size_t pos = 0;
  if (s.size() >= 2 && s[1] == ':') {
    parts.drive.Assign(s.substr(0, 2).c_str());
    pos = 2;
  } else {
    parts.drive.Assign("");
  }
  size_t lastSep = std::string::npos;
  for (size_t i = pos; i < s.size(); ++i)
    if (IsSeparator(s[i])) lastSep = i;
  size_t nameStart = pos;
  if (lastSep != std::string::npos) {
    parts.directory.Assign(s.substr(pos, lastSep + 1 - pos).c_str());
    nameStart = lastSep + 1;
  } else {
    parts.directory.Assign("");
  }
  std::string file = s.substr(nameStart);
  size_t dot = file.rfind('.');
  if (dot == std::string::npos) {
    parts.name.Assign(file.c_str());
    parts.extension.Assign("");
  } else {
    parts.name.Assign(file.substr(0, dot).c_str());
    parts.extension.Assign(file.substr(dot).c_str());
  }
}

void tFileName::SetRootlessDirectoryOf(const tFileName& source) {
  tParts parts;
  Split(source.GetText(), parts);
  const char* dir = parts.directory.GetText();
  if (IsSeparator(dir[0])) ++dir;
  Assign(dir);
}

void tFileName::SetNameAndExtensionOf(const tFileName& source) {
  tParts parts;
  Split(source.GetText(), parts);
  MakePath(nullptr, nullptr, parts.name.GetText(), parts.extension.GetText());
}

void tFileName::MakePath(const char* drive, const char* directory, const char* name,
                         const char* extension) {
  std::string out;
  if (drive != nullptr && drive[0] != 0) {
    out += drive[0];
    out += ':';
  }
  if (directory != nullptr && directory[0] != 0) {
    out += directory;
    if (!IsSeparator(out.back())) out += '\\';
  }
  if (name != nullptr) out += name;
  if (extension != nullptr && extension[0] != 0) {
    if (extension[0] != '.') out += '.';
    out += extension;
  }
  Assign(out.c_str());
}

void tFileName::SetToCurrentDirectory() {
  Assign(platform::CurrentDirectory().c_str());
}

void tFileName::SetToVolumeLabelOf(const tFileName& path) {
  platform::VolumeInfo info;
  if (!platform::VolumeInformation(DriveRootOf(path), info)) {
    Assign("");
    return;
  }
  if (info.label.size() > kMaxLabel) info.label.resize(kMaxLabel);
  Assign(info.label.c_str());
}

uint32_t tFileName::VolumeSerialOf(const tFileName& path) {
  platform::VolumeInfo info;
  if (!platform::VolumeInformation(DriveRootOf(path), info)) return 0;
  return info.serial;
}

char tFileName::CurrentDriveLetter() {
  std::string cwd = platform::CurrentDirectory();
  return cwd.empty() ? 'C' : cwd[0];
}
