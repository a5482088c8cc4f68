#include "platform/last_error.h"

#include <cerrno>

namespace platform {

namespace {
thread_local uint32_t t_LastError = 0;
}

void SetLastErrorCode(uint32_t code) {
  t_LastError = code;
}
uint32_t LastErrorCode() {
  return t_LastError;
}

uint32_t ErrorCodeFromErrno(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOENT:
      return 2;  // file not found
    case ENOTDIR:
      return 3;  // path not found
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case EACCES:
    case EPERM:
    case EROFS:
      return 5;  // access denied
    case EBADF:
      return 6;  // invalid handle
    case ENOMEM:
      return 8;  // not enough memory
    case EXDEV:
      return 17;  // not same device
    case EBUSY:
      return 32;  // sharing violation
    case ENOSPC:
      return 112;  // disk full
    case EEXIST:
      return 80;  // file exists
    case EINVAL:
      return 87;  // invalid parameter
    case ENAMETOOLONG:
      return 206;  // file name too long
    case ENOTEMPTY:
      return 145;  // directory not empty
    case EISDIR:
      return 5;  // a directory cannot be opened as a file
    case EIO:
      return 1117;  // I/O device error
    case ENXIO:
    case ENODEV:
      return 21;  // device not ready
    default:
      return 31;  // general failure
  }
}

void SetLastErrorFromErrno() {
  SetLastErrorFromErrno(errno);
}
void SetLastErrorFromErrno(int err) {
  t_LastError = ErrorCodeFromErrno(err);
}

}  // namespace platform
