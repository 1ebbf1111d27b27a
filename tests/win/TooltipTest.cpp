// tests/win/TooltipTest.cpp
#include <cstring>

#include "platform/rtl/Unicode.h"
#include "platform/win/Font.h"
#include "platform/win/Paint.h"
#include "platform/win/WinNotify.h"
#include "tests/win/DrawingTestSupport.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class TooltipTest : public WindowTest {
 protected:
  TooltipTest() {
    owner = Top(50, 50, 400, 300);
    text = Utf8ToUtf16("First line\nSecond line");
  }

  HWND MakeTip(DWORD styles = TTS_BALLOON) {
    HWND tip =
        CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP | styles,
                       0, 0, 0, 0, nullptr, nullptr, HInstance(), nullptr);
    tool.uFlags = TTF_TRACK;
    tool.hwnd = owner;
    tool.uId = 1;
    tool.lpszText = text.data();
    SendMessage(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return tip;
  }
  static void Track(HWND tip, int x, int y) {
    SendMessage(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(x, y));
  }
  void Activate(HWND tip, bool on) {
    SendMessage(tip, TTM_TRACKACTIVATE, on, reinterpret_cast<LPARAM>(&tool));
  }
  static RECT WindowRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
  }

  HWND owner = nullptr;
  WideString text;
  TOOLINFOW tool;
};

TEST_F(TooltipTest, TrackingShowsATopmostBalloonWhoseStemEndsAtThePoint) {
  HWND tip = MakeTip();
  EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
  Track(tip, 200, 200);
  EXPECT_FALSE(IsWindowVisible(tip)) << "not before tracking is on";
  Activate(tip, true);
  ASSERT_TRUE(IsWindowVisible(tip));
  EXPECT_TRUE(GetWindowLongPtr(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_NE(GetActiveWindow(), tip);
  RECT r = WindowRect(tip);
  EXPECT_EQ(r.bottom, 201) << "above the point, the stem's tip on it";
  EXPECT_LE(r.left, 200);
  EXPECT_GT(r.right, 200);
  // Moving the point moves the balloon; near the screen's top it turns below the point.
  Track(tip, 300, 5);
  r = WindowRect(tip);
  EXPECT_EQ(r.top, 5);
  Activate(tip, false);
  EXPECT_FALSE(IsWindowVisible(tip));
}

TEST_F(TooltipTest, TitleTextAndMaximumWidthShapeTheBalloon) {
  HWND tip = MakeTip();
  Track(tip, 200, 300);
  Activate(tip, true);
  const RECT plain = WindowRect(tip);
  SendMessage(tip, TTM_SETTITLEA, TTI_WARNING, reinterpret_cast<LPARAM>("Title"));
  const RECT titled = WindowRect(tip);
  EXPECT_GT(titled.bottom - titled.top, plain.bottom - plain.top);
  EXPECT_EQ(SendMessage(tip, TTM_SETMAXTIPWIDTH, 0, 40), -1);
  EXPECT_EQ(SendMessage(tip, TTM_GETMAXTIPWIDTH, 0, 0), 40);
  const RECT wrapped = WindowRect(tip);
  EXPECT_GT(wrapped.bottom - wrapped.top, titled.bottom - titled.top)
      << "the lines break between words";
  WideString longer = Utf8ToUtf16("A much longer text than before");
  tool.lpszText = longer.data();
  SendMessage(tip, TTM_SETMAXTIPWIDTH, 0, -1);
  SendMessage(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_GT(WindowRect(tip).right - WindowRect(tip).left, titled.right - titled.left);
}

TEST_F(TooltipTest, ColoursAndFontAreKept) {
  HWND tip = MakeTip();
  EXPECT_EQ(static_cast<COLORREF>(SendMessage(tip, TTM_GETTIPBKCOLOR, 0, 0)),
            GetSysColor(COLOR_INFOBK));
  SendMessage(tip, TTM_SETTIPBKCOLOR, RGB(1, 2, 3), 0);
  SendMessage(tip, TTM_SETTIPTEXTCOLOR, RGB(4, 5, 6), 0);
  EXPECT_EQ(static_cast<COLORREF>(SendMessage(tip, TTM_GETTIPBKCOLOR, 0, 0)), RGB(1, 2, 3));
  EXPECT_EQ(static_cast<COLORREF>(SendMessage(tip, TTM_GETTIPTEXTCOLOR, 0, 0)), RGB(4, 5, 6));
  HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  SendMessage(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(tip, WM_GETFONT, 0, 0)), font);
  DestroyWindow(tip);
  DeleteObject(font);
}

TEST_F(TooltipTest, RemovingTheTrackedToolHidesTheTipAndAddingAgainShowsIt) {
  HWND tip = MakeTip();
  Track(tip, 200, 200);
  Activate(tip, true);
  SendMessage(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
  EXPECT_FALSE(IsWindowVisible(tip));
  SendMessage(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  Activate(tip, true);
  EXPECT_TRUE(IsWindowVisible(tip));
  // Adding the same tool again replaces it.
  SendMessage(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
}

TEST_F(TooltipTest, AToolWithoutTextAsksItsWindowForIt) {
  HWND tip = MakeTip();
  TOOLINFOA asking;
  asking.uFlags = TTF_TRACK;
  asking.hwnd = owner;
  asking.uId = 2;
  asking.lpszText = LPSTR_TEXTCALLBACKA;
  SendMessage(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&asking));
  int asked = 0;
  handler = [&](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (h != owner || m != WM_NOTIFY) return std::nullopt;
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(l);
    if (info->hdr.code != TTN_GETDISPINFOA || info->hdr.idFrom != 2) return std::nullopt;
    ++asked;
    std::strcpy(info->szText, "asked for");
    return 0;
  };
  Track(tip, 200, 200);
  SendMessage(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&asking));
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(IsWindowVisible(tip));
  handler = nullptr;  // it refers to this test's locals; the system outlives them
}

TEST_F(TooltipTest, APlainTipSitsAtThePointAsARectangle) {
  HWND tip = MakeTip(0);
  Track(tip, 120, 140);
  Activate(tip, true);
  const RECT r = WindowRect(tip);
  EXPECT_EQ(r.left, 120);
  EXPECT_EQ(r.top, 140);
  Pump();
  // Framed, and filled with the tip colour inside.
  const TSurface drawn = CaptureWindow(tip);
  ASSERT_GT(drawn.Width(), 4);
  EXPECT_EQ(drawn.Row(0)[0] & 0xFFFFFF, PixelOf(0, 0, 0));
  EXPECT_EQ(drawn.Row(1)[1] & 0xFFFFFF,
            PixelOf(GetRValue(GetSysColor(COLOR_INFOBK)), GetGValue(GetSysColor(COLOR_INFOBK)),
                    GetBValue(GetSysColor(COLOR_INFOBK))));
}

TEST_F(TooltipTest, ABalloonWithATitleAndTwoLinesLooksRight) {
  HWND tip = MakeTip();
  HFONT font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Tahoma");
  SendMessage(tip, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessage(tip, TTM_SETTITLEA, TTI_INFO, reinterpret_cast<LPARAM>("No files found"));
  Track(tip, 200, 200);
  Activate(tip, true);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(tip), "balloon-title.png", 8, 30));
  DestroyWindow(tip);
  DeleteObject(font);
}

}  // namespace
