#pragma once
// The exception family of fatal conditions, the error log and assumptions.
//
// Every error object holds exactly one text of at most 99 characters, composed
// printf-style where the failure happens and written to the error log the
// moment the object is built. The classes add no data and have no virtual
// operations, so a thrown object is a plain 100-byte value. Building an error,
// logging and a failed assumption never throw.
#include <cstdarg>
#include <cstdint>

class tAnyError {
 public:
  tAnyError(const char* format, ...) __attribute__((format(printf, 2, 3)));
  const char* GetText() const { return m_Text; }

 protected:
  tAnyError() { m_Text[0] = 0; }
  // Formats, appends the line break and logs: the plain error text.
  void Compose(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
  // Formats into a scratch text and decorates it with the thread's last
  // error code: "%s\n(%s/%d/%d)\n".
  void ComposeDecorated(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

  char m_Text[100];
};

// Declares an error class with a printf-style constructor. Usable at
// namespace scope and inside a class body (for nested error classes).
#define BREVORA_DECLARE_ERROR(Name, Base)                                 \
  class Name : public Base {                                              \
   public:                                                                \
    Name(const char* format, ...) __attribute__((format(printf, 2, 3))) { \
      va_list args;                                                       \
      va_start(args, format);                                             \
      Compose(format, args);                                              \
      va_end(args);                                                       \
    }                                                                     \
                                                                          \
   protected:                                                             \
    Name() = default;                                                     \
  }

// The same for classes below tWinError, whose text carries the last error.
#define BREVORA_DECLARE_WIN_ERROR(Name, Base)                             \
  class Name : public Base {                                              \
   public:                                                                \
    Name(const char* format, ...) __attribute__((format(printf, 2, 3))) { \
      va_list args;                                                       \
      va_start(args, format);                                             \
      ComposeDecorated(format, args);                                     \
      va_end(args);                                                       \
    }                                                                     \
                                                                          \
   protected:                                                             \
    Name() = default;                                                     \
  }

BREVORA_DECLARE_ERROR(tError, tAnyError);
BREVORA_DECLARE_WIN_ERROR(tWinError, tAnyError);

static_assert(sizeof(tAnyError) == 100, "an error object is its 100-byte text");

// The error log: one file "Errors.log" in the directory named by TMP, else
// TEMP, else ".". Each message replaces the previous one.
const char* ErrorLogPath();
// Computes the log path from the environment again (done once at start-up).
void ComputeErrorLogPath();
void LogMessage(const char* text, bool echo);

// A failed assumption is logged and echoed to the debugger output; the
// program goes on as if it had held.
void AssumptionFailed(const char* condition, const char* file, int line);
#define ASSUME(condition) \
  ((condition) ? (void)0 : AssumptionFailed(#condition, __FILE_NAME__, __LINE__))
// The same with the text the log is to show for the condition, where it
// differs from the formatted source ("strlen(buffer)==16").
#define ASSUME_TEXT(condition, text) \
  ((condition) ? (void)0 : AssumptionFailed(text, __FILE_NAME__, __LINE__))

// The symbolic name of a system error code, or "<unknown>". Bit 31 is
// ignored on both sides of the comparison.
const char* WinErrorName(uint32_t code);

// The C library's text for the current errno, without trailing line breaks.
const char* ErrnoText();

// True when the file (a path in the system's form) can be opened for reading.
bool FileExists(const char* name);
// Deletes the file; true on success.
bool RemoveFile(const char* name);
