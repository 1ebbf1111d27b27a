// platform/win/WinTypes.h
//
// The scalar and handle types of the Windows model, with the widths the
// program's code expects of them on a 64-bit build. The ones the runtime
// layer needs itself are declared there (WinApiTypes.h).
#pragma once

#include "platform/rtl/WinApiTypes.h"

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;

ZORVET_DECLARE_HANDLE(HWND);
ZORVET_DECLARE_HANDLE(HMENU);
ZORVET_DECLARE_HANDLE(HCURSOR);
ZORVET_DECLARE_HANDLE(HICON);
ZORVET_DECLARE_HANDLE(HHOOK);
ZORVET_DECLARE_HANDLE(HDC);
ZORVET_DECLARE_HANDLE(HBITMAP);
ZORVET_DECLARE_HANDLE(HFONT);
ZORVET_DECLARE_HANDLE(HBRUSH);
ZORVET_DECLARE_HANDLE(HPEN);
ZORVET_DECLARE_HANDLE(HRGN);
ZORVET_DECLARE_HANDLE(HIMAGELIST);
ZORVET_DECLARE_HANDLE(HTREEITEM);
// A window procedure's identity (see Window.h: MakeWndProc, CallWindowProc).
ZORVET_DECLARE_HANDLE(WNDPROC);
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
