// The settings file: any text in the store's file reads without harm, a
// value written into it reads back as written, and configured drives never
// take the letters of the content root or the host root.
#include <cstdlib>

#include "fuzz/fuzz_files.h"
#include "fuzz/fuzz_target.h"
#include "platform/hostfs.h"
#include "platform/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& root = FuzzRoot();
  WriteFuzzFile("settings.reg", data, size);
  platform::SettingsStore store(root + "/settings.reg");
  const char* const key = "Software\\Quellan\\Brevora\\1.00.000";
  platform::SettingsStore::Value v;
  store.Read(key, "Frequency", v);
  store.Values(key);
  platform::LoadConfiguredDrives(store);
  platform::Drive c, z;
  if (!platform::FindDrive('C', c) || !platform::FindDrive('Z', z) || z.hostDir != "/")
    std::abort();
  for (char letter = 'D'; letter < 'Z'; ++letter) platform::RemoveDrive(letter);

  platform::SettingsStore::Value number{"Tempo", platform::SettingsStore::Type::Number, 137, ""};
  platform::SettingsStore::Value text{"Keys", platform::SettingsStore::Type::Text, 0, "QWE\"RT\\Z"};
  if (store.Write(key, number) && store.Write(key, text)) {
    platform::SettingsStore::Value back;
    if (!store.Read(key, "tempo", back) || back.number != 137) std::abort();
    if (!store.Read(key, "KEYS", back) || back.text != text.text) std::abort();
  }
  return 0;
}
