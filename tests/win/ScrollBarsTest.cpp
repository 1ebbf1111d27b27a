#include "platform/win/ScrollBars.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/win/Gdi.h"

namespace {

// A vertical bar 16 wide and 116 high: two 16-pixel arrows and a 84-pixel
// track, over positions 0..99 with 10 in view (positions 0..90).
TControlScrollBar Bar() {
  TControlScrollBar bar(true);
  bar.SetRect(RECT{0, 0, 16, 116});
  bar.SetRange(0, 99, 10);
  return bar;
}

TEST(ControlScrollBar, CodesMoveThePositionWithinTheRange) {
  struct {
    int from;
    WORD code;
    int thumb;
    int expected;
  } cases[] = {
      {5, SB_LINEUP, 0, 4},     {0, SB_LINEUP, 0, 0},       {5, SB_LINEDOWN, 0, 6},
      {90, SB_LINEDOWN, 0, 90}, {50, SB_PAGEUP, 0, 40},     {5, SB_PAGEUP, 0, 0},
      {50, SB_PAGEDOWN, 0, 60}, {85, SB_PAGEDOWN, 0, 90},   {50, SB_TOP, 0, 0},
      {0, SB_BOTTOM, 0, 90},    {0, SB_THUMBTRACK, 42, 42}, {0, SB_THUMBPOSITION, 400, 90},
      {7, SB_ENDSCROLL, 0, 7},
  };
  for (const auto& c : cases) {
    TControlScrollBar bar = Bar();
    bar.SetPos(c.from);
    EXPECT_EQ(bar.PosForCode(c.code, c.thumb), c.expected) << c.from << " code " << c.code;
  }
}

TEST(ControlScrollBar, ARangeThatShrinksPullsThePositionBack) {
  TControlScrollBar bar = Bar();
  bar.SetPos(90);
  bar.SetRange(0, 49, 10);
  EXPECT_EQ(bar.Pos(), 40);
  EXPECT_FALSE(bar.SetPos(40));
  bar.SetRange(0, 5, 10);
  EXPECT_EQ(bar.Pos(), 0);
}

TEST(ControlScrollBar, PressesAreTheArrowsTheTrackOrTheThumb) {
  TControlScrollBar bar = Bar();
  bar.SetPos(45);
  EXPECT_EQ(bar.HitTest(POINT{8, 5}), SB_LINEUP);
  EXPECT_EQ(bar.HitTest(POINT{8, 110}), SB_LINEDOWN);
  EXPECT_EQ(bar.HitTest(POINT{8, 20}), SB_PAGEUP);
  EXPECT_EQ(bar.HitTest(POINT{8, 98}), SB_PAGEDOWN);
  EXPECT_EQ(bar.HitTest(POINT{8, 58}), kScrollThumb);
  EXPECT_EQ(bar.HitTest(POINT{20, 58}), kScrollNone);
  // Nothing to scroll: no thumb and no track to press.
  bar.SetRange(0, 5, 10);
  EXPECT_EQ(bar.HitTest(POINT{8, 58}), kScrollNone);
  EXPECT_EQ(bar.HitTest(POINT{8, 5}), SB_LINEUP);
}

TEST(ControlScrollBar, DraggingTheThumbFollowsThePointer) {
  TControlScrollBar bar = Bar();
  bar.BeginThumbDrag(POINT{8, 20});  // grabbed 4 pixels into the thumb at the top
  EXPECT_EQ(bar.PosFromThumbDrag(POINT{8, 20}), 0);
  EXPECT_EQ(bar.PosFromThumbDrag(POINT{8, 0}), 0);
  EXPECT_EQ(bar.PosFromThumbDrag(POINT{8, 500}), 90);
  const int middle = bar.PosFromThumbDrag(POINT{8, 58});
  EXPECT_GT(middle, 35);
  EXPECT_LT(middle, 55);
}

TEST(ControlScrollBar, AThumbAsLongAsItsTrackKeepsItsPositionWhenDragged) {
  // 8 pixels of track between the arrows: the smallest thumb fills it.
  TControlScrollBar bar(true);
  bar.SetRect(RECT{0, 0, 16, 40});
  bar.SetRange(0, 99, 10);
  bar.SetPos(60);
  bar.BeginThumbDrag(POINT{8, 20});
  for (int y : {0, 20, 39, 400}) EXPECT_EQ(bar.PosFromThumbDrag(POINT{8, y}), 60) << y;
}

// Paints `bar` on a white bitmap and answers the colour at each point.
std::vector<COLORREF> PaintedAt(const TControlScrollBar& bar, std::initializer_list<POINT> at) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 40;
  bi.bmiHeader.biHeight = -140;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  const HBITMAP bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, bm);
  RECT all{0, 0, 40, 140};
  FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
  bar.Paint(dc);
  std::vector<COLORREF> colours;
  for (const POINT& p : at) colours.push_back(GetPixel(dc, p.x, p.y));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bm);
  return colours;
}

TEST(ControlScrollBar, RaisedAndFlatBarsPaintTheirOwnTrackAndThumb) {
  // The thumb of Bar() at position 0 lies at 16..24; the track below it is
  // bare. Inside the thumb (not on its edge) is its face colour.
  const POINT track{8, 60}, thumb{8, 20}, outside{30, 60};
  TControlScrollBar bar = Bar();
  EXPECT_EQ(PaintedAt(bar, {track, thumb, outside}),
            (std::vector<COLORREF>{GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNFACE),
                                   GetSysColor(COLOR_WINDOW)}));
  bar.SetFlat(true);
  EXPECT_EQ(PaintedAt(bar, {track, thumb}),
            (std::vector<COLORREF>{GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW)}));
  bar.SetRect(RECT{});
  EXPECT_EQ(PaintedAt(bar, {POINT{0, 0}, thumb}),
            (std::vector<COLORREF>{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW)}))
      << "a hidden bar paints nothing";
}

}  // namespace
