#pragma once
// A small wrapper around the settings store: it opens the settings key for
// every single read or write and closes it again. Every failure is silent to
// the user: reads fall back to their defaults, writes are lost.
#include <cstdint>

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
  // Reads into a buffer of 260 bytes and copies it to text on success.
  bool ReadText(const char* name, char* text);

 private:
  char* m_MainKeyName;                        // 260 bytes
  platform::SettingsStore* m_pKey = nullptr;  // open only during one operation
};

// The key the desk keeps its settings under.
extern const char* const kSettingsKey;
