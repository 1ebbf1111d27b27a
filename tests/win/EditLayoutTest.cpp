// tests/win/EditLayoutTest.cpp
//
// The edit's line layout (wrapping, alignment), its view scrolling and its
// blinking caret.
#include <cstring>

#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "tests/win/DrawingTestSupport.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class EditLayoutTest : public WindowTest {
 protected:
  EditLayoutTest() {
    top = Top(100, 100, 300, 200);
    LOGFONT lf;
    lf.lfHeight = -11;
    std::strcpy(lf.lfFaceName, "Tahoma");
    font = CreateFontIndirect(&lf);
  }
  ~EditLayoutTest() override { DeleteObject(font); }

  HWND MakeEdit(DWORD style, const char* text, int width = 120, int height = 60) {
    HWND e = CreateWindowEx(0, WC_EDIT, text, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height,
                            top, reinterpret_cast<HMENU>(std::uintptr_t{7}), HInstance(), nullptr);
    SendMessage(e, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return e;
  }
  static int Lines(HWND e) { return static_cast<int>(SendMessage(e, EM_GETLINECOUNT, 0, 0)); }
  static int LineStart(HWND e, int line) {
    return static_cast<int>(SendMessage(e, EM_LINEINDEX, line, 0));
  }
  static POINT PosOf(HWND e, int pos) {
    const auto r = static_cast<LPARAM>(SendMessage(e, EM_POSFROMCHAR, pos, 0));
    return POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
  }
  int Codes(WORD code) const {
    int n = 0;
    for (const auto& m : log)
      if (m.hwnd == top && m.message == WM_COMMAND && HIWORD(m.wParam) == code) ++n;
    return n;
  }
  // Whether the caret's column of pixels shows dark at `x` in line 0.
  bool CaretShown(HWND e, int x) {
    UpdateWindow(e);
    const TSurface shot = CaptureWindow(e);
    const TPixel p = shot.Row(4)[x];
    return PixelR(p) < 100 && PixelG(p) < 100 && PixelB(p) < 100;
  }

  HWND top = nullptr;
  HFONT font = nullptr;
};

TEST_F(EditLayoutTest, AMultiLineEditWithoutHorizontalScrollingWrapsAtBlanks) {
  HWND e = MakeEdit(ES_MULTILINE, "one two three four five six seven eight nine ten", 80);
  EXPECT_GT(Lines(e), 2);
  const RECT r = [&] {
    RECT x;
    SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&x));
    return x;
  }();
  for (int i = 1; i < Lines(e); ++i) {
    const int start = LineStart(e, i);
    // Each line starts a word, and the text before it fits the width.
    const String buf = GetWindowText(e);
    ASSERT_LT(start, static_cast<int>(buf.size()));
    EXPECT_EQ(buf[start - 1], ' ') << "line " << i;
    EXPECT_NE(buf[start], ' ') << "line " << i;
    EXPECT_EQ(PosOf(e, start).x, r.left) << "line " << i;
  }
  // The same text scrolls instead where ES_AUTOHSCROLL is set, and a hard
  // break still counts.
  HWND scrolling = MakeEdit(ES_MULTILINE | ES_AUTOHSCROLL, "one two three four five six\r\nseven");
  EXPECT_EQ(Lines(scrolling), 2);
}

TEST_F(EditLayoutTest, AWordLongerThanTheLineIsBrokenAndTheCaretWalksTheLines) {
  HWND e = MakeEdit(ES_MULTILINE, "abcdefghijklmnopqrstuvwxyzabcdefghijklmnop", 60);
  ASSERT_GE(Lines(e), 3);
  EXPECT_GT(LineStart(e, 1), 0);
  // Down from the first line lands on the second.
  SetFocus(e);
  SendMessage(e, EM_SETSEL, 1, 1);
  SendMessage(e, WM_KEYDOWN, VK_DOWN, 0);
  DWORD s = 0;
  SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), 0);
  EXPECT_GT(static_cast<int>(s), LineStart(e, 1));
  EXPECT_LT(static_cast<int>(s), LineStart(e, 2));
  // Wider, the lines join again.
  SetWindowPos(e, nullptr, 0, 0, 600, 60, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Lines(e), 1);
}

TEST_F(EditLayoutTest, CentredAndRightAlignedLinesSitInTheRectangle) {
  HWND left = MakeEdit(ES_LEFT, "ab", 120, 20);
  HWND centre = MakeEdit(ES_CENTER, "ab", 120, 20);
  HWND right = MakeEdit(ES_RIGHT, "ab", 120, 20);
  RECT r;
  SendMessage(right, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  const int width = PosOf(left, 2).x - PosOf(left, 0).x;
  EXPECT_EQ(PosOf(left, 0).x, r.left);
  EXPECT_NEAR(PosOf(centre, 0).x, r.left + (r.right - r.left - width) / 2, 1);
  EXPECT_EQ(PosOf(right, 2).x, r.right - 1);
  // A click left of a right-aligned text puts the caret at its start.
  SendMessage(right, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 2, 5));
  SendMessage(right, WM_LBUTTONUP, 0, MAKELPARAM(r.left + 2, 5));
  DWORD s = 9;
  SendMessage(right, EM_GETSEL, reinterpret_cast<WPARAM>(&s), 0);
  EXPECT_EQ(s, 0u);
}

TEST_F(EditLayoutTest, ScrollingTheViewTellsTheParent) {
  std::string text;
  for (int i = 0; i < 20; ++i) text += "line " + std::to_string(i) + "\r\n";
  HWND e = MakeEdit(ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, text.c_str(), 120, 40);
  log.clear();
  EXPECT_EQ(LOWORD(SendMessage(e, EM_SCROLL, 1, 0)), 1);  // a line down
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  EXPECT_EQ(Codes(EN_VSCROLL), 1);
  SendMessage(e, EM_LINESCROLL, 0, 100);  // far past the end: stops at the last page
  const auto first = SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0);
  EXPECT_GT(first, 10);
  EXPECT_LT(first, 21);
  SendMessage(e, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);  // up three lines
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), first - 3);
  EXPECT_EQ(Codes(EN_VSCROLL), 3);
  SendMessage(e, EM_SCROLL, 2, 0);  // page up, twice: to the top and no further
  SendMessage(e, EM_SCROLL, 2, 0);
  SendMessage(e, EM_SCROLL, 2, 0);
  SendMessage(e, EM_SCROLL, 2, 0);
  SendMessage(e, EM_SCROLL, 2, 0);
  SendMessage(e, EM_SCROLL, 2, 0);
  EXPECT_EQ(SendMessage(e, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  const int atTop = Codes(EN_VSCROLL);
  SendMessage(e, EM_SCROLL, 0, 0);
  EXPECT_EQ(Codes(EN_VSCROLL), atTop);  // nothing moved, nothing told
  // Sideways, for long lines.
  HWND wide =
      MakeEdit(ES_MULTILINE | ES_AUTOHSCROLL, "a long line that does not fit at all here", 60, 40);
  SendMessage(wide, EM_LINESCROLL, 5, 0);
  EXPECT_EQ(Codes(EN_HSCROLL), 1);
  EXPECT_LT(PosOf(wide, 0).x, 0);
}

TEST_F(EditLayoutTest, TheCaretBlinksOnTheClockAndShowsAtOnceAfterAMove) {
  HWND e = MakeEdit(0, "", 120, 20);
  SetFocus(e);
  Pump();
  const int x = PosOf(e, 0).x;
  EXPECT_TRUE(CaretShown(e, x));
  clock.Advance(530);
  Pump();
  EXPECT_FALSE(CaretShown(e, x));
  clock.Advance(530);
  Pump();
  EXPECT_TRUE(CaretShown(e, x));
  clock.Advance(530);
  Pump();
  EXPECT_FALSE(CaretShown(e, x));
  SendMessage(e, WM_CHAR, 'w', 0);
  const int after = PosOf(e, 1).x;
  EXPECT_TRUE(CaretShown(e, after));
  // Without the focus there is no caret and no timer.
  SetFocus(top);
  clock.Advance(2000);
  Pump();
  EXPECT_FALSE(CaretShown(e, after));
  EXPECT_FALSE(KillTimer(e, 1));
}

}  // namespace
