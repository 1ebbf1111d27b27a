// platform/win/ScrollBar.h
//
// Scrolling messages and the scroll bars a control draws inside its own
// client area. WM_VSCROLL / WM_HSCROLL carry an SB_ request in the low word
// of wParam (the thumb position in the high word for SB_THUMBPOSITION and
// SB_THUMBTRACK). A control that scrolls keeps a SCROLLINFO per direction
// and draws and hit-tests its bars with the helpers here, so that every
// scrolling control looks and answers the same.
#pragma once

#include "platform/win/Gdi.h"
#include "platform/win/WinTypes.h"

constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;

// Requests (low word of wParam).
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

// Bars.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

// The width of a vertical bar and the height of a horizontal one.
int ScrollBarSize();

// Parts of a drawn bar, as ScrollBarHitTest answers.
enum class TScrollBarPart { None, LineBack, PageBack, Thumb, PageForward, LineForward };

// How a bar is drawn: the system colour of its track, and whether arrows and
// thumb are flat (no bevels, a shadow-coloured thumb) instead of raised.
struct TScrollBarLook {
  int trackColor = COLOR_SCROLLBAR;
  bool flat = false;
};

// Draws a bar (arrows, track and thumb) into `area` of `dc`.
void DrawScrollBar(HDC dc, const RECT& area, bool vertical, const SCROLLINFO& info,
                   TScrollBarLook look = {});
// Which part of the bar drawn in `area` lies under `pt`.
TScrollBarPart ScrollBarHitTest(const RECT& area, bool vertical, const SCROLLINFO& info, POINT pt);
// The scroll position for the thumb dragged to `pt` when it was grabbed
// `grabOffset` pixels after its start; the present position when the thumb
// fills the whole track and so cannot travel.
int ScrollBarThumbPosition(const RECT& area, bool vertical, const SCROLLINFO& info, POINT pt,
                           int grabOffset);
// The thumb's rectangle within `area` (empty when the bar has no thumb).
RECT ScrollBarThumbRect(const RECT& area, bool vertical, const SCROLLINFO& info);
