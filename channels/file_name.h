#pragma once
// A path in the desk's own form ("C:\Samples\Drums\kick.wav": drive letter,
// colon, backslash separators), or a volume label, with the path operations
// the loaders use. Paths reach the host through the drive table.
#include <cstdint>

#include "support/string.h"

class tFileName : public tString {
 public:
  tFileName() = default;
  tFileName(const char* text) : tString(text) {}  // NOLINT: implicit, as a string is
  tFileName(const tFileName& other) = default;
  tFileName& operator=(const tFileName& other) = default;
  ~tFileName() override;

  // Replaces the text only when it differs byte-wise; an equal text keeps
  // the object and its storage untouched.
  void Assign(const char* text) { tString::Assign(text); }
  void Assign(const tString& other) { tString::Assign(other); }

  // A drive letter (or any character) and a colon, and at least one more
  // character: "C:\a" and "C:a" are absolute, "\a", "\\server\x" and "C:"
  // are not.
  bool IsAbsolutePath() const;
  // The full path of source against the current drive and directory, with
  // "." and ".." resolved. False (this object unchanged) when the path
  // cannot be resolved: unknown drive, network path, longer than 259
  // characters. source may be this object.
  bool MakeAbsolute(const tFileName& source);
  // The directory of source without its leading separator:
  // "C:\Samples\Drums\kick.wav" gives "Samples\Drums\". A directory that
  // does not start with a separator is taken as it stands.
  void SetRootlessDirectoryOf(const tFileName& source);
  // Name and extension of source: "kick.wav".
  void SetNameAndExtensionOf(const tFileName& source);
  // Composes drive, directory, name and extension; null or empty parts are
  // left out. A separator follows a directory that lacks one, a dot comes
  // before an extension that lacks one.
  void MakePath(const char* drive, const char* directory, const char* name, const char* extension);
  void SetToCurrentDirectory();
  // The volume label of the drive the path names (its first character, or
  // the current drive for an empty path); empty when the drive cannot be
  // read.
  void SetToVolumeLabelOf(const tFileName& path);
  // The volume serial number of that drive; 0 when it cannot be read.
  static uint32_t VolumeSerialOf(const tFileName& path);
  static char CurrentDriveLetter();

  // The four parts of a path: drive "C:", directory "\Samples\Drums\", name
  // "kick", extension ".wav". Each is empty when the path has none.
  struct tParts {
    tString drive;
    tString directory;
    tString name;
    tString extension;
  };
  static void Split(const char* path, tParts& parts);
};
