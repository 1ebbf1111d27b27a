// platform/win/Menu.cpp
#include "platform/win/Menu.h"

#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystemState.h"

namespace {

TMenuEntry NewSystemMenu() {
  TMenuEntry m;
  m.items = {{static_cast<UINT>(SC_RESTORE), 0, "&Restore"},
             {static_cast<UINT>(SC_MOVE), 0, "&Move"},
             {static_cast<UINT>(SC_SIZE), 0, "&Size"},
             {static_cast<UINT>(SC_MINIMIZE), 0, "Mi&nimize"},
             {static_cast<UINT>(SC_MAXIMIZE), 0, "Ma&ximize"},
             {0, MF_SEPARATOR, ""},
             {static_cast<UINT>(SC_CLOSE), 0, "&Close\tAlt+F4"}};
  return m;
}

TMenuItemEntry* FindItem(HMENU menu, UINT item, UINT byFlags) {
  auto& k = Kernel();
  auto it = k.menus.find(menu);
  if (it == k.menus.end()) return nullptr;
  auto& items = it->second.items;
  if (byFlags & MF_BYPOSITION) return item < items.size() ? &items[item] : nullptr;
  // By command the submenus are searched too, so that a command chosen in
  // a submenu is found from the menu that was opened.
  for (TMenuItemEntry& i : items) {
    if (i.submenu) {
      if (TMenuItemEntry* found = FindItem(i.submenu, item, byFlags)) return found;
    } else if (!(i.flags & MF_SEPARATOR) && i.id == item) {
      return &i;
    }
  }
  return nullptr;
}

void SetEnabled(HMENU menu, WPARAM id, bool enabled) {
  if (TMenuItemEntry* i = FindItem(menu, static_cast<UINT>(id), MF_BYCOMMAND))
    i->flags = enabled ? (i->flags & ~(MF_GRAYED | MF_DISABLED)) : (i->flags | MF_GRAYED);
}

}  // namespace

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  auto& k = Kernel();
  TWindowEntry* w = k.Find(hwnd);
  if (!w) return nullptr;
  if (revert) {
    if (w->systemMenu) k.menus[w->systemMenu] = NewSystemMenu();
    return nullptr;
  }
  if (!w->systemMenu) {
    w->systemMenu = reinterpret_cast<HMENU>(k.nextMenu);
    k.nextMenu += 4;
    k.menus[w->systemMenu] = NewSystemMenu();
  }
  return w->systemMenu;
}

BOOL IsMenu(HMENU menu) {
  return Kernel().menus.count(menu) ? TRUE : FALSE;
}

int GetMenuItemCount(HMENU menu) {
  auto& k = Kernel();
  auto it = k.menus.find(menu);
  return it == k.menus.end() ? -1 : static_cast<int>(it->second.items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  TMenuItemEntry* i = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  return i ? i->id : static_cast<UINT>(-1);
}

String GetMenuItemText(HMENU menu, UINT item, UINT byFlags) {
  TMenuItemEntry* i = FindItem(menu, item, byFlags);
  return i ? i->text : String();
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  TMenuItemEntry* i = FindItem(menu, item, flags & MF_BYPOSITION);
  if (!i) return static_cast<UINT>(-1);
  const UINT old = i->flags & (MF_GRAYED | MF_DISABLED);
  i->flags = (i->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return old;
}

UINT GetMenuState(HMENU menu, UINT item, UINT byFlags) {
  TMenuItemEntry* i = FindItem(menu, item, byFlags);
  return i ? i->flags : static_cast<UINT>(-1);
}

HMENU GetOpenMenu() {
  return Kernel().openMenu;
}

BOOL ChooseOpenMenuItem(UINT id) {
  auto& k = Kernel();
  if (!k.openMenu) return FALSE;
  TMenuItemEntry* i = FindItem(k.openMenu, id, MF_BYCOMMAND);
  if (!i || (i->flags & (MF_GRAYED | MF_DISABLED))) return FALSE;
  const HWND owner = k.openMenuOwner;
  const bool popup = k.menuWindow != nullptr;
  EndMenu();
  if (popup)
    PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
  else
    PostMessage(owner, WM_SYSCOMMAND, id, 0);
  return TRUE;
}

BOOL EndMenu() {
  auto& k = Kernel();
  if (!k.openMenu) return FALSE;
  const HWND owner = k.openMenuOwner;
  const HMENU menu = k.openMenu;
  winkernel::CloseOpenSubmenus();
  k.openMenu = nullptr;
  k.openMenuOwner = nullptr;
  if (const HWND window = k.menuWindow) {
    k.menuWindow = nullptr;
    k.menuHot = -1;
    DestroyWindow(window);
  }
  if (IsWindow(owner)) {
    SendMessage(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    if (IsWindow(owner)) SendMessage(owner, WM_EXITMENULOOP, FALSE, 0);
  }
  return TRUE;
}

void winkernel::OpenSystemMenu(HWND hwnd) {
  auto& k = Kernel();
  if (k.openMenu) EndMenu();
  const HMENU menu = GetSystemMenu(hwnd, FALSE);
  TWindowEntry* w = k.Find(hwnd);
  if (!menu || !w) return;
  // What the window's style and state allow, before the program has its say.
  const DWORD s = w->style;
  const bool min = s & WS_MINIMIZE, max = s & WS_MAXIMIZE;
  SetEnabled(menu, SC_RESTORE, min || max);
  SetEnabled(menu, SC_MOVE, !max);
  SetEnabled(menu, SC_SIZE, (s & WS_THICKFRAME) && !min && !max);
  SetEnabled(menu, SC_MINIMIZE, (s & WS_MINIMIZEBOX) && !min);
  SetEnabled(menu, SC_MAXIMIZE, (s & WS_MAXIMIZEBOX) && !max);
  SetEnabled(menu, SC_CLOSE, !(w->windowClass->style & CS_NOCLOSE));
  k.openMenu = menu;
  k.openMenuOwner = hwnd;
  SendMessage(hwnd, WM_ENTERMENULOOP, FALSE, 0);
  if (IsWindow(hwnd)) SendMessage(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  if (IsWindow(hwnd))
    SendMessage(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
}

bool winkernel::MenuInput(const TInputEvent& e) {
  auto& k = Kernel();
  if (!k.openMenu) return false;
  if (k.menuWindow) return winkernel::PopupMenuInput(e);
  if (e.kind == TInputKind::KeyDown || e.kind == TInputKind::ButtonDown ||
      e.kind == TInputKind::Char) {
    EndMenu();
    return e.kind == TInputKind::KeyDown && e.vk == VK_ESCAPE;
  }
  return false;
}

void winkernel::DestroyMenuOf(TWindowEntry& w) {
  auto& k = Kernel();
  if (!w.systemMenu) return;
  if (k.openMenu == w.systemMenu) {
    k.openMenu = nullptr;
    k.openMenuOwner = nullptr;
  }
  k.menus.erase(w.systemMenu);
  w.systemMenu = nullptr;
}
