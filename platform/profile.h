#pragma once
// Initialisation (profile) files: "[Section]" headers and "Key=Value" lines.
//
// Section and key names are matched without regard to case. Writing a key
// replaces the value of its existing line in place and keeps every other line
// where it stands, including lines that are not key lines (a mix file's event
// lines, comments). Lines are written with CR LF; CR LF and LF are both read.
// Every write replaces the file through a temporary file in the same
// directory, so a failure never leaves a half-written file. Paths are desk
// paths (see hostfs.h).
#include <string>
#include <utility>
#include <vector>

namespace platform {

// Profile files are read whole. A file larger than this is not a channel,
// mix, language or settings file (a mix of a million events is 36 MB) and
// reads as unreadable: it could only exhaust memory.
constexpr long long kMaxProfileBytes = 64ll << 20;

// The value of key in section, or def when the file, the section or the key
// is missing. Blanks around the value are removed, and one pair of matching
// quotes around it. At most size - 1 characters are returned (size is the
// caller's buffer size, terminator included).
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def, size_t size);

// Every key of the section with its value as ReadProfileString gives it
// (blanks and one pair of quotes removed, not cut), in the file's order.
std::vector<std::pair<std::string, std::string>> ReadProfileKeys(const std::string& file,
                                                                 const std::string& section);

// Every line of the section (comments and blank lines left out), each followed
// by a zero byte, cut to fit size - 1 characters. Empty when the file or the
// section is missing or the section has no lines.
std::string ReadProfileSection(const std::string& file, const std::string& section, size_t size);

// Writes key=value into section, creating the file, the section or the key
// line as needed. False when the file cannot be read or written.
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

// Writes several keys of one section in one replacement of the file, each as
// WriteProfileString would: the file has all of them or none.
bool WriteProfileStrings(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& values);

// Writes are never cached, so flushing only reports success.
bool FlushProfile(const std::string& file);

}  // namespace platform
