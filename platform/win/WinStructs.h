// platform/win/WinStructs.h
//
// The records that window messages and window-management calls carry, laid
// out field for field as code written against Windows expects them (names,
// order and meaning). Text pointers are 8-bit UTF-8 unless the name ends in W.
#pragma once

#include "platform/win/WinTypes.h"

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;  // the clock's milliseconds when the message was queued
  POINT pt;        // the cursor position (screen) when the message was queued
};

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCSTR lpszMenuName = nullptr;
  LPCSTR lpszClassName = nullptr;
};

// WM_NCCREATE and WM_CREATE carry a pointer to this.
struct CREATESTRUCT {
  LPVOID lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  LPCSTR lpszName = nullptr;
  LPCSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED carry a pointer to this.
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

// WM_NCCALCSIZE: with wParam FALSE lParam points to one RECT (window in,
// client out); with TRUE it points to this.
struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;       // size of the maximised window
  POINT ptMaxPosition;   // position of the maximised window
  POINT ptMinTrackSize;  // smallest size by sizing
  POINT ptMaxTrackSize;  // largest size by sizing
};

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};

// WM_STYLECHANGING and WM_STYLECHANGED carry a pointer to this.
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

// The mouse hook's lParam.
struct MOUSEHOOKSTRUCT {
  POINT pt;  // screen
  HWND hwnd = nullptr;
  UINT wHitTestCode = 0;
  ULONG_PTR dwExtraInfo = 0;
};
struct MOUSEHOOKSTRUCTEX : MOUSEHOOKSTRUCT {
  DWORD mouseData = 0;  // the wheel delta in the high word for WM_MOUSEWHEEL
};

// Rectangle and point helpers.
inline LONG RectWidth(const RECT& r) {
  return r.right - r.left;
}
inline LONG RectHeight(const RECT& r) {
  return r.bottom - r.top;
}
inline bool PtInRect(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
inline RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom) {
  return RECT{left, top, right, bottom};
}
inline void OffsetRect(RECT& r, LONG dx, LONG dy) {
  r.left += dx;
  r.right += dx;
  r.top += dy;
  r.bottom += dy;
}
inline bool operator==(const POINT& a, const POINT& b) {
  return a.x == b.x && a.y == b.y;
}
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
