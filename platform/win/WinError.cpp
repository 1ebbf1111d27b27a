// platform/win/WinError.cpp
#include "platform/win/WinError.h"

#include <cerrno>

namespace {
thread_local DWORD last_error = ERROR_SUCCESS;
}

DWORD GetLastError() {
  return last_error;
}

void SetLastError(DWORD error) {
  last_error = error;
}

DWORD ErrnoToWinError(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case ENOMEDIUM:
    case EIO:
    case ENXIO:
    case ENODEV:
    case EBUSY:
      // A drive without its medium, or one that fails to read it: Windows
      // says the device is not ready in both cases.
      return ERROR_NOT_READY;
    default:
      return ERROR_ACCESS_DENIED;
  }
}
