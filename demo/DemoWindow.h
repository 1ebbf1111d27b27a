// demo/DemoWindow.h
//
// The demonstration window: a few shapes and a line of text drawn with the
// drawing calls, a mark at every click and the typed text below them, so a
// display backend can be tried by hand and by its screen test.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

// Registers the class (once) and makes the window, shown, at (x, y).
HWND CreateDemoWindow(int x, int y);
// What was typed into the window so far.
String DemoTypedText(HWND hwnd);
