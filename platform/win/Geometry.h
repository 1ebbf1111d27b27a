// platform/win/Geometry.h
//
// Small value types for drawing code: a point, a size and a half-open
// rectangle [x0, x1) x [y0, y1), with the operations clipping and
// translating need. They convert to and from the Windows records (POINT,
// RECT) at the edges of the API, so drawing code reads as geometry rather
// than as arithmetic on four loose integers.
#pragma once

#include <algorithm>

#include "platform/win/WinTypes.h"

struct TPoint {
  int x = 0;
  int y = 0;

  static TPoint From(const POINT& p) { return TPoint{p.x, p.y}; }
  POINT ToPOINT() const { return POINT{x, y}; }
  TPoint Translated(int dx, int dy) const { return TPoint{x + dx, y + dy}; }
  TPoint Translated(TPoint d) const { return TPoint{x + d.x, y + d.y}; }
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
  int x0 = 0;
  int y0 = 0;
  int x1 = 0;
  int y1 = 0;

  static TRect From(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }
  static TRect Sized(int x, int y, int cx, int cy) { return TRect{x, y, x + cx, y + cy}; }
  RECT ToRECT() const { return RECT{x0, y0, x1, y1}; }

  int Width() const { return x1 - x0; }
  int Height() const { return y1 - y0; }
  bool Empty() const { return x1 <= x0 || y1 <= y0; }
  bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
  bool Contains(TPoint p) const { return Contains(p.x, p.y); }
  bool Contains(const TRect& r) const {
    return r.x0 >= x0 && r.x1 <= x1 && r.y0 >= y0 && r.y1 <= y1;
  }
  bool Intersects(const TRect& r) const { return !Intersected(r).Empty(); }

  // Empty results are normalised to the all-zero rectangle, so that two
  // empty rectangles always compare equal.
  TRect Intersected(const TRect& r) const {
    TRect i{std::max(x0, r.x0), std::max(y0, r.y0), std::min(x1, r.x1), std::min(y1, r.y1)};
    return i.Empty() ? TRect{} : i;
  }
  // The smallest rectangle holding both; an empty operand adds nothing.
  TRect United(const TRect& r) const {
    if (Empty()) return r.Empty() ? TRect{} : r;
    if (r.Empty()) return *this;
    return TRect{std::min(x0, r.x0), std::min(y0, r.y0), std::max(x1, r.x1), std::max(y1, r.y1)};
  }
  TRect Translated(int dx, int dy) const { return TRect{x0 + dx, y0 + dy, x1 + dx, y1 + dy}; }
  TRect Translated(TPoint d) const { return Translated(d.x, d.y); }
  // Moves every edge inwards by `d` (outwards for a negative `d`).
  TRect Shrunken(int d) const { return TRect{x0 + d, y0 + d, x1 - d, y1 - d}; }
  TRect Shrunken(int dx, int dy) const { return TRect{x0 + dx, y0 + dy, x1 - dx, y1 - dy}; }
  // Left and right, top and bottom swapped where needed.
  TRect Normalized() const {
    return TRect{std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
  }
  TPoint TopLeft() const { return TPoint{x0, y0}; }
  friend bool operator==(const TRect&, const TRect&) = default;
};
