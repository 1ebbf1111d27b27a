// tests/display/NullDisplayTest.cpp
#include <gtest/gtest.h>

#include "platform/display/NullDisplay.h"
#include "platform/win/Gdi.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

HWND ShowPlainWindow(int cx, int cy, int brushColor) {
  WNDCLASS wc;
  wc.lpszClassName = "Plain";
  wc.hInstance = HInstance();
  wc.hbrBackground = GetSysColorBrush(brushColor);
  wc.lpfnWndProc = DefWindowProcInstance();
  RegisterClass(wc);
  return CreateWindowEx(0, "Plain", "Plain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, cx, cy,
                        nullptr, nullptr, HInstance(), nullptr);
}

}  // namespace

TEST(NullDisplay, WindowsDrawIntoTheirSurfacesAndTheDisplayHearsOfIt) {
  TNullDisplay display;
  const HWND h = ShowPlainWindow(200, 120, COLOR_BTNFACE);
  EXPECT_EQ(display.ChangeCount(h), 0) << "nothing is drawn before the loop runs";
  EXPECT_GT(display.Pump(), 0);
  EXPECT_GT(display.ChangeCount(h), 0);
  EXPECT_EQ(display.ChangedArea(h), (RECT{0, 0, 200, 120}));
  const TSurface client = display.Screenshot(h, true);
  RECT r;
  GetClientRect(h, &r);
  ASSERT_EQ(client.Width(), r.right);
  EXPECT_EQ(ColorOfPixel(client.Pixel(5, 5)), GetSysColor(COLOR_BTNFACE));
  const TSurface whole = display.Screenshot(h);
  EXPECT_EQ(whole.Width(), 200);
  EXPECT_EQ(ColorOfPixel(whole.Pixel(100, 10)), GetSysColor(COLOR_ACTIVECAPTION))
      << "the caption of the active window";
}

TEST(NullDisplay, TimeMovesOnlyWhenAdvanced) {
  TNullDisplay display;
  const HWND h = ShowPlainWindow(100, 100, COLOR_WINDOW);
  display.Pump();
  SetTimer(h, 7, 1000);
  EXPECT_EQ(display.Advance(999), 0);
  EXPECT_EQ(display.Advance(1), 1);
}

TEST(NullDisplay, ResizingRepaintsTheNewArea) {
  TNullDisplay display;
  const HWND h = ShowPlainWindow(100, 80, COLOR_WINDOW);
  display.Pump();
  display.ClearChanges();
  SetWindowPos(h, nullptr, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER);
  display.Pump();
  EXPECT_EQ(display.ChangedArea(h), (RECT{0, 0, 150, 90}));
  EXPECT_EQ(display.Screenshot(h).Width(), 150);
}
