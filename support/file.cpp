#include "support/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/hostfs.h"
#include "platform/last_error.h"

tFile::~tFile() {
  Close();
}

void tFile::Open(const char* name, uint32_t mode) {
  Close();
  ASSUME(name != NULL);
  const char* safeName = name != nullptr ? name : "";
  ASSUME_TEXT(*safeName != 0, "*name != 0");
  size_t len = std::strlen(safeName);
  m_pName = std::make_unique<char[]>(len + 1);
  std::memcpy(m_pName.get(), safeName, len + 1);
  m_Mode = mode;
  int flags = (mode & 3) == kWrite ? O_WRONLY : (mode & 3) == kReadWrite ? O_RDWR : O_RDONLY;
  if (mode & kCreate) flags |= O_CREAT | O_TRUNC;
  if (len == 0) {
    errno = ENOENT;
  } else {
    m_hFile = platform::OpenDescriptor(safeName, flags);
    if (m_hFile == kClosed && errno == 0) errno = ENOENT;
  }
  if (m_hFile == kClosed) throw tOpenError("Failed to open file '%s' (%s)", safeName, ErrnoText());
  off_t here = lseek(m_hFile, 0, SEEK_CUR);
  off_t end = lseek(m_hFile, 0, SEEK_END);
  lseek(m_hFile, here, SEEK_SET);
  m_Size = static_cast<int32_t>(end);
}

void tFile::Close() {
  if (m_hFile != kClosed) close(m_hFile);
  m_hFile = kClosed;
  m_pName.reset();
  m_Mode = 0;
  m_Size = 0;
}

int32_t tFile::GetPosition() {
  ASSUME(m_hFile != HFILE_ERROR);
  off_t pos = lseek(m_hFile, 0, SEEK_CUR);
  if (pos < 0) {
    platform::SetLastErrorFromErrno();
    throw tError("Failed to get current position in %s (%s)", GetName(), ErrnoText());
  }
  return static_cast<int32_t>(pos);
}

void tFile::Seek(int32_t offset, int origin) {
  ASSUME(m_hFile != HFILE_ERROR);
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  if (lseek(m_hFile, offset, whence) < 0) {
    platform::SetLastErrorFromErrno();
    throw tError("Failed to seek to %d on '%s' (%s)", offset, GetName(), ErrnoText());
  }
}

int32_t tFile::Read(void* buffer, int32_t count) {
  ASSUME(m_hFile != HFILE_ERROR);
  ssize_t n;
  do {
    n = read(m_hFile, buffer, count > 0 ? static_cast<size_t>(count) : 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    platform::SetLastErrorFromErrno();
    throw tReadError("Read error on '%s' (%s)", GetName(), ErrnoText());
  }
  return static_cast<int32_t>(n);
}

int32_t tFile::Write(const void* buffer, int32_t count) {
  ASSUME(m_hFile != HFILE_ERROR);
  ssize_t n;
  do {
    n = write(m_hFile, buffer, count > 0 ? static_cast<size_t>(count) : 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    platform::SetLastErrorFromErrno();
    throw tWriteError("Write error on '%s' (%s)", GetName(), ErrnoText());
  }
  return static_cast<int32_t>(n);
}

void tFile::Printf(const char* format, ...) {
  char text[260];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  Write(text, static_cast<int32_t>(std::strlen(text)));
}

bool tFile::ReadLine(char* buffer, int32_t maximum) {
  if (maximum <= 0) return false;
  // The last byte of the buffer is kept for the terminator, so the text is
  // always terminated even when the line is longer than the buffer.
  for (int32_t i = 0; i < maximum - 1; ++i) {
    if (Read(&buffer[i], 1) != 1) {
      buffer[i] = 0;
      return false;
    }
    if (i >= 1 && buffer[i - 1] == '\r' && buffer[i] == '\n') {
      buffer[i - 1] = 0;
      return GetPosition() < m_Size;
    }
  }
  buffer[maximum - 1] = 0;
  return true;
}
