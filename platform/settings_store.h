#pragma once
// The settings store: typed values under named keys, kept in one per-user,
// human-readable file in the text form of registry exports:
//
//   [Software\Quellan\Brevora\1.00.000]
//   "Frequency"=dword:00005622
//   "Keys"="QWERTZUIASDFGHJK"
//
// The file is $XDG_CONFIG_HOME/brevora/settings.reg (XDG_CONFIG_HOME defaults
// to ~/.config). Every write replaces the file through a temporary file and a
// rename, so a failure never leaves it half written. Key names are matched
// without regard to case; value names too.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class SettingsStore {
 public:
  enum class Type { Number, Text };
  struct Value {
    std::string name;
    Type type = Type::Number;
    uint32_t number = 0;
    std::string text;
  };

  // The store's host file as the environment names it now.
  static std::string DefaultPath();

  explicit SettingsStore(std::string hostPath = DefaultPath());

  // True when the key exists; with create, a missing key is made (and saved).
  bool OpenKey(const std::string& key, bool create);
  bool Write(const std::string& key, const Value& value);
  bool Read(const std::string& key, const std::string& name, Value& value);
  bool Remove(const std::string& key, const std::string& name);
  std::vector<Value> Values(const std::string& key);

  const std::string& Path() const { return m_Path; }

 private:
  struct Key {
    std::string name;
    std::vector<Value> values;
  };
  bool Load(std::vector<Key>& keys);
  bool Save(const std::vector<Key>& keys);

  std::string m_Path;
};

// The drive table's extra letters live under this key of the store:
// "E"="/home/me/Samples" and, optionally, "E Label"="MY LOOPS".
extern const char* const kDrivesKey;
// Adds the configured drives to the drive table; how many were added. C: and
// Z: keep the content root and the host root whatever the file says.
int LoadConfiguredDrives(SettingsStore& store);

}  // namespace platform
