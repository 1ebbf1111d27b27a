// tests/win/EditControlTest.cpp
#include <cstring>
#include <string>

#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Paint.h"
#include "platform/win/WinNotify.h"
#include "tests/win/DrawingTestSupport.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class EditTest : public WindowTest {
 protected:
  EditTest() {
    top = Top(100, 100, 300, 200);
    LOGFONT lf;
    lf.lfHeight = -11;
    std::strcpy(lf.lfFaceName, "Tahoma");
    font = CreateFontIndirect(&lf);
  }
  ~EditTest() override { DeleteObject(font); }

  HWND MakeEdit(DWORD style = 0, const char* text = "", int width = 120, int height = 20) {
    HWND e = CreateWindowEx(0, WC_EDIT, text, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height,
                            top, reinterpret_cast<HMENU>(std::uintptr_t{7}), HInstance(), nullptr);
    SendMessage(e, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return e;
  }

  // The edit codes the parent got, in order.
  std::vector<WORD> Codes() const {
    std::vector<WORD> r;
    for (const auto& m : log)
      if (m.hwnd == top && m.message == WM_COMMAND) r.push_back(HIWORD(m.wParam));
    return r;
  }

  static std::pair<DWORD, DWORD> Sel(HWND e) {
    DWORD s = 0, t = 0;
    SendMessage(e, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&t));
    return {s, t};
  }
  static void SetSel(HWND e, int s, int t) { SendMessage(e, EM_SETSEL, s, t); }
  static void ReplaceSel(HWND e, const char* text, bool undo = true) {
    SendMessage(e, EM_REPLACESEL, undo, reinterpret_cast<LPARAM>(text));
  }

  void Type(const std::u32string& chars) {
    for (char32_t c : chars) InjectChar(c);
    Pump();
  }
  // A key with modifiers held, as the user presses it.
  void Press(UINT vk, bool shift = false, bool ctrl = false) {
    if (shift) InjectKeyDown(VK_SHIFT);
    if (ctrl) InjectKeyDown(VK_CONTROL);
    InjectKey(vk);
    if (ctrl) InjectKeyUp(VK_CONTROL);
    if (shift) InjectKeyUp(VK_SHIFT);
    Pump();
  }
  POINT ScreenPoint(HWND e, int x, int y) {
    POINT p{x, y};
    ClientToScreen(e, &p);
    return p;
  }

  HWND top = nullptr;
  HFONT font = nullptr;
};

TEST_F(EditTest, TheClassIsThereWithEveryWindowSystem) {
  WNDCLASS wc;
  EXPECT_TRUE(GetClassInfo(HInstance(), "EDIT", &wc));
  EXPECT_TRUE(GetClassInfo(HInstance(), TOOLTIPS_CLASS, &wc));
}

TEST_F(EditTest, TextChangesNotifyTheParentUpdateBeforeChange) {
  HWND e = MakeEdit(0, "first");
  EXPECT_EQ(GetWindowText(e), "first");
  log.clear();
  SetWindowText(e, "second");
  EXPECT_EQ(GetWindowText(e), "second");
  EXPECT_EQ(Codes(), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
  const auto cmd = Find(WM_COMMAND);
  ASSERT_FALSE(cmd.empty());
  EXPECT_EQ(LOWORD(cmd[0].wParam), 7);
  EXPECT_EQ(reinterpret_cast<HWND>(cmd[0].lParam), e);
  char buf[4];
  EXPECT_EQ(SendMessage(e, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf)), 3);
  EXPECT_STREQ(buf, "sec");
  log.clear();
  SetSel(e, 0, -1);
  EXPECT_TRUE(Codes().empty()) << "selecting changes nothing";
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 6}));
  ReplaceSel(e, "third");
  EXPECT_EQ(GetWindowText(e), "third");
  EXPECT_EQ(Codes(), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
}

TEST_F(EditTest, SelectionPositionsLandOnWholeCharacters) {
  // "a", e-acute (2 bytes), euro sign (3 bytes), an emoji (4 bytes), "b".
  HWND e = MakeEdit(0,
                    "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"
                    "b");
  struct Case {
    int from, to;
    DWORD start, end;
  } cases[] = {{2, 2, 1, 1},   {4, 5, 3, 3},   {7, 9, 6, 6},
               {1, 10, 1, 10}, {0, -1, 0, 11}, {20, 30, 11, 11}};
  for (const auto& c : cases) {
    SetSel(e, c.from, c.to);
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{c.start, c.end})) << c.from << ".." << c.to;
  }
}

TEST_F(EditTest, KeysMoveAndDeleteByWholeCharacters) {
  HWND e = MakeEdit(0,
                    "a\xC3\xA9\xE2\x82\xAC"
                    "b");
  SetFocus(e);
  Press(VK_END);
  EXPECT_EQ(Sel(e).first, 7u);
  const DWORD expected[] = {6, 3, 1, 0, 0};
  for (DWORD pos : expected) {
    Press(VK_LEFT);
    EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{pos, pos}));
  }
  Press(VK_RIGHT, true);
  Press(VK_RIGHT, true);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 3}));
  Press(VK_DELETE);
  EXPECT_EQ(GetWindowText(e),
            "\xE2\x82\xAC"
            "b");
  Press(VK_END);
  Type(U"\b\b");
  EXPECT_EQ(GetWindowText(e), "");
  Type(U"x\u00E9\U0001F600");  // code points arrive as WM_CHAR and are stored as UTF-8
  EXPECT_EQ(GetWindowText(e), "x\xC3\xA9\xF0\x9F\x98\x80");
  Press(VK_HOME, true);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 7}));
}

TEST_F(EditTest, CtrlArrowsJumpByWords) {
  HWND e = MakeEdit(0, "one two  three");
  SetFocus(e);
  Press(VK_HOME);
  const DWORD right[] = {4, 9, 14, 14};
  for (DWORD pos : right) {
    Press(VK_RIGHT, false, true);
    EXPECT_EQ(Sel(e).second, pos);
  }
  const DWORD left[] = {9, 4, 0};
  for (DWORD pos : left) {
    Press(VK_LEFT, false, true);
    EXPECT_EQ(Sel(e).second, pos);
  }
  Press(VK_RIGHT, true, true);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 4}));
}

TEST_F(EditTest, TheLimitCutsTypingAndPastingAtACharacterBoundary) {
  HWND e = MakeEdit();
  SendMessage(e, EM_LIMITTEXT, 5, 0);
  EXPECT_EQ(SendMessage(e, EM_GETLIMITTEXT, 0, 0), 5);
  SetFocus(e);
  Type(U"abcd");
  log.clear();
  SetClipboardText("\xC3\xA9\xC3\xA9");  // two 2-byte characters; only none fits in one byte
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), "abcd");
  EXPECT_EQ(Codes(), (std::vector<WORD>{EN_MAXTEXT}));
  Type(U"e");
  EXPECT_EQ(GetWindowText(e), "abcde");
  Type(U"f");
  EXPECT_EQ(GetWindowText(e), "abcde");
  // WM_SETTEXT is not bound by the limit.
  SetWindowText(e, "longer than five");
  EXPECT_EQ(GetWindowText(e), "longer than five");
}

TEST_F(EditTest, ClipboardCutCopyPasteAndClear) {
  HWND e = MakeEdit(0, "hello world");
  SetSel(e, 0, 5);
  SendMessage(e, WM_COPY, 0, 0);
  EXPECT_EQ(GetClipboardText(), "hello");
  SetSel(e, 5, 11);
  SendMessage(e, WM_CUT, 0, 0);
  EXPECT_EQ(GetClipboardText(), " world");
  EXPECT_EQ(GetWindowText(e), "hello");
  SetSel(e, 0, 0);
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), " worldhello");
  EXPECT_EQ(Sel(e).first, 6u);
  SetSel(e, 0, 1);
  SendMessage(e, WM_CLEAR, 0, 0);
  EXPECT_EQ(GetWindowText(e), "worldhello");
  // A single line takes the first line of what is pasted; a multi-line edit all of it.
  SetClipboardText("one\r\ntwo");
  SetWindowText(e, "");
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), "one");
  HWND m = MakeEdit(ES_MULTILINE);
  SendMessage(m, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(m), "one\r\ntwo");
  EXPECT_EQ(SendMessage(m, EM_GETLINECOUNT, 0, 0), 2);
}

TEST_F(EditTest, ALinkedClipboardSharesTextWithTheDesktop) {
  String desktop = "from the desktop";
  bool offline = false;
  SetClipboardLink({[&](const String& t) { desktop = t; },
                    [&]() -> std::optional<String> {
                      if (offline) return std::nullopt;
                      return desktop;
                    }});
  HWND e = MakeEdit(0, "mine");
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), "from the desktopmine");
  SetSel(e, 16, 20);
  SendMessage(e, WM_COPY, 0, 0);
  EXPECT_EQ(desktop, "mine");
  // Without an answer from the desktop the program's own copy serves.
  desktop = "lost";
  offline = true;
  EXPECT_EQ(GetClipboardText(), "mine");
  SetClipboardLink({});
}

TEST_F(EditTest, ClipboardKeysOfTheKeyboard) {
  HWND e = MakeEdit(0, "abc");
  SetFocus(e);
  Type(U"\x01\x03");  // Ctrl+A, Ctrl+C
  EXPECT_EQ(GetClipboardText(), "abc");
  Type(U"\x18");  // Ctrl+X
  EXPECT_EQ(GetWindowText(e), "");
  Type(U"\x16\x16");  // Ctrl+V twice
  EXPECT_EQ(GetWindowText(e), "abcabc");
  Type(U"\x1B\r\t");  // Escape, Enter and Tab type nothing in a single line
  EXPECT_EQ(GetWindowText(e), "abcabc");
}

TEST_F(EditTest, ReadOnlyRefusesTheUserButNotTheProgram) {
  HWND e = MakeEdit(0, "fixed");
  EXPECT_TRUE(SendMessage(e, EM_SETREADONLY, TRUE, 0));
  EXPECT_TRUE(GetWindowLongPtr(e, GWL_STYLE) & ES_READONLY);
  SetFocus(e);
  const int beeps = system.BeepCount();
  Type(U"x\b");
  SetSel(e, 0, 2);
  SendMessage(e, WM_CUT, 0, 0);
  SendMessage(e, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(e), "fixed");
  EXPECT_GT(system.BeepCount(), beeps);
  EXPECT_EQ(GetClipboardText(), "fi") << "copying is allowed";
  ReplaceSel(e, "FI");
  EXPECT_EQ(GetWindowText(e), "FIxed");
  SendMessage(e, EM_SETREADONLY, FALSE, 0);
  Type(U"!");
  EXPECT_EQ(GetWindowText(e), "FI!xed");
}

TEST_F(EditTest, APasswordShowsMasksAndNeverReachesTheClipboard) {
  HWND e = MakeEdit(ES_PASSWORD, "secret");
  EXPECT_EQ(SendMessage(e, EM_GETPASSWORDCHAR, 0, 0), '*');
  SetClipboardText("before");
  SetSel(e, 0, -1);
  SendMessage(e, WM_COPY, 0, 0);
  SendMessage(e, WM_CUT, 0, 0);
  EXPECT_EQ(GetClipboardText(), "before");
  // The caret stands after six masks, whatever the characters' own widths.
  SetWindowText(e, "\xC3\xA9\xC3\xA9\xC3\xA9");
  const LRESULT three = SendMessage(e, EM_POSFROMCHAR, 6, 0);
  SetWindowText(e, "iii");
  EXPECT_EQ(SendMessage(e, EM_POSFROMCHAR, 3, 0), three);
  SendMessage(e, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_EQ(SendMessage(e, EM_GETPASSWORDCHAR, 0, 0), 0);
  EXPECT_FALSE(GetWindowLongPtr(e, GWL_STYLE) & ES_PASSWORD);
}

TEST_F(EditTest, UndoTakesBackTheLastChangeAndUndoingAgainRedoesIt) {
  HWND e = MakeEdit(0, "start");
  EXPECT_FALSE(SendMessage(e, EM_CANUNDO, 0, 0));
  SetFocus(e);
  Press(VK_END);
  Type(U" more");  // typing in a row is one change
  EXPECT_TRUE(SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_TRUE(SendMessage(e, EM_GETMODIFY, 0, 0));
  Type(U"\x1A");  // Ctrl+Z
  EXPECT_EQ(GetWindowText(e), "start");
  SendMessage(e, WM_UNDO, 0, 0);
  EXPECT_EQ(GetWindowText(e), "start more");
  // Moving the caret ends the typed change.
  Press(VK_HOME);
  Type(U"x");
  SendMessage(e, EM_UNDO, 0, 0);
  EXPECT_EQ(GetWindowText(e), "start more");
  ReplaceSel(e, "not undoable", false);
  SendMessage(e, EM_EMPTYUNDOBUFFER, 0, 0);
  EXPECT_FALSE(SendMessage(e, EM_UNDO, 0, 0));
  SetWindowText(e, "new");
  EXPECT_FALSE(SendMessage(e, EM_CANUNDO, 0, 0));
  EXPECT_FALSE(SendMessage(e, EM_GETMODIFY, 0, 0));
}

TEST_F(EditTest, TheFormattingRectangleFollowsMarginsAndSize) {
  HWND e = MakeEdit(ES_MULTILINE, "", 120, 40);
  RECT r;
  SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  const int fontMargin = LOWORD(SendMessage(e, EM_GETMARGINS, 0, 0));
  EXPECT_GT(fontMargin, 0) << "a font brings its margins";
  EXPECT_EQ(r, (RECT{fontMargin, 0, 120 - fontMargin, 40}));
  SendMessage(e, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(3, 5));
  EXPECT_EQ(SendMessage(e, EM_GETMARGINS, 0, 0), MAKELRESULT(3, 5));
  SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (RECT{3, 0, 115, 40}));
  const RECT narrow{2, 1, 60, 39};
  SendMessage(e, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&narrow));
  SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, narrow);
  // Text starts at the rectangle's corner and clicks are measured from it.
  SetWindowText(e, "abc");
  EXPECT_EQ(SendMessage(e, EM_POSFROMCHAR, 0, 0), MAKELRESULT(2, 1));
  SetWindowPos(e, nullptr, 0, 0, 100, 40, SWP_NOMOVE | SWP_NOZORDER);
  SendMessage(e, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r, (RECT{3, 0, 95, 40})) << "a new size makes the rectangle again from the margins";
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretInTheRectangle) {
  HWND e = MakeEdit(0, "", 60, 20);
  const RECT narrow{0, 0, 40, 20};
  SendMessage(e, EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&narrow));
  SetFocus(e);
  Type(U"a rather long line of text that cannot fit");
  const size_t n = GetWindowText(e).size();
  const int caretX = GET_X_LPARAM(SendMessage(e, EM_POSFROMCHAR, n, 0));
  EXPECT_GE(caretX, 0);
  EXPECT_LT(caretX, 40);
  EXPECT_LT(GET_X_LPARAM(SendMessage(e, EM_POSFROMCHAR, 0, 0)), 0) << "the start scrolled out";
  Press(VK_HOME);
  EXPECT_EQ(GET_X_LPARAM(SendMessage(e, EM_POSFROMCHAR, 0, 0)), 0);
}

TEST_F(EditTest, MultiLineEditsBreakLinesWithEnterAndMoveBetweenThem) {
  HWND e = MakeEdit(ES_MULTILINE, "", 120, 60);
  SetFocus(e);
  Type(U"first\rsecond");
  EXPECT_EQ(GetWindowText(e), "first\r\nsecond");
  EXPECT_EQ(SendMessage(e, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessage(e, EM_LINEINDEX, 1, 0), 7);
  Press(VK_HOME);
  Press(VK_LEFT);
  EXPECT_EQ(Sel(e).first, 5u) << "the line break is one step";
  Press(VK_DOWN);
  EXPECT_EQ(SendMessage(e, EM_LINEFROMCHAR, -1, 0), 1);
  Press(VK_HOME, false, true);
  EXPECT_EQ(Sel(e).first, 0u);
  Press(VK_END, true, true);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{0, 13}));
  Type(U"\b");
  EXPECT_EQ(GetWindowText(e), "");
}

TEST_F(EditTest, AParentMayChangeTheTextWhileItHearsOfAChange) {
  // As an edit that must stay one line does: line breaks typed or pasted
  // into a multi-line edit are taken out again at once.
  HWND e = MakeEdit(ES_MULTILINE);
  handler = [e](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_COMMAND || HIWORD(w) != EN_CHANGE) return std::nullopt;
    String text = GetWindowText(e);
    const size_t at = text.find("\r\n");
    if (at == String::npos) return std::nullopt;
    text.erase(at, 2);
    SetWindowText(e, text);
    SendMessage(e, EM_SETSEL, at, at);
    return 0;
  };
  SetFocus(e);
  Type(U"ab\rc");
  EXPECT_EQ(GetWindowText(e), "abc");
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{3, 3}));
  handler = nullptr;
}

TEST_F(EditTest, TheMouseSetsTheCaretAndDragsASelection) {
  HWND e = MakeEdit(0, "abcdef ghij");
  const int xOf3 = GET_X_LPARAM(SendMessage(e, EM_POSFROMCHAR, 3, 0));
  const int xOf6 = GET_X_LPARAM(SendMessage(e, EM_POSFROMCHAR, 6, 0));
  InjectMouseMove(ScreenPoint(e, xOf3, 5));
  InjectButtonDown(TInputButton::Left, ScreenPoint(e, xOf3, 5));
  InjectMouseMove(ScreenPoint(e, xOf6 + 1, 5));
  InjectButtonUp(TInputButton::Left, ScreenPoint(e, xOf6 + 1, 5));
  Pump();
  EXPECT_EQ(GetFocus(), e);
  EXPECT_EQ(Sel(e), (std::pair<DWORD, DWORD>{3, 6}));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(SendMessage(e, EM_CHARFROMPOS, 0, MAKELPARAM(xOf3, 5)), MAKELRESULT(3, 0));
}

TEST_F(EditTest, AParentMayDestroyTheEditWhileItIsTold) {
  HWND e = MakeEdit(0, "abc");
  SetFocus(e);
  handler = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_COMMAND && HIWORD(w) == EN_UPDATE && IsWindow(e)) DestroyWindow(e);
    return std::nullopt;
  };
  Type(U"x");
  EXPECT_FALSE(IsWindow(e));
  // Losing the focus on the way out is told; the change it no longer shows is not.
  EXPECT_EQ(Codes(), (std::vector<WORD>{EN_SETFOCUS, EN_UPDATE, EN_KILLFOCUS}));
  handler = nullptr;  // it refers to this test's locals; the system outlives them
}

TEST_F(EditTest, AnEditWithASelectionLooksRight) {
  HWND e = MakeEdit(WS_BORDER, "Zorvet catalogue", 140, 22);
  SetFocus(e);
  SetSel(e, 7, 16);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(e, true), "edit-selection.png", 8, 20));
}

}  // namespace
