// platform/win/Timer.h
//
// Window timers on the window system's clock. A timer of `interval`
// milliseconds makes WM_TIMER (wParam its id) for its window once it is due,
// but only when nothing else waits in the queue, and only one message per
// timer however far the clock has moved; the next one is due `interval`
// after the message was made. Of the timers due, the one due first gives the
// next message; timers due on the same tick give theirs in the order they
// were started (a restart keeps a timer's place). Tests move the hand-driven
// clock and pump the queue; the display backend's clock runs in real time.
#pragma once

#include "platform/win/WinTypes.h"

// Starts (or restarts, for an id already in use on that window) a timer.
// Intervals below 10 ms count as 10. Returns the id, 0 for an invalid window.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT interval);
BOOL KillTimer(HWND hwnd, UINT_PTR id);
// The clock's milliseconds.
DWORD GetTickCount();
