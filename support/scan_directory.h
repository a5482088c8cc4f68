#pragma once
// Iterates over the entries of a directory that match a mask. The scan
// changes into the directory while it runs and restores the previous current
// directory when it ends.
#include <string>

#include "platform/hostfs.h"
#include "support/errors.h"

class tScanDirectory {
 public:
  BREVORA_DECLARE_WIN_ERROR(tError, tWinError);

  tScanDirectory() = default;
  tScanDirectory(const tScanDirectory&) = delete;
  tScanDirectory& operator=(const tScanDirectory&) = delete;
  ~tScanDirectory() { Leave(); }

  // "C:\Samples\*.wav" scans C:\Samples for *.wav; "Samples" scans Samples for *.
  void Enter(const char* pattern);
  void Enter(const char* directory, const char* mask);
  void Next();
  void Leave();

  bool IsValid() const { return m_Valid; }
  const char* GetName() const { return m_Search.Valid() ? m_Search.Current().name.c_str() : ""; }
  bool IsDirectory() const { return m_Search.Valid() && m_Search.Current().directory; }

 private:
  platform::DirectorySearch m_Search;
  std::string m_SavedDirectory;  // empty when none
  bool m_Searching = false;
  bool m_Valid = false;
};
