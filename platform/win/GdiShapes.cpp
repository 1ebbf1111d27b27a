// platform/win/GdiShapes.cpp
//
// Pixels, lines and shapes. Every shape is first gathered as spans (its
// fill and its outline apart, the outline taken out of the fill), then
// painted once through the DC's ROP2 mode, so that XOR drawings of any
// shape undo themselves exactly.
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/win/GdiDevice.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Calls f(x, y) for the pixels of the line from a to b, b excluded.
template <class F>
void LinePixels(TPoint a, TPoint b, F f) {
  int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x, y = a.y;
  while (x != b.x || y != b.y) {
    f(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// The on and off runs of a styled pen.
const std::vector<int>& DashOf(int style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
      dashDotDot{9, 3, 3, 3, 3, 3}, alternate{1, 1}, none{};
  switch (style) {
    case PS_DASH:
      return dash;
    case PS_DOT:
      return dot;
    case PS_DASHDOT:
      return dashDot;
    case PS_DASHDOTDOT:
      return dashDotDot;
    case PS_ALTERNATE:
      return alternate;
    default:
      return none;
  }
}

// Strokes polylines with the DC's pen: solid pens as spans (thick ones as
// squares along the path), styled pens pixel by pixel with their gaps.
class TStroke {
 public:
  explicit TStroke(const TDcObject& dc) : dc_(dc) {
    const auto& pen = dc.attrs.pen;
    visible_ = pen && pen->style != PS_NULL;
    if (!visible_) return;
    dash_ = &DashOf(pen->style);
    width_ = dash_->empty() ? pen->width : 1;
  }
  bool Visible() const { return visible_; }
  bool Styled() const { return !dash_->empty(); }

  void Segment(TPoint a, TPoint b) {
    LinePixels(a, b, [&](int x, int y) { Point(x, y); });
  }
  // A closing point of a figure, which LinePixels leaves out.
  void Point(int x, int y) {
    if (Styled()) {
      const bool on = OnAt(step_++);
      if (on)
        on_.Add(y, x, x + 1);
      else
        off_.Add(y, x, x + 1);
      return;
    }
    const int h = width_ / 2;
    for (int yy = y - h; yy < y - h + width_; ++yy) on_.Add(yy, x - h, x - h + width_);
  }

  // Paints what was stroked; the stroked pixels are taken out of
  // `fillToTrim`, when given, which the caller paints after.
  void Paint(TPainter& painter, TSpans* fillToTrim) {
    on_.Normalize();
    off_.Normalize();
    if (fillToTrim) {
      fillToTrim->Normalize();
      *fillToTrim = fillToTrim->Minus(on_).Minus(off_);
    }
    const int rop = dc_.attrs.rop2;
    painter.FillSpans(on_, gdi::PenPaint(dc_), rop);
    if (Styled() && dc_.attrs.bkMode == OPAQUE)
      painter.FillSpans(off_.Minus(on_), TPaint::Solid(PixelOfColor(dc_.attrs.bkColor)), rop);
  }

 private:
  bool OnAt(int step) const {
    int total = 0;
    for (int n : *dash_) total += n;
    int p = step % total;
    for (size_t i = 0; i < dash_->size(); ++i) {
      if (p < (*dash_)[i]) return i % 2 == 0;
      p -= (*dash_)[i];
    }
    return true;
  }

  const TDcObject& dc_;
  bool visible_ = false;
  const std::vector<int>* dash_ = nullptr;
  int width_ = 1;
  int step_ = 0;
  TSpans on_, off_;
};

// The pixels whose centres lie inside `box` with corners rounded by an
// ellipse of ew x eh (a whole ellipse when they equal the box's size).
TSpans RoundedSpans(const TRect& box, double ew, double eh) {
  TSpans s;
  if (box.Empty()) return s;
  const double rx = std::max(0.0, std::min(ew, double(box.Width())) / 2),
               ry = std::max(0.0, std::min(eh, double(box.Height())) / 2);
  for (int y = box.y0; y < box.y1; ++y) {
    const double yc = y + 0.5;
    double dy = 0;
    if (yc < box.y0 + ry)
      dy = box.y0 + ry - yc;
    else if (yc > box.y1 - ry)
      dy = yc - (box.y1 - ry);
    double inset = 0;
    if (dy > 0 && ry > 0) {
      const double t = std::min(1.0, dy / ry);
      inset = rx * (1 - std::sqrt(1 - t * t));
    }
    const int x0 = static_cast<int>(std::ceil(box.x0 + inset - 0.5));
    const int x1 = static_cast<int>(std::floor(box.x1 - inset - 0.5)) + 1;
    s.Add(y, x0, x1);
  }
  return s;
}

// Keeps the pixels of `s` for which keep(x, y) holds.
template <class P>
TSpans Filtered(const TSpans& s, P keep) {
  TSpans out;
  for (const auto& [y, spans] : s.Rows())
    for (auto [a, b] : spans) {
      int start = a;
      for (int x = a; x <= b; ++x) {
        const bool in = x < b && keep(x, y);
        if (!in) {
          out.Add(y, start, x);
          start = x + 1;
        }
      }
    }
  return out;
}

struct TDraw {
  std::shared_ptr<TDcObject> dc;
  TPainter painter;
  explicit operator bool() const { return dc != nullptr; }
};

TDraw Begin(HDC hdc) {
  TDraw d;
  d.dc = gdi::Dc(hdc);
  if (d.dc) d.painter = gdi::PainterOf(*d.dc);
  return d;
}

// Fill (brush) and outline (pen) of a closed shape given by its spans and
// outline; the outline wins where they meet.
void PaintShape(TDraw& d, TSpans fill, TStroke& stroke) {
  stroke.Paint(d.painter, &fill);
  d.painter.FillSpans(fill, gdi::BrushPaint(*d.dc, d.dc->attrs.brush.get(), d.painter),
                      d.dc->attrs.rop2);
}

int PenWidth(const TDcObject& dc) {
  const auto& pen = dc.attrs.pen;
  if (!pen || pen->style == PS_NULL) return 0;
  return DashOf(pen->style).empty() ? pen->width : 1;
}

// The shape of an ellipse (or rounded rectangle) and its outline ring.
void EllipseShape(const TDcObject& dc, const TRect& box, double ew, double eh, TSpans& fill,
                  TSpans& ring) {
  const int w = PenWidth(dc);
  if (w == 0) {
    fill = RoundedSpans(TRect{box.x0, box.y0, box.x1 - 1, box.y1 - 1}, ew - 1, eh - 1);
    return;
  }
  TSpans outer = RoundedSpans(box, ew, eh);
  fill = RoundedSpans(box.Shrunken(w), ew - 2 * w, eh - 2 * w);
  outer.Normalize();
  fill.Normalize();
  ring = outer.Minus(fill);
}

}  // namespace

// --- Pixels -----------------------------------------------------------------------

COLORREF GetPixel(HDC hdc, int x, int y) {
  TDraw d = Begin(hdc);
  if (!d) return CLR_INVALID;
  const TPoint p = gdi::ToDevice(*d.dc, x, y);
  if (d.painter.Nothing() || !d.painter.Visible(p.x, p.y)) return CLR_INVALID;
  const TPoint o = d.painter.Origin();
  return ColorOfPixel(d.painter.Surface().Pixel(p.x + o.x, p.y + o.y));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  TDraw d = Begin(hdc);
  if (!d) return CLR_INVALID;
  const TPoint p = gdi::ToDevice(*d.dc, x, y);
  d.painter.Plot(p.x, p.y, PixelOfColor(color), R2_COPYPEN);
  return color & 0xFFFFFF;
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
  return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

// --- Lines ------------------------------------------------------------------------

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  auto dc = gdi::Dc(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->attrs.position.ToPOINT();
  dc->attrs.position = TPoint{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* pos) {
  auto dc = gdi::Dc(hdc);
  if (!dc || !pos) return FALSE;
  *pos = dc->attrs.position.ToPOINT();
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  TDraw d = Begin(hdc);
  if (!d) return FALSE;
  TStroke stroke(*d.dc);
  const TPoint from = d.dc->attrs.position;
  d.dc->attrs.position = TPoint{x, y};
  if (!stroke.Visible()) return TRUE;
  stroke.Segment(gdi::ToDevice(*d.dc, from.x, from.y), gdi::ToDevice(*d.dc, x, y));
  stroke.Paint(d.painter, nullptr);
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  TDraw d = Begin(hdc);
  if (!d || count < 2 || !points) return FALSE;
  TStroke stroke(*d.dc);
  if (!stroke.Visible()) return TRUE;
  for (int i = 0; i + 1 < count; ++i)
    stroke.Segment(gdi::ToDevice(*d.dc, points[i].x, points[i].y),
                   gdi::ToDevice(*d.dc, points[i + 1].x, points[i + 1].y));
  stroke.Paint(d.painter, nullptr);
  return TRUE;
}

BOOL PolyPolyline(HDC hdc, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!points || !counts) return FALSE;
  for (DWORD i = 0; i < polylines; ++i) {
    if (!Polyline(hdc, points, static_cast<int>(counts[i]))) return FALSE;
    points += counts[i];
  }
  return TRUE;
}

// --- Shapes -----------------------------------------------------------------------

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  TDraw d = Begin(hdc);
  if (!d) return FALSE;
  const TRect box = gdi::ToDevice(*d.dc, TRect{left, top, right, bottom}.Normalized());
  TStroke stroke(*d.dc);
  TSpans fill;
  if (!stroke.Visible()) {
    fill.AddRect(TRect{box.x0, box.y0, box.x1 - 1, box.y1 - 1});
  } else if (stroke.Styled()) {
    const TPoint c[4] = {
        {box.x0, box.y0}, {box.x1 - 1, box.y0}, {box.x1 - 1, box.y1 - 1}, {box.x0, box.y1 - 1}};
    for (int i = 0; i < 4; ++i) stroke.Segment(c[i], c[(i + 1) % 4]);
    fill.AddRect(box.Shrunken(1));
  } else {
    const int w = PenWidth(*d.dc);
    TSpans outer;
    outer.AddRect(box);
    fill.AddRect(box.Shrunken(w));
    d.painter.FillSpans(fill, gdi::BrushPaint(*d.dc, d.dc->attrs.brush.get(), d.painter),
                        d.dc->attrs.rop2);
    d.painter.FillSpans(outer.Minus(fill), gdi::PenPaint(*d.dc), d.dc->attrs.rop2);
    return TRUE;
  }
  PaintShape(d, fill, stroke);
  return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
  TDraw d = Begin(hdc);
  if (!d) return FALSE;
  const TRect box = gdi::ToDevice(*d.dc, TRect{left, top, right, bottom}.Normalized());
  TSpans fill, ring;
  EllipseShape(*d.dc, box, width, height, fill, ring);
  d.painter.FillSpans(fill, gdi::BrushPaint(*d.dc, d.dc->attrs.brush.get(), d.painter),
                      d.dc->attrs.rop2);
  d.painter.FillSpans(ring, gdi::PenPaint(*d.dc), d.dc->attrs.rop2);
  return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
  const TRect r = TRect{left, top, right, bottom}.Normalized();
  return RoundRect(hdc, r.x0, r.y0, r.x1, r.y1, r.Width(), r.Height());
}

namespace {

// Pie and arc: the part of the ellipse from the radial through r1
// counter-clockwise to the radial through r2.
BOOL Wedge(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2,
           bool pie) {
  TDraw d = Begin(hdc);
  if (!d) return FALSE;
  const TRect box = gdi::ToDevice(*d.dc, TRect{left, top, right, bottom}.Normalized());
  const TPoint p1 = gdi::ToDevice(*d.dc, xr1, yr1), p2 = gdi::ToDevice(*d.dc, xr2, yr2);
  const double cx = (box.x0 + box.x1) / 2.0, cy = (box.y0 + box.y1) / 2.0;
  auto angle = [&](double x, double y) {
    const double a = std::atan2(cy - y, x - cx);
    return a < 0 ? a + 2 * kPi : a;
  };
  const double a1 = angle(p1.x, p1.y), a2 = angle(p2.x, p2.y);
  double sweep = a2 - a1;
  if (sweep <= 0) sweep += 2 * kPi;
  auto inWedge = [&](int x, int y) {
    double a = angle(x + 0.5, y + 0.5) - a1;
    if (a < 0) a += 2 * kPi;
    return a <= sweep;
  };
  TSpans fill, ring;
  EllipseShape(*d.dc, box, box.Width(), box.Height(), fill, ring);
  fill = Filtered(fill, inWedge);
  ring = Filtered(ring, inWedge);
  TStroke stroke(*d.dc);
  if (pie && stroke.Visible()) {
    const TPoint centre{static_cast<int>(std::floor(cx)), static_cast<int>(std::floor(cy))};
    const double rx = box.Width() / 2.0, ry = box.Height() / 2.0;
    for (double a : {a1, a1 + sweep}) {
      const TPoint edge{static_cast<int>(std::lround(cx + (rx - 0.5) * std::cos(a) - 0.5)),
                        static_cast<int>(std::lround(cy - (ry - 0.5) * std::sin(a) - 0.5))};
      stroke.Segment(centre, edge);
      stroke.Point(edge.x, edge.y);
    }
  }
  ring.Normalize();
  for (const auto& [y, spans] : ring.Rows())
    for (auto [a, b] : spans)
      for (int x = a; x < b; ++x) stroke.Point(x, y);
  if (pie)
    PaintShape(d, fill, stroke);
  else
    stroke.Paint(d.painter, nullptr);
  return TRUE;
}

}  // namespace

BOOL Pie(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2) {
  return Wedge(hdc, left, top, right, bottom, xr1, yr1, xr2, yr2, true);
}

BOOL Arc(HDC hdc, int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2) {
  return Wedge(hdc, left, top, right, bottom, xr1, yr1, xr2, yr2, false);
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
  TDraw d = Begin(hdc);
  if (!d || !points || count < 2) return FALSE;
  std::vector<TPoint> p;
  for (int i = 0; i < count; ++i) p.push_back(gdi::ToDevice(*d.dc, points[i].x, points[i].y));
  int ymin = p[0].y, ymax = p[0].y;
  for (const TPoint& q : p) ymin = std::min(ymin, q.y), ymax = std::max(ymax, q.y);
  TSpans fill;
  const bool winding = d.dc->attrs.polyFillMode == WINDING;
  for (int y = ymin; y < ymax; ++y) {
    const double yc = y + 0.5;
    std::vector<std::pair<double, int>> xs;  // crossing and direction
    for (size_t i = 0; i < p.size(); ++i) {
      const TPoint a = p[i], b = p[(i + 1) % p.size()];
      if (a.y == b.y) continue;
      const bool down = a.y < b.y;
      const double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
      if (yc < y0 || yc >= y1) continue;
      xs.emplace_back(a.x + (yc - a.y) * (b.x - a.x) / double(b.y - a.y), down ? 1 : -1);
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      const bool inside = winding ? wind != 0 : (i % 2 == 0);
      if (!inside) continue;
      fill.Add(y, static_cast<int>(std::ceil(xs[i].first - 0.5)),
               static_cast<int>(std::ceil(xs[i + 1].first - 0.5)));
    }
  }
  TStroke stroke(*d.dc);
  if (stroke.Visible())
    for (size_t i = 0; i < p.size(); ++i) stroke.Segment(p[i], p[(i + 1) % p.size()]);
  PaintShape(d, fill, stroke);
  return TRUE;
}

// --- Rectangles and regions with brushes ---------------------------------------------

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  TDraw d = Begin(hdc);
  auto b = gdi::Brush(brush);
  if (!d || !rect || !b) return 0;
  d.painter.Fill(gdi::ToDevice(*d.dc, TRect::From(*rect)),
                 gdi::BrushPaint(*d.dc, b.get(), d.painter), R2_COPYPEN);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  TDraw d = Begin(hdc);
  auto b = gdi::Brush(brush);
  if (!d || !rect || !b) return 0;
  const TRect box = gdi::ToDevice(*d.dc, TRect::From(*rect));
  if (box.Empty()) return 1;
  TSpans outer, inner;
  outer.AddRect(box);
  inner.AddRect(box.Shrunken(1));
  d.painter.FillSpans(outer.Minus(inner), gdi::BrushPaint(*d.dc, b.get(), d.painter), R2_COPYPEN);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  TDraw d = Begin(hdc);
  if (!d || !rect) return FALSE;
  d.painter.Fill(gdi::ToDevice(*d.dc, TRect::From(*rect)), TPaint::Solid(0), R2_NOT);
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  TDraw d = Begin(hdc);
  if (!d || !rect) return FALSE;
  const TRect box = gdi::ToDevice(*d.dc, TRect::From(*rect));
  if (box.Empty()) return TRUE;
  TSpans outer, inner;
  outer.AddRect(box);
  inner.AddRect(box.Shrunken(1));
  // Every other pixel of the frame, on a checkerboard fixed to the device.
  const TSpans dots = Filtered(outer.Minus(inner), [](int x, int y) { return ((x + y) & 1) == 0; });
  d.painter.FillSpans(dots, TPaint::Solid(0), R2_NOT);
  return TRUE;
}

namespace {
TSpans SpansOf(const TRegion& r) {
  TSpans s;
  for (const TRect& b : r.Rects()) s.AddRect(b);
  return s;
}
bool DeviceRegion(const TDcObject& dc, HRGN region, TRegion& out) {
  if (!gdi::RegionValue(region, out)) return false;
  const TPoint o = gdi::ToDevice(dc, 0, 0);
  out.Offset(o.x, o.y);
  return true;
}
}  // namespace

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush) {
  TDraw d = Begin(hdc);
  auto b = gdi::Brush(brush);
  TRegion r;
  if (!d || !b || !DeviceRegion(*d.dc, region, r)) return FALSE;
  d.painter.FillSpans(SpansOf(r), gdi::BrushPaint(*d.dc, b.get(), d.painter), R2_COPYPEN);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN region) {
  auto dc = gdi::Dc(hdc);
  return dc && dc->attrs.brush ? FillRgn(hdc, region, gdi::HandleOf<HBRUSH>(dc->attrs.brush))
                               : FALSE;
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height) {
  TDraw d = Begin(hdc);
  auto b = gdi::Brush(brush);
  TRegion r;
  if (!d || !b || !DeviceRegion(*d.dc, region, r)) return FALSE;
  // The frame is what the region loses when shrunk by width x height.
  TRegion inner = r;
  for (auto [dx, dy] : {std::pair{width, 0}, {-width, 0}, {0, height}, {0, -height}}) {
    TRegion moved = r;
    moved.Offset(dx, dy);
    inner = inner.Intersected(moved);
  }
  d.painter.FillSpans(SpansOf(r.Subtracted(inner)), gdi::BrushPaint(*d.dc, b.get(), d.painter),
                      R2_COPYPEN);
  return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN region) {
  TDraw d = Begin(hdc);
  TRegion r;
  if (!d || !DeviceRegion(*d.dc, region, r)) return FALSE;
  d.painter.FillSpans(SpansOf(r), TPaint::Solid(0), R2_NOT);
  return TRUE;
}
