// platform/win/Input.h
//
// Keyboard and mouse input, focus, activation and capture.
//
// Every input event, whether a display backend reports it or a test makes it
// up, enters through one door: PostInputEvent. It joins the input queue and
// becomes a window message only when GetMessage or PeekMessage takes it:
// then the target is chosen (the capture window, else the window under the
// point by z-order and WM_NCHITTEST; the focus window for keys), a button
// press becomes a double click when it follows the last one closely in time
// and place and the window's class asks for double clicks (CS_DBLCLKS), the
// keyboard and mouse hooks see it (Hook.h), and, when the message is removed,
// the key state (GetKeyState) and the click activation are updated. The
// cursor position changes as soon as a mouse event is posted.
//
// Threads: PostInputEvent may be called from any thread; everything else
// belongs to the GUI thread.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

enum class TInputKind {
  KeyDown,       // vk; a key already down repeats (the previous-state bit is set)
  KeyUp,         // vk
  Char,          // ch: a typed character that no key stands for (WM_CHAR)
  MouseMove,     // pt
  ButtonDown,    // button, pt
  ButtonUp,      // button, pt
  Wheel,         // wheelDelta (multiples of WHEEL_DELTA), pt
  AppActivate,   // the program became the one the user works with
  AppDeactivate  // the user turned to another program
};

enum class TInputButton { Left, Right, Middle };

struct TInputEvent {
  TInputKind kind = TInputKind::MouseMove;
  UINT vk = 0;
  char32_t ch = 0;
  POINT pt;  // screen coordinates
  TInputButton button = TInputButton::Left;
  int wheelDelta = 0;
  DWORD time = 0;  // stamped from the clock by PostInputEvent
};

// The one entry point for input. Any thread.
void PostInputEvent(TInputEvent event);

// Test helpers: each posts one event (pt in screen coordinates).
void InjectKeyDown(UINT vk);
void InjectKeyUp(UINT vk);
void InjectKey(UINT vk);  // down, then up
void InjectChar(char32_t ch);
void InjectMouseMove(POINT pt);
void InjectButtonDown(TInputButton button, POINT pt);
void InjectButtonUp(TInputButton button, POINT pt);
void InjectClick(TInputButton button, POINT pt);  // move, down, up
void InjectWheel(int delta, POINT pt);
void InjectAppActivation(bool active);

// Key state as of the last key or mouse message taken from the queue: the
// high bit (the result is negative) when down, bit 0 when toggled.
SHORT GetKeyState(int vk);

BOOL GetCursorPos(POINT* pt);
BOOL SetCursorPos(int x, int y);

// The deepest visible, enabled window under a screen point, by z-order and
// asking WM_NCHITTEST (a window answering HTTRANSPARENT lets the point
// through to what lies beneath). nullptr when none.
HWND WindowFromPoint(POINT pt);

// Capture: while a window has it, every mouse message goes to it in client
// coordinates. The window losing it gets WM_CAPTURECHANGED (lParam: the new one).
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

// Focus: WM_KILLFOCUS to the old window (wParam: the new), WM_SETFOCUS to the
// new (wParam: the old). Focusing a window in an inactive top-level window
// activates that window first. Returns the previous focus window.
HWND SetFocus(HWND hwnd);
HWND GetFocus();

// Activation of top-level windows: WM_ACTIVATEAPP when the program's
// activation changes, WM_NCACTIVATE and WM_ACTIVATE to the old and the new
// window. The foreground window is the active one while the program is active.
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
