// platform/rtl/Registry.h
//
// The registry, as the program's code expects of Windows: a tree of keys
// under a few roots, each key holding named values of a type and bytes. Code
// opens a key (RegOpenKeyExA, RegCreateKeyExA), reads and writes its values
// (RegQueryValueExA, RegSetValueExA, RegDeleteValueA), lists its subkeys and
// values (RegEnumKeyExA, RegEnumValueA), deletes keys (RegDeleteKeyA) and
// closes what it opened (RegCloseKey). Results are Windows error numbers
// (platform/rtl/WinErrorCodes.h), ERROR_SUCCESS (0) on success.
//
// Storage. The tree lives in one text file in the Windows folder
// (Environment.h: WindowsFolder() + "registry.txt"), looked up at every call,
// so a test that points XDG_CONFIG_HOME at a folder of its own gets a
// registry of its own. The file is read again whenever it changed on disk
// (size, time or file), and every change is written at once, atomically: the
// whole tree goes to a new file that then replaces the old one by rename, so
// a reader never sees half a file. Two processes that change the registry at
// the same moment may lose one of the changes (the last writer wins); nothing
// in the program does that. A file that does not parse is served as far as
// it parsed and never overwritten: changes then fail with ERROR_BADDB.
//
// The file, one line each (a reader may edit it by hand):
//   Zorvet registry 1
//   [HKEY_CURRENT_USER\Software\Ternmark]        a key, by its full path
//   "Name"="text"                                 REG_SZ
//   "Name"=expand:"text"                          REG_EXPAND_SZ
//   "Name"=dword:0000001a                         REG_DWORD
//   "Name"=hex(3):01,ff                           any other type and bytes
//   @="text"                                      the key's unnamed value
// Inside quotes '\' and '"' are escaped with '\', and bytes below 32 and 127
// are written "\xHH"; in a key line such bytes and '%' are written "%HH".
// A string value whose bytes are not exactly "text, one null" is kept in the
// hex form, so every value reads back byte for byte.
//
// Windows' rules kept here: key and value names match without regard to
// ASCII case and keep the case they were created with; subkeys are listed in
// name order, values in the order they were first set; a string value holds
// the bytes it was given (its null only when the writer counted it); a key
// with subkeys is not deleted (ERROR_ACCESS_DENIED); a handle only does what
// its access mask allows (KEY_READ does not write); a key deleted while open
// answers ERROR_KEY_DELETED. The last-write time of a key is that of the file.
//
// Threads: any thread; one lock serialises every call in the process.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/rtl/WinApiTypes.h"
#include "platform/rtl/WinErrorCodes.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;
using PFILETIME = FILETIME*;
struct SECURITY_ATTRIBUTES;  // never used: every key is open to its user
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// The roots, with the values Windows gives them.
inline const HKEY HKEY_CLASSES_ROOT =
    reinterpret_cast<HKEY>(static_cast<LONG_PTR>(LONG(0x80000000)));
inline const HKEY HKEY_CURRENT_USER =
    reinterpret_cast<HKEY>(static_cast<LONG_PTR>(LONG(0x80000001)));
inline const HKEY HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<LONG_PTR>(LONG(0x80000002)));
inline const HKEY HKEY_USERS = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(LONG(0x80000003)));

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights of a handle.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// RegCreateKeyExA's options and dispositions.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens `sub_key` of `key` (empty or null: `key` itself) with `access`.
// ERROR_FILE_NOT_FOUND when it does not exist, ERROR_BAD_PATHNAME for a name
// with an empty part ("A\\B", "\A"; one trailing '\' is allowed).
LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM access, PHKEY result);

// Opens `sub_key`, creating it and every missing key above it. `disposition`
// (may be null) tells which happened. Creating needs KEY_CREATE_SUB_KEY on `key`.
LONG RegCreateKeyExA(HKEY key, LPCSTR sub_key, DWORD reserved, LPSTR key_class, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);

// Reads the value `name` (empty or null: the unnamed value). `type` and
// `data` may be null; `size` holds the buffer's size and receives the
// value's. A buffer too small gives ERROR_MORE_DATA and the size needed.
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD size);

// Sets the value `name` to `size` bytes of `data` with `type`.
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);

LONG RegDeleteValueA(HKEY key, LPCSTR name);

// Deletes `sub_key` of `key` (empty: `key` itself), which must have no subkeys.
LONG RegDeleteKeyA(HKEY key, LPCSTR sub_key);

// The name of subkey number `index` (0 first, in name order) into `name`
// of `*name_size` characters; `*name_size` receives its length without the
// null. ERROR_NO_MORE_ITEMS past the last; ERROR_MORE_DATA when it does not
// fit. `key_class` gets an empty text; `last_write` (may be null) the time.
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                   LPSTR key_class, LPDWORD class_size, PFILETIME last_write);

// Value number `index` (in the order values were first set): its name as
// RegEnumKeyExA gives names, and its type and data as RegQueryValueExA does.
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD name_size, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD size);

// Closes a handle that RegOpenKeyExA or RegCreateKeyExA gave; a root needs
// no closing and is accepted. ERROR_INVALID_HANDLE for anything else.
LONG RegCloseKey(HKEY key);

// The file that holds the registry now.
String RegistryFileName();
