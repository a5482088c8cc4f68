#pragma once
// The language table: every text the desk shows in its message box comes
// from "data\Language.txt", one section per language, looked up by key in the
// selected language. The file is read afresh on every lookup.
#include <cstdint>

class tLanguageTable {
 public:
  void LoadLanguageTable(const char* fileName);
  void SelectLanguage(int32_t number);
  // The text for key; valid until the next lookup.
  const char* LookupText(const char* key);
  int32_t LanguageNumber() const { return m_Number; }
  const char* LanguageShortName() const { return m_ShortName; }
  const char* LanguageName() const { return m_LanguageName; }

 private:
  char m_FileName[260] = {};
  int32_t m_Number = 0;
  char m_LanguageName[100] = {};
  char m_ShortName[6] = {};
  char m_Result[250] = {};
};

// The program's one language table.
tLanguageTable& LanguageTable();
