// platform/win/StatusBar.h
//
// The status bar control ("msctls_statusbar32"): a strip of parts along the
// bottom of a window, each with a line of text. SB_SETPARTS gives the right
// edges of the parts (-1: to the end of the bar); SB_SETTEXT sets a part's
// text and look (SBT_NOBORDERS, SBT_POPOUT) and repaints the part at once,
// so progress shown during a long operation appears without waiting for the
// message loop. A tab in the text centres what follows it, two tabs align
// it right. SB_SIMPLE switches to one part across the bar with its own text
// (part SB_SIMPLEID), keeping the parts' texts for when it is switched off.
// With SBARS_SIZEGRIP a size grip is drawn in the bottom right corner.
// The bar draws in the font given by WM_SETFONT (the GUI font by default)
// on the button face colour.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

constexpr const char* STATUSCLASSNAME = "msctls_statusbar32";

constexpr DWORD SBARS_SIZEGRIP = 0x0100;

constexpr UINT SB_SETTEXT = WM_USER + 1;
constexpr UINT SB_GETTEXT = WM_USER + 2;
constexpr UINT SB_GETTEXTLENGTH = WM_USER + 3;
constexpr UINT SB_SETPARTS = WM_USER + 4;
constexpr UINT SB_GETPARTS = WM_USER + 6;
constexpr UINT SB_SIMPLE = WM_USER + 9;
constexpr UINT SB_GETRECT = WM_USER + 10;
constexpr UINT SB_ISSIMPLE = WM_USER + 14;

constexpr UINT SB_SIMPLEID = 0x00FF;
constexpr UINT SBT_NOBORDERS = 0x0100;
constexpr UINT SBT_POPOUT = 0x0200;

// The most parts a bar has.
constexpr int kStatusBarMaxParts = 256;

// Registers the class; does nothing when it is registered already.
void RegisterStatusBarClass();
