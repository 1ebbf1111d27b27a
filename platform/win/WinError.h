// platform/win/WinError.h
//
// The calling thread's last error number, as the Windows model's services
// leave it behind, and the error numbers they use (values as Windows has
// them, because the program shows them to the user and stores none of them).
//
// Threads: every thread has its own last error; a service sets it only on
// failure unless its contract says otherwise.
#pragma once

#include "platform/win/WinTypes.h"

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DRIVE = 15;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_UNRECOGNIZED_VOLUME = 1005;
constexpr DWORD ERROR_NOT_CONNECTED = 2250;

DWORD GetLastError();
void SetLastError(DWORD error);

// The error number that stands for the C library's `errno` value `error`
// when a file or folder is opened or listed.
DWORD ErrnoToWinError(int error);
