// tests/win/MessageQueueTest.cpp
#include <thread>

#include "platform/rtl/Exceptions.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class MessageQueue : public WindowTest {};

TEST_F(MessageQueue, SendMessageNestsAndReturnsEachAnswer) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  std::vector<int> trace;
  handler = [&](HWND h, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_USER) return std::nullopt;
    trace.push_back(static_cast<int>(w));
    if (w < 3) {
      const LRESULT inner = SendMessage(h == a ? b : a, WM_USER, w + 1, 0);
      trace.push_back(-static_cast<int>(w));
      return inner + 1;
    }
    return 100;
  };
  EXPECT_EQ(SendMessage(a, WM_USER, 0, 0), 103);
  EXPECT_EQ(trace, (std::vector<int>{0, 1, 2, 3, -2, -1, 0}));
}

TEST_F(MessageQueue, PostedMessagesArriveInOrderAfterTheSender) {
  HWND h = Top(0, 0, 100, 100);
  for (WPARAM i = 0; i < 5; ++i) PostMessage(h, WM_USER, i, 0);
  log.clear();
  Pump();
  std::vector<WPARAM> got;
  for (const auto& e : Find(WM_USER)) got.push_back(e.wParam);
  EXPECT_EQ(got, (std::vector<WPARAM>{0, 1, 2, 3, 4}));
}

// A real-time source, so that GetMessage waits for the other thread.
TEST(MessageQueueAcrossThreads, PostsKeepTheirOrderAndWakeTheWaitingLoop) {
  TWindowSystem system(std::make_unique<TRealTimeClock>());
  WNDCLASS wc;
  wc.lpszClassName = "Sink";
  std::vector<WPARAM> got;
  wc.lpfnWndProc = MakeWndProc([&](HWND hh, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER) got.push_back(w);
    return DefWindowProc(hh, m, w, l);
  });
  RegisterClass(wc);
  HWND h =
      CreateWindowEx(0, "Sink", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  std::thread poster([h] {
    for (WPARAM i = 0; i < 200; ++i) PostMessage(h, WM_USER, i, 0);
    PostMessage(h, WM_USER + 1, 0, 0);
  });
  MSG m;
  while (GetMessage(&m, nullptr, 0, 0)) {  // blocks until the poster's messages come
    DispatchMessage(&m);
    if (m.message == WM_USER + 1) break;
  }
  poster.join();
  ASSERT_EQ(got.size(), 200u);
  for (WPARAM i = 0; i < 200; ++i) EXPECT_EQ(got[i], i);
}

TEST_F(MessageQueue, AnEmptyQueueUnderTheHandClockReturnsToTheTest) {
  MSG m;
  m.message = 99;
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_NULL);
  EXPECT_FALSE(WaitMessage());
}

TEST_F(MessageQueue, QuitComesAfterWhatWasPostedBeforeIt) {
  HWND h = Top(0, 0, 100, 100);
  PostQuitMessage(3);
  PostMessage(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 3u);
}

TEST_F(MessageQueue, PeekFiltersByWindowAndRangeAndCanLeaveTheMessage) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  Pump();  // the new windows paint first
  PostMessage(a, WM_USER, 1, 0);
  PostMessage(b, WM_USER + 5, 2, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 2u);
  ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_REMOVE));
  EXPECT_EQ(m.hwnd, b);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.hwnd, a);
  EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, SendingToAWindowOfAnotherThreadIsRefused) {
  HWND h = Top(0, 0, 100, 100);
  bool refused = false;
  std::thread other([&] {
    try {
      SendMessage(h, WM_USER, 0, 0);
    } catch (const EInvalidOperation&) {
      refused = true;
    }
  });
  other.join();
  EXPECT_TRUE(refused);
}

TEST_F(MessageQueue, TranslateMessageTypesCharactersByTheKeyboardLayout) {
  HWND h = Top(0, 0, 100, 100);
  SetFocus(h);
  InjectKey('A');
  InjectKeyDown(VK_SHIFT);
  InjectKey('1');
  InjectKeyUp(VK_SHIFT);
  InjectChar(U'é');
  log.clear();
  Pump();
  std::vector<WPARAM> chars;
  for (const auto& e : Find(WM_CHAR)) chars.push_back(e.wParam);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', '!', U'é'}));
}

class Timers : public WindowTest {};

TEST_F(Timers, FireOnlyWhenDueAndOnlyOnceHoweverFarTheClockJumps) {
  HWND h = Top(0, 0, 100, 100);
  SetTimer(h, 7, 100);
  clock.Advance(99);
  log.clear();
  Pump();
  EXPECT_TRUE(Find(WM_TIMER).empty());
  clock.Advance(5000);
  Pump();
  ASSERT_EQ(Find(WM_TIMER).size(), 1u);
  EXPECT_EQ(Find(WM_TIMER)[0].wParam, 7u);
  clock.Advance(99);
  Pump();
  EXPECT_EQ(Find(WM_TIMER).size(), 1u);  // next due 100 ms after the message was made
  clock.Advance(1);
  Pump();
  EXPECT_EQ(Find(WM_TIMER).size(), 2u);
}

TEST_F(Timers, WaitBehindEverythingElseInTheQueue) {
  HWND h = Top(0, 0, 100, 100);
  Pump();  // the new window paints first
  SetTimer(h, 1, 10);
  clock.Advance(20);
  PostMessage(h, WM_USER, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
  ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_TIMER);
}

TEST_F(Timers, StopWithKillTimerAndWithTheirWindow) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  SetTimer(a, 1, 50);
  SetTimer(b, 1, 50);
  EXPECT_TRUE(KillTimer(a, 1));
  EXPECT_FALSE(KillTimer(a, 1));
  DestroyWindow(b);
  clock.Advance(100);
  log.clear();
  Pump();
  EXPECT_TRUE(Find(WM_TIMER).empty());
  EXPECT_EQ(SetTimer(b, 1, 50), 0u);
}

TEST_F(Timers, SeveralDueTimersEachGiveOneMessage) {
  HWND h = Top(0, 0, 100, 100);
  SetTimer(h, 1, 30);
  SetTimer(h, 2, 20);
  clock.Advance(1000);
  log.clear();
  Pump();
  std::vector<WPARAM> ids;
  for (const auto& e : Find(WM_TIMER)) ids.push_back(e.wParam);
  EXPECT_EQ(ids, (std::vector<WPARAM>{2, 1}));
  EXPECT_EQ(GetTickCount(), 1000u);
}

TEST_F(Timers, TimersDueOnTheSameTickFireInTheOrderTheyWereStarted) {
  HWND a = Top(0, 0, 100, 100);
  HWND b = Top(0, 0, 100, 100);
  // Neither window order nor id order matches the start order.
  SetTimer(b, 9, 50);
  SetTimer(a, 3, 50);
  SetTimer(a, 1, 50);
  SetTimer(b, 9, 50);  // restarted: keeps its place
  using Fired = std::pair<HWND, WPARAM>;
  const std::vector<Fired> started{{b, 9}, {a, 3}, {a, 1}};
  for (int round = 0; round < 2; ++round) {
    clock.Advance(50);
    log.clear();
    Pump();
    std::vector<Fired> fired;
    for (const auto& e : Find(WM_TIMER)) fired.emplace_back(e.hwnd, e.wParam);
    EXPECT_EQ(fired, started) << "round " << round;
  }
}

}  // namespace
