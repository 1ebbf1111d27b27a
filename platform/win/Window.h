// platform/win/Window.h
//
// Window classes, windows and window procedures.
//
// A window procedure is known by its identity, a WNDPROC value that code can
// store, compare and call through CallWindowProc. A plain function gets one
// lasting identity from StaticWndProc (the same value every time); a closure
// (an object's method) gets a fresh one from MakeWndProc and keeps it until
// FreeWndProc. Identities are never reused, so a stale one can never call a
// procedure made later in its place: calling a freed procedure does nothing
// and answers 0. A procedure freed while it runs finishes its call first.
//
// Messages a window receives in its life, in order:
//   CreateWindowEx: WM_GETMINMAXINFO (sizeable top-level windows),
//     WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE, to the parent
//     WM_PARENTNOTIFY (child windows without WS_EX_NOPARENTNOTIFY), then
//     with WS_VISIBLE the messages of ShowWindow (WindowPos.h).
//     WM_NCCREATE answering FALSE or WM_CREATE answering -1 makes the call
//     fail: the window is destroyed and nullptr returned.
//   DestroyWindow: the owned windows are destroyed first; a visible window
//     is hidden (and deactivated); a child's parent gets WM_PARENTNOTIFY;
//     then WM_DESTROY to the window and then to its children, parents first,
//     and WM_NCDESTROY to the children and then the window, children first.
//     Capture, focus, activation and timers of the window are dropped.
//
// Threads: all calls here belong to the GUI thread, except IsWindow.
#pragma once

#include <functional>

#include "platform/rtl/Types.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WinStyles.h"
#include "platform/win/WinTypes.h"

using TWndProcFunction = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using TWndProcPointer = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TWndProcContextFunction = LRESULT (*)(void* context, HWND, UINT, WPARAM, LPARAM);

// --- Window procedures -------------------------------------------------------

// A new procedure identity calling `fn`. Free it with FreeWndProc.
WNDPROC MakeWndProc(TWndProcFunction fn);
// The same for a function called with `context` (say, the object whose
// window it serves), without a std::function on the way of every message.
WNDPROC MakeWndProc(TWndProcContextFunction fn, void* context);
// Releases a procedure made by MakeWndProc. Does nothing for StaticWndProc's.
void FreeWndProc(WNDPROC proc);
// The lasting identity of a plain function (equal for equal functions).
WNDPROC StaticWndProc(TWndProcPointer fn);
// Calls the procedure known as `proc`; 0 when it is unknown or freed.
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The default handling of every message (see Window.cpp for what it does).
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// StaticWndProc(DefWindowProc): the procedure of classes that have no other.
WNDPROC DefWindowProcInstance();

// --- Classes -----------------------------------------------------------------

// Registers a class by name (names compare ignoring case). Returns 0 when the
// name is taken. The class's procedure, style and cursor apply to its windows.
ATOM RegisterClass(const WNDCLASS& wc);
BOOL UnregisterClass(LPCSTR className, HINSTANCE instance);
// Fills `wc` with what the class was registered with; FALSE when unknown.
// lpszClassName points at the name held by the class.
BOOL GetClassInfo(HINSTANCE instance, LPCSTR className, WNDCLASS* wc);
String GetClassName(HWND hwnd);

// The program's own module: owner of its classes and named resources.
HINSTANCE HInstance();

// --- Windows -----------------------------------------------------------------

// `parent` is the parent of a WS_CHILD window, else the owner (nullptr for
// none, HWND_MESSAGE for a hidden utility window). `menu` is a child's id.
// x or width CW_USEDEFAULT give a top-level window a position or size of the
// system's choice. Raises EInvalidOperation for an unknown class.
HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param);
BOOL DestroyWindow(HWND hwnd);
// Any thread.
BOOL IsWindow(HWND hwnd);

// A child's parent, or a top-level window's owner.
HWND GetParent(HWND hwnd);
// Moves a window under another parent (nullptr: makes it top-level). The
// WS_CHILD style is left as it is, as Windows does. Returns the old parent.
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetWindow(HWND hwnd, UINT relation);
HWND GetAncestor(HWND hwnd, UINT relation);
BOOL IsChild(HWND parent, HWND hwnd);
int GetDlgCtrlID(HWND hwnd);

// GWL_STYLE and GWL_EXSTYLE changes send WM_STYLECHANGING and WM_STYLECHANGED;
// the frame follows the new style at the next SetWindowPos with
// SWP_FRAMECHANGED. GWLP_WNDPROC takes and returns a WNDPROC identity.
LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
inline WNDPROC GetWindowProc(HWND hwnd) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd, GWLP_WNDPROC));
}
inline WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  return reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// Text through WM_SETTEXT / WM_GETTEXTLENGTH and WM_GETTEXT.
BOOL SetWindowText(HWND hwnd, const String& text);
String GetWindowText(HWND hwnd);

// Visible: the window and all its parents have WS_VISIBLE.
BOOL IsWindowVisible(HWND hwnd);
BOOL IsWindowEnabled(HWND hwnd);
// Sends WM_ENABLE on a change; a window being disabled gets WM_CANCELMODE
// and loses the focus (its own or a child's). Returns TRUE when the window
// was disabled before.
BOOL EnableWindow(HWND hwnd, BOOL enable);
// Whether drawing of the window is on (WM_SETREDRAW).
BOOL IsRedrawEnabled(HWND hwnd);

// Hidden message-only windows that components use to receive posted messages.
// They are never shown, hit or activated.
HWND AllocateUtilityWindow(TWndProcFunction fn);
void DeallocateUtilityWindow(HWND hwnd);
