// tests/win/InputTest.cpp
#include "tests/win/WindowTestSupport.h"

namespace {

using Msgs = std::vector<UINT>;

class Input : public WindowTest {};

TEST_F(Input, AClickGoesToTheDeepestChildInClientCoordinates) {
  HWND top = Top(100, 100, 300, 200);
  HWND child = Child(top, 20, 10, 50, 50);
  POINT origin{0, 0};
  ClientToScreen(child, &origin);
  log.clear();
  InjectClick(TInputButton::Left, POINT{origin.x + 5, origin.y + 7});
  Pump();
  auto downs = Find(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, child);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 7);
  EXPECT_EQ(downs[0].wParam & MK_LBUTTON, MK_LBUTTON);
  EXPECT_EQ(WindowFromPoint(POINT{origin.x + 5, origin.y + 7}), child);
}

TEST_F(Input, TheTopmostWindowInZOrderTakesTheClickUnlessItIsTransparent) {
  HWND below = Top(0, 0, 200, 200);
  HWND above = Top(50, 50, 200, 200);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), above);
  SetWindowPos(below, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), below);
  handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h == below && m == WM_NCHITTEST) return HTTRANSPARENT;
    return std::nullopt;
  };
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), above);
  SetWindowPos(above, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  handler = nullptr;
  BringWindowToTop(below);
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), above);  // topmost stays above
}

TEST_F(Input, CaptureTakesEveryMouseMessageAndIsToldWhenLost) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(300, 300, 100, 100);
  SetCapture(a);
  log.clear();
  InjectMouseMove(POINT{350, 350});
  Pump();
  auto moves = Find(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  POINT expect{350, 350};
  ScreenToClient(a, &expect);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), expect.x);
  SetCapture(b);
  ASSERT_EQ(MessagesOf(a, {WM_CAPTURECHANGED}).size(), 1u);
  EXPECT_EQ(Find(WM_CAPTURECHANGED)[0].lParam, reinterpret_cast<LPARAM>(b));
  ReleaseCapture();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(MessagesOf(b, {WM_CAPTURECHANGED}).size(), 1u);
}

TEST_F(Input, DoubleClicksNeedTheClassStyleAndCloseTimeAndPlace) {
  HWND dbl = Top(0, 0, 200, 200);
  InjectClick(TInputButton::Left, POINT{50, 50});
  clock.Advance(400);
  InjectClick(TInputButton::Left, POINT{51, 51});
  clock.Advance(100);
  InjectClick(TInputButton::Left, POINT{51, 51});  // a third press starts again
  log.clear();
  Pump();
  EXPECT_EQ(MessagesOf(dbl, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (Msgs{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN}));

  clock.Advance(1000);
  InjectClick(TInputButton::Left, POINT{50, 50});
  clock.Advance(501);
  InjectClick(TInputButton::Left, POINT{50, 50});  // too late
  clock.Advance(1000);
  InjectClick(TInputButton::Left, POINT{50, 50});
  clock.Advance(10);
  InjectClick(TInputButton::Left, POINT{53, 50});  // too far
  log.clear();
  Pump();
  EXPECT_EQ(MessagesOf(dbl, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}), (Msgs(4, WM_LBUTTONDOWN)));

  HWND plain = Top(400, 0, 200, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE, "PlainRecorder");
  InjectClick(TInputButton::Left, POINT{450, 100});
  InjectClick(TInputButton::Left, POINT{450, 100});
  log.clear();
  Pump();
  EXPECT_EQ(MessagesOf(plain, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
            (Msgs{WM_LBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST_F(Input, KeysGoToTheFocusAndTheKeyStateChangesWhenTheMessageIsTaken) {
  HWND top = Top(0, 0, 200, 200);
  HWND child = Child(top, 0, 0, 50, 50);
  SetFocus(child);
  InjectKeyDown(VK_SHIFT);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);  // not taken yet
  log.clear();
  Pump();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(MessagesOf(child, {WM_KEYDOWN}), (Msgs{WM_KEYDOWN}));
  InjectKeyUp(VK_SHIFT);
  Pump();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 1, 1);  // toggled by the one press
}

// A popup menu or a frame drag takes the input while it is open; the keys
// and buttons it takes are still pressed and let go as far as the key state
// is concerned, or a key let go while it ran would stay down for good.
TEST_F(Input, KeysTakenByAnOpenMenuStillChangeTheKeyState) {
  HWND top = Top(0, 0, 200, 200);
  SetFocus(top);
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "&Open tray");
  AppendMenu(menu, MF_STRING, 2, "&Close tray");
  // Return opens the menu at once, as a drop-down button does.
  handler = [&](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (h == top && m == WM_KEYDOWN && w == VK_RETURN && !GetOpenMenuWindow())
      TrackPopupMenu(menu, 0, 20, 20, 0, top, nullptr);
    return std::nullopt;
  };
  InjectKeyDown(VK_RETURN);
  Pump();
  ASSERT_NE(GetOpenMenuWindow(), nullptr);
  EXPECT_LT(GetKeyState(VK_RETURN), 0);
  InjectKeyUp(VK_RETURN);
  InjectKeyDown(VK_DOWN);
  Pump();
  EXPECT_GE(GetKeyState(VK_RETURN), 0);
  EXPECT_LT(GetKeyState(VK_DOWN), 0);  // held in the menu
  InjectKeyUp(VK_DOWN);
  InjectKey(VK_RETURN);  // chooses the item and closes the menu
  Pump();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_GE(GetKeyState(VK_RETURN), 0);
  EXPECT_GE(GetKeyState(VK_DOWN), 0);
  DestroyMenu(menu);
}

TEST_F(Input, AltKeysAreSystemKeysAndAltF4Closes) {
  HWND top = Top(0, 0, 200, 200);
  SetFocus(top);
  InjectKeyDown(VK_MENU);
  InjectKeyDown(VK_F4);
  log.clear();
  Pump();
  EXPECT_EQ(MessagesOf(top, {WM_SYSKEYDOWN, WM_CLOSE}).back(), WM_CLOSE);
  EXPECT_FALSE(IsWindow(top));
}

TEST_F(Input, FocusingAWindowOfAnInactiveTopLevelActivatesItFirst) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(200, 0, 100, 100, WS_OVERLAPPEDWINDOW);
  HWND childB = Child(b, 0, 0, 10, 10);
  EXPECT_EQ(GetActiveWindow(), a);
  ShowWindow(b, SW_SHOWNA);
  log.clear();
  SetFocus(childB);
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), childB);
  EXPECT_EQ(MessagesOf(a, {WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS}),
            (Msgs{WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS}));
  EXPECT_EQ(MessagesOf(b, {WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS}),
            (Msgs{WM_NCACTIVATE, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS}));
  EXPECT_EQ(MessagesOf(childB, {WM_SETFOCUS}), (Msgs{WM_SETFOCUS}));
  EXPECT_EQ(GetForegroundWindow(), b);
}

TEST_F(Input, TheFirstActivationTellsEveryWindowTheProgramIsActive) {
  HWND a = Top(0, 0, 100, 100, WS_OVERLAPPEDWINDOW);
  HWND b = Top(0, 0, 100, 100, WS_OVERLAPPEDWINDOW);
  log.clear();
  ShowWindow(a, SW_SHOW);
  EXPECT_EQ(MessagesOf(a, {WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE}),
            (Msgs{WM_ACTIVATEAPP, WM_NCACTIVATE, WM_ACTIVATE}));
  EXPECT_EQ(MessagesOf(b, {WM_ACTIVATEAPP}), (Msgs{WM_ACTIVATEAPP}));
  InjectAppActivation(false);
  log.clear();
  Pump();
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  EXPECT_EQ(Find(WM_ACTIVATEAPP).size(), 2u);
  EXPECT_EQ(Find(WM_ACTIVATEAPP)[0].wParam, static_cast<WPARAM>(FALSE));
}

TEST_F(Input, ClickingAnInactiveWindowAsksWmMouseActivate) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(300, 0, 100, 100);
  EXPECT_EQ(GetActiveWindow(), b);
  handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h == a && m == WM_MOUSEACTIVATE) return MA_NOACTIVATEANDEAT;
    return std::nullopt;
  };
  log.clear();
  InjectClick(TInputButton::Left, POINT{50, 50});
  Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_TRUE(Find(WM_LBUTTONDOWN).empty());  // eaten
  EXPECT_EQ(Find(WM_MOUSEACTIVATE).size(), 1u);
  handler = nullptr;
  log.clear();
  InjectClick(TInputButton::Left, POINT{50, 50});
  Pump();
  EXPECT_EQ(GetActiveWindow(), a);
  ASSERT_EQ(Find(WM_ACTIVATE).size(), 2u);
  EXPECT_EQ(LOWORD(Find(WM_ACTIVATE)[1].wParam), WA_CLICKACTIVE);
  EXPECT_EQ(Find(WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(Input, TheWheelGoesToTheFocusAndUpToTheParent) {
  HWND top = Top(0, 0, 200, 200);
  HWND child = Child(top, 0, 0, 50, 50);
  SetFocus(child);
  log.clear();
  InjectWheel(-WHEEL_DELTA, POINT{10, 10});
  Pump();
  EXPECT_EQ(MessagesOf(child, {WM_MOUSEWHEEL}).size(), 1u);
  EXPECT_EQ(MessagesOf(top, {WM_MOUSEWHEEL}).size(), 1u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(Find(WM_MOUSEWHEEL)[0].wParam), -WHEEL_DELTA);
}

class Hooks : public WindowTest {};

TEST_F(Hooks, SeeKeysWhenTakenWithThePreviousStateBit) {
  HWND top = Top(0, 0, 100, 100);
  SetFocus(top);
  std::vector<std::pair<int, LPARAM>> seen;
  HHOOK hook = SetWindowsHookEx(
      WH_KEYBOARD,
      [&](int code, WPARAM w, LPARAM l) -> LRESULT {
        seen.push_back({code, l});
        EXPECT_EQ(w, static_cast<WPARAM>('X'));
        return CallNextHookEx(nullptr, code, w, l);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  InjectKeyDown('X');
  InjectKeyDown('X');         // held: repeats
  EXPECT_TRUE(seen.empty());  // nothing until the queue is read
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].first, HC_NOREMOVE);
  Pump();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].first, HC_ACTION);
  EXPECT_EQ(seen[1].second & KF_REPEAT_BIT, 0);
  EXPECT_EQ(seen[2].second & KF_REPEAT_BIT, KF_REPEAT_BIT);
  EXPECT_TRUE(UnhookWindowsHookEx(hook));
  InjectKeyUp('X');
  Pump();
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(Hooks, RunLastInstalledFirstAndCanSwallow) {
  HWND top = Top(0, 0, 100, 100);
  SetFocus(top);
  std::vector<int> order;
  HHOOK first = SetWindowsHookEx(
      WH_KEYBOARD,
      [&](int c, WPARAM w, LPARAM l) -> LRESULT {
        order.push_back(1);
        return CallNextHookEx(nullptr, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  HHOOK second = nullptr;
  second = SetWindowsHookEx(
      WH_KEYBOARD,
      [&](int c, WPARAM w, LPARAM l) -> LRESULT {
        order.push_back(2);
        if (w == VK_ESCAPE) return 1;
        return CallNextHookEx(second, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  log.clear();
  InjectKeyDown('A');
  InjectKeyDown(VK_ESCAPE);
  Pump();
  EXPECT_EQ(order, (std::vector<int>{2, 1, 2}));
  ASSERT_EQ(Find(WM_KEYDOWN).size(), 1u);
  EXPECT_EQ(Find(WM_KEYDOWN)[0].wParam, static_cast<WPARAM>('A'));
  UnhookWindowsHookEx(first);
  UnhookWindowsHookEx(second);
}

TEST_F(Hooks, AHookThatRemovesItselfCanStillPassTheMessageOn) {
  HWND top = Top(0, 0, 100, 100);
  SetFocus(top);
  int firstCalls = 0;
  HHOOK first = SetWindowsHookEx(
      WH_KEYBOARD,
      [&](int c, WPARAM w, LPARAM l) -> LRESULT {
        ++firstCalls;
        return CallNextHookEx(nullptr, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  HHOOK second = nullptr;
  second = SetWindowsHookEx(
      WH_KEYBOARD,
      [&](int c, WPARAM w, LPARAM l) -> LRESULT {
        UnhookWindowsHookEx(second);
        return CallNextHookEx(second, c, w, l);
      },
      nullptr, GetCurrentThreadId());
  InjectKey('A');
  Pump();
  EXPECT_EQ(firstCalls, 2);  // down through the removed hook, up directly
  UnhookWindowsHookEx(first);
}

TEST_F(Hooks, MouseHooksGetTheMessageAndItsPoint) {
  HWND top = Top(0, 0, 200, 200);
  std::vector<std::pair<WPARAM, MOUSEHOOKSTRUCTEX>> seen;
  HHOOK hook = SetWindowsHookEx(
      WH_MOUSE,
      [&](int c, WPARAM w, LPARAM l) -> LRESULT {
        if (c == HC_ACTION) seen.push_back({w, *reinterpret_cast<MOUSEHOOKSTRUCTEX*>(l)});
        return w == WM_RBUTTONDOWN ? 1 : 0;
      },
      nullptr, GetCurrentThreadId());
  log.clear();
  InjectButtonDown(TInputButton::Left, POINT{60, 70});
  InjectButtonDown(TInputButton::Right, POINT{60, 70});
  InjectMouseMove(POINT{60, 5});
  Pump();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].first, WM_LBUTTONDOWN);
  EXPECT_EQ(seen[0].second.pt.x, 60);
  EXPECT_EQ(seen[0].second.hwnd, top);
  EXPECT_EQ(seen[0].second.wHitTestCode, static_cast<UINT>(HTCLIENT));
  EXPECT_EQ(seen[2].first, WM_NCMOUSEMOVE);
  EXPECT_EQ(seen[2].second.wHitTestCode, static_cast<UINT>(HTCAPTION));
  EXPECT_TRUE(Find(WM_RBUTTONDOWN).empty());
  UnhookWindowsHookEx(hook);
}

}  // namespace
