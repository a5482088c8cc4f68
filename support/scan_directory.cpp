#include "support/scan_directory.h"

#include <cstring>

void tScanDirectory::Enter(const char* pattern) {
  std::string text(pattern != nullptr ? pattern : "");
  if (text.size() > platform::kMaxPath) text.resize(platform::kMaxPath);
  size_t sep = text.find_last_of("\\/:");
  if (sep == std::string::npos) {
    Enter(text.c_str(), "*");
    return;
  }
  std::string directory = text.substr(0, sep);
  // "C:" alone would name the drive's current directory; its root is meant.
  if (text[sep] == ':' || (directory.size() == 2 && directory[1] == ':')) directory += '\\';
  if (directory.empty()) directory = "\\";
  Enter(directory.c_str(), text.substr(sep + 1).c_str());
}

void tScanDirectory::Enter(const char* directory, const char* mask) {
  Leave();
  m_SavedDirectory = platform::CurrentDirectory();
  if (!platform::SetCurrentDirectory(directory)) {
    throw tError("tScanDirectory::Enter => Failed to change to directory '%s'\n", directory);
  }
  if (!m_Search.Start(".", mask)) {
    throw tError("tScanDirectory::Enter => Failed to read directory '%s\\%s'\n", directory, mask);
  }
  m_Searching = true;
  m_Valid = true;
  if (std::strcmp(GetName(), ".") == 0) Next();
  if (m_Valid && std::strcmp(GetName(), "..") == 0) Next();
}

void tScanDirectory::Next() {
  if (m_Valid) m_Valid = m_Search.Next();
}

void tScanDirectory::Leave() {
  if (!m_SavedDirectory.empty()) platform::SetCurrentDirectory(m_SavedDirectory);
  if (m_Searching) m_Search.Close();
  m_SavedDirectory.clear();
  m_Searching = false;
  m_Valid = false;
}
