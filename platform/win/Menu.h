// platform/win/Menu.h
//
// Menus: the system menu of a window (restore, move, size, minimise,
// maximise, close), popup menus the program builds, and the one menu that
// can be open at a time.
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
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_SEPARATOR = 0x0800;
// The item opens a submenu: AppendMenu's id is the submenu's handle.
constexpr UINT MF_POPUP = 0x0010;
// The check of the item is a dot, as radio buttons have.
constexpr UINT MFT_RADIOCHECK = 0x0200;

// TrackPopupMenu's flags: where the menu lies against the point, and
// whether the right button chooses too.
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;

// The class of the window that shows an open popup menu.
constexpr const char* MENU_WINDOW_CLASS = "#32768";

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

// Popup menus. A popup menu holds items appended in order: text items
// ("&x" marks the accelerator letter, a tab separates the shortcut text)
// with a command, separators, and items that open a submenu (MF_POPUP; the
// item has no command of its own). Checked items show a tick, or a dot with
// MFT_RADIOCHECK. Our own addition: a menu may show images from an image
// list beside its items (SetMenuImageList, SetMenuItemImage). Items are
// found by command in the submenus too.
HMENU CreatePopupMenu();
// Destroys the menu and the submenus its items open.
BOOL DestroyMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text);
BOOL RemoveMenu(HMENU menu, UINT item, UINT byFlags);
// Sets or clears MF_CHECKED; returns the previous check or (DWORD)-1.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL SetMenuImageList(HMENU menu, HIMAGELIST images);
BOOL SetMenuItemImage(HMENU menu, UINT position, int image);

// Opens a popup menu at the screen point (x, y), kept on the screen, in a
// borderless topmost window of class MENU_WINDOW_CLASS that never takes the
// activation. The owner gets WM_ENTERMENULOOP (TRUE) and WM_INITMENUPOPUP
// first. Unlike Windows' call this one returns at once: the menu takes the
// keyboard and mouse input while it is open (arrows, Home, End, Enter,
// Escape, the accelerator letters; pointing and clicking), and choosing an
// enabled item closes it and posts WM_COMMAND with the item's command to the
// owner. A press outside the menu closes it without a choice. FALSE when
// the menu or owner is not valid or the menu has no items.
// Submenus open beside their item when the pointer rests on it, or by Right
// or Enter (or the item's letter) with the first item highlighted; Left and
// Escape close the innermost submenu. The owner gets WM_INITMENUPOPUP
// (wParam the submenu, low word of lParam the item's position) before one
// opens. The keys go to the innermost open menu.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner,
                    const RECT* ignored);
// `level` 0 is the menu TrackPopupMenu opened, 1 the submenu open from it,
// and so on.
// The window of the open popup menu at `level`, or nullptr.
HWND GetOpenMenuWindow(int level = 0);
// The position of the highlighted item of the open menu at `level`, or -1.
int GetOpenMenuHotItem(int level = 0);
// The rectangle of an item of the open popup menu at `level`, in its
// window's client coordinates. FALSE when no popup menu is open there or the
// item does not exist.
BOOL GetOpenMenuItemRect(int position, RECT* rect, int level = 0);

// The menu open now, or nullptr; what the display backend draws.
HMENU GetOpenMenu();
// Chooses an item of the open menu as a click on it would. FALSE when no
// menu is open or the item is missing, greyed or disabled.
BOOL ChooseOpenMenuItem(UINT id);
// Closes the open menu without a choice.
BOOL EndMenu();
