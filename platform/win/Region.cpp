// platform/win/Region.cpp
//
// Boolean operations by sweeping bands: the y-edges of both operands cut the
// plane into bands in which each operand is a fixed set of x-intervals; the
// operation is applied to those interval sets band by band, and the result
// is put back into canonical form.
#include "platform/win/Region.h"

#include <algorithm>
#include <utility>

namespace {

using TIntervals = std::vector<std::pair<int, int>>;

// The intervals of `rects` (canonical) that cover the band starting at y.
TIntervals IntervalsAt(const std::vector<TRect>& rects, int y) {
  TIntervals r;
  for (const TRect& b : rects)
    if (b.y0 <= y && y < b.y1) r.emplace_back(b.x0, b.x1);
  return r;
}

bool Apply(TRegionOp op, bool a, bool b) {
  switch (op) {
    case TRegionOp::And:
      return a && b;
    case TRegionOp::Or:
      return a || b;
    case TRegionOp::Xor:
      return a != b;
    case TRegionOp::Diff:
      return a && !b;
  }
  return false;
}

TIntervals CombineIntervals(const TIntervals& a, const TIntervals& b, TRegionOp op) {
  std::vector<int> xs;
  for (auto& [l, r] : a) xs.insert(xs.end(), {l, r});
  for (auto& [l, r] : b) xs.insert(xs.end(), {l, r});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  auto inside = [](const TIntervals& v, int x) {
    for (auto& [l, r] : v)
      if (l <= x && x < r) return true;
    return false;
  };
  TIntervals out;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    if (!Apply(op, inside(a, xs[i]), inside(b, xs[i]))) continue;
    if (!out.empty() && out.back().second == xs[i])
      out.back().second = xs[i + 1];
    else
      out.emplace_back(xs[i], xs[i + 1]);
  }
  return out;
}

// Turns bands (y0, y1, intervals) into canonical rectangles, merging
// vertically touching bands with equal intervals.
std::vector<TRect> FromBands(std::vector<std::pair<std::pair<int, int>, TIntervals>>& bands) {
  std::vector<std::pair<std::pair<int, int>, TIntervals>> merged;
  for (auto& band : bands) {
    if (band.second.empty()) continue;
    if (!merged.empty() && merged.back().first.second == band.first.first &&
        merged.back().second == band.second)
      merged.back().first.second = band.first.second;
    else
      merged.push_back(std::move(band));
  }
  std::vector<TRect> rects;
  for (auto& [ys, iv] : merged)
    for (auto& [l, r] : iv) rects.push_back(TRect{l, ys.first, r, ys.second});
  return rects;
}

}  // namespace

TRegion::TRegion(const TRect& r) {
  if (!r.Empty()) rects_.push_back(r);
}

TRect TRegion::Bounds() const {
  TRect b;
  for (const TRect& r : rects_) b = b.United(r);
  return b;
}

bool TRegion::Contains(int x, int y) const {
  for (const TRect& r : rects_)
    if (r.Contains(x, y)) return true;
  return false;
}

bool TRegion::Intersects(const TRect& r) const {
  for (const TRect& b : rects_)
    if (b.Intersects(r)) return true;
  return false;
}

void TRegion::Offset(int dx, int dy) {
  for (TRect& r : rects_) r = r.Translated(dx, dy);
}

TRegion TRegion::Combine(const TRegion& a, const TRegion& b, TRegionOp op) {
  // Quick answers for the common simple cases keep invalidation cheap.
  if (op == TRegionOp::Or && a.Empty()) return b;
  if ((op == TRegionOp::Or || op == TRegionOp::Diff || op == TRegionOp::Xor) && b.Empty()) return a;
  if (op == TRegionOp::And && (a.Empty() || b.Empty())) return TRegion();
  if (op == TRegionOp::And && a.IsRect() && b.IsRect())
    return TRegion(a.rects_[0].Intersected(b.rects_[0]));

  std::vector<int> ys;
  for (const TRect& r : a.rects_) ys.insert(ys.end(), {r.y0, r.y1});
  for (const TRect& r : b.rects_) ys.insert(ys.end(), {r.y0, r.y1});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<std::pair<std::pair<int, int>, TIntervals>> bands;
  for (size_t i = 0; i + 1 < ys.size(); ++i)
    bands.push_back(
        {{ys[i], ys[i + 1]},
         CombineIntervals(IntervalsAt(a.rects_, ys[i]), IntervalsAt(b.rects_, ys[i]), op)});
  TRegion out;
  out.rects_ = FromBands(bands);
  return out;
}
