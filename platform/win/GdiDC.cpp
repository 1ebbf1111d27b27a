// platform/win/GdiDC.cpp
//
// Device contexts: memory DCs, the attribute state and its save stack,
// coordinate origins and clipping, and how a DC turns into a painter.
#include <algorithm>

#include "platform/win/GdiDevice.h"
#include "platform/win/GdiObjects.h"
#include "platform/win/Metrics.h"

namespace gdi {
namespace {

int KindOf(const TRegion& r) {
  return r.Empty() ? NULLREGION : r.IsRect() ? SIMPLEREGION : COMPLEXREGION;
}

std::array<BYTE, 8> HatchRows(int hatch) {
  std::array<BYTE, 8> rows{};
  for (int i = 0; i < 8; ++i) {
    const BYTE horizontal = i == 3 ? 0xFF : 0, vertical = 0x08;
    const BYTE fdiag = static_cast<BYTE>(0x80 >> i), bdiag = static_cast<BYTE>(0x01 << i);
    switch (hatch) {
      case HS_HORIZONTAL:
        rows[i] = horizontal;
        break;
      case HS_VERTICAL:
        rows[i] = vertical;
        break;
      case HS_FDIAGONAL:
        rows[i] = fdiag;
        break;
      case HS_BDIAGONAL:
        rows[i] = bdiag;
        break;
      case HS_CROSS:
        rows[i] = horizontal | vertical;
        break;
      default:
        rows[i] = fdiag | bdiag;
        break;
    }
  }
  return rows;
}

void ResetAttributes(TDcObject& d) {
  d.attrs = TDcAttributes{};
  d.attrs.pen = StockPen(BLACK_PEN);
  d.attrs.brush = StockBrush(WHITE_BRUSH);
  d.attrs.font = StockFont(SYSTEM_FONT);
}

}  // namespace

TRegion DeviceArea(TDcObject& dc) {
  std::shared_ptr<TSurface> surface;
  TPoint origin;
  TRegion visible;
  switch (dc.dcKind) {
    case TDcKind::Memory:
      if (dc.attrs.bitmap) visible = TRegion(dc.attrs.bitmap->surface->Bounds());
      break;
    case TDcKind::Screen:
      if (auto s = ScreenSurface()) visible = TRegion(s->Bounds());
      break;
    case TDcKind::Window:
      if (!WindowDevice(dc, surface, origin, visible)) return TRegion();
      visible.Offset(-origin.x, -origin.y);
      break;
  }
  return visible;
}

TPainter PainterOf(TDcObject& dc) {
  std::shared_ptr<TSurface> surface;
  TPoint origin;
  TRegion visible;
  bool mono = false;
  switch (dc.dcKind) {
    case TDcKind::Memory:
      if (!dc.attrs.bitmap) return TPainter();
      surface = dc.attrs.bitmap->surface;
      visible = TRegion(surface->Bounds());
      mono = dc.attrs.bitmap->mono;
      break;
    case TDcKind::Screen:
      surface = ScreenSurface();
      if (!surface) return TPainter();
      visible = TRegion(surface->Bounds());
      break;
    case TDcKind::Window:
      if (!WindowDevice(dc, surface, origin, visible)) return TPainter();
      break;
  }
  if (dc.attrs.clip) {
    TRegion clip = *dc.attrs.clip;
    clip.Offset(origin.x, origin.y);
    visible = visible.Intersected(clip);
  }
  return TPainter(std::move(surface), origin, std::move(visible), mono);
}

TPaint BrushPaint(const TDcObject& dc, const TBrushObject* brush, const TPainter& painter) {
  TPaint p;
  if (!brush) return p;
  const auto& a = dc.attrs;
  const TPoint org = painter.Origin().Translated(a.brushOrg);
  if (brush->dcBrush) return TPaint::Solid(PixelOfColor(a.dcBrushColor));
  switch (brush->style) {
    case BS_SOLID:
      return TPaint::Solid(PixelOfColor(brush->color));
    case BS_HATCHED:
      p.kind = TPaint::TKind::Hatch;
      p.hatch = HatchRows(brush->hatch);
      p.color = PixelOfColor(brush->color);
      p.back = PixelOfColor(a.bkColor);
      p.opaque = a.bkMode == OPAQUE;
      p.origin = org;
      return p;
    case BS_PATTERN:
      if (!brush->pattern) return p;
      p.kind = TPaint::TKind::Pattern;
      p.pattern = brush->pattern->surface;
      p.monoPattern = brush->pattern->mono;
      p.fore = PixelOfColor(a.textColor);
      p.back = PixelOfColor(a.bkColor);
      p.origin = org;
      return p;
    default:
      return p;
  }
}

TPaint PenPaint(const TDcObject& dc) {
  const auto& pen = dc.attrs.pen;
  if (!pen || pen->style == PS_NULL) return TPaint();
  return TPaint::Solid(PixelOfColor(pen->dcPen ? dc.attrs.dcPenColor : pen->color));
}

}  // namespace gdi

// --- Memory DCs -------------------------------------------------------------------

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !gdi::Dc(dc)) return nullptr;
  auto d = std::make_shared<TDcObject>();
  d->dcKind = TDcKind::Memory;
  gdi::ResetAttributes(*d);
  d->attrs.bitmap = gdi::NewDefaultBitmap();
  gdi::Register(d);
  return gdi::HandleOf<HDC>(d);
}

BOOL DeleteDC(HDC dc) {
  auto d = gdi::Dc(dc);
  if (!d || d->dcKind == TDcKind::Window) return FALSE;
  return gdi::Unregister(dc) ? TRUE : FALSE;
}

namespace gdi {
// A fresh DC of a window or the screen (PaintDC.cpp registers it).
std::shared_ptr<TDcObject> NewDeviceDc(TDcKind kind) {
  auto d = std::make_shared<TDcObject>();
  d->dcKind = kind;
  ResetAttributes(*d);
  return d;
}
}  // namespace gdi

int GetDeviceCaps(HDC dc, int index) {
  auto d = gdi::Dc(dc);
  if (!d) return 0;
  const bool memory = d->dcKind == TDcKind::Memory && d->attrs.bitmap;
  const TScreenMetrics& screen = ScreenMetrics();
  switch (index) {
    case HORZRES:
      return memory ? d->attrs.bitmap->surface->Width() : screen.width;
    case VERTRES:
      return memory ? d->attrs.bitmap->surface->Height() : screen.height;
    case BITSPIXEL:
      return memory && d->attrs.bitmap->mono ? 1 : 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_STRETCHBLT;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return screen.pixelsPerInch;
    default:
      return 0;
  }
}

BOOL GdiFlush() {
  return TRUE;
}

// --- The save stack ---------------------------------------------------------------

int SaveDC(HDC dc) {
  auto d = gdi::Dc(dc);
  if (!d) return 0;
  d->saved.push_back(d->attrs);
  return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int saved) {
  auto d = gdi::Dc(dc);
  if (!d) return FALSE;
  const int depth = static_cast<int>(d->saved.size());
  const int target = saved > 0 ? saved : depth + saved + 1;
  if (saved == 0 || target < 1 || target > depth) return FALSE;
  d->attrs = d->saved[static_cast<size_t>(target - 1)];
  d->saved.resize(static_cast<size_t>(target - 1));
  return TRUE;
}

// --- Attributes -------------------------------------------------------------------

namespace {
template <class T, class F>
T Swap(HDC dc, T fail, F member) {
  auto d = gdi::Dc(dc);
  if (!d) return fail;
  return member(d->attrs);
}
}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF c) {
  return Swap(dc, CLR_INVALID,
              [&](TDcAttributes& a) { return std::exchange(a.textColor, c & 0xFFFFFF); });
}
COLORREF GetTextColor(HDC dc) {
  return Swap(dc, CLR_INVALID, [](TDcAttributes& a) { return a.textColor; });
}
COLORREF SetBkColor(HDC dc, COLORREF c) {
  return Swap(dc, CLR_INVALID,
              [&](TDcAttributes& a) { return std::exchange(a.bkColor, c & 0xFFFFFF); });
}
COLORREF GetBkColor(HDC dc) {
  return Swap(dc, CLR_INVALID, [](TDcAttributes& a) { return a.bkColor; });
}
int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return Swap(dc, 0, [&](TDcAttributes& a) { return std::exchange(a.bkMode, mode); });
}
int GetBkMode(HDC dc) {
  return Swap(dc, 0, [](TDcAttributes& a) { return a.bkMode; });
}
COLORREF SetDCBrushColor(HDC dc, COLORREF c) {
  return Swap(dc, CLR_INVALID,
              [&](TDcAttributes& a) { return std::exchange(a.dcBrushColor, c & 0xFFFFFF); });
}
COLORREF SetDCPenColor(HDC dc, COLORREF c) {
  return Swap(dc, CLR_INVALID,
              [&](TDcAttributes& a) { return std::exchange(a.dcPenColor, c & 0xFFFFFF); });
}
int SetROP2(HDC dc, int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return Swap(dc, 0, [&](TDcAttributes& a) { return std::exchange(a.rop2, rop2); });
}
int GetROP2(HDC dc) {
  return Swap(dc, 0, [](TDcAttributes& a) { return a.rop2; });
}
int SetPolyFillMode(HDC dc, int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return Swap(dc, 0, [&](TDcAttributes& a) { return std::exchange(a.polyFillMode, mode); });
}
int GetPolyFillMode(HDC dc) {
  return Swap(dc, 0, [](TDcAttributes& a) { return a.polyFillMode; });
}
int SetStretchBltMode(HDC dc, int mode) {
  if (mode < STRETCH_ANDSCANS || mode > HALFTONE) return 0;
  return Swap(dc, 0, [&](TDcAttributes& a) { return std::exchange(a.stretchMode, mode); });
}
int GetStretchBltMode(HDC dc) {
  return Swap(dc, 0, [](TDcAttributes& a) { return a.stretchMode; });
}
UINT SetTextAlign(HDC dc, UINT align) {
  return Swap(dc, static_cast<UINT>(0xFFFFFFFF),
              [&](TDcAttributes& a) { return std::exchange(a.textAlign, align); });
}
UINT GetTextAlign(HDC dc) {
  return Swap(dc, static_cast<UINT>(0xFFFFFFFF), [](TDcAttributes& a) { return a.textAlign; });
}

// --- Origins ----------------------------------------------------------------------

namespace {
BOOL SetOrigin(HDC dc, TPoint TDcAttributes::*member, int x, int y, POINT* old) {
  auto d = gdi::Dc(dc);
  if (!d) return FALSE;
  if (old) *old = (d->attrs.*member).ToPOINT();
  d->attrs.*member = TPoint{x, y};
  return TRUE;
}
BOOL GetOrigin(HDC dc, TPoint TDcAttributes::*member, POINT* org) {
  auto d = gdi::Dc(dc);
  if (!d || !org) return FALSE;
  *org = (d->attrs.*member).ToPOINT();
  return TRUE;
}
}  // namespace

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &TDcAttributes::viewportOrg, x, y, old);
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
  return GetOrigin(dc, &TDcAttributes::viewportOrg, org);
}
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  auto d = gdi::Dc(dc);
  if (!d) return FALSE;
  const TPoint o = d->attrs.viewportOrg;
  return SetViewportOrgEx(dc, o.x + dx, o.y + dy, old);
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &TDcAttributes::windowOrg, x, y, old);
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) {
  return GetOrigin(dc, &TDcAttributes::windowOrg, org);
}
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
  return SetOrigin(dc, &TDcAttributes::brushOrg, x, y, old);
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  auto d = gdi::Dc(dc);
  if (!d || (!points && count)) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = gdi::ToDevice(*d, points[i].x, points[i].y).ToPOINT();
  return TRUE;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  auto d = gdi::Dc(dc);
  if (!d || (!points && count)) return FALSE;
  const TPoint o = gdi::ToDevice(*d, 0, 0);
  for (int i = 0; i < count; ++i) points[i] = POINT{points[i].x - o.x, points[i].y - o.y};
  return TRUE;
}

// --- Clipping ---------------------------------------------------------------------

namespace {
// The clip area as it stands: the clip region, or the whole device.
TRegion CurrentClip(TDcObject& d) {
  return d.attrs.clip ? *d.attrs.clip : gdi::DeviceArea(d);
}
int ResultKind(TDcObject& d) {
  return gdi::KindOf(CurrentClip(d).Intersected(gdi::DeviceArea(d)));
}
}  // namespace

int SelectClipRgn(HDC dc, HRGN region) {
  return ExtSelectClipRgn(dc, region, RGN_COPY);
}

int ExtSelectClipRgn(HDC dc, HRGN region, int mode) {
  auto d = gdi::Dc(dc);
  if (!d) return ERROR;
  if (!region) {
    if (mode != RGN_COPY) return ERROR;
    d->attrs.clip.reset();
    return ResultKind(*d);
  }
  TRegion r;
  if (!gdi::RegionValue(region, r)) return ERROR;
  switch (mode) {
    case RGN_COPY:
      d->attrs.clip = r;
      break;
    case RGN_AND:
      d->attrs.clip = CurrentClip(*d).Intersected(r);
      break;
    case RGN_OR:
      d->attrs.clip = CurrentClip(*d).United(r);
      break;
    case RGN_XOR:
      d->attrs.clip = TRegion::Combine(CurrentClip(*d), r, TRegionOp::Xor);
      break;
    case RGN_DIFF:
      d->attrs.clip = CurrentClip(*d).Subtracted(r);
      break;
    default:
      return ERROR;
  }
  return ResultKind(*d);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  auto d = gdi::Dc(dc);
  if (!d) return ERROR;
  d->attrs.clip =
      CurrentClip(*d).Intersected(gdi::ToDevice(*d, TRect{left, top, right, bottom}.Normalized()));
  return ResultKind(*d);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  auto d = gdi::Dc(dc);
  if (!d) return ERROR;
  d->attrs.clip =
      CurrentClip(*d).Subtracted(gdi::ToDevice(*d, TRect{left, top, right, bottom}.Normalized()));
  return ResultKind(*d);
}

int OffsetClipRgn(HDC dc, int dx, int dy) {
  auto d = gdi::Dc(dc);
  if (!d) return ERROR;
  if (d->attrs.clip) d->attrs.clip->Offset(dx, dy);
  return ResultKind(*d);
}

int GetClipBox(HDC dc, RECT* rect) {
  auto d = gdi::Dc(dc);
  if (!d || !rect) return ERROR;
  const TRegion area = CurrentClip(*d).Intersected(gdi::DeviceArea(*d));
  const TPoint o = gdi::ToDevice(*d, 0, 0);
  *rect = area.Empty() ? RECT{} : area.Bounds().Translated(-o.x, -o.y).ToRECT();
  return gdi::KindOf(area);
}

int GetClipRgn(HDC dc, HRGN region) {
  auto d = gdi::Dc(dc);
  if (!d) return -1;
  if (!d->attrs.clip) return 0;
  return gdi::SetRegionValue(region, *d->attrs.clip) ? 1 : -1;
}

BOOL PtVisible(HDC dc, int x, int y) {
  auto d = gdi::Dc(dc);
  if (!d) return FALSE;
  const TPoint p = gdi::ToDevice(*d, x, y);
  const TPainter painter = gdi::PainterOf(*d);
  return !painter.Nothing() && painter.Visible(p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC dc, const RECT* rect) {
  auto d = gdi::Dc(dc);
  if (!d || !rect) return FALSE;
  const TPainter painter = gdi::PainterOf(*d);
  if (painter.Nothing()) return FALSE;
  bool any = false;
  painter.ForEachClipped(gdi::ToDevice(*d, TRect::From(*rect).Normalized()),
                         [&](const TRect&) { any = true; });
  return any ? TRUE : FALSE;
}
