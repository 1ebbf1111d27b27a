// platform/win/ComboBox.h
//
// The combo box control ("ComboBox") in its drop-down list style
// (CBS_DROPDOWNLIST): a box showing the selected item with a button at its
// right; a click on it, F4 or Alt+Down drops a list of all items below it
// (above when there is no room) in a borderless topmost window of class
// "ComboLBox" that never takes the activation.
//
// Closed, the arrows, Home, End, Page Up and Page Down and typing an item's
// first letter change the selection (CBN_SELCHANGE). Dropped, the arrows
// and the pointer move the highlight in the list; Enter or a click on an
// item selects it (CBN_SELENDOK, CBN_SELCHANGE when it changed) and closes
// the list; Escape, F4, a click outside or the loss of the focus close it
// without a choice (CBN_SELENDCANCEL). CBN_DROPDOWN and CBN_CLOSEUP frame
// every dropping. Notifications go to the parent as WM_COMMAND with the
// control's identifier in the low word of wParam.
//
// The box draws in the font of WM_SETFONT; its text (WM_GETTEXT) is the
// selected item's, empty with no selection.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinTypes.h"

constexpr const char* WC_COMBOBOX = "ComboBox";
constexpr const char* WC_COMBOLBOX = "ComboLBox";

constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_SORT = 0x0100;

constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
constexpr UINT CB_SETITEMHEIGHT = 0x0153;
constexpr UINT CB_GETITEMHEIGHT = 0x0154;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_SETMINVISIBLE = 0x1701;
constexpr UINT CB_GETMINVISIBLE = 0x1702;

constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;

constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// What GetComboBoxInfo reports: the text and button rectangles (client
// coordinates) and the windows. The list window exists only while the list
// is dropped (nullptr otherwise).
struct COMBOBOXINFO {
  DWORD cbSize = sizeof(COMBOBOXINFO);
  RECT rcItem;
  RECT rcButton;
  DWORD stateButton = 0;
  HWND hwndCombo = nullptr;
  HWND hwndItem = nullptr;
  HWND hwndList = nullptr;
};
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info);

// Registers the two classes; does nothing when they are registered already.
void RegisterComboBoxClass();
