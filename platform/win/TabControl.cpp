// platform/win/TabControl.cpp
#include "platform/win/TabControl.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/rtl/Types.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

constexpr int kTabPadX = 6;     // between a tab's edge and its content
constexpr int kImageGap = 3;    // between the image and the text
constexpr int kRaise = 2;       // how far the selected tab stands out
constexpr int kFrameInset = 4;  // from the frame's outer edge to the display area
constexpr int kFirstTab = 2;    // the first tab's distance from the left

struct TTab {
  String text;
  int image = -1;
  LPARAM param = 0;
};

struct TTabState {
  std::vector<TTab> tabs;
  int sel = -1;
  int first = 0;  // the first tab shown when they do not all fit
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
  bool focused = false;
};

TTabState* State(HWND hwnd) {
  return ControlWindowState<TTabState>(hwnd).get();
}

int Count(const TTabState& s) {
  return static_cast<int>(s.tabs.size());
}

SIZE ImageSize(const TTabState& s) {
  int w = 0, h = 0;
  if (s.images) ImageList_GetIconSize(s.images, &w, &h);
  return SIZE{w, h};
}

// The height of the tab row (the selected tab stands kRaise above it).
int RowHeight(const TTabState& s) {
  TMeasureDC dc(s.font);
  TEXTMETRIC tm;
  GetTextMetrics(dc.Dc(), &tm);
  return std::max<int>(tm.tmHeight, ImageSize(s).cy) + 6 + kRaise;
}

// The rectangles of the tabs, unselected (the selected one is drawn larger).
std::vector<RECT> TabRects(const TTabState& s) {
  std::vector<RECT> rects;
  TMeasureDC dc(s.font);
  const int rowH = RowHeight(s);
  const SIZE image = ImageSize(s);
  int x = kFirstTab;
  for (const TTab& t : s.tabs) {
    RECT m{0, 0, 0, 0};
    DrawText(dc.Dc(), t.text.c_str(), static_cast<int>(t.text.size()), &m,
             DT_SINGLELINE | DT_CALCRECT);
    int w = RectWidth(m) + 2 * kTabPadX;
    if (s.images && t.image >= 0) w += image.cx + kImageGap;
    rects.push_back(RECT{x, kRaise, x + w, rowH});
    x += w;
  }
  return rects;
}

constexpr int kArrowW = 16;  // each of the two scroll buttons

// Where the tabs are shown: when they do not fit, from the `first` tab on,
// with two arrow buttons at the right end of the row that scroll them.
struct TTabLayout {
  std::vector<RECT> tabs;
  bool scrolls = false;
  RECT back{0, 0, 0, 0}, forward{0, 0, 0, 0};
  int limit = 0;      // tabs are cut off here (the buttons' left edge)
  int lastFirst = 0;  // the furthest scroll: the last tab just in view
};

TTabLayout LayoutTabs(HWND hwnd, TTabState& s) {
  TTabLayout l;
  l.tabs = TabRects(s);
  RECT client;
  GetClientRect(hwnd, &client);
  l.limit = client.right;
  l.scrolls = !l.tabs.empty() && l.tabs.back().right + kRaise > client.right;
  if (!l.scrolls) {
    s.first = 0;
    return l;
  }
  const int rowH = RowHeight(s);
  l.forward = RECT{client.right - kArrowW, rowH - kArrowW - 1, client.right, rowH - 1};
  l.back = RECT{l.forward.left - kArrowW, l.forward.top, l.forward.left, l.forward.bottom};
  l.limit = l.back.left;
  const int n = static_cast<int>(l.tabs.size());
  while (l.lastFirst < n - 1 &&
         l.tabs.back().right - (l.tabs[static_cast<size_t>(l.lastFirst)].left - kFirstTab) +
                 kRaise >
             l.limit)
    ++l.lastFirst;
  s.first = std::clamp(s.first, 0, l.lastFirst);
  const int shift = l.tabs[static_cast<size_t>(s.first)].left - kFirstTab;
  for (RECT& r : l.tabs) OffsetRect(r, -shift, 0);
  return l;
}

// Scrolls so that the selected tab is wholly in view.
void ShowSelected(HWND hwnd, TTabState& s) {
  if (s.sel < 0) return;
  TTabLayout l = LayoutTabs(hwnd, s);
  if (!l.scrolls) return;
  if (s.sel < s.first) {
    s.first = s.sel;
  } else {
    const RECT sel = l.tabs[static_cast<size_t>(s.sel)];
    int first = s.first;
    int right = sel.right;
    while (right + kRaise > l.limit && first < std::min(s.sel, l.lastFirst)) {
      right -= RectWidth(l.tabs[static_cast<size_t>(first)]);
      ++first;
    }
    s.first = first;
  }
  InvalidateRect(hwnd, nullptr, FALSE);
}

void Paint(HWND hwnd, HDC dc) {
  TTabState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  const int rowH = RowHeight(s);
  RECT frame{client.left, rowH, client.right, client.bottom};
  DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT | BF_SOFT);
  const TTabLayout l = LayoutTabs(hwnd, s);
  const std::vector<RECT>& rects = l.tabs;
  const int saved = SaveDC(dc);
  if (l.scrolls) IntersectClipRect(dc, 0, 0, l.limit, client.bottom);
  HGDIOBJ old = SelectObject(dc, ControlFont(s.font));
  SetBkMode(dc, TRANSPARENT);
  const SIZE image = ImageSize(s);
  const bool enabled = IsWindowEnabled(hwnd);
  for (int i = 0; i < Count(s); ++i) {
    RECT r = rects[static_cast<size_t>(i)];
    const bool selected = i == s.sel;
    if (selected) {
      // Larger, and joined to the frame: the frame's top line goes under it.
      r.left -= kRaise;
      r.right += kRaise;
      r.top -= kRaise;
      r.bottom += 1;
    }
    RECT face = r;
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &face, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    const TTab& t = s.tabs[static_cast<size_t>(i)];
    RECT content{r.left + kTabPadX, r.top + 2, r.right - kTabPadX, rowH - (selected ? 0 : 1)};
    if (!selected) OffsetRect(content, 0, 1);
    if (s.images && t.image >= 0) {
      const int y = (content.top + content.bottom - image.cy) / 2;
      ImageList_Draw(s.images, t.image, dc, content.left, y, ILD_TRANSPARENT);
      content.left += image.cx + kImageGap;
    }
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    RECT text = content;
    DrawText(dc, t.text.c_str(), static_cast<int>(t.text.size()), &text,
             DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (selected && s.focused) {
      RECT focus{r.left + 3, r.top + 3, r.right - 3, rowH - 1};
      DrawFocusRect(dc, &focus);
    }
  }
  SelectObject(dc, old);
  RestoreDC(dc, saved);
  if (l.scrolls) {
    RECT back = l.back, forward = l.forward;
    DrawFrameControl(dc, &back, DFC_SCROLL,
                     DFCS_SCROLLLEFT | (s.first > 0 && enabled ? 0 : DFCS_INACTIVE));
    DrawFrameControl(dc, &forward, DFC_SCROLL,
                     DFCS_SCROLLRIGHT | (s.first < l.lastFirst && enabled ? 0 : DFCS_INACTIVE));
  }
}

int HitTest(HWND hwnd, TTabState& s, POINT p) {
  const TTabLayout l = LayoutTabs(hwnd, s);
  if (l.scrolls && p.x >= l.limit) return -1;  // the buttons, or tabs under them
  const std::vector<RECT>& rects = l.tabs;
  for (int i = 0; i < Count(s); ++i) {
    RECT r = rects[static_cast<size_t>(i)];
    if (i == s.sel) InflateRect(&r, kRaise, kRaise);
    if (PtInRect(r, p)) return i;
  }
  return -1;
}

LRESULT Notify(HWND hwnd, UINT code) {
  NMHDR hdr;
  hdr.hwndFrom = hwnd;
  hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  hdr.code = code;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr)) : 0;
}

// The user's choice of a tab: the parent may refuse it.
void UserSelect(HWND hwnd, TTabState& s, int index) {
  if (index < 0 || index >= Count(s) || index == s.sel) return;
  if (Notify(hwnd, TCN_SELCHANGING)) return;
  if (!IsWindow(hwnd) || index >= Count(s)) return;
  s.sel = index;
  ShowSelected(hwnd, s);
  InvalidateRect(hwnd, nullptr, FALSE);
  Notify(hwnd, TCN_SELCHANGE);
}

bool SetItem(TTab& t, const TCITEMA& item) {
  if (item.mask & TCIF_TEXT) t.text = item.pszText ? item.pszText : "";
  if (item.mask & TCIF_IMAGE) t.image = item.iImage;
  if (item.mask & TCIF_PARAM) t.param = item.lParam;
  return true;
}

LRESULT TabProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TTabState> s = ControlWindowState<TTabState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r))
    return r;
  switch (msg) {
    case WM_ENABLE:
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN: {
      const POINT p = PointFromLParam(lParam);
      if (const TTabLayout l = LayoutTabs(hwnd, *s); l.scrolls) {
        const int step = PtInRect(l.back, p) ? -1 : PtInRect(l.forward, p) ? 1 : 0;
        if (step) {
          s->first = std::clamp(s->first + step, 0, l.lastFirst);
          InvalidateRect(hwnd, nullptr, FALSE);
          return 0;
        }
      }
      const int i = HitTest(hwnd, *s, p);
      if (i < 0) return 0;
      if (!(GetWindowLongPtr(hwnd, GWL_STYLE) & TCS_FOCUSNEVER) && GetFocus() != hwnd)
        SetFocus(hwnd);
      if (IsWindow(hwnd)) UserSelect(hwnd, *s, i);
      return 0;
    }
    case WM_LBUTTONUP:
      if (HitTest(hwnd, *s, PointFromLParam(lParam)) >= 0) Notify(hwnd, NM_CLICK);
      return 0;
    case WM_KEYDOWN: {
      int to = s->sel;
      switch (wParam) {
        case VK_LEFT:
          to = s->sel - 1;
          break;
        case VK_RIGHT:
          to = s->sel + 1;
          break;
        case VK_HOME:
          to = 0;
          break;
        case VK_END:
          to = Count(*s) - 1;
          break;
        default:
          return 0;
      }
      UserSelect(hwnd, *s, to);
      return 0;
    }
    case TCM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->images);
    case TCM_SETIMAGELIST: {
      const HIMAGELIST old = s->images;
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETITEMCOUNT:
      return Count(*s);
    case TCM_INSERTITEMA: {
      const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
      if (!item) return -1;
      const int at = std::max(0, std::min(static_cast<int>(wParam), Count(*s)));
      TTab t;
      SetItem(t, *item);
      s->tabs.insert(s->tabs.begin() + at, t);
      if (s->sel >= at) ++s->sel;
      InvalidateRect(hwnd, nullptr, FALSE);
      return at;
    }
    case TCM_SETITEMA:
    case TCM_GETITEMA: {
      const int i = static_cast<int>(wParam);
      auto* item = reinterpret_cast<TCITEMA*>(lParam);
      if (!item || i < 0 || i >= Count(*s)) return FALSE;
      TTab& t = s->tabs[static_cast<size_t>(i)];
      if (msg == TCM_SETITEMA) {
        SetItem(t, *item);
        InvalidateRect(hwnd, nullptr, FALSE);
        return TRUE;
      }
      if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        const size_t n = std::min<size_t>(t.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, t.text.data(), n);
        item->pszText[n] = '\0';
      }
      if (item->mask & TCIF_IMAGE) item->iImage = t.image;
      if (item->mask & TCIF_PARAM) item->lParam = t.param;
      return TRUE;
    }
    case TCM_DELETEITEM: {
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return FALSE;
      s->tabs.erase(s->tabs.begin() + i);
      if (s->sel == i)
        s->sel = -1;
      else if (s->sel > i)
        --s->sel;
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case TCM_DELETEALLITEMS:
      s->tabs.clear();
      s->sel = -1;
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    case TCM_GETITEMRECT: {
      const int i = static_cast<int>(wParam);
      if (!lParam || i < 0 || i >= Count(*s)) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = LayoutTabs(hwnd, *s).tabs[static_cast<size_t>(i)];
      return TRUE;
    }
    case TCM_GETCURSEL:
    case TCM_GETCURFOCUS:
      return s->sel;
    case TCM_SETCURSEL:
    case TCM_SETCURFOCUS: {
      const int old = s->sel;
      const int i = static_cast<int>(wParam);
      if (i < 0 || i >= Count(*s)) return -1;
      s->sel = i;
      ShowSelected(hwnd, *s);
      InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(lParam);
      if (!info) return -1;
      const int i = HitTest(hwnd, *s, info->pt);
      info->flags = i < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
      return i;
    }
    case TCM_GETROWCOUNT:
      return 1;
    case TCM_ADJUSTRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return 0;
      const int top = RowHeight(*s) + kFrameInset, side = kFrameInset;
      if (wParam) {
        r->left -= side;
        r->right += side;
        r->top -= top;
        r->bottom += side;
      } else {
        r->left += side;
        r->right -= side;
        r->top += top;
        r->bottom -= side;
      }
      return 0;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterTabControlClass() {
  RegisterControlWindowClass(WC_TABCONTROL, &TabProc);
}
