#include "support/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/hostfs.h"
#include "platform/last_error.h"
#include "platform/trace.h"
#include "support/win_error_names.h"

namespace {

char g_LogPath[260];

// Computes the path before main runs, as the log must work from the first error.
struct tLogPathInit {
  tLogPathInit() { ComputeErrorLogPath(); }
} g_LogPathInit;

// Copies src into dst (capacity bytes), always terminating.
void CopyBounded(char* dst, size_t capacity, const char* src) {
  std::snprintf(dst, capacity, "%s", src);
}

// Appends a line break, cutting the text's last character when the buffer
// is full.
void AppendLineBreak(char* text, size_t capacity) {
  size_t len = std::strlen(text);
  if (len + 1 >= capacity) len = capacity - 2;
  text[len] = '\n';
  text[len + 1] = 0;
}

// An environment variable that is set and not empty, else null.
const char* NonEmptyEnv(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? value : nullptr;
}

}  // namespace

void ComputeErrorLogPath() {
  const char* dir = NonEmptyEnv("TMP");
  if (dir == nullptr) dir = NonEmptyEnv("TEMP");
  if (dir == nullptr) dir = ".";
  CopyBounded(g_LogPath, sizeof g_LogPath, dir);
  size_t len = std::strlen(g_LogPath);
  if (len == 0 || (g_LogPath[len - 1] != '/' && g_LogPath[len - 1] != ':')) {
    if (len + 1 < sizeof g_LogPath) {
      g_LogPath[len] = '/';
      g_LogPath[len + 1] = 0;
    }
  }
  std::strncat(g_LogPath, "Errors.log", sizeof g_LogPath - std::strlen(g_LogPath) - 1);
}

const char* ErrorLogPath() {
  return g_LogPath;
}

void LogMessage(const char* text, bool echo) {
  int savedErrno = errno;
  // Written through a temporary file, so a log that cannot be written keeps
  // the message before.
  if (!platform::WriteHostFileAtomically(g_LogPath, std::string(text) + "\n")) {
    char report[400];
    std::snprintf(report, sizeof report, "*** Failed to write to log file '%s' (code %d)\n",
                  g_LogPath, errno);
    platform::DebugOutput(report);
  }
  if (echo) platform::DebugOutput(text);
  errno = savedErrno;
}

void AssumptionFailed(const char* condition, const char* file, int line) {
  char text[256];
  std::snprintf(text, sizeof text, "Assumption '%s' failed in file '%s' line %d\n", condition, file,
                line);
  LogMessage(text, true);
}

tAnyError::tAnyError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Compose(format, args);
  va_end(args);
}

void tAnyError::Compose(const char* format, va_list args) {
  std::vsnprintf(m_Text, sizeof m_Text, format, args);
  AppendLineBreak(m_Text, sizeof m_Text);
  LogMessage(m_Text, false);
}

void tAnyError::ComposeDecorated(const char* format, va_list args) {
  uint32_t code = platform::LastErrorCode();
  char scratch[100];
  std::vsnprintf(scratch, sizeof scratch, format, args);
  std::snprintf(m_Text, sizeof m_Text, "%s\n(%s/%d/%d)\n", scratch, WinErrorName(code),
                static_cast<int>((code >> 16) & 0x1FFF), static_cast<int>(code & 0xFFFF));
  // A decoration cut by the buffer still ends its line.
  if (m_Text[std::strlen(m_Text) - 1] != '\n') AppendLineBreak(m_Text, sizeof m_Text);
  LogMessage(m_Text, false);
}

const char* ErrnoText() {
  static thread_local char text[256];
  CopyBounded(text, sizeof text, std::strerror(errno));
  for (size_t i = std::strlen(text); i > 1; --i) {
    if (text[i - 1] != '\r' && text[i - 1] != '\n') break;
    text[i - 1] = 0;
  }
  return text;
}

bool FileExists(const char* name) {
  return platform::CanOpenForReading(name);
}

bool RemoveFile(const char* name) {
  return platform::DeleteFile(name);
}

const char* WinErrorName(uint32_t code) {
  const uint32_t sought = code & 0x7FFFFFFFu;
  for (const tErrorName* e = g_ErrorNames; e->name != nullptr; ++e) {
    if ((e->code & 0x7FFFFFFFu) == sought) return e->name;
  }
  return "<unknown>";
}
