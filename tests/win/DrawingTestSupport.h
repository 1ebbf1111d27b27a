// tests/win/DrawingTestSupport.h
//
// Drawing into fresh bitmaps and comparing pictures with the references
// kept in tests/win/reference. Setting ZORVET_UPDATE_REFERENCES=1 writes the
// pictures as new references instead of comparing (look at them first).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Png.h"
#include "platform/win/Surface.h"

// A memory DC on a white 32-bit bitmap of w x h; frees both at the end.
class TCanvasBitmap {
 public:
  TCanvasBitmap(int w, int h) : w_(w), h_(h) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biBitCount = 32;
    bitmap_ = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    RECT r{0, 0, w, h};
    FillRect(dc_, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~TCanvasBitmap() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  TCanvasBitmap(const TCanvasBitmap&) = delete;
  TCanvasBitmap& operator=(const TCanvasBitmap&) = delete;

  HDC Dc() const { return dc_; }
  HBITMAP Bitmap() const { return bitmap_; }
  TPixel At(int x, int y) const { return static_cast<const TPixel*>(bits_)[y * w_ + x] & 0xFFFFFF; }
  TSurface Pixels() const {
    TSurface s(w_, h_);
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) s.Row(y)[x] = At(x, y);
    return s;
  }

 private:
  int w_, h_;
  void* bits_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

inline std::string ReferencePath(const std::string& name) {
  return std::string(ZORVET_SOURCE_DIR) + "/tests/win/reference/" + name;
}

// Every pixel within `tolerance` per channel of the reference, except at
// most `outliers` pixels (font rendering may differ by a shade between
// library versions).
inline ::testing::AssertionResult MatchesReference(const TSurface& s, const std::string& name,
                                                   int tolerance = 8, int outliers = 0) {
  const std::string path = ReferencePath(name);
  if (const char* update = std::getenv("ZORVET_UPDATE_REFERENCES");
      update && std::string(update) == "1") {
    WritePng(s, path);
    return ::testing::AssertionSuccess() << "reference written";
  }
  const auto ref = ReadPng(path);
  if (!ref) return ::testing::AssertionFailure() << "no reference " << path;
  if (ref->Width() != s.Width() || ref->Height() != s.Height())
    return ::testing::AssertionFailure()
           << "size " << s.Width() << "x" << s.Height() << " differs from the reference";
  int bad = 0;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const TPixel a = s.Row(y)[x], b = ref->Row(y)[x];
      const int d = std::max({std::abs(PixelR(a) - PixelR(b)), std::abs(PixelG(a) - PixelG(b)),
                              std::abs(PixelB(a) - PixelB(b))});
      if (d > tolerance) ++bad;
    }
  if (bad > outliers) return ::testing::AssertionFailure() << bad << " pixels differ from " << path;
  return ::testing::AssertionSuccess();
}
