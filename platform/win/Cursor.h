// platform/win/Cursor.h
//
// Cursors: the shapes the system knows (IDC_ARROW, ...), the cursors drawn for
// this program and loaded by name from its module ("ZX_HANDCUR",
// "ZX_DRAGCUR", "SLTREEDRAGCOPY"), the cursor table that gives cursors
// numbers (the class library's crXXX numbers and those the program
// registers), and the screen cursor that the display backend shows.
#pragma once

#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

// System cursor names for LoadCursor(nullptr, ...), as Windows numbers them.
inline LPCSTR MAKEINTRESOURCE(int id) {
  return reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}
inline const LPCSTR IDC_ARROW = MAKEINTRESOURCE(32512);
inline const LPCSTR IDC_IBEAM = MAKEINTRESOURCE(32513);
inline const LPCSTR IDC_WAIT = MAKEINTRESOURCE(32514);
inline const LPCSTR IDC_CROSS = MAKEINTRESOURCE(32515);
inline const LPCSTR IDC_UPARROW = MAKEINTRESOURCE(32516);
inline const LPCSTR IDC_SIZENWSE = MAKEINTRESOURCE(32642);
inline const LPCSTR IDC_SIZENESW = MAKEINTRESOURCE(32643);
inline const LPCSTR IDC_SIZEWE = MAKEINTRESOURCE(32644);
inline const LPCSTR IDC_SIZENS = MAKEINTRESOURCE(32645);
inline const LPCSTR IDC_SIZEALL = MAKEINTRESOURCE(32646);
inline const LPCSTR IDC_NO = MAKEINTRESOURCE(32648);
inline const LPCSTR IDC_HAND = MAKEINTRESOURCE(32649);
inline const LPCSTR IDC_APPSTARTING = MAKEINTRESOURCE(32650);
inline const LPCSTR IDC_HELP = MAKEINTRESOURCE(32651);

// What a cursor looks like, for the display backend: either one of the
// system's shapes (`systemId`, an IDC_ number) or a picture drawn here, given
// as rows of characters: '.' transparent, '#' black, 'o' white.
struct TCursorShape {
  int systemId = 0;
  std::vector<String> picture;
  POINT hotSpot;
};

// `instance` nullptr with an IDC_ name: a system cursor. HInstance() with a
// name: one of the program's cursors. nullptr when there is no such cursor.
// The same name always gives the same handle.
HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name);
// The shape of a cursor, nullptr for an unknown handle.
const TCursorShape* CursorShape(HCURSOR cursor);

// The screen cursor. SetCursor returns the previous one.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();

// The cursor table. At start it holds the class library's cursors under
// their numbers (0 default arrow, -1 none, -2 arrow, ... -22 size-all);
// programs add their own. Looking up a number that has no cursor gives the
// default (number 0).
void SetCursorOfId(int id, HCURSOR cursor);
HCURSOR CursorOfId(int id);
bool HasCursorOfId(int id);
