// platform/win/TabControl.h
//
// The tab control ("SysTabControl32"): one row of tabs along the top of a
// raised frame, each with a text and an optional image of the control's
// image list. The selected tab stands out, joined to the frame; with the
// focus it has a focus rectangle.
//
// A click on another tab, or Left / Right / Home / End with the focus,
// selects it: the parent is first asked with TCN_SELCHANGING (answering
// TRUE keeps the old tab), then told with TCN_SELCHANGE. TCM_SETCURSEL
// selects without a word. TCM_ADJUSTRECT turns the window's rectangle into
// the display area inside the frame (FALSE) or back (TRUE).
//
// Tabs that do not fit the width scroll: two arrow buttons at the right end
// of the row show the tabs from an earlier or a later one on, and a tab
// selected by keys or TCM_SETCURSEL is scrolled into view. TCM_GETITEMRECT
// and TCM_HITTEST answer for the tabs where they are shown.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinNotify.h"
#include "platform/win/WinTypes.h"

constexpr const char* WC_TABCONTROL = "SysTabControl32";

constexpr DWORD TCS_FOCUSNEVER = 0x8000;

constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETIMAGELIST = TCM_FIRST + 2;
constexpr UINT TCM_SETIMAGELIST = TCM_FIRST + 3;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4;
constexpr UINT TCM_GETITEMA = TCM_FIRST + 5;
constexpr UINT TCM_SETITEMA = TCM_FIRST + 6;
constexpr UINT TCM_INSERTITEMA = TCM_FIRST + 7;
constexpr UINT TCM_DELETEITEM = TCM_FIRST + 8;
constexpr UINT TCM_DELETEALLITEMS = TCM_FIRST + 9;
constexpr UINT TCM_GETITEMRECT = TCM_FIRST + 10;
constexpr UINT TCM_GETCURSEL = TCM_FIRST + 11;
constexpr UINT TCM_SETCURSEL = TCM_FIRST + 12;
constexpr UINT TCM_HITTEST = TCM_FIRST + 13;
constexpr UINT TCM_ADJUSTRECT = TCM_FIRST + 40;
constexpr UINT TCM_GETROWCOUNT = TCM_FIRST + 44;
constexpr UINT TCM_GETCURFOCUS = TCM_FIRST + 47;
constexpr UINT TCM_SETCURFOCUS = TCM_FIRST + 48;
constexpr UINT TCM_GETITEM = TCM_GETITEMA;
constexpr UINT TCM_SETITEM = TCM_SETITEMA;
constexpr UINT TCM_INSERTITEM = TCM_INSERTITEMA;

constexpr UINT TCIF_TEXT = 0x0001;
constexpr UINT TCIF_IMAGE = 0x0002;
constexpr UINT TCIF_PARAM = 0x0008;

struct TCITEMA {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
using TCITEM = TCITEMA;

constexpr UINT TCHT_NOWHERE = 0x0001;
constexpr UINT TCHT_ONITEM = 0x0006;

struct TCHITTESTINFO {
  POINT pt;
  UINT flags = 0;
};

constexpr UINT TCN_FIRST = 0u - 550u;
constexpr UINT TCN_KEYDOWN = TCN_FIRST - 0;
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1;
constexpr UINT TCN_SELCHANGING = TCN_FIRST - 2;

// Registers the class; does nothing when it is registered already.
void RegisterTabControlClass();
