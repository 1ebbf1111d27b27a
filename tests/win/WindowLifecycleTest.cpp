// tests/win/WindowLifecycleTest.cpp
#include <memory>
#include <thread>

#include "platform/rtl/Exceptions.h"
#include "tests/win/WindowTestSupport.h"

namespace {

using Msgs = std::vector<UINT>;

class WindowLifecycle : public WindowTest {};

TEST_F(WindowLifecycle, CreationSendsItsMessagesInWindowsOrder) {
  HWND h = Top(10, 10, 300, 200, WS_OVERLAPPEDWINDOW);
  ASSERT_TRUE(IsWindow(h));
  EXPECT_EQ(MessagesOf(h),
            (Msgs{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
}

TEST_F(WindowLifecycle, ChildCreationAndDestructionAreToldToTheParent) {
  HWND top = Top(0, 0, 300, 200);
  log.clear();
  HWND child = Child(top, 5, 5, 50, 20, WS_CHILD, 7);
  ASSERT_EQ(Find(WM_PARENTNOTIFY).size(), 1u);
  EXPECT_EQ(Find(WM_PARENTNOTIFY)[0].hwnd, top);
  EXPECT_EQ(Find(WM_PARENTNOTIFY)[0].wParam, MAKEWPARAM(WM_CREATE, 7));
  log.clear();
  DestroyWindow(child);
  ASSERT_EQ(Find(WM_PARENTNOTIFY).size(), 1u);
  EXPECT_EQ(LOWORD(Find(WM_PARENTNOTIFY)[0].wParam), WM_DESTROY);
}

TEST_F(WindowLifecycle, DestroyGoesParentFirstThenNcDestroyChildrenFirst) {
  HWND top = Top(0, 0, 300, 200);
  HWND a = Child(top, 0, 0, 10, 10, WS_CHILD | WS_VISIBLE | 0, 1);
  HWND b = Child(a, 0, 0, 5, 5, WS_CHILD | WS_VISIBLE, 2);
  log.clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> order;
  for (const auto& e : log)
    if (e.message == WM_DESTROY || e.message == WM_NCDESTROY) order.push_back({e.hwnd, e.message});
  EXPECT_EQ(order, (std::vector<std::pair<HWND, UINT>>{{top, WM_DESTROY},
                                                       {a, WM_DESTROY},
                                                       {b, WM_DESTROY},
                                                       {b, WM_NCDESTROY},
                                                       {a, WM_NCDESTROY},
                                                       {top, WM_NCDESTROY}}));
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(b));
}

TEST_F(WindowLifecycle, OwnedWindowsAreDestroyedBeforeTheirOwner) {
  HWND owner = Top(0, 0, 300, 200);
  HWND owned = CreateWindowEx(0, "Recorder", "", WS_POPUP, 0, 0, 10, 10, owner, nullptr,
                              HInstance(), nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);
  log.clear();
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(Find(WM_DESTROY).front().hwnd, owned);
}

TEST_F(WindowLifecycle, RefusedCreationDestroysTheWindowAndReturnsNull) {
  handler = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CREATE) return -1;
    return std::nullopt;
  };
  HWND h = Top(0, 0, 100, 100);
  EXPECT_EQ(h, nullptr);
  ASSERT_EQ(Find(WM_NCDESTROY).size(), 1u);
  EXPECT_FALSE(IsWindow(Find(WM_NCDESTROY)[0].hwnd));
}

TEST_F(WindowLifecycle, ARecreatedWindowNeverReusesTheOldHandle) {
  HWND first = Top(0, 0, 100, 100);
  DestroyWindow(first);
  HWND second = Top(0, 0, 100, 100);
  EXPECT_NE(first, second);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(SendMessage(first, WM_USER, 0, 0), 0);
  EXPECT_FALSE(PostMessage(first, WM_USER, 0, 0));
}

TEST(WindowSystemEnd, DestroysTheWindowsLeftWithTheirMessages) {
  auto system = std::make_unique<TWindowSystem>();
  int ncDestroyed = 0;
  WNDCLASS wc;
  wc.lpszClassName = "Counter";
  wc.lpfnWndProc = MakeWndProc([&](HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_NCDESTROY) ++ncDestroyed;
    return DefWindowProc(h, m, w, l);
  });
  RegisterClass(wc);
  HWND top = CreateWindowEx(0, "Counter", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                            nullptr, nullptr);
  CreateWindowEx(0, "Counter", "", WS_CHILD, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
  AllocateUtilityWindow(
      [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); });
  system.reset();
  EXPECT_EQ(ncDestroyed, 2);
  EXPECT_EQ(TWindowSystem::Current(), nullptr);
}

TEST_F(WindowLifecycle, StyleChangesAreAnnouncedAndTheFrameFollowsOnRequest) {
  HWND h = Top(0, 0, 200, 100, WS_OVERLAPPEDWINDOW);
  log.clear();
  const LONG_PTR old = SetWindowLongPtr(h, GWL_STYLE, WS_POPUP | WS_BORDER);
  EXPECT_EQ(old & WS_THICKFRAME, static_cast<LONG_PTR>(WS_THICKFRAME));
  EXPECT_EQ(MessagesOf(h), (Msgs{WM_STYLECHANGING, WM_STYLECHANGED}));
  RECT rc;
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 200 - 8);  // the old sizing frame until the frame is recomputed
  SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 198);
  EXPECT_EQ(rc.bottom, 98);
}

TEST_F(WindowLifecycle, FramesAndCaptionsComeFromTheStyle) {
  HWND top = Top(100, 50, 300, 200, WS_OVERLAPPEDWINDOW);
  RECT rc;
  GetClientRect(top, &rc);
  EXPECT_EQ(rc.right, 300 - 2 * 4);
  EXPECT_EQ(rc.bottom, 200 - 2 * 4 - 19);
  HWND dialog = Top(0, 0, 100, 100, WS_POPUP | WS_CAPTION);
  GetClientRect(dialog, &rc);
  EXPECT_EQ(rc.right, 100 - 2 * 3);
  HWND child = Child(top, 10, 20, 50, 30, WS_CHILD | WS_BORDER);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p.x, 100 + 4 + 10 + 1);
  EXPECT_EQ(p.y, 50 + 4 + 19 + 20 + 1);
  ScreenToClient(child, &p);
  EXPECT_EQ(p.x, 0);
  RECT wr;
  GetWindowRect(child, &wr);
  EXPECT_EQ(wr.left, 100 + 4 + 10);
  EXPECT_EQ(RectWidth(wr), 50);
}

TEST_F(WindowLifecycle, WindowProceduresCanBeReplacedChainedAndCompared) {
  HWND h = Top(0, 0, 100, 100);
  WNDPROC original = GetWindowProc(h);
  WNDCLASS wc;
  ASSERT_TRUE(GetClassInfo(HInstance(), "recorder", &wc));
  EXPECT_EQ(wc.lpfnWndProc, original);
  std::vector<int> calls;
  WNDPROC previous = nullptr;
  WNDPROC mine = MakeWndProc([&](HWND hh, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) calls.push_back(1);
    return CallWindowProc(previous, hh, m, w, l);
  });
  previous = SetWindowProc(h, mine);
  EXPECT_EQ(previous, original);
  EXPECT_EQ(GetWindowProc(h), mine);
  log.clear();
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(MessagesOf(h), (Msgs{WM_USER}));
  SetWindowProc(h, previous);
  FreeWndProc(mine);
  EXPECT_EQ(CallWindowProc(mine, h, WM_USER, 0, 0), 0);
  EXPECT_EQ(calls.size(), 1u);
  EXPECT_EQ(StaticWndProc(&DefWindowProc), DefWindowProcInstance());
}

TEST_F(WindowLifecycle, AProcedureFreedWhileItRunsFinishesItsCall) {
  HWND h = Top(0, 0, 100, 100);
  WNDPROC self = nullptr;
  int after = 0;
  std::vector<int> payload(100, 7);
  self = MakeWndProc([&, payload](HWND hh, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) {
      FreeWndProc(self);
      after = payload[99];  // the closure is still alive here
    }
    return DefWindowProc(hh, m, w, l);
  });
  SetWindowProc(h, self);
  SendMessage(h, WM_USER, 0, 0);
  EXPECT_EQ(after, 7);
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);  // gone now: nothing runs
}

TEST_F(WindowLifecycle, AProcedureFreedInANestedCallLastsUntilTheOutermostReturns) {
  HWND h = Top(0, 0, 100, 100);
  WNDPROC self = nullptr;
  std::vector<int> seen;
  std::vector<int> payload(100, 7);
  self = MakeWndProc([&, payload](HWND hh, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) {
      EXPECT_EQ(SendMessage(hh, WM_USER + 1, 0, 0), 2);
      seen.push_back(payload[99]);  // freed one level down, still alive here
      return 1;
    }
    if (m == WM_USER + 1) {
      FreeWndProc(self);
      seen.push_back(payload[0]);
      return 2;
    }
    return DefWindowProc(hh, m, w, l);
  });
  SetWindowProc(h, self);
  EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 1);
  EXPECT_EQ(seen, (std::vector<int>{7, 7}));
  EXPECT_EQ(CallWindowProc(self, h, WM_USER, 0, 0), 0);
}

TEST_F(WindowLifecycle, AProcedureFreedAndThrowingIsFreedOnTheWayOut) {
  HWND h = Top(0, 0, 100, 100);
  WNDPROC self = nullptr;
  auto payload = std::make_shared<int>(3);  // a leak of the procedure would keep it
  std::weak_ptr<int> watch = payload;
  self = MakeWndProc([&self, payload](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
    FreeWndProc(self);
    throw EInvalidOperation("refused");
  });
  payload.reset();
  EXPECT_THROW(CallWindowProc(self, h, WM_USER, 0, 0), EInvalidOperation);
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(CallWindowProc(self, h, WM_USER, 0, 0), 0);
}

TEST_F(WindowLifecycle, ManyProceduresEachAnswerForThemselvesUntilFreed) {
  HWND h = Top(0, 0, 100, 100);
  // More procedures than the lookups remember, called out of order, so
  // that they keep taking each other's places.
  std::vector<WNDPROC> procs;
  for (LRESULT i = 0; i < 300; ++i)
    procs.push_back(MakeWndProc([i](HWND, UINT, WPARAM, LPARAM) { return i + 1; }));
  auto answers = [&] {
    std::vector<LRESULT> r;
    for (std::size_t step = 0; step < procs.size(); ++step) {
      const std::size_t i = (step * 67) % procs.size();
      if (CallWindowProc(procs[i], h, WM_USER, 0, 0) != (i % 3 == 0 ? 0 : LRESULT(i) + 1))
        r.push_back(LRESULT(i));
    }
    return r;
  };
  for (std::size_t i = 0; i < procs.size(); ++i)
    EXPECT_EQ(CallWindowProc(procs[i], h, WM_USER, 0, 0), LRESULT(i) + 1);
  for (std::size_t i = 0; i < procs.size(); i += 3) FreeWndProc(procs[i]);
  EXPECT_EQ(answers(), std::vector<LRESULT>{}) << "the indexes that answered wrongly";
  EXPECT_EQ(CallWindowProc(nullptr, h, WM_USER, 0, 0), 0);
  for (std::size_t i = 0; i < procs.size(); ++i) FreeWndProc(procs[i]);
}

TEST_F(WindowLifecycle, ADestroyedWindowIsUnknownAtOnceToEveryThread) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  // `a` destroyed from inside its own message, right after being looked up.
  bool gone = false;
  handler = [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (h != a || m != WM_USER) return std::nullopt;
    DestroyWindow(a);
    gone = !IsWindow(a) && GetParent(a) == nullptr && IsWindow(b);
    return 0;
  };
  ASSERT_TRUE(IsWindow(a));
  SendMessage(a, WM_USER, 0, 0);
  handler = nullptr;  // it names this test's locals; the system's end still sends messages
  EXPECT_TRUE(gone);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(SendMessage(a, WM_GETTEXTLENGTH, 0, 0), 0);
  EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
  bool otherSeesA = true, otherSeesB = false;
  std::thread other([&] {
    otherSeesA = IsWindow(a);
    otherSeesB = IsWindow(b);
  });
  other.join();
  EXPECT_FALSE(otherSeesA);
  EXPECT_TRUE(otherSeesB);
}

TEST_F(WindowLifecycle, TextGoesThroughMessages) {
  HWND h = Top(0, 0, 100, 100);
  EXPECT_EQ(GetWindowText(h), "top");
  SetWindowText(h, "Zorvet");
  EXPECT_EQ(GetWindowText(h), "Zorvet");
}

TEST_F(WindowLifecycle, DisablingCancelsModesAndTakesTheFocus) {
  HWND top = Top(0, 0, 200, 200);
  HWND child = Child(top, 0, 0, 50, 50);
  SetFocus(child);
  SetCapture(child);
  log.clear();
  EXPECT_FALSE(EnableWindow(child, FALSE));
  EXPECT_EQ(MessagesOf(child, {WM_CANCELMODE, WM_CAPTURECHANGED, WM_KILLFOCUS, WM_ENABLE}),
            (Msgs{WM_CANCELMODE, WM_CAPTURECHANGED, WM_KILLFOCUS, WM_ENABLE}));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(EnableWindow(child, TRUE));
}

TEST_F(WindowLifecycle, RedrawFlagFollowsWmSetRedraw) {
  HWND h = Top(0, 0, 100, 100);
  EXPECT_TRUE(IsRedrawEnabled(h));
  SendMessage(h, WM_SETREDRAW, FALSE, 0);
  EXPECT_FALSE(IsRedrawEnabled(h));
  SendMessage(h, WM_SETREDRAW, TRUE, 0);
  EXPECT_TRUE(IsRedrawEnabled(h));
}

}  // namespace
