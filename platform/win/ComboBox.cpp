// platform/win/ComboBox.cpp
#include "platform/win/ComboBox.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "platform/rtl/StringUtils.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Hook.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr int kDefaultVisible = 8;

struct TComboItem {
  String text;
  LPARAM data = 0;
};

struct TComboState {
  std::vector<TComboItem> items;
  int sel = -1;
  HFONT font = nullptr;
  bool focused = false;
  int itemHeight = 0;  // 0: from the font
  int minVisible = kDefaultVisible;
  // While dropped: the list window, its highlighted item and its first
  // visible item.
  HWND list = nullptr;
  int hot = -1;
  int top = 0;
  bool pressedOnBox = false;  // the press that dropped the list is still down
  // Watches the mouse while the list is down: a press on any other window
  // closes the list. (A capture would do, but a control holding the capture
  // loses the keyboard to its form.)
  HHOOK mouseHook = nullptr;
};

// The live combo boxes, so that GetComboBoxInfo can tell one from any other
// window (a control class built on ours has a name of its own). GUI thread.
std::unordered_set<HWND>& LiveCombos() {
  static std::unordered_set<HWND> combos;
  return combos;
}

TComboState* State(HWND hwnd) {
  return ControlWindowState<TComboState>(hwnd).get();
}

HFONT FontOf(const TComboState& s) {
  return ControlFont(s.font);
}

int ItemHeight(const TComboState& s) {
  if (s.itemHeight > 0) return s.itemHeight;
  const TMeasureDC m(s.font);
  TEXTMETRIC tm;
  GetTextMetrics(m.Dc(), &tm);
  return tm.tmHeight + 2;
}

int Count(const TComboState& s) {
  return static_cast<int>(s.items.size());
}

int VisibleRows(const TComboState& s) {
  return std::max(1, std::min(Count(s), std::max(1, s.minVisible)));
}

void Notify(HWND hwnd, WORD code) {
  if (HWND parent = GetParent(hwnd))
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                reinterpret_cast<LPARAM>(hwnd));
}

int ButtonWidth() {
  return GetSystemMetrics(SM_CXVSCROLL);
}

// --- Painting ------------------------------------------------------------

// The inside of the sunken edge, and the button at its right.
void Parts(HWND hwnd, RECT* inside, RECT* button) {
  GetClientRect(hwnd, inside);
  InflateRect(inside, -2, -2);
  *button = RECT{inside->right - ButtonWidth(), inside->top, inside->right, inside->bottom};
}

void PaintBox(HWND hwnd, HDC dc) {
  const TComboState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  const bool enabled = IsWindowEnabled(hwnd);
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  RECT r, button;
  Parts(hwnd, &r, &button);
  FillRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  DrawFrameControl(dc, &button, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (s.pressedOnBox && s.list ? DFCS_PUSHED : 0) |
                       (enabled ? 0 : DFCS_INACTIVE));
  RECT text{r.left + 1, r.top + 1, button.left - 1, r.bottom - 1};
  const bool highlight = s.focused && !s.list;
  if (highlight) FillRect(dc, &text, GetSysColorBrush(COLOR_HIGHLIGHT));
  if (s.sel >= 0) {
    HGDIOBJ old = SelectObject(dc, FontOf(s));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!enabled    ? COLOR_GRAYTEXT
                                 : highlight ? COLOR_HIGHLIGHTTEXT
                                             : COLOR_WINDOWTEXT));
    RECT tr = text;
    tr.left += 2;
    const String& t = s.items[static_cast<size_t>(s.sel)].text;
    DrawText(dc, t.c_str(), static_cast<int>(t.size()), &tr,
             DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
  }
  if (highlight) DrawFocusRect(dc, &text);
}

void PaintList(HWND list, HDC dc) {
  const HWND combo = reinterpret_cast<HWND>(GetWindowLongPtr(list, GWLP_USERDATA));
  TComboState* s = IsWindow(combo) ? State(combo) : nullptr;
  RECT client;
  GetClientRect(list, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  if (!s) return;
  const int h = ItemHeight(*s);
  const int rows = VisibleRows(*s);
  const bool scrolls = Count(*s) > rows;
  const int right = client.right - 1 - (scrolls ? ButtonWidth() : 0);
  HGDIOBJ old = SelectObject(dc, FontOf(*s));
  SetBkMode(dc, TRANSPARENT);
  for (int row = 0; row < rows && s->top + row < Count(*s); ++row) {
    const int i = s->top + row;
    RECT r{1, 1 + row * h, right, 1 + (row + 1) * h};
    const bool hot = i == s->hot;
    if (hot) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT tr = r;
    tr.left += 3;
    const String& t = s->items[static_cast<size_t>(i)].text;
    DrawText(dc, t.c_str(), static_cast<int>(t.size()), &tr,
             DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SelectObject(dc, old);
  if (scrolls) {
    // A track with a thumb showing which part of the list is in view.
    RECT track{right, 1, client.right - 1, client.bottom - 1};
    FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
    const int trackH = RectHeight(track);
    const int thumbH = std::max(8, trackH * rows / Count(*s));
    const int span = Count(*s) - rows;
    const int thumbTop = track.top + (trackH - thumbH) * s->top / std::max(1, span);
    RECT thumb{track.left, thumbTop, track.right, thumbTop + thumbH};
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

// --- Dropping ----------------------------------------------------------

void Redraw(HWND hwnd, TComboState& s) {
  InvalidateRect(hwnd, nullptr, FALSE);
  if (s.list) InvalidateRect(s.list, nullptr, FALSE);
}

void ScrollToHot(TComboState& s) {
  const int rows = VisibleRows(s);
  if (s.hot < 0) return;
  if (s.hot < s.top) s.top = s.hot;
  if (s.hot >= s.top + rows) s.top = s.hot - rows + 1;
  s.top = std::max(0, std::min(s.top, Count(s) - rows));
}

RECT DroppedRect(HWND hwnd, const TComboState& s) {
  RECT box;
  GetWindowRect(hwnd, &box);
  const int h = VisibleRows(s) * ItemHeight(s) + 2;
  RECT r{box.left, box.bottom, box.right, box.bottom + h};
  if (r.bottom > GetSystemMetrics(SM_CYSCREEN) && box.top - h >= 0)
    r = RECT{box.left, box.top - h, box.right, box.top};
  return r;
}

void CloseUp(HWND hwnd, TComboState& s, bool accept) {
  if (!s.list) return;
  const HWND list = s.list;
  const int chosen = s.hot;
  s.list = nullptr;
  s.pressedOnBox = false;
  DestroyWindow(list);
  if (s.mouseHook) {
    UnhookWindowsHookEx(s.mouseHook);
    s.mouseHook = nullptr;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
  const bool change = accept && chosen >= 0 && chosen != s.sel;
  Notify(hwnd, accept ? CBN_SELENDOK : CBN_SELENDCANCEL);
  if (!IsWindow(hwnd)) return;
  if (change) {
    s.sel = chosen;
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  Notify(hwnd, CBN_CLOSEUP);
  if (change && IsWindow(hwnd)) Notify(hwnd, CBN_SELCHANGE);
}

void DropDown(HWND hwnd, TComboState& s) {
  if (s.list) return;
  Notify(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd) || s.list) return;
  s.hot = s.sel;
  s.top = 0;
  ScrollToHot(s);
  const RECT r = DroppedRect(hwnd, s);
  s.list = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, WC_COMBOLBOX, "",
                          WS_POPUP, r.left, r.top, RectWidth(r), RectHeight(r), nullptr, nullptr,
                          HInstance(), nullptr);
  SetWindowLongPtr(s.list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(hwnd));
  SetWindowPos(s.list, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  s.mouseHook = SetWindowsHookEx(
      WH_MOUSE,
      [hwnd](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        const auto* m = reinterpret_cast<const MOUSEHOOKSTRUCTEX*>(lParam);
        const bool press = wParam == WM_LBUTTONDOWN || wParam == WM_RBUTTONDOWN ||
                           wParam == WM_MBUTTONDOWN || wParam == WM_NCLBUTTONDOWN ||
                           wParam == WM_NCRBUTTONDOWN || wParam == WM_NCMBUTTONDOWN;
        TComboState* st = IsWindow(hwnd) ? State(hwnd) : nullptr;
        if (code == HC_ACTION && press && st && st->list && m->hwnd != hwnd && m->hwnd != st->list)
          CloseUp(hwnd, *st, false);
        return CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  Redraw(hwnd, s);
}

// The item of the dropped list under a point of the box's client area, or -1.
int ListItemAt(HWND hwnd, const TComboState& s, POINT p) {
  if (!s.list) return -1;
  ClientToScreen(hwnd, &p);
  RECT lr;
  GetWindowRect(s.list, &lr);
  if (!PtInRect(lr, p)) return -1;
  const int row = (p.y - lr.top - 1) / ItemHeight(s);
  const int i = s.top + row;
  return row >= 0 && row < VisibleRows(s) && i < Count(s) ? i : -1;
}

bool OnBox(HWND hwnd, POINT p) {
  RECT client;
  GetClientRect(hwnd, &client);
  return PtInRect(client, p);
}

// --- Selection -----------------------------------------------------------

void Select(HWND hwnd, TComboState& s, int index, bool notify) {
  index = Count(s) == 0 ? -1 : std::max(0, std::min(index, Count(s) - 1));
  if (index == s.sel) return;
  s.sel = index;
  InvalidateRect(hwnd, nullptr, FALSE);
  if (notify) Notify(hwnd, CBN_SELCHANGE);
}

int Find(const TComboState& s, int after, const String& text, bool exact) {
  const int n = Count(s);
  for (int k = 1; k <= n; ++k) {
    const int i = ((after < 0 ? -1 : after) + k) % n;
    const String& t = s.items[static_cast<size_t>(i)].text;
    const bool match = exact ? SameText(t, text)
                             : t.size() >= text.size() && SameText(t.substr(0, text.size()), text);
    if (match) return i;
  }
  return static_cast<int>(CB_ERR);
}

// The new position after a navigation key from `from`; `from` itself for
// a key that does not move.
int Navigate(const TComboState& s, int from, UINT vk) {
  const int page = VisibleRows(s) - 1;
  switch (vk) {
    case VK_UP:
      return from < 0 ? 0 : from - 1;
    case VK_DOWN:
      return from + 1;
    case VK_HOME:
      return 0;
    case VK_END:
      return Count(s) - 1;
    case VK_PRIOR:
      return from - std::max(1, page);
    case VK_NEXT:
      return from + std::max(1, page);
    default:
      return from;
  }
}

bool IsNavigation(UINT vk) {
  return vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END || vk == VK_PRIOR ||
         vk == VK_NEXT;
}

void KeyDown(HWND hwnd, TComboState& s, UINT vk) {
  const bool alt = GetKeyState(VK_MENU) < 0;
  if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
    if (s.list)
      CloseUp(hwnd, s, true);
    else
      DropDown(hwnd, s);
    return;
  }
  if (s.list) {
    if (vk == VK_RETURN) {
      CloseUp(hwnd, s, true);
    } else if (vk == VK_ESCAPE) {
      CloseUp(hwnd, s, false);
    } else if (IsNavigation(vk) && Count(s) > 0) {
      s.hot = std::max(0, std::min(Navigate(s, s.hot, vk), Count(s) - 1));
      ScrollToHot(s);
      Redraw(hwnd, s);
    }
    return;
  }
  if (IsNavigation(vk) && Count(s) > 0) Select(hwnd, s, Navigate(s, s.sel, vk), true);
}

void Char(HWND hwnd, TComboState& s, WPARAM ch) {
  if (ch < 0x20 || ch > 0x7E || Count(s) == 0) return;
  const int found = Find(s, s.list ? s.hot : s.sel, String(1, static_cast<char>(ch)), false);
  if (found < 0) return;
  if (s.list) {
    s.hot = found;
    ScrollToHot(s);
    Redraw(hwnd, s);
  } else {
    Select(hwnd, s, found, true);
  }
}

// --- Window procedures -----------------------------------------------------

void Mouse(HWND hwnd, TComboState& s, UINT msg, POINT p);

LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP: {
      // The pointer over the list is the combo box's business.
      const HWND combo = reinterpret_cast<HWND>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
      if (!IsWindow(combo) || !State(combo)) return 0;
      POINT p = PointFromLParam(lParam);
      MapWindowPoints(hwnd, combo, &p, 1);
      Mouse(combo, *State(combo), msg, p);
      return 0;
    }
    case WM_PAINT:
      return PaintControlWindow(hwnd, wParam, &PaintList);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

// A mouse message on the box or the list, at a point of the box's client area.
void Mouse(HWND hwnd, TComboState& s, UINT msg, POINT p) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (GetFocus() != hwnd) SetFocus(hwnd);
      if (!IsWindow(hwnd)) return;
      if (s.list) {
        if (ListItemAt(hwnd, s, p) < 0) CloseUp(hwnd, s, false);  // an item: chosen at the release
      } else if (OnBox(hwnd, p)) {
        s.pressedOnBox = true;
        DropDown(hwnd, s);
      }
      return;
    case WM_MOUSEMOVE:
      if (s.list) {
        const int i = ListItemAt(hwnd, s, p);
        if (i >= 0 && i != s.hot) {
          s.hot = i;
          InvalidateRect(s.list, nullptr, FALSE);
        }
      }
      return;
    case WM_LBUTTONUP:
      if (s.list) {
        // Releasing the press that dropped the list, on the box, leaves it
        // down; a release on an item chooses it.
        const int i = ListItemAt(hwnd, s, p);
        if (i >= 0) {
          s.hot = i;
          CloseUp(hwnd, s, true);
        } else if (s.pressedOnBox) {
          s.pressedOnBox = false;
          InvalidateRect(hwnd, nullptr, FALSE);
        }
      }
      return;
  }
}

LRESULT ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TComboState> s = ControlWindowState<TComboState>(hwnd, msg);
  if (msg == WM_NCCREATE) LiveCombos().insert(hwnd);
  if (msg == WM_NCDESTROY) LiveCombos().erase(hwnd);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &PaintBox, r))
    return r;
  switch (msg) {
    case WM_DESTROY:
      if (s->list) {
        DestroyWindow(s->list);
        s->list = nullptr;
      }
      if (s->mouseHook) {
        UnhookWindowsHookEx(s->mouseHook);
        s->mouseHook = nullptr;
      }
      break;
    case WM_ENABLE:
      if (!wParam) CloseUp(hwnd, *s, false);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      // Enter and Escape belong to the list while it is down.
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->list ? DLGC_WANTALLKEYS : 0);
    case WM_SETFOCUS:
      s->focused = true;
      InvalidateRect(hwnd, nullptr, FALSE);
      Notify(hwnd, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s->focused = false;
      CloseUp(hwnd, *s, false);
      InvalidateRect(hwnd, nullptr, FALSE);
      if (IsWindow(hwnd)) Notify(hwnd, CBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      Mouse(hwnd, *s, msg, PointFromLParam(lParam));
      return 0;
    case WM_MOUSEWHEEL: {
      const int steps = -GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      if (steps == 0 || Count(*s) == 0) return 0;
      if (s->list) {
        s->top = std::max(0, std::min(s->top + steps, Count(*s) - VisibleRows(*s)));
        InvalidateRect(s->list, nullptr, FALSE);
      } else {
        Select(hwnd, *s, std::max(0, s->sel + steps), true);
      }
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      KeyDown(hwnd, *s, static_cast<UINT>(wParam));
      if (msg == WM_SYSKEYDOWN && wParam != VK_DOWN && wParam != VK_UP) break;
      return 0;
    case WM_CHAR:
      Char(hwnd, *s, wParam);
      return 0;
    case WM_GETTEXTLENGTH:
      return s->sel >= 0 ? static_cast<LRESULT>(s->items[static_cast<size_t>(s->sel)].text.size())
                         : 0;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(lParam);
      if (!buf || wParam == 0) return 0;
      const String t = s->sel >= 0 ? s->items[static_cast<size_t>(s->sel)].text : String();
      const size_t n = std::min<size_t>(t.size(), wParam - 1);
      std::memcpy(buf, t.data(), n);
      buf[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT: {
      // A drop-down list shows only its items: the text selects one.
      const char* text = reinterpret_cast<const char*>(lParam);
      const int i = text && Count(*s) ? Find(*s, -1, text, true) : -1;
      if (i < 0) return CB_ERR;
      Select(hwnd, *s, i, false);
      return TRUE;
    }
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      if (!lParam) return CB_ERR;
      TComboItem item{reinterpret_cast<const char*>(lParam), 0};
      int at = msg == CB_ADDSTRING || static_cast<int>(wParam) < 0 ? Count(*s)
                                                                   : static_cast<int>(wParam);
      if (at > Count(*s)) return CB_ERR;
      if (msg == CB_ADDSTRING && (GetWindowLongPtr(hwnd, GWL_STYLE) & CBS_SORT)) {
        at = static_cast<int>(std::upper_bound(s->items.begin(), s->items.end(), item,
                                               [](const TComboItem& a, const TComboItem& b) {
                                                 return CompareText(a.text, b.text) < 0;
                                               }) -
                              s->items.begin());
      }
      s->items.insert(s->items.begin() + at, item);
      if (s->sel >= at) ++s->sel;
      if (s->list) InvalidateRect(s->list, nullptr, FALSE);
      return at;
    }
    case CB_DELETESTRING: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return CB_ERR;
      s->items.erase(s->items.begin() + i);
      if (s->sel == i)
        s->sel = -1;
      else if (s->sel > i)
        --s->sel;
      if (s->hot >= Count(*s)) s->hot = Count(*s) - 1;
      Redraw(hwnd, *s);
      return Count(*s);
    }
    case CB_RESETCONTENT:
      CloseUp(hwnd, *s, false);
      s->items.clear();
      s->sel = -1;
      InvalidateRect(hwnd, nullptr, FALSE);
      return CB_OKAY;
    case CB_GETCOUNT:
      return Count(*s);
    case CB_GETCURSEL:
      return s->sel;
    case CB_SETCURSEL: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) {
        // -1 (or any other number outside the list) clears the selection.
        s->sel = -1;
        InvalidateRect(hwnd, nullptr, FALSE);
        return CB_ERR;
      }
      s->sel = i;
      if (s->list) {
        s->hot = i;
        ScrollToHot(*s);
      }
      Redraw(hwnd, *s);
      return i;
    }
    case CB_GETLBTEXTLEN:
    case CB_GETLBTEXT: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return CB_ERR;
      const String& t = s->items[static_cast<size_t>(i)].text;
      if (msg == CB_GETLBTEXT && lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case CB_GETITEMDATA:
    case CB_SETITEMDATA: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return CB_ERR;
      if (msg == CB_SETITEMDATA) {
        s->items[static_cast<size_t>(i)].data = lParam;
        return TRUE;
      }
      return s->items[static_cast<size_t>(i)].data;
    }
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
      if (!lParam || Count(*s) == 0) return CB_ERR;
      const int found = Find(*s, static_cast<int>(wParam), reinterpret_cast<const char*>(lParam),
                             msg == CB_FINDSTRINGEXACT);
      if (msg == CB_SELECTSTRING && found >= 0) Select(hwnd, *s, found, false);
      return found;
    }
    case CB_SHOWDROPDOWN:
      if (wParam)
        DropDown(hwnd, *s);
      else
        CloseUp(hwnd, *s, false);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->list ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lParam) return CB_ERR;
      RECT box;
      GetWindowRect(hwnd, &box);
      const RECT list = DroppedRect(hwnd, *s);
      UnionRect(reinterpret_cast<RECT*>(lParam), &box, &list);
      return TRUE;
    }
    case CB_SETITEMHEIGHT:
      if (static_cast<int>(lParam) <= 0 || lParam > 255) return CB_ERR;
      s->itemHeight = static_cast<int>(lParam);
      Redraw(hwnd, *s);
      return 0;
    case CB_GETITEMHEIGHT:
      return ItemHeight(*s);
    case CB_SETMINVISIBLE:
      if (static_cast<int>(wParam) <= 0) return FALSE;
      s->minVisible = static_cast<int>(wParam);
      return TRUE;
    case CB_GETMINVISIBLE:
      return s->minVisible;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  if (!info || !LiveCombos().count(combo)) return FALSE;
  const TComboState* s = State(combo);
  if (!s) return FALSE;
  Parts(combo, &info->rcItem, &info->rcButton);
  info->rcItem.right = info->rcButton.left;
  info->stateButton = s->list && s->pressedOnBox ? STATE_SYSTEM_PRESSED : 0;
  info->hwndCombo = combo;
  info->hwndItem = combo;
  info->hwndList = s->list;
  return TRUE;
}

void RegisterComboBoxClass() {
  RegisterControlWindowClass(WC_COMBOBOX, &ComboProc);
  RegisterControlWindowClass(WC_COMBOLBOX, &ListProc);
}
