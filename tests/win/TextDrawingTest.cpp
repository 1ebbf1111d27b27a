// tests/win/TextDrawingTest.cpp
#include <gtest/gtest.h>

#include <cstring>

#include "tests/win/DrawingTestSupport.h"

namespace {

HFONT MakeFont(const char* face, LONG height, LONG weight = FW_NORMAL, bool italic = false,
               bool underline = false, bool strike = false) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  lf.lfUnderline = underline;
  lf.lfStrikeOut = strike;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

// Selects a font into a DC for the scope of a test.
class TFontInDc {
 public:
  TFontInDc(HDC dc, HFONT font) : dc_(dc), font_(font), old_(SelectObject(dc, font)) {}
  ~TFontInDc() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

SIZE Extent(HDC dc, const char* text) {
  SIZE s;
  GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &s);
  return s;
}

}  // namespace

TEST(Text, TheWindowsFaceNamesResolveToDejaVuSansAtTheAskedHeight) {
  TCanvasBitmap c(10, 10);
  for (const char* face : {"MS Sans Serif", "Tahoma", "Arial"}) {
    TFontInDc f(c.Dc(), MakeFont(face, -11));
    char name[LF_FACESIZE];
    GetTextFace(c.Dc(), LF_FACESIZE, name);
    EXPECT_STREQ(name, "DejaVu Sans") << face;
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.Dc(), &tm));
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11) << face;
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
  }
}

TEST(Text, APositiveHeightIsTheCellHeight) {
  TCanvasBitmap c(10, 10);
  for (LONG h : {13, 16, 20, 32}) {
    TFontInDc f(c.Dc(), MakeFont("Tahoma", h));
    TEXTMETRIC tm;
    GetTextMetrics(c.Dc(), &tm);
    EXPECT_NEAR(tm.tmHeight, h, 1) << h;
  }
  EXPECT_EQ(PointsToHeight(8), -11);
  EXPECT_EQ(PointsToHeight(10), -13);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);  // halves round away from zero
}

TEST(Text, MetricsAndWidthsAreTheSameEveryTimeAndAddUp) {
  TCanvasBitmap c(10, 10);
  TFontInDc f(c.Dc(), MakeFont("MS Sans Serif", -11));
  const SIZE whole = Extent(c.Dc(), "Zorvet catalogue");
  const SIZE left = Extent(c.Dc(), "Zorvet "), right = Extent(c.Dc(), "catalogue");
  EXPECT_EQ(whole.cx, left.cx + right.cx);
  EXPECT_GT(whole.cx, 60);
  EXPECT_LT(whole.cx, 120);
  // A second font object of the same description measures the same.
  TFontInDc again(c.Dc(), MakeFont("MS Sans Serif", -11));
  EXPECT_EQ(Extent(c.Dc(), "Zorvet catalogue").cx, whole.cx);
}

TEST(Text, BoldIsWiderAndRussianTextHasWidth) {
  TCanvasBitmap c(10, 10);
  int normal;
  {
    TFontInDc f(c.Dc(), MakeFont("Tahoma", -12));
    normal = Extent(c.Dc(), "Catalogue").cx;
    EXPECT_GT(Extent(c.Dc(), "Нет диска!").cx, 40);
  }
  TFontInDc b(c.Dc(), MakeFont("Tahoma", -12, FW_BOLD));
  EXPECT_GT(Extent(c.Dc(), "Catalogue").cx, normal);
}

TEST(Text, ExtTextOutOpaqueFillsAndClippedStaysInside) {
  TCanvasBitmap c(80, 30);
  TFontInDc f(c.Dc(), MakeFont("Tahoma", -16));
  SetBkColor(c.Dc(), RGB(0, 0, 255));
  SetTextColor(c.Dc(), RGB(0, 0, 0));
  RECT r{10, 5, 40, 25};
  ExtTextOut(c.Dc(), 10, 5, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWWWW", 8, nullptr);
  EXPECT_EQ(c.At(11, 24), PixelOf(0, 0, 255));  // the opaque box
  for (int y = 0; y < 30; ++y)
    for (int x = 40; x < 80; ++x) ASSERT_EQ(c.At(x, y), PixelOf(255, 255, 255)) << x << "," << y;
}

TEST(Text, DrawTextCalcRectMeasuresWrappedLines) {
  TCanvasBitmap c(10, 10);
  TFontInDc f(c.Dc(), MakeFont("MS Sans Serif", -11));
  TEXTMETRIC tm;
  GetTextMetrics(c.Dc(), &tm);
  RECT one{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(c.Dc(), "one two three", -1, &one, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
  EXPECT_EQ(one.right, Extent(c.Dc(), "one two three").cx);
  RECT wrapped{0, 0, Extent(c.Dc(), "one two").cx, 0};
  EXPECT_EQ(DrawText(c.Dc(), "one two three", -1, &wrapped, DT_CALCRECT | DT_WORDBREAK),
            2 * tm.tmHeight);
  EXPECT_EQ(wrapped.right, Extent(c.Dc(), "one two").cx);
  RECT lines{0, 0, 1000, 0};
  EXPECT_EQ(DrawText(c.Dc(), "a\r\nb\nc", -1, &lines, DT_CALCRECT), 3 * tm.tmHeight);
  RECT empty{5, 5, 50, 50};
  EXPECT_EQ(DrawText(c.Dc(), "", -1, &empty, DT_CALCRECT), 0);
  EXPECT_EQ(empty.right, 5);
}

TEST(Text, PrefixesAreRemovedUnlessNoPrefixAndEllipsisFits) {
  TCanvasBitmap c(10, 10);
  TFontInDc f(c.Dc(), MakeFont("MS Sans Serif", -11));
  RECT a{0, 0, 1000, 0}, b{0, 0, 1000, 0}, amp{0, 0, 1000, 0};
  DrawText(c.Dc(), "&Scan", -1, &a, DT_CALCRECT | DT_SINGLELINE);
  DrawText(c.Dc(), "&Scan", -1, &b, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DrawText(c.Dc(), "A&&B", -1, &amp, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(a.right, Extent(c.Dc(), "Scan").cx);
  EXPECT_EQ(b.right, Extent(c.Dc(), "&Scan").cx);
  EXPECT_EQ(amp.right, Extent(c.Dc(), "A&B").cx);
  RECT narrow{0, 0, 40, 0};
  DrawText(c.Dc(), "A very long volume label", -1, &narrow,
           DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_LE(narrow.right, 40);
}

// The reference shows each text feature once; a change in layout, font
// choice, anti-aliasing or colours shows up as a changed picture.
TEST(Text, ASampleMatchesItsReferencePicture) {
  TCanvasBitmap c(260, 150);
  const HDC dc = c.Dc();
  SetBkMode(dc, TRANSPARENT);
  {
    TFontInDc f(dc, MakeFont("MS Sans Serif", -11));
    TextOut(dc, 4, 2, "MS Sans Serif 8: Catalogue of CDs", 33);
    SetTextColor(dc, RGB(128, 0, 0));
    TextOut(dc, 4, 18, "Нет диска! Замените данные?",
            static_cast<int>(std::strlen("Нет диска! Замените данные?")));
  }
  {
    TFontInDc f(dc, MakeFont("Tahoma", -13, FW_BOLD, false, true));
    SetTextColor(dc, RGB(0, 0, 128));
    TextOut(dc, 4, 34, "Bold underlined", 15);
  }
  {
    TFontInDc f(dc, MakeFont("Tahoma", -13, FW_NORMAL, true, false, true));
    SetTextColor(dc, RGB(0, 96, 0));
    TextOut(dc, 140, 34, "Italic struck", 13);
  }
  {
    TFontInDc f(dc, MakeFont("MS Sans Serif", -11));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_INFOBK));
    RECT box{4, 54, 124, 100};
    FrameRect(dc, &box, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    DrawText(dc, "Words wrap inside this box when they reach its &edge", -1, &box,
             DT_WORDBREAK | DT_CENTER);
    SetBkMode(dc, TRANSPARENT);
    RECT single{130, 54, 256, 76};
    FrameRect(dc, &single, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DrawText(dc, "Centred, &Scan", -1, &single, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    RECT ellipsis{130, 80, 256, 100};
    FrameRect(dc, &ellipsis, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    DrawText(dc, "A volume label far too long for it", -1, &ellipsis,
             DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_END_ELLIPSIS);
  }
  {
    TFontInDc f(dc, MakeFont("Courier New", -12));
    TextOut(dc, 4, 106, "Courier New -> DejaVu Sans Mono", 31);
  }
  {
    TFontInDc f(dc, MakeFont("Tahoma", 24));
    SetTextColor(dc, RGB(255, 0, 0));
    TextOut(dc, 4, 122, "Cell 24", 7);
  }
  EXPECT_TRUE(MatchesReference(c.Pixels(), "text-sample.png", 8, 20));
}
