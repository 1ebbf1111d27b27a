// platform/win/Region.h
//
// An area of the plane made of whole pixels, as update regions and clip
// regions need it. It is kept in one canonical form: horizontal bands, each a
// sorted list of disjoint x-intervals, bands sorted top-down and touching
// bands with the same intervals merged. Two regions covering the same pixels
// therefore have the same rectangles, which makes Equal a plain comparison,
// and the rectangles never overlap, so a raster operation applied once per
// rectangle touches each pixel once (XOR drawing relies on that).
#pragma once

#include <vector>

#include "platform/win/Geometry.h"

enum class TRegionOp { And, Or, Xor, Diff };

class TRegion {
 public:
  TRegion() = default;
  explicit TRegion(const TRect& r);

  // Disjoint rectangles, top to bottom, left to right within a band.
  const std::vector<TRect>& Rects() const { return rects_; }
  bool Empty() const { return rects_.empty(); }
  bool IsRect() const { return rects_.size() == 1; }
  TRect Bounds() const;
  bool Contains(int x, int y) const;
  bool Intersects(const TRect& r) const;

  void Offset(int dx, int dy);
  void Clear() { rects_.clear(); }

  static TRegion Combine(const TRegion& a, const TRegion& b, TRegionOp op);
  TRegion Intersected(const TRect& r) const { return Combine(*this, TRegion(r), TRegionOp::And); }
  TRegion Intersected(const TRegion& r) const { return Combine(*this, r, TRegionOp::And); }
  TRegion United(const TRect& r) const { return Combine(*this, TRegion(r), TRegionOp::Or); }
  TRegion United(const TRegion& r) const { return Combine(*this, r, TRegionOp::Or); }
  TRegion Subtracted(const TRect& r) const { return Combine(*this, TRegion(r), TRegionOp::Diff); }
  TRegion Subtracted(const TRegion& r) const { return Combine(*this, r, TRegionOp::Diff); }

  friend bool operator==(const TRegion& a, const TRegion& b) { return a.rects_ == b.rects_; }

 private:
  std::vector<TRect> rects_;
};
