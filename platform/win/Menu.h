// platform/win/Menu.h
//
// The system menu of a window (restore, move, size, minimise, maximise,
// close) and the one menu that can be open at a time.
//
// The system menu opens by WM_SYSCOMMAND with SC_KEYMENU or SC_MOUSEMENU, or by
// a right click on the caption. Before it opens, its items are enabled as the
// window's style and state allow and the window gets WM_INITMENU and
// WM_INITMENUPOPUP (wParam the menu, high word of lParam TRUE), where code can
// grey items further. Choosing an enabled item posts WM_SYSCOMMAND with its
// command; a greyed one cannot be chosen. A mouse press or a key closes the
// open menu; Escape is then taken by the menu.
#pragma once

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_SEPARATOR = 0x0800;

// The window's system menu, made on first use; with `revert` the menu goes
// back to its initial items and nullptr is returned.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);
BOOL IsMenu(HMENU menu);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
String GetMenuItemText(HMENU menu, UINT item, UINT byFlags);
// Enables or greys an item (by command or, with MF_BYPOSITION, by position).
// Returns the previous state (MF_ENABLED, MF_GRAYED, MF_DISABLED bits) or
// (UINT)-1 when the item does not exist.
UINT EnableMenuItem(HMENU menu, UINT item, UINT flags);
// The item's flags, or (UINT)-1 when it does not exist.
UINT GetMenuState(HMENU menu, UINT item, UINT byFlags);

// The menu open now, or nullptr; what the display backend draws.
HMENU GetOpenMenu();
// Chooses an item of the open menu as a click on it would. FALSE when no
// menu is open or the item is missing, greyed or disabled.
BOOL ChooseOpenMenuItem(UINT id);
// Closes the open menu without a choice.
BOOL EndMenu();
