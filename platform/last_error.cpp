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
      return kErrorNone;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // a directory cannot be opened as a file
      return kErrorAccessDenied;
    case EBADF:
      return kErrorInvalidHandle;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EXDEV:
      return kErrorNotSameDevice;
    case EBUSY:
      return kErrorSharingViolation;
    case ENOSPC:
      return kErrorDiskFull;
    case EEXIST:
      return kErrorFileExists;
    case EINVAL:
      return kErrorInvalidParameter;
    case ENAMETOOLONG:
      return kErrorFileNameTooLong;
    case ENOTEMPTY:
      return kErrorDirectoryNotEmpty;
    case EIO:
      return kErrorIoDevice;
    case ENXIO:
    case ENODEV:
      return kErrorNotReady;
    default:
      return kErrorGeneralFailure;
  }
}

void SetLastErrorFromErrno() {
  SetLastErrorFromErrno(errno);
}
void SetLastErrorFromErrno(int err) {
  t_LastError = ErrorCodeFromErrno(err);
}

}  // namespace platform
