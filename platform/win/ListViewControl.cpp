// platform/win/ListViewControl.cpp
//
// The list view's window procedure: items, columns, selection, keys,
// mouse, scrolling and label editing. Geometry and drawing live in
// ListViewLayout.cpp.
#include <algorithm>
#include <cstring>

#include "platform/win/ControlWindow.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Header.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/ListViewState.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/Timer.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace listview {
namespace {

static_assert(sizeof(TItem) <= 32, "a row holds its state; its texts live out of line");

constexpr UINT kKeyF2 = 0x71;
constexpr UINT_PTR kEditTimer = 1;
constexpr UINT_PTR kRepeatTimer = 2;
constexpr UINT kRepeatInterval = 100;
constexpr int kReportLineStep = 8;  // pixels a horizontal arrow scrolls a report
constexpr int kWheelLines = 3;
constexpr int kHeaderId = 0;
constexpr int kEditId = 1;

DWORD Style(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}

int Count(const TState& s) {
  return static_cast<int>(s.items.size());
}

bool Valid(const TState& s, int index) {
  return index >= 0 && index < Count(s);
}

void InvalidateItem(HWND hwnd, TState& s, int index) {
  if (!Valid(s, index)) return;
  RECT r = ItemRect(hwnd, s, index, LVIR_BOUNDS);
  // The label of an icon may run wider than its cell while selected.
  InflateRect(&r, 2, 2);
  InvalidateRect(hwnd, &r, TRUE);
}

// Anything that changes the number of items, the sizes or the style.
void Relayout(HWND hwnd, TState& s) {
  UpdateLayout(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
}

NMLISTVIEW ListNotice(const TState& s, int index) {
  NMLISTVIEW nm;
  nm.iItem = index;
  if (Valid(s, index)) nm.lParam = s.items[index].lParam;
  return nm;
}

// --- Item state ----------------------------------------------------------------

bool ChangeState(HWND hwnd, TState& s, int index, UINT state, UINT mask) {
  TItem& item = s.items[index];
  const UINT old = item.state;
  const UINT now = (old & ~mask) | (state & mask);
  if (now == old) return false;
  if (Style(hwnd) & LVS_SINGLESEL && (now & ~old & LVIS_SELECTED) && s.selectedCount > 0) {
    // One selected item at most: the others let go first.
    for (int i = 0; i < Count(s) && s.selectedCount > 0; ++i)
      if (i != index && (s.items[i].state & LVIS_SELECTED))
        ChangeState(hwnd, s, i, 0, LVIS_SELECTED);
  }
  NMLISTVIEW nm = ListNotice(s, index);
  nm.uNewState = now;
  nm.uOldState = old;
  nm.uChanged = LVIF_STATE;
  if (Notify(hwnd, LVN_ITEMCHANGING, nm.hdr)) return false;
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED) && s.focused != index && Valid(s, s.focused))
    ChangeState(hwnd, s, s.focused, 0, LVIS_FOCUSED);
  // The handlers may have removed the item.
  if (!Valid(s, index)) return false;
  TItem& changed = s.items[index];
  const UINT before = changed.state;
  changed.state = now;
  if ((now ^ before) & LVIS_SELECTED) s.selectedCount += (now & LVIS_SELECTED) ? 1 : -1;
  if (now & LVIS_FOCUSED)
    s.focused = index;
  else if (s.focused == index)
    s.focused = -1;
  InvalidateItem(hwnd, s, index);
  nm = ListNotice(s, index);
  nm.uNewState = now;
  nm.uOldState = before;
  nm.uChanged = LVIF_STATE;
  Notify(hwnd, LVN_ITEMCHANGED, nm.hdr);
  return true;
}

// Every item but `keep` loses its selection; stops once none is left.
void DeselectAll(HWND hwnd, TState& s, int keep) {
  for (int i = 0;
       i < Count(s) &&
       s.selectedCount > (Valid(s, keep) && (s.items[keep].state & LVIS_SELECTED) ? 1 : 0);
       ++i)
    if (i != keep && (s.items[i].state & LVIS_SELECTED)) ChangeState(hwnd, s, i, 0, LVIS_SELECTED);
}

void SelectRange(HWND hwnd, TState& s, int from, int to) {
  if (from > to) std::swap(from, to);
  for (int i = 0; i < Count(s) && s.selectedCount > 0; ++i)
    if ((i < from || i > to) && (s.items[i].state & LVIS_SELECTED))
      ChangeState(hwnd, s, i, 0, LVIS_SELECTED);
  for (int i = from; i <= to; ++i) ChangeState(hwnd, s, i, LVIS_SELECTED, LVIS_SELECTED);
}

// --- Text ----------------------------------------------------------------------

void StoreText(TItem& item, int column, LPCSTR text) {
  const bool callback = text == LPSTR_TEXTCALLBACK;
  if (column == 0 && callback)
    item.callbacks = ~0u;  // the parent that keeps the caption keeps the subitems too
  else if (column < 32 && callback)
    item.callbacks |= 1u << column;
  else if (column < 32)
    item.callbacks &= ~(1u << column);
  if (callback || !text || !*text) {
    if (item.texts && column < static_cast<int>(item.texts->size())) (*item.texts)[column].clear();
    return;
  }
  if (!item.texts) item.texts = std::make_unique<std::vector<std::string>>();
  if (static_cast<int>(item.texts->size()) <= column) item.texts->resize(column + 1);
  (*item.texts)[column] = text;
}

bool SetText(HWND hwnd, TState& s, int index, int column, LPCSTR text) {
  if (column == 0) {
    NMLISTVIEW nm = ListNotice(s, index);
    nm.uChanged = LVIF_TEXT;
    if (Notify(hwnd, LVN_ITEMCHANGING, nm.hdr)) return false;
    if (!Valid(s, index)) return false;
  }
  StoreText(s.items[index], column, text);
  InvalidateItem(hwnd, s, index);
  if (column == 0) {
    NMLISTVIEW nm = ListNotice(s, index);
    nm.uChanged = LVIF_TEXT;
    Notify(hwnd, LVN_ITEMCHANGED, nm.hdr);
  }
  return true;
}

LRESULT CopyText(const std::string& text, LPSTR out, int size) {
  if (!out || size <= 0) return 0;
  const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<LRESULT>(n);
}

// --- Items ---------------------------------------------------------------------

LRESULT InsertItem(HWND hwnd, TState& s, const LVITEMA& in) {
  if (in.iSubItem != 0) return -1;
  const int at = std::clamp(in.iItem, 0, Count(s));
  TItem item;
  if (in.mask & LVIF_TEXT) StoreText(item, 0, in.pszText);
  if (in.mask & LVIF_IMAGE) {
    item.imageCallback = in.iImage == I_IMAGECALLBACK;
    item.image = in.iImage;
  }
  if (in.mask & LVIF_PARAM) item.lParam = in.lParam;
  UINT state = (in.mask & LVIF_STATE) ? in.state & in.stateMask : 0;
  // With check boxes every item has one, unchecked unless it came checked.
  if ((s.exStyle & LVS_EX_CHECKBOXES) && !(state & LVIS_STATEIMAGEMASK)) {
    item.state = INDEXTOSTATEIMAGEMASK(1);
  } else {
    item.state = state & LVIS_STATEIMAGEMASK;
  }
  state &= ~LVIS_STATEIMAGEMASK;
  s.items.insert(s.items.begin() + at, std::move(item));
  if (s.focused >= at) ++s.focused;
  if (s.mark >= at) ++s.mark;
  if (s.editItem >= at) ++s.editItem;
  NMLISTVIEW nm = ListNotice(s, at);
  Notify(hwnd, LVN_INSERTITEM, nm.hdr);
  if (state && Valid(s, at)) ChangeState(hwnd, s, at, state, state);
  // Nothing is measured here: adding stays O(1) and the layout is worked
  // out when the view is next drawn or asked about. While drawing is off,
  // turning it on again repaints everything anyway.
  if (IsRedrawEnabled(hwnd)) InvalidateRect(hwnd, nullptr, TRUE);
  return at;
}

void EndEdit(HWND hwnd, TState& s, bool save);

BOOL DeleteItem(HWND hwnd, TState& s, int index) {
  if (!Valid(s, index)) return FALSE;
  if (s.edit && s.editItem == index) EndEdit(hwnd, s, false);
  NMLISTVIEW nm = ListNotice(s, index);
  Notify(hwnd, LVN_DELETEITEM, nm.hdr);
  if (!Valid(s, index)) return FALSE;
  if (s.items[index].state & LVIS_SELECTED) --s.selectedCount;
  s.items.erase(s.items.begin() + index);
  auto shift = [index](int& i) {
    if (i == index)
      i = -1;
    else if (i > index)
      --i;
  };
  shift(s.focused);
  shift(s.mark);
  shift(s.editItem);
  Relayout(hwnd, s);
  return TRUE;
}

BOOL DeleteAllItems(HWND hwnd, TState& s) {
  if (s.edit) EndEdit(hwnd, s, false);
  NMLISTVIEW all = ListNotice(s, -1);
  if (!Notify(hwnd, LVN_DELETEALLITEMS, all.hdr)) {
    for (int i = 0; i < Count(s); ++i) {
      NMLISTVIEW nm = ListNotice(s, i);
      Notify(hwnd, LVN_DELETEITEM, nm.hdr);
    }
  }
  s.items.clear();
  s.focused = s.mark = s.editItem = -1;
  s.selectedCount = 0;
  s.vbar.SetPos(0);
  s.hbar.SetPos(0);
  Relayout(hwnd, s);
  return TRUE;
}

BOOL SetItem(HWND hwnd, TState& s, const LVITEMA& in) {
  if (!Valid(s, in.iItem)) return FALSE;
  if (in.iSubItem != 0)
    return (in.mask & LVIF_TEXT) && SetText(hwnd, s, in.iItem, in.iSubItem, in.pszText);
  if (in.mask & LVIF_TEXT) SetText(hwnd, s, in.iItem, 0, in.pszText);
  if ((in.mask & LVIF_IMAGE) && Valid(s, in.iItem) && s.items[in.iItem].image != in.iImage) {
    NMLISTVIEW nm = ListNotice(s, in.iItem);
    nm.uChanged = LVIF_IMAGE;
    if (!Notify(hwnd, LVN_ITEMCHANGING, nm.hdr) && Valid(s, in.iItem)) {
      s.items[in.iItem].image = in.iImage;
      s.items[in.iItem].imageCallback = in.iImage == I_IMAGECALLBACK;
      InvalidateItem(hwnd, s, in.iItem);
      Notify(hwnd, LVN_ITEMCHANGED, nm.hdr);
    }
  }
  if ((in.mask & LVIF_PARAM) && Valid(s, in.iItem)) s.items[in.iItem].lParam = in.lParam;
  if ((in.mask & LVIF_STATE) && Valid(s, in.iItem))
    ChangeState(hwnd, s, in.iItem, in.state, in.stateMask);
  return TRUE;
}

BOOL GetItem(HWND hwnd, const TState& s, LVITEMA& out) {
  if (!Valid(s, out.iItem)) return FALSE;
  const TItem& item = s.items[out.iItem];
  if (out.mask & LVIF_TEXT)
    CopyText(ItemText(hwnd, s, out.iItem, out.iSubItem), out.pszText, out.cchTextMax);
  if (out.mask & LVIF_IMAGE) out.iImage = item.image;
  if (out.mask & LVIF_PARAM) out.lParam = item.lParam;
  if (out.mask & LVIF_STATE) out.state = item.state & out.stateMask;
  return TRUE;
}

// --- Navigation ----------------------------------------------------------------

// The item next to `index` in a direction of the present layout, or -1.
int Neighbour(const TState& s, int index, UINT direction) {
  const TLayout& l = s.layout;
  int step = 0;
  const bool rows = l.style == LVS_ICON || l.style == LVS_SMALLICON;
  switch (direction) {
    case LVNI_ABOVE:
      step = l.style == LVS_REPORT || l.style == LVS_LIST ? -1 : -l.perLine;
      break;
    case LVNI_BELOW:
      step = l.style == LVS_REPORT || l.style == LVS_LIST ? 1 : l.perLine;
      break;
    case LVNI_TOLEFT:
      step = rows ? -1 : l.style == LVS_LIST ? -l.perLine : 0;
      break;
    case LVNI_TORIGHT:
      step = rows ? 1 : l.style == LVS_LIST ? l.perLine : 0;
      break;
  }
  if (step == 0) return -1;
  const int next = index + step;
  return Valid(s, next) ? next : -1;
}

LRESULT GetNextItem(const TState& s, int start, UINT flags) {
  const UINT direction = flags & (LVNI_ABOVE | LVNI_BELOW | LVNI_TOLEFT | LVNI_TORIGHT);
  const UINT want = flags & (LVNI_FOCUSED | LVNI_SELECTED);
  auto matches = [&](int i) {
    const UINT st = s.items[i].state;
    return (!(want & LVNI_FOCUSED) || (st & LVIS_FOCUSED)) &&
           (!(want & LVNI_SELECTED) || (st & LVIS_SELECTED));
  };
  if (direction) {
    for (int i = Neighbour(s, start, direction); i >= 0; i = Neighbour(s, i, direction))
      if (matches(i)) return i;
    return -1;
  }
  if (want == LVNI_FOCUSED) return s.focused > start ? s.focused : -1;
  if ((want & LVNI_SELECTED) && s.selectedCount == 0) return -1;
  for (int i = std::max(0, start + 1); i < Count(s); ++i)
    if (matches(i)) return i;
  return -1;
}

// The line (row, or column in list style) an item lies on.
int LineOf(const TState& s, int index) {
  return s.layout.style == LVS_REPORT ? index : index / s.layout.perLine;
}

BOOL EnsureVisible(HWND hwnd, TState& s, int index, bool partialOk) {
  if (!Valid(s, index)) return FALSE;
  UpdateLayout(hwnd, s);
  const TLayout& l = s.layout;
  const bool list = l.style == LVS_LIST;
  TControlScrollBar& bar = list ? s.hbar : s.vbar;
  const int line = LineOf(s, index);
  const int viewLength = list ? l.view.right - l.view.left : l.view.bottom - l.view.top;
  const int cell = list ? l.cellWidth : l.cellHeight;
  const int whole = std::max(1, viewLength / std::max(1, cell));
  const bool partlyShown = viewLength % std::max(1, cell) != 0 && line == bar.Pos() + whole;
  int pos = bar.Pos();
  if (line < pos)
    pos = line;
  else if (line >= pos + whole && !(partialOk && partlyShown))
    pos = line - whole + 1;
  ScrollTo(hwnd, s, !list, pos);
  return TRUE;
}

// Selects as a click or a key does: Control toggles the item (`toggle`, a
// click) or moves the focus alone (a key), Shift selects from the mark,
// anything else selects the item alone and makes it the mark.
void SelectAs(HWND hwnd, TState& s, int index, bool shift, bool control, bool toggle) {
  const bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
  if (control && !single) {
    const UINT selected = s.items[index].state & LVIS_SELECTED;
    ChangeState(hwnd, s, index, (toggle ? selected ^ LVIS_SELECTED : selected) | LVIS_FOCUSED,
                LVIS_SELECTED | LVIS_FOCUSED);
    if (toggle) s.mark = index;
  } else if (shift && !single && Valid(s, s.mark)) {
    SelectRange(hwnd, s, s.mark, index);
    ChangeState(hwnd, s, index, LVIS_FOCUSED, LVIS_FOCUSED);
  } else {
    DeselectAll(hwnd, s, index);
    ChangeState(hwnd, s, index, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    s.mark = index;
  }
}

void MoveFocus(HWND hwnd, TState& s, int target, bool shift, bool control) {
  if (!Valid(s, target)) return;
  SelectAs(hwnd, s, target, shift, control, false);
  EnsureVisible(hwnd, s, target, false);
}

int PageStep(const TState& s) {
  const TLayout& l = s.layout;
  switch (l.style) {
    case LVS_REPORT:
      return std::max(1, l.visibleLines - 1);
    case LVS_LIST:
      return l.perLine * std::max(1, l.visibleLines);
    default:
      return l.perLine * std::max(1, l.visibleLines - 1);
  }
}

HWND BeginEdit(HWND hwnd, TState& s, int index);

void ToggleCheck(HWND hwnd, TState& s, int index) {
  const bool checked = (s.items[index].state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
  ChangeState(hwnd, s, index, INDEXTOSTATEIMAGEMASK(checked ? 1 : 2), LVIS_STATEIMAGEMASK);
}

// Space toggles the selected items' check boxes together, as the focused
// one goes (or the focused item's alone when it is not selected).
void ToggleChecks(HWND hwnd, TState& s) {
  if (!Valid(s, s.focused)) return;
  if (!(s.items[s.focused].state & LVIS_SELECTED)) {
    ToggleCheck(hwnd, s, s.focused);
    return;
  }
  const UINT target = (s.items[s.focused].state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2)
                          ? INDEXTOSTATEIMAGEMASK(1)
                          : INDEXTOSTATEIMAGEMASK(2);
  for (int i = 0; i < Count(s); ++i)
    if (s.items[i].state & LVIS_SELECTED) ChangeState(hwnd, s, i, target, LVIS_STATEIMAGEMASK);
}

void KeyDown(HWND hwnd, TState& s, UINT key) {
  NMLVKEYDOWN kd;
  kd.wVKey = static_cast<WORD>(key);
  Notify(hwnd, LVN_KEYDOWN, kd.hdr);
  UpdateLayout(hwnd, s);
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  const int n = Count(s);
  if (n == 0) return;
  const int from = Valid(s, s.focused) ? s.focused : -1;
  int target = -1;
  switch (key) {
    case VK_UP:
      target = from < 0 ? 0 : Neighbour(s, from, LVNI_ABOVE);
      break;
    case VK_DOWN:
      target = from < 0 ? 0 : Neighbour(s, from, LVNI_BELOW);
      break;
    case VK_LEFT:
      target = from < 0 ? 0 : Neighbour(s, from, LVNI_TOLEFT);
      break;
    case VK_RIGHT:
      target = from < 0 ? 0 : Neighbour(s, from, LVNI_TORIGHT);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = n - 1;
      break;
    case VK_PRIOR:
      target = std::max(0, from - PageStep(s));
      break;
    case VK_NEXT:
      target = std::min(n - 1, std::max(0, from) + PageStep(s));
      break;
    case VK_SPACE:
      if (!control && (s.exStyle & LVS_EX_CHECKBOXES)) {
        ToggleChecks(hwnd, s);
        return;
      }
      if (from >= 0) {
        const UINT sel = s.items[from].state & LVIS_SELECTED;
        ChangeState(hwnd, s, from, control ? sel ^ LVIS_SELECTED : LVIS_SELECTED, LVIS_SELECTED);
        s.mark = from;
      }
      return;
    case kKeyF2:
      if (from >= 0 && (Style(hwnd) & LVS_EDITLABELS)) BeginEdit(hwnd, s, from);
      return;
    default:
      return;
  }
  MoveFocus(hwnd, s, target, shift, control);
}

// --- Columns -------------------------------------------------------------------

void SyncHeaderItem(TState& s, int column, bool insert) {
  if (!s.header) return;
  const TColumn& c = s.columns[column];
  HDITEMA hdi;
  hdi.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
  hdi.cxy = c.width;
  hdi.pszText = const_cast<LPSTR>(c.text.c_str());
  hdi.fmt = (c.fmt & LVCFMT_JUSTIFYMASK) | HDF_STRING;
  SendMessage(s.header, insert ? HDM_INSERTITEMA : HDM_SETITEMA, column,
              reinterpret_cast<LPARAM>(&hdi));
}

// The widest text of column `sub` over all items, measured with one DC.
int WidestText(HWND hwnd, const TState& s, int sub, HDC dc) {
  int widest = 0;
  std::string text;
  for (int i = 0; i < Count(s); ++i) {
    ItemTextInto(hwnd, s, i, sub, text);
    if (text.empty()) continue;
    SIZE size;
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
    widest = std::max<int>(widest, size.cx);
  }
  return widest;
}

int SmallIconWidth(const TState& s) {
  int cx = 0, cy = 0;
  if (s.smallImages) ImageList_GetIconSize(s.smallImages, &cx, &cy);
  return cx;
}

// The width that shows every item's text of a column (and, with
// `useHeader`, its caption; the last column then also fills the view).
// Column -1 is the cells of the list and small icon styles.
int AutoWidth(HWND hwnd, TState& s, int column, bool useHeader) {
  TMeasureDC measure(s.font);
  HDC dc = measure.Dc();
  const int sub = column < 0 ? 0 : s.columns[column].subItem;
  // Room for the label's padding (and a cell's margin) around the text.
  int width = WidestText(hwnd, s, sub, dc) + (column > 0 ? 12 : column == 0 ? 8 : 10);
  if (column <= 0 && s.smallImages) width += SmallIconWidth(s) + 2;
  if (useHeader && column >= 0) {
    SIZE size;
    const std::string& caption = s.columns[column].text;
    GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    width = std::max<int>(width, size.cx + 14);
    if (column + 1 == static_cast<int>(s.columns.size())) {
      UpdateLayout(hwnd, s);
      const int left = ColumnLeft(s, column) + s.hbar.Pos();
      width = std::max<int>(width, s.layout.view.right - left);
    }
  }
  return width;
}

BOOL SetColumnWidth(HWND hwnd, TState& s, int column, int width) {
  const DWORD type = Style(hwnd) & LVS_TYPEMASK;
  if (type == LVS_LIST || type == LVS_SMALLICON) {
    if (column != 0) return FALSE;
    s.listColumnWidth = width < 0 ? AutoWidth(hwnd, s, -1, false) : std::max(1, width);
    Relayout(hwnd, s);
    return TRUE;
  }
  if (column < 0 || column >= static_cast<int>(s.columns.size())) return FALSE;
  if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
    width = AutoWidth(hwnd, s, column, width == LVSCW_AUTOSIZE_USEHEADER);
  s.columns[column].width = std::max(0, width);
  SyncHeaderItem(s, column, false);
  Relayout(hwnd, s);
  return TRUE;
}

void CopyColumnIn(TColumn& c, const LVCOLUMNA& in) {
  if (in.mask & LVCF_FMT) c.fmt = in.fmt;
  if (in.mask & LVCF_WIDTH) c.width = std::max(0, in.cx);
  if ((in.mask & LVCF_TEXT) && in.pszText) c.text = in.pszText;
  if (in.mask & LVCF_SUBITEM) c.subItem = in.iSubItem;
  if (in.mask & LVCF_IMAGE) c.image = in.iImage;
}

LRESULT InsertColumn(HWND hwnd, TState& s, int at, const LVCOLUMNA& in) {
  at = std::clamp(at, 0, static_cast<int>(s.columns.size()));
  TColumn c;
  c.subItem = at;
  c.width = 50;
  CopyColumnIn(c, in);
  s.columns.insert(s.columns.begin() + at, c);
  SyncHeaderItem(s, at, true);
  Relayout(hwnd, s);
  return at;
}

// --- Header notifications ------------------------------------------------------

LRESULT HeaderNotify(HWND hwnd, TState& s, NMHDR& hdr) {
  auto& nm = reinterpret_cast<NMHEADERA&>(hdr);
  switch (hdr.code) {
    case HDN_ITEMCHANGED:
      if (nm.pitem && (nm.pitem->mask & HDI_WIDTH) && nm.iItem >= 0 &&
          nm.iItem < static_cast<int>(s.columns.size()) &&
          s.columns[nm.iItem].width != nm.pitem->cxy) {
        s.columns[nm.iItem].width = nm.pitem->cxy;
        Relayout(hwnd, s);
      }
      break;
    case HDN_ITEMCLICK:
      if (!(Style(hwnd) & LVS_NOSORTHEADER)) {
        NMLISTVIEW click;
        click.iSubItem = nm.iItem;
        Notify(hwnd, LVN_COLUMNCLICK, click.hdr);
      }
      return 0;
    case HDN_DIVIDERDBLCLICK:
      if (nm.iItem >= 0 && nm.iItem < static_cast<int>(s.columns.size()))
        SetColumnWidth(hwnd, s, nm.iItem, LVSCW_AUTOSIZE);
      return 0;
  }
  // The list view's parent may refuse a drag or a change of width too.
  HWND parent = GetParent(hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr)) : 0;
}

// --- Label editing -------------------------------------------------------------

LRESULT EditProc(HWND hwnd, HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
  TState* s = StateOf(hwnd);
  WNDPROC old = s ? s->editOldProc : nullptr;
  if (!s || !old) return DefWindowProc(edit, msg, wParam, lParam);
  switch (msg) {
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS | CallWindowProc(old, edit, msg, wParam, lParam);
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
        EndEdit(hwnd, *s, wParam == VK_RETURN);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wParam == '\r' || wParam == 0x1B) return 0;
      break;
    case WM_KILLFOCUS: {
      const LRESULT r = CallWindowProc(old, edit, msg, wParam, lParam);
      EndEdit(hwnd, *s, true);
      return r;
    }
  }
  return CallWindowProc(old, edit, msg, wParam, lParam);
}

HWND BeginEdit(HWND hwnd, TState& s, int index) {
  if (s.edit) EndEdit(hwnd, s, true);
  if (!Valid(s, index)) return nullptr;
  EnsureVisible(hwnd, s, index, false);
  std::string text = ItemText(hwnd, s, index, 0);
  NMLVDISPINFOA info;
  info.item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  info.item.iItem = index;
  info.item.pszText = text.data();
  info.item.cchTextMax = static_cast<int>(text.size()) + 1;
  info.item.lParam = s.items[index].lParam;
  info.item.state = s.items[index].state;
  // A refusal leaves no trace: no editor is made and nothing changes.
  if (Notify(hwnd, LVN_BEGINLABELEDITA, info.hdr) || !Valid(s, index)) return nullptr;
  RECT r = ItemRect(hwnd, s, index, LVIR_LABEL);
  const int minWidth = s.layout.style == LVS_REPORT ? r.right - r.left : 80;
  r.right = std::max<int>(r.right, r.left + minWidth);
  HWND edit =
      CreateWindowEx(0, WC_EDIT, text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, r.left, r.top,
                     r.right - r.left, r.bottom - r.top, hwnd,
                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kEditId)), HInstance(), nullptr);
  if (!edit) return nullptr;
  SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), 0);
  s.edit = edit;
  s.editItem = index;
  s.editProc = MakeWndProc(
      [hwnd](HWND h, UINT m, WPARAM w, LPARAM l) { return EditProc(hwnd, h, m, w, l); });
  s.editOldProc = SetWindowProc(edit, s.editProc);
  ShowWindow(edit, SW_SHOW);
  SendMessage(edit, EM_SETSEL, 0, -1);
  SetFocus(edit);
  return edit;
}

void EndEdit(HWND hwnd, TState& s, bool save) {
  if (!s.edit || s.endingEdit) return;
  s.endingEdit = true;
  HWND edit = s.edit;
  const int index = s.editItem;
  std::string text = GetWindowText(edit);
  NMLVDISPINFOA info;
  info.item.mask = LVIF_TEXT;
  info.item.iItem = index;
  info.item.pszText = save ? text.data() : nullptr;
  info.item.cchTextMax = static_cast<int>(text.size()) + 1;
  if (Valid(s, index)) info.item.lParam = s.items[index].lParam;
  const bool hadFocus = GetFocus() == edit;
  // The editor goes before the parent hears, so a message box in its
  // handler cannot end the edit a second time.
  SetWindowProc(edit, s.editOldProc);
  FreeWndProc(s.editProc);
  s.edit = nullptr;
  s.editProc = s.editOldProc = nullptr;
  s.editItem = -1;
  DestroyWindow(edit);
  if (hadFocus) SetFocus(hwnd);
  const LRESULT keep = Notify(hwnd, LVN_ENDLABELEDITA, info.hdr);
  if (save && keep && Valid(s, index) && !(s.items[index].callbacks & 1u))
    SetText(hwnd, s, index, 0, text.c_str());
  s.endingEdit = false;
}

// --- Mouse ---------------------------------------------------------------------

UINT KeyFlags(WPARAM wParam) {
  return ((wParam & MK_CONTROL) ? LVKF_CONTROL : 0) | ((wParam & MK_SHIFT) ? LVKF_SHIFT : 0);
}

LRESULT ActivateNotice(HWND hwnd, TState& s, UINT code, POINT pt, WPARAM keys) {
  NMITEMACTIVATE nm;
  UINT flags;
  nm.iItem = HitTest(hwnd, s, pt, flags, nm.iSubItem);
  nm.ptAction = pt;
  nm.uKeyFlags = KeyFlags(keys);
  if (Valid(s, nm.iItem)) nm.lParam = s.items[nm.iItem].lParam;
  return Notify(hwnd, code, nm.hdr);
}

void Scroll(HWND hwnd, TState& s, bool vertical, WORD code, int thumb);

// A press on a scroll bar; true when the point was on one.
bool BarDown(HWND hwnd, TState& s, POINT pt) {
  for (int b = 0; b < 2; ++b) {
    TControlScrollBar& bar = b == 0 ? s.vbar : s.hbar;
    const int code = bar.HitTest(pt);
    if (code == kScrollNone) {
      if (bar.Shown() && pt.x >= bar.Rect().left && pt.x < bar.Rect().right &&
          pt.y >= bar.Rect().top && pt.y < bar.Rect().bottom)
        return true;
      continue;
    }
    s.pressedBar = b;
    s.pressedCode = code;
    SetCapture(hwnd);
    if (code == kScrollThumb) {
      bar.BeginThumbDrag(pt);
    } else {
      Scroll(hwnd, s, b == 0, static_cast<WORD>(code), 0);
      SetTimer(hwnd, kRepeatTimer, kRepeatInterval);
    }
    return true;
  }
  // The corner between two bars answers nothing.
  return pt.x >= s.layout.view.right || pt.y >= s.layout.view.bottom;
}

void LeftDown(HWND hwnd, TState& s, WPARAM keys, POINT pt, bool doubleClick) {
  if (s.edit) EndEdit(hwnd, s, true);
  if (GetFocus() != hwnd) SetFocus(hwnd);
  UpdateLayout(hwnd, s);
  KillTimer(hwnd, kEditTimer);
  if (BarDown(hwnd, s, pt)) return;
  UINT flags;
  int sub;
  const int index = HitTest(hwnd, s, pt, flags, sub);
  const bool control = (keys & MK_CONTROL) != 0, shift = (keys & MK_SHIFT) != 0;
  s.editOnRelease = false;
  if (index >= 0 && flags == LVHT_ONITEMSTATEICON) {
    // The box toggles at every press, a quick second one too, and leaves
    // the selection alone.
    ToggleCheck(hwnd, s, index);
    return;
  }
  if (index >= 0) {
    const bool wasSoleFocus =
        index == s.focused && (s.items[index].state & LVIS_SELECTED) && s.selectedCount == 1;
    SelectAs(hwnd, s, index, shift, control, true);
    s.editOnRelease = !doubleClick && wasSoleFocus && !control && !shift &&
                      (flags & LVHT_ONITEMLABEL) && (Style(hwnd) & LVS_EDITLABELS);
  } else if (!control && !shift) {
    DeselectAll(hwnd, s, -1);
  }
  if (doubleClick) {
    ActivateNotice(hwnd, s, NM_DBLCLK, pt, keys);
    if (index >= 0) ActivateNotice(hwnd, s, LVN_ITEMACTIVATE, pt, keys);
    return;
  }
  s.leftDown = true;
  SetCapture(hwnd);
}

void LeftUp(HWND hwnd, TState& s, WPARAM keys, POINT pt) {
  if (s.pressedBar >= 0) {
    const bool vertical = s.pressedBar == 0;
    const bool thumb = s.pressedCode == kScrollThumb;
    s.pressedBar = -1;
    KillTimer(hwnd, kRepeatTimer);
    if (GetCapture() == hwnd) ReleaseCapture();
    if (thumb) Scroll(hwnd, s, vertical, SB_THUMBPOSITION, (vertical ? s.vbar : s.hbar).Pos());
    return;
  }
  if (!s.leftDown) return;
  s.leftDown = false;
  if (GetCapture() == hwnd) ReleaseCapture();
  ActivateNotice(hwnd, s, NM_CLICK, pt, keys);
  if (s.editOnRelease) SetTimer(hwnd, kEditTimer, GetDoubleClickTime());
  s.editOnRelease = false;
}

void MouseMove(HWND hwnd, TState& s, POINT pt) {
  if (s.pressedBar < 0 || s.pressedCode != kScrollThumb) return;
  const bool vertical = s.pressedBar == 0;
  TControlScrollBar& bar = vertical ? s.vbar : s.hbar;
  Scroll(hwnd, s, vertical, SB_THUMBTRACK, bar.PosFromThumbDrag(pt));
}

void RightDown(HWND hwnd, TState& s, POINT pt) {
  if (s.edit) EndEdit(hwnd, s, true);
  if (GetFocus() != hwnd) SetFocus(hwnd);
  UpdateLayout(hwnd, s);
  UINT flags;
  int sub;
  const int index = HitTest(hwnd, s, pt, flags, sub);
  if (index >= 0 && !(s.items[index].state & LVIS_SELECTED)) {
    DeselectAll(hwnd, s, index);
    ChangeState(hwnd, s, index, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    s.mark = index;
  }
}

void Scroll(HWND hwnd, TState& s, bool vertical, WORD code, int thumb) {
  UpdateLayout(hwnd, s);
  TControlScrollBar& bar = vertical ? s.vbar : s.hbar;
  int pos = bar.PosForCode(code, thumb);
  if (!vertical && s.layout.style == LVS_REPORT && (code == SB_LINELEFT || code == SB_LINERIGHT))
    pos = bar.Pos() + (code == SB_LINELEFT ? -kReportLineStep : kReportLineStep);
  ScrollTo(hwnd, s, vertical, pos);
}

LRESULT ScrollBy(HWND hwnd, TState& s, int dx, int dy) {
  UpdateLayout(hwnd, s);
  const TLayout& l = s.layout;
  if (l.style == LVS_LIST) {
    ScrollTo(hwnd, s, false, s.hbar.Pos() + dx / std::max(1, l.cellWidth));
  } else {
    if (dy) ScrollTo(hwnd, s, true, s.vbar.Pos() + dy / std::max(1, l.cellHeight));
    if (dx && l.style == LVS_REPORT) ScrollTo(hwnd, s, false, s.hbar.Pos() + dx);
  }
  return TRUE;
}

void Wheel(HWND hwnd, TState& s, WPARAM wParam) {
  UpdateLayout(hwnd, s);
  const int notches = -GET_WHEEL_DELTA_WPARAM(wParam) / 120;
  if (notches == 0) return;
  if (s.layout.style == LVS_LIST)
    ScrollTo(hwnd, s, false, s.hbar.Pos() + notches);
  else
    ScrollTo(hwnd, s, true,
             s.vbar.Pos() + notches * (s.layout.style == LVS_ICON ? 1 : kWheelLines));
}

// --- The procedure -------------------------------------------------------------

void OnCreate(HWND hwnd, TState& s) {
  s.header = CreateWindowEx(0, WC_HEADER, "", WS_CHILD | HDS_BUTTONS | HDS_HORZ, 0, 0, 0, 0, hwnd,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kHeaderId)), HInstance(),
                            nullptr);
  UpdateLayout(hwnd, s);
}

void OnDestroy(HWND hwnd, TState& s) {
  if (s.edit) EndEdit(hwnd, s, false);
  if (!(Style(hwnd) & LVS_SHAREIMAGELISTS)) {
    // The lists were handed over: they go with the window.
    if (s.largeImages) ImageList_Destroy(s.largeImages);
    if (s.smallImages) ImageList_Destroy(s.smallImages);
  }
  s.largeImages = s.smallImages = nullptr;
}

LRESULT ListMessage(HWND hwnd, TState& s, UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  const int index = static_cast<int>(wParam);
  switch (msg) {
    case LVM_GETITEMCOUNT:
      return Count(s);
    case LVM_SORTITEMS:
      return SortItems(hwnd, s, reinterpret_cast<PFNLVCOMPARE>(lParam), wParam);
    case LVM_FINDITEMA:
      return lParam ? FindItem(hwnd, s, index, *reinterpret_cast<const LVFINDINFOA*>(lParam)) : -1;
    case LVM_INSERTITEMA:
      return lParam ? InsertItem(hwnd, s, *reinterpret_cast<const LVITEMA*>(lParam)) : -1;
    case LVM_DELETEITEM:
      return DeleteItem(hwnd, s, index);
    case LVM_DELETEALLITEMS:
      return DeleteAllItems(hwnd, s);
    case LVM_SETITEMA:
      return lParam && SetItem(hwnd, s, *reinterpret_cast<const LVITEMA*>(lParam));
    case LVM_GETITEMA:
      return lParam && GetItem(hwnd, s, *reinterpret_cast<LVITEMA*>(lParam));
    case LVM_SETITEMTEXTA: {
      const auto* in = reinterpret_cast<const LVITEMA*>(lParam);
      return in && Valid(s, index) && SetText(hwnd, s, index, in->iSubItem, in->pszText);
    }
    case LVM_GETITEMTEXTA: {
      auto* out = reinterpret_cast<LVITEMA*>(lParam);
      if (!out || !Valid(s, index)) return 0;
      return CopyText(ItemText(hwnd, s, index, out->iSubItem), out->pszText, out->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
      const auto* in = reinterpret_cast<const LVITEMA*>(lParam);
      if (!in) return FALSE;
      if (index == -1) {
        // Every item; clearing the selection visits the selected ones only.
        const bool onlySelected =
            !(in->state & in->stateMask & ~0u) && in->stateMask == LVIS_SELECTED;
        if (onlySelected) {
          DeselectAll(hwnd, s, -1);
        } else {
          for (int i = 0; i < Count(s); ++i) ChangeState(hwnd, s, i, in->state, in->stateMask);
        }
        return TRUE;
      }
      if (!Valid(s, index)) return FALSE;
      ChangeState(hwnd, s, index, in->state, in->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE:
      return Valid(s, index) ? s.items[index].state & static_cast<UINT>(lParam) : 0;
    case LVM_GETSELECTEDCOUNT:
      return s.selectedCount;
    case LVM_GETNEXTITEM:
      UpdateLayout(hwnd, s);
      return GetNextItem(s, index, static_cast<UINT>(lParam));
    case LVM_GETSELECTIONMARK:
      return s.mark;
    case LVM_SETSELECTIONMARK: {
      const int old = s.mark;
      s.mark = static_cast<int>(lParam);
      return old;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r || !Valid(s, index)) return FALSE;
      UpdateLayout(hwnd, s);
      *r = ItemRect(hwnd, s, index, r->left);
      return TRUE;
    }
    case LVM_HITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      if (!info) return -1;
      UpdateLayout(hwnd, s);
      info->iItem = HitTest(hwnd, s, info->pt, info->flags, info->iSubItem);
      return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
      return EnsureVisible(hwnd, s, index, lParam != 0);
    case LVM_SCROLL:
      return ScrollBy(hwnd, s, index, static_cast<int>(lParam));
    case LVM_REDRAWITEMS:
      UpdateLayout(hwnd, s);
      for (int i = std::max(0, index); i <= static_cast<int>(lParam) && i < Count(s); ++i)
        InvalidateItem(hwnd, s, i);
      return TRUE;
    case LVM_GETTOPINDEX: {
      UpdateLayout(hwnd, s);
      int first, last;
      VisibleRange(s, first, last);
      return s.layout.style == LVS_REPORT || s.layout.style == LVS_LIST ? first : 0;
    }
    case LVM_GETCOUNTPERPAGE:
      UpdateLayout(hwnd, s);
      return s.layout.style == LVS_REPORT ? s.layout.visibleLines
                                          : s.layout.perLine * s.layout.visibleLines;
    case LVM_EDITLABELA:
      if (index < 0) {
        EndEdit(hwnd, s, false);
        return 0;
      }
      return reinterpret_cast<LRESULT>(BeginEdit(hwnd, s, index));
    case LVM_GETEDITCONTROL:
      return reinterpret_cast<LRESULT>(s.edit);
    case LVM_INSERTCOLUMNA:
      return lParam ? InsertColumn(hwnd, s, index, *reinterpret_cast<const LVCOLUMNA*>(lParam))
                    : -1;
    case LVM_SETCOLUMNA: {
      const auto* in = reinterpret_cast<const LVCOLUMNA*>(lParam);
      if (!in || index < 0 || index >= static_cast<int>(s.columns.size())) return FALSE;
      CopyColumnIn(s.columns[index], *in);
      SyncHeaderItem(s, index, false);
      Relayout(hwnd, s);
      return TRUE;
    }
    case LVM_GETCOLUMNA: {
      auto* out = reinterpret_cast<LVCOLUMNA*>(lParam);
      if (!out || index < 0 || index >= static_cast<int>(s.columns.size())) return FALSE;
      const TColumn& c = s.columns[index];
      if (out->mask & LVCF_FMT) out->fmt = c.fmt;
      if (out->mask & LVCF_WIDTH) out->cx = c.width;
      if (out->mask & LVCF_TEXT) CopyText(c.text, out->pszText, out->cchTextMax);
      if (out->mask & LVCF_SUBITEM) out->iSubItem = c.subItem;
      if (out->mask & LVCF_IMAGE) out->iImage = c.image;
      if (out->mask & LVCF_ORDER) out->iOrder = index;
      return TRUE;
    }
    case LVM_DELETECOLUMN:
      if (index < 0 || index >= static_cast<int>(s.columns.size())) return FALSE;
      s.columns.erase(s.columns.begin() + index);
      if (s.header) SendMessage(s.header, HDM_DELETEITEM, index, 0);
      Relayout(hwnd, s);
      return TRUE;
    case LVM_GETCOLUMNWIDTH: {
      const DWORD type = Style(hwnd) & LVS_TYPEMASK;
      if (type == LVS_LIST || type == LVS_SMALLICON) {
        UpdateLayout(hwnd, s);
        return s.layout.cellWidth;
      }
      return index >= 0 && index < static_cast<int>(s.columns.size()) ? s.columns[index].width : 0;
    }
    case LVM_SETCOLUMNWIDTH:
      return SetColumnWidth(hwnd, s, index, static_cast<short>(LOWORD(lParam)));
    case LVM_GETHEADER:
      return reinterpret_cast<LRESULT>(s.header);
    case LVM_SETIMAGELIST: {
      HIMAGELIST* slot = wParam == LVSIL_NORMAL  ? &s.largeImages
                         : wParam == LVSIL_SMALL ? &s.smallImages
                                                 : nullptr;
      if (!slot) return 0;
      HIMAGELIST old = *slot;
      *slot = reinterpret_cast<HIMAGELIST>(lParam);
      Relayout(hwnd, s);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == LVSIL_NORMAL  ? s.largeImages
                                       : wParam == LVSIL_SMALL ? s.smallImages
                                                               : nullptr);
    case LVM_GETSTRINGWIDTHA:
      return lParam ? TextWidth(hwnd, s, reinterpret_cast<LPCSTR>(lParam)) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      const DWORD old = s.exStyle;
      const DWORD mask = wParam ? static_cast<DWORD>(wParam) : ~0u;
      s.exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
      if ((s.exStyle & ~old) & LVS_EX_CHECKBOXES) {
        for (TItem& item : s.items)
          if (!(item.state & LVIS_STATEIMAGEMASK)) item.state |= INDEXTOSTATEIMAGEMASK(1);
      }
      if (s.exStyle != old) Relayout(hwnd, s);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return s.exStyle;
    case LVM_SETBKCOLOR:
      s.bkColor = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case LVM_GETBKCOLOR:
      return s.bkColor == 0xFFFFFFFF ? GetSysColor(COLOR_WINDOW) : s.bkColor;
    case LVM_SETTEXTCOLOR:
      s.textColor = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case LVM_GETTEXTCOLOR:
      return s.textColor == 0xFFFFFFFF ? GetSysColor(COLOR_WINDOWTEXT) : s.textColor;
  }
  handled = false;
  return 0;
}

LRESULT ListViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<TState> s = ControlWindowState<TState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (msg == WM_SETFONT && s->header) SendMessage(s->header, WM_SETFONT, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r)) {
    if (msg == WM_SETFONT) Relayout(hwnd, *s);
    return r;
  }
  bool handled;
  const LRESULT r = ListMessage(hwnd, *s, msg, wParam, lParam, handled);
  if (handled) return r;
  const POINT pt = PointFromLParam(lParam);
  switch (msg) {
    case WM_CREATE:
      OnCreate(hwnd, *s);
      return 0;
    case WM_DESTROY:
      OnDestroy(hwnd, *s);
      return 0;
    case WM_SIZE:
    case WM_STYLECHANGED:
      Relayout(hwnd, *s);
      return 0;
    case WM_SETREDRAW:
      DefWindowProc(hwnd, msg, wParam, lParam);
      if (wParam) Relayout(hwnd, *s);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      s->hasFocus = msg == WM_SETFOCUS;
      InvalidateRect(hwnd, nullptr, TRUE);
      NMHDR nm;
      Notify(hwnd, s->hasFocus ? NM_SETFOCUS : NM_KILLFOCUS, nm);
      return 0;
    }
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
      KeyDown(hwnd, *s, static_cast<UINT>(wParam));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      LeftDown(hwnd, *s, wParam, pt, msg == WM_LBUTTONDBLCLK);
      return 0;
    case WM_LBUTTONUP:
      LeftUp(hwnd, *s, wParam, pt);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(hwnd, *s, pt);
      return 0;
    case WM_RBUTTONDOWN:
      RightDown(hwnd, *s, pt);
      return 0;
    case WM_RBUTTONUP:
      if (ActivateNotice(hwnd, *s, NM_RCLICK, pt, wParam)) return 0;
      break;  // the default turns it into WM_CONTEXTMENU
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) {
        s->leftDown = false;
        s->pressedBar = -1;
        KillTimer(hwnd, kRepeatTimer);
      }
      return 0;
    case WM_TIMER:
      if (wParam == kEditTimer) {
        KillTimer(hwnd, kEditTimer);
        if (Valid(*s, s->focused) && (Style(hwnd) & LVS_EDITLABELS))
          BeginEdit(hwnd, *s, s->focused);
        return 0;
      }
      if (wParam == kRepeatTimer) {
        if (s->pressedBar >= 0 && s->pressedCode != kScrollThumb) {
          const POINT at = [&] {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            return p;
          }();
          TControlScrollBar& bar = s->pressedBar == 0 ? s->vbar : s->hbar;
          // Paging stops once the thumb reaches the pointer.
          if (bar.HitTest(at) == s->pressedCode)
            Scroll(hwnd, *s, s->pressedBar == 0, static_cast<WORD>(s->pressedCode), 0);
        } else {
          KillTimer(hwnd, kRepeatTimer);
        }
        return 0;
      }
      break;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(hwnd, *s, msg == WM_VSCROLL, LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
      return 0;
    case WM_MOUSEWHEEL:
      Wheel(hwnd, *s, wParam);
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && hdr->hwndFrom == s->header) return HeaderNotify(hwnd, *s, *hdr);
      break;
    }
    case WM_COMMAND:
      // The editor's notices are of no interest to the parent.
      if (reinterpret_cast<HWND>(lParam) == s->edit) return 0;
      break;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace
}  // namespace listview

void RegisterListViewClass() {
  RegisterHeaderClass();
  RegisterControlWindowClass(WC_LISTVIEW, &listview::ListViewProc, CS_DBLCLKS);
}
