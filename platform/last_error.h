#pragma once
// The calling thread's last-error value. Recoverable failures of the audio
// classes and of the host services leave a code here; tWinError decorates its
// text with it. Codes are the system's own numbering (2 file not found,
// 5 access denied, 0x80002 wave file not opened, ...).
#include <cstdint>

namespace platform {

void SetLastErrorCode(uint32_t code);
uint32_t LastErrorCode();

// Maps a POSIX errno value to the system's error code (ENOENT 2, ENOTDIR 3,
// EACCES 5, ENOMEM 8, EEXIST 80, ...). Unknown values map to 31 (general failure).
uint32_t ErrorCodeFromErrno(int err);

// Sets the last-error value from errno (or from the given errno value).
void SetLastErrorFromErrno();
void SetLastErrorFromErrno(int err);

}  // namespace platform
