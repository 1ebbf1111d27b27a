// platform/win/Paint.h
//
// Painting windows: update regions, WM_PAINT, and the device contexts of
// windows.
//
// Each window has an update region (client coordinates), the part that must
// be drawn again, and a flag saying whether it must be erased first. The
// window model adds to it when a window appears, grows, moves or uncovers
// part of its parent; programs add with InvalidateRect/InvalidateRgn and
// RedrawWindow and take away with ValidateRect/ValidateRgn.
//
// WM_PAINT is not queued: GetMessage and PeekMessage make one, after posted
// messages, input and WM_QUIT and before WM_TIMER, for the first visible
// window that needs painting, looking at parents before their children and
// at siblings from the bottom of the z-order up, so that overlapping
// siblings that do not clip each other end with the top one drawn last
// (Message.h). It stays until the window's update region is empty, so a
// window procedure must validate (BeginPaint/EndPaint, as DefWindowProc
// does, or ValidateRect).
//
// The Windows order of one window's painting: WM_PAINT arrives; BeginPaint
// sends WM_NCPAINT when the frame must be drawn, then WM_ERASEBKGND when
// erasing is due (fErase tells whether that erase was left undone: the
// answer was 0); the program draws inside the update region; EndPaint. Its
// children follow with their own WM_PAINT. RDW_ERASENOW and RDW_UPDATENOW
// (and UpdateWindow) do the same at once instead of from the queue.
//
// Surfaces: every top-level window owns a 32-bit surface of its window size;
// children draw into their part of it. A window DC is clipped to the
// window's visible part: inside each ancestor's client area, without its
// visible children when the window (or the DC) clips children, without the
// siblings above it when it clips siblings, and to nothing while the window
// or an ancestor is hidden, has drawing switched off (WM_SETREDRAW) or is
// locked by LockWindowUpdate.
//
// Threads: GUI thread only.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/Surface.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing
  RECT rcPaint;         // bounds of the update region, client coordinates
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

// --- Update regions --------------------------------------------------------------

// nullptr for the whole client area. Children are invalidated with their
// parent unless the parent has WS_CLIPCHILDREN (RedrawWindow's rule).
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// The bounds of the update region (empty when none); with `erase` the
// background is erased at once when due. TRUE when the region is not empty.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Copies the update region into `region`; returns its kind.
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
// Paints the window now when its update region is not empty, then its
// children that need it.
BOOL UpdateWindow(HWND hwnd);

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;
// `rect` or `region` in client coordinates (both nullptr: the whole window).
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);

// Switches drawing into one window (and its children) off; everything drawn
// or invalidated meanwhile is repainted when it is unlocked with nullptr.
// FALSE when another window is locked already.
BOOL LockWindowUpdate(HWND hwnd);

// --- Window DCs ------------------------------------------------------------------

// Prepares painting: sends WM_NCPAINT and WM_ERASEBKGND as due, validates
// the update region and returns a DC clipped to it. REQUIRES: EndPaint
// with the same PAINTSTRUCT.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_EXCLUDEUPDATE = 0x00000100;
constexpr DWORD DCX_INTERSECTUPDATE = 0x00000200;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

// A DC on the window's client area (nullptr: the screen). REQUIRES:
// ReleaseDC. Every call gives a DC with default attributes.
HDC GetDC(HWND hwnd);
// DCX_WINDOW: the whole window. DCX_CLIPCHILDREN/DCX_CLIPSIBLINGS clip as
// the styles would. DCX_PARENTCLIP: clipped as the parent's client area
// instead (the window's own rectangle, its style and its siblings do not
// limit it), with the origin at the window's client corner.
// DCX_LOCKWINDOWUPDATE: draws even while the window is locked (drag
// feedback). DCX_INTERSECTRGN/DCX_EXCLUDERGN: narrowed by `clip` (client
// coordinates, taken over by the call). DCX_INTERSECTUPDATE: by the update
// region, which DCX_VALIDATE then validates. DCX_CACHE is accepted: every
// DC here is fresh.
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
HDC GetWindowDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC dc);
HWND WindowFromDC(HDC dc);

// --- Surfaces --------------------------------------------------------------------

// A copy of what the window shows now: its client area, or with
// `wholeWindow` the window with its frame. An empty surface for a window
// that has none (minimised, no size).
TSurface CaptureWindow(HWND hwnd, bool wholeWindow = false);
// Writes that copy as a PNG file; FALSE when writing fails.
BOOL SaveWindowPng(HWND hwnd, const String& path, bool wholeWindow = false);
