// platform/rtl/Modules.h
//
// Loading shared libraries at run time, as the program's code expects of
// Windows: LoadLibraryA gives a module handle, GetProcAddress an exported
// routine by its exact name, FreeLibrary lets the module go. Underneath is
// dlopen, so the file may be named anything ("oci.dll" is an ELF object here).
//
// Which file a name loads:
// - a drive path ("C:\oracle\bin\oci.dll") goes through the drive mapping
//   (Paths.h: ResolvePath) and a native path ("/opt/oracle/lib/libclntsh.so")
//   is used as it is; a name holding '\' or '/' but neither form (a relative
//   path such as "bin\oci.dll") is taken from the current folder;
// - a bare name is looked for, as Windows does, in the executable's folder,
//   then in the current folder, then in the folders of PATH; when none holds
//   it, the system's own library search (LD_LIBRARY_PATH, the cache) has it.
//
// Handles: a loaded module's handle is an address, always 32 or more. A
// failure gives a small number below 32 instead of a handle, as the oldest
// Windows did and as callers test: ERROR_FILE_NOT_FOUND (2) when no file
// answers the name, ERROR_BAD_FORMAT (11) when the file exists but does not
// load. LoadLibraryError() tells why, in the loader's own words.
//
// Every LoadLibraryA that succeeds counts once; the module stays until as
// many FreeLibrary calls have let it go.
//
// Threads: any thread; the loader serialises itself.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/rtl/WinApiTypes.h"
#include "platform/rtl/WinErrorCodes.h"

// Whether `module` is a loaded module's handle (32 or more), as callers test.
inline bool IsModuleHandle(HMODULE module) {
  return reinterpret_cast<std::uintptr_t>(module) >= 32;
}

HMODULE LoadLibraryA(LPCSTR file_name);

// The routine `name` exported by `module` (the exact name, case counts), or
// null when it exports no such name or `module` is no module handle.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);

// Lets one load of `module` go; FALSE when `module` is no module handle.
BOOL FreeLibrary(HMODULE module);

// Why the calling thread's last LoadLibraryA failed; empty after a success.
String LoadLibraryError();

// The native file that LoadLibraryA(file_name) would load now; empty when no
// file answers the name (the system's library search is not consulted).
String FindLibraryFile(const String& file_name);
