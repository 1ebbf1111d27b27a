// tests/win/TooltipHoverTest.cpp
//
// The tooltip's hover mode: tips that show when the pointer rests on a tool.
#include "platform/win/Input.h"
#include "platform/win/WinNotify.h"
#include "platform/win/WindowPos.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class TooltipHoverTest : public WindowTest {
 protected:
  TooltipHoverTest() {
    owner = Top(50, 50, 400, 300);
    button = Child(owner, 20, 20, 80, 30, WS_CHILD | WS_VISIBLE, 5);
    tip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, owner,
                         nullptr, HInstance(), nullptr);
  }
  void AddTool(HWND window, UINT flags, RECT rect, const char* text, UINT_PTR id = 1) {
    TOOLINFOA tool;
    tool.uFlags = flags;
    tool.hwnd = window;
    tool.uId = id;
    tool.rect = rect;
    tool.lpszText = const_cast<char*>(text);
    SendMessage(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  POINT On(HWND h, int x, int y) {
    POINT p{x, y};
    ClientToScreen(h, &p);
    return p;
  }
  void Wait(DWORD ms) {
    clock.Advance(ms);
    Pump();
  }
  bool Shown() { return IsWindowVisible(tip); }

  HWND owner = nullptr, button = nullptr, tip = nullptr;
};

TEST_F(TooltipHoverTest, ASubclassedToolShowsItsTipAfterTheInitialDelayBesideThePointer) {
  AddTool(button, TTF_SUBCLASS | TTF_IDISHWND, RECT{}, "Eject the disc",
          reinterpret_cast<UINT_PTR>(button));
  InjectMouseMove(On(button, 10, 10));
  Pump();
  Wait(499);
  EXPECT_FALSE(Shown());
  Wait(1);
  ASSERT_TRUE(Shown());
  RECT r;
  GetWindowRect(tip, &r);
  const POINT at = On(button, 10, 10);
  EXPECT_EQ(r.left, at.x);
  EXPECT_GT(r.top, at.y);  // below the pointer, clear of it
  EXPECT_TRUE(GetWindowLongPtr(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  // It goes after the auto-pop delay and does not come back while the pointer stays.
  Wait(5000);
  EXPECT_FALSE(Shown());
  InjectMouseMove(On(button, 12, 10));
  Pump();
  Wait(600);
  EXPECT_FALSE(Shown());
  // Leaving and coming back shows it again.
  InjectMouseMove(On(owner, 300, 200));
  Pump();
  InjectMouseMove(On(button, 10, 12));
  Pump();
  Wait(500);
  EXPECT_TRUE(Shown());
}

TEST_F(TooltipHoverTest, LeavingTheToolOrPressingAButtonHidesTheTip) {
  AddTool(owner, TTF_SUBCLASS, RECT{200, 100, 260, 140}, "Area");
  InjectMouseMove(On(owner, 210, 110));
  Pump();
  Wait(500);
  ASSERT_TRUE(Shown());
  InjectMouseMove(On(owner, 300, 200));
  Pump();
  EXPECT_FALSE(Shown());
  InjectMouseMove(On(owner, 210, 110));
  Pump();
  Wait(200);
  InjectButtonDown(TInputButton::Left, On(owner, 210, 110));  // before the delay
  InjectButtonUp(TInputButton::Left, On(owner, 210, 110));
  Pump();
  Wait(1000);
  EXPECT_FALSE(Shown());
}

TEST_F(TooltipHoverTest, RelayedEventsAndDelaysFromTheProgram) {
  AddTool(owner, 0, RECT{0, 0, 100, 100}, "Relayed");
  SendMessage(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 100);
  MSG m{};
  m.hwnd = owner;
  m.message = WM_MOUSEMOVE;
  m.lParam = MAKELPARAM(30, 30);
  SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  Wait(100);
  EXPECT_TRUE(Shown());
  // Without relaying, the tip never sees the pointer move.
  InjectMouseMove(On(owner, 300, 250));
  Pump();
  EXPECT_TRUE(Shown());
  // Tracking takes over from hovering.
  SendMessage(tip, TTM_DELTOOLA, 0, [&] {
    static TOOLINFOA t;
    t.hwnd = owner;
    t.uId = 1;
    return reinterpret_cast<LPARAM>(&t);
  }());
  EXPECT_FALSE(Shown());
}

}  // namespace
