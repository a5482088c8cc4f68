#include "platform/locale_language.h"

#include <cstdlib>

namespace platform {

int LanguageFromName(const std::string& name) {
  // The language part ends at the territory, the code set or the modifier.
  const std::string part = name.substr(0, name.find_first_of("_.@-"));
  if (part.size() != 2) return 0;
  std::string code;
  for (char c : part) code += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  static const char* const kCodes[] = {"en", "nl", "fr", "de", "it", "es"};
  for (int i = 0; i < 6; ++i)
    if (code == kCodes[i]) return i + 1;
  return 0;
}

int LanguageFromLocale(const char* language, const char* lcAll, const char* lcMessages,
                       const char* lang) {
  if (language != nullptr && language[0] != '\0') {
    const std::string list = language;
    size_t start = 0;
    while (start <= list.size()) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (int found = LanguageFromName(list.substr(start, end - start))) return found;
      start = end + 1;
    }
    return 0;
  }
  for (const char* value : {lcAll, lcMessages, lang})
    if (value != nullptr && value[0] != '\0') return LanguageFromName(value);
  return 0;
}

int LocaleLanguage() {
  return LanguageFromLocale(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                            std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace platform
