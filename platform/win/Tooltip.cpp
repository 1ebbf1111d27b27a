// platform/win/Tooltip.cpp
//
// The tooltip control, class "tooltips_class32" (WinNotify.h), in two modes.
// Tracking: the program places the tip with TTM_TRACKPOSITION and shows or
// hides it with TTM_TRACKACTIVATE for one of its tools. Hover: the tip sees
// the mouse over its tools (TTM_RELAYEVENT, or by itself for TTF_SUBCLASS
// tools, through a mouse hook of the tip's thread); once the pointer rests on
// a tool for the initial delay the tip shows beside the pointer, and it goes
// after the auto-pop delay, when the pointer leaves the tool or a button is
// pressed; it shows again only after the pointer has left the tool. With TTS_BALLOON it is a
// rounded balloon whose stem points at the tracked point (above the point,
// or below it when there is no room above); without, a plain rectangle
// below and to the right of the point, as hints are. A title with an icon
// (TTM_SETTITLE: none, information, warning, error) heads the text. The tip
// is always topmost and never takes the activation.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/rtl/Unicode.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Hook.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "platform/win/WinNotify.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

constexpr int kBalloonPad = 10;  // between the balloon's edge and its content
constexpr int kPlainPad = 3;     // the same for a plain tip
constexpr int kStemHeight = 16;  // from the body to the tracked point
constexpr int kStemWidth = 16;   // the stem's base on the body
constexpr int kStemInset = 16;   // from the body's left edge to the stem
constexpr int kCorner = 14;      // diameter of the body's rounded corners
constexpr int kIconSize = 16;
constexpr int kTitleGap = 6;  // between icon and title, and title and text

// Hover mode's timers on the tip window, and its delays' defaults (ms).
constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr int kInitialDelay = 500;
constexpr int kAutoPopDelay = 5000;
constexpr int kPointerGap = 20;  // a plain tip sits this far below the pointer

struct TTool {
  UINT flags = 0;
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  RECT rect;
  String text;
  bool callback = false;  // the text is asked of the tool's window
  LPARAM lParam = 0;
};

struct TTipState {
  std::vector<TTool> tools;
  bool active = true;  // TTM_ACTIVATE
  bool tracking = false;
  HWND trackHwnd = nullptr;
  UINT_PTR trackId = 0;
  POINT trackPos;
  int maxWidth = -1;
  COLORREF back = GetSysColor(COLOR_INFOBK);
  COLORREF fore = GetSysColor(COLOR_INFOTEXT);
  String title;
  WPARAM icon = TTI_NONE;
  HFONT font = nullptr;
  // Hover mode: the tool under the pointer, whether its tip shows, and
  // whether it showed already (it waits for the pointer to leave).
  bool hovering = false;
  HWND hoverHwnd = nullptr;
  UINT_PTR hoverId = 0;
  bool hoverShown = false;
  bool hoverDone = false;
  POINT pointer{0, 0};
  int initialDelay = kInitialDelay;
  int autoPopDelay = kAutoPopDelay;
  HHOOK mouseHook = nullptr;  // while it has TTF_SUBCLASS tools
  // Layout, in client coordinates, made when the tip is placed.
  RECT body;
  POINT stem[3];  // base, tip, base
  RECT titleRect, textRect;
  String shownText;
};

using TTipPtr = std::shared_ptr<TTipState>;

TTipPtr StateOf(HWND hwnd) {
  return ControlWindowState<TTipState>(hwnd);
}

bool IsBalloon(HWND hwnd) {
  return GetWindowLongPtr(hwnd, GWL_STYLE) & TTS_BALLOON;
}

template <class TInfo>
TTool* FindTool(TTipState& s, const TInfo* info) {
  if (!info) return nullptr;
  for (TTool& t : s.tools)
    if (t.hwnd == info->hwnd && t.id == info->uId) return &t;
  return nullptr;
}

TTool* FindTool(TTipState& s, HWND hwnd, UINT_PTR id) {
  for (TTool& t : s.tools)
    if (t.hwnd == hwnd && t.id == id) return &t;
  return nullptr;
}

// The tool whose tip shows: the tracked one, else the one hovered.
TTool* Tracked(TTipState& s) {
  if (s.tracking) return FindTool(s, s.trackHwnd, s.trackId);
  if (s.hoverShown) return FindTool(s, s.hoverHwnd, s.hoverId);
  return nullptr;
}

void SetText(TTool& t, LPCSTR text) {
  t.callback = text == LPSTR_TEXTCALLBACKA;
  t.text = text && !t.callback ? text : "";
}
void SetText(TTool& t, LPCWSTR text) {
  t.callback = text == LPSTR_TEXTCALLBACKW;
  t.text = text && !t.callback ? Utf16ToUtf8(text) : "";
}

template <class TInfo>
LRESULT AddTool(TTipState& s, const TInfo* info) {
  if (!info) return FALSE;
  TTool* t = FindTool(s, info);
  if (!t) t = &s.tools.emplace_back();
  t->flags = info->uFlags;
  t->hwnd = info->hwnd;
  t->id = info->uId;
  t->rect = info->rect;
  t->lParam = info->lParam;
  SetText(*t, info->lpszText);
  return TRUE;
}

String TextOf(HWND tip, const TTool& t) {
  if (!t.callback) return t.text;
  NMTTDISPINFOA info;
  info.hdr.hwndFrom = tip;
  info.hdr.idFrom = t.id;
  info.hdr.code = TTN_GETDISPINFOA;
  info.lParam = t.lParam;
  if (t.hwnd) SendMessage(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&info));
  if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKA) return info.lpszText;
  return String(info.szText, strnlen(info.szText, sizeof info.szText));
}

// The title's font: the tip's own in bold.
HFONT MakeTitleFont(HFONT font) {
  LOGFONT lf;
  GetObject(font, sizeof lf, &lf);
  lf.lfWeight = FW_BOLD;
  return CreateFontIndirect(&lf);
}

HFONT FontOf(const TTipState& s) {
  return ControlFont(s.font);
}

// Measures the content and places the window at the tracked point.
void Place(HWND hwnd, TTipState& s) {
  const TTool* tool = Tracked(s);
  if (!tool) return;
  s.shownText = TextOf(hwnd, *tool);
  if (!IsWindow(hwnd)) return;
  const bool balloon = IsBalloon(hwnd);
  const int pad = balloon ? kBalloonPad : kPlainPad;

  const TMeasureDC measure(s.font);
  const HDC dc = measure.Dc();
  UINT format = DT_CALCRECT | DT_NOPREFIX;
  RECT text{0, 0, 0, 0};
  if (s.maxWidth > 0) {
    text.right = s.maxWidth;
    format |= DT_WORDBREAK;
  }
  if (!s.shownText.empty())
    DrawText(dc, s.shownText.data(), static_cast<int>(s.shownText.size()), &text, format);
  SIZE title{0, 0};
  if (!s.title.empty()) {
    HFONT bold = MakeTitleFont(FontOf(s));
    SelectObject(dc, bold);
    GetTextExtentPoint32(dc, s.title.data(), static_cast<int>(s.title.size()), &title);
    SelectObject(dc, FontOf(s));
    DeleteObject(bold);
    if (s.icon != TTI_NONE) {
      title.cx += kIconSize + kTitleGap;
      title.cy = std::max<LONG>(title.cy, kIconSize);
    }
  }

  const int titleH = title.cy ? title.cy + kTitleGap : 0;
  const int w = 2 * pad + std::max<int>(text.right - text.left, title.cx);
  const int h = 2 * pad + titleH + (text.bottom - text.top);
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  const POINT pt = s.trackPos;
  RECT win;
  if (balloon) {
    int left = std::max(0, std::min<int>(pt.x - kStemInset, screenW - w));
    // The stem's last pixel is the tracked point itself.
    const bool below = pt.y + 1 - kStemHeight - h < 0;
    const int top = below ? pt.y : pt.y + 1 - kStemHeight - h;
    win = RECT{std::min<int>(left, pt.x), top, std::max<int>(left + w, pt.x + 1),
               top + h + kStemHeight};
    s.body = RECT{left - win.left, below ? kStemHeight : 0, left - win.left + w,
                  (below ? kStemHeight : 0) + h};
    // The stem's straight edge stands over the point; its base stays on the body's straight part.
    const int tipX = pt.x - win.left;
    const int baseX = std::max<int>(s.body.left + kCorner / 2,
                                    std::min<int>(tipX, s.body.right - kCorner / 2 - kStemWidth));
    const int baseY = below ? s.body.top : s.body.bottom - 1;
    s.stem[0] = POINT{baseX, baseY};
    s.stem[1] = POINT{tipX, below ? 0 : win.bottom - win.top - 1};
    s.stem[2] = POINT{baseX + kStemWidth, baseY};
  } else {
    const int left = std::max(0, std::min<int>(pt.x, screenW - w));
    const int top = std::max(0, std::min<int>(pt.y, screenH - h));
    win = RECT{left, top, left + w, top + h};
    s.body = RECT{0, 0, w, h};
  }
  s.titleRect =
      RECT{s.body.left + pad, s.body.top + pad, s.body.right - pad, s.body.top + pad + title.cy};
  s.textRect =
      RECT{s.body.left + pad, s.body.top + pad + titleH, s.body.right - pad, s.body.bottom - pad};
  SetWindowPos(hwnd, HWND_TOPMOST, win.left, win.top, win.right - win.left, win.bottom - win.top,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void Hide(HWND hwnd) {
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows, moves or hides the tip after a change of what it shows.
void Update(HWND hwnd, TTipState& s) {
  if ((s.tracking || s.hoverShown) && s.active && Tracked(s))
    Place(hwnd, s);
  else if (IsWindowVisible(hwnd))
    Hide(hwnd);
}

// --- Hover mode ------------------------------------------------------------------

// The tool of a window under a point of its client area, or nullptr.
TTool* ToolAt(TTipState& s, HWND window, POINT client, bool subclassOnly) {
  for (TTool& t : s.tools) {
    if ((t.flags & TTF_TRACK) || (subclassOnly && !(t.flags & TTF_SUBCLASS))) continue;
    if (t.flags & TTF_IDISHWND) {
      if (reinterpret_cast<HWND>(t.id) == window) return &t;
    } else if (t.hwnd == window && PtInRect(t.rect, client)) {
      return &t;
    }
  }
  return nullptr;
}

void EndHover(HWND tip, TTipState& s) {
  KillTimer(tip, kShowTimer);
  KillTimer(tip, kPopTimer);
  if (s.hoverShown) {
    s.hoverShown = false;
    Update(tip, s);
  }
}

// A mouse message over `window` at `screen`; from the hook, only the
// TTF_SUBCLASS tools are looked for (the others hear of the mouse by relay).
void Relay(HWND tip, TTipState& s, HWND window, UINT msg, POINT screen, bool subclassOnly) {
  if (s.tracking || !s.active) return;
  POINT client = screen;
  ScreenToClient(window, &client);
  TTool* tool = ToolAt(s, window, client, subclassOnly);
  // The hook sees every window: one that is no tool's ends only its own kind of hover.
  if (subclassOnly && !tool && s.hovering) {
    const TTool* current = FindTool(s, s.hoverHwnd, s.hoverId);
    if (current && !(current->flags & TTF_SUBCLASS)) return;
  }
  const bool same = tool && s.hovering && tool->hwnd == s.hoverHwnd && tool->id == s.hoverId;
  if (!same) {
    EndHover(tip, s);
    s.hovering = tool != nullptr;
    s.hoverDone = false;
    if (!tool) return;
    s.hoverHwnd = tool->hwnd;
    s.hoverId = tool->id;
  }
  s.pointer = screen;
  if (msg != WM_MOUSEMOVE) {
    // A press ends the tip until the pointer leaves the tool.
    EndHover(tip, s);
    s.hoverDone = true;
    return;
  }
  if (!s.hoverShown && !s.hoverDone) SetTimer(tip, kShowTimer, static_cast<UINT>(s.initialDelay));
}

void HoverTimer(HWND tip, TTipState& s, UINT_PTR id) {
  KillTimer(tip, id);
  if (id == kShowTimer && s.hovering && !s.hoverShown && !s.tracking) {
    const bool balloon = IsBalloon(tip);
    s.trackPos = balloon ? s.pointer : POINT{s.pointer.x, s.pointer.y + kPointerGap};
    s.hoverShown = true;
    Update(tip, s);
    SetTimer(tip, kPopTimer, static_cast<UINT>(s.autoPopDelay));
  } else if (id == kPopTimer) {
    EndHover(tip, s);
    s.hoverDone = true;
  }
}

// Tools with TTF_SUBCLASS are watched through a mouse hook of the tip's own.
void WatchSubclassTools(HWND tip, TTipState& s) {
  const bool wanted = std::any_of(s.tools.begin(), s.tools.end(),
                                  [](const TTool& t) { return t.flags & TTF_SUBCLASS; });
  if (wanted && !s.mouseHook) {
    s.mouseHook = SetWindowsHookEx(
        WH_MOUSE,
        [tip](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
          HHOOK self = nullptr;
          if (const TTipPtr st = StateOf(tip)) {
            self = st->mouseHook;
            const auto* info = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
            if (code == HC_ACTION && info && info->hwnd) {
              const UINT msg = static_cast<UINT>(wParam);
              const bool mouse = msg == WM_MOUSEMOVE || msg == WM_LBUTTONDOWN ||
                                 msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN;
              if (mouse) Relay(tip, *st, info->hwnd, msg, info->pt, true);
            }
          }
          return CallNextHookEx(self, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
  } else if (!wanted && s.mouseHook) {
    UnhookWindowsHookEx(s.mouseHook);
    s.mouseHook = nullptr;
  }
}

// --- Painting --------------------------------------------------------------------

// A filled shape in one colour with a frame in another.
class TPenAndBrush {
 public:
  TPenAndBrush(HDC dc, COLORREF frame, COLORREF fill, int width = 1)
      : dc_(dc), pen_(CreatePen(0, width, frame)), brush_(CreateSolidBrush(fill)) {
    oldPen_ = SelectObject(dc, pen_);
    oldBrush_ = SelectObject(dc, brush_);
  }
  ~TPenAndBrush() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  TPenAndBrush(const TPenAndBrush&) = delete;
  TPenAndBrush& operator=(const TPenAndBrush&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
  RECT rc{l, t, r, b};
  HBRUSH brush = CreateSolidBrush(c);
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

// The title icons, drawn in a 16 x 16 square at (x, y).
void DrawIcon(HDC dc, WPARAM icon, int x, int y) {
  switch (icon) {
    case TTI_INFO: {
      TPenAndBrush pb(dc, RGB(0, 64, 160), RGB(40, 110, 220));
      Ellipse(dc, x, y, x + kIconSize, y + kIconSize);
      Fill(dc, x + 7, y + 3, x + 9, y + 5, RGB(255, 255, 255));   // the dot of the "i"
      Fill(dc, x + 7, y + 6, x + 9, y + 13, RGB(255, 255, 255));  // its stem
      break;
    }
    case TTI_WARNING: {
      TPenAndBrush pb(dc, RGB(120, 90, 0), RGB(255, 210, 40));
      const POINT triangle[3] = {{x + 8, y}, {x + 15, y + 15}, {x, y + 15}};
      Polygon(dc, triangle, 3);
      Fill(dc, x + 7, y + 5, x + 9, y + 11, RGB(0, 0, 0));   // the bar of the "!"
      Fill(dc, x + 7, y + 12, x + 9, y + 14, RGB(0, 0, 0));  // its dot
      break;
    }
    case TTI_ERROR: {
      {
        TPenAndBrush pb(dc, RGB(128, 0, 0), RGB(220, 40, 30));
        Ellipse(dc, x, y, x + kIconSize, y + kIconSize);
      }
      TPenAndBrush cross(dc, RGB(255, 255, 255), RGB(255, 255, 255), 2);
      MoveToEx(dc, x + 5, y + 5, nullptr);
      LineTo(dc, x + 11, y + 11);
      MoveToEx(dc, x + 10, y + 5, nullptr);
      LineTo(dc, x + 4, y + 11);
      break;
    }
    default:
      break;
  }
}

void Paint(HWND hwnd, HDC dc) {
  const TTipState& s = *StateOf(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  if (IsBalloon(hwnd)) {
    // Outside the balloon's shape the window shows the ordinary window colour.
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    TPenAndBrush pb(dc, frame, s.back);
    RoundRect(dc, s.body.left, s.body.top, s.body.right, s.body.bottom, kCorner, kCorner);
    Polygon(dc, s.stem, 3);
    // The stem's base joins the body: no frame line across it.
    const bool below = s.stem[1].y < s.stem[0].y;
    const int y = s.stem[0].y;
    Fill(dc, s.stem[0].x + 1, below ? y : y - 1, s.stem[2].x, below ? y + 2 : y + 1, s.back);
    Fill(dc, s.stem[0].x, below ? y : y - 1, s.stem[0].x + 1, below ? y + 1 : y, frame);
  } else {
    Fill(dc, client.left, client.top, client.right, client.bottom, s.back);
    FrameRect(dc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, s.fore);
  HGDIOBJ old = SelectObject(dc, FontOf(s));
  if (!s.title.empty()) {
    int x = s.titleRect.left;
    if (s.icon != TTI_NONE) {
      DrawIcon(dc, s.icon, x,
               s.titleRect.top + (s.titleRect.bottom - s.titleRect.top - kIconSize) / 2);
      x += kIconSize + kTitleGap;
    }
    HFONT bold = MakeTitleFont(FontOf(s));
    SelectObject(dc, bold);
    RECT r{x, s.titleRect.top, s.titleRect.right, s.titleRect.bottom};
    DrawText(dc, s.title.data(), static_cast<int>(s.title.size()), &r,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, FontOf(s));
    DeleteObject(bold);
  }
  RECT r = s.textRect;
  DrawText(dc, s.shownText.data(), static_cast<int>(s.shownText.size()), &r,
           DT_NOPREFIX | (s.maxWidth > 0 ? DT_WORDBREAK : 0));
  SelectObject(dc, old);
}

// --- Messages --------------------------------------------------------------------

LRESULT TipMessage(HWND hwnd, TTipState& s, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case TTM_ADDTOOLA:
    case TTM_ADDTOOLW: {
      const LRESULT added = msg == TTM_ADDTOOLA
                                ? AddTool(s, reinterpret_cast<const TOOLINFOA*>(lParam))
                                : AddTool(s, reinterpret_cast<const TOOLINFOW*>(lParam));
      WatchSubclassTools(hwnd, s);
      return added;
    }
    case TTM_RELAYEVENT:
      if (const auto* m = reinterpret_cast<const MSG*>(lParam); m && m->hwnd) {
        POINT screen = PointFromLParam(m->lParam);
        ClientToScreen(m->hwnd, &screen);
        if (m->message == WM_MOUSEMOVE || m->message == WM_LBUTTONDOWN ||
            m->message == WM_RBUTTONDOWN || m->message == WM_MBUTTONDOWN)
          Relay(hwnd, s, m->hwnd, m->message, screen, false);
      }
      return 0;
    case TTM_SETDELAYTIME: {
      const int ms = static_cast<short>(LOWORD(static_cast<UINT_PTR>(lParam)));
      if (wParam == TTDT_INITIAL || wParam == TTDT_AUTOMATIC)
        s.initialDelay = ms < 0 ? kInitialDelay : ms;
      if (wParam == TTDT_AUTOPOP || wParam == TTDT_AUTOMATIC)
        s.autoPopDelay = ms < 0 ? kAutoPopDelay : (wParam == TTDT_AUTOMATIC ? ms * 10 : ms);
      return 0;
    }
    case WM_TIMER:
      HoverTimer(hwnd, s, wParam);
      return 0;
    case WM_NCDESTROY:
      if (s.mouseHook) UnhookWindowsHookEx(s.mouseHook);
      s.mouseHook = nullptr;
      return DefWindowProc(hwnd, msg, wParam, lParam);
    case TTM_DELTOOLA:
    case TTM_DELTOOLW: {
      const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);  // the same leading fields
      if (!info) return 0;
      std::erase_if(s.tools,
                    [&](const TTool& t) { return t.hwnd == info->hwnd && t.id == info->uId; });
      if (s.hovering && !FindTool(s, s.hoverHwnd, s.hoverId)) {
        EndHover(hwnd, s);
        s.hovering = false;
      }
      WatchSubclassTools(hwnd, s);
      Update(hwnd, s);
      return 0;
    }
    case TTM_UPDATETIPTEXTA:
    case TTM_UPDATETIPTEXTW: {
      TTool* t = msg == TTM_UPDATETIPTEXTA
                     ? FindTool(s, reinterpret_cast<const TOOLINFOA*>(lParam))
                     : FindTool(s, reinterpret_cast<const TOOLINFOW*>(lParam));
      if (!t) return 0;
      if (msg == TTM_UPDATETIPTEXTA)
        SetText(*t, reinterpret_cast<const TOOLINFOA*>(lParam)->lpszText);
      else
        SetText(*t, reinterpret_cast<const TOOLINFOW*>(lParam)->lpszText);
      Update(hwnd, s);
      return 0;
    }
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(s.tools.size());
    case TTM_ACTIVATE:
      s.active = wParam != 0;
      Update(hwnd, s);
      return 0;
    case TTM_TRACKACTIVATE: {
      const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
      if (wParam && info) {
        s.tracking = true;
        s.trackHwnd = info->hwnd;
        s.trackId = info->uId;
      } else {
        s.tracking = false;
      }
      Update(hwnd, s);
      return 0;
    }
    case TTM_TRACKPOSITION:
      s.trackPos = PointFromLParam(lParam);
      if (s.tracking) Update(hwnd, s);
      return 0;
    case TTM_POP:
      if (IsWindowVisible(hwnd)) Hide(hwnd);
      return 0;
    case TTM_UPDATE:
      Update(hwnd, s);
      return 0;
    case TTM_SETMAXTIPWIDTH: {
      const int old = s.maxWidth;
      s.maxWidth = static_cast<int>(lParam);
      if (s.tracking) Update(hwnd, s);
      return old;
    }
    case TTM_GETMAXTIPWIDTH:
      return s.maxWidth;
    case TTM_SETTIPBKCOLOR:
      s.back = static_cast<COLORREF>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TTM_SETTIPTEXTCOLOR:
      s.fore = static_cast<COLORREF>(wParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TTM_GETTIPBKCOLOR:
      return s.back;
    case TTM_GETTIPTEXTCOLOR:
      return s.fore;
    case TTM_SETTITLEA:
    case TTM_SETTITLEW:
      // Icons beyond the standard three (icon handles) are shown as none.
      s.icon = wParam <= TTI_ERROR ? wParam : TTI_NONE;
      if (!lParam)
        s.title.clear();
      else if (msg == TTM_SETTITLEA)
        s.title = reinterpret_cast<LPCSTR>(lParam);
      else
        s.title = Utf16ToUtf8(reinterpret_cast<LPCWSTR>(lParam));
      if (s.tracking) Update(hwnd, s);
      return TRUE;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

LRESULT TipWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const TTipPtr s = ControlWindowState<TTipState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_NCCREATE) {
    // A tip is always above the windows it explains.
    SetWindowLongPtr(hwnd, GWL_EXSTYLE,
                     GetWindowLongPtr(hwnd, GWL_EXSTYLE) | WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r)) {
    if (msg == WM_SETFONT && s->tracking) Update(hwnd, *s);
    return r;
  }
  return TipMessage(hwnd, *s, msg, wParam, lParam);
}

}  // namespace

namespace winkernel {
void RegisterTooltipClass() {
  RegisterControlWindowClass(TOOLTIPS_CLASS, &TipWndProc, CS_DBLCLKS);
}
}  // namespace winkernel
