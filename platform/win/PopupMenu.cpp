// platform/win/PopupMenu.cpp
//
// Popup menus the program builds, and the window that shows the open one.
// The open menu's state (which menu, its window, the highlighted item) lives
// in the kernel, so that the input it takes first (Menu.cpp's MenuInput) can
// act on it without a modal loop of its own.
#include <algorithm>
#include <cctype>

#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

constexpr int kFrame = 3;         // the raised edge and a pixel of space
constexpr int kSeparatorH = 9;    // the height of a separator
constexpr int kTextPad = 6;       // above and below an item's text
constexpr int kGutterPad = 6;     // around the check or image column
constexpr int kRightPad = 20;     // after the text (room for a submenu arrow)
constexpr int kShortcutGap = 24;  // between the text and the shortcut text

TMenuEntry* Entry(HMENU menu) {
  auto& k = Kernel();
  auto it = k.menus.find(menu);
  return it == k.menus.end() ? nullptr : &it->second;
}

// Level 0 is the menu TrackPopupMenu opened; each open submenu is one
// level further in.
int Levels() {
  auto& k = Kernel();
  return k.menuWindow ? 1 + static_cast<int>(k.openSubmenus.size()) : 0;
}
HMENU LevelMenu(int level) {
  auto& k = Kernel();
  return level == 0 ? k.openMenu : k.openSubmenus[static_cast<size_t>(level - 1)].menu;
}
HWND LevelWindow(int level) {
  auto& k = Kernel();
  return level == 0 ? k.menuWindow : k.openSubmenus[static_cast<size_t>(level - 1)].window;
}
int& LevelHot(int level) {
  auto& k = Kernel();
  return level == 0 ? k.menuHot : k.openSubmenus[static_cast<size_t>(level - 1)].hot;
}
// The level a menu window shows, or -1.
int LevelOf(HWND hwnd) {
  for (int level = 0; level < Levels(); ++level)
    if (LevelWindow(level) == hwnd) return level;
  return -1;
}

bool IsSeparator(const TMenuItemEntry& i) {
  return (i.flags & MF_SEPARATOR) != 0;
}
bool IsGreyed(const TMenuItemEntry& i) {
  return (i.flags & (MF_GRAYED | MF_DISABLED)) != 0;
}

// The item text before and after its tab (the shortcut).
std::pair<String, String> SplitShortcut(const String& text) {
  const size_t tab = text.find('\t');
  if (tab == String::npos) return {text, String()};
  return {text.substr(0, tab), text.substr(tab + 1)};
}

// Where each item lies in the menu's window, and the window's size.
struct TMenuLayout {
  std::vector<RECT> items;
  int gutter = 0;        // width of the check / image column
  int shortcutLeft = 0;  // where the shortcut texts start
  SIZE size{0, 0};
};

TMenuLayout Layout(const TMenuEntry& m) {
  TMenuLayout l;
  // Menus draw in the default GUI font: WM_SETFONT does not reach them.
  TMeasureDC measure(nullptr);
  HDC dc = measure.Dc();
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  int imageW = 16, imageH = 16;
  if (m.images) ImageList_GetIconSize(m.images, &imageW, &imageH);
  l.gutter = std::max(16, imageW) + 2 * kGutterPad;
  const int itemH = std::max<int>(tm.tmHeight + 2 * kTextPad, imageH + 4);
  int textW = 0, shortcutW = 0;
  for (const TMenuItemEntry& i : m.items) {
    if (IsSeparator(i)) continue;
    const auto [text, shortcut] = SplitShortcut(i.text);
    RECT r{0, 0, 0, 0};
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
    textW = std::max<int>(textW, RectWidth(r));
    if (!shortcut.empty()) {
      SIZE s;
      GetTextExtentPoint32(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &s);
      shortcutW = std::max<int>(shortcutW, s.cx);
    }
  }
  const int inner = l.gutter + textW + (shortcutW ? kShortcutGap + shortcutW : 0) + kRightPad;
  l.shortcutLeft = kFrame + l.gutter + textW + kShortcutGap;
  int y = kFrame;
  for (const TMenuItemEntry& i : m.items) {
    const int h = IsSeparator(i) ? kSeparatorH : itemH;
    l.items.push_back(RECT{kFrame, y, kFrame + inner, y + h});
    y += h;
  }
  l.size = SIZE{inner + 2 * kFrame, y + kFrame};
  return l;
}

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF color) {
  const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  if (radio) {
    Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
  } else {
    // A tick three pixels thick: down to the right, then up.
    for (int d = 0; d < 3; ++d) {
      MoveToEx(dc, cx - 4, cy - 2 + d, nullptr);
      LineTo(dc, cx - 1, cy + 1 + d);
      LineTo(dc, cx + 5, cy - 5 + d);
    }
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

// The arrow of an item that opens a submenu: a small solid triangle.
void DrawSubmenuArrow(HDC dc, const RECT& item, COLORREF color) {
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old = SelectObject(dc, pen);
  const int x = item.right - kRightPad + 6, cy = (item.top + item.bottom) / 2;
  for (int i = 0; i < 4; ++i) {
    MoveToEx(dc, x + i, cy - 3 + i, nullptr);
    LineTo(dc, x + i, cy + 4 - i);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintMenu(HWND hwnd, HDC dc) {
  const HMENU menu = reinterpret_cast<HMENU>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  const TMenuEntry* m = Entry(menu);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  if (!m) return;
  const TMenuLayout l = Layout(*m);
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(nullptr));
  SetBkMode(dc, TRANSPARENT);
  for (size_t n = 0; n < m->items.size(); ++n) {
    const TMenuItemEntry& i = m->items[n];
    const RECT r = l.items[n];
    if (IsSeparator(i)) {
      RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    const int level = LevelOf(hwnd);
    const bool hot = level >= 0 && LevelHot(level) == static_cast<int>(n);
    const bool greyed = IsGreyed(i);
    if (hot) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    const COLORREF textColor = greyed ? GetSysColor(COLOR_GRAYTEXT)
                               : hot  ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                      : GetSysColor(COLOR_MENUTEXT);
    const RECT gutter{r.left, r.top, r.left + l.gutter, r.bottom};
    if (m->images && i.image >= 0 && i.image < ImageList_GetImageCount(m->images)) {
      int w = 16, h = 16;
      ImageList_GetIconSize(m->images, &w, &h);
      const int x = (gutter.left + gutter.right - w) / 2, y = (gutter.top + gutter.bottom - h) / 2;
      ImageList_Draw(m->images, i.image, dc, x, y, ILD_TRANSPARENT);
      if (i.flags & MF_CHECKED) {
        // A checked item with an image shows the image sunken.
        RECT frame{x - 2, y - 2, x + w + 2, y + h + 2};
        DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
      }
    } else if (i.flags & MF_CHECKED) {
      DrawCheck(dc, gutter, (i.flags & MFT_RADIOCHECK) != 0, textColor);
    }
    const auto [text, shortcut] = SplitShortcut(i.text);
    RECT tr{gutter.right, r.top, r.right - kRightPad, r.bottom};
    SetTextColor(dc, textColor);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &tr,
             DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!shortcut.empty()) {
      RECT sr{l.shortcutLeft, r.top, r.right - kRightPad, r.bottom};
      DrawText(dc, shortcut.c_str(), static_cast<int>(shortcut.size()), &sr,
               DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
    if (i.submenu) DrawSubmenuArrow(dc, r, textColor);
  }
  SelectObject(dc, oldFont);
}

void CloseSubmenusFrom(int level);

LRESULT MenuWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      return PaintControlWindow(hwnd, wParam, &PaintMenu);
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCDESTROY: {
      // Destroyed from outside (with its owner): the menu closes with it.
      auto& k = Kernel();
      if (k.menuWindow == hwnd) {
        k.menuWindow = nullptr;
        k.menuHot = -1;
        EndMenu();
      } else {
        // A submenu's window: the submenus inside it go, and it with them.
        for (size_t n = 0; n < k.openSubmenus.size(); ++n) {
          if (k.openSubmenus[n].window != hwnd) continue;
          k.openSubmenus[n].window = nullptr;
          CloseSubmenusFrom(static_cast<int>(n) + 1);
          break;
        }
      }
      break;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void Repaint() {
  for (int level = 0; level < Levels(); ++level) InvalidateRect(LevelWindow(level), nullptr, FALSE);
}

void SetHot(int level, int hot) {
  if (LevelHot(level) == hot) return;
  LevelHot(level) = hot;
  InvalidateRect(LevelWindow(level), nullptr, FALSE);
}

// The next item from `from` in `step` direction that is not a separator,
// going round; -1 when there is none.
int NextItem(const TMenuEntry& m, int from, int step) {
  const int n = static_cast<int>(m.items.size());
  int i = from;
  for (int tries = 0; tries < n; ++tries) {
    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
    if (!IsSeparator(m.items[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

// The upper-cased letter after the item text's single '&', or 0.
char Accelerator(const String& text) {
  const String label = SplitShortcut(text).first;
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(label[i + 1])));
  }
  return 0;
}

// A menu window, made hidden at (x, y) for `menu`.
HWND CreateMenuWindow(HMENU menu, int x, int y, SIZE size) {
  HWND hwnd =
      CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, MENU_WINDOW_CLASS, "",
                     WS_POPUP, x, y, size.cx, size.cy, nullptr, nullptr, HInstance(), nullptr);
  if (hwnd) SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
  return hwnd;
}

void ShowMenuWindow(HWND hwnd) {
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(hwnd);
}

// Closes the submenus from `level` in (level >= 1), innermost first.
void CloseSubmenusFrom(int level) {
  auto& k = Kernel();
  while (static_cast<int>(k.openSubmenus.size()) >= level && !k.openSubmenus.empty()) {
    const TOpenSubmenu closing = k.openSubmenus.back();
    k.openSubmenus.pop_back();
    if (closing.window) DestroyWindow(closing.window);
    if (IsWindow(k.openMenuOwner))
      SendMessage(k.openMenuOwner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(closing.menu), 0);
  }
}

// Opens the submenu of item `position` of the menu at `level` beside the
// item (the other side when there is no room), unless it is open already;
// with `selectFirst` its first item is highlighted, as the keys want it.
void OpenSubmenu(int level, int position, bool selectFirst) {
  auto& k = Kernel();
  const TMenuEntry* parent = Entry(LevelMenu(level));
  if (!parent || position < 0 || position >= static_cast<int>(parent->items.size())) return;
  const TMenuItemEntry item = parent->items[static_cast<size_t>(position)];
  if (!item.submenu || IsGreyed(item)) return;
  if (Levels() > level + 1 && LevelMenu(level + 1) == item.submenu) {
    if (selectFirst && LevelHot(level + 1) < 0)
      SetHot(level + 1, NextItem(*Entry(item.submenu), -1, +1));
    return;
  }
  CloseSubmenusFrom(level + 1);
  const HMENU open = k.openMenu;
  SendMessage(k.openMenuOwner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(item.submenu),
              MAKELPARAM(position, FALSE));
  // The owner may have closed the menu or changed the items meanwhile.
  const TMenuEntry* sub = Entry(item.submenu);
  parent = Levels() > level ? Entry(LevelMenu(level)) : nullptr;
  if (k.openMenu != open || !sub || sub->items.empty() || !parent ||
      position >= static_cast<int>(parent->items.size()))
    return;
  RECT frame;
  GetWindowRect(LevelWindow(level), &frame);
  const RECT itemRect = Layout(*parent).items[static_cast<size_t>(position)];
  const SIZE size = Layout(*sub).size;
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  int x = frame.right - kFrame;
  if (x + size.cx > screenW) x = std::max(0, static_cast<int>(frame.left) - size.cx + kFrame);
  int y = frame.top + itemRect.top - kFrame;
  if (y + size.cy > screenH) y = std::max(0, screenH - size.cy);
  HWND hwnd = CreateMenuWindow(item.submenu, x, y, size);
  if (!hwnd) return;
  k.openSubmenus.push_back(
      TOpenSubmenu{item.submenu, hwnd, selectFirst ? NextItem(*sub, -1, +1) : -1});
  ShowMenuWindow(hwnd);
}

// What Enter, a click or an item's letter does: opens a submenu, or
// chooses a command.
void Activate(int level, int position) {
  const TMenuEntry* m = Entry(LevelMenu(level));
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return;
  const TMenuItemEntry& i = m->items[static_cast<size_t>(position)];
  if (IsSeparator(i) || IsGreyed(i)) return;
  if (i.submenu)
    OpenSubmenu(level, position, true);
  else
    ChooseOpenMenuItem(i.id);
}

// The item of the menu at `level` under a screen point, or -1 (also
// outside the menu).
int ItemAt(int level, POINT screen) {
  TMenuEntry* m = Entry(LevelMenu(level));
  if (!m) return -1;
  POINT p = screen;
  ScreenToClient(LevelWindow(level), &p);
  const TMenuLayout l = Layout(*m);
  for (size_t n = 0; n < l.items.size(); ++n)
    if (PtInRect(l.items[n], p) && !IsSeparator(m->items[n])) return static_cast<int>(n);
  return -1;
}

// The innermost level whose window holds a screen point, or -1.
int LevelAt(POINT screen) {
  for (int level = Levels() - 1; level >= 0; --level) {
    RECT r;
    if (GetWindowRect(LevelWindow(level), &r) && PtInRect(r, screen)) return level;
  }
  return -1;
}

// The pointer rests on an item: it is highlighted, its submenu opens, and
// the submenus of other items close.
void PointAt(int level, int item) {
  if (item < 0) return;
  SetHot(level, item);
  const TMenuEntry* m = Entry(LevelMenu(level));
  if (m->items[static_cast<size_t>(item)].submenu)
    OpenSubmenu(level, item, false);
  else
    CloseSubmenusFrom(level + 1);
}

void MenuKey(UINT vk) {
  const int level = Levels() - 1;
  if (level < 0) return;
  TMenuEntry* m = Entry(LevelMenu(level));
  if (!m) return;
  const int hot = LevelHot(level);
  switch (vk) {
    case VK_UP:
      SetHot(level, NextItem(*m, hot, -1));
      return;
    case VK_DOWN:
      SetHot(level, NextItem(*m, hot, +1));
      return;
    case VK_HOME:
      SetHot(level, NextItem(*m, -1, +1));
      return;
    case VK_END:
      SetHot(level, NextItem(*m, -1, -1));
      return;
    case VK_RETURN:
      Activate(level, hot);
      return;
    case VK_RIGHT:
      if (hot >= 0 && m->items[static_cast<size_t>(hot)].submenu) OpenSubmenu(level, hot, true);
      return;
    case VK_ESCAPE:
    case VK_LEFT:
      if (level > 0) {
        CloseSubmenusFrom(level);
        return;
      }
      EndMenu();
      return;
    case VK_MENU:
    case VK_F10:
      EndMenu();
      return;
    default:
      break;
  }
  const bool letter = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
  if (!letter) return;
  // One item with the letter is chosen at once; several take turns at the
  // highlight, as the user presses the letter again.
  std::vector<int> matches;
  for (size_t n = 0; n < m->items.size(); ++n)
    if (!IsSeparator(m->items[n]) && Accelerator(m->items[n].text) == static_cast<char>(vk))
      matches.push_back(static_cast<int>(n));
  if (matches.size() == 1) {
    SetHot(level, matches[0]);
    Activate(level, matches[0]);
  } else if (!matches.empty()) {
    auto after = std::upper_bound(matches.begin(), matches.end(), hot);
    SetHot(level, after == matches.end() ? matches.front() : *after);
  }
}

}  // namespace

HMENU CreatePopupMenu() {
  auto& k = Kernel();
  const HMENU menu = reinterpret_cast<HMENU>(k.nextMenu);
  k.nextMenu += 4;
  k.menus[menu] = TMenuEntry{};
  return menu;
}

BOOL DestroyMenu(HMENU menu) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(menu);
  if (!m) return FALSE;
  if (k.openMenu == menu) EndMenu();
  for (int level = 1; level < Levels(); ++level) {
    if (LevelMenu(level) != menu) continue;
    CloseSubmenusFrom(level);
    break;
  }
  std::vector<HMENU> submenus;
  for (const TMenuItemEntry& i : m->items)
    if (i.submenu) submenus.push_back(i.submenu);
  k.menus.erase(menu);
  for (HMENU sub : submenus) DestroyMenu(sub);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
  TMenuEntry* m = Entry(menu);
  if (!m) return FALSE;
  TMenuItemEntry item;
  item.flags =
      flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MFT_RADIOCHECK | MF_POPUP);
  if (flags & MF_POPUP) {
    // A menu cannot open itself, nor a menu that is not there.
    const HMENU sub = reinterpret_cast<HMENU>(id);
    if (sub == menu || !Entry(sub)) return FALSE;
    item.submenu = sub;
    item.id = static_cast<UINT>(-1);
  } else {
    item.id = static_cast<UINT>(id);
  }
  if (!(flags & MF_SEPARATOR) && text) item.text = text;
  m->items.push_back(item);
  Repaint();
  return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT item, UINT byFlags) {
  TMenuEntry* m = Entry(menu);
  if (!m) return FALSE;
  for (size_t n = 0; n < m->items.size(); ++n) {
    const bool hit =
        (byFlags & MF_BYPOSITION) ? n == item : !IsSeparator(m->items[n]) && m->items[n].id == item;
    if (hit) {
      m->items.erase(m->items.begin() + static_cast<std::ptrdiff_t>(n));
      Repaint();
      return TRUE;
    }
  }
  return FALSE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  const UINT state = GetMenuState(menu, item, flags & MF_BYPOSITION);
  if (state == static_cast<UINT>(-1)) return static_cast<DWORD>(-1);
  TMenuEntry* m = Entry(menu);
  for (size_t n = 0; n < m->items.size(); ++n) {
    TMenuItemEntry& i = m->items[n];
    const bool hit = (flags & MF_BYPOSITION) ? n == item : !IsSeparator(i) && i.id == item;
    if (!hit) continue;
    i.flags = (i.flags & ~MF_CHECKED) | (flags & MF_CHECKED);
    break;
  }
  Repaint();
  return state & MF_CHECKED;
}

BOOL SetMenuImageList(HMENU menu, HIMAGELIST images) {
  TMenuEntry* m = Entry(menu);
  if (!m) return FALSE;
  m->images = images;
  return TRUE;
}

BOOL SetMenuItemImage(HMENU menu, UINT position, int image) {
  TMenuEntry* m = Entry(menu);
  if (!m || position >= m->items.size()) return FALSE;
  m->items[position].image = image;
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(menu);
  if (!m || m->items.empty() || !IsWindow(owner)) return FALSE;
  if (k.openMenu) EndMenu();
  k.openMenu = menu;
  k.openMenuOwner = owner;
  k.menuHot = -1;
  SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
  if (IsWindow(owner))
    SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
  // The owner may have closed the menu or changed its items meanwhile.
  m = Entry(menu);
  if (k.openMenu != menu || !m || m->items.empty()) {
    if (k.openMenu == menu) EndMenu();
    return FALSE;
  }
  const SIZE size = Layout(*m).size;
  if (flags & TPM_RIGHTALIGN)
    x -= size.cx;
  else if (flags & TPM_CENTERALIGN)
    x -= size.cx / 2;
  if (flags & TPM_BOTTOMALIGN)
    y -= size.cy;
  else if (flags & TPM_VCENTERALIGN)
    y -= size.cy / 2;
  // Kept on the screen: a menu that would pass the right or bottom edge
  // opens to the other side of the point, as far as there is room.
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  if (x + size.cx > screenW) x = std::max(0, std::min<int>(x - size.cx, screenW - size.cx));
  if (y + size.cy > screenH) y = std::max(0, std::min<int>(y - size.cy, screenH - size.cy));
  x = std::max(0, x);
  y = std::max(0, y);
  HWND hwnd = CreateMenuWindow(menu, x, y, size);
  if (!hwnd) {
    EndMenu();
    return FALSE;
  }
  k.menuWindow = hwnd;
  ShowMenuWindow(hwnd);
  return TRUE;
}

HWND GetOpenMenuWindow(int level) {
  return level >= 0 && level < Levels() ? LevelWindow(level) : nullptr;
}

int GetOpenMenuHotItem(int level) {
  return level >= 0 && level < Levels() ? LevelHot(level) : -1;
}

BOOL GetOpenMenuItemRect(int position, RECT* rect, int level) {
  if (level < 0 || level >= Levels()) return FALSE;
  TMenuEntry* m = Entry(LevelMenu(level));
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return FALSE;
  *rect = Layout(*m).items[static_cast<size_t>(position)];
  return TRUE;
}

void winkernel::RegisterMenuClass() {
  WNDCLASS existing;
  if (GetClassInfo(HInstance(), MENU_WINDOW_CLASS, &existing)) return;
  WNDCLASS wc;
  wc.lpszClassName = MENU_WINDOW_CLASS;
  wc.hInstance = HInstance();
  wc.lpfnWndProc = StaticWndProc(&MenuWindowProc);
  RegisterClass(wc);
}

bool winkernel::PopupMenuInput(const TInputEvent& e) {
  switch (e.kind) {
    case TInputKind::KeyDown:
      MenuKey(e.vk);
      return true;
    case TInputKind::KeyUp:
    case TInputKind::Char:
    case TInputKind::Wheel:
      return true;
    case TInputKind::MouseMove:
      if (const int level = LevelAt(e.pt); level >= 0) PointAt(level, ItemAt(level, e.pt));
      return true;
    case TInputKind::ButtonDown:
      if (LevelAt(e.pt) < 0) EndMenu();
      return true;
    case TInputKind::ButtonUp:
      if (const int level = LevelAt(e.pt);
          level >= 0 && (e.button == TInputButton::Left || e.button == TInputButton::Right))
        Activate(level, ItemAt(level, e.pt));
      return true;
    default:
      return false;
  }
}

void winkernel::CloseOpenSubmenus() {
  CloseSubmenusFrom(1);
}
