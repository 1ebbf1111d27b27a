// platform/win/ToolBar.cpp
#include "platform/win/ToolBar.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/Button.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kArrowWidth = 13;  // the arrow part of a drop-down button
constexpr int kTopGap = 2;       // above the buttons
constexpr int kCaptionPad = 3;   // around a caption and its image
constexpr UINT_PTR kTipTimer = 1;
constexpr UINT_PTR kLeaveTimer = 2;
constexpr UINT kTipDelay = 500;
constexpr UINT kLeaveCheck = 100;
constexpr UINT_PTR kTipTool = 1;

struct TBarState {
  std::vector<TBBUTTON> buttons;
  std::vector<String> texts;  // each button's caption (iString), beside it
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
  SIZE buttonSize{23, 22};
  // The size every button has: buttonSize, grown to hold the captions when
  // any button has one. Worked out again after a change (size < 0).
  SIZE shown{-1, -1};
  DWORD exStyle = 0;
  int hot = -1;      // the button under the pointer
  int pressed = -1;  // the button the left button went down on
  bool pressedInside = false;
  bool arrowDown = false;  // a drop-down button's arrow is held
  HWND tip = nullptr;
  int tipButton = -1;  // the button whose tip shows (or is due)
};

TBarState* State(HWND hwnd) {
  return ControlWindowState<TBarState>(hwnd).get();
}

int Count(const TBarState& s) {
  return static_cast<int>(s.buttons.size());
}

bool IsSeparator(const TBBUTTON& b) {
  return (b.fsStyle & TBSTYLE_SEP) != 0;
}
bool IsHidden(const TBBUTTON& b) {
  return (b.fsState & TBSTATE_HIDDEN) != 0;
}
bool IsEnabled(const TBBUTTON& b) {
  return (b.fsState & TBSTATE_ENABLED) != 0;
}

bool HasArrow(const TBarState& s, const TBBUTTON& b) {
  return (b.fsStyle & TBSTYLE_DROPDOWN) && (s.exStyle & TBSTYLE_EX_DRAWDDARROWS);
}

HGDIOBJ FontOf(const TBarState& s) {
  return s.font ? static_cast<HGDIOBJ>(s.font) : GetStockObject(DEFAULT_GUI_FONT);
}

bool HasCaptions(const TBarState& s) {
  for (size_t i = 0; i < s.buttons.size(); ++i)
    if (!s.texts[i].empty() && !IsSeparator(s.buttons[i])) return true;
  return false;
}

// With captions every button is as wide as the widest caption and holds
// the image above its caption, as the bars of file managers do.
SIZE ButtonSize(const TBarState& s) {
  if (s.shown.cx >= 0) return s.shown;
  SIZE size = s.buttonSize;
  if (HasCaptions(s)) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontOf(s));
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    int widest = 0;
    for (const String& text : s.texts) {
      RECT r{0, 0, 0, 0};
      DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
      widest = std::max<int>(widest, RectWidth(r));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    int imageW = 0, imageH = 0;
    if (s.images) ImageList_GetIconSize(s.images, &imageW, &imageH);
    size.cx = std::max<int>(size.cx, std::max(widest, imageW) + 2 * kCaptionPad);
    size.cy = std::max<int>(size.cy, imageH + tm.tmHeight + 3 * kCaptionPad);
  }
  const_cast<TBarState&>(s).shown = size;
  return size;
}

void Remeasure(TBarState& s) {
  s.shown = SIZE{-1, -1};
}

int Width(const TBarState& s, const TBBUTTON& b) {
  if (IsHidden(b)) return 0;
  if (IsSeparator(b)) return b.iBitmap > 0 ? b.iBitmap : kSeparatorWidth;
  return ButtonSize(s).cx + (HasArrow(s, b) ? kArrowWidth : 0);
}

RECT ButtonRect(const TBarState& s, int index) {
  int x = 0;
  for (int i = 0; i < index; ++i) x += Width(s, s.buttons[static_cast<size_t>(i)]);
  const TBBUTTON& b = s.buttons[static_cast<size_t>(index)];
  return RECT{x, kTopGap, x + Width(s, b), kTopGap + ButtonSize(s).cy};
}

int IndexOfCommand(const TBarState& s, int command) {
  for (int i = 0; i < Count(s); ++i)
    if (s.buttons[static_cast<size_t>(i)].idCommand == command) return i;
  return -1;
}

// The button under a point (separators included), or -1.
int ButtonAt(const TBarState& s, POINT p) {
  for (int i = 0; i < Count(s); ++i) {
    const TBBUTTON& b = s.buttons[static_cast<size_t>(i)];
    if (!IsHidden(b) && PtInRect(ButtonRect(s, i), p)) return i;
  }
  return -1;
}

// The button a press or the pointer can act on at a point, or -1.
int ActiveButtonAt(const TBarState& s, POINT p) {
  const int i = ButtonAt(s, p);
  if (i < 0) return -1;
  const TBBUTTON& b = s.buttons[static_cast<size_t>(i)];
  return IsSeparator(b) || !IsEnabled(b) ? -1 : i;
}

// --- Painting ------------------------------------------------------------

void DrawArrow(HDC dc, int cx, int cy, COLORREF color) {
  for (int row = 0; row < 3; ++row)
    for (int x = cx - 2 + row; x <= cx + 2 - row; ++x) SetPixel(dc, x, cy - 1 + row, color);
}

void DrawButton(HWND hwnd, HDC dc, const TBarState& s, int i) {
  const TBBUTTON& b = s.buttons[static_cast<size_t>(i)];
  const RECT r = ButtonRect(s, i);
  const bool flat = GetWindowLongPtr(hwnd, GWL_STYLE) & TBSTYLE_FLAT;
  if (IsSeparator(b)) {
    if (flat) {
      RECT line{(r.left + r.right) / 2 - 1, r.top + 1, (r.left + r.right) / 2 + 1, r.bottom - 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
    }
    return;
  }
  const bool enabled = IsEnabled(b) && IsWindowEnabled(hwnd);
  const bool checked = b.fsState & TBSTATE_CHECKED;
  const bool down = (b.fsState & TBSTATE_PRESSED) || (s.pressed == i && s.pressedInside) ||
                    (s.pressed == i && s.arrowDown);
  const bool hot = s.hot == i && enabled;
  RECT face = r;
  RECT arrow = r;
  if (HasArrow(s, b)) {
    face.right -= kArrowWidth;
    arrow.left = face.right;
  }
  if (checked && !down) {
    // A checked button's face is lighter, as the pushed-in state of a switch.
    HBRUSH light = CreateSolidBrush(GetSysColor(COLOR_3DLIGHT));
    RECT inner = face;
    InflateRect(&inner, -1, -1);
    FillRect(dc, &inner, light);
    DeleteObject(light);
  }
  if (down || checked) {
    RECT e = face;
    DrawEdge(dc, &e, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
  } else if (!flat || hot) {
    RECT e = face;
    DrawEdge(dc, &e, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
  }
  if (HasArrow(s, b)) {
    if (s.pressed == i && s.arrowDown) {
      RECT e = arrow;
      DrawEdge(dc, &e, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    } else if (!flat || hot) {
      RECT e = arrow;
      DrawEdge(dc, &e, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
  }
  const int shift = down || checked ? 1 : 0;
  const String& caption = s.texts[static_cast<size_t>(i)];
  const bool captions = HasCaptions(s);
  int w = 16, h = 16;
  if (s.images) ImageList_GetIconSize(s.images, &w, &h);
  if (captions) {
    RECT text{face.left + 1 + shift, face.top + 2 * kCaptionPad + h + shift, face.right - 1 + shift,
              face.bottom - kCaptionPad + shift};
    HGDIOBJ old = SelectObject(dc, FontOf(s));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
             DT_SINGLELINE | DT_CENTER | DT_TOP | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  }
  if (s.images && b.iBitmap >= 0 && b.iBitmap < ImageList_GetImageCount(s.images)) {
    const int x = (face.left + face.right - w) / 2 + shift;
    const int y =
        captions ? face.top + kCaptionPad + shift : (face.top + face.bottom - h) / 2 + shift;
    if (enabled)
      ImageList_Draw(s.images, b.iBitmap, dc, x, y, ILD_TRANSPARENT);
    else  // faded into the face
      ImageList_DrawEx(s.images, b.iBitmap, dc, x, y, 0, 0, CLR_NONE, GetSysColor(COLOR_BTNFACE),
                       ILD_TRANSPARENT | ILD_BLEND50);
  }
  const int arrowX = HasArrow(s, b) ? (arrow.left + arrow.right) / 2 : -1;
  if (arrowX >= 0)
    DrawArrow(dc, arrowX + (s.pressed == i && s.arrowDown ? 1 : 0), (r.top + r.bottom) / 2,
              GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
}

void Paint(HWND hwnd, HDC dc) {
  const TBarState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  for (int i = 0; i < Count(s); ++i)
    if (!IsHidden(s.buttons[static_cast<size_t>(i)])) DrawButton(hwnd, dc, s, i);
}

void RedrawButton(HWND hwnd, const TBarState& s, int i) {
  if (i < 0 || i >= Count(s)) return;
  const RECT r = ButtonRect(s, i);
  InvalidateRect(hwnd, &r, FALSE);
}

// --- Tips ------------------------------------------------------------------

void HideTip(HWND hwnd, TBarState& s) {
  KillTimer(hwnd, kTipTimer);
  if (s.tip && s.tipButton >= 0) {
    TOOLINFOA ti;
    ti.hwnd = hwnd;
    ti.uId = kTipTool;
    SendMessage(s.tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
  }
  s.tipButton = -1;
}

void ShowTip(HWND hwnd, TBarState& s) {
  KillTimer(hwnd, kTipTimer);
  if (!s.tip || s.hot < 0 || s.pressed >= 0) return;
  s.tipButton = s.hot;
  const TBBUTTON& b = s.buttons[static_cast<size_t>(s.hot)];
  // The tool is the bar itself; the text is asked for each time, with the
  // button's command as the tool's number.
  TOOLINFOA ti;
  ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  ti.hwnd = hwnd;
  ti.uId = kTipTool;
  SendMessage(s.tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  ti.uId = static_cast<UINT_PTR>(b.idCommand);
  ti.lpszText = LPSTR_TEXTCALLBACKA;
  // Asked for under the button's command, shown under the bar's one tool.
  NMTTDISPINFOA info;
  info.hdr.hwndFrom = s.tip;
  info.hdr.idFrom = static_cast<UINT_PTR>(b.idCommand);
  info.hdr.code = TTN_GETDISPINFOA;
  if (HWND parent = GetParent(hwnd))
    SendMessage(parent, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
  if (!IsWindow(hwnd) || !s.tip) return;
  String text;
  if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKA)
    text = info.lpszText;
  else
    text = String(info.szText, strnlen(info.szText, sizeof info.szText));
  if (text.empty()) {
    s.tipButton = -1;
    return;
  }
  ti.uId = kTipTool;
  ti.lpszText = text.data();
  SendMessage(s.tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  POINT p;
  GetCursorPos(&p);
  const int below = GetSystemMetrics(SM_CYCURSOR) / 2 + 4;
  SendMessage(s.tip, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y + below));
  SendMessage(s.tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
}

void SetHot(HWND hwnd, TBarState& s, int hot) {
  if (s.hot == hot) return;
  RedrawButton(hwnd, s, s.hot);
  s.hot = hot;
  RedrawButton(hwnd, s, s.hot);
  if (s.tipButton >= 0 && s.tipButton != hot) HideTip(hwnd, s);
  if (hot >= 0) {
    if (s.tip && s.tipButton < 0) SetTimer(hwnd, kTipTimer, kTipDelay);
    // No message tells the bar that the pointer left it: it looks.
    SetTimer(hwnd, kLeaveTimer, kLeaveCheck);
  } else {
    KillTimer(hwnd, kTipTimer);
    KillTimer(hwnd, kLeaveTimer);
  }
}

// --- Input -------------------------------------------------------------------

void Click(HWND hwnd, TBarState& s, int i) {
  TBBUTTON& b = s.buttons[static_cast<size_t>(i)];
  if (b.fsStyle & TBSTYLE_CHECK) {
    if ((b.fsStyle & TBSTYLE_GROUP) == TBSTYLE_GROUP) {
      // One of the run of group buttons around it stays checked: this one.
      for (int j = i - 1; j >= 0 && (s.buttons[static_cast<size_t>(j)].fsStyle &
                                     TBSTYLE_CHECKGROUP) == TBSTYLE_CHECKGROUP;
           --j)
        s.buttons[static_cast<size_t>(j)].fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
      for (int j = i + 1; j < Count(s) && (s.buttons[static_cast<size_t>(j)].fsStyle &
                                           TBSTYLE_CHECKGROUP) == TBSTYLE_CHECKGROUP;
           ++j)
        s.buttons[static_cast<size_t>(j)].fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
      b.fsState |= TBSTATE_CHECKED;
    } else {
      b.fsState ^= TBSTATE_CHECKED;
    }
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  const int command = b.idCommand;
  if (HWND parent = GetParent(hwnd))
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), BN_CLICKED),
                reinterpret_cast<LPARAM>(hwnd));
}

void DropDown(HWND hwnd, TBarState& s, int i) {
  NMTOOLBARA nm;
  nm.hdr.hwndFrom = hwnd;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  nm.hdr.code = TBN_DROPDOWN;
  nm.tbButton = s.buttons[static_cast<size_t>(i)];
  nm.iItem = nm.tbButton.idCommand;
  nm.rcButton = ButtonRect(s, i);
  if (HWND parent = GetParent(hwnd))
    SendMessage(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void ButtonDown(HWND hwnd, TBarState& s, POINT p) {
  HideTip(hwnd, s);
  const int i = ActiveButtonAt(s, p);
  if (i < 0) return;
  const TBBUTTON& b = s.buttons[static_cast<size_t>(i)];
  if (b.fsStyle & TBSTYLE_DROPDOWN) {
    const RECT r = ButtonRect(s, i);
    const bool onArrow = !HasArrow(s, b) || p.x >= r.right - kArrowWidth;
    if (onArrow) {
      // Drawn pressed while the parent shows its menu.
      s.pressed = i;
      s.arrowDown = HasArrow(s, b);
      s.pressedInside = !HasArrow(s, b);
      RedrawButton(hwnd, s, i);
      UpdateWindow(hwnd);
      DropDown(hwnd, s, i);
      if (!IsWindow(hwnd)) return;
      s.pressed = -1;
      s.arrowDown = s.pressedInside = false;
      RedrawButton(hwnd, s, i);
      return;
    }
  }
  s.pressed = i;
  s.pressedInside = true;
  SetCapture(hwnd);
  RedrawButton(hwnd, s, i);
}

void ButtonUp(HWND hwnd, TBarState& s, POINT p) {
  const int i = s.pressed;
  if (i < 0) return;
  const bool inside = ButtonAt(s, p) == i;
  s.pressed = -1;
  s.pressedInside = false;
  if (GetCapture() == hwnd) ReleaseCapture();
  RedrawButton(hwnd, s, i);
  if (inside && i < Count(s) && IsEnabled(s.buttons[static_cast<size_t>(i)])) Click(hwnd, s, i);
}

void CheckLeave(HWND hwnd, TBarState& s) {
  POINT p;
  GetCursorPos(&p);
  if (WindowFromPoint(p) == hwnd || s.pressed >= 0) return;
  SetHot(hwnd, s, -1);
  HideTip(hwnd, s);
}

// Sets a state bit of the button with `command`; FALSE when there is none.
LRESULT SetStateBit(HWND hwnd, TBarState& s, WPARAM command, BYTE bit, bool on) {
  const int i = IndexOfCommand(s, static_cast<int>(command));
  if (i < 0) return FALSE;
  BYTE& state = s.buttons[static_cast<size_t>(i)].fsState;
  const BYTE old = state;
  state = on ? static_cast<BYTE>(state | bit) : static_cast<BYTE>(state & ~bit);
  if (old != state) {
    if (bit == TBSTATE_HIDDEN)
      InvalidateRect(hwnd, nullptr, FALSE);
    else
      RedrawButton(hwnd, s, i);
    if (bit == TBSTATE_ENABLED && !on && s.pressed == i) {
      s.pressed = -1;
      if (GetCapture() == hwnd) ReleaseCapture();
    }
  }
  return TRUE;
}

LRESULT StateQuery(const TBarState& s, WPARAM command, BYTE bit) {
  const int i = IndexOfCommand(s, static_cast<int>(command));
  if (i < 0) return 0;
  return (s.buttons[static_cast<size_t>(i)].fsState & bit) ? TRUE : FALSE;
}

LRESULT ToolBarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TBarState> s = ControlWindowState<TBarState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_SETFONT) Remeasure(*s);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r))
    return r;
  switch (msg) {
    case WM_CREATE:
      if (GetWindowLongPtr(hwnd, GWL_STYLE) & TBSTYLE_TOOLTIPS)
        s->tip = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASS, "",
                                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0, 0, 0, nullptr,
                                nullptr, HInstance(), nullptr);
      break;
    case WM_DESTROY:
      KillTimer(hwnd, kTipTimer);
      KillTimer(hwnd, kLeaveTimer);
      if (s->tip) {
        DestroyWindow(s->tip);
        s->tip = nullptr;
      }
      break;
    case WM_NOTIFY: {
      // The tip asks the bar; the bar's parent knows the texts.
      const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr && hdr->hwndFrom == s->tip)
        if (HWND parent = GetParent(hwnd)) return SendMessage(parent, WM_NOTIFY, wParam, lParam);
      return 0;
    }
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_TIMER:
      if (wParam == kTipTimer) ShowTip(hwnd, *s);
      if (wParam == kLeaveTimer) CheckLeave(hwnd, *s);
      return 0;
    case WM_MOUSEMOVE: {
      const POINT p = PointFromLParam(lParam);
      if (s->pressed >= 0) {
        const bool inside = ButtonAt(*s, p) == s->pressed;
        if (inside != s->pressedInside) {
          s->pressedInside = inside;
          RedrawButton(hwnd, *s, s->pressed);
        }
        return 0;
      }
      SetHot(hwnd, *s, ActiveButtonAt(*s, p));
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ButtonDown(hwnd, *s, PointFromLParam(lParam));
      return 0;
    case WM_LBUTTONUP:
      ButtonUp(hwnd, *s, PointFromLParam(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (s->pressed >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
        RedrawButton(hwnd, *s, s->pressed);
        s->pressed = -1;
        s->pressedInside = false;
      }
      return 0;
    case TB_BUTTONSTRUCTSIZE:
      return 0;
    case TB_ADDBUTTONSA:
    case TB_INSERTBUTTONA: {
      const auto* buttons = reinterpret_cast<const TBBUTTON*>(lParam);
      if (!buttons) return FALSE;
      // A caption is given as a pointer to its text (the string pool of
      // indexes is not kept): the bar keeps a copy.
      auto caption = [](const TBBUTTON& b) {
        return b.iString > 0xFFFF ? String(reinterpret_cast<LPCSTR>(b.iString)) : String();
      };
      Remeasure(*s);
      if (msg == TB_ADDBUTTONSA) {
        s->buttons.insert(s->buttons.end(), buttons, buttons + wParam);
        for (WPARAM n = 0; n < wParam; ++n) s->texts.push_back(caption(buttons[n]));
      } else {
        const int at = static_cast<int>(wParam);
        if (at < 0 || at > Count(*s)) return FALSE;
        s->buttons.insert(s->buttons.begin() + at, *buttons);
        s->texts.insert(s->texts.begin() + at, caption(*buttons));
        if (s->hot >= at) ++s->hot;
        if (s->pressed >= at) ++s->pressed;
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case TB_DELETEBUTTON: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return FALSE;
      HideTip(hwnd, *s);
      s->buttons.erase(s->buttons.begin() + i);
      s->texts.erase(s->texts.begin() + i);
      Remeasure(*s);
      if (s->hot == i) s->hot = -1;
      if (s->hot > i) --s->hot;
      if (s->pressed == i) {
        s->pressed = -1;
        if (GetCapture() == hwnd) ReleaseCapture();
      }
      if (s->pressed > i) --s->pressed;
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case TB_GETBUTTON: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s) || !lParam) return FALSE;
      auto* out = reinterpret_cast<TBBUTTON*>(lParam);
      *out = s->buttons[static_cast<size_t>(i)];
      const String& text = s->texts[static_cast<size_t>(i)];
      out->iString = text.empty() ? 0 : reinterpret_cast<INT_PTR>(text.c_str());
      return TRUE;
    }
    case TB_BUTTONCOUNT:
      return Count(*s);
    case TB_COMMANDTOINDEX:
      return IndexOfCommand(*s, static_cast<int>(wParam));
    case TB_ENABLEBUTTON:
      return SetStateBit(hwnd, *s, wParam, TBSTATE_ENABLED, LOWORD(lParam) != 0);
    case TB_CHECKBUTTON:
      return SetStateBit(hwnd, *s, wParam, TBSTATE_CHECKED, LOWORD(lParam) != 0);
    case TB_PRESSBUTTON:
      return SetStateBit(hwnd, *s, wParam, TBSTATE_PRESSED, LOWORD(lParam) != 0);
    case TB_HIDEBUTTON:
      return SetStateBit(hwnd, *s, wParam, TBSTATE_HIDDEN, LOWORD(lParam) != 0);
    case TB_ISBUTTONENABLED:
      return StateQuery(*s, wParam, TBSTATE_ENABLED);
    case TB_ISBUTTONCHECKED:
      return StateQuery(*s, wParam, TBSTATE_CHECKED);
    case TB_ISBUTTONPRESSED:
      return StateQuery(*s, wParam, TBSTATE_PRESSED);
    case TB_ISBUTTONHIDDEN:
      return StateQuery(*s, wParam, TBSTATE_HIDDEN);
    case TB_GETSTATE: {
      const int i = IndexOfCommand(*s, static_cast<int>(wParam));
      return i < 0 ? -1 : s->buttons[static_cast<size_t>(i)].fsState;
    }
    case TB_SETSTATE: {
      const int i = IndexOfCommand(*s, static_cast<int>(wParam));
      if (i < 0) return FALSE;
      s->buttons[static_cast<size_t>(i)].fsState = static_cast<BYTE>(LOWORD(lParam));
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case TB_GETITEMRECT:
    case TB_GETRECT: {
      const int i = msg == TB_GETRECT ? IndexOfCommand(*s, static_cast<int>(wParam))
                                      : static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s) || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = ButtonRect(*s, i);
      return TRUE;
    }
    case TB_HITTEST: {
      const auto* p = reinterpret_cast<const POINT*>(lParam);
      if (!p) return -1;
      const int i = ButtonAt(*s, *p);
      // Separators and the space after the buttons answer negative numbers.
      if (i >= 0 && !IsSeparator(s->buttons[static_cast<size_t>(i)])) return i;
      return i >= 0 ? -i - 1 : -Count(*s) - 1;
    }
    case TB_SETBUTTONSIZE:
      s->buttonSize = SIZE{std::max(1, static_cast<int>(LOWORD(lParam))),
                           std::max(1, static_cast<int>(HIWORD(lParam)))};
      Remeasure(*s);
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    case TB_GETBUTTONSIZE:
      return MAKELPARAM(ButtonSize(*s).cx, ButtonSize(*s).cy);
    case TB_SETIMAGELIST: {
      const HIMAGELIST old = s->images;
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      Remeasure(*s);
      InvalidateRect(hwnd, nullptr, FALSE);
      return reinterpret_cast<LRESULT>(old);
    }
    case TB_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->images);
    case TB_GETTOOLTIPS:
      return reinterpret_cast<LRESULT>(s->tip);
    case TB_SETEXTENDEDSTYLE: {
      const DWORD old = s->exStyle;
      s->exStyle = static_cast<DWORD>(lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case TB_GETEXTENDEDSTYLE:
      return s->exStyle;
    case TB_GETHOTITEM:
      return s->hot;
    case TB_SETHOTITEM: {
      const int old = s->hot;
      const int i = static_cast<int>(wParam);
      SetHot(hwnd, *s, i >= 0 && i < Count(*s) ? i : -1);
      return old;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterToolBarClass() {
  RegisterControlWindowClass(TOOLBARCLASSNAME, &ToolBarProc);
}
