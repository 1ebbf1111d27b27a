// platform/win/Button.cpp
#include "platform/win/Button.h"

#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

struct TButtonState {
  WPARAM check = BST_UNCHECKED;
  bool pushed = false;     // drawn pressed
  bool mouseDown = false;  // the left button went down on it
  bool spaceDown = false;
  bool focused = false;
  HFONT font = nullptr;
};

TButtonState* State(HWND hwnd) {
  return ControlWindowState<TButtonState>(hwnd).get();
}

DWORD Kind(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)) & BS_TYPEMASK;
}
bool IsCheckBox(HWND hwnd) {
  return Kind(hwnd) == BS_CHECKBOX || Kind(hwnd) == BS_AUTOCHECKBOX;
}

constexpr int kCheckSize = 13;

void Paint(HWND hwnd, HDC dc) {
  const TButtonState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  const bool enabled = IsWindowEnabled(hwnd);
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(s.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const String text = GetWindowText(hwnd);
  RECT textRect = client;
  UINT format = DT_SINGLELINE | DT_VCENTER;
  if (IsCheckBox(hwnd)) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const int top = (client.bottom - kCheckSize) / 2;
    RECT box{0, top, kCheckSize, top + kCheckSize};
    UINT state = DFCS_BUTTONCHECK;
    if (s.check == BST_CHECKED) state |= DFCS_CHECKED;
    if (s.pushed) state |= DFCS_PUSHED;
    if (!enabled || s.check == BST_INDETERMINATE) state |= DFCS_INACTIVE;
    if (s.check == BST_INDETERMINATE) state |= DFCS_CHECKED;
    DrawFrameControl(dc, &box, DFC_BUTTON, state);
    textRect.left = kCheckSize + 4;
    format |= DT_LEFT;
  } else {
    RECT face = client;
    if (Kind(hwnd) == BS_DEFPUSHBUTTON) {
      // The default button's extra black frame.
      HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
      FrameRect(dc, &face, black);
      InflateRect(&face, -1, -1);
    }
    DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (s.pushed ? DFCS_PUSHED : 0));
    if (s.pushed) OffsetRect(textRect, 1, 1);
    format |= DT_CENTER;
  }
  RECT measured = textRect;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &measured, format | DT_CALCRECT);
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
  if (s.focused) {
    RECT focus;
    if (IsCheckBox(hwnd)) {
      // Around the text, which DT_CALCRECT measured from the top.
      const int h = RectHeight(measured);
      focus = RECT{textRect.left - 1, (client.bottom - h) / 2 - 1,
                   textRect.left + RectWidth(measured) + 1, (client.bottom + h) / 2 + 1};
    } else {
      focus = client;
      InflateRect(&focus, -4, -4);
    }
    DrawFocusRect(dc, &focus);
  }
  SelectObject(dc, oldFont);
}

void SetPushed(HWND hwnd, TButtonState& s, bool pushed) {
  if (s.pushed == pushed) return;
  s.pushed = pushed;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Clicked(HWND hwnd, TButtonState& s) {
  if (Kind(hwnd) == BS_AUTOCHECKBOX) {
    s.check = s.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  if (HWND parent = GetParent(hwnd))
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), BN_CLICKED),
                reinterpret_cast<LPARAM>(hwnd));
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TButtonState> s = ControlWindowState<TButtonState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r))
    return r;
  switch (msg) {
    case WM_SETTEXT:
    case WM_ENABLE: {
      const LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return r;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = msg == WM_SETFOCUS;
      if (!s->focused) {
        s->spaceDown = false;
        SetPushed(hwnd, *s, false);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDOWN:
      s->mouseDown = true;
      SetCapture(hwnd);
      if (GetFocus() != hwnd) SetFocus(hwnd);
      SetPushed(hwnd, *s, true);
      return 0;
    case WM_MOUSEMOVE:
      if (s->mouseDown) {
        RECT client;
        GetClientRect(hwnd, &client);
        SetPushed(hwnd, *s, PtInRect(client, PointFromLParam(lParam)));
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!s->mouseDown) return 0;
      s->mouseDown = false;
      const bool click = s->pushed;
      SetPushed(hwnd, *s, false);
      ReleaseCapture();
      if (click) Clicked(hwnd, *s);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->mouseDown && reinterpret_cast<HWND>(lParam) != hwnd) {
        s->mouseDown = false;
        SetPushed(hwnd, *s, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !s->spaceDown) {
        s->spaceDown = true;
        SetPushed(hwnd, *s, true);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && s->spaceDown) {
        s->spaceDown = false;
        SetPushed(hwnd, *s, false);
        Clicked(hwnd, *s);
      }
      return 0;
    case BM_GETCHECK:
      return IsCheckBox(hwnd) ? static_cast<LRESULT>(s->check) : 0;
    case BM_SETCHECK:
      if (IsCheckBox(hwnd) && wParam <= BST_INDETERMINATE && s->check != wParam) {
        s->check = wParam;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case BM_GETSTATE:
      return static_cast<LRESULT>(s->check | (s->pushed ? BST_PUSHED : 0) |
                                  (s->focused ? BST_FOCUS : 0));
    case BM_SETSTATE:
      SetPushed(hwnd, *s, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      const LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
      SetWindowLongPtr(hwnd, GWL_STYLE, (style & ~LONG_PTR{BS_TYPEMASK}) | (wParam & BS_TYPEMASK));
      if (LOWORD(static_cast<UINT_PTR>(lParam))) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(hwnd)) Clicked(hwnd, *s);
      return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterButtonClass() {
  RegisterControlWindowClass(WC_BUTTON, &ButtonProc);
}
