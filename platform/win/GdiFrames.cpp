// platform/win/GdiFrames.cpp
//
// Bevels and the rectangle helpers: DrawEdge in the system colours, the
// class library's Frame3D, and the RECT arithmetic of the interface.
#include <algorithm>

#include "platform/win/GdiDevice.h"

namespace {

// One ring of a bevel: left and top sides in `topLeft`, right and bottom in
// `bottomRight` (which wins the two corners they share), then the drawn
// sides move in by one.
void Ring(TPainter& painter, TRect& r, UINT sides, COLORREF topLeft, COLORREF bottomRight) {
  const TPaint tl = TPaint::Solid(PixelOfColor(topLeft)),
               br = TPaint::Solid(PixelOfColor(bottomRight));
  if (r.Empty()) return;
  if (sides & BF_LEFT) painter.Fill(TRect{r.x0, r.y0, r.x0 + 1, r.y1}, tl, R2_COPYPEN);
  if (sides & BF_TOP) painter.Fill(TRect{r.x0, r.y0, r.x1, r.y0 + 1}, tl, R2_COPYPEN);
  if (sides & BF_RIGHT) painter.Fill(TRect{r.x1 - 1, r.y0, r.x1, r.y1}, br, R2_COPYPEN);
  if (sides & BF_BOTTOM) painter.Fill(TRect{r.x0, r.y1 - 1, r.x1, r.y1}, br, R2_COPYPEN);
  if (sides & BF_LEFT) ++r.x0;
  if (sides & BF_TOP) ++r.y0;
  if (sides & BF_RIGHT) --r.x1;
  if (sides & BF_BOTTOM) --r.y1;
}

}  // namespace

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  auto dc = gdi::Dc(hdc);
  if (!dc || !rect) return FALSE;
  TPainter painter = gdi::PainterOf(*dc);
  const TPoint o = gdi::ToDevice(*dc, 0, 0);
  TRect r = TRect::From(*rect).Translated(o);
  const UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  COLORREF outerTL = 0, outerBR = 0, innerTL = 0, innerBR = 0;
  if (flags & BF_MONO) {
    outerTL = outerBR = GetSysColor(COLOR_WINDOWFRAME);
    innerTL = innerBR = GetSysColor(COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    outerTL = outerBR = GetSysColor(COLOR_3DSHADOW);
    innerTL = innerBR = GetSysColor(COLOR_3DFACE);
  } else {
    const bool raisedOuter = outer & BDR_RAISEDOUTER, raisedInner = inner & BDR_RAISEDINNER;
    outerTL = GetSysColor(raisedOuter ? COLOR_3DLIGHT : COLOR_3DSHADOW);
    outerBR = GetSysColor(raisedOuter ? COLOR_3DDKSHADOW : COLOR_3DHILIGHT);
    innerTL = GetSysColor(raisedInner ? COLOR_3DHILIGHT : COLOR_3DDKSHADOW);
    innerBR = GetSysColor(raisedInner ? COLOR_3DSHADOW : COLOR_3DLIGHT);
    if (flags & BF_SOFT) std::swap(outerTL, innerTL);
  }
  if (outer) Ring(painter, r, flags, outerTL, outerBR);
  if (inner) Ring(painter, r, flags, innerTL, innerBR);
  if (flags & BF_MIDDLE)
    painter.Fill(
        r,
        TPaint::Solid(PixelOfColor(GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE))),
        R2_COPYPEN);
  if (flags & BF_ADJUST) *rect = r.Translated(-o.x, -o.y).ToRECT();
  return TRUE;
}

void Frame3D(HDC hdc, RECT& rect, COLORREF topColor, COLORREF bottomColor, int width) {
  auto dc = gdi::Dc(hdc);
  if (!dc) return;
  TPainter painter = gdi::PainterOf(*dc);
  const TPoint o = gdi::ToDevice(*dc, 0, 0);
  TRect r = TRect::From(rect).Translated(o);
  const TPaint top = TPaint::Solid(PixelOfColor(topColor)),
               bottom = TPaint::Solid(PixelOfColor(bottomColor));
  for (int i = 0; i < width && !r.Empty(); ++i) {
    painter.Fill(TRect{r.x0, r.y0, r.x0 + 1, r.y1}, top, R2_COPYPEN);
    painter.Fill(TRect{r.x0, r.y0, r.x1 - 1, r.y0 + 1}, top, R2_COPYPEN);
    painter.Fill(TRect{r.x1 - 1, r.y0, r.x1, r.y1 - 1}, bottom, R2_COPYPEN);
    painter.Fill(TRect{r.x0, r.y1 - 1, r.x1, r.y1}, bottom, R2_COPYPEN);
    r = r.Shrunken(1);
  }
  rect = TRect::From(rect).Shrunken(std::max(0, width)).ToRECT();
}

// --- RECT arithmetic --------------------------------------------------------------

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom) {
  if (!rect) return FALSE;
  *rect = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* rect) {
  return SetRect(rect, 0, 0, 0, 0);
}

BOOL CopyRect(RECT* dest, const RECT* src) {
  if (!dest || !src) return FALSE;
  *dest = *src;
  return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) {
  return !rect || TRect::From(*rect).Empty() ? TRUE : FALSE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && *a == *b ? TRUE : FALSE;
}

BOOL InflateRect(RECT* rect, int dx, int dy) {
  if (!rect) return FALSE;
  *rect = TRect::From(*rect).Shrunken(-dx, -dy).ToRECT();
  return TRUE;
}

BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  const TRect r = TRect::From(*a).Intersected(TRect::From(*b));
  *dest = r.ToRECT();
  return r.Empty() ? FALSE : TRUE;
}

BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  const TRect r = TRect::From(*a).United(TRect::From(*b));
  *dest = r.ToRECT();
  return r.Empty() ? FALSE : TRUE;
}

BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b) {
  if (!dest || !a || !b) return FALSE;
  // Only a whole side cut away leaves a rectangle; otherwise `a` stays.
  const TRegion rest = TRegion(TRect::From(*a)).Subtracted(TRect::From(*b));
  *dest = rest.IsRect() ? rest.Bounds().ToRECT() : (rest.Empty() ? RECT{} : *a);
  return rest.Empty() ? FALSE : TRUE;
}
