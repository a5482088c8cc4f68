#include "platform/settings_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/hostfs.h"
#include "platform/last_error.h"

namespace platform {

const char* const kDrivesKey = "Software\\Quellan\\Brevora\\1.00.000\\Drives";

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// "..." with \\ and \" escapes, as registry exports write strings.
std::string Quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Reads a quoted string starting at pos; false when it is not well formed.
bool Unquote(const std::string& line, size_t& pos, std::string& out) {
  if (pos >= line.size() || line[pos] != '"') return false;
  out.clear();
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '\\' && pos + 1 < line.size()) {
      out += line[++pos];
    } else if (c == '"') {
      ++pos;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

bool MakeDirectories(const std::string& dir) {
  std::string path;
  std::stringstream parts(dir);
  std::string part;
  while (std::getline(parts, part, '/')) {
    if (part.empty()) continue;
    path += "/" + part;
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

std::string SettingsStore::DefaultPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "/tmp") + "/.config";
  }
  return base + "/brevora/settings.reg";
}

SettingsStore::SettingsStore(std::string hostPath) : m_Path(std::move(hostPath)) {}

bool SettingsStore::Load(std::vector<Key>& keys) {
  keys.clear();
  std::ifstream in(m_Path, std::ios::binary);
  if (!in) return errno == ENOENT;  // no file yet: no keys
  std::string line;
  // A key or a value that stands twice is one: later lines add to the key
  // and replace a value of the same name, so reads and writes meet one value.
  size_t current = std::string::npos;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (close == std::string::npos) continue;
      const std::string name = line.substr(1, close - 1);
      for (current = 0; current < keys.size(); ++current)
        if (EqualNoCase(keys[current].name, name)) break;
      if (current == keys.size()) keys.push_back(Key{name, {}});
      continue;
    }
    if (current == std::string::npos) continue;
    size_t pos = 0;
    Value v;
    if (!Unquote(line, pos, v.name) || pos >= line.size() || line[pos] != '=') continue;
    ++pos;
    if (line.compare(pos, 6, "dword:") == 0) {
      std::string hex = line.substr(pos + 6);
      char* end = nullptr;
      unsigned long n = std::strtoul(hex.c_str(), &end, 16);
      if (hex.empty() || *end != 0) continue;  // a hand-edited value that is not a number
      v.type = Type::Number;
      v.number = static_cast<uint32_t>(n);
    } else if (Unquote(line, pos, v.text)) {
      v.type = Type::Text;
    } else {
      continue;
    }
    std::vector<Value>& values = keys[current].values;
    auto same = std::find_if(values.begin(), values.end(),
                             [&](const Value& w) { return EqualNoCase(w.name, v.name); });
    if (same != values.end()) {
      *same = v;
    } else {
      values.push_back(v);
    }
  }
  return true;
}

bool SettingsStore::Save(const std::vector<Key>& keys) {
  std::string dir = m_Path.substr(0, m_Path.rfind('/'));
  if (!MakeDirectories(dir)) {
    SetLastErrorFromErrno();
    return false;
  }
  std::string text = "; Brevora settings, in the text form of registry exports.\n";
  for (const auto& key : keys) {
    text += "\n[" + key.name + "]\n";
    for (const auto& v : key.values) {
      text += Quote(v.name) + "=";
      if (v.type == Type::Number) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "dword:%08x", v.number);
        text += hex;
      } else {
        text += Quote(v.text);
      }
      text += "\n";
    }
  }
  if (!WriteHostFileAtomically(m_Path, text)) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool SettingsStore::OpenKey(const std::string& key, bool create) {
  std::vector<Key> keys;
  if (!Load(keys)) return false;
  for (const auto& k : keys)
    if (EqualNoCase(k.name, key)) return true;
  if (!create) {
    SetLastErrorCode(kErrorFileNotFound);
    return false;
  }
  keys.push_back(Key{key, {}});
  return Save(keys);
}

bool SettingsStore::Write(const std::string& key, const Value& value) {
  std::vector<Key> keys;
  if (!Load(keys)) return false;
  Key* target = nullptr;
  for (auto& k : keys)
    if (EqualNoCase(k.name, key)) target = &k;
  if (target == nullptr) {
    keys.push_back(Key{key, {}});
    target = &keys.back();
  }
  for (auto& v : target->values) {
    if (EqualNoCase(v.name, value.name)) {
      v = value;
      return Save(keys);
    }
  }
  target->values.push_back(value);
  return Save(keys);
}

bool SettingsStore::Read(const std::string& key, const std::string& name, Value& value) {
  std::vector<Key> keys;
  if (!Load(keys)) return false;
  for (const auto& k : keys) {
    if (!EqualNoCase(k.name, key)) continue;
    for (const auto& v : k.values) {
      if (EqualNoCase(v.name, name)) {
        value = v;
        return true;
      }
    }
  }
  SetLastErrorCode(kErrorFileNotFound);
  return false;
}

bool SettingsStore::Remove(const std::string& key, const std::string& name) {
  std::vector<Key> keys;
  if (!Load(keys)) return false;
  for (auto& k : keys) {
    if (!EqualNoCase(k.name, key)) continue;
    for (auto it = k.values.begin(); it != k.values.end(); ++it) {
      if (EqualNoCase(it->name, name)) {
        k.values.erase(it);
        return Save(keys);
      }
    }
  }
  return false;
}

std::vector<SettingsStore::Value> SettingsStore::Values(const std::string& key) {
  std::vector<Key> keys;
  if (Load(keys))
    for (const auto& k : keys)
      if (EqualNoCase(k.name, key)) return k.values;
  return {};
}

int LoadConfiguredDrives(SettingsStore& store) {
  int added = 0;
  std::vector<SettingsStore::Value> values = store.Values(kDrivesKey);
  for (const auto& v : values) {
    if (v.type != SettingsStore::Type::Text || v.name.size() != 1 ||
        !std::isalpha(static_cast<unsigned char>(v.name[0])) || v.text.empty() || v.text[0] != '/')
      continue;
    // C: (the content root) and Z: (the host root) are the program's own.
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(v.name[0])));
    if (letter == 'C' || letter == 'Z') continue;
    std::string label;
    for (const auto& l : values)
      if (l.type == SettingsStore::Type::Text && EqualNoCase(l.name, v.name + " Label"))
        label = l.text;
    SetDrive(v.name[0], v.text, label);
    ++added;
  }
  return added;
}

}  // namespace platform
