// tests/controls/PixelCount.h
//
// Counting what was drawn: the pixels near one colour in a rectangle of a
// captured window (text is smoothed, so its pixels are rarely the pure colour).
#pragma once

#include <cstdlib>

#include "platform/win/Gdi.h"
#include "platform/win/Surface.h"

inline int CountColor(const TSurface& s, const RECT& r, COLORREF color) {
  const TPixel want = PixelOfColor(color);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const TPixel p = s.Pixel(x, y);
      if (std::abs(PixelR(p) - PixelR(want)) < 60 && std::abs(PixelG(p) - PixelG(want)) < 60 &&
          std::abs(PixelB(p) - PixelB(want)) < 60)
        ++n;
    }
  return n;
}
