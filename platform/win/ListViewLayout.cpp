// platform/win/ListViewLayout.cpp
//
// Where the list view's items lie in each style, and drawing them. Every
// function here costs what is in view: positions follow from an item's
// index and the grid of the style, never from walking the items.
#include <algorithm>
#include <cstring>

#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Header.h"
#include "platform/win/ImageList.h"
#include "platform/win/ListViewState.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace listview {

namespace {

constexpr COLORREF kDefault = 0xFFFFFFFF;
constexpr int kIconCellWidth = 76;
constexpr int kLabelPad = 2;
constexpr int kStateWidth = 16;  // the check box column (LVS_EX_CHECKBOXES)
constexpr int kCheckSize = 13;

void IconSize(HIMAGELIST list, int& cx, int& cy) {
  cx = cy = 0;
  if (list) ImageList_GetIconSize(list, &cx, &cy);
}

int TotalColumnWidth(const TState& s) {
  int w = 0;
  for (const TColumn& c : s.columns) w += c.width;
  return w;
}

// Lays out for a view of `width` x `height`; returns the lines in view.
void Grid(const TState& s, TLayout& l, int width, int height) {
  int smallCx, smallCy, largeCx, largeCy;
  IconSize(s.smallImages, smallCx, smallCy);
  IconSize(s.largeImages, largeCx, largeCy);
  const int n = static_cast<int>(s.items.size());
  const int rowHeight = std::max(l.textHeight, smallCy) + 2;
  const int listWidth =
      s.listColumnWidth > 0 ? s.listColumnWidth : smallCx + 4 + 16 * std::max(1, l.textHeight / 2);
  switch (l.style) {
    case LVS_REPORT:
      l.cellWidth = TotalColumnWidth(s);
      l.cellHeight = rowHeight;
      l.perLine = 1;
      l.lines = n;
      l.visibleLines = std::max(1, height / rowHeight);
      break;
    case LVS_LIST:
      l.cellWidth = listWidth;
      l.cellHeight = rowHeight;
      l.perLine = std::max(1, height / rowHeight);
      l.lines = (n + l.perLine - 1) / l.perLine;
      l.visibleLines = std::max(1, width / listWidth);
      break;
    case LVS_SMALLICON:
      l.cellWidth = listWidth;
      l.cellHeight = rowHeight;
      l.perLine = std::max(1, width / listWidth);
      l.lines = (n + l.perLine - 1) / l.perLine;
      l.visibleLines = std::max(1, height / rowHeight);
      break;
    default:
      l.cellWidth = std::max(kIconCellWidth, largeCx + 8);
      l.cellHeight = std::max(largeCy, 32) + 6 + 2 * l.textHeight + 4;
      l.perLine = std::max(1, width / l.cellWidth);
      l.lines = (n + l.perLine - 1) / l.perLine;
      l.visibleLines = std::max(1, height / l.cellHeight);
      break;
  }
}

}  // namespace

TState* StateOf(HWND hwnd) {
  return ControlWindowState<TState>(hwnd).get();
}

void UpdateLayout(HWND hwnd, TState& s) {
  TLayout& l = s.layout;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
  l.style = style & LVS_TYPEMASK;
  RECT client;
  GetClientRect(hwnd, &client);
  {
    TMeasureDC dc(s.font);
    TEXTMETRIC tm;
    GetTextMetrics(dc.Dc(), &tm);
    l.textHeight = tm.tmHeight;
  }
  // The header sits at the top in report style and moves left with the
  // horizontal scroll, so its items stay above their columns.
  const bool showHeader = l.style == LVS_REPORT && !(style & LVS_NOCOLUMNHEADER) && s.header;
  l.headerHeight = 0;
  if (showHeader) {
    RECT r = client;
    WINDOWPOS pos;
    HDLAYOUT hl{&r, &pos};
    SendMessage(s.header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&hl));
    l.headerHeight = pos.cy;
  }
  const bool scrolls = !(style & LVS_NOSCROLL);
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  bool needV = false, needH = false;
  for (int pass = 0; pass < 3; ++pass) {
    const int width = std::max(0, static_cast<int>(client.right) - (needV ? bar : 0));
    const int height =
        std::max(0, static_cast<int>(client.bottom) - l.headerHeight - (needH ? bar : 0));
    Grid(s, l, width, height);
    bool v = false, h = false;
    if (scrolls) {
      if (l.style == LVS_LIST) {
        h = l.lines > l.visibleLines;
      } else {
        v = l.lines > l.visibleLines;
        h = l.style == LVS_REPORT && l.cellWidth > width;
      }
    }
    if (v == needV && h == needH) break;
    needV = needV || v;
    needH = needH || h;
  }
  l.view =
      RECT{0, l.headerHeight, client.right - (needV ? bar : 0), client.bottom - (needH ? bar : 0)};
  if (l.view.right < 0) l.view.right = 0;
  if (l.view.bottom < l.view.top) l.view.bottom = l.view.top;
  const bool flat = (s.exStyle & LVS_EX_FLATSB) != 0;
  s.vbar.SetFlat(flat);
  s.hbar.SetFlat(flat);
  s.vbar.SetRect(needV ? RECT{l.view.right, l.headerHeight, client.right, l.view.bottom} : RECT{});
  s.hbar.SetRect(needH ? RECT{0, l.view.bottom, l.view.right, client.bottom} : RECT{});
  if (l.style == LVS_LIST) {
    s.vbar.SetRange(0, 0, 0);
    s.hbar.SetRange(0, std::max(0, l.lines - 1), l.visibleLines);
  } else {
    s.vbar.SetRange(0, std::max(0, l.lines - 1), l.visibleLines);
    const int width = l.view.right - l.view.left;
    if (l.style == LVS_REPORT)
      s.hbar.SetRange(0, std::max(0, l.cellWidth - 1), width);
    else
      s.hbar.SetRange(0, 0, 0);
  }
  if (s.header) {
    RECT want{};
    if (showHeader)
      want = RECT{-s.hbar.Pos(), 0,
                  std::max(static_cast<int>(client.right), l.cellWidth) + (needV ? bar : 0),
                  l.headerHeight};
    if (std::memcmp(&want, &s.headerRect, sizeof want) != 0) {
      s.headerRect = want;
      SetWindowPos(s.header, nullptr, want.left, want.top, want.right - want.left,
                   want.bottom - want.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (showHeader ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    }
  }
}

void VisibleRange(const TState& s, int& first, int& last) {
  const TLayout& l = s.layout;
  const int n = static_cast<int>(s.items.size());
  const int line = l.style == LVS_LIST ? s.hbar.Pos() : s.vbar.Pos();
  first = std::min(n, line * l.perLine);
  last = static_cast<int>(
      std::min<long long>(n, static_cast<long long>(line + l.visibleLines + 1) * l.perLine));
}

int ColumnLeft(const TState& s, int column) {
  int x = s.layout.view.left - s.hbar.Pos();
  for (int c = 0; c < column && c < static_cast<int>(s.columns.size()); ++c)
    x += s.columns[c].width;
  return x;
}

void ItemTextInto(HWND hwnd, const TState& s, int index, int column, std::string& out) {
  const TItem& item = s.items[index];
  if (column < 32 && (item.callbacks & (1u << column))) {
    char buffer[1024] = {};
    NMLVDISPINFOA info;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = index;
    info.item.iSubItem = column;
    info.item.pszText = buffer;
    info.item.cchTextMax = sizeof buffer;
    info.item.lParam = item.lParam;
    Notify(hwnd, LVN_GETDISPINFOA, info.hdr);
    // The parent may fill the buffer or point at text of its own.
    if (info.item.pszText && info.item.pszText != LPSTR_TEXTCALLBACK)
      out.assign(info.item.pszText);
    else
      out.clear();
    return;
  }
  if (!item.texts || column >= static_cast<int>(item.texts->size()))
    out.clear();
  else
    out.assign((*item.texts)[column]);
}

std::string ItemText(HWND hwnd, const TState& s, int index, int column) {
  std::string text;
  ItemTextInto(hwnd, s, index, column, text);
  return text;
}

int ItemImage(HWND hwnd, const TState& s, int index) {
  const TItem& item = s.items[index];
  if (!item.imageCallback) return item.image;
  NMLVDISPINFOA info;
  info.item.mask = LVIF_IMAGE;
  info.item.iItem = index;
  info.item.lParam = item.lParam;
  Notify(hwnd, LVN_GETDISPINFOA, info.hdr);
  return info.item.iImage;
}

int TextWidth(HWND, const TState& s, const std::string& text) {
  TMeasureDC dc(s.font);
  SIZE size;
  GetTextExtentPoint32(dc.Dc(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

RECT ItemRect(HWND hwnd, const TState& s, int index, int part) {
  const TLayout& l = s.layout;
  int smallCx, smallCy, largeCx, largeCy;
  IconSize(s.smallImages, smallCx, smallCy);
  IconSize(s.largeImages, largeCx, largeCy);
  RECT icon, label, bounds;
  // Check boxes go before the image, except in the icon style where the
  // image has the room beside it.
  const int state = (s.exStyle & LVS_EX_CHECKBOXES) && l.style != LVS_ICON ? kStateWidth : 0;
  if (l.style == LVS_REPORT) {
    const int top = l.view.top + (index - s.vbar.Pos()) * l.cellHeight;
    const int left = l.view.left - s.hbar.Pos();
    bounds = RECT{left, top, left + l.cellWidth, top + l.cellHeight};
    const int col0 = s.columns.empty() ? 0 : s.columns[0].width;
    icon =
        RECT{left + kLabelPad + state, top, left + kLabelPad + state + smallCx, top + l.cellHeight};
    label = RECT{icon.right + (smallCx ? kLabelPad : 0), top, std::max(icon.right, left + col0),
                 top + l.cellHeight};
    if (part == LVIR_SELECTBOUNDS && (s.exStyle & LVS_EX_FULLROWSELECT)) return bounds;
  } else {
    int col, row;
    if (l.style == LVS_LIST) {
      col = index / l.perLine - s.hbar.Pos();
      row = index % l.perLine;
    } else {
      col = index % l.perLine;
      row = index / l.perLine - s.vbar.Pos();
    }
    const int x = l.view.left + col * l.cellWidth;
    const int y = l.view.top + row * l.cellHeight;
    const int textWidth =
        part == LVIR_ICON ? 0 : TextWidth(hwnd, s, ItemText(hwnd, s, index, 0)) + 2 * kLabelPad;
    if (l.style == LVS_ICON) {
      const int cx = largeCx ? largeCx : 32, cy = largeCy ? largeCy : 32;
      icon = RECT{x + (l.cellWidth - cx) / 2, y + 2, x + (l.cellWidth + cx) / 2, y + 2 + cy};
      const int width = std::min(textWidth, l.cellWidth - 2);
      const int lines = textWidth > l.cellWidth - 2 ? 2 : 1;
      label = RECT{x + (l.cellWidth - width) / 2, icon.bottom + 2, x + (l.cellWidth + width) / 2,
                   icon.bottom + 2 + lines * l.textHeight + 2};
    } else {
      icon = RECT{x + kLabelPad + state, y, x + kLabelPad + state + smallCx, y + l.cellHeight};
      const int start = icon.right + (smallCx ? kLabelPad : 0);
      label = RECT{start, y, std::min(x + l.cellWidth - kLabelPad, start + textWidth),
                   y + l.cellHeight};
    }
    UnionRect(&bounds, &icon, &label);
    if (state) bounds.left -= state;
  }
  switch (part) {
    case LVIR_ICON:
      return icon;
    case LVIR_LABEL:
      return label;
    case LVIR_SELECTBOUNDS: {
      RECT r;
      UnionRect(&r, &icon, &label);
      return r;
    }
    default:
      return bounds;
  }
}

RECT StateRect(HWND hwnd, const TState& s, int index) {
  const RECT icon = ItemRect(hwnd, s, index, LVIR_ICON);
  if (s.layout.style == LVS_ICON)
    return RECT{icon.left - kStateWidth, icon.bottom - kStateWidth, icon.left, icon.bottom};
  return RECT{icon.left - kStateWidth, icon.top, icon.left, icon.bottom};
}

int HitTest(HWND hwnd, const TState& s, POINT pt, UINT& flags, int& subItem) {
  const TLayout& l = s.layout;
  subItem = 0;
  flags = 0;
  if (pt.y < l.view.top) flags |= LVHT_ABOVE;
  if (pt.y >= l.view.bottom) flags |= LVHT_BELOW;
  if (pt.x < l.view.left) flags |= LVHT_TOLEFT;
  if (pt.x >= l.view.right) flags |= LVHT_TORIGHT;
  if (flags) return -1;
  const int n = static_cast<int>(s.items.size());
  int index;
  const int cx = pt.x - l.view.left, cy = pt.y - l.view.top;
  if (l.style == LVS_REPORT) {
    index = s.vbar.Pos() + cy / l.cellHeight;
  } else if (l.style == LVS_LIST) {
    const int row = cy / l.cellHeight;
    index = row < l.perLine ? (s.hbar.Pos() + cx / l.cellWidth) * l.perLine + row : n;
  } else {
    const int col = cx / l.cellWidth;
    index = col < l.perLine ? (s.vbar.Pos() + cy / l.cellHeight) * l.perLine + col : n;
  }
  flags = LVHT_NOWHERE;
  if (index < 0 || index >= n) return -1;
  const RECT icon = ItemRect(hwnd, s, index, LVIR_ICON);
  const RECT label = ItemRect(hwnd, s, index, LVIR_LABEL);
  auto inside = [&](const RECT& r) {
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
  };
  if (l.style == LVS_REPORT) {
    for (int c = 0; c < static_cast<int>(s.columns.size()); ++c) {
      const int left = ColumnLeft(s, c);
      if (pt.x >= left && pt.x < left + s.columns[c].width) subItem = c;
    }
  }
  if ((s.exStyle & LVS_EX_CHECKBOXES) && inside(StateRect(hwnd, s, index)))
    flags = LVHT_ONITEMSTATEICON;
  else if (s.smallImages && l.style != LVS_ICON ? inside(icon)
                                                : (l.style == LVS_ICON && inside(icon)))
    flags = LVHT_ONITEMICON;
  else if (inside(label))
    flags = LVHT_ONITEMLABEL;
  else if (l.style == LVS_REPORT && (s.exStyle & LVS_EX_FULLROWSELECT) &&
           pt.x < ColumnLeft(s, static_cast<int>(s.columns.size())))
    flags = LVHT_ONITEMLABEL;
  else
    return -1;
  return index;
}

bool ScrollTo(HWND hwnd, TState& s, bool vertical, int pos) {
  TControlScrollBar& bar = vertical ? s.vbar : s.hbar;
  if (!bar.SetPos(pos)) return false;
  UpdateLayout(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

LRESULT Notify(HWND hwnd, UINT code, NMHDR& header) {
  header.hwndFrom = hwnd;
  header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  header.code = code;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header))
                : 0;
}

namespace {

COLORREF Colour(COLORREF set, int sysColour) {
  return set == kDefault ? GetSysColor(sysColour) : set;
}

void DrawImage(HIMAGELIST list, int image, HDC dc, int x, int y, bool selected) {
  if (!list || image < 0) return;
  ImageList_Draw(list, image, dc, x, y, ILD_TRANSPARENT | (selected ? ILD_SELECTED : 0));
}

UINT AlignOf(int fmt) {
  switch (fmt & LVCFMT_JUSTIFYMASK) {
    case LVCFMT_RIGHT:
      return DT_RIGHT;
    case LVCFMT_CENTER:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

void DrawLabel(HDC dc, const std::string& text, RECT r, UINT format) {
  InflateRect(&r, -kLabelPad, 0);
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r,
           format | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void DrawCheckBox(HWND hwnd, const TState& s, HDC dc, int index) {
  const RECT area = StateRect(hwnd, s, index);
  const int x = (area.left + area.right - kCheckSize) / 2;
  const int y = (area.top + area.bottom - kCheckSize) / 2;
  RECT box{x, y, x + kCheckSize, y + kCheckSize};
  const bool checked = (s.items[index].state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));
}

// Lines under every row in view (the empty ones too) and after every
// column, in the colour of the buttons' face.
void PaintGridLines(const TState& s, HDC dc) {
  const TLayout& l = s.layout;
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, pen);
  for (int y = l.view.top + l.cellHeight - 1; y < l.view.bottom; y += l.cellHeight) {
    MoveToEx(dc, l.view.left, y, nullptr);
    LineTo(dc, l.view.right, y);
  }
  for (int c = 0; c < static_cast<int>(s.columns.size()); ++c) {
    const int x = ColumnLeft(s, c) + s.columns[c].width - 1;
    MoveToEx(dc, x, l.view.top, nullptr);
    LineTo(dc, x, l.view.bottom);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintItem(HWND hwnd, const TState& s, HDC dc, int index) {
  const TLayout& l = s.layout;
  const TItem& item = s.items[index];
  const bool showSel = s.hasFocus || (GetWindowLongPtr(hwnd, GWL_STYLE) & LVS_SHOWSELALWAYS);
  const bool selected = (item.state & LVIS_SELECTED) && showSel;
  const COLORREF selBack = GetSysColor(s.hasFocus ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
  const COLORREF selText = GetSysColor(s.hasFocus ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  const COLORREF normalText = Colour(s.textColor, COLOR_WINDOWTEXT);
  const RECT icon = ItemRect(hwnd, s, index, LVIR_ICON);
  RECT label = ItemRect(hwnd, s, index, LVIR_LABEL);
  const int image = ItemImage(hwnd, s, index);
  const bool fullRow = l.style == LVS_REPORT && (s.exStyle & LVS_EX_FULLROWSELECT);
  if (selected) {
    RECT back = fullRow ? ItemRect(hwnd, s, index, LVIR_BOUNDS) : label;
    HBRUSH brush = CreateSolidBrush(selBack);
    FillRect(dc, &back, brush);
    DeleteObject(brush);
  }
  if (s.exStyle & LVS_EX_CHECKBOXES) DrawCheckBox(hwnd, s, dc, index);
  SetTextColor(dc, selected ? selText : normalText);
  const std::string caption = ItemText(hwnd, s, index, 0);
  if (l.style == LVS_ICON) {
    DrawImage(s.largeImages, image, dc, icon.left, icon.top, selected && s.hasFocus);
    DrawText(dc, caption.c_str(), static_cast<int>(caption.size()), &label,
             DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
  } else {
    int cx, cy;
    IconSize(s.smallImages, cx, cy);
    DrawImage(s.smallImages, image, dc, icon.left, icon.top + (icon.bottom - icon.top - cy) / 2,
              selected && s.hasFocus);
    const int fmt = l.style == LVS_REPORT && !s.columns.empty() ? s.columns[0].fmt : LVCFMT_LEFT;
    DrawLabel(dc, caption, label, AlignOf(fmt) | DT_VCENTER | DT_SINGLELINE);
  }
  if (l.style == LVS_REPORT) {
    if (!fullRow) SetTextColor(dc, normalText);
    RECT clip;
    GetClipBox(dc, &clip);
    for (int c = 1; c < static_cast<int>(s.columns.size()); ++c) {
      const int left = ColumnLeft(s, c);
      RECT cell{left, label.top, left + s.columns[c].width, label.bottom};
      if (cell.right <= clip.left || cell.left >= clip.right || cell.right <= cell.left) continue;
      cell.left += 4;
      DrawLabel(dc, ItemText(hwnd, s, index, s.columns[c].subItem), cell,
                AlignOf(s.columns[c].fmt) | DT_VCENTER | DT_SINGLELINE);
    }
  }
  if (index == s.focused && s.hasFocus) {
    RECT focus = ItemRect(hwnd, s, index, fullRow ? LVIR_BOUNDS : LVIR_LABEL);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace

void Paint(HWND hwnd, HDC dc) {
  TState& s = *StateOf(hwnd);
  UpdateLayout(hwnd, s);
  const TLayout& l = s.layout;
  RECT client;
  GetClientRect(hwnd, &client);
  const int saved = SaveDC(dc);
  SelectObject(dc, ControlFont(s.font));
  SetBkMode(dc, TRANSPARENT);
  HBRUSH back = CreateSolidBrush(Colour(s.bkColor, COLOR_WINDOW));
  RECT view = l.view;
  FillRect(dc, &view, back);
  DeleteObject(back);
  IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
  int first, last;
  VisibleRange(s, first, last);
  for (int i = first; i < last; ++i) {
    const RECT bounds = ItemRect(hwnd, s, i, LVIR_BOUNDS);
    if (RectVisible(dc, &bounds)) PaintItem(hwnd, s, dc, i);
  }
  if (l.style == LVS_REPORT && (s.exStyle & LVS_EX_GRIDLINES)) PaintGridLines(s, dc);
  RestoreDC(dc, saved);
  s.vbar.Paint(dc);
  s.hbar.Paint(dc);
  if (s.vbar.Shown() && s.hbar.Shown()) {
    RECT corner{s.vbar.Rect().left, s.hbar.Rect().top, client.right, client.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
}

}  // namespace listview
