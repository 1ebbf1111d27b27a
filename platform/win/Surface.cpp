// platform/win/Surface.cpp
#include "platform/win/Surface.h"

#include <algorithm>

TSurface::TSurface(int width, int height, bool bottomUp)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      storage_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {
  Layout(bottomUp);
}

TSurface::TSurface(const TSurface& other)
    : width_(other.width_), height_(other.height_), storage_(other.storage_) {
  Layout(other.BottomUp());
}

TSurface& TSurface::operator=(const TSurface& other) {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  storage_ = other.storage_;
  Layout(other.BottomUp());
  return *this;
}

void TSurface::Layout(bool bottomUp) {
  if (bottomUp && height_ > 0) {
    base_ = storage_.data() + static_cast<std::ptrdiff_t>(height_ - 1) * width_;
    stride_ = -static_cast<std::ptrdiff_t>(width_);
  } else {
    base_ = storage_.data();
    // A zero stride would make every row alias; a 0-wide surface has no rows to reach anyway.
    stride_ = width_;
  }
}

void TSurface::Fill(TPixel p) {
  std::fill(storage_.begin(), storage_.end(), p);
}

bool TSurface::HasAlpha() const {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x)
      if (PixelA(Row(y)[x])) return true;
  return false;
}

void TSurface::Resize(int width, int height) {
  if (width == width_ && height == height_) return;
  TSurface next(width, height, BottomUp());
  const int w = std::min(width_, next.width_), h = std::min(height_, next.height_);
  for (int y = 0; y < h; ++y) std::copy(Row(y), Row(y) + w, next.Row(y));
  *this = std::move(next);
}

TSurface TSurface::Copy(const TRect& r) const {
  const TRect c = r.Intersected(Bounds());
  TSurface out(c.Width(), c.Height());
  for (int y = 0; y < c.Height(); ++y)
    std::copy(Row(c.y0 + y) + c.x0, Row(c.y0 + y) + c.x1, out.Row(y));
  return out;
}

bool operator==(const TSurface& a, const TSurface& b) {
  if (a.width_ != b.width_ || a.height_ != b.height_) return false;
  for (int y = 0; y < a.height_; ++y)
    if (!std::equal(a.Row(y), a.Row(y) + a.width_, b.Row(y))) return false;
  return true;
}
