// platform/win/WindowPos.cpp
//
// Geometry of windows: frames from styles, SetWindowPos and z-order,
// ShowWindow with the minimised and maximised states, placements,
// coordinate conversion, and dragging a window by its frame.
#include "platform/win/WindowPos.h"

#include <algorithm>
#include <cstdint>

#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystemState.h"

namespace winkernel {

POINT ParentOrigin(const TWindowEntry& w) {
  POINT o;
  if (!w.IsChild()) return o;
  auto& k = Kernel();
  for (const TWindowEntry* p = &k.Get(w.parent);; p = &k.Get(p->parent)) {
    o.x += p->client.left;
    o.y += p->client.top;
    if (!p->IsChild()) break;
  }
  return o;
}

SIZE FrameSize(DWORD style, DWORD exStyle) {
  int b = 0;
  if (style & WS_THICKFRAME)
    b = GetSystemMetrics(SM_CXSIZEFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    b = GetSystemMetrics(SM_CXFIXEDFRAME);
  else if (style & WS_BORDER)
    b = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) b += GetSystemMetrics(SM_CXEDGE);
  if (exStyle & WS_EX_STATICEDGE) b += GetSystemMetrics(SM_CXBORDER);
  return SIZE{b, b};
}

RECT ClientFromWindow(const RECT& window, DWORD style, DWORD exStyle) {
  if (style & WS_MINIMIZE) return RECT{window.left, window.top, window.left, window.top};
  const SIZE f = FrameSize(style, exStyle);
  RECT r{window.left + f.cx, window.top + f.cy, window.right - f.cx, window.bottom - f.cy};
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

namespace {
// The area a maximised window fills: the work area, or a child's parent's client area.
RECT MaximizeArea(const TWindowEntry& w) {
  if (w.IsChild()) {
    const TWindowEntry& p = Kernel().Get(w.parent);
    return RECT{0, 0, RectWidth(p.client), RectHeight(p.client)};
  }
  return ScreenMetrics().workArea;
}
}  // namespace

MINMAXINFO AskMinMaxInfo(HWND hwnd) {
  TWindowEntry& w = Kernel().Get(hwnd);
  const SIZE f = FrameSize(w.style, w.exStyle);
  const RECT area = MaximizeArea(w);
  MINMAXINFO mmi;
  mmi.ptMaxSize = POINT{RectWidth(area) + 2 * f.cx, RectHeight(area) + 2 * f.cy};
  mmi.ptMaxPosition = w.maxPositionSet ? w.maxPosition : POINT{-f.cx, -f.cy};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

void ActivateNextAfter(HWND hwnd) {
  auto& k = Kernel();
  if (k.active != hwnd) return;
  auto usable = [&](HWND h) {
    TWindowEntry* w = k.Find(h);
    return w && h != hwnd && !w->destroying && (w->style & WS_VISIBLE) &&
           !(w->style & WS_DISABLED) && !(w->style & WS_MINIMIZE);
  };
  HWND next = nullptr;
  if (TWindowEntry* w = k.Find(hwnd); w && usable(w->owner)) next = w->owner;
  if (!next)
    for (HWND h : k.topLevel)
      if (usable(h)) {
        next = h;
        break;
      }
  SetActiveWindow(next);
}

void BeginSizeMove(HWND hwnd, LRESULT hit, POINT start) {
  auto& k = Kernel();
  if (k.sizeMove) return;
  TSizeMoveTrack t;
  t.hwnd = hwnd;
  t.hit = hit;
  t.start = start;
  t.startRect = k.Get(hwnd).rect;
  t.limits = AskMinMaxInfo(hwnd);
  if (!k.Find(hwnd)) return;
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  if (!k.Find(hwnd)) return;
  k.sizeMove = t;
  SetCapture(hwnd);
}

bool SizeMoveInput(const TInputEvent& e) {
  auto& k = Kernel();
  if (!k.sizeMove) return false;
  const TSizeMoveTrack t = *k.sizeMove;
  if (!k.Find(t.hwnd)) {
    k.sizeMove.reset();
    return false;
  }
  switch (e.kind) {
    case TInputKind::MouseMove: {
      const LONG dx = e.pt.x - t.start.x, dy = e.pt.y - t.start.y;
      RECT r = t.startRect;
      const LONG minW = t.limits.ptMinTrackSize.x, maxW = std::max(minW, t.limits.ptMaxTrackSize.x);
      const LONG minH = t.limits.ptMinTrackSize.y, maxH = std::max(minH, t.limits.ptMaxTrackSize.y);
      if (t.hit == HTCAPTION) {
        OffsetRect(r, dx, dy);
      } else {
        const bool left = t.hit == HTLEFT || t.hit == HTTOPLEFT || t.hit == HTBOTTOMLEFT;
        const bool right = t.hit == HTRIGHT || t.hit == HTTOPRIGHT || t.hit == HTBOTTOMRIGHT;
        const bool top = t.hit == HTTOP || t.hit == HTTOPLEFT || t.hit == HTTOPRIGHT;
        const bool bottom = t.hit == HTBOTTOM || t.hit == HTBOTTOMLEFT || t.hit == HTBOTTOMRIGHT;
        if (left) r.left = r.right - std::clamp(RectWidth(r) - dx, minW, maxW);
        if (right) r.right = r.left + std::clamp(RectWidth(r) + dx, minW, maxW);
        if (top) r.top = r.bottom - std::clamp(RectHeight(r) - dy, minH, maxH);
        if (bottom) r.bottom = r.top + std::clamp(RectHeight(r) + dy, minH, maxH);
      }
      if (t.hit == HTCAPTION)
        SendMessage(t.hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      else
        SendMessage(t.hwnd, WM_SIZING, static_cast<WPARAM>(t.hit - HTLEFT + 1),
                    reinterpret_cast<LPARAM>(&r));
      if (k.Find(t.hwnd))
        SetWindowPos(t.hwnd, nullptr, r.left, r.top, RectWidth(r), RectHeight(r),
                     SWP_NOZORDER | SWP_NOACTIVATE);
      return true;
    }
    case TInputKind::ButtonUp:
      if (e.button == TInputButton::Left) EndSizeMove(true);
      return true;
    case TInputKind::KeyDown:
      if (e.vk == VK_ESCAPE) EndSizeMove(false);
      return true;
    case TInputKind::AppActivate:
    case TInputKind::AppDeactivate:
      return false;
    default:
      return true;
  }
}

void EndSizeMove(bool apply) {
  auto& k = Kernel();
  if (!k.sizeMove) return;
  const TSizeMoveTrack t = *k.sizeMove;
  k.sizeMove.reset();
  if (!k.Find(t.hwnd)) return;
  if (!apply)
    SetWindowPos(t.hwnd, nullptr, t.startRect.left, t.startRect.top, RectWidth(t.startRect),
                 RectHeight(t.startRect), SWP_NOZORDER | SWP_NOACTIVATE);
  if (k.capture == t.hwnd) ReleaseCapture();
  if (k.Find(t.hwnd)) SendMessage(t.hwnd, WM_EXITSIZEMOVE, 0, 0);
}

}  // namespace winkernel

namespace {

void ApplyZOrder(TWindowSystemState& k, TWindowEntry& w, HWND after, bool withOwned) {
  if (w.IsUtility()) return;
  std::vector<HWND>& sib = k.SiblingsOf(w);
  auto erase = [&](HWND h) { sib.erase(std::remove(sib.begin(), sib.end(), h), sib.end()); };
  const bool topLevel = !w.IsChild();
  auto isTopmost = [&](HWND h) { return topLevel && (k.Get(h).exStyle & WS_EX_TOPMOST); };
  erase(w.handle);
  auto bandStart = [&]() {
    auto pos = sib.begin();
    if (topLevel && !(w.exStyle & WS_EX_TOPMOST))
      while (pos != sib.end() && isTopmost(*pos)) ++pos;
    return pos;
  };
  if (after == HWND_TOPMOST) {
    if (topLevel) w.exStyle |= WS_EX_TOPMOST;
    sib.insert(sib.begin(), w.handle);
  } else if (after == HWND_NOTOPMOST) {
    w.exStyle &= ~WS_EX_TOPMOST;
    sib.insert(bandStart(), w.handle);
  } else if (after == HWND_BOTTOM) {
    w.exStyle &= ~WS_EX_TOPMOST;
    sib.push_back(w.handle);
  } else if (after == HWND_TOP) {
    sib.insert(bandStart(), w.handle);
  } else {
    auto it = std::find(sib.begin(), sib.end(), after);
    sib.insert(it == sib.end() ? bandStart() : it + 1, w.handle);
  }
  if (topLevel) std::stable_partition(sib.begin(), sib.end(), isTopmost);
  // Owned windows stay above their owner.
  if (topLevel && withOwned && (after == HWND_TOP || after == HWND_TOPMOST)) {
    std::vector<HWND> owned;
    for (HWND h : sib)
      if (k.Get(h).owner == w.handle) owned.push_back(h);
    for (HWND h : owned) erase(h);
    auto pos = std::find(sib.begin(), sib.end(), w.handle);
    sib.insert(pos, owned.begin(), owned.end());
    std::stable_partition(sib.begin(), sib.end(), isTopmost);
  }
}

POINT WorkAreaOrigin(const TWindowEntry& w) {
  if (w.IsChild()) return POINT{};
  return POINT{ScreenMetrics().workArea.left, ScreenMetrics().workArea.top};
}

// Shows a window with a new state rectangle; `state` is 0, WS_MINIMIZE or WS_MAXIMIZE.
void ApplyState(HWND hwnd, DWORD state, const RECT& r, bool activate) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (!wasVisible) {
    SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
    if (!(w = k.Find(hwnd))) return;
  }
  w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | state;
  UINT flags = SWP_FRAMECHANGED | SWP_NOCOPYBITS;
  if (!wasVisible) flags |= SWP_SHOWWINDOW;
  if (!activate || w->IsChild()) flags |= SWP_NOACTIVATE;
  if (w->IsChild()) flags |= SWP_NOZORDER;
  SetWindowPos(hwnd, HWND_TOP, r.left, r.top, RectWidth(r), RectHeight(r), flags);
}

void Maximize(HWND hwnd, bool activate) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  MINMAXINFO mmi = winkernel::AskMinMaxInfo(hwnd);
  if (!(w = k.Find(hwnd))) return;
  const LONG cx = std::clamp(mmi.ptMaxSize.x, mmi.ptMinTrackSize.x,
                             std::max(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x));
  const LONG cy = std::clamp(mmi.ptMaxSize.y, mmi.ptMinTrackSize.y,
                             std::max(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y));
  const POINT o = WorkAreaOrigin(*w);
  const RECT r{o.x + mmi.ptMaxPosition.x, o.y + mmi.ptMaxPosition.y, o.x + mmi.ptMaxPosition.x + cx,
               o.y + mmi.ptMaxPosition.y + cy};
  w->restoreToMaximized = false;
  ApplyState(hwnd, WS_MAXIMIZE, r, activate);
}

void Minimize(HWND hwnd, int cmd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  if (!(w->style & WS_MINIMIZE)) w->restoreToMaximized = (w->style & WS_MAXIMIZE) != 0;
  const POINT p = w->minPosition;
  const RECT r{p.x, p.y, p.x + GetSystemMetrics(SM_CXMINIMIZED),
               p.y + GetSystemMetrics(SM_CYMINIMIZED)};
  ApplyState(hwnd, WS_MINIMIZE, r, cmd == SW_SHOWMINIMIZED);
  if (cmd == SW_MINIMIZE || cmd == SW_FORCEMINIMIZE) winkernel::ActivateNextAfter(hwnd);
}

void Restore(HWND hwnd, int cmd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  const bool activate = cmd != SW_SHOWNOACTIVATE;
  if ((w->style & WS_MINIMIZE) && w->restoreToMaximized && cmd == SW_RESTORE) {
    Maximize(hwnd, activate);
    return;
  }
  w->restoreToMaximized = false;
  ApplyState(hwnd, 0, w->normalRect, activate);
}

}  // namespace

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return FALSE;
  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  if (flags & SWP_NOMOVE) {
    wp.x = w->rect.left;
    wp.y = w->rect.top;
  }
  if (flags & SWP_NOSIZE) {
    wp.cx = RectWidth(w->rect);
    wp.cy = RectHeight(w->rect);
  }
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = k.Find(hwnd))) return FALSE;
  }
  const bool wasVisible = (w->style & WS_VISIBLE) != 0;
  const RECT oldRect = w->rect, oldClient = w->client;
  RECT nr = oldRect;
  if (!(wp.flags & SWP_NOMOVE))
    nr = RECT{wp.x, wp.y, wp.x + RectWidth(oldRect), wp.y + RectHeight(oldRect)};
  if (!(wp.flags & SWP_NOSIZE)) {
    nr.right = nr.left + std::max(0, wp.cx);
    nr.bottom = nr.top + std::max(0, wp.cy);
  }
  w->rect = nr;
  if (!(wp.flags & SWP_NOZORDER))
    ApplyZOrder(k, *w, wp.hwndInsertAfter, !(wp.flags & SWP_NOOWNERZORDER));
  if (wp.flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;

  const bool sized = RectWidth(nr) != RectWidth(oldRect) || RectHeight(nr) != RectHeight(oldRect);
  if (sized || (wp.flags & SWP_FRAMECHANGED)) {
    RECT rc = nr;
    SendMessage(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
    if (!(w = k.Find(hwnd))) return FALSE;
    w->client = rc;
  } else {
    w->client = oldClient;
    OffsetRect(w->client, nr.left - oldRect.left, nr.top - oldRect.top);
  }
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->rect;

  const bool nowVisible = (w->style & WS_VISIBLE) != 0;
  if (!(wp.flags & SWP_NOACTIVATE) && nowVisible && !w->IsChild() && !w->IsUtility() &&
      !(w->exStyle & WS_EX_NOACTIVATE) && !(w->style & WS_DISABLED)) {
    SetActiveWindow(hwnd);
    if (!(w = k.Find(hwnd))) return FALSE;
  }

  WINDOWPOS done = wp;
  done.x = w->rect.left;
  done.y = w->rect.top;
  done.cx = RectWidth(w->rect);
  done.cy = RectHeight(w->rect);
  if (w->client.left == oldClient.left && w->client.top == oldClient.top &&
      w->rect.left == oldRect.left && w->rect.top == oldRect.top)
    done.flags |= SWP_NOMOVE;
  else
    done.flags &= ~SWP_NOMOVE;
  if (RectWidth(w->client) == RectWidth(oldClient) &&
      RectHeight(w->client) == RectHeight(oldClient) && !sized && !(wp.flags & SWP_FRAMECHANGED))
    done.flags |= SWP_NOSIZE;
  else
    done.flags &= ~SWP_NOSIZE;
  winkernel::AfterPositionChange(hwnd, oldRect, wasVisible, wp.flags);
  if (!(w = k.Find(hwnd))) return FALSE;
  SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));
  if (wasVisible && !nowVisible && k.active == hwnd) winkernel::ActivateNextAfter(hwnd);
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return FALSE;
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessage(hwnd, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      Minimize(hwnd, cmd);
      break;
    case SW_SHOWMAXIMIZED:
      Maximize(hwnd, true);
      break;
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
    case SW_SHOWDEFAULT:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE))
        Restore(hwnd, cmd);
      else if (!wasVisible || cmd != SW_SHOWNOACTIVATE)
        ApplyState(hwnd, 0, w->rect, cmd != SW_SHOWNOACTIVATE);
      break;
    case SW_SHOW:
    case SW_SHOWNA: {
      if (wasVisible && cmd == SW_SHOWNA) break;
      if (!wasVisible) {
        SendMessage(hwnd, WM_SHOWWINDOW, TRUE, 0);
        if (!k.Find(hwnd)) return wasVisible;
      }
      UINT flags = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE;
      if (cmd == SW_SHOWNA || k.Get(hwnd).IsChild()) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
      SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, flags);
      break;
    }
    default:
      break;
  }
  return wasVisible;
}

BOOL IsIconic(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !rect) return FALSE;
  const POINT o = winkernel::ParentOrigin(*w);
  *rect = w->rect;
  OffsetRect(*rect, o.x, o.y);
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, RectWidth(w->client), RectHeight(w->client)};
  return TRUE;
}

namespace {
POINT ClientOrigin(const TWindowEntry& w) {
  const POINT o = winkernel::ParentOrigin(w);
  return POINT{o.x + w.client.left, o.y + w.client.top};
}
}  // namespace

BOOL ClientToScreen(HWND hwnd, POINT* pt) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !pt) return FALSE;
  const POINT o = ClientOrigin(*w);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* pt) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !pt) return FALSE;
  const POINT o = ClientOrigin(*w);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  auto& k = Kernel();
  POINT a, b;
  if (from) {
    TWindowEntry* w = k.Find(from);
    if (!w) return 0;
    a = ClientOrigin(*w);
  }
  if (to) {
    TWindowEntry* w = k.Find(to);
    if (!w) return 0;
    b = ClientOrigin(*w);
  }
  const LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* p) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w || !p) return FALSE;
  const POINT o = WorkAreaOrigin(*w);
  p->length = sizeof(WINDOWPLACEMENT);
  p->flags = 0;
  if (w->minPositionSet) p->flags |= WPF_SETMINPOSITION;
  if ((w->style & WS_MINIMIZE) && w->restoreToMaximized) p->flags |= WPF_RESTORETOMAXIMIZED;
  p->showCmd = (w->style & WS_MINIMIZE)   ? SW_SHOWMINIMIZED
               : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                          : SW_SHOWNORMAL;
  p->ptMinPosition = w->minPosition;
  if (w->style & WS_MAXIMIZE)
    p->ptMaxPosition = POINT{w->rect.left - o.x, w->rect.top - o.y};
  else
    p->ptMaxPosition = w->maxPositionSet ? w->maxPosition : POINT{-1, -1};
  p->rcNormalPosition = w->normalRect;
  OffsetRect(p->rcNormalPosition, -o.x, -o.y);
  return TRUE;
}

namespace {
// A stored placement may come from another screen or a damaged file: a
// window that would lie wholly off the screen, or have no area, could never
// be reached by the user. An unusable size (none, or beyond any coordinate a
// window can have) gives way to the window's present one (a form not yet
// shown has its designed size), and a rectangle that misses the screen is
// moved into the work area. Sizes are worked out in 64 bits: the corners
// of a damaged placement may lie as far apart as the integers allow.
RECT OnScreenNormalRect(const TWindowEntry& w, const RECT& wanted) {
  constexpr std::int64_t kMaxExtent = 32767;
  auto extent = [](LONG from, LONG to) { return std::int64_t{to} - from; };
  auto usable = [](std::int64_t size) { return size > 0 && size <= kMaxExtent; };
  const std::int64_t wantedCx = extent(wanted.left, wanted.right);
  const std::int64_t wantedCy = extent(wanted.top, wanted.bottom);
  const std::int64_t cx = usable(wantedCx)
                              ? wantedCx
                              : std::clamp<std::int64_t>(RectWidth(w.normalRect), 1, kMaxExtent);
  const std::int64_t cy = usable(wantedCy)
                              ? wantedCy
                              : std::clamp<std::int64_t>(RectHeight(w.normalRect), 1, kMaxExtent);
  std::int64_t left = wanted.left, top = wanted.top;
  const TScreenMetrics& screen = ScreenMetrics();
  const bool onScreen = left + cx > 0 && top + cy > 0 && left < screen.width && top < screen.height;
  if (!onScreen) {
    const RECT& area = screen.workArea;
    left = std::max<std::int64_t>(area.left, std::min<std::int64_t>(left, area.right - cx));
    top = std::max<std::int64_t>(area.top, std::min<std::int64_t>(top, area.bottom - cy));
  }
  return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + cx),
              static_cast<LONG>(top + cy)};
}
}  // namespace

BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* p) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || !p) return FALSE;
  const POINT o = WorkAreaOrigin(*w);
  RECT wanted = p->rcNormalPosition;
  OffsetRect(wanted, o.x, o.y);
  w->normalRect = w->IsChild() ? wanted : OnScreenNormalRect(*w, wanted);
  if (p->flags & WPF_SETMINPOSITION) {
    w->minPosition = p->ptMinPosition;
    w->minPositionSet = true;
  }
  w->maxPositionSet = !(p->ptMaxPosition.x == -1 && p->ptMaxPosition.y == -1);
  if (w->maxPositionSet) w->maxPosition = p->ptMaxPosition;
  w->restoreToMaximized = (p->flags & WPF_RESTORETOMAXIMIZED) != 0;
  const RECT normal = w->normalRect;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE)))
    SetWindowPos(hwnd, nullptr, normal.left, normal.top, RectWidth(normal), RectHeight(normal),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(w = k.Find(hwnd))) return FALSE;
  w->normalRect = normal;
  const int cmd = static_cast<int>(p->showCmd);
  const bool visible = (w->style & WS_VISIBLE) != 0;
  const bool sameState = (cmd == SW_SHOWNORMAL && !(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) ||
                         (cmd == SW_SHOWMAXIMIZED && (w->style & WS_MAXIMIZE)) ||
                         (cmd == SW_SHOWMINIMIZED && (w->style & WS_MINIMIZE));
  if (!(visible && sameState)) ShowWindow(hwnd, cmd);
  return TRUE;
}
