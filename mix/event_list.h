#pragma once
// The event list: the current mix in a temporary working file. Its first part
// is an initialisation-file header (version, tempo, length and the sixteen
// channel files); recorded events follow as text lines such as
// "Time 00001500 Channel 3 Volume 80". Recording appends lines, playback and
// export read them back; the header is edited in place.
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/lock.h"
#include "support/string.h"

enum EventKind : int32_t {
  kPlay = 0,
  kStop = 1,
  kVolume = 2,
  kBalance = 3,
  kFx = 4,
  kPitch = 5,
  kEndMix = 6,
};

struct tEvent {
  uint32_t time = 0xFFFFFFFFu;  // engine clock frames; 0xFFFFFFFF = none
  int32_t channel = 0;
  int32_t kind = kPlay;
  int32_t value = 0;
};

// The longest mix length in seconds: its end, one second later, is still a
// time of the engine clock (a 32-bit frame count) at 44100 Hz.
constexpr int32_t kMaxMixSeconds = 97390;

class tEventList {
 public:
  tEventList();
  tEventList(const tEventList&) = delete;
  tEventList& operator=(const tEventList&) = delete;
  ~tEventList();

  // ---- recording and reading: times in engine frames at the output rate,
  //      milliseconds in the file ----
  bool Record(uint32_t time, int32_t channel, int32_t kind, int32_t value);
  // The next event. Blank lines are skipped, as are lines that scan only in
  // part or name no kind; a line of other text ends the events.
  bool ReadNext(uint32_t& time, int32_t& channel, int32_t& kind, int32_t& value);
  // Places the stream at the first event line: after the header's section,
  // key, comment and blank lines, however many there are.
  bool Rewind();
  bool OpenForReading();
  void Close();
  bool HasRecording() const { return m_HasRecording; }

  // ---- the mix file ----
  bool Clear();
  void ReadSample(int32_t channel, char* buffer);  // 260 bytes
  void ReadLabel(int32_t channel, char* buffer);   // 260 bytes
  void ReadSerial(int32_t channel, uint32_t& serial);
  void ReadTempo(int32_t& tempo);
  void ReadVersion(int32_t& version);
  // The stored length in seconds. A length that is negative or longer than
  // kMaxMixSeconds is no length: 0, and the result is false.
  bool ReadLength(int32_t& length);
  // The time in milliseconds of the last event that playback would reach;
  // false when there is none.
  bool ReadLastTime(uint32_t& ms);
  bool WriteSample(int32_t channel, const char* path);
  bool WriteLabel(int32_t channel, const char* label);
  bool WriteSerial(int32_t channel, uint32_t serial);
  bool WriteTempo(int32_t tempo);
  bool WriteVersion(int32_t version);
  bool WriteLength(int32_t length);

  // Loading is checked before the working file is replaced: LoadFrom copies
  // the file into a candidate working file; the caller checks the candidate
  // (CandidatePath) and then keeps it (Accept) or drops it (Reject). Until
  // Accept the working file, and with it an unsaved recording, is untouched.
  // Accept is false (the candidate dropped, the working file as it was) when
  // the candidate cannot take the working file's place.
  bool LoadFrom(const char* path);
  const std::string& CandidatePath() const { return m_Candidate; }
  bool Accept();
  void Reject();
  // Copies the working file to path through a temporary file beside it.
  bool SaveTo(const char* path);

  // Empty when no folder would take the working file.
  const std::string& WorkingPath() const { return m_WorkingPath; }
  const tString& MixName() const { return m_MixName; }

 private:
  std::string ReadKey(const char* key, const char* def, size_t size);
  bool WriteKey(const char* key, const char* value);
  void CloseLocked();
  // The next event line of the stream, its time in milliseconds.
  bool ReadEventLine(uint64_t& ms, int32_t& channel, int32_t& kind, int32_t& value);

  tCriticalSection m_Lock;
  FILE* m_pStream = nullptr;
  bool m_HasRecording = false;
  std::string m_WorkingPath;
  std::string m_Candidate;
  std::string m_CandidateSource;
  tString m_MixName;
};

// The kind word of an event line ("Play", "Stop", ... "EndMix"), or null.
const char* EventKindWord(int32_t kind);
