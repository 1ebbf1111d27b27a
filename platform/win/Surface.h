// platform/win/Surface.h
//
// A 32-bit pixel buffer: what a top-level window, a bitmap and the screen
// draw into. A pixel is a 32-bit word 0xAARRGGBB, which in memory is the
// byte order B, G, R, A of a 32-bit device-independent bitmap, so the rows of
// a DIB section are the surface's own rows. Rows run top-down in the buffer,
// or bottom-up for a DIB asked for that way; Row() hides the difference.
//
// Drawing leaves the alpha byte at 0 as the Windows drawing calls do; only
// pictures loaded from files carry alpha (straight, not premultiplied).
//
// Not thread-safe; a surface belongs to the GUI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win/Geometry.h"

using TPixel = std::uint32_t;

constexpr TPixel PixelOf(int r, int g, int b, int a = 0) {
  return (static_cast<TPixel>(a) << 24) | (static_cast<TPixel>(r) << 16) |
         (static_cast<TPixel>(g) << 8) | static_cast<TPixel>(b);
}
constexpr int PixelR(TPixel p) {
  return (p >> 16) & 0xFF;
}
constexpr int PixelG(TPixel p) {
  return (p >> 8) & 0xFF;
}
constexpr int PixelB(TPixel p) {
  return p & 0xFF;
}
constexpr int PixelA(TPixel p) {
  return (p >> 24) & 0xFF;
}
// COLORREF (0x00BBGGRR) to and from a pixel without alpha.
constexpr TPixel PixelOfColor(COLORREF c) {
  return PixelOf(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
constexpr COLORREF ColorOfPixel(TPixel p) {
  return static_cast<COLORREF>(PixelR(p) | (PixelG(p) << 8) | (PixelB(p) << 16));
}

class TSurface {
 public:
  // A cleared (all zero) surface; `bottomUp` lays rows out as a bottom-up DIB.
  TSurface(int width, int height, bool bottomUp = false);
  TSurface(const TSurface& other);
  TSurface& operator=(const TSurface& other);

  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }
  bool BottomUp() const { return stride_ < 0; }

  // REQUIRES: 0 <= y < Height().
  TPixel* Row(int y) { return base_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  const TPixel* Row(int y) const { return base_ + static_cast<std::ptrdiff_t>(y) * stride_; }
  // The first byte of the buffer as a DIB lays it out (the bottom row first
  // for a bottom-up surface).
  void* Bits() { return storage_.data(); }

  // Pixels outside the surface read as 0 and are not written.
  TPixel Pixel(int x, int y) const { return Bounds().Contains(x, y) ? Row(y)[x] : 0; }
  void SetPixel(int x, int y, TPixel p) {
    if (Bounds().Contains(x, y)) Row(y)[x] = p;
  }
  void Fill(TPixel p);
  // Whether any pixel carries alpha (a picture from a file, not drawing).
  bool HasAlpha() const;

  // New size; the pixels that stay inside keep their place, new ones are 0.
  void Resize(int width, int height);
  // A top-down copy of the part `r` (clipped to the surface).
  TSurface Copy(const TRect& r) const;

  friend bool operator==(const TSurface& a, const TSurface& b);

 private:
  void Layout(bool bottomUp);

  int width_ = 0;
  int height_ = 0;
  std::vector<TPixel> storage_;
  TPixel* base_ = nullptr;
  std::ptrdiff_t stride_ = 0;
};
