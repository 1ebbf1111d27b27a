// platform/win/WinTypes.h
//
// The scalar and handle types of the Windows model, with the widths the
// program's code expects of them on a 64-bit build.
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
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;
using LPCSTR = const char*;
using LPSTR = char*;
using LPCWSTR = const char16_t*;
using LPWSTR = char16_t*;
using LPVOID = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handles are opaque pointers to distinct types, so that the compiler keeps them apart.
#define ZORVET_DECLARE_HANDLE(name) \
  struct name##__;                  \
  using name = name##__*
ZORVET_DECLARE_HANDLE(HWND);
ZORVET_DECLARE_HANDLE(HMENU);
ZORVET_DECLARE_HANDLE(HCURSOR);
ZORVET_DECLARE_HANDLE(HICON);
ZORVET_DECLARE_HANDLE(HINSTANCE);
ZORVET_DECLARE_HANDLE(HHOOK);
ZORVET_DECLARE_HANDLE(HDC);
ZORVET_DECLARE_HANDLE(HBITMAP);
ZORVET_DECLARE_HANDLE(HFONT);
ZORVET_DECLARE_HANDLE(HBRUSH);
ZORVET_DECLARE_HANDLE(HPEN);
ZORVET_DECLARE_HANDLE(HRGN);
ZORVET_DECLARE_HANDLE(HIMAGELIST);
ZORVET_DECLARE_HANDLE(HTREEITEM);
ZORVET_DECLARE_HANDLE(HKEY);
// A window procedure's identity (see Window.h: MakeWndProc, CallWindowProc).
ZORVET_DECLARE_HANDLE(WNDPROC);
using HANDLE = void*;
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
