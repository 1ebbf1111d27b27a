// platform/win/PopupMenu.cpp
//
// Popup menus the program builds, and the window that shows the open one.
// The open menu's state (which menu, its window, the highlighted item) lives
// in the kernel, so that the input it takes first (Menu.cpp's MenuInput) can
// act on it without a modal loop of its own.
#include <algorithm>
#include <cctype>

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
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
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
  SelectObject(dc, old);
  DeleteDC(dc);
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

void PaintMenu(HWND hwnd, HDC dc) {
  auto& k = Kernel();
  const HMENU menu = reinterpret_cast<HMENU>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  const TMenuEntry* m = Entry(menu);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  if (!m) return;
  const TMenuLayout l = Layout(*m);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  for (size_t n = 0; n < m->items.size(); ++n) {
    const TMenuItemEntry& i = m->items[n];
    const RECT r = l.items[n];
    if (IsSeparator(i)) {
      RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    const bool hot = k.menuWindow == hwnd && k.menuHot == static_cast<int>(n);
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
  }
  SelectObject(dc, oldFont);
}

LRESULT MenuWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = wParam ? reinterpret_cast<HDC>(wParam) : BeginPaint(hwnd, &ps);
      PaintMenu(hwnd, dc);
      if (!wParam) EndPaint(hwnd, &ps);
      return 0;
    }
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
      }
      break;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

void Repaint() {
  auto& k = Kernel();
  if (k.menuWindow) InvalidateRect(k.menuWindow, nullptr, FALSE);
}

void SetHot(int hot) {
  auto& k = Kernel();
  if (k.menuHot == hot) return;
  k.menuHot = hot;
  Repaint();
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

void Choose(int position) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(k.openMenu);
  if (!m || position < 0 || position >= static_cast<int>(m->items.size())) return;
  const TMenuItemEntry& i = m->items[static_cast<size_t>(position)];
  if (IsSeparator(i) || IsGreyed(i)) return;
  ChooseOpenMenuItem(i.id);
}

// The item under a screen point, or -1 (also outside the menu).
int ItemAt(POINT screen) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(k.openMenu);
  if (!m || !k.menuWindow) return -1;
  POINT p = screen;
  ScreenToClient(k.menuWindow, &p);
  const TMenuLayout l = Layout(*m);
  for (size_t n = 0; n < l.items.size(); ++n)
    if (PtInRect(l.items[n], p) && !IsSeparator(m->items[n])) return static_cast<int>(n);
  return -1;
}

bool InMenuWindow(POINT screen) {
  auto& k = Kernel();
  RECT r;
  return k.menuWindow && GetWindowRect(k.menuWindow, &r) && PtInRect(r, screen);
}

void MenuKey(UINT vk) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(k.openMenu);
  if (!m) return;
  switch (vk) {
    case VK_UP:
      SetHot(NextItem(*m, k.menuHot, -1));
      return;
    case VK_DOWN:
      SetHot(NextItem(*m, k.menuHot, +1));
      return;
    case VK_HOME:
      SetHot(NextItem(*m, -1, +1));
      return;
    case VK_END:
      SetHot(NextItem(*m, -1, -1));
      return;
    case VK_RETURN:
      Choose(k.menuHot);
      return;
    case VK_ESCAPE:
    case VK_LEFT:
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
    SetHot(matches[0]);
    Choose(matches[0]);
  } else if (!matches.empty()) {
    auto after = std::upper_bound(matches.begin(), matches.end(), k.menuHot);
    SetHot(after == matches.end() ? matches.front() : *after);
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
  if (!Entry(menu)) return FALSE;
  if (k.openMenu == menu) EndMenu();
  k.menus.erase(menu);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
  TMenuEntry* m = Entry(menu);
  if (!m) return FALSE;
  TMenuItemEntry item;
  item.id = static_cast<UINT>(id);
  item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MFT_RADIOCHECK);
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
  HWND hwnd =
      CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, MENU_WINDOW_CLASS, "",
                     WS_POPUP, x, y, size.cx, size.cy, nullptr, nullptr, HInstance(), nullptr);
  if (!hwnd) {
    EndMenu();
    return FALSE;
  }
  SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(menu));
  k.menuWindow = hwnd;
  SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(hwnd);
  return TRUE;
}

HWND GetOpenMenuWindow() {
  return Kernel().menuWindow;
}

int GetOpenMenuHotItem() {
  auto& k = Kernel();
  return k.menuWindow ? k.menuHot : -1;
}

BOOL GetOpenMenuItemRect(int position, RECT* rect) {
  auto& k = Kernel();
  TMenuEntry* m = Entry(k.openMenu);
  if (!m || !k.menuWindow || position < 0 || position >= static_cast<int>(m->items.size()))
    return FALSE;
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
      if (InMenuWindow(e.pt)) SetHot(ItemAt(e.pt));
      return true;
    case TInputKind::ButtonDown:
      if (!InMenuWindow(e.pt)) EndMenu();
      return true;
    case TInputKind::ButtonUp:
      if (InMenuWindow(e.pt) && (e.button == TInputButton::Left || e.button == TInputButton::Right))
        Choose(ItemAt(e.pt));
      return true;
    default:
      return false;
  }
}
