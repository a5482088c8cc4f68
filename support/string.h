#pragma once
// The desk's own heap text: a buffer of length + 1 bytes, always terminated.
// Raises tString::tNoMemError when memory runs out and tString::tBadIndex
// when an index falls outside the text.
#include <cstdint>
#include <memory>

#include "support/errors.h"

class tString {
 public:
  BREVORA_DECLARE_ERROR(tNoMemError, tAnyError);
  BREVORA_DECLARE_ERROR(tBadIndex, tAnyError);

  tString();
  explicit tString(int32_t size);
  tString(const char* text);  // NOLINT: implicit from text, as the desk uses it
  tString(const tString& other);
  tString& operator=(const tString& other);
  virtual ~tString();

  void Allocate(int32_t size);
  void Clear();
  void Assign(const char* text);
  void Assign(const tString& other);
  void Append(const char* text);
  void Append(const tString& other);
  bool Equals(const tString& other) const;  // without regard to case
  char& operator[](int32_t index);
  char operator[](int32_t index) const;
  void Substring(const tString& source, int32_t first, int32_t count);
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Trim();
  bool IsEmpty() const { return m_pBuffer[0] == 0; }
  int32_t GetLength() const { return m_Length; }
  const char* GetText() const { return m_pBuffer.get(); }
  // For platform calls that fill the buffer with up to GetLength() characters.
  char* GetText() { return m_pBuffer.get(); }

 private:
  char& At(int32_t index) const;

  int32_t m_Length = 0;
  std::unique_ptr<char[]> m_pBuffer;  // always holds a terminated text
};

tString operator+(const tString& a, const tString& b);
