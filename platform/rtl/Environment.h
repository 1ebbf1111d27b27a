// platform/rtl/Environment.h
//
// The process's surroundings as the program's code asks Windows for them:
// environment variables, the current folder and the Windows folder. (The
// command line is in Paths.h: ParamCount, ParamStr, SetCommandLine.)
//
// Threads: any thread. The environment and the current folder belong to the
// whole process; changing them while another thread reads them is the
// caller's race, as it is on Windows.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/rtl/WinApiTypes.h"

// The variable `name` copied into `buffer` of `size` characters, with a
// terminating null; returns the length copied without the null. When the
// buffer is too small nothing is copied and the result is the size needed,
// null included. 0 when the variable is not set (or is empty).
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// The variable `name`, or empty text when it is not set.
String GetEnvironmentVariable(const String& name);

// The current folder without a trailing separator (but "/" and "D:\" keep
// theirs). After SetCurrentDir with a drive path the folder is shown in that
// form for as long as it stays current; otherwise it is the native path.
String GetCurrentDir();

// Makes `dir` current: a drive path through the drive mapping, a native
// path as it is, a relative path (split at '\' or '/') from the current
// folder. False when the folder does not exist or cannot be entered.
bool SetCurrentDir(const String& dir);

// The Windows folder, where an ini file given without a folder and the
// registry live: $XDG_CONFIG_HOME/zorvet, or ~/.config/zorvet when that
// variable is unset or empty; always with a trailing '/'. It is not created.
String WindowsFolder();
