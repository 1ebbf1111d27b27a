// platform/win/GdiRaster.h
//
// The drawing layer's painter: puts pixels on a surface through a clip
// region and a raster operation. Every primitive of the layer ends here, so
// clipping and raster operations live in one place. Internal to the drawing
// layer.
//
// Coordinates given to a painter are device pixels; the painter adds the
// device's origin on its surface and clips to its region (surface
// coordinates), whose rectangles never overlap, so each pixel is written at
// most once per call.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win/Region.h"
#include "platform/win/Surface.h"

// What colour a pixel gets from a pen or brush.
struct TPaint {
  enum class TKind { None, Solid, Hatch, Pattern };
  TKind kind = TKind::None;
  TPixel color = 0;                   // Solid; the lines of a Hatch
  TPixel back = 0;                    // Hatch gaps in opaque mode
  bool opaque = false;                // Hatch: fill the gaps
  std::array<BYTE, 8> hatch{};        // Hatch rows, bit 7 is the leftmost pixel
  std::shared_ptr<TSurface> pattern;  // Pattern tile
  bool monoPattern = false;           // 0 bits -> fore, 1 bits -> back
  TPixel fore = 0;
  TPoint origin;  // surface position of the tile's corner

  static TPaint Solid(TPixel c) {
    TPaint p;
    p.kind = TKind::Solid;
    p.color = c;
    return p;
  }
  bool Visible() const { return kind != TKind::None; }
  // The colour at surface point (x, y); false where the paint leaves the
  // pixel alone (a transparent hatch gap).
  bool At(int x, int y, TPixel& out) const;
};

// Rows of x-intervals: the pixels of a shape, gathered before painting so
// that overlapping pieces of one shape (thick lines, outlines) paint once.
class TSpans {
 public:
  void Add(int y, int x0, int x1);
  void AddRect(const TRect& r);
  // Merges each row's intervals.
  void Normalize();
  bool Empty() const { return rows_.empty(); }
  const std::map<int, std::vector<std::pair<int, int>>>& Rows() const { return rows_; }
  // Pixels in this set but not in `other` (both normalised).
  TSpans Minus(const TSpans& other) const;

 private:
  std::map<int, std::vector<std::pair<int, int>>> rows_;
};

// Binary and ternary raster operations on 24-bit colours (alpha becomes 0).
TPixel ApplyRop2(int rop2, TPixel pen, TPixel dest);
TPixel ApplyRop3(BYTE rop3, TPixel pattern, TPixel source, TPixel dest);
// `s` mixed over `d` by alpha (0..255), rounded; the result has no alpha.
TPixel MixPixel(TPixel d, TPixel s, int alpha);
// Black or white by brightness: what a colour becomes on a monochrome bitmap.
TPixel ToMono(TPixel p);

class TPainter {
 public:
  TPainter() = default;
  TPainter(std::shared_ptr<TSurface> surface, TPoint origin, TRegion clip, bool mono);

  bool Nothing() const { return !surface_ || clip_.Empty(); }
  TSurface& Surface() { return *surface_; }
  // The surface even when nothing of it is visible (nullptr when none).
  const std::shared_ptr<TSurface>& SurfacePtr() const { return surface_; }
  TPoint Origin() const { return origin_; }
  const TRegion& Clip() const { return clip_; }
  bool Mono() const { return mono_; }
  bool Visible(int x, int y) const { return clip_.Contains(x + origin_.x, y + origin_.y); }

  void Fill(const TRect& device, const TPaint& paint, int rop2);
  void FillSpans(const TSpans& device, const TPaint& paint, int rop2);
  void Plot(int x, int y, TPixel color, int rop2);
  // Mixes `color` into the pixel by `alpha` (0..255), as anti-aliased text does.
  void Blend(int x, int y, TPixel color, int alpha);
  // Calls f(TRect) for each part of the device rectangle inside the clip,
  // in surface coordinates.
  template <class F>
  void ForEachClipped(const TRect& device, F f) const {
    const TRect r = device.Translated(origin_);
    for (const TRect& c : clip_.Rects()) {
      const TRect i = r.Intersected(c);
      if (!i.Empty()) f(i);
    }
  }

 private:
  void SpanRow(int sy, int sx0, int sx1, const TPaint& paint, int rop2);

  std::shared_ptr<TSurface> surface_;
  TPoint origin_;
  TRegion clip_;
  bool mono_ = false;
};
