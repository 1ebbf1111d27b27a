// tests/display/SdlPopupTest.cpp
//
// Popup windows on a real (virtual) screen: an open menu gets a desktop
// window of its own, without a frame, and the keys typed into the window
// the user works in reach the menu. Without a display every test skips.
#include <SDL.h>
#include <gtest/gtest.h>

#include "demo/DemoWindow.h"
#include "platform/display/SdlDisplay.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "tests/display/SdlTestSupport.h"

namespace {

TEST(SdlPopup, AnOpenMenuIsABorderlessDesktopWindowThatTakesTheKeys) {
  ZORVET_SKIP_WITHOUT_DISPLAY();
  TSdlDisplay display(1);
  HWND demo = CreateDemoWindow(60, 60);
  display.Pump();
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "&Titles");
  AppendMenu(menu, MF_STRING, 2, "&Report");
  ASSERT_TRUE(TrackPopupMenu(menu, 0, 100, 100, 0, demo, nullptr));
  display.Pump();
  HWND window = GetOpenMenuWindow();
  SDL_Window* shown = display.WindowOf(window);
  ASSERT_NE(shown, nullptr);
  EXPECT_NE(shown, display.WindowOf(demo));
  EXPECT_TRUE(SDL_GetWindowFlags(shown) & SDL_WINDOW_BORDERLESS);
  int x = 0, y = 0;
  SDL_GetWindowPosition(shown, &x, &y);
  EXPECT_EQ(x, 100);
  EXPECT_EQ(y, 100);

  // A key pressed in the demonstration window moves the menu's highlight.
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = SDL_GetWindowID(display.WindowOf(demo));
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = SDLK_DOWN;
  e.key.keysym.scancode = SDL_SCANCODE_DOWN;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  display.Pump();
  EXPECT_EQ(GetOpenMenuHotItem(), 0);
  e.key.keysym.sym = SDLK_ESCAPE;
  e.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&e), 1);
  display.Pump();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_EQ(display.WindowOf(window), nullptr);
  DestroyMenu(menu);
  DestroyWindow(demo);
}

// A menu window that held the desktop's keyboard focus gives it back to the
// window the user works in when it closes: the desktop alone would give it
// to no window (always so without a window manager), and typing would stop.
TEST(SdlPopup, AClosedMenuHandsTheKeyboardBackToTheWindowBelow) {
  ZORVET_SKIP_WITHOUT_DISPLAY();
  TSdlDisplay display(1);
  HWND demo = CreateDemoWindow(60, 60);
  SettleSdl(display);
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "&Titles");
  ASSERT_TRUE(TrackPopupMenu(menu, 0, 100, 100, 0, demo, nullptr));
  display.Pump();
  SDL_Window* shown = display.WindowOf(GetOpenMenuWindow());
  ASSERT_NE(shown, nullptr);
  SDL_SetWindowInputFocus(shown);
  for (int i = 0; i < 20 && SDL_GetKeyboardFocus() != shown; ++i) {
    SDL_WaitEventTimeout(nullptr, 100);
    display.Pump();
  }
  ASSERT_EQ(SDL_GetKeyboardFocus(), shown);
  ASSERT_NE(GetOpenMenuWindow(), nullptr);

  PushSdlKeyStroke(SdlWindowId(display, demo), SDLK_ESCAPE, SDL_SCANCODE_ESCAPE);
  SettleSdl(display);
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  ASSERT_NE(SDL_GetKeyboardFocus(), nullptr);
  EXPECT_EQ(SDL_GetKeyboardFocus(), display.WindowOf(GetActiveWindow()));
  DestroyMenu(menu);
  DestroyWindow(demo);
}

}  // namespace
