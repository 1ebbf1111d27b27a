// tests/win/WindowStateTest.cpp
#include "tests/win/WindowTestSupport.h"

namespace {

using Msgs = std::vector<UINT>;

class WindowState : public WindowTest {
 protected:
  RECT WindowRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
  }
  WINDOWPLACEMENT Placement(HWND h) {
    WINDOWPLACEMENT p;
    GetWindowPlacement(h, &p);
    return p;
  }
};

TEST_F(WindowState, MaximisingAppliesTheMinMaxAnswerAndKeepsTheNormalRectangle) {
  HWND h = Top(100, 100, 300, 200);
  handler = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_GETMINMAXINFO) return std::nullopt;
    auto* mmi = reinterpret_cast<MINMAXINFO*>(l);
    mmi->ptMaxSize = POINT{500, 400};
    mmi->ptMaxPosition = POINT{10, 20};
    return 0;
  };
  log.clear();
  ShowWindow(h, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_EQ(WindowRect(h), (RECT{10, 20, 510, 420}));
  ASSERT_FALSE(Find(WM_SIZE).empty());
  EXPECT_EQ(Find(WM_SIZE).back().wParam, SIZE_MAXIMIZED);
  EXPECT_EQ(Placement(h).showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
  EXPECT_EQ(Placement(h).rcNormalPosition, (RECT{100, 100, 400, 300}));
  ShowWindow(h, SW_RESTORE);
  EXPECT_EQ(WindowRect(h), (RECT{100, 100, 400, 300}));
}

TEST_F(WindowState, MaximisingByDefaultFillsTheWorkAreaWithTheFrameOutside) {
  HWND h = Top(100, 100, 300, 200);
  ShowWindow(h, SW_SHOWMAXIMIZED);
  EXPECT_EQ(WindowRect(h), (RECT{-4, -4, 1028, 742}));
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, 1024);
}

TEST_F(WindowState, MinimisingRemembersWhereToReturn) {
  HWND h = Top(100, 100, 300, 200);
  ShowWindow(h, SW_MAXIMIZE);
  log.clear();
  ShowWindow(h, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(h));
  EXPECT_EQ(Find(WM_SIZE).back().wParam, SIZE_MINIMIZED);
  WINDOWPLACEMENT p = Placement(h);
  EXPECT_EQ(p.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(p.flags & WPF_RESTORETOMAXIMIZED, WPF_RESTORETOMAXIMIZED);
  EXPECT_EQ(p.rcNormalPosition, (RECT{100, 100, 400, 300}));
  EXPECT_EQ(GetActiveWindow(), nullptr);  // nothing else to activate
  ShowWindow(h, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(h));
  ShowWindow(h, SW_SHOWNORMAL);
  EXPECT_EQ(WindowRect(h), (RECT{100, 100, 400, 300}));
}

TEST_F(WindowState, PlacementSetsTheNormalRectangleMinimisedPositionAndState) {
  HWND h = Top(0, 0, 300, 200, WS_OVERLAPPEDWINDOW);
  WINDOWPLACEMENT p = Placement(h);
  p.flags = WPF_SETMINPOSITION;
  p.ptMinPosition = POINT{5, 6};
  p.rcNormalPosition = RECT{50, 60, 250, 160};
  p.showCmd = SW_SHOWMINIMIZED;
  ASSERT_TRUE(SetWindowPlacement(h, &p));
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_TRUE(IsIconic(h));
  EXPECT_EQ(WindowRect(h).left, 5);
  WINDOWPLACEMENT back = Placement(h);
  EXPECT_EQ(back.flags & WPF_SETMINPOSITION, WPF_SETMINPOSITION);
  EXPECT_EQ(back.rcNormalPosition, (RECT{50, 60, 250, 160}));
  ShowWindow(h, SW_RESTORE);
  EXPECT_EQ(WindowRect(h), (RECT{50, 60, 250, 160}));
}

TEST_F(WindowState, ShowAndHideSendWmShowWindowAndMoveActivation) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  log.clear();
  EXPECT_TRUE(ShowWindow(b, SW_HIDE));
  EXPECT_EQ(MessagesOf(b, {WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
            (Msgs{WM_SHOWWINDOW, WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}));
  EXPECT_FALSE(IsWindowVisible(b));
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_FALSE(ShowWindow(b, SW_SHOWNA));
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(WindowState, SizingByABorderFollowsTheHitTestAndTheTrackingLimits) {
  HWND h = Top(100, 100, 300, 200);
  handler = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_GETMINMAXINFO) return std::nullopt;
    reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{250, 150};
    return 0;
  };
  // The right border is at x 396..399.
  InjectMouseMove(POINT{398, 200});
  InjectButtonDown(TInputButton::Left, POINT{398, 200});
  InjectMouseMove(POINT{448, 200});
  Pump();
  EXPECT_EQ(WindowRect(h), (RECT{100, 100, 450, 300}));
  InjectMouseMove(POINT{200, 200});  // narrower than allowed
  InjectButtonUp(TInputButton::Left, POINT{200, 200});
  log.clear();
  Pump();
  EXPECT_EQ(WindowRect(h), (RECT{100, 100, 350, 300}));
  EXPECT_EQ(MessagesOf(h, {WM_EXITSIZEMOVE}), (Msgs{WM_EXITSIZEMOVE}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowState, NoSizingWhereTheHitTestSaysNoBorder) {
  HWND h = Top(100, 100, 300, 200);
  handler = [](HWND hh, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_NCHITTEST) return std::nullopt;
    const LRESULT hit = DefWindowProc(hh, m, w, l);
    return hit >= HTLEFT && hit <= HTBOTTOMRIGHT ? HTNOWHERE : hit;
  };
  InjectMouseMove(POINT{398, 200});
  InjectButtonDown(TInputButton::Left, POINT{398, 200});
  InjectMouseMove(POINT{448, 200});
  InjectButtonUp(TInputButton::Left, POINT{448, 200});
  Pump();
  EXPECT_EQ(WindowRect(h), (RECT{100, 100, 400, 300}));
}

TEST_F(WindowState, EscapeCancelsAFrameDrag) {
  HWND h = Top(100, 100, 300, 200);
  InjectMouseMove(POINT{200, 110});  // caption
  InjectButtonDown(TInputButton::Left, POINT{200, 110});
  InjectMouseMove(POINT{260, 150});
  Pump();
  EXPECT_EQ(WindowRect(h).left, 160);
  InjectKeyDown(VK_ESCAPE);
  Pump();
  EXPECT_EQ(WindowRect(h).left, 100);
}

TEST_F(WindowState, CaptionButtonsActOnRelease) {
  HWND h = Top(100, 100, 300, 200);
  // Buttons right to left: close, maximise, minimise, each 18 wide, inside the 4-pixel frame.
  InjectClick(TInputButton::Left, POINT{400 - 4 - 18 - 5, 110});
  Pump();
  EXPECT_TRUE(IsZoomed(h));
  RECT r = WindowRect(h);
  InjectClick(TInputButton::Left, POINT{r.right - 4 - 5, r.top + 10});
  Pump();
  EXPECT_FALSE(IsWindow(h));
}

TEST_F(WindowState, TheSystemMenuAsksTheWindowAndRefusesGreyedItems) {
  HWND h = Top(100, 100, 300, 200);
  handler = [](HWND, UINT m, WPARAM w, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_INITMENUPOPUP && HIWORD(static_cast<UINT_PTR>(l))) {
      EnableMenuItem(reinterpret_cast<HMENU>(w), SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
      return 0;
    }
    return std::nullopt;
  };
  log.clear();
  SendMessage(h, WM_SYSCOMMAND, SC_KEYMENU, ' ');
  HMENU menu = GetOpenMenu();
  ASSERT_EQ(menu, GetSystemMenu(h, FALSE));
  ASSERT_EQ(Find(WM_INITMENUPOPUP).size(), 1u);
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu, SC_RESTORE, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);  // not min or max
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_FALSE(ChooseOpenMenuItem(SC_MAXIMIZE));
  EXPECT_TRUE(ChooseOpenMenuItem(SC_MINIMIZE));
  EXPECT_EQ(GetOpenMenu(), nullptr);
  Pump();
  EXPECT_TRUE(IsIconic(h));
}

TEST_F(WindowState, ARightClickOnTheCaptionOpensTheSystemMenuAndEscapeClosesIt) {
  HWND h = Top(100, 100, 300, 200);
  InjectClick(TInputButton::Right, POINT{200, 110});
  Pump();
  EXPECT_EQ(GetOpenMenu(), GetSystemMenu(h, FALSE));
  InjectKey(VK_ESCAPE);
  log.clear();
  Pump();
  EXPECT_EQ(GetOpenMenu(), nullptr);
  EXPECT_TRUE(MessagesOf(h, {WM_KEYDOWN}).empty());
}

TEST_F(WindowState, WmWindowPosChangingMayChangeTheRequest) {
  HWND h = Top(0, 0, 300, 200);
  handler = [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_WINDOWPOSCHANGING) return std::nullopt;
    reinterpret_cast<WINDOWPOS*>(l)->cx = 222;
    return 0;
  };
  log.clear();
  MoveWindow(h, 10, 10, 400, 200, TRUE);
  EXPECT_EQ(RectWidth(WindowRect(h)), 222);
  ASSERT_EQ(Find(WM_SIZE).size(), 1u);
  EXPECT_EQ(LOWORD(Find(WM_SIZE)[0].lParam), 222 - 8);
  EXPECT_EQ(Find(WM_MOVE).size(), 1u);
}

TEST_F(WindowState, NothingMovedMeansNoWmSizeOrWmMove) {
  HWND h = Top(0, 0, 300, 200);
  log.clear();
  SetWindowPos(h, nullptr, 0, 0, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(Find(WM_SIZE).empty());
  EXPECT_TRUE(Find(WM_MOVE).empty());
}

TEST_F(WindowState, OwnedWindowsStayAboveTheirOwner) {
  HWND owner = Top(0, 0, 300, 300);
  HWND owned = CreateWindowEx(0, "Recorder", "", WS_POPUP | WS_VISIBLE, 50, 50, 100, 100, owner,
                              nullptr, nullptr, nullptr);
  HWND other = Top(0, 0, 300, 300);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), other);
  BringWindowToTop(owner);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), owned);
  EXPECT_EQ(WindowFromPoint(POINT{10, 10}), owner);
}

TEST_F(WindowState, MinimisingWithoutActivationLeavesTheActiveWindow) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100, WS_OVERLAPPEDWINDOW);
  ShowWindow(b, SW_SHOWMINNOACTIVE);
  EXPECT_TRUE(IsIconic(b));
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(WindowState, UtilityWindowsAreNeverHitOrActivated) {
  HWND util = AllocateUtilityWindow(
      [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); });
  ShowWindow(util, SW_SHOW);
  EXPECT_EQ(WindowFromPoint(POINT{0, 0}), nullptr);
  EXPECT_NE(GetActiveWindow(), util);
  EXPECT_EQ(SetFocus(util), nullptr);
  EXPECT_NE(GetFocus(), util);
  DeallocateUtilityWindow(util);
  EXPECT_FALSE(IsWindow(util));
}

TEST(Metrics, AFixedScreenForTests) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  EXPECT_EQ(ScreenPixelsPerInch(), 96);
  RECT wa;
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0));
  EXPECT_EQ(wa.bottom, 738);
  EXPECT_TRUE(NewStyleControls());
}

class Cursors : public WindowTest {};

TEST_F(Cursors, TheProgramsCursorsAreDrawnAndLoadedByName) {
  for (const char* name : {"ZX_HANDCUR", "ZX_DRAGCUR", "SLTREEDRAGCOPY"}) {
    HCURSOR c = LoadCursor(HInstance(), name);
    ASSERT_NE(c, nullptr) << name;
    EXPECT_EQ(LoadCursor(HInstance(), name), c);
    const TCursorShape* s = CursorShape(c);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->picture.empty());
    for (const String& row : s->picture) EXPECT_EQ(row.size(), s->picture[0].size()) << name;
  }
  EXPECT_NE(CursorShape(LoadCursor(HInstance(), "ZX_DRAGCUR"))->picture,
            CursorShape(LoadCursor(HInstance(), "SLTREEDRAGCOPY"))->picture);
  EXPECT_EQ(LoadCursor(HInstance(), "NO_SUCH"), nullptr);
}

TEST_F(Cursors, TheTableHoldsTheStandardNumbersAndFallsBackToTheDefault) {
  EXPECT_EQ(CursorOfId(-13), LoadCursor(nullptr, IDC_NO));
  EXPECT_EQ(CursorShape(CursorOfId(-11))->systemId, 32514);
  EXPECT_EQ(CursorOfId(-1), nullptr);
  EXPECT_EQ(CursorOfId(12345), CursorOfId(0));
  SetCursorOfId(12345, LoadCursor(HInstance(), "ZX_HANDCUR"));
  EXPECT_EQ(CursorOfId(12345), LoadCursor(HInstance(), "ZX_HANDCUR"));
}

TEST_F(Cursors, TheClassCursorIsSetOverTheClient) {
  WNDCLASS wc;
  wc.lpszClassName = "Hand";
  wc.hCursor = LoadCursor(nullptr, IDC_HAND);
  RegisterClass(wc);
  HWND h = CreateWindowEx(0, "Hand", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                          nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  InjectMouseMove(POINT{50, 50});
  Pump();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
}

TEST_F(Cursors, BeepsAreCounted) {
  MessageBeep(0);
  EXPECT_EQ(system.BeepCount(), 1);
}

}  // namespace
