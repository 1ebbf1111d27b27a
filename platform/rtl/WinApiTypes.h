// platform/rtl/WinApiTypes.h
//
// The scalar and handle types of the Windows model that the runtime layer's
// own services need (registry, module loading, environment), with the widths
// the program's code expects of them on a 64-bit build. The window layer's
// WinTypes.h builds on this header, so both layers name the same types.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using SHORT = std::int16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using LPCSTR = const char*;
using LPSTR = char*;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using LPVOID = void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handles are opaque pointers to distinct types, so that the compiler keeps them apart.
#define ZORVET_DECLARE_HANDLE(name) \
  struct name##__;                  \
  using name = name##__*
ZORVET_DECLARE_HANDLE(HINSTANCE);
ZORVET_DECLARE_HANDLE(HKEY);
using HMODULE = HINSTANCE;
using HANDLE = void*;

// An exported routine's address as GetProcAddress gives it; the caller casts
// it to the routine's own type.
using FARPROC = void (*)();

// 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};
