// platform/win/ControlWindow.cpp
#include "platform/win/ControlWindow.h"

#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WindowSystemState.h"

bool HandleControlWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, HFONT& font,
                                void (*paint)(HWND, HDC), LRESULT& result) {
  result = 0;
  switch (msg) {
    case WM_PAINT:
      result = PaintControlWindow(hwnd, wParam, paint);
      return true;
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SETFONT:
      font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(static_cast<UINT_PTR>(lParam))) InvalidateRect(hwnd, nullptr, TRUE);
      return true;
    case WM_GETFONT:
      result = reinterpret_cast<LRESULT>(font);
      return true;
  }
  return false;
}

LRESULT PaintControlWindow(HWND hwnd, WPARAM wParam, void (*paint)(HWND, HDC)) {
  if (wParam) {
    paint(hwnd, reinterpret_cast<HDC>(wParam));
    return 0;
  }
  PAINTSTRUCT ps;
  paint(hwnd, BeginPaint(hwnd, &ps));
  EndPaint(hwnd, &ps);
  return 0;
}

HFONT ControlFont(HFONT font) {
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

TMeasureDC::TMeasureDC(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
  old_ = SelectObject(dc_, ControlFont(font));
}

TMeasureDC::~TMeasureDC() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
}

std::shared_ptr<void> ControlWindowStateOf(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w ? w->controlState : nullptr;
}

void SetControlWindowState(HWND hwnd, std::shared_ptr<void> state) {
  if (TWindowEntry* w = Kernel().Find(hwnd)) w->controlState = std::move(state);
}

void RegisterControlWindowClass(LPCSTR className, TWndProcPointer proc, UINT extraStyle,
                                HCURSOR cursor) {
  WNDCLASS existing;
  if (GetClassInfo(HInstance(), className, &existing)) return;
  WNDCLASS wc;
  wc.lpszClassName = className;
  wc.hInstance = HInstance();
  wc.lpfnWndProc = StaticWndProc(proc);
  wc.style = CS_HREDRAW | CS_VREDRAW | extraStyle;
  wc.hCursor = cursor;
  RegisterClass(wc);
}
