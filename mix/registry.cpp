#include "mix/registry.h"

#include <cstring>

#include "support/errors.h"

const char* const kSettingsKey = "Software\\Quellan\\Brevora\\1.00.000";

tRegistry::tRegistry() = default;

tRegistry::~tRegistry() {
  CloseKey();
}

bool tRegistry::SetMainKey(const char* path) {
  CloseKey();
  std::snprintf(m_MainKeyName, sizeof m_MainKeyName, "%s", path != nullptr ? path : "");
  return true;
}

bool tRegistry::OpenKey() {
  ASSUME_TEXT(m_MainKeyName[0] != 0, "m_MainKeyName[0]!=0");
  CloseKey();
  if (m_MainKeyName[0] == 0) return false;
  auto store = std::make_unique<platform::SettingsStore>();
  if (!store->OpenKey(m_MainKeyName, true)) return false;
  m_pKey = std::move(store);
  return true;
}

void tRegistry::CloseKey() {
  m_pKey.reset();
}

bool tRegistry::WriteNumber(const char* name, uint32_t value) {
  if (!OpenKey()) return false;
  platform::SettingsStore::Value v;
  v.name = name;
  v.type = platform::SettingsStore::Type::Number;
  v.number = value;
  bool ok = m_pKey->Write(m_MainKeyName, v);
  CloseKey();
  return ok;
}

bool tRegistry::WriteText(const char* name, const char* text) {
  if (!OpenKey()) return false;
  platform::SettingsStore::Value v;
  v.name = name;
  v.type = platform::SettingsStore::Type::Text;
  v.text = text;
  bool ok = m_pKey->Write(m_MainKeyName, v);
  CloseKey();
  return ok;
}

bool tRegistry::ReadNumber(const char* name, uint32_t& value) {
  if (!OpenKey()) return false;
  platform::SettingsStore::Value v;
  bool ok = m_pKey->Read(m_MainKeyName, name, v);
  CloseKey();
  if (!ok) return false;
  if (v.type == platform::SettingsStore::Type::Number) {
    value = v.number;
    return true;
  }
  // A text value is stored with its terminator; it fits only when that makes
  // at most 4 bytes, which land in the number as they are stored.
  if (v.text.size() + 1 > 4) return false;
  unsigned char bytes[4] = {0, 0, 0, 0};
  std::memcpy(bytes, v.text.c_str(), v.text.size() + 1);
  value = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
          uint32_t(bytes[3]) << 24;
  return true;
}

bool tRegistry::ReadText(const char* name, char* text, size_t size) {
  if (!OpenKey()) return false;
  platform::SettingsStore::Value v;
  bool ok = m_pKey->Read(m_MainKeyName, name, v);
  CloseKey();
  if (!ok) return false;
  char buffer[260];
  if (v.type == platform::SettingsStore::Type::Number) {
    std::memcpy(buffer, &v.number, 4);
    buffer[4] = 0;
  } else {
    if (v.text.size() + 1 > sizeof buffer) return false;
    std::memcpy(buffer, v.text.c_str(), v.text.size() + 1);
  }
  const size_t bytes = std::strlen(buffer) + 1;
  if (text == nullptr || bytes > size) return false;
  std::memcpy(text, buffer, bytes);
  return true;
}
