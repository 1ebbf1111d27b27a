// platform/win/WinError.h
//
// The calling thread's last error number, as the Windows model's services
// leave it behind; the numbers themselves are in platform/rtl/WinErrorCodes.h.
//
// Threads: every thread has its own last error; a service sets it only on
// failure unless its contract says otherwise.
#pragma once

#include "platform/rtl/WinErrorCodes.h"
#include "platform/win/WinTypes.h"

DWORD GetLastError();
void SetLastError(DWORD error);

// The error number that stands for the C library's `errno` value `error`
// when a file or folder is opened or listed.
DWORD ErrnoToWinError(int error);
