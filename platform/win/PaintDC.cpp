// platform/win/PaintDC.cpp
//
// The drawing layer's side of painting windows: the DCs of windows and of
// the screen with their visible regions, BeginPaint/EndPaint with the
// Windows order of WM_NCPAINT and WM_ERASEBKGND, the region-taking forms of
// invalidation, painting at once (UpdateWindow, RDW_UPDATENOW), and copies
// of window surfaces.
#include <algorithm>

#include "platform/win/Display.h"
#include "platform/win/GdiDevice.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Png.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystemState.h"

namespace gdi {
std::shared_ptr<TDcObject> NewDeviceDc(TDcKind kind);
}

namespace {

TWindowSystemState* KernelOrNull() {
  TWindowSystem* ws = TWindowSystem::Current();
  return ws ? &ws->State() : nullptr;
}

TWindowEntry* RootOf(TWindowSystemState& k, TWindowEntry* w) {
  while (w && w->IsChild()) w = k.Find(w->parent);
  return w;
}

std::shared_ptr<TSurface> SurfaceOf(TWindowEntry& root) {
  const int w = RectWidth(root.rect), h = RectHeight(root.rect);
  if (!root.surface)
    root.surface = std::make_shared<TSurface>(w, h);
  else
    root.surface->Resize(w, h);
  return root.surface;
}

// The window's rectangle in its top-level surface.
TRect WindowOnSurface(const TWindowEntry& w, const TWindowEntry& root) {
  const POINT o = winkernel::ParentOrigin(w);
  return TRect::From(w.rect).Translated(o.x - root.rect.left, o.y - root.rect.top);
}
TRect ClientOnSurface(const TWindowEntry& w, const TWindowEntry& root) {
  const POINT o = winkernel::ParentOrigin(w);
  return TRect::From(w.client).Translated(o.x - root.rect.left, o.y - root.rect.top);
}

bool ShownWithAncestors(TWindowSystemState& k, const TWindowEntry* w) {
  for (; w; w = w->IsChild() ? k.Find(w->parent) : nullptr)
    if (!(w->style & WS_VISIBLE) || !w->redraw || w->destroying) return false;
  return true;
}

bool LockedWithAncestors(TWindowSystemState& k, const TWindowEntry* w) {
  if (!k.lockedWindow) return false;
  for (; w; w = w->IsChild() ? k.Find(w->parent) : nullptr)
    if (w->handle == k.lockedWindow) return true;
  return false;
}

TRegion WithoutSiblingsAbove(TWindowSystemState& k, const TWindowEntry& w, const TWindowEntry& root,
                             TRegion area) {
  if (!w.IsChild()) return area;
  const TWindowEntry* p = k.Find(w.parent);
  if (!p) return area;
  for (HWND h : p->children) {
    if (h == w.handle) break;
    const TWindowEntry* s = k.Find(h);
    if (s && (s->style & WS_VISIBLE)) area = area.Subtracted(WindowOnSurface(*s, root));
  }
  return area;
}

// What of `w` (its client area, or the whole window) shows on its surface.
TRegion VisibleArea(TWindowSystemState& k, const TWindowEntry& w, const TWindowEntry& root,
                    bool whole, bool clipChildren, bool clipSiblings) {
  TRegion area(whole ? WindowOnSurface(w, root) : ClientOnSurface(w, root));
  for (const TWindowEntry* a = &w; a->IsChild();) {
    const TWindowEntry* p = k.Find(a->parent);
    if (!p) return TRegion();
    area = area.Intersected(ClientOnSurface(*p, root));
    if (p->style & WS_CLIPSIBLINGS) area = WithoutSiblingsAbove(k, *p, root, area);
    a = p;
  }
  if (clipSiblings) area = WithoutSiblingsAbove(k, w, root, area);
  if (clipChildren)
    for (HWND h : w.children) {
      const TWindowEntry* c = k.Find(h);
      if (c && (c->style & WS_VISIBLE)) area = area.Subtracted(WindowOnSurface(*c, root));
    }
  return area;
}

void TellDisplay(TWindowSystemState& k, TDcObject& dc) {
  if (!k.display || !dc.hwnd) return;
  std::shared_ptr<TSurface> surface;
  TPoint origin;
  TRegion visible;
  TWindowEntry* root = RootOf(k, k.Find(dc.hwnd));
  if (!root || !gdi::WindowDevice(dc, surface, origin, visible) || visible.Empty()) return;
  k.display->SurfaceChanged(root->handle, visible.Bounds().ToRECT());
}

HDC NewWindowDc(HWND hwnd, DWORD flags) {
  auto d = gdi::NewDeviceDc(TDcKind::Window);
  d->hwnd = hwnd;
  d->dcxFlags = flags;
  gdi::Register(d);
  return gdi::HandleOf<HDC>(d);
}

}  // namespace

namespace gdi {

bool WindowDevice(TDcObject& dc, std::shared_ptr<TSurface>& surface, TPoint& origin,
                  TRegion& visible) {
  TWindowSystemState* k = KernelOrNull();
  if (!k) return false;
  TWindowEntry* w = k->Find(dc.hwnd);
  TWindowEntry* root = RootOf(*k, w);
  if (!w || !root || root->IsUtility()) return false;
  surface = SurfaceOf(*root);
  const bool whole = (dc.dcxFlags & DCX_WINDOW) != 0;
  const TRect frame = whole ? WindowOnSurface(*w, *root) : ClientOnSurface(*w, *root);
  origin = frame.TopLeft();
  visible.Clear();
  if (!ShownWithAncestors(*k, w)) return true;
  if (LockedWithAncestors(*k, w) && !(dc.dcxFlags & DCX_LOCKWINDOWUPDATE)) return true;
  if ((dc.dcxFlags & DCX_PARENTCLIP) && w->IsChild()) {
    const TWindowEntry* p = k->Find(w->parent);
    if (!p) return true;
    visible = VisibleArea(*k, *p, *root, false, false, (p->style & WS_CLIPSIBLINGS) != 0);
  } else {
    const bool clipChildren = (w->style & WS_CLIPCHILDREN) || (dc.dcxFlags & DCX_CLIPCHILDREN);
    const bool clipSiblings = (w->style & WS_CLIPSIBLINGS) || (dc.dcxFlags & DCX_CLIPSIBLINGS);
    visible = VisibleArea(*k, *w, *root, whole, clipChildren, clipSiblings);
  }
  // The narrowing regions are in client coordinates.
  const TPoint client = ClientOnSurface(*w, *root).TopLeft();
  auto onSurface = [&](TRegion r) {
    r.Offset(client.x, client.y);
    return r;
  };
  if (dc.paintArea) visible = visible.Intersected(onSurface(*dc.paintArea));
  if (dc.extraClip) visible = visible.Intersected(onSurface(*dc.extraClip));
  if (dc.excludeClip) visible = visible.Subtracted(onSurface(*dc.excludeClip));
  return true;
}

std::shared_ptr<TSurface> ScreenSurface() {
  TWindowSystemState* k = KernelOrNull();
  if (!k) return nullptr;
  const TScreenMetrics& m = ScreenMetrics();
  if (!k->screen)
    k->screen = std::make_shared<TSurface>(m.width, m.height);
  else
    k->screen->Resize(m.width, m.height);
  return k->screen;
}

}  // namespace gdi

// --- Window DCs -------------------------------------------------------------------

HDC GetDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, hwnd ? 0 : DCX_CACHE);
}

HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags) {
  TRegion narrowing;
  const bool haveRegion = clip && gdi::RegionValue(clip, narrowing);
  if (clip && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN)))
    DeleteObject(clip);  // taken over by the call
  if (!hwnd) {
    auto d = gdi::NewDeviceDc(TDcKind::Screen);
    gdi::Register(d);
    return gdi::HandleOf<HDC>(d);
  }
  TWindowSystemState* k = KernelOrNull();
  TWindowEntry* w = k ? k->Find(hwnd) : nullptr;
  if (!w) return nullptr;
  const HDC dc = NewWindowDc(hwnd, flags);
  auto d = gdi::Dc(dc);
  if (haveRegion && (flags & DCX_INTERSECTRGN)) d->extraClip = narrowing;
  if (haveRegion && (flags & DCX_EXCLUDERGN)) d->excludeClip = narrowing;
  if (flags & (DCX_INTERSECTUPDATE | DCX_EXCLUDEUPDATE)) {
    const TRegion update = w->update;
    if (flags & DCX_INTERSECTUPDATE)
      d->extraClip = d->extraClip ? d->extraClip->Intersected(update) : update;
    else
      d->excludeClip = d->excludeClip ? d->excludeClip->United(update) : update;
    if (flags & DCX_VALIDATE) winkernel::Redraw(hwnd, &update, RDW_VALIDATE | RDW_NOCHILDREN);
  }
  return dc;
}

HDC GetWindowDC(HWND hwnd) {
  return GetDCEx(hwnd, nullptr, DCX_WINDOW | DCX_CACHE);
}

int ReleaseDC(HWND, HDC dc) {
  auto d = gdi::Dc(dc);
  if (!d || d->dcKind == TDcKind::Memory) return 0;
  if (TWindowSystemState* k = KernelOrNull()) TellDisplay(*k, *d);
  gdi::Unregister(dc);
  return 1;
}

HWND WindowFromDC(HDC dc) {
  auto d = gdi::Dc(dc);
  return d ? d->hwnd : nullptr;
}

// --- BeginPaint and erasing ---------------------------------------------------------

namespace {

// Sends WM_ERASEBKGND through a DC limited to `area`; true when the window
// erased (answered non-zero).
bool EraseNow(HWND hwnd, const TRegion& area) {
  const HDC dc = NewWindowDc(hwnd, 0);
  gdi::Dc(dc)->paintArea = area;
  const bool erased = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
  ReleaseDC(hwnd, dc);
  return erased;
}

void FrameNow(HWND hwnd) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || !w->frameDue) return;
  w->frameDue = false;
  if (winkernel::HasFrame(*w)) SendMessage(hwnd, WM_NCPAINT, 1, 0);
}

// Erases (frame first) the window and, by RedrawWindow's rule, its
// children, without painting them.
void EraseTree(HWND hwnd, UINT flags) {
  auto& k = Kernel();
  FrameNow(hwnd);
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return;
  if (w->eraseDue && !w->update.Empty()) {
    w->eraseDue = false;
    const TRegion area = w->update;
    EraseNow(hwnd, area);
  }
  if (!(w = k.Find(hwnd))) return;
  const bool children =
      (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
  if (!children) return;
  const std::vector<HWND> kids = w->children;
  for (HWND c : kids)
    if (TWindowEntry* cw = k.Find(c); cw && (cw->style & WS_VISIBLE)) EraseTree(c, flags);
}

void PaintTree(HWND hwnd, UINT flags) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w || !(w->style & WS_VISIBLE) || !w->redraw) return;
  if (!w->update.Empty() || w->frameDue || w->internalPaint) SendMessage(hwnd, WM_PAINT, 0, 0);
  if (!(w = k.Find(hwnd))) return;
  const bool children = (flags & RDW_ALLCHILDREN) || !(flags & RDW_NOCHILDREN);
  if (!children) return;
  const std::vector<HWND> kids = w->children;
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) PaintTree(*it, flags);  // the topmost last
}

}  // namespace

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  TWindowSystemState* k = KernelOrNull();
  if (!k || !ps || !k->Find(hwnd)) return nullptr;
  FrameNow(hwnd);
  TWindowEntry* w = k->Find(hwnd);
  if (!w) return nullptr;
  const TRegion area = w->update;
  const bool erase = w->eraseDue;
  w->update.Clear();
  w->eraseDue = false;
  w->internalPaint = false;
  const HDC dc = NewWindowDc(hwnd, 0);
  gdi::Dc(dc)->paintArea = area;
  gdi::Dc(dc)->inPaint = true;
  *ps = PAINTSTRUCT{};
  ps->hdc = dc;
  ps->rcPaint = area.Bounds().ToRECT();
  ps->fErase = FALSE;
  if (erase && !area.Empty())
    ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

// --- Region forms and painting now ---------------------------------------------------

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  if (!region) return InvalidateRect(hwnd, nullptr, erase);
  TRegion area;
  if (!gdi::RegionValue(region, area) || !Kernel().Find(hwnd)) return FALSE;
  winkernel::Redraw(hwnd, &area, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
  return TRUE;
}

BOOL ValidateRgn(HWND hwnd, HRGN region) {
  if (!region) return ValidateRect(hwnd, nullptr);
  TRegion area;
  if (!gdi::RegionValue(region, area) || !Kernel().Find(hwnd)) return FALSE;
  winkernel::Redraw(hwnd, &area, RDW_VALIDATE | RDW_NOCHILDREN);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w) return FALSE;
  if (erase && w->eraseDue) EraseTree(hwnd, RDW_NOCHILDREN);
  if (!(w = Kernel().Find(hwnd))) return FALSE;
  if (rect) *rect = w->update.Bounds().ToRECT();
  return w->update.Empty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  TWindowEntry* w = Kernel().Find(hwnd);
  if (!w) return ERROR;
  if (erase && w->eraseDue) EraseTree(hwnd, RDW_NOCHILDREN);
  if (!(w = Kernel().Find(hwnd))) return ERROR;
  if (!gdi::SetRegionValue(region, w->update)) return ERROR;
  return w->update.Empty() ? NULLREGION : w->update.IsRect() ? SIMPLEREGION : COMPLEXREGION;
}

BOOL UpdateWindow(HWND hwnd) {
  if (!Kernel().Find(hwnd)) return FALSE;
  PaintTree(hwnd, RDW_ALLCHILDREN);
  return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  auto& k = Kernel();
  if (!hwnd) return FALSE;
  if (!k.Find(hwnd)) return FALSE;
  TRegion area;
  const TRegion* areaPtr = nullptr;
  if (region) {
    if (!gdi::RegionValue(region, area)) return FALSE;
    areaPtr = &area;
  } else if (rect) {
    area = TRegion(TRect::From(*rect).Normalized());
    areaPtr = &area;
  }
  winkernel::Redraw(hwnd, areaPtr, flags);
  if (flags & RDW_UPDATENOW)
    PaintTree(hwnd, flags);
  else if (flags & RDW_ERASENOW)
    EraseTree(hwnd, flags);
  return TRUE;
}

// --- Surfaces ---------------------------------------------------------------------

TSurface CaptureWindow(HWND hwnd, bool wholeWindow) {
  TWindowSystemState* k = KernelOrNull();
  TWindowEntry* w = k ? k->Find(hwnd) : nullptr;
  TWindowEntry* root = k ? RootOf(*k, w) : nullptr;
  if (!w || !root || root->IsUtility()) return TSurface(0, 0);
  const auto surface = SurfaceOf(*root);
  return surface->Copy(wholeWindow ? WindowOnSurface(*w, *root) : ClientOnSurface(*w, *root));
}

BOOL SaveWindowPng(HWND hwnd, const String& path, bool wholeWindow) {
  return WritePng(CaptureWindow(hwnd, wholeWindow), path) ? TRUE : FALSE;
}

// --- Display ----------------------------------------------------------------------

void SetDisplay(TDisplay* display) {
  Kernel().display = display;
}

TDisplay* CurrentDisplay() {
  TWindowSystemState* k = KernelOrNull();
  return k ? k->display : nullptr;
}
