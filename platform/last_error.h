#pragma once
// The calling thread's last-error value. Recoverable failures of the audio
// classes and of the host services leave a code here; tWinError decorates its
// text with it.
//
// The codes are the desk's contract: error texts show them and the error
// names table spells them, so they keep the numbering of the desktop system
// the desk's files come from. Every code the desk sets is named in the table
// below; code sets these names, never bare numbers.
#include <cstdint>

namespace platform {

// ---- host files, folders and memory ----
inline constexpr uint32_t kErrorNone = 0;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidDrive = 15;
inline constexpr uint32_t kErrorNotSameDevice = 17;
inline constexpr uint32_t kErrorNoMoreFiles = 18;
inline constexpr uint32_t kErrorNotReady = 21;  // the device is not ready
inline constexpr uint32_t kErrorGeneralFailure = 31;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorDirectoryNotEmpty = 145;
inline constexpr uint32_t kErrorBadPathName = 161;  // a network path
inline constexpr uint32_t kErrorFileNameTooLong = 206;
inline constexpr uint32_t kErrorIoDevice = 1117;

// ---- the timer ----
inline constexpr uint32_t kErrorTimerNoCanDo = 97;  // the timer cannot do what was asked

// ---- wave files ----
inline constexpr uint32_t kErrorWaveOpen = 0x80002;    // the file could not be opened
inline constexpr uint32_t kErrorWaveMemory = 0x80008;  // no memory for its samples
// Not a wave the engine can hold, a required chunk missing, or no complete
// frame of data.
inline constexpr uint32_t kErrorWaveFormat = 0x8000B;
inline constexpr uint32_t kErrorWaveTruncated = 0x8001E;  // ended before its announced bytes

// ---- the sound device, as the speaker reports it ----
inline constexpr uint32_t kErrorSoundFailed = 0x80004005;        // general failure
inline constexpr uint32_t kErrorSoundInvalidParam = 0x80070057;  // bad argument
inline constexpr uint32_t kErrorSoundBadFormat = 0x88780064;     // format not playable
inline constexpr uint32_t kErrorSoundNoDriver = 0x88780078;      // no driver opened a device
inline constexpr uint32_t kErrorSoundInvalidCall = 0x88780032;   // not in this state
inline constexpr uint32_t kErrorSoundBufferLost = 0x88780096;    // the ring was lost

void SetLastErrorCode(uint32_t code);
uint32_t LastErrorCode();

// Maps a POSIX errno value to the desk's code (ENOENT kErrorFileNotFound,
// EACCES kErrorAccessDenied, ...). Unknown values map to kErrorGeneralFailure.
uint32_t ErrorCodeFromErrno(int err);

// Sets the last-error value from errno (or from the given errno value).
void SetLastErrorFromErrno();
void SetLastErrorFromErrno(int err);

}  // namespace platform
