#pragma once
// A small wrapper around the settings store: it opens the settings key for
// every single read or write and closes it again. Every failure is silent to
// the user: reads fall back to their defaults, writes are lost.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/settings_store.h"

class tRegistry {
 public:
  tRegistry();
  tRegistry(const tRegistry&) = delete;
  tRegistry& operator=(const tRegistry&) = delete;
  virtual ~tRegistry();

  bool SetMainKey(const char* path);
  bool OpenKey();
  void CloseKey();
  bool WriteNumber(const char* name, uint32_t value);
  bool WriteText(const char* name, const char* text);
  // Reads at most 4 bytes into value, whatever the stored type.
  bool ReadNumber(const char* name, uint32_t& value);
  // Reads the text (a number's 4 bytes read as text) into a buffer of 260
  // bytes and copies it to text, which holds size bytes. False, text
  // untouched, when the value is missing or does not fit either buffer.
  bool ReadText(const char* name, char* text, size_t size);

 private:
  char m_MainKeyName[260] = {};
  std::unique_ptr<platform::SettingsStore> m_pKey;  // open only during one operation
};

// The key the desk keeps its settings under.
extern const char* const kSettingsKey;
