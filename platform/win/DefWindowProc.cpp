// platform/win/DefWindowProc.cpp
//
// The default handling of messages: what a window does with a message its
// own procedure passes on. It keeps the window's text, computes the frame and
// answers hit tests from the style, turns frame clicks into system commands
// (move, size, minimise, maximise, restore, close, the system menu), keeps a
// sizeable window within its tracking sizes, reports moves and sizes, sets
// the focus on activation, chooses the cursor and passes mouse activation,
// the wheel and context menus up to the parent. Painting by default
// (WindowFrame.cpp) validates, erases with the class brush and draws the
// frame and caption.
#include <algorithm>
#include <cstring>

#include "platform/win/Cursor.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowFrame.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

LRESULT HitTest(const TWindowEntry& w, POINT pt) {
  const POINT o = winkernel::ParentOrigin(w);
  RECT wr = w.rect;
  OffsetRect(wr, o.x, o.y);
  if (!PtInRect(wr, pt)) return HTNOWHERE;
  if (w.style & WS_MINIMIZE) return HTCAPTION;
  RECT cr = w.client;
  OffsetRect(cr, o.x, o.y);
  if (PtInRect(cr, pt)) return HTCLIENT;

  const SIZE f = winkernel::FrameSize(w.style, w.exStyle);
  const RECT inner{wr.left + f.cx, wr.top + f.cy, wr.right - f.cx, wr.bottom - f.cy};
  if (!PtInRect(inner, pt)) {
    const bool sizeable = (w.style & WS_THICKFRAME) && !(w.style & WS_MAXIMIZE);
    if (!sizeable) return HTBORDER;
    // Corners reach along the edges as far as a caption is high.
    const int c = GetSystemMetrics(SM_CYCAPTION) + f.cy;
    const bool nearLeft = pt.x < wr.left + c, nearRight = pt.x >= wr.right - c;
    const bool nearTop = pt.y < wr.top + c, nearBottom = pt.y >= wr.bottom - c;
    if (pt.y < inner.top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
    if (pt.y >= inner.bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
    if (pt.x < inner.left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
    return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
  }
  if ((w.style & WS_CAPTION) == WS_CAPTION) {
    const int capH =
        GetSystemMetrics((w.exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    if (pt.y < inner.top + capH) {
      if (w.style & WS_SYSMENU) {
        const int btn = GetSystemMetrics(SM_CXSIZE);
        int x = inner.right - btn;
        if (pt.x >= x) return HTCLOSE;
        if (w.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
          x -= btn;
          if (pt.x >= x) return HTMAXBUTTON;
          x -= btn;
          if (pt.x >= x) return HTMINBUTTON;
        }
        if (!(w.exStyle & WS_EX_TOOLWINDOW) && pt.x < inner.left + capH) return HTSYSMENU;
      }
      return HTCAPTION;
    }
  }
  return HTBORDER;
}

LPCSTR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT:
      return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM:
      return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return IDC_SIZENESW;
    default:
      return IDC_ARROW;
  }
}

LRESULT DefSysCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return 0;
  const WPARAM cmd = wParam & 0xFFF0;
  // A drag starts where the press was (the queue may hold later moves already).
  POINT start = PointFromLParam(lParam);
  if (!lParam) GetCursorPos(&start);
  switch (cmd) {
    case SC_MINIMIZE:
      ShowWindow(hwnd, SW_MINIMIZE);
      break;
    case SC_MAXIMIZE:
      ShowWindow(hwnd, SW_MAXIMIZE);
      break;
    case SC_RESTORE:
      ShowWindow(hwnd, SW_RESTORE);
      break;
    case SC_CLOSE:
      if (!(w->windowClass->style & CS_NOCLOSE)) SendMessage(hwnd, WM_CLOSE, 0, 0);
      break;
    case SC_SIZE:
      if ((w->style & WS_THICKFRAME) && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) {
        const WPARAM edge = wParam & 0xF;
        winkernel::BeginSizeMove(
            hwnd, edge ? HTLEFT + static_cast<LRESULT>(edge) - 1 : HTBOTTOMRIGHT, start);
      }
      break;
    case SC_MOVE:
      if (!(w->style & WS_MAXIMIZE)) winkernel::BeginSizeMove(hwnd, HTCAPTION, start);
      break;
    case SC_KEYMENU:
    case SC_MOUSEMENU:
      if (w->style & WS_SYSMENU) winkernel::OpenSystemMenu(hwnd);
      break;
    default:
      break;
  }
  return 0;
}

void ClampToTracking(HWND hwnd, WINDOWPOS& wp) {
  const MINMAXINFO mmi = winkernel::AskMinMaxInfo(hwnd);
  wp.cx = std::clamp<int>(wp.cx, mmi.ptMinTrackSize.x,
                          std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
  wp.cy = std::clamp<int>(wp.cy, mmi.ptMinTrackSize.y,
                          std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
}

// The caption shows the text and the active state: both changes draw the frame again.
void RedrawCaption(HWND hwnd, const TWindowEntry& w) {
  if ((w.style & WS_CAPTION) != WS_CAPTION) return;
  const TRegion nothing;
  winkernel::Redraw(hwnd, &nothing, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
}

LRESULT DefSetText(HWND hwnd, TWindowEntry& w, LPARAM lParam) {
  w.text = lParam ? reinterpret_cast<const char*>(lParam) : "";
  RedrawCaption(hwnd, w);
  return TRUE;
}

LRESULT DefGetText(const TWindowEntry& w, WPARAM wParam, LPARAM lParam) {
  char* buf = reinterpret_cast<char*>(lParam);
  if (!buf || wParam == 0) return 0;
  const size_t n = std::min<size_t>(w.text.size(), wParam - 1);
  std::memcpy(buf, w.text.data(), n);
  buf[n] = '\0';
  return static_cast<LRESULT>(n);
}

LRESULT DefPosChanging(HWND hwnd, const TWindowEntry& w, LPARAM lParam) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
  const bool framed = (w.style & WS_THICKFRAME) || (w.style & WS_CAPTION) == WS_CAPTION;
  if (wp && !(wp->flags & SWP_NOSIZE) && !w.IsChild() && !w.IsUtility() && framed &&
      !(w.style & (WS_MINIMIZE | WS_MAXIMIZE)))
    ClampToTracking(hwnd, *wp);
  return 0;
}

LRESULT DefPosChanged(HWND hwnd, LPARAM lParam) {
  auto& k = Kernel();
  auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
  TWindowEntry* w = k.Find(hwnd);
  if (!wp || !w) return 0;
  if (!(wp->flags & SWP_NOMOVE))
    SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
  if (!(wp->flags & SWP_NOSIZE) && (w = k.Find(hwnd))) {
    const WPARAM type = (w->style & WS_MINIMIZE)   ? SIZE_MINIMIZED
                        : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                   : SIZE_RESTORED;
    SendMessage(hwnd, WM_SIZE, type, MAKELPARAM(RectWidth(w->client), RectHeight(w->client)));
  }
  return 0;
}

LRESULT DefSetCursor(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (w && w->IsChild() && SendMessage(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
  if (!(w = k.Find(hwnd))) return FALSE;
  const LRESULT hit = static_cast<short>(LOWORD(static_cast<UINT_PTR>(lParam)));
  if (hit == HTERROR) {
    const UINT mouse = HIWORD(static_cast<UINT_PTR>(lParam));
    if (mouse == WM_LBUTTONDOWN || mouse == WM_RBUTTONDOWN || mouse == WM_MBUTTONDOWN)
      MessageBeep(0);
    return FALSE;
  }
  if (hit == HTCLIENT) {
    if (w->windowClass->cursor) SetCursor(w->windowClass->cursor);
    return w->windowClass->cursor ? TRUE : FALSE;
  }
  SetCursor(LoadCursor(nullptr, CursorForHit(hit)));
  return TRUE;
}

LRESULT DefNcButtonDown(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = static_cast<LRESULT>(wParam);
  if (hit == HTCAPTION)
    SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
  else if (hit == HTSYSMENU)
    SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU, lParam);
  else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT)
    SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + 1), lParam);
  else if (hit == HTMINBUTTON || hit == HTMAXBUTTON || hit == HTCLOSE)
    Kernel().captionPress = TCaptionButtonPress{hwnd, hit};
  return 0;
}

// A caption button acts when released over the button it was pressed on.
LRESULT DefNcButtonUp(HWND hwnd, const TWindowEntry& w, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  const TCaptionButtonPress press = k.captionPress;
  k.captionPress = TCaptionButtonPress{};
  const LRESULT hit = static_cast<LRESULT>(wParam);
  if (press.hwnd != hwnd || press.hit != hit) return 0;
  WPARAM cmd = 0;
  if (hit == HTCLOSE)
    cmd = SC_CLOSE;
  else if (hit == HTMINBUTTON && (w.style & WS_MINIMIZEBOX))
    cmd = SC_MINIMIZE;
  else if (hit == HTMAXBUTTON && (w.style & WS_MAXIMIZEBOX))
    cmd = (w.style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
  if (cmd) SendMessage(hwnd, WM_SYSCOMMAND, cmd, lParam);
  return 0;
}

LRESULT DefNcDoubleClick(HWND hwnd, const TWindowEntry& w, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = static_cast<LRESULT>(wParam);
  if (hit == HTCAPTION && (w.style & WS_MAXIMIZEBOX))
    SendMessage(hwnd, WM_SYSCOMMAND,
                (w.style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, lParam);
  else if (hit == HTSYSMENU)
    SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
  return 0;
}

LRESULT DefRightButtonUp(HWND hwnd, LPARAM lParam) {
  POINT pt = PointFromLParam(lParam);
  ClientToScreen(hwnd, &pt);
  SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), PointToLParam(pt));
  return 0;
}

// Children pass the menu up; a top-level window opens its system menu when
// the click was on its caption.
LRESULT DefContextMenu(HWND hwnd, const TWindowEntry& w, WPARAM wParam, LPARAM lParam) {
  if (w.IsChild()) return SendMessage(w.parent, WM_CONTEXTMENU, wParam, lParam);
  const LRESULT hit = SendMessage(hwnd, WM_NCHITTEST, 0, lParam);
  if (hit == HTCAPTION || hit == HTSYSMENU || hit == HTMINBUTTON || hit == HTMAXBUTTON ||
      hit == HTCLOSE)
    SendMessage(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU, lParam);
  return 0;
}

LRESULT DefCancelMode(HWND hwnd) {
  auto& k = Kernel();
  if (k.openMenu && k.openMenuOwner == hwnd) EndMenu();
  if (k.sizeMove && k.sizeMove->hwnd == hwnd) winkernel::EndSizeMove(false);
  if (k.capture == hwnd) ReleaseCapture();
  return 0;
}

}  // namespace

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      RECT* r = reinterpret_cast<RECT*>(lParam);
      if (!wParam && r) *r = winkernel::ClientFromWindow(*r, w->style, w->exStyle);
      return 0;
    }
    case WM_NCHITTEST:
      return HitTest(*w, PointFromLParam(lParam));
    case WM_SETTEXT:
      return DefSetText(hwnd, *w, lParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_GETTEXT:
      return DefGetText(*w, wParam, lParam);
    case WM_SETREDRAW:
      w->redraw = wParam != 0;
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_SYSCOMMAND:
      return DefSysCommand(hwnd, wParam, lParam);
    case WM_WINDOWPOSCHANGING:
      return DefPosChanging(hwnd, *w, lParam);
    case WM_WINDOWPOSCHANGED:
      return DefPosChanged(hwnd, lParam);
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) SetFocus(hwnd);
      return 0;
    case WM_NCACTIVATE:
      RedrawCaption(hwnd, *w);
      return TRUE;
    case WM_MOUSEACTIVATE:
      if (w->IsChild())
        if (const LRESULT r = SendMessage(w->parent, WM_MOUSEACTIVATE, wParam, lParam)) return r;
      return MA_ACTIVATE;
    case WM_SETCURSOR:
      return DefSetCursor(hwnd, wParam, lParam);
    case WM_NCLBUTTONDOWN:
      return DefNcButtonDown(hwnd, wParam, lParam);
    case WM_NCLBUTTONUP:
      return DefNcButtonUp(hwnd, *w, wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
      return DefNcDoubleClick(hwnd, *w, wParam, lParam);
    case WM_RBUTTONUP:
      return DefRightButtonUp(hwnd, lParam);
    case WM_NCRBUTTONUP:
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
      return 0;
    case WM_CONTEXTMENU:
      return DefContextMenu(hwnd, *w, wParam, lParam);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      // The context-menu key and Shift+F10 ask for the menu of the window
      // with the focus, at no point of the mouse's.
      if (wParam == VK_APPS || (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0))
        SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(-1, -1));
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && (lParam & KF_ALTDOWN_BIT))
        SendMessage(GetAncestor(hwnd, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_MOUSEWHEEL:
      return w->IsChild() ? SendMessage(w->parent, WM_MOUSEWHEEL, wParam, lParam) : 0;
    case WM_CANCELMODE:
      return DefCancelMode(hwnd);
    case WM_PAINT:
      return winkernel::DefPaint(hwnd);
    case WM_ERASEBKGND:
      return winkernel::DefEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
    case WM_NCPAINT:
      return winkernel::DefNcPaint(hwnd);
    default:
      return 0;
  }
}
