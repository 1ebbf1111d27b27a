// platform/win/UpdateRegion.cpp
//
// The window model's side of painting: update regions, what a change of
// position exposes, finding the window that WM_PAINT goes to, and locking a
// window's drawing. The drawing layer (PaintDC.cpp) builds BeginPaint, the
// window DCs and the erasing on top of this.
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/WindowSystemState.h"

namespace {

TRect ClientBounds(const TWindowEntry& w) {
  return TRect{0, 0, RectWidth(w.client), RectHeight(w.client)};
}

// A child's window rectangle in its parent's client coordinates, and the
// offset from the parent's client coordinates to the child's.
TRect WindowInParent(const TWindowEntry& c) {
  return TRect::From(c.rect);
}
TPoint ClientOffset(const TWindowEntry& c) {
  return TPoint{c.client.left, c.client.top};
}

bool IncludesChildren(const TWindowEntry& w, UINT flags) {
  if (flags & RDW_ALLCHILDREN) return true;
  if (flags & RDW_NOCHILDREN) return false;
  return !(w.style & WS_CLIPCHILDREN);
}

void RedrawTree(TWindowSystemState& k, TWindowEntry& w, const TRegion& area, UINT flags) {
  const TRegion inside = area.Intersected(ClientBounds(w));
  if (flags & RDW_INVALIDATE) {
    if (!inside.Empty()) {
      w.update = w.update.United(inside);
      if (flags & RDW_ERASE) w.eraseDue = true;
    }
    if ((flags & RDW_FRAME) && winkernel::HasFrame(w)) w.frameDue = true;
    if (flags & RDW_INTERNALPAINT) w.internalPaint = true;
  } else if (flags & RDW_VALIDATE) {
    w.update = w.update.Subtracted(inside);
    if (w.update.Empty()) w.eraseDue = false;
    if (flags & RDW_NOFRAME) w.frameDue = false;
    if (flags & RDW_NOINTERNALPAINT) w.internalPaint = false;
  }
  if ((flags & RDW_NOERASE) && (flags & RDW_VALIDATE)) w.eraseDue = false;
  if (!IncludesChildren(w, flags)) return;
  for (HWND h : w.children) {
    TWindowEntry* c = k.Find(h);
    if (!c || !(c->style & WS_VISIBLE)) continue;
    TRegion part = area.Intersected(WindowInParent(*c));
    if (part.Empty()) continue;
    const TPoint o = ClientOffset(*c);
    const bool touchesFrame = !part.Subtracted(TRect::From(c->client)).Empty();
    part.Offset(-o.x, -o.y);
    UINT childFlags = flags & ~RDW_FRAME;
    if (touchesFrame && (flags & RDW_INVALIDATE)) childFlags |= RDW_FRAME;
    RedrawTree(k, *c, part, childFlags);
  }
}

bool NeedsPaint(const TWindowEntry& w) {
  return !w.update.Empty() || w.frameDue || w.internalPaint;
}

// Parents before their children; siblings from the bottom of the z-order
// up, so that where siblings overlap without clipping the one on top
// paints last and stays on top.
HWND FindPaintable(TWindowSystemState& k, const std::vector<HWND>& windows, HWND filter) {
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
    const HWND h = *it;
    TWindowEntry* w = k.Find(h);
    if (!w || w->destroying || !(w->style & WS_VISIBLE) || !w->redraw) continue;
    if (w->thread != std::this_thread::get_id()) continue;
    if (NeedsPaint(*w) && (!filter || filter == h)) return h;
    if (HWND c = FindPaintable(k, w->children, filter)) return c;
  }
  return nullptr;
}

}  // namespace

namespace winkernel {

bool HasFrame(const TWindowEntry& w) {
  return !(w.rect.left == w.client.left && w.rect.top == w.client.top &&
           w.rect.right == w.client.right && w.rect.bottom == w.client.bottom);
}

void Redraw(HWND hwnd, const TRegion* area, UINT flags) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  RedrawTree(k, *w, area ? *area : TRegion(ClientBounds(*w)), flags);
}

void AfterPositionChange(HWND hwnd, const RECT& oldRect, bool wasVisible, UINT flags) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || w->IsUtility() || (flags & SWP_NOREDRAW)) return;
  const bool nowVisible = (w->style & WS_VISIBLE) != 0;
  const bool moved = w->rect.left != oldRect.left || w->rect.top != oldRect.top;
  const bool sized =
      RectWidth(w->rect) != RectWidth(oldRect) || RectHeight(w->rect) != RectHeight(oldRect);
  const UINT whole = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
  if (w->IsChild()) {
    const HWND parent = w->parent;
    const bool restacked = !(flags & SWP_NOZORDER);
    if (nowVisible && (!wasVisible || moved || sized || restacked || (flags & SWP_FRAMECHANGED)))
      Redraw(hwnd, nullptr, whole);
    // What the window covered before shows its parent and siblings again.
    if (wasVisible && (!nowVisible || moved || sized)) {
      const TRegion uncovered(TRect::From(oldRect));
      Redraw(parent, &uncovered, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    return;
  }
  // A top-level window owns its surface: only new size or frame needs drawing.
  if (nowVisible && (!wasVisible || sized || (flags & SWP_FRAMECHANGED)))
    Redraw(hwnd, nullptr, whole);
}

bool TakePaintMessage(MSG* msg, HWND filter, UINT min, UINT max) {
  if (!((min == 0 && max == 0) || (WM_PAINT >= min && WM_PAINT <= max))) return false;
  if (filter == reinterpret_cast<HWND>(-1)) return false;
  auto& k = Kernel();
  const HWND h = FindPaintable(k, k.topLevel, filter);
  if (!h) return false;
  *msg = MSG{h, WM_PAINT, 0, 0, k.owner->Events().Now(), POINT{}};
  return true;
}

}  // namespace winkernel

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  if (!Kernel().Find(hwnd)) return FALSE;
  const UINT flags = RDW_INVALIDATE | (erase ? RDW_ERASE : 0);
  if (!rect) {
    winkernel::Redraw(hwnd, nullptr, flags);
  } else {
    const TRegion area(TRect::From(*rect).Normalized());
    winkernel::Redraw(hwnd, &area, flags);
  }
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  if (!Kernel().Find(hwnd)) return FALSE;
  if (!rect) {
    winkernel::Redraw(hwnd, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
  } else {
    const TRegion area(TRect::From(*rect).Normalized());
    winkernel::Redraw(hwnd, &area, RDW_VALIDATE | RDW_NOCHILDREN);
  }
  return TRUE;
}

BOOL LockWindowUpdate(HWND hwnd) {
  auto& k = Kernel();
  if (!hwnd) {
    const HWND was = k.lockedWindow;
    k.lockedWindow = nullptr;
    // What was drawn or invalidated while locked never reached the surface.
    if (was && k.Find(was))
      winkernel::Redraw(was, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    return TRUE;
  }
  if (!k.Find(hwnd) || (k.lockedWindow && k.lockedWindow != hwnd)) return FALSE;
  k.lockedWindow = hwnd;
  return TRUE;
}
