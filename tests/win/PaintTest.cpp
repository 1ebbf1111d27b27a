// tests/win/PaintTest.cpp
#include <gtest/gtest.h>

#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "tests/win/WindowTestSupport.h"

namespace {

using Msgs = std::vector<UINT>;
const std::vector<UINT> kPaintMessages{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND};

class Painting : public WindowTest {
 protected:
  Painting() {
    // Windows of this class paint their client area in their own colour.
    WNDCLASS wc;
    wc.lpszClassName = "Painter";
    wc.hInstance = HInstance();
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpfnWndProc = MakeWndProc([this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      log.push_back({h, m, w, l});
      if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        paints.push_back({h, ps.rcPaint});
        RECT all;
        GetClientRect(h, &all);
        const HBRUSH b = CreateSolidBrush(colors.count(h) ? colors[h] : RGB(0, 0, 0));
        FillRect(dc, &all, b);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
      }
      return DefWindowProc(h, m, w, l);
    });
    RegisterClass(wc);
  }

  HWND PaintedTop(int cx, int cy, COLORREF color, DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND h = CreateWindowEx(0, "Painter", "", style, 0, 0, cx, cy, nullptr, nullptr, HInstance(),
                            nullptr);
    colors[h] = color;
    return h;
  }
  HWND PaintedChild(HWND parent, int x, int y, int cx, int cy, COLORREF color,
                    DWORD style = WS_CHILD | WS_VISIBLE) {
    HWND h = CreateWindowEx(0, "Painter", "", style, x, y, cx, cy, parent, nullptr, HInstance(),
                            nullptr);
    colors[h] = color;
    return h;
  }
  COLORREF PixelOn(HWND top, int x, int y) {
    const TSurface s = CaptureWindow(top, true);
    return ColorOfPixel(s.Pixel(x, y));
  }

  struct TPaintRecord {
    HWND hwnd;
    RECT rcPaint;
  };
  std::vector<TPaintRecord> paints;
  std::map<HWND, COLORREF> colors;
};

}  // namespace

TEST_F(Painting, ANewWindowPaintsInTheWindowsOrderParentsFirst) {
  HWND top = Top(0, 0, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "PlainRecorder");
  HWND child = Child(top, 10, 10, 50, 50, WS_CHILD | WS_VISIBLE, 1, "PlainRecorder");
  log.clear();
  Pump();
  std::vector<std::pair<HWND, UINT>> seen;
  for (const auto& e : log)
    if (std::find(kPaintMessages.begin(), kPaintMessages.end(), e.message) != kPaintMessages.end())
      seen.emplace_back(e.hwnd, e.message);
  const std::vector<std::pair<HWND, UINT>> expected{{top, WM_PAINT},
                                                    {top, WM_NCPAINT},
                                                    {top, WM_ERASEBKGND},
                                                    {child, WM_PAINT},
                                                    {child, WM_ERASEBKGND}};
  EXPECT_EQ(seen, expected);
  log.clear();
  Pump();
  EXPECT_TRUE(Find(WM_PAINT).empty()) << "painting validated everything";
}

TEST_F(Painting, InvalidationAccumulatesAndBeginPaintValidates) {
  HWND h = PaintedTop(100, 100, RGB(255, 0, 0));
  Pump();
  RECT r;
  EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
  RECT a{10, 10, 20, 20}, b{50, 60, 70, 80};
  InvalidateRect(h, &a, FALSE);
  InvalidateRect(h, &b, TRUE);
  EXPECT_TRUE(GetUpdateRect(h, &r, FALSE));
  EXPECT_EQ(r, (RECT{10, 10, 70, 80}));
  ValidateRect(h, &a);
  EXPECT_TRUE(GetUpdateRect(h, &r, FALSE));
  EXPECT_EQ(r, (RECT{50, 60, 70, 80}));
  paints.clear();
  log.clear();
  Pump();
  ASSERT_EQ(paints.size(), 1u);
  EXPECT_EQ(paints[0].rcPaint, (RECT{50, 60, 70, 80}));
  EXPECT_EQ(MessagesOf(h, kPaintMessages), (Msgs{WM_PAINT, WM_ERASEBKGND}));
  RECT outside{200, 200, 300, 300};
  InvalidateRect(h, &outside, TRUE);
  EXPECT_FALSE(GetUpdateRect(h, &r, FALSE)) << "only the client area can be invalid";
}

TEST_F(Painting, AChildPaintsOnlyItsOwnPartOfTheSurface) {
  HWND top = PaintedTop(100, 100, RGB(255, 0, 0), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = PaintedChild(top, 20, 20, 30, 30, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(PixelOn(top, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(PixelOn(top, 20, 20), RGB(0, 0, 255));
  EXPECT_EQ(PixelOn(top, 49, 49), RGB(0, 0, 255));
  EXPECT_EQ(PixelOn(top, 50, 50), RGB(255, 0, 0));
  // A child's whole-area fill through a DC cannot reach its parent's pixels.
  HDC dc = GetDC(child);
  RECT huge{-100, -100, 500, 500};
  FillRect(dc, &huge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(child, dc);
  EXPECT_EQ(PixelOn(top, 19, 19), RGB(255, 0, 0));
  EXPECT_EQ(PixelOn(top, 30, 30), RGB(0, 0, 0));
  EXPECT_EQ(CaptureWindow(child).Width(), 30);
}

TEST_F(Painting, ClippingOfChildrenAndSiblingsFollowsTheStyles) {
  HWND top = PaintedTop(100, 100, RGB(255, 0, 0), WS_POPUP | WS_VISIBLE);
  HWND upper = PaintedChild(top, 10, 10, 40, 40, RGB(0, 255, 0));
  HWND lower =
      PaintedChild(top, 30, 30, 40, 40, RGB(0, 0, 255), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS);
  Pump();
  // The lower sibling clips the upper one away; the parent does not clip its children, which paint
  // after it.
  EXPECT_EQ(PixelOn(top, 35, 35), RGB(0, 255, 0));
  EXPECT_EQ(PixelOn(top, 60, 60), RGB(0, 0, 255));
  HDC parentDc = GetDCEx(top, nullptr, DCX_CLIPCHILDREN);
  RECT all{0, 0, 100, 100};
  FillRect(parentDc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(top, parentDc);
  EXPECT_EQ(PixelOn(top, 5, 5), RGB(255, 255, 255));
  EXPECT_EQ(PixelOn(top, 20, 20), RGB(0, 255, 0));
  // DCX_PARENTCLIP draws where the parent may, from the child's corner.
  HDC pc = GetDCEx(upper, nullptr, DCX_PARENTCLIP);
  RECT beyond{0, 0, 70, 10};
  FillRect(pc, &beyond, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(upper, pc);
  EXPECT_EQ(PixelOn(top, 75, 15), RGB(0, 0, 0));
  (void)lower;
}

TEST_F(Painting, MovingAChildRepaintsWhatItUncovered) {
  HWND top = PaintedTop(100, 100, RGB(255, 0, 0), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = PaintedChild(top, 0, 0, 20, 20, RGB(0, 0, 255));
  Pump();
  SetWindowPos(child, nullptr, 50, 50, 20, 20, SWP_NOZORDER | SWP_NOACTIVATE);
  paints.clear();
  Pump();
  EXPECT_EQ(PixelOn(top, 5, 5), RGB(255, 0, 0));
  EXPECT_EQ(PixelOn(top, 55, 55), RGB(0, 0, 255));
  ShowWindow(child, SW_HIDE);
  Pump();
  EXPECT_EQ(PixelOn(top, 55, 55), RGB(255, 0, 0));
}

TEST_F(Painting, LockWindowUpdateHoldsDrawingUntilUnlocked) {
  HWND top = PaintedTop(60, 60, RGB(255, 0, 0));
  Pump();
  EXPECT_TRUE(LockWindowUpdate(top));
  EXPECT_FALSE(LockWindowUpdate(PaintedTop(10, 10, 0)));
  colors[top] = RGB(0, 255, 0);
  InvalidateRect(top, nullptr, TRUE);
  Pump();
  EXPECT_EQ(PixelOn(top, 5, 5), RGB(255, 0, 0)) << "nothing reaches a locked window";
  HDC dc = GetDCEx(top, nullptr, DCX_LOCKWINDOWUPDATE);
  SetPixel(dc, 1, 1, RGB(0, 0, 0));
  ReleaseDC(top, dc);
  EXPECT_EQ(PixelOn(top, 1, 1), RGB(0, 0, 0)) << "drag feedback still draws";
  LockWindowUpdate(nullptr);
  Pump();
  EXPECT_EQ(PixelOn(top, 5, 5), RGB(0, 255, 0));
}

TEST_F(Painting, UpdateWindowAndRedrawWindowPaintAtOnce) {
  HWND h = PaintedTop(50, 50, RGB(255, 0, 0));
  Pump();
  InvalidateRect(h, nullptr, FALSE);
  paints.clear();
  UpdateWindow(h);
  EXPECT_EQ(paints.size(), 1u);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_EQ(paints.size(), 2u);
  log.clear();
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
  EXPECT_EQ(MessagesOf(h, kPaintMessages), (Msgs{WM_ERASEBKGND}));
}

TEST_F(Painting, SaveDcAndViewportOriginMoveDrawing) {
  HWND top = PaintedTop(40, 40, RGB(255, 255, 255));
  Pump();
  HDC dc = GetDC(top);
  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, 10, 10, nullptr);
  SetPixel(dc, 0, 0, RGB(1, 2, 3));
  RestoreDC(dc, saved);
  SetPixel(dc, 0, 0, RGB(4, 5, 6));
  EXPECT_FALSE(RestoreDC(dc, 1));
  ReleaseDC(top, dc);
  EXPECT_EQ(PixelOn(top, 10, 10), RGB(1, 2, 3));
  EXPECT_EQ(PixelOn(top, 0, 0), RGB(4, 5, 6));
}

TEST_F(Painting, RegionsInvalidateExactlyTheirPixels) {
  HWND h = PaintedTop(100, 100, RGB(255, 0, 0));
  Pump();
  const HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(90, 90, 100, 100),
             u = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(u, a, b, RGN_OR);
  InvalidateRgn(h, u, FALSE);
  const HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetUpdateRgn(h, got, FALSE), COMPLEXREGION);
  EXPECT_TRUE(EqualRgn(got, u));
  ValidateRgn(h, a);
  EXPECT_EQ(GetUpdateRgn(h, got, FALSE), SIMPLEREGION);
  EXPECT_TRUE(EqualRgn(got, b));
  for (HRGN r : {a, b, u, got}) DeleteObject(r);
}

TEST_F(Painting, AReparentedChildLeavesItsOldParentAndPaintsInItsNewOne) {
  HWND first = PaintedTop(60, 60, RGB(255, 0, 0), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND second = PaintedTop(60, 60, RGB(0, 255, 0), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = PaintedChild(first, 10, 10, 20, 20, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(PixelOn(first, 15, 15), RGB(0, 0, 255));
  SetParent(child, second);
  Pump();
  EXPECT_EQ(PixelOn(first, 15, 15), RGB(255, 0, 0));
  EXPECT_EQ(PixelOn(second, 15, 15), RGB(0, 0, 255));
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSY), 96);
  ReleaseDC(nullptr, dc);
}

TEST_F(Painting, OverlappingSiblingsThatDoNotClipEndWithTheTopOneOnTop) {
  HWND top = PaintedTop(100, 100, RGB(255, 255, 255), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND first = PaintedChild(top, 10, 10, 40, 40, RGB(0, 255, 0));  // the first child is topmost
  PaintedChild(top, 30, 30, 40, 40, RGB(0, 0, 255));
  Pump();
  EXPECT_EQ(PixelOn(top, 35, 35), RGB(0, 255, 0));
  BringWindowToTop(PaintedChild(top, 0, 0, 1, 1, 0));
  InvalidateRect(first, nullptr, TRUE);
  Pump();
  EXPECT_EQ(PixelOn(top, 35, 35), RGB(0, 255, 0));
}

TEST_F(Painting, WindowDcsReachTheFrameAndRegionsNarrowThem) {
  HWND top = PaintedTop(60, 60, RGB(255, 255, 255), WS_POPUP | WS_VISIBLE | WS_BORDER);
  Pump();
  HDC whole = GetWindowDC(top);
  SetPixel(whole, 0, 0, RGB(1, 1, 1));
  ReleaseDC(top, whole);
  EXPECT_EQ(PixelOn(top, 0, 0), RGB(1, 1, 1)) << "the window DC starts at the frame's corner";
  HDC narrowed = GetDCEx(top, CreateRectRgn(0, 0, 10, 10), DCX_INTERSECTRGN);
  RECT all{0, 0, 58, 58};
  FillRect(narrowed, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(top, narrowed);
  EXPECT_EQ(PixelOn(top, 10, 10), RGB(0, 0, 0)) << "client (9, 9) lies one pixel inside the border";
  EXPECT_EQ(PixelOn(top, 11, 11), RGB(255, 255, 255));
  HDC excluded = GetDCEx(top, CreateRectRgn(0, 0, 20, 58), DCX_EXCLUDERGN);
  FillRect(excluded, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
  ReleaseDC(top, excluded);
  EXPECT_EQ(PixelOn(top, 15, 15), RGB(255, 255, 255)) << "excluded";
  EXPECT_EQ(PixelOn(top, 30, 30), RGB(128, 128, 128));
}
