// demo/DemoListView.h
//
// A list view of many files in a form of its own beside the demonstration
// window, so its styles, selection, scrolling and column clicks can be
// tried by hand.
#pragma once

#include "platform/win/WinTypes.h"

// Starts the control layer when nothing has yet and shows the form at
// (x, y); the form (and the control layer, when started here) goes when
// the window `demo` is destroyed.
void ShowDemoListView(HWND demo, int x, int y);
