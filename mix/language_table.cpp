#include "mix/language_table.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/hostfs.h"
#include "platform/profile.h"

namespace {

struct tLanguage {
  const char* name;
  const char* shortName;
};

const tLanguage kLanguages[6] = {{"Engels", "Eng"}, {"Nederlands", "Ned"}, {"Frans", "Fra"},
                                 {"Duits", "Dui"},  {"Italiaans", "Ita"},  {"Spaans", "Spa"}};

}  // namespace

tLanguageTable& LanguageTable() {
  static tLanguageTable table;
  return table;
}

void tLanguageTable::LoadLanguageTable(const char* fileName) {
  std::snprintf(m_FileName, sizeof m_FileName, "%s", fileName != nullptr ? fileName : "");
}

void tLanguageTable::SelectLanguage(int32_t number) {
  if (number >= 1 && number <= 6) {
    m_Number = number;
    std::snprintf(m_LanguageName, sizeof m_LanguageName, "%s", kLanguages[number - 1].name);
    std::snprintf(m_ShortName, sizeof m_ShortName, "%s", kLanguages[number - 1].shortName);
  } else {
    m_Number = 0;
    m_LanguageName[0] = 0;
    m_ShortName[0] = 0;
  }
}

const char* tLanguageTable::LookupText(const char* key) {
  std::snprintf(m_Result, sizeof m_Result, "%s", "ERROR-Lng not set!");
  if (m_Number == 0) return m_Result;
  std::snprintf(m_Result, sizeof m_Result, "ERROR-Not found! %s", key);
  std::string path = platform::CurrentDirectory().substr(0, platform::kMaxPath);
  if (path.empty() || path.back() != '\\') path += '\\';
  path += m_FileName;
  std::string text =
      platform::ReadProfileString(path, m_LanguageName, key, m_Result, sizeof m_Result);
  std::snprintf(m_Result, sizeof m_Result, "%s", text.c_str());
  return m_Result;
}
