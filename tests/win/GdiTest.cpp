// tests/win/GdiTest.cpp
#include <gtest/gtest.h>

#include <functional>

#include "tests/win/DrawingTestSupport.h"

namespace {

// A background where every pixel differs from its neighbours, so that any
// pixel an operation wrongly changes shows.
void Gradient(const TCanvasBitmap& c, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      SetPixel(c.Dc(), x, y, RGB(x * 5 % 256, y * 7 % 256, (x * y) % 256));
}

struct TXorCase {
  const char* name;
  std::function<void(HDC)> draw;
};

class TSelected {
 public:
  TSelected(HDC dc, HGDIOBJ o) : dc_(dc), o_(o), old_(SelectObject(dc, o)) {}
  ~TSelected() {
    SelectObject(dc_, old_);
    DeleteObject(o_);
  }

 private:
  HDC dc_;
  HGDIOBJ o_, old_;
};

}  // namespace

TEST(Gdi, EveryShapeDrawnTwiceWithXorRestoresThePixelsExactly) {
  const POINT star[] = {{30, 5}, {40, 55}, {5, 20}, {55, 20}, {20, 55}};
  const std::vector<TXorCase> cases = {
      {"line", [](HDC dc) { MoveToEx(dc, 3, 4, nullptr), LineTo(dc, 57, 41); }},
      {"polyline crossing",
       [](HDC dc) {
         const POINT p[] = {{0, 0}, {59, 59}, {59, 0}, {0, 59}};
         Polyline(dc, p, 4);
       }},
      {"rectangle", [](HDC dc) { Rectangle(dc, 5, 5, 50, 40); }},
      {"ellipse", [](HDC dc) { Ellipse(dc, 2, 3, 57, 50); }},
      {"pie", [](HDC dc) { Pie(dc, 5, 5, 55, 55, 55, 30, 30, 5); }},
      {"polygon", [&](HDC dc) { Polygon(dc, star, 5); }},
      {"round rect", [](HDC dc) { RoundRect(dc, 4, 4, 56, 44, 12, 12); }},
  };
  for (int penStyle : {PS_SOLID, PS_DOT}) {
    for (int width : {1, 3}) {
      for (const TXorCase& c : cases) {
        TCanvasBitmap canvas(60, 60);
        Gradient(canvas, 60, 60);
        const TSurface before = canvas.Pixels();
        SetROP2(canvas.Dc(), R2_XORPEN);
        TSelected pen(canvas.Dc(), CreatePen(penStyle, width, RGB(255, 255, 255)));
        TSelected brush(canvas.Dc(), CreateHatchBrush(HS_DIAGCROSS, RGB(0, 255, 0)));
        c.draw(canvas.Dc());
        EXPECT_FALSE(canvas.Pixels() == before) << c.name << " drew nothing";
        c.draw(canvas.Dc());
        EXPECT_TRUE(canvas.Pixels() == before)
            << c.name << " style " << penStyle << " width " << width;
      }
    }
  }
}

TEST(Gdi, InvertingRopsUndoThemselves) {
  TCanvasBitmap canvas(40, 40);
  Gradient(canvas, 40, 40);
  const TSurface before = canvas.Pixels();
  const HDC dc = canvas.Dc();
  const WORD halftone[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  const HBITMAP pattern = CreateBitmap(8, 8, 1, 1, halftone);
  TSelected brush(dc, CreatePatternBrush(pattern));
  DeleteObject(pattern);
  RECT r{3, 3, 30, 20};
  for (int twice = 0; twice < 2; ++twice) {
    PatBlt(dc, 2, 2, 30, 30, PATINVERT);
    PatBlt(dc, 5, 0, 10, 40, DSTINVERT);
    DrawFocusRect(dc, &r);
    InvertRect(dc, &r);
    BitBlt(dc, 0, 0, 5, 5, dc, 34, 34, SRCINVERT);  // a source none of the others touch
  }
  EXPECT_TRUE(canvas.Pixels() == before);
}

TEST(Gdi, PenRopsGiveTheirDefinedColours) {
  struct {
    int rop;
    COLORREF expected;
  } cases[] = {{R2_COPYPEN, RGB(0xF0, 0x0F, 0x33)},
               {R2_XORPEN, RGB(0xF0 ^ 0x55, 0x0F ^ 0x55, 0x33 ^ 0x55)},
               {R2_NOT, RGB(0xAA, 0xAA, 0xAA)},
               {R2_NOTXORPEN, RGB(0xFF ^ 0xF0 ^ 0x55, 0xFF ^ 0x0F ^ 0x55, 0xFF ^ 0x33 ^ 0x55)},
               {R2_MASKPEN, RGB(0xF0 & 0x55, 0x0F & 0x55, 0x33 & 0x55)},
               {R2_NOP, RGB(0x55, 0x55, 0x55)}};
  for (const auto& c : cases) {
    TCanvasBitmap canvas(4, 4);
    SetPixel(canvas.Dc(), 1, 1, RGB(0x55, 0x55, 0x55));
    SetROP2(canvas.Dc(), c.rop);
    TSelected pen(canvas.Dc(), CreatePen(PS_SOLID, 1, RGB(0xF0, 0x0F, 0x33)));
    MoveToEx(canvas.Dc(), 1, 1, nullptr);
    LineTo(canvas.Dc(), 2, 1);
    EXPECT_EQ(GetPixel(canvas.Dc(), 1, 1), c.expected) << c.rop;
  }
}

TEST(Gdi, BlitRopsCombineSourceAndDestination) {
  const COLORREF s = RGB(0xF0, 0xCC, 0x0F), d = RGB(0x3C, 0xAA, 0x55);
  struct {
    DWORD rop;
    COLORREF expected;
  } cases[] = {{SRCCOPY, s},
               {SRCAND, RGB(0xF0 & 0x3C, 0xCC & 0xAA, 0x0F & 0x55)},
               {SRCPAINT, RGB(0xF0 | 0x3C, 0xCC | 0xAA, 0x0F | 0x55)},
               {SRCINVERT, RGB(0xF0 ^ 0x3C, 0xCC ^ 0xAA, 0x0F ^ 0x55)},
               {DSTINVERT, RGB(0xFF - 0x3C, 0xFF - 0xAA, 0xFF - 0x55)},
               {PATCOPY, RGB(1, 2, 3)},
               {PATINVERT, RGB(1 ^ 0x3C, 2 ^ 0xAA, 3 ^ 0x55)}};
  for (const auto& c : cases) {
    TCanvasBitmap src(2, 2), dst(2, 2);
    SetPixel(src.Dc(), 0, 0, s);
    SetPixel(dst.Dc(), 1, 1, d);
    TSelected brush(dst.Dc(), CreateSolidBrush(RGB(1, 2, 3)));
    BitBlt(dst.Dc(), 1, 1, 1, 1, src.Dc(), 0, 0, c.rop);
    EXPECT_EQ(GetPixel(dst.Dc(), 1, 1), c.expected) << std::hex << c.rop;
    EXPECT_EQ(GetPixel(dst.Dc(), 0, 0), RGB(255, 255, 255));
  }
}

TEST(Gdi, MonochromeMasksMakeTransparentBlits) {
  TCanvasBitmap image(4, 1), screen(4, 1);
  const COLORREF key = RGB(255, 0, 255);
  SetPixel(image.Dc(), 0, 0, key);
  SetPixel(image.Dc(), 1, 0, RGB(10, 20, 30));
  SetPixel(image.Dc(), 2, 0, key);
  SetPixel(image.Dc(), 3, 0, RGB(40, 50, 60));
  for (int x = 0; x < 4; ++x) SetPixel(screen.Dc(), x, 0, RGB(200, 200, 200));
  // The classic way: a mask from the key colour, then AND and XOR.
  const HDC maskDc = CreateCompatibleDC(nullptr);
  const HBITMAP mask = CreateBitmap(4, 1, 1, 1, nullptr);
  const HGDIOBJ old = SelectObject(maskDc, mask);
  SetBkColor(image.Dc(), key);
  BitBlt(maskDc, 0, 0, 4, 1, image.Dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(maskDc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(maskDc, 1, 0), RGB(0, 0, 0));
  SetTextColor(image.Dc(), RGB(0, 0, 0));
  SetBkColor(image.Dc(), RGB(255, 255, 255));
  BitBlt(image.Dc(), 0, 0, 4, 1, maskDc, 0, 0, 0x00220326);  // DSna: key pixels to black
  SetTextColor(screen.Dc(), RGB(0, 0, 0));
  SetBkColor(screen.Dc(), RGB(255, 255, 255));
  BitBlt(screen.Dc(), 0, 0, 4, 1, maskDc, 0, 0, SRCAND);
  BitBlt(screen.Dc(), 0, 0, 4, 1, image.Dc(), 0, 0, SRCINVERT);
  EXPECT_EQ(GetPixel(screen.Dc(), 0, 0), RGB(200, 200, 200));
  EXPECT_EQ(GetPixel(screen.Dc(), 1, 0), RGB(10, 20, 30));
  EXPECT_EQ(GetPixel(screen.Dc(), 3, 0), RGB(40, 50, 60));
  SelectObject(maskDc, old);
  DeleteObject(mask);
  DeleteDC(maskDc);
}

TEST(Gdi, TransparentBltSkipsTheKeyAndStretchBltScalesAndMirrors) {
  TCanvasBitmap src(2, 1), dst(4, 2);
  SetPixel(src.Dc(), 0, 0, RGB(255, 0, 0));
  SetPixel(src.Dc(), 1, 0, RGB(0, 255, 0));
  StretchBlt(dst.Dc(), 0, 0, 4, 1, src.Dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dst.Dc(), 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dst.Dc(), 2, 0), RGB(0, 255, 0));
  StretchBlt(dst.Dc(), 4, 1, -4, 1, src.Dc(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dst.Dc(), 0, 1), RGB(0, 255, 0));
  EXPECT_EQ(GetPixel(dst.Dc(), 3, 1), RGB(255, 0, 0));
  TCanvasBitmap keyed(4, 1);
  TransparentBlt(keyed.Dc(), 0, 0, 2, 1, src.Dc(), 0, 0, 2, 1, RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(keyed.Dc(), 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(keyed.Dc(), 1, 0), RGB(0, 255, 0));
}

TEST(Gdi, PensHaveWidthAndStyles) {
  TCanvasBitmap c(40, 10);
  {
    TSelected pen(c.Dc(), CreatePen(PS_SOLID, 3, RGB(0, 0, 0)));
    MoveToEx(c.Dc(), 5, 4, nullptr);
    LineTo(c.Dc(), 30, 4);
  }
  EXPECT_EQ(GetPixel(c.Dc(), 10, 3), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.Dc(), 10, 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.Dc(), 10, 6), RGB(255, 255, 255));
  {
    TSelected pen(c.Dc(), CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    SetBkMode(c.Dc(), TRANSPARENT);
    MoveToEx(c.Dc(), 0, 8, nullptr);
    LineTo(c.Dc(), 12, 8);
  }
  int ink = 0;
  for (int x = 0; x < 12; ++x) ink += GetPixel(c.Dc(), x, 8) == RGB(0, 0, 0);
  EXPECT_EQ(ink, 6);
  EXPECT_EQ(GetPixel(c.Dc(), 12, 8), RGB(255, 255, 255)) << "the end point is not drawn";
}

TEST(Gdi, BrushesFillSolidHatchedAndFromSystemColourIndexes) {
  TCanvasBitmap c(16, 16);
  RECT r{0, 0, 8, 8};
  FillRect(c.Dc(), &r, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
  EXPECT_EQ(GetPixel(c.Dc(), 3, 3), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(c.Dc(), 8, 8), RGB(255, 255, 255));
  SetBkMode(c.Dc(), TRANSPARENT);
  const HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 255));
  RECT all{0, 8, 16, 16};
  FillRect(c.Dc(), &all, hatch);
  DeleteObject(hatch);
  int lines = 0, untouched = 0;
  for (int y = 8; y < 16; ++y) (GetPixel(c.Dc(), 12, y) == RGB(0, 0, 255) ? lines : untouched)++;
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(untouched, 7);
}

TEST(Gdi, EdgesUseTheSchemeAndAdjustTheRectangle) {
  TCanvasBitmap c(20, 20);
  RECT r{0, 0, 20, 20};
  DrawEdge(c.Dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, (RECT{2, 2, 18, 18}));
  EXPECT_EQ(GetPixel(c.Dc(), 0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(GetPixel(c.Dc(), 1, 1), GetSysColor(COLOR_3DHILIGHT));
  EXPECT_EQ(GetPixel(c.Dc(), 19, 19), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(GetPixel(c.Dc(), 18, 18), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(GetPixel(c.Dc(), 19, 0), GetSysColor(COLOR_3DDKSHADOW))
      << "the shadow owns the top-right corner";
  RECT f{2, 2, 18, 18};
  Frame3D(c.Dc(), f, RGB(1, 1, 1), RGB(2, 2, 2), 2);
  EXPECT_EQ(f, (RECT{4, 4, 16, 16}));
  EXPECT_EQ(GetPixel(c.Dc(), 2, 17), RGB(2, 2, 2));
  EXPECT_EQ(GetPixel(c.Dc(), 3, 3), RGB(1, 1, 1));
}

TEST(Gdi, RegionsAreCanonicalAndClipDrawing) {
  const HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 0, 15, 10),
             u = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(u, a, b, RGN_OR), SIMPLEREGION);
  const HRGN whole = CreateRectRgn(0, 0, 15, 10);
  EXPECT_TRUE(EqualRgn(u, whole));
  EXPECT_EQ(CombineRgn(u, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(u, 7, 5));
  EXPECT_TRUE(PtInRegion(u, 12, 5));
  EXPECT_EQ(CombineRgn(u, a, a, RGN_DIFF), NULLREGION);

  TCanvasBitmap c(20, 20);
  SelectClipRgn(c.Dc(), b);
  const int saved = SaveDC(c.Dc());
  IntersectClipRect(c.Dc(), 0, 0, 20, 5);
  RECT all{0, 0, 20, 20};
  FillRect(c.Dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EXPECT_EQ(GetPixel(c.Dc(), 6, 7), CLR_INVALID) << "outside the clip";
  RestoreDC(c.Dc(), saved);
  RECT box;
  EXPECT_EQ(GetClipBox(c.Dc(), &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{5, 0, 15, 10}));
  SelectClipRgn(c.Dc(), nullptr);
  EXPECT_EQ(GetPixel(c.Dc(), 6, 2), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(c.Dc(), 4, 2), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.Dc(), 6, 7), RGB(255, 255, 255));
  for (HRGN h : {a, b, u, whole}) DeleteObject(h);
}

TEST(Gdi, HandlesAreCheckedAndDeletedObjectsLiveWhileSelected) {
  TCanvasBitmap c(4, 4);
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const HGDIOBJ old = SelectObject(c.Dc(), red);
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_FALSE(DeleteObject(red)) << "a handle dies once";
  EXPECT_EQ(GetObjectType(red), 0u);
  Rectangle(c.Dc(), 0, 0, 4, 4);
  EXPECT_EQ(GetPixel(c.Dc(), 1, 1), RGB(255, 0, 0));
  SelectObject(c.Dc(), old);
  EXPECT_FALSE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_EQ(SelectObject(c.Dc(), reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
}

TEST(Gdi, DibSectionRowsFollowTheSignOfTheHeight) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 2;  // bottom-up
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(bits, nullptr);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bm);
  SetPixel(dc, 0, 0, RGB(1, 2, 3));
  EXPECT_EQ(static_cast<const TPixel*>(bits)[2], PixelOf(1, 2, 3))
      << "the top row is last in memory";
  bi.bmiHeader.biBitCount = 8;
  EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bm);
}

TEST(Gdi, AShapeSampleMatchesItsReferencePicture) {
  TCanvasBitmap c(120, 60);
  const HDC dc = c.Dc();
  {
    TSelected brush(dc, CreateSolidBrush(RGB(0, 128, 255)));
    Pie(dc, 2, 2, 56, 56, 56, 29, 29, 2);  // the catalogue's gauge: a used quarter
  }
  {
    TSelected pen(dc, CreatePen(PS_DASH, 1, RGB(128, 0, 0)));
    TSelected brush(dc, CreateHatchBrush(HS_BDIAGONAL, RGB(0, 128, 0)));
    Rectangle(dc, 60, 4, 116, 30);
  }
  {
    TSelected pen(dc, CreatePen(PS_SOLID, 2, RGB(0, 0, 0)));
    TSelected brush(dc, CreateSolidBrush(RGB(255, 255, 0)));
    Ellipse(dc, 62, 34, 116, 58);
  }
  EXPECT_TRUE(MatchesReference(c.Pixels(), "shape-sample.png", 0));
}

TEST(Gdi, FrameControlsMatchTheirReferencePicture) {
  TCanvasBitmap c(184, 20);
  RECT all{0, 0, 184, 20};
  FillRect(c.Dc(), &all, GetSysColorBrush(COLOR_BTNFACE));
  const std::pair<UINT, UINT> parts[] = {{DFC_CAPTION, DFCS_CAPTIONCLOSE},
                                         {DFC_CAPTION, DFCS_CAPTIONMIN},
                                         {DFC_CAPTION, DFCS_CAPTIONMAX},
                                         {DFC_CAPTION, DFCS_CAPTIONRESTORE | DFCS_INACTIVE},
                                         {DFC_SCROLL, DFCS_SCROLLUP},
                                         {DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED},
                                         {DFC_SCROLL, DFCS_SCROLLLEFT},
                                         {DFC_SCROLL, DFCS_SCROLLRIGHT},
                                         {DFC_BUTTON, DFCS_BUTTONCHECK},
                                         {DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED},
                                         {DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED},
                                         {DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED}};
  int x = 2;
  for (auto [type, state] : parts) {
    RECT r{x, 2, x + 14, 18};
    EXPECT_TRUE(DrawFrameControl(c.Dc(), &r, type, state));
    x += 15;
  }
  EXPECT_TRUE(MatchesReference(c.Pixels(), "frame-controls.png", 0));
}

TEST(Gdi, AbsurdSizesAreRefusedNotThrown) {
  EXPECT_EQ(CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr), nullptr);
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 1 << 20;
  bi.bmiHeader.biHeight = INT32_MIN;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  EXPECT_EQ(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
  LOGFONT lf;
  lf.lfHeight = INT32_MIN;
  const HFONT f = CreateFontIndirect(&lf);
  TCanvasBitmap c(4, 4);
  const HGDIOBJ old = SelectObject(c.Dc(), f);
  TEXTMETRIC tm;
  EXPECT_TRUE(GetTextMetrics(c.Dc(), &tm));
  SelectObject(c.Dc(), old);
  DeleteObject(f);
}
