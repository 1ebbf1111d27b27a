// tests/win/WindowPlacementTest.cpp
//
// Placements that would leave a window out of the user's reach.
#include <climits>

#include "tests/win/WindowTestSupport.h"

namespace {

class WindowPlacementTest : public WindowTest {
 protected:
  RECT Normal(HWND h) {
    WINDOWPLACEMENT p;
    GetWindowPlacement(h, &p);
    return p.rcNormalPosition;
  }
  void Place(HWND h, RECT normal, UINT showCmd = SW_SHOWNORMAL) {
    WINDOWPLACEMENT p;
    GetWindowPlacement(h, &p);
    p.rcNormalPosition = normal;
    p.showCmd = showCmd;
    ASSERT_TRUE(SetWindowPlacement(h, &p));
  }
};

TEST_F(WindowPlacementTest, APlacementOnTheScreenIsTakenAsItIs) {
  HWND h = Top(10, 10, 300, 200);
  // Partly off the screen is still reachable.
  Place(h, RECT{-250, 600, 50, 800});
  EXPECT_EQ(Normal(h), (RECT{-250, 600, 50, 800}));
}

TEST_F(WindowPlacementTest, UnreachablePlacementsAreMovedOntoTheScreen) {
  // Work area of the test screen: 0, 0, 1024, 738.
  struct Case {
    RECT stored;
    RECT expected;
  } cases[] = {
      {{-5000, -5000, -4700, -4800}, {0, 0, 300, 200}},  // beyond the top left
      {{3000, 100, 3400, 400}, {624, 100, 1024, 400}},   // beyond the right
      {{100, 2000, 500, 2300}, {100, 438, 500, 738}},    // below the bottom
      {{50, 60, 50, 260}, {50, 60, 350, 260}},           // no width: the present one
      {{50, 60, 450, 10}, {50, 60, 450, 260}},           // negative height
      {{INT_MIN, 0, INT_MAX, 100}, {0, 0, 300, 100}},    // no usable width, far away
      {{-9000, -9000, -9000, -9000}, {0, 0, 300, 200}},  // nothing usable at all
  };
  for (const Case& c : cases) {
    HWND h = Top(10, 10, 300, 200);
    Place(h, c.stored);
    EXPECT_EQ(Normal(h), c.expected) << c.stored.left << "," << c.stored.top;
    RECT r;
    GetWindowRect(h, &r);
    EXPECT_EQ(r, c.expected);
    DestroyWindow(h);
  }
}

TEST_F(WindowPlacementTest, AMaximisedWindowReturnsToTheMendedRectangle) {
  HWND h = Top(10, 10, 300, 200);
  Place(h, RECT{-3000, -3000, -2600, -2700}, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(h));
  ShowWindow(h, SW_RESTORE);
  RECT r;
  GetWindowRect(h, &r);
  EXPECT_EQ(r, (RECT{0, 0, 400, 300}));
}

}  // namespace
