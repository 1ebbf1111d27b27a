// platform/win/ToolBar.h
//
// The tool bar control ("ToolbarWindow32"): a row of buttons showing images
// of the bar's image list, with separators between groups.
//
// A click on an enabled button (pressed and released over it) tells the
// parent with WM_COMMAND: the button's command in the low word of wParam,
// the bar in lParam. A TBSTYLE_CHECK button toggles its checked state first
// (one of a TBSTYLE_GROUP run stays checked). A TBSTYLE_DROPDOWN button
// sends TBN_DROPDOWN when pressed: anywhere on it, or with
// TBSTYLE_EX_DRAWDDARROWS only on its arrow part (the rest clicks).
// With TBSTYLE_FLAT the buttons are drawn raised only under the pointer.
// A button's caption is given as a pointer to its text in iString (the bar
// keeps a copy; TB_GETBUTTON answers with the bar's). When any button has
// one, every button shows its image above its caption and all grow to hold
// the widest caption (TB_GETBUTTONSIZE answers with that size).
// With TBSTYLE_TOOLTIPS the bar keeps a "tooltips_class32" window and, when
// the pointer rests on a button, asks its parent for the text with
// TTN_GETDISPINFOA (idFrom the button's command) and shows it below the
// pointer until the pointer leaves the button or a button is pressed.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinNotify.h"
#include "platform/win/WinTypes.h"

constexpr const char* TOOLBARCLASSNAME = "ToolbarWindow32";

// Window styles.
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD TBSTYLE_LIST = 0x1000;
// Extended styles (TB_SETEXTENDEDSTYLE).
constexpr DWORD TBSTYLE_EX_DRAWDDARROWS = 0x0001;

// Button styles.
constexpr BYTE TBSTYLE_BUTTON = 0x00;
constexpr BYTE TBSTYLE_SEP = 0x01;
constexpr BYTE TBSTYLE_CHECK = 0x02;
constexpr BYTE TBSTYLE_GROUP = 0x04;
constexpr BYTE TBSTYLE_CHECKGROUP = TBSTYLE_GROUP | TBSTYLE_CHECK;
constexpr BYTE TBSTYLE_DROPDOWN = 0x08;

// Button states.
constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;

struct TBBUTTON {
  int iBitmap = 0;  // image index; for a separator its width (0: the usual)
  int idCommand = 0;
  BYTE fsState = TBSTATE_ENABLED;
  BYTE fsStyle = TBSTYLE_BUTTON;
  BYTE bReserved[6] = {};
  DWORD_PTR dwData = 0;
  INT_PTR iString = 0;
};

constexpr UINT TB_ENABLEBUTTON = WM_USER + 1;
constexpr UINT TB_CHECKBUTTON = WM_USER + 2;
constexpr UINT TB_PRESSBUTTON = WM_USER + 3;
constexpr UINT TB_HIDEBUTTON = WM_USER + 4;
constexpr UINT TB_ISBUTTONENABLED = WM_USER + 9;
constexpr UINT TB_ISBUTTONCHECKED = WM_USER + 10;
constexpr UINT TB_ISBUTTONPRESSED = WM_USER + 11;
constexpr UINT TB_ISBUTTONHIDDEN = WM_USER + 12;
constexpr UINT TB_SETSTATE = WM_USER + 17;
constexpr UINT TB_GETSTATE = WM_USER + 18;
constexpr UINT TB_ADDBUTTONSA = WM_USER + 20;
constexpr UINT TB_INSERTBUTTONA = WM_USER + 21;
constexpr UINT TB_DELETEBUTTON = WM_USER + 22;
constexpr UINT TB_GETBUTTON = WM_USER + 23;
constexpr UINT TB_BUTTONCOUNT = WM_USER + 24;
constexpr UINT TB_COMMANDTOINDEX = WM_USER + 25;
constexpr UINT TB_GETITEMRECT = WM_USER + 29;
constexpr UINT TB_BUTTONSTRUCTSIZE = WM_USER + 30;
constexpr UINT TB_SETBUTTONSIZE = WM_USER + 31;
constexpr UINT TB_GETTOOLTIPS = WM_USER + 35;
constexpr UINT TB_SETIMAGELIST = WM_USER + 48;
constexpr UINT TB_GETIMAGELIST = WM_USER + 49;
constexpr UINT TB_GETRECT = WM_USER + 51;
constexpr UINT TB_GETBUTTONSIZE = WM_USER + 58;
constexpr UINT TB_GETHOTITEM = WM_USER + 71;
constexpr UINT TB_SETHOTITEM = WM_USER + 72;
constexpr UINT TB_HITTEST = WM_USER + 69;
constexpr UINT TB_SETEXTENDEDSTYLE = WM_USER + 84;
constexpr UINT TB_GETEXTENDEDSTYLE = WM_USER + 85;
constexpr UINT TB_ADDBUTTONS = TB_ADDBUTTONSA;
constexpr UINT TB_INSERTBUTTON = TB_INSERTBUTTONA;

constexpr UINT TBN_FIRST = 0u - 700u;
constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;
constexpr LRESULT TBDDRET_DEFAULT = 0;

// TBN_DROPDOWN: the button (index in iItem is its command) and its
// rectangle in the bar's client coordinates.
struct NMTOOLBARA {
  NMHDR hdr;
  int iItem = 0;
  TBBUTTON tbButton;
  int cchText = 0;
  LPSTR pszText = nullptr;
  RECT rcButton;
};

// Registers the class; does nothing when it is registered already.
void RegisterToolBarClass();
