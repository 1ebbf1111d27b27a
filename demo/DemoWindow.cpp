// demo/DemoWindow.cpp
#include "demo/DemoWindow.h"

#include "demo/DemoListView.h"

#include <memory>
#include <vector>

#include "platform/rtl/Unicode.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr char kClass[] = "ZorvetDemo";

struct TDemoState {
  std::vector<POINT> clicks;
  String typed;
};

TDemoState* StateOf(HWND hwnd) {
  return reinterpret_cast<TDemoState*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
}

void Paint(HWND hwnd, const TDemoState& state) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(0, 0, 128));
  HBRUSH yellow = CreateSolidBrush(RGB(255, 220, 64));
  HBRUSH teal = CreateSolidBrush(RGB(0, 128, 128));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, yellow);
  Rectangle(dc, 10, 10, 110, 70);
  SelectObject(dc, teal);
  Ellipse(dc, 130, 10, 230, 70);
  Pie(dc, 250, 10, 310, 70, 310, 40, 280, 10);
  MoveToEx(dc, 10, 85, nullptr);
  LineTo(dc, 310, 85);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  const String title = "Click and type";
  TextOut(dc, 10, 95, title.c_str(), static_cast<int>(title.size()));
  SetTextColor(dc, RGB(128, 0, 0));
  const String typed = "> " + state.typed;
  TextOut(dc, 10, 120, typed.c_str(), static_cast<int>(typed.size()));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  for (const POINT& p : state.clicks) Ellipse(dc, p.x - 5, p.y - 5, p.x + 6, p.y + 6);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(pen);
  DeleteObject(yellow);
  DeleteObject(teal);
  EndPaint(hwnd, &ps);
}

LRESULT DemoProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TDemoState* state = StateOf(hwnd);
  switch (msg) {
    case WM_CREATE:
      SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TDemoState));
      return 0;
    case WM_NCDESTROY:
      delete state;
      SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
      break;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_PAINT:
      if (!state) break;
      Paint(hwnd, *state);
      return 0;
    case WM_LBUTTONDOWN:
      if (!state) break;
      state->clicks.push_back(
          POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_CHAR:
      if (!state) break;
      if (wParam == VK_BACK) {
        // Takes off the last whole character, not its last byte.
        size_t pos = 0, last = 0;
        while (pos < state->typed.size()) {
          last = pos;
          NextCodePoint(state->typed, pos);
        }
        state->typed.resize(last);
      } else if (wParam >= 0x20) {
        AppendUtf8(state->typed, static_cast<char32_t>(wParam));
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    default:
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND CreateDemoWindow(int x, int y) {
  WNDCLASS wc;
  if (!GetClassInfo(HInstance(), kClass, &wc)) {
    wc.lpszClassName = kClass;
    wc.hInstance = HInstance();
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpfnWndProc = StaticWndProc(&DemoProc);
    RegisterClass(wc);
  }
  HWND hwnd = CreateWindowEx(0, kClass, "Zorvet demo", WS_OVERLAPPEDWINDOW, x, y, 340, 200, nullptr,
                             nullptr, HInstance(), nullptr);
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  ShowDemoListView(hwnd, x, y + 230);
  return hwnd;
}

String DemoTypedText(HWND hwnd) {
  const TDemoState* state = StateOf(hwnd);
  return state ? state->typed : String();
}
