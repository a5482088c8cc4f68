#pragma once
// A binary file with position, size and formatted output. Paths are desk
// paths; failures raise the tFile errors.
#include <cstdint>
#include <memory>

#include "support/errors.h"

class tFile {
 public:
  BREVORA_DECLARE_ERROR(tError, tAnyError);
  BREVORA_DECLARE_ERROR(tOpenError, tError);
  BREVORA_DECLARE_ERROR(tReadError, tError);
  BREVORA_DECLARE_ERROR(tWriteError, tError);

  // Open modes; combine an access mode with kCreate to create or truncate.
  static constexpr uint32_t kRead = 0;
  static constexpr uint32_t kWrite = 1;
  static constexpr uint32_t kReadWrite = 2;
  static constexpr uint32_t kCreate = 0x1000;
  static constexpr int kClosed = -1;
  static constexpr int HFILE_ERROR = kClosed;

  tFile() = default;
  tFile(const tFile&) = delete;
  tFile& operator=(const tFile&) = delete;
  virtual ~tFile();

  virtual void Open(const char* name, uint32_t mode);
  virtual void Close();
  virtual int32_t GetSize() const { return m_Size; }
  virtual int32_t GetPosition();
  virtual void Seek(int32_t offset, int origin);
  virtual int32_t Read(void* buffer, int32_t count);
  virtual int32_t Write(const void* buffer, int32_t count);
  virtual void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Reads one line ended by CR LF into buffer (maximum bytes, terminator
  // included). True when more of the file follows.
  bool ReadLine(char* buffer, int32_t maximum);

  bool IsOpen() const { return m_hFile != kClosed; }
  const char* GetName() const { return m_pName != nullptr ? m_pName.get() : ""; }

 private:
  int m_hFile = kClosed;
  std::unique_ptr<char[]> m_pName;
  uint32_t m_Mode = 0;
  int32_t m_Size = 0;
};
