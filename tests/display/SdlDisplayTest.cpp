// tests/display/SdlDisplayTest.cpp
//
// The SDL display on a real (virtual) screen: the demonstration window is
// driven by SDL events as the desktop would send them, and what reaches the
// screen is compared with what the window drew and with a reference picture.
// Without a display every test skips.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "demo/DemoWindow.h"
#include "platform/display/SdlDisplay.h"
#include "platform/display/SdlKeys.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Edit.h"
#include "platform/win/Gdi.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Png.h"
#include "platform/win/Timer.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "tests/display/SdlTestSupport.h"

namespace {

class SdlDisplayTest : public testing::Test {
 protected:
  void SetUp() override {
    ZORVET_SKIP_WITHOUT_DISPLAY();
    display_ = std::make_unique<TSdlDisplay>(1);
    demo_ = CreateDemoWindow(60, 60);
    display_->Pump();
    ASSERT_NE(display_->WindowOf(demo_), nullptr);
    Settle();
  }

  void Settle() { SettleSdl(*display_); }
  void TearDown() override { display_.reset(); }

  Uint32 WindowId() const { return SdlWindowId(*display_, demo_); }

  void PushButton(Uint32 type, int x, int y) { PushSdlButton(WindowId(), type, x, y); }
  void PushKey(Uint32 type, SDL_Keycode key, SDL_Scancode code) {
    PushSdlKey(WindowId(), type, key, code);
  }
  void PushText(const char* utf8) { PushSdlText(WindowId(), utf8); }
  void PushWindowEvent(Uint8 event) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = WindowId();
    e.window.event = event;
    PushSdlEvent(e);
  }

  std::unique_ptr<TSdlDisplay> display_;
  HWND demo_ = nullptr;
};

}  // namespace

TEST_F(SdlDisplayTest, ClicksAndTypingReachTheWindowAndItsPictureTheScreen) {
  PushButton(SDL_MOUSEBUTTONDOWN, 200, 140);
  PushButton(SDL_MOUSEBUTTONUP, 200, 140);
  // A letter key sends both its key and its text: typed once, not twice.
  PushKey(SDL_KEYDOWN, SDLK_z, SDL_SCANCODE_Z);
  PushText("Z");
  PushKey(SDL_KEYUP, SDLK_z, SDL_SCANCODE_Z);
  // Text of another layout comes whole, whatever key made it.
  PushText("orvet ü");
  PushText("ß");
  // Backspace types no text: its character comes from the key.
  PushKey(SDL_KEYDOWN, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
  PushKey(SDL_KEYUP, SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE);
  display_->Pump();
  EXPECT_EQ(DemoTypedText(demo_), "Zorvet ü");

  const TSurface shown = display_->Screenshot(demo_);
  const TSurface drawn = CaptureWindow(demo_);
  ASSERT_EQ(DifferingPixels(shown, drawn, 0), 0) << "the screen shows what the window drew";

  EXPECT_LE(DifferingFromReference(shown, "SdlDemo.png", 8), shown.Width() * shown.Height() / 500)
      << "the screenshot no longer matches its reference";
}

// Copy and paste cross the desktop's clipboard both ways, and the link goes
// with the display.
TEST_F(SdlDisplayTest, EditsShareTheDesktopsClipboard) {
  HWND edit = CreateWindowEx(0, WC_EDIT, "Abbey Road ü", WS_CHILD, 0, 0, 120, 20, demo_, nullptr,
                             HInstance(), nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessage(edit, EM_SETSEL, 6, -1);
  SendMessage(edit, WM_COPY, 0, 0);
  char* desktop = SDL_GetClipboardText();
  ASSERT_NE(desktop, nullptr);
  EXPECT_STREQ(desktop, "Road ü");
  SDL_free(desktop);

  // Another program's copy replaces what this one copied last.
  ASSERT_EQ(SDL_SetClipboardText("Let It Be"), 0) << SDL_GetError();
  SendMessage(edit, EM_SETSEL, 0, -1);
  SendMessage(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(GetWindowText(edit), "Let It Be");
  EXPECT_EQ(GetClipboardText(), "Let It Be");
  DestroyWindow(edit);

  // Freed, the display no longer answers for the clipboard: a window system
  // of its own keeps a process clipboard apart from the desktop's.
  display_.reset();
  TWindowSystem own;
  ASSERT_EQ(SDL_SetClipboardText("Revolver"), 0) << SDL_GetError();
  EXPECT_EQ(GetClipboardText(), "");
  ASSERT_TRUE(SetClipboardText("Help!"));
  EXPECT_EQ(GetClipboardText(), "Help!");
  desktop = SDL_GetClipboardText();
  EXPECT_STRNE(desktop, "Help!");
  SDL_free(desktop);
}

TEST_F(SdlDisplayTest, DrawingOutsidePaintingReachesTheScreen) {
  HDC dc = GetDC(demo_);
  RECT r{0, 0, 20, 20};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(demo_, dc);
  display_->Pump();
  const TSurface shown = display_->Screenshot(demo_);
  EXPECT_EQ(shown.Pixel(5, 5) & 0xFFFFFF, 0u);
  EXPECT_EQ(shown.Pixel(5, 30) & 0xFFFFFF, 0xFFFFFFu) << "only the drawn part changed";
}

TEST_F(SdlDisplayTest, OnlyWhatWasRepaintedIsCopied) {
  long long before = display_->CopiedPixels();
  display_->Pump();
  display_->Update();
  EXPECT_EQ(display_->CopiedPixels(), before) << "an idle window copies nothing";

  RECT part{30, 40, 50, 60};
  InvalidateRect(demo_, &part, TRUE);
  display_->Pump();
  EXPECT_EQ(display_->LastCopied(demo_), part);
  EXPECT_EQ(display_->CopiedPixels() - before, 20 * 20);
}

TEST_F(SdlDisplayTest, TheDesktopsCloseEndsTheWindow) {
  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  const int code = display_->Run();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(IsWindow(demo_));
  EXPECT_EQ(display_->WindowOf(demo_), nullptr);
}

TEST_F(SdlDisplayTest, AskingTheProgramToEndClosesItsWindows) {
  // What SIGTERM or the end of the session sends.
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  const int code = display_->Run();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(IsWindow(demo_));
}

TEST_F(SdlDisplayTest, TheDesktopsSizeAndPlaceBecomeTheWindows) {
  SDL_Window* w = display_->WindowOf(demo_);
  SDL_SetWindowSize(w, 400, 300);
  Settle();
  RECT client;
  GetClientRect(demo_, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_EQ(display_->Screenshot(demo_).Width(), 400);

  // And the program's own moves reach the desktop.
  MoveWindow(demo_, 10, 20, 300, 150, TRUE);
  display_->Pump();
  int cw = 0, ch = 0;
  SDL_GetWindowSize(w, &cw, &ch);
  GetClientRect(demo_, &client);
  EXPECT_EQ(cw, client.right);
  EXPECT_EQ(ch, client.bottom);
}

TEST_F(SdlDisplayTest, TimersRunOnTheRealClockAndTheLoopSleepsUntilThen) {
  int ticks = 0;
  const DWORD start = GetTickCount();
  HWND h = AllocateUtilityWindow([&](HWND hwnd, UINT msg, WPARAM id, LPARAM) -> LRESULT {
    if (msg == WM_TIMER && ++ticks == 3) {
      KillTimer(hwnd, id);
      PostQuitMessage(7);
    }
    return 0;
  });
  SetTimer(h, 1, 20);
  EXPECT_EQ(display_->Run(), 7);
  EXPECT_EQ(ticks, 3);
  EXPECT_GE(GetTickCount() - start, 60u);
  DeallocateUtilityWindow(h);
}

TEST(SdlKeys, KeysBecomeVirtualKeys) {
  struct TCase {
    SDL_Keycode key;
    SDL_Scancode code;
    UINT vk;
  } cases[] = {
      {SDLK_a, SDL_SCANCODE_A, 'A'},
      {SDLK_q, SDL_SCANCODE_A, 'Q'},  // a French layout's A key: the layout's letter
      {SDLK_7, SDL_SCANCODE_7, '7'},
      {SDLK_F12, SDL_SCANCODE_F12, VK_F12},
      {SDLK_KP_0, SDL_SCANCODE_KP_0, VK_NUMPAD0},
      {SDLK_KP_9, SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN},
      {SDLK_RALT, SDL_SCANCODE_RALT, VK_MENU},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, VK_DELETE},
      {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, VK_OEM_1},
      {0xE9, SDL_SCANCODE_2, '2'},               // é on the French 2 key
      {0xF6, SDL_SCANCODE_SEMICOLON, VK_OEM_1},  // ö where US has the semicolon
      {SDLK_APPLICATION, SDL_SCANCODE_APPLICATION, 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(VirtualKeyOfSdl(c.key, c.code), c.vk) << "keycode " << c.key;
  }
}

TEST(SdlKeys, OnlyKeysThatTypeTextAreLeftToTheTextInput) {
  for (UINT vk : {UINT('A'), UINT('0'), VK_SPACE, VK_OEM_1, VK_OEM_7, VK_NUMPAD0, VK_ADD}) {
    EXPECT_TRUE(SdlKeyTypesText(vk)) << vk;
  }
  for (UINT vk : {VK_RETURN, VK_BACK, VK_TAB, VK_ESCAPE, VK_DELETE, VK_F1, VK_SHIFT, UINT(0x6C)}) {
    EXPECT_FALSE(SdlKeyTypesText(vk)) << vk;
  }
}

TEST(SdlDisplayScaled, AWholeFactorEnlargesThePictureAndShrinksThePointer) {
  ZORVET_SKIP_WITHOUT_DISPLAY();
  TSdlDisplay display(2);
  const HWND demo = CreateDemoWindow(20, 20);
  display.Pump();
  SDL_Window* w = display.WindowOf(demo);
  ASSERT_NE(w, nullptr);
  const TSurface drawn = CaptureWindow(demo);
  const TSurface shown = display.Screenshot(demo);
  ASSERT_EQ(shown.Width(), drawn.Width() * 2);
  ASSERT_EQ(shown.Height(), drawn.Height() * 2);
  for (auto [x, y] : {std::pair{15, 15}, std::pair{160, 40}, std::pair{300, 150}}) {
    EXPECT_EQ(shown.Pixel(2 * x + 1, 2 * y + 1), drawn.Pixel(x, y)) << x << "," << y;
  }
  // The real pointer, so that the server's own motion events agree.
  SDL_WarpMouseInWindow(w, 401, 281);
  display.Pump();
  while (SDL_WaitEventTimeout(nullptr, 300)) display.Pump();
  POINT pt;
  GetCursorPos(&pt);
  POINT client{200, 140};
  ClientToScreen(demo, &client);
  EXPECT_EQ(pt.x, client.x);
  EXPECT_EQ(pt.y, client.y);
}
