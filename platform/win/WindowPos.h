// platform/win/WindowPos.h
//
// Size, position, z-order, visibility and show state of windows.
//
// SetWindowPos sends WM_WINDOWPOSCHANGING (which may change the request; the
// default answer keeps a sizeable top-level window within the tracking sizes
// of WM_GETMINMAXINFO), applies it, recomputes the client area through
// WM_NCCALCSIZE when the size or frame changed, and sends
// WM_WINDOWPOSCHANGED, whose default answer sends WM_MOVE and WM_SIZE.
//
// Frames follow the style: WS_BORDER a one-pixel border, a dialog frame
// (WS_DLGFRAME or WS_CAPTION without WS_THICKFRAME) the fixed frame, a
// WS_THICKFRAME the sizing frame, WS_EX_CLIENTEDGE two pixels more; WS_CAPTION
// adds the caption (the small caption for WS_EX_TOOLWINDOW). See Metrics.h.
//
// ShowWindow takes every show command. Minimising and maximising keep the
// normal rectangle, which GetWindowPlacement reports and SW_RESTORE returns
// to; maximising asks WM_GETMINMAXINFO (maximised size and position, tracking
// limits) and applies the answer. The normal rectangle of a top-level window
// is in screen coordinates (the work area starts at the screen's corner).
#pragma once

#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND hwnd);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);

BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* pt);
BOOL ScreenToClient(HWND hwnd, POINT* pt);
// Converts points from one window's client coordinates to another's
// (nullptr: the screen).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

// showCmd is SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED or SW_SHOWNORMAL; flags carry
// WPF_SETMINPOSITION when a minimised position was set and
// WPF_RESTORETOMAXIMIZED when a minimised window will return maximised.
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
// Takes the normal rectangle, the maximised position, the minimised position
// (with WPF_SETMINPOSITION) and shows the window with showCmd.
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);
