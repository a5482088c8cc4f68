#include "mix/event_list.h"

#include <strings.h>
#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "mix/output_rate.h"
#include "platform/hostfs.h"
#include "platform/profile.h"
#include "support/errors.h"

namespace {

const char* const kSection = "Brevora Mix";
const char* const kWords[7] = {"Play", "Stop", "Volume", "Balance", "Fx", "Pitch", "EndMix"};

// Lenient decimal: blanks, an optional sign, digits up to the first other character.
long long ParseDecimal(const std::string& text) {
  return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

const char* EventKindWord(int32_t kind) {
  return kind >= 0 && kind <= 6 ? kWords[kind] : nullptr;
}

tEventList::tEventList() {
  // A name of its own in the temporary folder, else in the user's runtime
  // folder, else in the content root: never a fixed name, which two desks
  // would share. Without any the path stays empty and every operation on
  // the working file fails.
  std::string dir;
  const bool made =
      (platform::TempDirectory(dir) && platform::CreateTempFile(dir, "mix", m_WorkingPath)) ||
      (platform::RuntimeDirectory(dir) && platform::CreateTempFile(dir, "mix", m_WorkingPath)) ||
      platform::CreateTempFile("C:\\", "mix", m_WorkingPath);
  if (!made) {
    m_WorkingPath.clear();
    LogMessage("Can not create the working file of the mix", false);
  }
}

tEventList::~tEventList() {
  Close();
  Reject();
  if (!m_WorkingPath.empty()) platform::DeleteFile(m_WorkingPath);
}

void tEventList::CloseLocked() {
  if (m_pStream != nullptr) {
    std::fflush(m_pStream);
    std::fclose(m_pStream);
    m_pStream = nullptr;
  }
}

void tEventList::Close() {
  tLock lock(m_Lock);
  CloseLocked();
}

bool tEventList::Record(uint32_t time, int32_t channel, int32_t kind, int32_t value) {
  tLock lock(m_Lock);
  if (m_pStream == nullptr) return false;
  uint32_t rate = OutputRate();
  unsigned long ms = rate != 0 ? static_cast<unsigned long>((uint64_t(time) * 1000u) / rate) : 0ul;
  int written = 0;
  if (const char* word = EventKindWord(kind)) {
    written = std::fprintf(m_pStream, "Time %08lu Channel %d %s %d\r\n", ms, channel, word, value);
  }
  m_HasRecording = true;
  return written > 0;
}

bool tEventList::ReadEventLine(uint64_t& ms, int32_t& channel, int32_t& kind, int32_t& value) {
  char line[260];
  for (;;) {
    if (std::fgets(line, sizeof line, m_pStream) == nullptr) return false;
    const char* text = line;
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    if (*text == 0) continue;  // white space between the lines
    unsigned long time = 0;
    int ch = 0, val = 0;
    char word[32] = {};
    int fields = std::sscanf(text, "Time %lu Channel %d %31s %d", &time, &ch, word, &val);
    if (fields <= 0) return false;  // a line of text that scans nothing ends the events
    if (fields < 4) continue;       // an incomplete line is skipped
    int32_t found = -1;
    for (int32_t k = 0; k < 7 && found < 0; ++k)
      if (strcasecmp(word, kWords[k]) == 0) found = k;
    if (found < 0) continue;  // an unknown kind word is skipped
    ms = time;
    channel = ch;
    kind = found;
    value = val;
    return true;
  }
}

bool tEventList::ReadNext(uint32_t& time, int32_t& channel, int32_t& kind, int32_t& value) {
  tLock lock(m_Lock);
  if (m_pStream == nullptr) return false;
  uint64_t ms = 0;
  if (!ReadEventLine(ms, channel, kind, value)) return false;
  time = static_cast<uint32_t>((ms * OutputRate()) / 1000u);
  return true;
}

bool tEventList::ReadLastTime(uint32_t& ms) {
  tLock lock(m_Lock);
  bool found = false;
  if (OpenForReading() && Rewind()) {
    uint64_t time = 0;
    int32_t channel, kind, value;
    while (ReadEventLine(time, channel, kind, value)) {
      ms = static_cast<uint32_t>(std::min<uint64_t>(time, UINT32_MAX));
      found = true;
    }
  }
  CloseLocked();
  return found;
}

bool tEventList::Rewind() {
  tLock lock(m_Lock);
  if (m_pStream == nullptr) return false;
  if (std::fseek(m_pStream, 0, SEEK_SET) != 0) return false;
  // The header is every line up to the first that is none of: blank, a
  // comment, a section or a key line. A line may be longer than the buffer
  // (a long channel-file path); only its start tells what it is.
  char line[260];
  for (;;) {
    const long start = std::ftell(m_pStream);
    if (std::fgets(line, sizeof line, m_pStream) == nullptr) return true;
    const char* text = line;
    while (*text == ' ' || *text == '\t') ++text;
    const bool header = *text == '\r' || *text == '\n' || *text == 0 || *text == ';' ||
                        *text == '[' || std::strchr(text, '=') != nullptr;
    if (!header) return start >= 0 && std::fseek(m_pStream, start, SEEK_SET) == 0;
    while (std::strchr(line, '\n') == nullptr) {
      if (std::fgets(line, sizeof line, m_pStream) == nullptr) return true;
    }
  }
}

bool tEventList::OpenForReading() {
  tLock lock(m_Lock);
  CloseLocked();
  if (m_WorkingPath.empty()) return false;
  m_pStream = platform::OpenStream(m_WorkingPath, "rb");
  return m_pStream != nullptr;
}

bool tEventList::Clear() {
  tLock lock(m_Lock);
  CloseLocked();
  m_HasRecording = false;
  if (m_WorkingPath.empty()) return false;
  m_pStream = platform::OpenStream(m_WorkingPath, "wb");
  if (m_pStream == nullptr) return false;
  bool ok = std::fputs("[Brevora Mix]\r\nAuthor=User\r\nVersion=3\r\nBPM=\r\nLength=\r\n",
                       m_pStream) >= 0;
  for (int i = 0; i < 16 && ok; ++i) {
    int n = i + 1;
    ok = std::fprintf(m_pStream, "Label_%02d=\r\nSerNum_%02d=\r\nSample_%02d=\r\n", n, n, n) > 0;
  }
  ok = std::fflush(m_pStream) == 0 && ok;
  return ok;
}

std::string tEventList::ReadKey(const char* key, const char* def, size_t size) {
  tLock lock(m_Lock);
  CloseLocked();
  if (m_WorkingPath.empty()) return def;
  return platform::ReadProfileString(m_WorkingPath, kSection, key, def, size);
}

bool tEventList::WriteKey(const char* key, const char* value) {
  tLock lock(m_Lock);
  CloseLocked();
  if (m_WorkingPath.empty()) return false;
  bool ok = platform::WriteProfileString(m_WorkingPath, kSection, key, value);
  platform::FlushProfile(m_WorkingPath);
  return ok;
}

void tEventList::ReadSample(int32_t channel, char* buffer) {
  char key[32];
  std::snprintf(key, sizeof key, "Sample_%02d", channel + 1);
  std::string v = ReadKey(key, "", 260);
  std::memcpy(buffer, v.c_str(), v.size() + 1);
}

void tEventList::ReadLabel(int32_t channel, char* buffer) {
  char key[32];
  std::snprintf(key, sizeof key, "Label_%02d", channel + 1);
  std::string v = ReadKey(key, "", 260);
  std::memcpy(buffer, v.c_str(), v.size() + 1);
}

void tEventList::ReadSerial(int32_t channel, uint32_t& serial) {
  char key[32];
  std::snprintf(key, sizeof key, "SerNum_%02d", channel + 1);
  serial = static_cast<uint32_t>(ParseDecimal(ReadKey(key, "", 50)));
}

void tEventList::ReadTempo(int32_t& tempo) {
  tempo = static_cast<int32_t>(ParseDecimal(ReadKey("BPM", "130", 10)));
}

void tEventList::ReadVersion(int32_t& version) {
  version = static_cast<int32_t>(ParseDecimal(ReadKey("Version", "0", 10)));
}

bool tEventList::ReadLength(int32_t& length) {
  const long long stored = ParseDecimal(ReadKey("Length", "0", 10));
  const bool valid = stored >= 0 && stored <= kMaxMixSeconds;
  length = valid ? static_cast<int32_t>(stored) : 0;
  return valid;
}

bool tEventList::WriteSample(int32_t channel, const char* path) {
  char key[32];
  std::snprintf(key, sizeof key, "Sample_%02d", channel + 1);
  return WriteKey(key, path);
}

bool tEventList::WriteLabel(int32_t channel, const char* label) {
  char key[32];
  std::snprintf(key, sizeof key, "Label_%02d", channel + 1);
  return WriteKey(key, label);
}

bool tEventList::WriteSerial(int32_t channel, uint32_t serial) {
  char key[32], value[16] = "";
  std::snprintf(key, sizeof key, "SerNum_%02d", channel + 1);
  // Written as a signed decimal, as the mix format always has; 0 is empty.
  if (serial != 0) std::snprintf(value, sizeof value, "%ld", long(int32_t(serial)));
  return WriteKey(key, value);
}

bool tEventList::WriteTempo(int32_t tempo) {
  char value[16];
  std::snprintf(value, sizeof value, "%d", tempo);
  return WriteKey("BPM", value);
}

bool tEventList::WriteVersion(int32_t version) {
  char value[16];
  std::snprintf(value, sizeof value, "%d", version);
  return WriteKey("Version", value);
}

bool tEventList::WriteLength(int32_t length) {
  char value[16];
  std::snprintf(value, sizeof value, "%d", length);
  return WriteKey("Length", value);
}

bool tEventList::LoadFrom(const char* path) {
  tLock lock(m_Lock);
  CloseLocked();
  Reject();
  // The candidate lies beside the working file, so that accepting it is a
  // rename within one folder.
  const size_t slash = m_WorkingPath.rfind('\\');
  if (slash == std::string::npos ||
      !platform::CreateTempFile(m_WorkingPath.substr(0, slash + 1), "mix", m_Candidate)) {
    m_Candidate.clear();
    return false;
  }
  // A mix copied from a read-only medium stays writable.
  if (!platform::CopyFile(path, m_Candidate) || !platform::ClearReadOnly(m_Candidate)) {
    Reject();
    m_MixName.Clear();
    return false;
  }
  m_CandidateSource = path;
  FILE* check = platform::OpenStream(m_Candidate, "rb");
  if (check == nullptr) {
    Reject();
    return false;
  }
  std::fclose(check);
  return true;
}

bool tEventList::Accept() {
  tLock lock(m_Lock);
  if (m_Candidate.empty()) return false;
  CloseLocked();
  std::string candidate = m_Candidate;
  m_Candidate.clear();
  // Both files lie in the temporary folder: a rename replaces the working file at once.
  if (!platform::ReplaceFile(candidate, m_WorkingPath) &&
      !platform::CopyFile(candidate, m_WorkingPath)) {
    platform::DeleteFile(candidate);
    return false;
  }
  platform::DeleteFile(candidate);
  m_MixName.Assign(m_CandidateSource.c_str());
  int32_t length = 0;
  // A length that is no length still names a recording.
  m_HasRecording = !ReadLength(length) || length != 0;
  return true;
}

void tEventList::Reject() {
  tLock lock(m_Lock);
  if (!m_Candidate.empty()) platform::DeleteFile(m_Candidate);
  m_Candidate.clear();
}

bool tEventList::SaveTo(const char* path) {
  tLock lock(m_Lock);
  CloseLocked();
  if (m_WorkingPath.empty()) return false;
  // The copy is made beside the target and renamed over it. It takes the
  // permissions of the file it replaces, or a new file's, never the private
  // ones of the working file.
  bool ok = false;
  std::string full, temp;
  if (path != nullptr && platform::FullPath(path, full) &&
      platform::CreateTempFile(full.substr(0, full.rfind('\\') + 1), ".mix", temp)) {
    ok = platform::CopyFile(m_WorkingPath, temp);
    if (ok && !platform::CopyPermissions(full, temp)) ok = platform::SetNewFilePermissions(temp);
    ok = ok && platform::ReplaceFile(temp, full);
    if (!ok) platform::DeleteFile(temp);
  }
  m_pStream = platform::OpenStream(m_WorkingPath, "rb");
  return ok;
}
