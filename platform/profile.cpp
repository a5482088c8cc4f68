#include "platform/profile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/hostfs.h"
#include "platform/last_error.h"

namespace platform {

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// Reads the file as lines without their line ends. False (last error set)
// when it cannot be opened; a missing file is reported through missing.
bool ReadLines(const std::string& file, std::vector<std::string>& lines, bool& missing) {
  lines.clear();
  missing = false;
  FILE* f = OpenStream(file, "rb");
  if (f == nullptr) {
    missing = errno == ENOENT || errno == ENOTDIR;
    return false;
  }
  std::string line;
  bool any = false;
  long long total = 0;
  bool ok = true;
  char buffer[65536];
  for (size_t n; ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) {
    // Counted as it is read: a file that grows while it is read stops too.
    total += static_cast<long long>(n);
    if (total > kMaxProfileBytes) {
      SetLastErrorCode(kErrorNotEnoughMemory);
      errno = EFBIG;
      ok = false;
      break;
    }
    for (const char* p = buffer; p < buffer + n;) {
      const char* end = static_cast<const char*>(std::memchr(p, '\n', buffer + n - p));
      line.append(p, end != nullptr ? end : buffer + n);
      any = true;
      if (end == nullptr) break;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
      any = false;
      p = end + 1;
    }
  }
  if (ok && any) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  ok = ok && std::ferror(f) == 0;
  std::fclose(f);
  if (!ok) lines.clear();
  return ok;
}

// "[Name]" lines: the name, else empty.
bool SectionName(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool IsComment(const std::string& line) {
  std::string t = Trim(line);
  return t.empty() || t[0] == ';';
}

// The key of a "key=value" line; false for other lines.
bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  if (IsComment(line)) return false;
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  return true;
}

// Index range [first, last) of the section's body, or false.
bool FindSection(const std::vector<std::string>& lines, const std::string& section, size_t& first,
                 size_t& last) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (SectionName(lines[i], name) && EqualNoCase(name, section)) {
      first = i + 1;
      last = first;
      std::string other;
      while (last < lines.size() && !SectionName(lines[last], other)) ++last;
      return true;
    }
  }
  return false;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    return v.substr(1, v.size() - 2);
  return v;
}

bool WriteLines(const std::string& file, const std::vector<std::string>& lines) {
  std::string full, host;
  if (!FullPath(file, full)) return false;
  size_t slash = full.rfind('\\');
  std::string dir = full.substr(0, slash + 1);
  std::string tmp;
  if (!CreateTempFile(dir, ".profile", tmp)) return false;
  FILE* f = OpenStream(tmp, "wb");
  if (f == nullptr) {
    DeleteFile(tmp);
    return false;
  }
  for (const auto& l : lines) {
    std::fputs(l.c_str(), f);
    std::fputs("\r\n", f);
  }
  bool ok = FlushStream(f) && std::ferror(f) == 0;
  int err = errno;
  if (!CloseStream(f) && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    SetLastErrorFromErrno(err);
    DeleteFile(tmp);
    return false;
  }
  // Keep the permissions of the file being replaced.
  if (!CopyPermissions(full, tmp)) SetNewFilePermissions(tmp);
  if (!ReplaceFile(tmp, full)) {
    DeleteFile(tmp);
    return false;
  }
  return true;
}

}  // namespace

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& def, size_t size) {
  std::string result = def;
  std::vector<std::string> lines;
  bool missing;
  size_t first, last;
  if (ReadLines(file, lines, missing) && FindSection(lines, section, first, last)) {
    for (size_t i = first; i < last; ++i) {
      std::string k, v;
      if (KeyOf(lines[i], k, v) && EqualNoCase(k, key)) {
        result = Unquote(v);
        break;
      }
    }
  }
  if (size == 0) return std::string();
  if (result.size() > size - 1) result.resize(size - 1);
  return result;
}

std::vector<std::pair<std::string, std::string>> ReadProfileKeys(const std::string& file,
                                                                 const std::string& section) {
  std::vector<std::pair<std::string, std::string>> keys;
  std::vector<std::string> lines;
  bool missing;
  size_t first, last;
  if (ReadLines(file, lines, missing) && FindSection(lines, section, first, last)) {
    for (size_t i = first; i < last; ++i) {
      std::string k, v;
      if (KeyOf(lines[i], k, v)) keys.emplace_back(k, Unquote(v));
    }
  }
  return keys;
}

std::string ReadProfileSection(const std::string& file, const std::string& section, size_t size) {
  std::vector<std::string> lines;
  bool missing;
  size_t first, last;
  std::string out;
  if (!ReadLines(file, lines, missing) || !FindSection(lines, section, first, last)) return out;
  for (size_t i = first; i < last; ++i) {
    if (IsComment(lines[i])) continue;
    out += Trim(lines[i]);
    out += '\0';
  }
  if (size == 0) return std::string();
  if (out.size() > size - 1) out.resize(size - 1);
  return out;
}

namespace {

// Sets key=value in the lines, as WriteProfileString describes.
void SetKeyLine(std::vector<std::string>& lines, const std::string& section, const std::string& key,
                const std::string& value) {
  size_t first, last;
  std::string line = key + "=" + value;
  if (!FindSection(lines, section, first, last)) {
    lines.push_back("[" + section + "]");
    lines.push_back(line);
    return;
  }
  size_t lastKeyLine = first;  // insert a new key after the section's last key line
  for (size_t i = first; i < last; ++i) {
    std::string k, v;
    if (KeyOf(lines[i], k, v)) {
      if (EqualNoCase(k, key)) {
        lines[i] = line;
        return;
      }
      lastKeyLine = i + 1;
    }
  }
  lines.insert(lines.begin() + static_cast<long>(lastKeyLine), line);
}

}  // namespace

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  return WriteProfileStrings(file, section, {{key, value}});
}

bool WriteProfileStrings(const std::string& file, const std::string& section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  std::vector<std::string> lines;
  bool missing;
  if (!ReadLines(file, lines, missing) && !missing) return false;
  for (const auto& [key, value] : values) SetKeyLine(lines, section, key, value);
  return WriteLines(file, lines);
}

bool FlushProfile(const std::string& /*file*/) {
  return true;
}

}  // namespace platform
