// platform/win/Edit.h
//
// The edit control: window class "Edit", registered with every window system.
//
// Text is UTF-8. Positions (EM_GETSEL, EM_SETSEL, EM_REPLACESEL, the limit)
// count bytes, as the 8-bit interface of a multi-byte code page does; a
// position inside a character is moved to that character's start, and the
// caret, the keys and the mouse always move by whole characters. WM_CHAR
// carries one Unicode code point, inserted as UTF-8; the control characters
// are editing keys: Backspace, Ctrl+A (select all), Ctrl+C, Ctrl+V, Ctrl+X,
// Ctrl+Z; Enter starts a new line ("\r\n") in a multi-line edit and Tab is
// typed there; in a single-line edit both are left to the dialog around it.
//
// Lines end at "\r\n" (a lone "\n" too). A multi-line edit scrolls lines
// vertically and every edit scrolls horizontally to keep the caret in the
// formatting rectangle. A multi-line edit without ES_AUTOHSCROLL wraps long
// lines at the rectangle's width instead (after a blank where one fits), and
// its line messages (EM_GETLINECOUNT, EM_LINEINDEX, ...) count the lines
// shown. ES_CENTER and ES_RIGHT place lines narrower than the rectangle.
// EM_SCROLL (SB_LINEUP 0, SB_LINEDOWN 1, SB_PAGEUP 2, SB_PAGEDOWN 3),
// EM_LINESCROLL and the wheel scroll a multi-line edit's view, telling the
// parent with EN_VSCROLL / EN_HSCROLL before it is redrawn.
//
// The caret blinks on a window timer (the window system's clock) while the
// edit has the focus, and shows at once after every change or move.
//
// The parent hears of changes through WM_COMMAND (the control's id in the
// low word of wParam, the code in the high word, the control in lParam):
// EN_UPDATE before a change is drawn, EN_CHANGE after it, also for
// WM_SETTEXT and EM_REPLACESEL; EN_MAXTEXT when typing or pasting was cut at
// the limit; EN_SETFOCUS and EN_KILLFOCUS.
//
// Undo keeps the last change (typing in a row counts as one change); undoing
// again redoes it. The clipboard is the process clipboard (Clipboard.h).
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

inline constexpr const char* WC_EDIT = "Edit";

// Styles.
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_OEMCONVERT = 0x0400;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;
constexpr DWORD ES_NUMBER = 0x2000;

// Messages.
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_GETRECT = 0x00B2;
constexpr UINT EM_SETRECT = 0x00B3;
constexpr UINT EM_SETRECTNP = 0x00B4;
constexpr UINT EM_SCROLL = 0x00B5;
constexpr UINT EM_LINESCROLL = 0x00B6;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;
constexpr UINT EM_LINELENGTH = 0x00C1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;
constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_SETMARGINS = 0x00D3;
constexpr UINT EM_GETMARGINS = 0x00D4;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_POSFROMCHAR = 0x00D6;
constexpr UINT EM_CHARFROMPOS = 0x00D7;
constexpr UINT WM_UNDO = 0x0304;
constexpr UINT WM_GETDLGCODE = 0x0087;
constexpr UINT WM_CTLCOLOREDIT = 0x0133;
constexpr UINT WM_CTLCOLORSTATIC = 0x0138;

// EM_SETMARGINS.
constexpr WPARAM EC_LEFTMARGIN = 0x0001;
constexpr WPARAM EC_RIGHTMARGIN = 0x0002;
constexpr WPARAM EC_USEFONTINFO = 0xFFFF;

// Notification codes (high word of WM_COMMAND's wParam).
constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_UPDATE = 0x0400;
constexpr WORD EN_MAXTEXT = 0x0501;
constexpr WORD EN_HSCROLL = 0x0601;
constexpr WORD EN_VSCROLL = 0x0602;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_HASSETSEL = 0x0008;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
