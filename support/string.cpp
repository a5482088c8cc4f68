#include "support/string.h"

#include <strings.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

tString::tString() {
  Allocate(0);
}

tString::tString(int32_t size) {
  Allocate(size);
}

tString::tString(const char* text) {
  const char* t = text != nullptr ? text : "";
  Allocate(static_cast<int32_t>(std::strlen(t)));
  std::memcpy(m_pBuffer.get(), t, static_cast<size_t>(m_Length) + 1);
}

tString::tString(const tString& other) {
  Allocate(other.m_Length);
  std::memcpy(m_pBuffer.get(), other.m_pBuffer.get(), static_cast<size_t>(m_Length));
  m_pBuffer[m_Length] = 0;
}

tString& tString::operator=(const tString& other) {
  if (this != &other) {
    Allocate(other.m_Length);
    std::memcpy(m_pBuffer.get(), other.m_pBuffer.get(), static_cast<size_t>(m_Length));
    m_pBuffer[m_Length] = 0;
  }
  return *this;
}

tString::~tString() = default;

void tString::Allocate(int32_t size) {
  m_pBuffer.reset();
  m_Length = 0;
  std::unique_ptr<char[]> buffer(size >= 0 ? new (std::nothrow) char[static_cast<size_t>(size) + 1]
                                           : nullptr);
  if (buffer == nullptr) {
    // Keep the invariant (a terminated buffer) before reporting.
    m_pBuffer = std::make_unique<char[]>(1);
    throw tNoMemError("Could not allocate string buffer. (size=%d)", size);
  }
  m_Length = size;
  m_pBuffer = std::move(buffer);
  m_pBuffer[0] = 0;
}

void tString::Clear() {
  Allocate(0);
}

void tString::Assign(const char* text) {
  const char* t = text != nullptr ? text : "";
  if (std::strcmp(t, m_pBuffer.get()) == 0) return;
  // text may point into this string's own buffer.
  size_t len = std::strlen(t);
  std::unique_ptr<char[]> copy(new (std::nothrow) char[len + 1]);
  if (copy == nullptr) throw tNoMemError("Could not allocate string buffer. (size=%d)", int(len));
  std::memcpy(copy.get(), t, len + 1);
  m_pBuffer = std::move(copy);
  m_Length = static_cast<int32_t>(len);
}

void tString::Assign(const tString& other) {
  Assign(other.m_pBuffer.get());
}

void tString::Append(const char* text) {
  const char* t = text != nullptr ? text : "";
  size_t own = std::strlen(m_pBuffer.get());
  size_t add = std::strlen(t);
  size_t newLength = static_cast<size_t>(m_Length) + add;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[newLength + 1]);
  if (buffer == nullptr) throw tNoMemError("No memory for temporary string buffer");
  std::memcpy(buffer.get(), m_pBuffer.get(), own);
  std::memcpy(buffer.get() + own, t, add);
  buffer[own + add] = 0;
  m_pBuffer = std::move(buffer);
  m_Length = static_cast<int32_t>(newLength);
}

void tString::Append(const tString& other) {
  if (&other == this) {
    tString copy(other);
    Append(copy.m_pBuffer.get());
  } else {
    Append(other.m_pBuffer.get());
  }
}

bool tString::Equals(const tString& other) const {
  return strcasecmp(m_pBuffer.get(), other.m_pBuffer.get()) == 0;
}

char& tString::At(int32_t index) const {
  if (index < 0) throw tBadIndex("Illegal indexing in string ( %d < 0 )", index);
  if (index >= m_Length) throw tBadIndex("Illegal indexing in string ( %d >= Length )", index);
  return m_pBuffer[index];
}

char& tString::operator[](int32_t index) {
  return At(index);
}
char tString::operator[](int32_t index) const {
  return At(index);
}

void tString::Substring(const tString& source, int32_t first, int32_t count) {
  if (first < 0) throw tBadIndex("Illegal indexing in string ( %d < 0 )", first);
  if (count < 0 || first > source.m_Length ||
      static_cast<int64_t>(first) + count > source.m_Length) {
    throw tBadIndex("Substring first=%d sub=%d len=%d", first, count, source.m_Length);
  }
  tString result(count);
  for (int32_t i = 0; i < count; ++i) result.m_pBuffer[i] = source[first + i];
  result.m_pBuffer[count] = 0;
  *this = result;
}

void tString::Format(const char* format, ...) {
  size_t size = 100;
  std::unique_ptr<char[]> scratch;
  for (;;) {
    scratch.reset(new (std::nothrow) char[size + 1]);
    if (scratch == nullptr) throw tNoMemError("No memory for string.");
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(scratch.get(), size + 1, format, args);
    va_end(args);
    if (n >= 0 && static_cast<size_t>(n) <= size) break;
    if (n < 0) {
      scratch[0] = 0;
      break;
    }
    size *= 2;
  }
  size_t len = std::strlen(scratch.get());
  Allocate(static_cast<int32_t>(len));
  std::memcpy(m_pBuffer.get(), scratch.get(), len + 1);
}

void tString::Trim() {
  size_t len = std::strlen(m_pBuffer.get());
  if (len >= static_cast<size_t>(m_Length)) return;
  tString copy(m_pBuffer.get());
  *this = copy;
}

tString operator+(const tString& a, const tString& b) {
  tString result(a);
  result.Append(b);
  return result;
}
