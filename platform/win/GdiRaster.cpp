// platform/win/GdiRaster.cpp
#include "platform/win/GdiRaster.h"

#include <algorithm>

namespace {
constexpr TPixel kRgb = 0x00FFFFFF;

int Mod(int a, int m) {
  const int r = a % m;
  return r < 0 ? r + m : r;
}
}  // namespace

bool TPaint::At(int x, int y, TPixel& out) const {
  switch (kind) {
    case TKind::None:
      return false;
    case TKind::Solid:
      out = color;
      return true;
    case TKind::Hatch: {
      const int row = Mod(y - origin.y, 8), col = Mod(x - origin.x, 8);
      if (hatch[row] & (0x80 >> col)) {
        out = color;
        return true;
      }
      if (!opaque) return false;
      out = back;
      return true;
    }
    case TKind::Pattern: {
      if (!pattern || pattern->Width() == 0 || pattern->Height() == 0) return false;
      const TPixel p =
          pattern->Row(Mod(y - origin.y, pattern->Height()))[Mod(x - origin.x, pattern->Width())];
      out = monoPattern ? ((p & kRgb) ? back : fore) : (p & kRgb);
      return true;
    }
  }
  return false;
}

void TSpans::Add(int y, int x0, int x1) {
  if (x1 > x0) rows_[y].emplace_back(x0, x1);
}

void TSpans::AddRect(const TRect& r) {
  if (r.Empty()) return;
  for (int y = r.y0; y < r.y1; ++y) Add(y, r.x0, r.x1);
}

void TSpans::Normalize() {
  for (auto& [y, v] : rows_) {
    std::sort(v.begin(), v.end());
    std::vector<std::pair<int, int>> merged;
    for (auto& s : v) {
      if (!merged.empty() && s.first <= merged.back().second)
        merged.back().second = std::max(merged.back().second, s.second);
      else
        merged.push_back(s);
    }
    v = std::move(merged);
  }
}

TSpans TSpans::Minus(const TSpans& other) const {
  TSpans out;
  for (const auto& [y, v] : rows_) {
    auto it = other.rows_.find(y);
    if (it == other.rows_.end()) {
      for (auto& s : v) out.Add(y, s.first, s.second);
      continue;
    }
    for (auto [a, b] : v) {
      for (auto [c, d] : it->second) {
        if (d <= a || c >= b) continue;
        if (c > a) out.Add(y, a, c);
        a = std::max(a, d);
        if (a >= b) break;
      }
      if (a < b) out.Add(y, a, b);
    }
  }
  return out;
}

TPixel ApplyRop2(int rop2, TPixel pen, TPixel dest) {
  const unsigned t = static_cast<unsigned>(rop2 - 1) & 0xF;
  const TPixel p = pen & kRgb, d = dest & kRgb;
  TPixel r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return r & kRgb;
}

TPixel ApplyRop3(BYTE rop3, TPixel pattern, TPixel source, TPixel dest) {
  switch (rop3) {  // the common ones directly
    case 0xCC:
      return source & kRgb;
    case 0xF0:
      return pattern & kRgb;
    case 0x55:
      return ~dest & kRgb;
    case 0x88:
      return source & dest & kRgb;
    case 0xEE:
      return (source | dest) & kRgb;
    case 0x66:
      return (source ^ dest) & kRgb;
    case 0x5A:
      return (pattern ^ dest) & kRgb;
    default:
      break;
  }
  const TPixel p = pattern & kRgb, s = source & kRgb, d = dest & kRgb;
  TPixel r = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(rop3 & (1 << i))) continue;
    r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  }
  return r & kRgb;
}

TPixel MixPixel(TPixel d, TPixel s, int alpha) {
  auto mix = [alpha](int dc, int sc) { return (dc * (255 - alpha) + sc * alpha + 127) / 255; };
  return PixelOf(mix(PixelR(d), PixelR(s)), mix(PixelG(d), PixelG(s)), mix(PixelB(d), PixelB(s)));
}

TPixel ToMono(TPixel p) {
  const int lum = PixelR(p) * 30 + PixelG(p) * 59 + PixelB(p) * 11;
  return lum >= 12750 ? kRgb : 0;
}

TPainter::TPainter(std::shared_ptr<TSurface> surface, TPoint origin, TRegion clip, bool mono)
    : surface_(std::move(surface)), origin_(origin), mono_(mono) {
  if (surface_) clip_ = clip.Intersected(surface_->Bounds());
}

void TPainter::SpanRow(int sy, int sx0, int sx1, const TPaint& paint, int rop2) {
  TPixel* row = surface_->Row(sy);
  const bool copySolid = rop2 == 13 && paint.kind == TPaint::TKind::Solid;  // R2_COPYPEN
  if (copySolid) {
    const TPixel c = mono_ ? ToMono(paint.color) : (paint.color & kRgb);
    std::fill(row + sx0, row + sx1, c);
    return;
  }
  for (int x = sx0; x < sx1; ++x) {
    TPixel c;
    if (!paint.At(x, sy, c)) continue;
    if (mono_) c = ToMono(c);
    row[x] = ApplyRop2(rop2, c, row[x]);
  }
}

void TPainter::Fill(const TRect& device, const TPaint& paint, int rop2) {
  if (Nothing() || !paint.Visible() || rop2 == 11) return;  // R2_NOP
  ForEachClipped(device, [&](const TRect& r) {
    for (int y = r.y0; y < r.y1; ++y) SpanRow(y, r.x0, r.x1, paint, rop2);
  });
}

void TPainter::FillSpans(const TSpans& device, const TPaint& paint, int rop2) {
  if (Nothing() || !paint.Visible() || rop2 == 11) return;
  for (const auto& [y, spans] : device.Rows()) {
    const int sy = y + origin_.y;
    for (const TRect& c : clip_.Rects()) {
      if (sy < c.y0 || sy >= c.y1) continue;
      for (auto [x0, x1] : spans) {
        const int a = std::max(x0 + origin_.x, c.x0), b = std::min(x1 + origin_.x, c.x1);
        if (a < b) SpanRow(sy, a, b, paint, rop2);
      }
    }
  }
}

void TPainter::Plot(int x, int y, TPixel color, int rop2) {
  if (Nothing() || !Visible(x, y)) return;
  TPixel& d = surface_->Row(y + origin_.y)[x + origin_.x];
  d = ApplyRop2(rop2, mono_ ? ToMono(color) : color, d);
}

void TPainter::Blend(int x, int y, TPixel color, int alpha) {
  if (alpha <= 0 || Nothing() || !Visible(x, y)) return;
  TPixel& d = surface_->Row(y + origin_.y)[x + origin_.x];
  if (alpha >= 255) {
    d = mono_ ? ToMono(color) : (color & kRgb);
    return;
  }
  const TPixel r = MixPixel(d, color, alpha);
  d = mono_ ? ToMono(r) : r;
}
