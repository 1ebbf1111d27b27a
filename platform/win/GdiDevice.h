// platform/win/GdiDevice.h
//
// How a device context reaches pixels: the surface it draws on, where its
// device origin lies on that surface, and what it may touch. Internal to
// the drawing layer.
#pragma once

#include <memory>

#include "platform/win/GdiObjects.h"
#include "platform/win/GdiRaster.h"

namespace gdi {

// A painter for the DC: its surface, origin and clip (visible part of the
// device narrowed by the selected clip region). Nothing() when the DC has
// nothing to draw on.
TPainter PainterOf(TDcObject& dc);
// The DC's visible region in device coordinates, before the clip region.
TRegion DeviceArea(TDcObject& dc);

// Window DCs (PaintDC.cpp): the top-level surface, the device origin on it
// and the visible region (surface coordinates). False for a window gone.
bool WindowDevice(TDcObject& dc, std::shared_ptr<TSurface>& surface, TPoint& origin,
                  TRegion& visible);
// The screen's surface (the desktop), for DCs of no window.
std::shared_ptr<TSurface> ScreenSurface();

// Logical to device.
inline TPoint ToDevice(const TDcObject& dc, int x, int y) {
  return TPoint{x - dc.attrs.windowOrg.x + dc.attrs.viewportOrg.x,
                y - dc.attrs.windowOrg.y + dc.attrs.viewportOrg.y};
}
inline TRect ToDevice(const TDcObject& dc, const TRect& r) {
  const TPoint a = ToDevice(dc, r.x0, r.y0);
  return r.Translated(a.x - r.x0, a.y - r.y0);
}

// The paint of a brush / of the current pen in this DC (colours resolved
// against the DC's text and background colours and modes).
TPaint BrushPaint(const TDcObject& dc, const TBrushObject* brush, const TPainter& painter);
TPaint PenPaint(const TDcObject& dc);

}  // namespace gdi
