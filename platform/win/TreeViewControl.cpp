// platform/win/TreeViewControl.cpp
//
// The tree-view control (TreeView.h). Its state lives in the window's
// control slot; handlers hold a reference to it, because a notification
// sent to the parent may destroy the window while the handler still runs,
// and they look again after every notification.
//
// The rows are those of TTreeItems; the control remembers the item shown
// in the top row rather than a row number, so inserting or deleting above
// it keeps what the user looks at in place.
#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Unicode.h"
#include "platform/win/ControlWindow.h"
#include "platform/win/Cursor.h"
#include "platform/win/Edit.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBar.h"
#include "platform/win/Timer.h"
#include "platform/win/TreeItems.h"
#include "platform/win/TreeView.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "platform/win/WindowSystemState.h"

namespace {

constexpr int kAutoChildren = -2;   // the children flag follows the real children
constexpr int kDefaultIndent = 19;  // pixels per level
constexpr int kMinIndent = 12;
constexpr int kLabelPad = 2;      // between a label's frame and its text
constexpr int kImageGap = 3;      // after an image
constexpr int kButtonSize = 9;    // the plus/minus box
constexpr int kHScrollStep = 10;  // pixels per horizontal line
constexpr int kWheelLines = 3;
constexpr UINT_PTR kEditTimer = 1;  // a click on the selected label starts editing after it
constexpr UINT_PTR kTipTimer = 2;   // watches for the pointer leaving while a tip shows
constexpr UINT kTipWatch = 100;
constexpr UINT_PTR kScrollTimer = 3;  // repeats a held scroll-bar arrow or page
constexpr UINT kScrollFirstDelay = 400;
constexpr UINT kScrollRepeat = 50;
constexpr DWORD kTypeAheadPause = 1000;
constexpr int kDispTextMax = 1024;

struct TTreeState {
  TTreeItems items;
  HFONT font = nullptr;
  HIMAGELIST images = nullptr;
  HIMAGELIST stateImages = nullptr;
  int indent = kDefaultIndent;
  int customHeight = -1;
  COLORREF bkColor = CLR_NONE, textColor = CLR_NONE, lineColor = CLR_DEFAULT;

  TTreeItem* selected = nullptr;
  TTreeItem* drop = nullptr;
  TTreeItem* top = nullptr;
  TTreeItem* hot = nullptr;
  int scrollX = 0;
  int extent = 0;  // widest row seen on screen, for the horizontal bar
  bool focused = false;

  // Label editing.
  HWND edit = nullptr;
  TTreeItem* editItem = nullptr;
  int editMinWidth = 0;
  bool endingEdit = false;

  // Mouse.
  bool tracking = false;  // the left button is down over an item
  bool rightTracking = false;
  POINT downPt;
  TTreeItem* downItem = nullptr;
  bool downWasSelected = false;
  UINT downHit = 0;
  int barDrag = -1;    // SB_VERT or SB_HORZ while a thumb is dragged
  int barRepeat = -1;  // SB_VERT or SB_HORZ while an arrow or the track is held
  POINT barPoint;      // where the pointer holds it
  int grabOffset = 0;

  // Type-ahead and keys.
  String search;
  DWORD searchTime = 0;
  WPARAM swallowChar = 0;  // the character a numeric-pad key sends after acting

  // Measures: the row height (0 until measured) and the stamp that label
  // widths must carry to be current (a new font or list changes it, so
  // widths are measured again lazily, as rows come into view).
  int rowHeight = 0;
  std::uint32_t measureStamp = 1;

  // Deletion: whether TVN_DELETEITEM goes out, the subtree being reported
  // (the root while all items go), and deletions asked for meanwhile of
  // items that hold it (nullptr: all).
  bool notifyDeletions = true;
  TTreeItem* deleting = nullptr;
  std::vector<HTREEITEM> deferred;

  // Item tooltips.
  HWND tips = nullptr;
  HWND ownTips = nullptr;  // the one the tree made, destroyed with it
  TTreeItem* tipItem = nullptr;
  String tipText;
  WideString tipTextW;

  // The holds on the state (TTreePtr) and whether the window let go of it
  // meanwhile: the last hold then frees it.
  int holds = 0;
  bool orphaned = false;
};

// What the window system calls when the window lets go of its state.
void ReleaseTreeState(TTreeState* s) {
  if (s->holds > 0)
    s->orphaned = true;
  else
    delete s;
}

// A hold on a tree's state while a message is handled: a notification the
// tree sends may destroy its window, and the state must outlive the
// handling. Every message takes one, so it is a plain count rather than a
// copy of the window's shared pointer (two atomic operations a message);
// states live and die on the GUI thread.
class TTreePtr {
 public:
  explicit TTreePtr(TTreeState* s) : s_(s) {
    if (s_) ++s_->holds;
  }
  TTreePtr(const TTreePtr&) = delete;
  TTreePtr& operator=(const TTreePtr&) = delete;
  ~TTreePtr() {
    if (s_ && --s_->holds == 0 && s_->orphaned) delete s_;
  }
  explicit operator bool() const { return s_ != nullptr; }
  TTreeState& operator*() const { return *s_; }
  TTreeState* operator->() const { return s_; }

 private:
  TTreeState* s_;
};

TTreePtr StateOf(HWND hwnd) {
  TWindowEntry* w = Kernel().Find(hwnd);
  return TTreePtr(w ? static_cast<TTreeState*>(w->controlState.get()) : nullptr);
}

DWORD StyleOf(HWND hwnd) {
  return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE));
}

HTREEITEM HandleOf(const TTreeItem* item) {
  return reinterpret_cast<HTREEITEM>(const_cast<TTreeItem*>(item));
}

// The item a handle names, or nullptr for anything that is not a live item.
TTreeItem* ItemOf(TTreeState& s, HTREEITEM h) {
  auto* item = reinterpret_cast<TTreeItem*>(h);
  return s.items.Contains(item) ? item : nullptr;
}

// The children flag as an item keeps it: the two callbacks as they are,
// any other number as whether there are children.
std::int8_t ChildrenFlag(int value) {
  if (value == I_CHILDRENCALLBACK || value == kAutoChildren) return static_cast<std::int8_t>(value);
  return value != 0 ? 1 : 0;
}

// --- Notifications -------------------------------------------------------------

LRESULT Notify(HWND hwnd, NMHDR& hdr, UINT code) {
  hdr.hwndFrom = hwnd;
  hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  hdr.code = code;
  HWND parent = GetParent(hwnd);
  if (!parent) return 0;
  return SendMessage(parent, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

LRESULT NotifyCode(HWND hwnd, UINT code) {
  NMHDR hdr;
  return Notify(hwnd, hdr, code);
}

void FillNotifyItem(TVITEM& tv, const TTreeItem* item) {
  tv.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
  tv.hItem = HandleOf(item);
  if (!item) return;
  tv.state = item->state;
  tv.stateMask = 0xFFFF;
  tv.lParam = item->lParam;
}

LRESULT NotifyTree(HWND hwnd, UINT code, UINT action, const TTreeItem* oldItem,
                   const TTreeItem* newItem, POINT pt = {}) {
  NMTREEVIEW nm;
  nm.action = action;
  FillNotifyItem(nm.itemOld, oldItem);
  FillNotifyItem(nm.itemNew, newItem);
  nm.ptDrag = pt;
  return Notify(hwnd, nm.hdr, code);
}

// Asks the parent for the callback parts of an item; keeps the answer when
// it says so.
void AskDispInfo(HWND hwnd, TTreeItem* item, UINT mask, TVITEM& out, char* buffer) {
  NMTVDISPINFO di;
  di.item.mask = mask;
  di.item.hItem = HandleOf(item);
  di.item.state = item->state;
  di.item.lParam = item->lParam;
  di.item.pszText = buffer;
  di.item.cchTextMax = kDispTextMax;
  if (buffer) buffer[0] = 0;
  Notify(hwnd, di.hdr, TVN_GETDISPINFO);
  out = di.item;
  if ((di.item.mask & TVIF_DI_SETITEM)) {
    TTreePtr s = StateOf(hwnd);
    if (!s || !s->items.Contains(item)) return;
    if ((mask & TVIF_TEXT) && di.item.pszText) {
      s->items.SetText(item, di.item.pszText);
      item->textCallback = false;
      item->textWidth = -1;
    }
    if (mask & TVIF_IMAGE) item->image = di.item.iImage;
    if (mask & TVIF_SELECTEDIMAGE) item->selectedImage = di.item.iSelectedImage;
    if (mask & TVIF_CHILDREN) item->children = ChildrenFlag(di.item.cChildren);
  }
}

String TextOf(HWND hwnd, TTreeItem* item) {
  if (!item->textCallback) return String(TTreeItems::Text(item));
  char buffer[kDispTextMax];
  TVITEM out;
  AskDispInfo(hwnd, item, TVIF_TEXT, out, buffer);
  if (!out.pszText || out.pszText == LPSTR_TEXTCALLBACK) return String();
  return String(out.pszText, strnlen(out.pszText, out.pszText == buffer ? kDispTextMax : SIZE_MAX));
}

bool HasChildren(HWND hwnd, TTreeItem* item) {
  if (item->children == kAutoChildren) return item->first != nullptr;
  if (item->children != I_CHILDRENCALLBACK) return item->children != 0 || item->first;
  if (item->first) return true;
  TVITEM out;
  AskDispInfo(hwnd, item, TVIF_CHILDREN, out, nullptr);
  return out.cChildren != 0;
}

// --- Geometry --------------------------------------------------------------------

HFONT FontOf(const TTreeState& s) {
  return ControlFont(s.font);
}

SIZE ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  if (list) ImageList_GetIconSize(list, &cx, &cy);
  return SIZE{cx, cy};
}

int ItemHeight(TTreeState& s) {
  if (s.customHeight > 0) return s.customHeight;
  if (s.rowHeight > 0) return s.rowHeight;
  TMeasureDC m(s.font);
  TEXTMETRIC tm;
  GetTextMetrics(m.Dc(), &tm);
  int h = std::max<int>(
      {tm.tmHeight + 3, ImageSize(s.images).cy + 1, ImageSize(s.stateImages).cy + 1, 1});
  s.rowHeight = h + (h & 1);  // even, so the dotted lines meet from row to row
  return s.rowHeight;
}

void ForgetMeasures(TTreeState& s) {
  s.rowHeight = 0;
  ++s.measureStamp;
}

struct TLayout {
  RECT view;  // where rows are drawn
  bool vbar = false, hbar = false;
  RECT vbarRect, hbarRect;
  int rowHeight = 16;
  int fullRows = 0;  // rows that fit wholly
};

// Where an item's parts lie in a row, in client x coordinates.
struct TItemGeometry {
  int buttonLeft;  // the column of the item's button and lines (= start - indent)
  int start;       // where the state image, image and label begin
  int stateLeft, imageLeft, labelLeft, labelRight;
};

bool HasRootColumn(HWND hwnd) {
  const DWORD style = StyleOf(hwnd);
  return (style & TVS_LINESATROOT) && (style & (TVS_HASLINES | TVS_HASBUTTONS));
}

int TextWidth(HWND hwnd, TTreeState& s, TTreeItem* item, HDC dc) {
  if (item->textWidth >= 0 && item->widthStamp == s.measureStamp && !item->textCallback)
    return item->textWidth;
  const String text = TextOf(hwnd, item);
  SIZE size{0, 0};
  if (!text.empty()) {
    if (dc) {
      GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &size);
    } else {
      TMeasureDC m(s.font);
      GetTextExtentPoint32(m.Dc(), text.data(), static_cast<int>(text.size()), &size);
    }
  }
  if (!item->textCallback) {
    item->textWidth = size.cx;
    item->widthStamp = s.measureStamp;
  }
  return size.cx;
}

TItemGeometry GeometryOf(HWND hwnd, TTreeState& s, TTreeItem* item, HDC measure = nullptr) {
  TItemGeometry g;
  const int columns = item->level + (HasRootColumn(hwnd) ? 1 : 0);
  g.start = columns * s.indent - s.scrollX;
  g.buttonLeft = g.start - s.indent;
  g.stateLeft = g.start;
  int x = g.start;
  if (s.stateImages && STATEIMAGEMASKTOINDEX(item->state) > 0) x += ImageSize(s.stateImages).cx;
  g.imageLeft = x;
  if (s.images) x += ImageSize(s.images).cx + kImageGap;
  g.labelLeft = x;
  g.labelRight = x + TextWidth(hwnd, s, item, measure) + 2 * kLabelPad;
  return g;
}

// The row layout, with the scroll bars the content needs.
TLayout LayoutOf(HWND hwnd, TTreeState& s) {
  TLayout l;
  RECT client;
  GetClientRect(hwnd, &client);
  l.rowHeight = ItemHeight(s);
  const DWORD style = StyleOf(hwnd);
  const std::int64_t rows = s.items.RowCount();
  const int bar = ScrollBarSize();
  l.view = client;
  if (!(style & TVS_NOSCROLL)) {
    for (int pass = 0; pass < 2; ++pass) {
      const int height = client.bottom - (l.hbar ? bar : 0);
      l.vbar = rows * l.rowHeight > height;
      const int width = client.right - (l.vbar ? bar : 0);
      l.hbar = !(style & TVS_NOHSCROLL) && (s.extent + s.scrollX > width || s.scrollX > 0);
    }
  }
  if (l.vbar) l.view.right = std::max<LONG>(0, client.right - bar);
  if (l.hbar) l.view.bottom = std::max<LONG>(0, client.bottom - bar);
  l.vbarRect = RECT{l.view.right, 0, client.right, l.view.bottom};
  l.hbarRect = RECT{0, l.view.bottom, l.view.right, client.bottom};
  l.fullRows = std::max(0, static_cast<int>(l.view.bottom / l.rowHeight));
  return l;
}

std::int64_t TopRow(TTreeState& s) {
  return s.top ? s.items.RowOf(s.top) : 0;
}

SCROLLINFO VertInfo(TTreeState& s, const TLayout& l) {
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  const std::int64_t rows = s.items.RowCount();
  si.nMax = static_cast<int>(std::min<std::int64_t>(rows - 1, INT32_MAX));
  si.nPage = static_cast<UINT>(std::max(1, l.fullRows));
  si.nPos = static_cast<int>(std::min<std::int64_t>(TopRow(s), INT32_MAX));
  return si;
}

SCROLLINFO HorzInfo(const TTreeState& s, const TLayout& l) {
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMax = std::max(s.extent + s.scrollX, static_cast<int>(l.view.right)) - 1;
  si.nPage = static_cast<UINT>(std::max<LONG>(1, l.view.right));
  si.nPos = s.scrollX;
  return si;
}

// While drawing is off (WM_SETREDRAW), nothing is invalidated piecemeal:
// switching it on repaints everything once.
void InvalidateRow(HWND hwnd, TTreeState& s, TTreeItem* item, bool toBottom = false) {
  if (!item || !IsRedrawEnabled(hwnd) || !s.items.IsShown(item)) return;
  const TLayout l = LayoutOf(hwnd, s);
  const std::int64_t y = (s.items.RowOf(item) - TopRow(s)) * l.rowHeight;
  if (y >= l.view.bottom) return;
  if (!toBottom && y + l.rowHeight <= 0) return;
  RECT r{0, static_cast<LONG>(std::max<std::int64_t>(y, 0)), l.view.right,
         toBottom ? l.view.bottom : static_cast<LONG>(y + l.rowHeight)};
  InvalidateRect(hwnd, &r, TRUE);
}

void InvalidateBars(HWND hwnd, TTreeState& s) {
  if (!IsRedrawEnabled(hwnd)) return;
  const TLayout l = LayoutOf(hwnd, s);
  if (l.vbar) InvalidateRect(hwnd, &l.vbarRect, TRUE);
  if (l.hbar) InvalidateRect(hwnd, &l.hbarRect, TRUE);
}

// Keeps the top row inside the tree: no empty rows below the last one
// while there are rows above the top.
void ClampTop(HWND hwnd, TTreeState& s) {
  if (!s.items.RowCount()) {
    s.top = nullptr;
    return;
  }
  if (!s.top || !s.items.IsShown(s.top)) s.top = s.items.ItemAtRow(0);
  const TLayout l = LayoutOf(hwnd, s);
  const std::int64_t maxTop =
      std::max<std::int64_t>(0, s.items.RowCount() - std::max(1, l.fullRows));
  if (s.items.RowOf(s.top) > maxTop) s.top = s.items.ItemAtRow(maxTop);
}

void HideTip(HWND hwnd, TTreeState& s);

void SetTopRow(HWND hwnd, TTreeState& s, std::int64_t row) {
  const TLayout l = LayoutOf(hwnd, s);
  const std::int64_t maxTop =
      std::max<std::int64_t>(0, s.items.RowCount() - std::max(1, l.fullRows));
  row = std::clamp<std::int64_t>(row, 0, maxTop);
  TTreeItem* top = s.items.ItemAtRow(row);
  if (top == s.top) return;
  s.top = top;
  HideTip(hwnd, s);
  InvalidateRect(hwnd, nullptr, TRUE);
}

void SetScrollX(HWND hwnd, TTreeState& s, int x) {
  const TLayout l = LayoutOf(hwnd, s);
  x = std::clamp(x, 0, std::max(0, s.extent + s.scrollX - static_cast<int>(l.view.right)));
  if (x == s.scrollX) return;
  s.extent += s.scrollX - x;
  s.scrollX = x;
  InvalidateRect(hwnd, nullptr, TRUE);
}

// Scrolls as little as needed to show the item's row whole.
void ScrollIntoView(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (!item || !s.items.IsShown(item)) return;
  const TLayout l = LayoutOf(hwnd, s);
  const std::int64_t row = s.items.RowOf(item), top = TopRow(s);
  if (row < top)
    SetTopRow(hwnd, s, row);
  else if (row >= top + std::max(1, l.fullRows))
    SetTopRow(hwnd, s, row - std::max(1, l.fullRows) + 1);
}

// --- Expanding ---------------------------------------------------------------------

void SelectItem(HWND hwnd, TTreeState& s, TTreeItem* item, UINT action);
void DeleteItem(HWND hwnd, TTreeState& s, TTreeItem* item);

// `notify`: send TVN_ITEMEXPANDING/ED (user actions always; TVM_EXPAND only
// the first time an item expands). Returns whether anything changed.
bool Expand(HWND hwnd, TTreeState& s, TTreeItem* item, UINT code, bool notify) {
  UINT action = code & TVE_ACTIONMASK;
  if (action == TVE_TOGGLE) action = item->Expanded() ? TVE_COLLAPSE : TVE_EXPAND;
  if (action == TVE_EXPAND) {
    if (item->Expanded()) return false;
    if (!HasChildren(hwnd, item)) return false;
    notify = notify || !(item->state & TVIS_EXPANDEDONCE);
    if (notify && NotifyTree(hwnd, TVN_ITEMEXPANDING, TVE_EXPAND, nullptr, item)) return false;
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return false;
    s.items.SetExpanded(item, true);
    item->state |= TVIS_EXPANDEDONCE;
  } else if (action == TVE_COLLAPSE) {
    const bool reset = (code & TVE_COLLAPSERESET) != 0;
    if (!item->Expanded() && !reset) return false;
    if (item->Expanded() && notify &&
        NotifyTree(hwnd, TVN_ITEMEXPANDING, TVE_COLLAPSE, nullptr, item))
      return false;
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return false;
    // The selection and the top row leave the hidden children.
    if (s.selected && s.selected != item && TTreeItems::IsInside(s.selected, item))
      SelectItem(hwnd, s, item, TVC_UNKNOWN);
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return false;
    if (s.top && s.top != item && TTreeItems::IsInside(s.top, item)) s.top = item;
    s.items.SetExpanded(item, false);
    if (reset) {
      while (item->first) DeleteItem(hwnd, s, item->first);
      item->state &= ~TVIS_EXPANDEDONCE;
    }
  } else {
    return false;
  }
  ClampTop(hwnd, s);
  InvalidateRow(hwnd, s, item, true);
  InvalidateBars(hwnd, s);
  if (notify) NotifyTree(hwnd, TVN_ITEMEXPANDED, action, nullptr, item);
  return true;
}

void ExpandAncestors(HWND hwnd, TTreeState& s, TTreeItem* item) {
  std::vector<TTreeItem*> chain;
  for (TTreeItem* p = item->parent; p && !s.items.IsRoot(p); p = p->parent)
    if (!p->Expanded()) chain.push_back(p);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!s.items.Contains(*it)) return;
    Expand(hwnd, s, *it, TVE_EXPAND, false);
  }
}

// --- Selection ---------------------------------------------------------------------

void SetSelectedFlag(TTreeItem* item, bool on) {
  if (item) item->state = on ? (item->state | TVIS_SELECTED) : (item->state & ~TVIS_SELECTED);
}

void SelectItem(HWND hwnd, TTreeState& s, TTreeItem* item, UINT action) {
  TTreeItem* old = s.selected;
  if (item == old) {
    if (item) ScrollIntoView(hwnd, s, item);
    return;
  }
  if (NotifyTree(hwnd, TVN_SELCHANGING, action, old, item)) return;
  if (!IsWindow(hwnd)) return;
  if (old && !s.items.Contains(old)) old = nullptr;
  if (item && !s.items.Contains(item)) return;
  SetSelectedFlag(old, false);
  InvalidateRow(hwnd, s, old);
  s.selected = item;
  SetSelectedFlag(item, true);
  if (item) {
    ExpandAncestors(hwnd, s, item);
    if (!IsWindow(hwnd) || s.selected != item) return;
    ScrollIntoView(hwnd, s, item);
    InvalidateRow(hwnd, s, item);
  }
  NotifyTree(hwnd, TVN_SELCHANGED, action, old, item);
}

void SetDropHighlight(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (item == s.drop) return;
  if (s.drop) {
    s.drop->state &= ~TVIS_DROPHILITED;
    InvalidateRow(hwnd, s, s.drop);
  }
  s.drop = item;
  if (item) {
    item->state |= TVIS_DROPHILITED;
    InvalidateRow(hwnd, s, item);
  }
  // The selection is drawn plainly while something else is the drop target.
  InvalidateRow(hwnd, s, s.selected);
}

// --- Label editing -------------------------------------------------------------------

void EndEdit(HWND hwnd, TTreeState& s, bool cancel) {
  if (!s.edit || s.endingEdit) return;
  s.endingEdit = true;
  HWND edit = s.edit;
  TTreeItem* item = s.editItem;
  const String text = GetWindowText(edit);
  NMTVDISPINFO di;
  di.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
  di.item.hItem = HandleOf(item);
  di.item.state = item ? item->state : 0;
  di.item.lParam = item ? item->lParam : 0;
  String buffer = text;
  di.item.pszText = cancel ? nullptr : buffer.data();
  di.item.cchTextMax = static_cast<int>(buffer.size() + 1);
  const LRESULT accept = Notify(hwnd, di.hdr, TVN_ENDLABELEDIT);
  if (!IsWindow(hwnd)) return;
  if (accept && !cancel && item && s.items.Contains(item) && !item->textCallback) {
    s.items.SetText(item, text);
    item->textWidth = -1;
  }
  const bool hadFocus = GetFocus() == edit;
  s.edit = nullptr;
  s.editItem = nullptr;
  DestroyWindow(edit);
  if (!IsWindow(hwnd)) return;
  if (hadFocus) SetFocus(hwnd);
  s.endingEdit = false;
  if (item && s.items.Contains(item)) InvalidateRow(hwnd, s, item);
}

// The editor sends Enter and Escape to the tree instead of its dialog.
LRESULT EditSubclass(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam, HWND tree, WNDPROC old) {
  if (msg == WM_GETDLGCODE)
    return DLGC_WANTALLKEYS | CallWindowProc(old, edit, msg, wParam, lParam);
  if (msg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
    if (TTreePtr s = StateOf(tree)) EndEdit(tree, *s, wParam == VK_ESCAPE);
    return 0;
  }
  if (msg == WM_CHAR && (wParam == '\r' || wParam == 0x1B)) return 0;
  return CallWindowProc(old, edit, msg, wParam, lParam);
}

// The editor grows with its text (and shrinks back to its first width),
// as far as the tree's right edge.
void FitEditor(HWND hwnd, TTreeState& s) {
  const String text = GetWindowText(s.edit);
  SIZE size{0, 0};
  {
    TMeasureDC m(s.font);
    if (!text.empty())
      GetTextExtentPoint32(m.Dc(), text.data(), static_cast<int>(text.size()), &size);
  }
  RECT r;
  GetWindowRect(s.edit, &r);
  POINT at{r.left, r.top};
  ScreenToClient(hwnd, &at);
  const TLayout l = LayoutOf(hwnd, s);
  const int wanted = std::max<int>(s.editMinWidth, size.cx + 2 * s.indent);
  const int width = std::max<int>(s.editMinWidth, std::min<int>(wanted, l.view.right - at.x));
  if (width != r.right - r.left)
    SetWindowPos(s.edit, nullptr, 0, 0, width, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND EditLabel(HWND hwnd, TTreeState& s, TTreeItem* item) {
  EndEdit(hwnd, s, false);
  if (!IsWindow(hwnd) || !s.items.Contains(item)) return nullptr;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  NMTVDISPINFO di;
  String text = TextOf(hwnd, item);
  di.item.mask = TVIF_TEXT | TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
  di.item.hItem = HandleOf(item);
  di.item.state = item->state;
  di.item.lParam = item->lParam;
  di.item.pszText = text.data();
  di.item.cchTextMax = static_cast<int>(text.size() + 1);
  if (Notify(hwnd, di.hdr, TVN_BEGINLABELEDIT)) return nullptr;
  if (!IsWindow(hwnd) || !s.items.Contains(item)) return nullptr;
  ScrollIntoView(hwnd, s, item);
  const TLayout l = LayoutOf(hwnd, s);
  const TItemGeometry g = GeometryOf(hwnd, s, item);
  const int y = static_cast<int>((s.items.RowOf(item) - TopRow(s)) * l.rowHeight);
  const int width = std::max(g.labelRight - g.labelLeft + 2 * s.indent, 4 * s.indent);
  HWND edit = CreateWindowEx(
      0, WC_EDIT, text.c_str(), WS_CHILD | WS_BORDER | ES_AUTOHSCROLL, g.labelLeft - 1, y,
      std::min<int>(width, std::max<int>(l.view.right - g.labelLeft + 1, 4 * s.indent)),
      l.rowHeight, hwnd, nullptr, HInstance(), nullptr);
  if (!edit) return nullptr;
  s.editMinWidth =
      std::min<int>(width, std::max<int>(l.view.right - g.labelLeft + 1, 4 * s.indent));
  SendMessage(edit, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(s)), FALSE);
  WNDPROC old = GetWindowProc(edit);
  SetWindowProc(edit, MakeWndProc([hwnd, old](HWND e, UINT m, WPARAM w, LPARAM p) {
                  return EditSubclass(e, m, w, p, hwnd, old);
                }));
  s.edit = edit;
  s.editItem = item;
  SendMessage(edit, EM_SETSEL, 0, -1);
  ShowWindow(edit, SW_SHOW);
  SetFocus(edit);
  return edit;
}

// --- Items ---------------------------------------------------------------------------

void ApplyItem(TTreeState& s, TTreeItem* item, const TVITEM& tv) {
  if (tv.mask & TVIF_TEXT) {
    item->textCallback = tv.pszText == LPSTR_TEXTCALLBACK;
    s.items.SetText(item, (tv.pszText && !item->textCallback) ? tv.pszText : "");
    item->textWidth = -1;
  }
  if (tv.mask & TVIF_IMAGE) item->image = tv.iImage;
  if (tv.mask & TVIF_SELECTEDIMAGE) item->selectedImage = tv.iSelectedImage;
  if (tv.mask & TVIF_PARAM) item->lParam = tv.lParam;
  if (tv.mask & TVIF_CHILDREN) item->children = ChildrenFlag(tv.cChildren);
  if (tv.mask & TVIF_STATE) {
    // Expansion, selection and drop highlight have their own bookkeeping.
    const UINT own = TVIS_EXPANDED | TVIS_SELECTED | TVIS_DROPHILITED;
    const UINT mask = tv.stateMask & ~own;
    item->state = (item->state & ~mask) | (tv.state & mask);
    if (tv.stateMask & TVIS_EXPANDED) s.items.SetExpanded(item, (tv.state & TVIS_EXPANDED) != 0);
    if (tv.stateMask & TVIS_SELECTED) SetSelectedFlag(item, (tv.state & TVIS_SELECTED) != 0);
  }
}

int CompareLabels(std::string_view a, std::string_view b) {
  return AnsiCompareText(a, b);
}

TTreeItem* InsertItem(HWND hwnd, TTreeState& s, const TVINSERTSTRUCT* is) {
  if (!is) return nullptr;
  TTreeItem* parent = s.items.Root();
  if (is->hParent && is->hParent != TVI_ROOT) {
    parent = ItemOf(s, is->hParent);
    if (!parent) return nullptr;
  }
  // Nothing new under what is going.
  if (s.deleting && TTreeItems::IsInside(parent, s.deleting)) return nullptr;
  TTreeItem* after = parent->last;
  if (is->hInsertAfter == TVI_FIRST) {
    after = nullptr;
  } else if (is->hInsertAfter == TVI_SORT) {
    const String text =
        (is->item.mask & TVIF_TEXT) && is->item.pszText && is->item.pszText != LPSTR_TEXTCALLBACK
            ? String(is->item.pszText)
            : String();
    // The children are in order when they were all inserted so: a search
    // down the sibling tree finds the place without walking the list.
    after = TTreeItems::LastBefore(parent, [&text](const TTreeItem* c) {
      return CompareLabels(TTreeItems::Text(c), text) <= 0;
    });
  } else if (TTreeItem* sibling = ItemOf(s, is->hInsertAfter);
             sibling && sibling->parent == parent) {
    after = sibling;
  }
  const bool parentHadButton = parent->first != nullptr;
  TTreeItem* item = s.items.Insert(parent, after);
  if (!item) return nullptr;
  item->children = kAutoChildren;
  ApplyItem(s, item, is->item);
  if (is->markParent && !s.items.IsRoot(parent)) parent->children = ChildrenFlag(1);
  if (!s.top) s.top = s.items.ItemAtRow(0);
  // Drawing held back: all is repainted once when it comes back.
  if (!IsRedrawEnabled(hwnd)) return item;
  if (s.items.IsShown(item)) {
    InvalidateRow(hwnd, s, item, true);
    InvalidateBars(hwnd, s);
  } else if (!parentHadButton && !s.items.IsRoot(parent)) {
    InvalidateRow(hwnd, s, parent);  // its button appears
  }
  return item;
}

// Items of the subtree of `item` (or of the whole tree, for the root) in
// the order their deletion is reported: children before their parent.
std::vector<TTreeItem*> DeletionOrder(TTreeItems& items, TTreeItem* item) {
  std::vector<TTreeItem*> order;
  if (items.IsRoot(item)) order.reserve(items.Count());
  std::vector<TTreeItem*> stack{item};
  // Pre-order with the children reversed, then reversed: each parent after its children.
  while (!stack.empty()) {
    TTreeItem* it = stack.back();
    stack.pop_back();
    if (!items.IsRoot(it)) order.push_back(it);
    for (TTreeItem* c = it->first; c; c = c->next) stack.push_back(c);
  }
  std::reverse(order.begin(), order.end());
  return order;
}

// Reports the deletion of the subtree of `item` (the root: every item),
// its items staying in place meanwhile. False when the window went.
bool ReportDeletion(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (!s.notifyDeletions) return true;
  TTreeItem* const outer = std::exchange(s.deleting, item);
  bool alive = true;
  if (!item->first && !s.items.IsRoot(item)) {  // a leaf, the common case: no list
    NotifyTree(hwnd, TVN_DELETEITEM, 0, item, nullptr);
    s.deleting = outer;
    return IsWindow(hwnd) != FALSE;
  }
  const std::vector<TTreeItem*> order = DeletionOrder(s.items, item);
  for (TTreeItem* it : order) {
    if (!s.items.Contains(it)) continue;
    NotifyTree(hwnd, TVN_DELETEITEM, 0, it, nullptr);
    if (!(alive = IsWindow(hwnd) != FALSE)) break;
  }
  s.deleting = outer;
  return alive;
}

// Forgets every reference into the subtree of `item` before it goes.
void ForgetSubtree(HWND hwnd, TTreeState& s, TTreeItem* item) {
  const auto inside = [item](const TTreeItem* it) { return it && TTreeItems::IsInside(it, item); };
  if (inside(s.selected)) {
    SetSelectedFlag(s.selected, false);
    s.selected = nullptr;
  }
  if (inside(s.top)) s.top = item->next ? item->next : s.items.PrevShown(item);
  if (inside(s.drop)) s.drop = nullptr;
  if (inside(s.hot)) s.hot = nullptr;
  if (inside(s.downItem)) {
    s.downItem = nullptr;
    s.tracking = s.rightTracking = false;
  }
  if (inside(s.tipItem)) HideTip(hwnd, s);
}

void DeleteDeferred(HWND hwnd, TTreeState& s);

void DeleteItem(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (!s.items.Contains(item)) return;
  if (s.deleting) {
    // Going already; anything else after the subtree being reported.
    if (!TTreeItems::IsInside(item, s.deleting)) s.deferred.push_back(HandleOf(item));
    return;
  }
  // The selection leaves the subtree once, before anything in it goes, for
  // the next sibling, else the previous one, else the parent.
  if (s.selected && TTreeItems::IsInside(s.selected, item)) {
    TTreeItem* next = item->next ? item->next : item->prev;
    if (!next && !s.items.IsRoot(item->parent)) next = item->parent;
    SelectItem(hwnd, s, next, TVC_UNKNOWN);
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
  }
  if (s.editItem && TTreeItems::IsInside(s.editItem, item)) EndEdit(hwnd, s, true);
  if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
  if (!ReportDeletion(hwnd, s, item)) return;
  // An edit a handler started meanwhile ends before its item goes.
  if (s.editItem && s.items.Contains(item) && TTreeItems::IsInside(s.editItem, item))
    EndEdit(hwnd, s, true);
  if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
  const bool shown = s.items.IsShown(item);
  if (shown) InvalidateRow(hwnd, s, item, true);
  // Refused selection changes leave nothing selected rather than a deleted item.
  ForgetSubtree(hwnd, s, item);
  TTreeItem* parent = item->parent;
  s.items.Remove(item);
  if (!s.items.IsRoot(parent) && !parent->first) {
    InvalidateRow(hwnd, s, parent);  // its button goes
  }
  if (!s.top || !s.items.Contains(s.top)) s.top = s.items.ItemAtRow(0);
  if (shown) {
    ClampTop(hwnd, s);
    InvalidateBars(hwnd, s);
  }
  DeleteDeferred(hwnd, s);
}

void DeleteAll(HWND hwnd, TTreeState& s) {
  if (s.deleting) {
    s.deferred.push_back(nullptr);
    return;
  }
  if (s.selected) {
    SelectItem(hwnd, s, nullptr, TVC_UNKNOWN);
    if (!IsWindow(hwnd)) return;
  }
  if (s.editItem) EndEdit(hwnd, s, true);
  if (!IsWindow(hwnd)) return;
  if (!ReportDeletion(hwnd, s, s.items.Root())) return;
  if (s.editItem) EndEdit(hwnd, s, true);
  if (!IsWindow(hwnd)) return;
  ForgetSubtree(hwnd, s, s.items.Root());
  s.top = nullptr;
  s.items.Clear();
  s.deferred.clear();
  s.scrollX = 0;
  s.extent = 0;
  InvalidateRect(hwnd, nullptr, TRUE);
}

void DeleteDeferred(HWND hwnd, TTreeState& s) {
  while (!s.deferred.empty() && IsWindow(hwnd)) {
    const HTREEITEM h = s.deferred.front();
    s.deferred.erase(s.deferred.begin());
    if (!h)
      DeleteAll(hwnd, s);
    else if (TTreeItem* item = ItemOf(s, h))
      DeleteItem(hwnd, s, item);
  }
}

void SortChildren(HWND hwnd, TTreeState& s, TTreeItem* parent, bool recurse,
                  const std::function<bool(const TTreeItem*, const TTreeItem*)>& less) {
  std::vector<TTreeItem*> order;
  order.reserve(static_cast<size_t>(parent->childCount));
  for (TTreeItem* c = parent->first; c; c = c->next) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), less);
  s.items.Arrange(parent, order);
  if (recurse)
    for (TTreeItem* c : order)
      if (c->first) SortChildren(hwnd, s, c, true, less);
}

BOOL GetItem(TTreeState& s, TVITEM* tv) {
  if (!tv) return FALSE;
  TTreeItem* item = ItemOf(s, tv->hItem);
  if (!item) return FALSE;
  if (tv->mask & TVIF_TEXT) {
    if (item->textCallback) {
      tv->pszText = LPSTR_TEXTCALLBACK;
    } else if (tv->pszText && tv->cchTextMax > 0) {
      const std::string_view text = TTreeItems::Text(item);
      const size_t n = std::min(text.size(), static_cast<size_t>(tv->cchTextMax - 1));
      std::memcpy(tv->pszText, text.data(), n);
      tv->pszText[n] = 0;
    }
  }
  if (tv->mask & TVIF_IMAGE) tv->iImage = item->image;
  if (tv->mask & TVIF_SELECTEDIMAGE) tv->iSelectedImage = item->selectedImage;
  if (tv->mask & TVIF_PARAM) tv->lParam = item->lParam;
  if (tv->mask & TVIF_STATE) {
    UINT state = item->state;
    if (item == s.selected && s.focused) state |= TVIS_FOCUSED;
    tv->state = state & (tv->stateMask ? tv->stateMask : 0xFFFFu);
  }
  if (tv->mask & TVIF_CHILDREN)
    tv->cChildren = item->children == kAutoChildren ? (item->first ? 1 : 0) : item->children;
  return TRUE;
}

HTREEITEM GetNextItem(TTreeState& s, UINT code, HTREEITEM h) {
  TTreeItem* item = (h == nullptr || h == TVI_ROOT) ? nullptr : ItemOf(s, h);
  switch (code & 0x0F) {
    case TVGN_ROOT:
      return HandleOf(s.items.Root()->first);
    case TVGN_CARET:
      return HandleOf(s.selected);
    case TVGN_DROPHILITE:
      return HandleOf(s.drop);
    case TVGN_FIRSTVISIBLE:
      return HandleOf(s.top);
    case TVGN_LASTVISIBLE:
      return HandleOf(s.items.LastShown());
    case TVGN_CHILD:
      if (!h || h == TVI_ROOT) return HandleOf(s.items.Root()->first);
      return item ? HandleOf(item->first) : nullptr;
  }
  if (!item) return nullptr;
  switch (code & 0x0F) {
    case TVGN_NEXT:
      return HandleOf(item->next);
    case TVGN_PREVIOUS:
      return HandleOf(item->prev);
    case TVGN_PARENT:
      return s.items.IsRoot(item->parent) ? nullptr : HandleOf(item->parent);
    case TVGN_NEXTVISIBLE:
      return s.items.IsShown(item) ? HandleOf(TTreeItems::NextShown(item)) : nullptr;
    case TVGN_PREVIOUSVISIBLE:
      return s.items.IsShown(item) ? HandleOf(s.items.PrevShown(item)) : nullptr;
  }
  return nullptr;
}

// --- Hit testing ------------------------------------------------------------------------

TTreeItem* HitTest(HWND hwnd, TTreeState& s, POINT pt, UINT& flags) {
  const TLayout l = LayoutOf(hwnd, s);
  flags = 0;
  if (pt.y < 0) flags |= TVHT_ABOVE;
  if (pt.y >= l.view.bottom) flags |= TVHT_BELOW;
  if (pt.x < 0) flags |= TVHT_TOLEFT;
  if (pt.x >= l.view.right) flags |= TVHT_TORIGHT;
  if (flags) return nullptr;
  TTreeItem* item = s.items.ItemAtRow(TopRow(s) + pt.y / l.rowHeight);
  if (!item) {
    flags = TVHT_NOWHERE;
    return nullptr;
  }
  const TItemGeometry g = GeometryOf(hwnd, s, item);
  const bool hasColumn = item->level > 0 || HasRootColumn(hwnd);
  if (pt.x < g.buttonLeft || (!hasColumn && pt.x < g.start))
    flags = TVHT_ONITEMINDENT;
  else if (pt.x < g.start)
    flags = (StyleOf(hwnd) & TVS_HASBUTTONS) && HasChildren(hwnd, item) ? TVHT_ONITEMBUTTON
                                                                        : TVHT_ONITEMINDENT;
  else if (pt.x < g.imageLeft)
    flags = TVHT_ONITEMSTATEICON;
  else if (pt.x < g.labelLeft)
    flags = TVHT_ONITEMICON;
  else if (pt.x < g.labelRight)
    flags = TVHT_ONITEMLABEL;
  else
    flags = TVHT_ONITEMRIGHT;
  return item;
}

// --- Painting ---------------------------------------------------------------------------

COLORREF Resolve(COLORREF c, int sysColor) {
  return (c == CLR_NONE || c == CLR_DEFAULT) ? GetSysColor(sysColor) : c;
}

// The dotted lines are drawn with a pen that sets every other pixel, in the
// transparent background mode: one stroke per line instead of a call per
// pixel (each call works out the window's visible region again). Pixels lie
// where x + y is even, so the dots of neighbouring rows and columns meet.
void DottedVLine(HDC dc, int x, int y0, int y1) {
  const int first = y0 + ((y0 + x) & 1);
  if (first >= y1) return;
  MoveToEx(dc, x, first, nullptr);
  LineTo(dc, x, y1);
}
void DottedHLine(HDC dc, int x0, int x1, int y) {
  const int first = x0 + ((x0 + y) & 1);
  if (first >= x1) return;
  MoveToEx(dc, first, y, nullptr);
  LineTo(dc, x1, y);
}

void DrawButton(HDC dc, HPEN signPen, int cx, int cy, bool expanded) {
  const int half = kButtonSize / 2;
  RECT box{cx - half, cy - half, cx + half + 1, cy + half + 1};
  FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
  FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
  const HGDIOBJ old = SelectObject(dc, signPen);
  MoveToEx(dc, cx - 2, cy, nullptr);
  LineTo(dc, cx + 3, cy);
  if (!expanded) {
    MoveToEx(dc, cx, cy - 2, nullptr);
    LineTo(dc, cx, cy + 3);
  }
  SelectObject(dc, old);
}

struct TPaintContext {
  HDC dc;
  TLayout layout;
  bool itemNotify = false;
  bool itemPostNotify = false;
  COLORREF back, text, line;
  HPEN linePen = nullptr;  // every other pixel, in the line colour
  HPEN signPen = nullptr;  // the buttons' plus and minus
};

void DrawLinesAndButton(HWND hwnd, TTreeState& s, const TPaintContext& pc, TTreeItem* item, int y,
                        const TItemGeometry& g) {
  const DWORD style = StyleOf(hwnd);
  const int h = pc.layout.rowHeight;
  const bool rootColumn = HasRootColumn(hwnd);
  const int mid = y + h / 2;
  const int minLevel = rootColumn ? 0 : 1;  // levels that have a column of their own
  if (style & TVS_HASLINES) {
    const HGDIOBJ oldPen = SelectObject(pc.dc, pc.linePen);
    const int oldMode = SetBkMode(pc.dc, TRANSPARENT);
    // Ancestors' columns: a line through the row where an ancestor has siblings below.
    int column = g.buttonLeft;
    for (TTreeItem* a = item->parent; a && a->level >= minLevel; a = a->parent) {
      column -= s.indent;
      if (a->next) DottedVLine(pc.dc, column + s.indent / 2, y, y + h);
    }
    if (item->level >= minLevel) {
      const int cx = g.buttonLeft + s.indent / 2;
      const bool above = item->prev || item->level > 0;
      DottedVLine(pc.dc, cx, above ? y : mid, item->next ? y + h : mid + 1);
      DottedHLine(pc.dc, cx, g.start, mid);
    }
    SetBkMode(pc.dc, oldMode);
    SelectObject(pc.dc, oldPen);
  }
  if ((style & TVS_HASBUTTONS) && item->level >= minLevel && HasChildren(hwnd, item))
    DrawButton(pc.dc, pc.signPen, g.buttonLeft + s.indent / 2, mid,
               item->Expanded() && item->first);
}

void DrawItem(HWND hwnd, TTreeState& s, TPaintContext& pc, TTreeItem* item, int y) {
  const DWORD style = StyleOf(hwnd);
  const int h = pc.layout.rowHeight;
  HDC dc = pc.dc;
  HGDIOBJ font = SelectObject(dc, FontOf(s));
  TItemGeometry g = GeometryOf(hwnd, s, item, dc);
  const bool showSel = s.focused || (style & TVS_SHOWSELALWAYS);
  const bool asSelected = item == s.drop || (item == s.selected && !s.drop && showSel);
  const bool highlighted = asSelected && (s.focused || item == s.drop);

  NMTVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  cd.nmcd.rc = RECT{0, y, pc.layout.view.right, y + h};
  cd.nmcd.dwItemSpec = reinterpret_cast<DWORD_PTR>(item);
  cd.nmcd.uItemState = (asSelected ? CDIS_SELECTED : 0) |
                       (item == s.selected && s.focused ? CDIS_FOCUS : 0) |
                       (item == s.hot ? CDIS_HOT : 0);
  cd.nmcd.lItemlParam = item->lParam;
  cd.iLevel = item->level;
  cd.clrText = highlighted ? GetSysColor(COLOR_HIGHLIGHTTEXT) : pc.text;
  cd.clrTextBk = highlighted  ? GetSysColor(COLOR_HIGHLIGHT)
                 : asSelected ? GetSysColor(COLOR_BTNFACE)
                              : pc.back;
  LRESULT answer = CDRF_DODEFAULT;
  if (pc.itemNotify) {
    cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    answer = Notify(hwnd, cd.nmcd.hdr, NM_CUSTOMDRAW);
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
  }
  if (!(answer & CDRF_SKIPDEFAULT)) {
    if (answer & CDRF_NEWFONT)
      g = GeometryOf(hwnd, s, item, dc);  // measured in the font given
    else if (pc.itemNotify)
      SelectObject(dc, FontOf(s));  // a font selected without saying so is not used
    DrawLinesAndButton(hwnd, s, pc, item, y, g);
    if (s.stateImages && STATEIMAGEMASKTOINDEX(item->state) > 0)
      ImageList_Draw(s.stateImages, STATEIMAGEMASKTOINDEX(item->state), dc, g.stateLeft,
                     y + (h - ImageSize(s.stateImages).cy) / 2, ILD_TRANSPARENT);
    if (s.images) {
      const bool selImage = item == s.selected;
      int index = selImage ? item->selectedImage : item->image;
      if (index == I_IMAGECALLBACK) {
        TVITEM out;
        AskDispInfo(hwnd, item, selImage ? TVIF_SELECTEDIMAGE : TVIF_IMAGE, out, nullptr);
        if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
        index = selImage ? out.iSelectedImage : out.iImage;
      }
      if (index >= 0)
        ImageList_Draw(
            s.images, index, dc, g.imageLeft, y + (h - ImageSize(s.images).cy) / 2,
            ILD_TRANSPARENT | (item == s.drop || (item->state & TVIS_CUT) ? ILD_SELECTED : 0));
    }
    RECT label{g.labelLeft, y, g.labelRight, y + h};
    if ((style & TVS_FULLROWSELECT) && !(style & TVS_HASLINES)) label.right = pc.layout.view.right;
    if (cd.clrTextBk != pc.back && cd.clrTextBk != CLR_NONE) {
      HBRUSH b = CreateSolidBrush(cd.clrTextBk);
      FillRect(dc, &label, b);
      DeleteObject(b);
    }
    const String text = TextOf(hwnd, item);
    if (!IsWindow(hwnd) || !s.items.Contains(item)) return;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, item == s.hot && (style & TVS_TRACKSELECT) && !asSelected
                         ? GetSysColor(COLOR_HOTLIGHT)
                         : cd.clrText);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    const int ty = y + (h - tm.tmHeight) / 2;
    TextOut(dc, g.labelLeft + kLabelPad, ty, text.data(), static_cast<int>(text.size()));
    if (item == s.hot && (style & TVS_TRACKSELECT)) {
      RECT underline{g.labelLeft + kLabelPad, ty + tm.tmAscent + 1, g.labelRight - kLabelPad,
                     ty + tm.tmAscent + 2};
      HBRUSH b = CreateSolidBrush(GetSysColor(COLOR_HOTLIGHT));
      FillRect(dc, &underline, b);
      DeleteObject(b);
    }
    if (item == s.selected && s.focused && !s.drop) DrawFocusRect(dc, &label);
  }
  if (pc.itemNotify && (answer & CDRF_NOTIFYPOSTPAINT)) {
    cd.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
    Notify(hwnd, cd.nmcd.hdr, NM_CUSTOMDRAW);
  }
  if (IsWindow(hwnd)) SelectObject(dc, font);
}

// The widest label among the rows on screen: the horizontal bar's extent.
void MeasureExtent(HWND hwnd, TTreeState& s) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int h = ItemHeight(s);
  TMeasureDC m(s.font);
  int extent = 0;
  TTreeItem* item = s.top;
  for (int y = 0; item && y < client.bottom; y += h, item = TTreeItems::NextShown(item))
    extent = std::max(extent, GeometryOf(hwnd, s, item, m.Dc()).labelRight);
  s.extent = extent;
}

void Paint(HWND hwnd, HDC dc, const RECT& area) {
  TTreePtr sp = StateOf(hwnd);
  if (!sp) return;
  TTreeState& s = *sp;
  ClampTop(hwnd, s);
  MeasureExtent(hwnd, s);
  TPaintContext pc;
  pc.dc = dc;
  pc.layout = LayoutOf(hwnd, s);
  const bool enabled = IsWindowEnabled(hwnd);
  pc.back = enabled ? Resolve(s.bkColor, COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE);
  pc.text = enabled ? Resolve(s.textColor, COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT);
  pc.line = Resolve(s.lineColor, COLOR_BTNSHADOW);
  pc.linePen = CreatePen(PS_ALTERNATE, 1, pc.line);
  pc.signPen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
  TScopeExit freePens([&] {
    DeleteObject(pc.linePen);
    DeleteObject(pc.signPen);
  });

  // The background goes down first, so that whatever the parent paints at
  // the pre-paint stage (a picture behind the items, say) stays visible.
  RECT view = pc.layout.view;
  HBRUSH back = CreateSolidBrush(pc.back);
  FillRect(dc, &view, back);
  DeleteObject(back);

  NMTVCUSTOMDRAW cd;
  cd.nmcd.hdc = dc;
  GetClientRect(hwnd, &cd.nmcd.rc);
  cd.nmcd.dwDrawStage = CDDS_PREPAINT;
  const LRESULT answer = Notify(hwnd, cd.nmcd.hdr, NM_CUSTOMDRAW);
  if (!IsWindow(hwnd)) return;
  pc.itemNotify = (answer & CDRF_NOTIFYITEMDRAW) != 0;
  if (!(answer & CDRF_SKIPDEFAULT) && s.top) {
    const int h = pc.layout.rowHeight;
    const int firstRow = std::max(0, static_cast<int>(area.top) / h);
    const int lastRow = std::min<int>(static_cast<int>(view.bottom) - 1, area.bottom - 1) / h;
    TTreeItem* item = s.items.ItemAtRow(TopRow(s) + firstRow);
    const int save = SaveDC(dc);
    IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
    for (int row = firstRow; item && row <= lastRow; ++row) {
      DrawItem(hwnd, s, pc, item, row * h);
      if (!IsWindow(hwnd) || !s.items.Contains(item)) break;
      item = TTreeItems::NextShown(item);
    }
    if (IsWindow(hwnd)) RestoreDC(dc, save);
  }
  if (!IsWindow(hwnd)) return;
  if (pc.layout.vbar) DrawScrollBar(dc, pc.layout.vbarRect, true, VertInfo(s, pc.layout));
  if (pc.layout.hbar) DrawScrollBar(dc, pc.layout.hbarRect, false, HorzInfo(s, pc.layout));
  if (pc.layout.vbar && pc.layout.hbar) {
    RECT corner{pc.layout.view.right, pc.layout.view.bottom, cd.nmcd.rc.right, cd.nmcd.rc.bottom};
    FillRect(dc, &corner, GetSysColorBrush(COLOR_BTNFACE));
  }
  if (answer & CDRF_NOTIFYPOSTPAINT) {
    cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
    Notify(hwnd, cd.nmcd.hdr, NM_CUSTOMDRAW);
  }
}

// --- Drag image -------------------------------------------------------------------------

HIMAGELIST CreateDragImage(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (!item) return nullptr;
  const String text = TextOf(hwnd, item);
  TMeasureDC m(s.font);
  SIZE size{0, 0};
  if (!text.empty())
    GetTextExtentPoint32(m.Dc(), text.data(), static_cast<int>(text.size()), &size);
  const SIZE image = ImageSize(s.images);
  const int h = std::max<int>(ItemHeight(s), image.cy);
  const int imageWidth = s.images ? image.cx + kImageGap : 0;
  const int w = imageWidth + size.cx + 2 * kLabelPad;
  // The mask colour: a colour no label is drawn in.
  const COLORREF key = RGB(255, 0, 255);
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HGDIOBJ oldFont = SelectObject(dc, FontOf(s));
  RECT all{0, 0, w, h};
  HBRUSH keyBrush = CreateSolidBrush(key);
  FillRect(dc, &all, keyBrush);
  DeleteObject(keyBrush);
  if (s.images && item->image >= 0)
    ImageList_Draw(s.images, item->image, dc, 0, (h - image.cy) / 2, ILD_TRANSPARENT);
  RECT label{imageWidth, 0, w, h};
  FillRect(dc, &label, GetSysColorBrush(COLOR_WINDOW));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  TextOut(dc, imageWidth + kLabelPad, (h - tm.tmHeight) / 2, text.data(),
          static_cast<int>(text.size()));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  HIMAGELIST list = ImageList_Create(w, h, ILC_COLOR32 | ILC_MASK, 1, 0);
  ImageList_AddMasked(list, bitmap, key);
  DeleteObject(bitmap);
  return list;
}

// --- Tooltips --------------------------------------------------------------------------

void HideTip(HWND hwnd, TTreeState& s) {
  if (s.tips && s.tipItem) {
    SendMessage(s.tips, TTM_TRACKACTIVATE, FALSE, 0);
    KillTimer(hwnd, kTipTimer);
  }
  s.tipItem = nullptr;
}

// Shows the item's text in a tip over its label when the label does not
// fit (or, with TVS_INFOTIP, whenever the parent gives a tip), asking the
// text through TTN_NEEDTEXT so that a window subclassing the tree can
// change or suppress it.
void UpdateTip(HWND hwnd, TTreeState& s, TTreeItem* item, UINT hit) {
  if (!s.tips || s.edit) return;
  if (!(hit & (TVHT_ONITEMLABEL | TVHT_ONITEMICON))) item = nullptr;
  if (item == s.tipItem) return;
  HideTip(hwnd, s);
  if (!item) return;
  const TLayout l = LayoutOf(hwnd, s);
  const TItemGeometry g = GeometryOf(hwnd, s, item);
  const bool clipped = g.labelRight > l.view.right || g.labelLeft < 0;
  if (!clipped && !(StyleOf(hwnd) & TVS_INFOTIP)) return;
  s.tipItem = item;
  NMTTDISPINFOA info;
  info.hdr.hwndFrom = s.tips;
  info.hdr.idFrom = 0;
  info.hdr.code = TTN_NEEDTEXTA;
  SendMessage(hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  if (!IsWindow(hwnd) || s.tipItem != item) return;
  String text = info.lpszText && info.lpszText != LPSTR_TEXTCALLBACKA
                    ? String(info.lpszText)
                    : String(info.szText, strnlen(info.szText, sizeof info.szText));
  if (text.empty()) {
    s.tipItem = nullptr;
    return;
  }
  TOOLINFOA tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = hwnd;
  tool.uId = 0;
  tool.lpszText = text.data();
  SendMessage(s.tips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  POINT pt{g.labelLeft, static_cast<LONG>((s.items.RowOf(item) - TopRow(s)) * l.rowHeight)};
  ClientToScreen(hwnd, &pt);
  SendMessage(s.tips, TTM_TRACKPOSITION, 0, MAKELPARAM(pt.x, pt.y));
  SendMessage(s.tips, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  // The window hears of no pointer leaving it: a timer looks.
  SetTimer(hwnd, kTipTimer, kTipWatch);
}

// Makes `tips` the tree's tooltip control, with the tree as its one tool.
void UseTips(HWND hwnd, TTreeState& s, HWND tips) {
  s.tips = tips;
  s.tipItem = nullptr;
  if (!tips) return;
  TOOLINFOA tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = hwnd;
  tool.uId = 0;
  tool.lpszText = const_cast<LPSTR>("");
  SendMessage(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The tree's own answer to its tip's question: the item's text (or, with
// TVS_INFOTIP, what the parent gives through TVN_GETINFOTIP).
LRESULT AnswerTip(HWND hwnd, TTreeState& s, NMHDR* hdr) {
  TTreeItem* item = s.tipItem;
  if (!item || !s.items.Contains(item)) return 0;
  String text = TextOf(hwnd, item);
  if (StyleOf(hwnd) & TVS_INFOTIP) {
    std::vector<char> buffer(kDispTextMax, 0);
    std::memcpy(buffer.data(), text.data(), std::min<size_t>(text.size(), kDispTextMax - 1));
    NMTVGETINFOTIP tip;
    tip.pszText = buffer.data();
    tip.cchTextMax = kDispTextMax;
    tip.hItem = HandleOf(item);
    tip.lParam = item->lParam;
    Notify(hwnd, tip.hdr, TVN_GETINFOTIP);
    text = String(buffer.data(), strnlen(buffer.data(), kDispTextMax));
  }
  if (hdr->code == TTN_NEEDTEXTA) {
    s.tipText = text;
    reinterpret_cast<NMTTDISPINFOA*>(hdr)->lpszText = s.tipText.data();
  } else {
    s.tipTextW = Utf8ToUtf16(text);
    reinterpret_cast<NMTTDISPINFOW*>(hdr)->lpszText = s.tipTextW.data();
  }
  return 0;
}

// --- Keyboard ------------------------------------------------------------------------------

void SelectByKeyboard(HWND hwnd, TTreeState& s, TTreeItem* item) {
  if (item) SelectItem(hwnd, s, item, TVC_BYKEYBOARD);
}

void ExpandAll(HWND hwnd, TTreeState& s, TTreeItem* item) {
  std::vector<TTreeItem*> pending{item};
  while (!pending.empty()) {
    TTreeItem* it = pending.back();
    pending.pop_back();
    if (!s.items.Contains(it)) continue;
    Expand(hwnd, s, it, TVE_EXPAND, true);
    if (!IsWindow(hwnd)) return;
    for (TTreeItem* c = it->last; c; c = c->prev) pending.push_back(c);
  }
}

void KeyDown(HWND hwnd, TTreeState& s, UINT vk) {
  NMTVKEYDOWN kd;
  kd.wVKey = static_cast<WORD>(vk);
  Notify(hwnd, kd.hdr, TVN_KEYDOWN);
  if (!IsWindow(hwnd)) return;
  TTreeItem* sel = s.selected;
  const TLayout l = LayoutOf(hwnd, s);
  const int page = std::max(1, l.fullRows - 1);
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (ctrl) {
    // Ctrl with the movement keys scrolls without moving the selection.
    switch (vk) {
      case VK_UP:
        SendMessage(hwnd, WM_VSCROLL, SB_LINEUP, 0);
        return;
      case VK_DOWN:
        SendMessage(hwnd, WM_VSCROLL, SB_LINEDOWN, 0);
        return;
      case VK_PRIOR:
        SendMessage(hwnd, WM_VSCROLL, SB_PAGEUP, 0);
        return;
      case VK_NEXT:
        SendMessage(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
        return;
      case VK_HOME:
        SendMessage(hwnd, WM_VSCROLL, SB_TOP, 0);
        return;
      case VK_END:
        SendMessage(hwnd, WM_VSCROLL, SB_BOTTOM, 0);
        return;
      case VK_LEFT:
        SendMessage(hwnd, WM_HSCROLL, SB_LINELEFT, 0);
        return;
      case VK_RIGHT:
        SendMessage(hwnd, WM_HSCROLL, SB_LINERIGHT, 0);
        return;
      default:
        break;
    }
  }
  const std::int64_t row = sel && s.items.IsShown(sel) ? s.items.RowOf(sel) : -1;
  switch (vk) {
    case VK_UP:
      SelectByKeyboard(hwnd, s, sel ? s.items.PrevShown(sel) : s.top);
      break;
    case VK_DOWN:
      SelectByKeyboard(hwnd, s, sel ? TTreeItems::NextShown(sel) : s.top);
      break;
    case VK_HOME:
      SelectByKeyboard(hwnd, s, s.items.Root()->first);
      break;
    case VK_END:
      SelectByKeyboard(hwnd, s, s.items.LastShown());
      break;
    case VK_PRIOR:
      SelectByKeyboard(hwnd, s, s.items.ItemAtRow(std::max<std::int64_t>(0, row - page)));
      break;
    case VK_NEXT:
      SelectByKeyboard(
          hwnd, s, s.items.ItemAtRow(std::min(s.items.RowCount() - 1, row < 0 ? 0 : row + page)));
      break;
    case VK_LEFT:
      if (!sel) break;
      if (sel->Expanded() && sel->first)
        Expand(hwnd, s, sel, TVE_COLLAPSE, true);
      else if (!s.items.IsRoot(sel->parent))
        SelectByKeyboard(hwnd, s, sel->parent);
      break;
    case VK_RIGHT:
      if (!sel) break;
      if (!sel->Expanded())
        Expand(hwnd, s, sel, TVE_EXPAND, true);
      else if (sel->first)
        SelectByKeyboard(hwnd, s, sel->first);
      break;
    case VK_BACK:
      if (sel && !s.items.IsRoot(sel->parent)) SelectByKeyboard(hwnd, s, sel->parent);
      break;
    case VK_ADD:
      if (sel) Expand(hwnd, s, sel, TVE_EXPAND, true);
      s.swallowChar = '+';
      break;
    case VK_SUBTRACT:
      if (sel) Expand(hwnd, s, sel, TVE_COLLAPSE, true);
      s.swallowChar = '-';
      break;
    case VK_MULTIPLY:
      if (sel) ExpandAll(hwnd, s, sel);
      s.swallowChar = '*';
      break;
    case VK_RETURN:
      NotifyCode(hwnd, NM_RETURN);
      break;
    case VK_F2:
      if (sel && (StyleOf(hwnd) & TVS_EDITLABELS)) EditLabel(hwnd, s, sel);
      break;
    default:
      break;
  }
}

// Type-ahead: the next shown item whose label starts with what was typed
// (a pause starts a new search; one letter typed again steps through the
// items that start with it).
void TypeAhead(HWND hwnd, TTreeState& s, char32_t ch) {
  const DWORD now = GetTickCount();
  if (now - s.searchTime > kTypeAheadPause) s.search.clear();
  s.searchTime = now;
  String typed;
  AppendUtf8(typed, ch);
  const bool repeat = s.search == typed;
  if (!repeat) s.search += typed;
  if (!s.items.RowCount()) return;
  TTreeItem* start = s.selected ? s.selected : s.top;
  if (!start || !s.items.IsShown(start)) start = s.items.ItemAtRow(0);
  const bool fromNext = repeat || s.search.size() == typed.size();
  TTreeItem* item = fromNext ? TTreeItems::NextShown(start) : start;
  const String& want = repeat ? typed : s.search;
  for (std::int64_t n = 0; n < s.items.RowCount(); ++n) {
    if (!item) item = s.items.ItemAtRow(0);
    const String text = TextOf(hwnd, item);
    if (!IsWindow(hwnd)) return;
    if (text.size() >= want.size() && AnsiCompareText(text.substr(0, want.size()), want) == 0) {
      SelectByKeyboard(hwnd, s, item);
      return;
    }
    item = TTreeItems::NextShown(item);
  }
}

// --- Mouse ---------------------------------------------------------------------------------

void ScrollVert(HWND hwnd, TTreeState& s, WORD code, int thumb) {
  const TLayout l = LayoutOf(hwnd, s);
  const std::int64_t top = TopRow(s);
  const int page = std::max(1, l.fullRows);
  switch (code) {
    case SB_LINEUP:
      SetTopRow(hwnd, s, top - 1);
      break;
    case SB_LINEDOWN:
      SetTopRow(hwnd, s, top + 1);
      break;
    case SB_PAGEUP:
      SetTopRow(hwnd, s, top - page);
      break;
    case SB_PAGEDOWN:
      SetTopRow(hwnd, s, top + page);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTopRow(hwnd, s, thumb);
      break;
    case SB_TOP:
      SetTopRow(hwnd, s, 0);
      break;
    case SB_BOTTOM:
      SetTopRow(hwnd, s, s.items.RowCount());
      break;
    default:
      break;
  }
}

void ScrollHorz(HWND hwnd, TTreeState& s, WORD code, int thumb) {
  const TLayout l = LayoutOf(hwnd, s);
  const int page = std::max<int>(kHScrollStep, l.view.right - kHScrollStep);
  switch (code) {
    case SB_LINELEFT:
      SetScrollX(hwnd, s, s.scrollX - kHScrollStep);
      break;
    case SB_LINERIGHT:
      SetScrollX(hwnd, s, s.scrollX + kHScrollStep);
      break;
    case SB_PAGELEFT:
      SetScrollX(hwnd, s, s.scrollX - page);
      break;
    case SB_PAGERIGHT:
      SetScrollX(hwnd, s, s.scrollX + page);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetScrollX(hwnd, s, thumb);
      break;
    case SB_LEFT:
      SetScrollX(hwnd, s, 0);
      break;
    case SB_RIGHT:
      SetScrollX(hwnd, s, INT32_MAX / 2);
      break;
    default:
      break;
  }
}

// The part of a drawn bar under `pt` (None when outside), with the bar.
TScrollBarPart BarPartAt(HWND hwnd, TTreeState& s, POINT pt, bool only, bool onlyVertical,
                         bool& vertical) {
  const TLayout l = LayoutOf(hwnd, s);
  for (const bool v : {true, false}) {
    if ((v ? !l.vbar : !l.hbar) || (only && v != onlyVertical)) continue;
    const TScrollBarPart part =
        ScrollBarHitTest(v ? l.vbarRect : l.hbarRect, v, v ? VertInfo(s, l) : HorzInfo(s, l), pt);
    if (part != TScrollBarPart::None) {
      vertical = v;
      return part;
    }
  }
  return TScrollBarPart::None;
}

void BarStep(HWND hwnd, bool vertical, TScrollBarPart part) {
  static constexpr WORD codes[] = {0, SB_LINEUP, SB_PAGEUP, 0, SB_PAGEDOWN, SB_LINEDOWN};
  SendMessage(hwnd, vertical ? WM_VSCROLL : WM_HSCROLL, codes[static_cast<int>(part)], 0);
}

// While an arrow or the track stays held, the bar steps on, until the
// thumb has come to the pointer.
void BarRepeat(HWND hwnd, TTreeState& s) {
  bool vertical = false;
  const TScrollBarPart part =
      BarPartAt(hwnd, s, s.barPoint, true, s.barRepeat == SB_VERT, vertical);
  if (part != TScrollBarPart::None && part != TScrollBarPart::Thumb) BarStep(hwnd, vertical, part);
  SetTimer(hwnd, kScrollTimer, kScrollRepeat);
}

// A press on one of the drawn scroll bars. True when it was on one.
bool BarButtonDown(HWND hwnd, TTreeState& s, POINT pt) {
  const TLayout l = LayoutOf(hwnd, s);
  for (const bool vertical : {true, false}) {
    if (vertical ? !l.vbar : !l.hbar) continue;
    const RECT& area = vertical ? l.vbarRect : l.hbarRect;
    const SCROLLINFO info = vertical ? VertInfo(s, l) : HorzInfo(s, l);
    const TScrollBarPart part = ScrollBarHitTest(area, vertical, info, pt);
    if (part == TScrollBarPart::None) {
      if (pt.x >= area.left && pt.x < area.right && pt.y >= area.top && pt.y < area.bottom)
        return true;
      continue;
    }
    if (part == TScrollBarPart::Thumb) {
      const RECT thumb = ScrollBarThumbRect(area, vertical, info);
      s.barDrag = vertical ? SB_VERT : SB_HORZ;
      s.grabOffset = vertical ? pt.y - thumb.top : pt.x - thumb.left;
      SetCapture(hwnd);
    } else {
      BarStep(hwnd, vertical, part);
      if (!IsWindow(hwnd)) return true;
      s.barRepeat = vertical ? SB_VERT : SB_HORZ;
      s.barPoint = pt;
      SetCapture(hwnd);
      SetTimer(hwnd, kScrollTimer, kScrollFirstDelay);
    }
    return true;
  }
  return false;
}

void BarDrag(HWND hwnd, TTreeState& s, POINT pt) {
  const TLayout l = LayoutOf(hwnd, s);
  const bool vertical = s.barDrag == SB_VERT;
  const SCROLLINFO info = vertical ? VertInfo(s, l) : HorzInfo(s, l);
  const int pos =
      ScrollBarThumbPosition(vertical ? l.vbarRect : l.hbarRect, vertical, info, pt, s.grabOffset);
  if (vertical)
    ScrollVert(hwnd, s, SB_THUMBTRACK, pos);
  else
    ScrollHorz(hwnd, s, SB_THUMBTRACK, pos);
}

bool OnItem(HWND hwnd, UINT hit) {
  if (hit & TVHT_ONITEM) return true;
  return (StyleOf(hwnd) & TVS_FULLROWSELECT) && (hit & (TVHT_ONITEMINDENT | TVHT_ONITEMRIGHT));
}

void ButtonDown(HWND hwnd, TTreeState& s, POINT pt, bool right) {
  HideTip(hwnd, s);
  KillTimer(hwnd, kEditTimer);
  if (s.edit) EndEdit(hwnd, s, false);
  if (!IsWindow(hwnd)) return;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  if (!IsWindow(hwnd)) return;
  if (!right && BarButtonDown(hwnd, s, pt)) return;
  UINT hit = 0;
  TTreeItem* item = HitTest(hwnd, s, pt, hit);
  if (!right && (hit & TVHT_ONITEMBUTTON)) {
    Expand(hwnd, s, item, TVE_TOGGLE, true);
    if (!IsWindow(hwnd)) return;
    item = nullptr;  // the release is a click, but selects nothing
  }
  s.downPt = pt;
  s.downHit = hit;
  s.downItem = item && OnItem(hwnd, hit) ? item : nullptr;
  s.downWasSelected = item && item == s.selected;
  (right ? s.rightTracking : s.tracking) = true;
  SetCapture(hwnd);
  if (right && s.downItem) SetDropHighlight(hwnd, s, s.downItem);  // shows what the menu is for
}

void MouseMove(HWND hwnd, TTreeState& s, POINT pt) {
  if (s.barDrag >= 0) {
    BarDrag(hwnd, s, pt);
    return;
  }
  if (s.barRepeat >= 0) {
    s.barPoint = pt;
    return;
  }
  UINT hit = 0;
  TTreeItem* item = HitTest(hwnd, s, pt, hit);
  if ((s.tracking || s.rightTracking) && s.downItem) {
    const int dx = std::abs(static_cast<int>(pt.x - s.downPt.x));
    const int dy = std::abs(static_cast<int>(pt.y - s.downPt.y));
    if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
      const bool right = s.rightTracking;
      TTreeItem* dragged = s.downItem;
      s.tracking = s.rightTracking = false;
      s.downItem = nullptr;
      ReleaseCapture();
      if (right) SetDropHighlight(hwnd, s, nullptr);
      if (!(StyleOf(hwnd) & TVS_DISABLEDRAGDROP))
        NotifyTree(hwnd, right ? TVN_BEGINRDRAG : TVN_BEGINDRAG, 0, nullptr, dragged, s.downPt);
      return;
    }
  }
  if (StyleOf(hwnd) & TVS_TRACKSELECT) {
    TTreeItem* hot = item && OnItem(hwnd, hit) ? item : nullptr;
    if (hot != s.hot) {
      InvalidateRow(hwnd, s, s.hot);
      s.hot = hot;
      InvalidateRow(hwnd, s, hot);
      SetCursor(LoadCursor(nullptr, hot ? IDC_HAND : IDC_ARROW));
    }
  }
  if (!s.tracking && !s.rightTracking) UpdateTip(hwnd, s, item, hit);
}

void StopBar(HWND hwnd, TTreeState& s) {
  if (s.barRepeat >= 0) KillTimer(hwnd, kScrollTimer);
  s.barDrag = s.barRepeat = -1;
}

void ButtonUp(HWND hwnd, TTreeState& s, POINT pt, bool right) {
  if (!right && (s.barDrag >= 0 || s.barRepeat >= 0)) {
    StopBar(hwnd, s);
    ReleaseCapture();
    return;
  }
  bool& tracking = right ? s.rightTracking : s.tracking;
  if (!tracking) return;
  tracking = false;
  TTreeItem* item = s.downItem;
  s.downItem = nullptr;
  ReleaseCapture();
  if (right) {
    SetDropHighlight(hwnd, s, nullptr);
    if (!NotifyCode(hwnd, NM_RCLICK) && IsWindow(hwnd)) {
      POINT screen = pt;
      ClientToScreen(hwnd, &screen);
      SendMessage(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), PointToLParam(screen));
    }
    return;
  }
  if (item && s.items.Contains(item)) {
    SelectItem(hwnd, s, item, TVC_BYMOUSE);
    if (!IsWindow(hwnd)) return;
  }
  if (NotifyCode(hwnd, NM_CLICK) || !IsWindow(hwnd)) return;
  // A click on the label of the item that was already selected edits it,
  // once a double click can no longer follow.
  if (item && s.downWasSelected && (s.downHit & TVHT_ONITEMLABEL) &&
      (StyleOf(hwnd) & TVS_EDITLABELS) && s.selected == item)
    SetTimer(hwnd, kEditTimer, GetDoubleClickTime());
}

void DoubleClick(HWND hwnd, TTreeState& s, POINT pt) {
  KillTimer(hwnd, kEditTimer);
  UINT hit = 0;
  TTreeItem* item = HitTest(hwnd, s, pt, hit);
  if (hit & TVHT_ONITEMBUTTON) {
    Expand(hwnd, s, item, TVE_TOGGLE, true);
    return;
  }
  if (NotifyCode(hwnd, NM_DBLCLK) || !IsWindow(hwnd)) return;
  if (item && s.items.Contains(item) && OnItem(hwnd, hit)) Expand(hwnd, s, item, TVE_TOGGLE, true);
}

// --- The window procedure ------------------------------------------------------------------

LRESULT TreeMessage(HWND hwnd, TTreeState& s, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CREATE:
      if (!(StyleOf(hwnd) & TVS_NOTOOLTIPS)) {
        s.ownTips =
            CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0,
                           0, 0, 0, hwnd, nullptr, HInstance(), nullptr);
        UseTips(hwnd, s, s.ownTips);
      }
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kEditTimer);
      EndEdit(hwnd, s, true);
      DeleteAll(hwnd, s);
      HideTip(hwnd, s);
      s.tips = nullptr;
      if (s.ownTips) DestroyWindow(std::exchange(s.ownTips, nullptr));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (wParam) {
        RECT all;
        GetClientRect(hwnd, &all);
        Paint(hwnd, reinterpret_cast<HDC>(wParam), all);
        return 0;
      }
      HDC dc = BeginPaint(hwnd, &ps);
      Paint(hwnd, dc, ps.rcPaint);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // painting covers everything
    case WM_SETFONT:
      s.font = reinterpret_cast<HFONT>(wParam);
      ForgetMeasures(s);
      if (LOWORD(static_cast<UINT_PTR>(lParam))) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s.font);
    case WM_SETREDRAW: {
      const LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
      if (wParam) {
        ClampTop(hwnd, s);
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return r;
    }
    case WM_SIZE:
    case WM_STYLECHANGED:
    case WM_ENABLE:
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
      s.focused = true;
      InvalidateRow(hwnd, s, s.selected);
      NotifyCode(hwnd, NM_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      s.focused = false;
      HideTip(hwnd, s);
      if (IsWindow(hwnd)) InvalidateRow(hwnd, s, s.selected);
      NotifyCode(hwnd, NM_KILLFOCUS);
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, s, static_cast<UINT>(wParam));
      return 0;
    case WM_CHAR: {
      const WPARAM swallow = std::exchange(s.swallowChar, 0);
      if (wParam == swallow) return 0;
      if (wParam >= 0x20 && wParam != 0x7F) TypeAhead(hwnd, s, static_cast<char32_t>(wParam));
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      ButtonDown(hwnd, s, PointFromLParam(lParam), msg == WM_RBUTTONDOWN);
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(hwnd, s, PointFromLParam(lParam));
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ButtonUp(hwnd, s, PointFromLParam(lParam), msg == WM_RBUTTONUP);
      return 0;
    case WM_LBUTTONDBLCLK:
      DoubleClick(hwnd, s, PointFromLParam(lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd) {
        s.tracking = s.rightTracking = false;
        StopBar(hwnd, s);
        s.downItem = nullptr;
      }
      return 0;
    case WM_MOUSEWHEEL: {
      const int lines = -GET_WHEEL_DELTA_WPARAM(wParam) * kWheelLines / 120;
      SetTopRow(hwnd, s, TopRow(s) + lines);
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTipTimer) {
        POINT pt;
        GetCursorPos(&pt);
        const HWND under = WindowFromPoint(pt);
        if (!s.tipItem)
          KillTimer(hwnd, kTipTimer);
        else if (under != hwnd && under != s.tips)
          HideTip(hwnd, s);
        return 0;
      }
      if (wParam == kScrollTimer) {
        if (s.barRepeat >= 0)
          BarRepeat(hwnd, s);
        else
          KillTimer(hwnd, kScrollTimer);
        return 0;
      }
      if (wParam == kEditTimer) {
        KillTimer(hwnd, kEditTimer);
        if (s.selected && GetFocus() == hwnd) EditLabel(hwnd, s, s.selected);
        return 0;
      }
      break;
    case WM_VSCROLL:
      if (s.edit) EndEdit(hwnd, s, false);
      ScrollVert(hwnd, s, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      if (s.edit) EndEdit(hwnd, s, false);
      ScrollHorz(hwnd, s, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_COMMAND:
      if (s.edit && reinterpret_cast<HWND>(lParam) == s.edit) {
        if (HIWORD(wParam) == EN_KILLFOCUS) EndEdit(hwnd, s, false);
        if (HIWORD(wParam) == EN_CHANGE) FitEditor(hwnd, s);
      }
      return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr && s.tips && hdr->hwndFrom == s.tips &&
          (hdr->code == TTN_NEEDTEXTA || hdr->code == TTN_NEEDTEXTW))
        return AnswerTip(hwnd, s, hdr);
      return 0;
    }

    case TVM_INSERTITEM:
      return reinterpret_cast<LRESULT>(
          InsertItem(hwnd, s, reinterpret_cast<const TVINSERTSTRUCT*>(lParam)));
    case TVM_SETDELETENOTIFY:
      return std::exchange(s.notifyDeletions, wParam != 0) ? TRUE : FALSE;
    case TVM_DELETEITEM: {
      const auto h = reinterpret_cast<HTREEITEM>(lParam);
      if (!h || h == TVI_ROOT) {
        DeleteAll(hwnd, s);
        return TRUE;
      }
      TTreeItem* item = ItemOf(s, h);
      if (!item) return FALSE;
      DeleteItem(hwnd, s, item);
      return TRUE;
    }
    case TVM_EXPAND: {
      TTreeItem* item = ItemOf(s, reinterpret_cast<HTREEITEM>(lParam));
      if (!item) return FALSE;
      return Expand(hwnd, s, item, static_cast<UINT>(wParam), false) ? TRUE : FALSE;
    }
    case TVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      if (!r) return FALSE;
      HTREEITEM h;
      std::memcpy(&h, r, sizeof h);
      TTreeItem* item = ItemOf(s, h);
      if (!item || !s.items.IsShown(item)) return FALSE;
      const TLayout l = LayoutOf(hwnd, s);
      const int y = static_cast<int>((s.items.RowOf(item) - TopRow(s)) * l.rowHeight);
      if (wParam) {
        const TItemGeometry g = GeometryOf(hwnd, s, item);
        *r = RECT{g.labelLeft, y, g.labelRight, y + l.rowHeight};
      } else {
        *r = RECT{0, y, l.view.right, y + l.rowHeight};
      }
      return TRUE;
    }
    case TVM_GETCOUNT:
      return static_cast<LRESULT>(s.items.Count());
    case TVM_GETINDENT:
      return s.indent;
    case TVM_SETINDENT:
      s.indent = std::max(kMinIndent, static_cast<int>(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case TVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == TVSIL_STATE ? s.stateImages : s.images);
    case TVM_SETIMAGELIST: {
      HIMAGELIST& slot = wParam == TVSIL_STATE ? s.stateImages : s.images;
      HIMAGELIST old = slot;
      slot = reinterpret_cast<HIMAGELIST>(lParam);
      ForgetMeasures(s);
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETNEXTITEM:
      return reinterpret_cast<LRESULT>(
          GetNextItem(s, static_cast<UINT>(wParam), reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM: {
      const auto h = reinterpret_cast<HTREEITEM>(lParam);
      TTreeItem* item = ItemOf(s, h);
      if (h && !item) return FALSE;
      switch (wParam & 0x0F) {
        case TVGN_CARET:
          SelectItem(hwnd, s, item, TVC_UNKNOWN);
          return IsWindow(hwnd) && s.selected == item;
        case TVGN_DROPHILITE:
          SetDropHighlight(hwnd, s, item);
          return TRUE;
        case TVGN_FIRSTVISIBLE:
          if (!item) return FALSE;
          ExpandAncestors(hwnd, s, item);
          if (!IsWindow(hwnd) || !s.items.Contains(item)) return FALSE;
          SetTopRow(hwnd, s, s.items.RowOf(item));
          return TRUE;
      }
      return FALSE;
    }
    case TVM_GETITEM:
      return GetItem(s, reinterpret_cast<TVITEM*>(lParam));
    case TVM_SETITEM: {
      const auto* tv = reinterpret_cast<const TVITEM*>(lParam);
      TTreeItem* item = tv ? ItemOf(s, tv->hItem) : nullptr;
      if (!item) return FALSE;
      const bool wasExpanded = item->Expanded();
      ApplyItem(s, item, *tv);
      if (item->Expanded() != wasExpanded) {
        ClampTop(hwnd, s);
        InvalidateRow(hwnd, s, item, true);
        InvalidateBars(hwnd, s);
      } else {
        InvalidateRow(hwnd, s, item);
      }
      return TRUE;
    }
    case TVM_EDITLABEL: {
      TTreeItem* item = ItemOf(s, reinterpret_cast<HTREEITEM>(lParam));
      return item ? reinterpret_cast<LRESULT>(EditLabel(hwnd, s, item)) : 0;
    }
    case TVM_GETEDITCONTROL:
      return reinterpret_cast<LRESULT>(s.edit);
    case TVM_ENDEDITLABELNOW:
      if (!s.edit) return FALSE;
      EndEdit(hwnd, s, wParam != 0);
      return TRUE;
    case TVM_GETVISIBLECOUNT:
      return LayoutOf(hwnd, s).fullRows;
    case TVM_HITTEST: {
      auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
      if (!info) return 0;
      TTreeItem* item = HitTest(hwnd, s, info->pt, info->flags);
      info->hItem = HandleOf(item);
      return reinterpret_cast<LRESULT>(info->hItem);
    }
    case TVM_CREATEDRAGIMAGE:
      return reinterpret_cast<LRESULT>(
          CreateDragImage(hwnd, s, ItemOf(s, reinterpret_cast<HTREEITEM>(lParam))));
    case TVM_SORTCHILDREN:
    case TVM_SORTCHILDRENCB: {
      TTreeItem* parent = nullptr;
      std::function<bool(const TTreeItem*, const TTreeItem*)> less;
      if (msg == TVM_SORTCHILDREN) {
        const auto h = reinterpret_cast<HTREEITEM>(lParam);
        parent = (!h || h == TVI_ROOT) ? s.items.Root() : ItemOf(s, h);
        less = [](const TTreeItem* a, const TTreeItem* b) {
          return CompareLabels(TTreeItems::Text(a), TTreeItems::Text(b)) < 0;
        };
      } else {
        const auto* cb = reinterpret_cast<const TVSORTCB*>(lParam);
        if (!cb || !cb->lpfnCompare) return FALSE;
        parent =
            (!cb->hParent || cb->hParent == TVI_ROOT) ? s.items.Root() : ItemOf(s, cb->hParent);
        less = [cb](const TTreeItem* a, const TTreeItem* b) {
          return cb->lpfnCompare(a->lParam, b->lParam, cb->lParam) < 0;
        };
      }
      if (!parent) return FALSE;
      SortChildren(hwnd, s, parent, wParam != 0, less);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TVM_ENSUREVISIBLE: {
      TTreeItem* item = ItemOf(s, reinterpret_cast<HTREEITEM>(lParam));
      if (!item) return FALSE;
      ExpandAncestors(hwnd, s, item);
      if (!IsWindow(hwnd) || !s.items.Contains(item)) return FALSE;
      ScrollIntoView(hwnd, s, item);
      return TRUE;
    }
    case TVM_GETISEARCHSTRING:
      if (auto* out = reinterpret_cast<LPSTR>(lParam))
        std::memcpy(out, s.search.c_str(), s.search.size() + 1);
      return static_cast<LRESULT>(s.search.size());
    case TVM_SETTOOLTIPS: {
      HideTip(hwnd, s);
      HWND old = s.tips;
      UseTips(hwnd, s, reinterpret_cast<HWND>(wParam));
      return reinterpret_cast<LRESULT>(old);
    }
    case TVM_GETTOOLTIPS:
      return reinterpret_cast<LRESULT>(s.tips);
    case TVM_SETITEMHEIGHT: {
      const int old = ItemHeight(s);
      const int h = static_cast<int>(static_cast<short>(LOWORD(wParam)));
      s.customHeight = h > 0 ? h : -1;
      ClampTop(hwnd, s);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case TVM_GETITEMHEIGHT:
      return ItemHeight(s);
    case TVM_SETBKCOLOR:
    case TVM_SETTEXTCOLOR:
    case TVM_SETLINECOLOR: {
      COLORREF& slot = msg == TVM_SETBKCOLOR     ? s.bkColor
                       : msg == TVM_SETTEXTCOLOR ? s.textColor
                                                 : s.lineColor;
      const COLORREF old = slot;
      slot = static_cast<COLORREF>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return old == CLR_NONE ? static_cast<LRESULT>(-1) : static_cast<LRESULT>(old);
    }
    case TVM_GETBKCOLOR:
      return s.bkColor == CLR_NONE ? static_cast<LRESULT>(-1) : static_cast<LRESULT>(s.bkColor);
    case TVM_GETTEXTCOLOR:
      return s.textColor == CLR_NONE ? static_cast<LRESULT>(-1) : static_cast<LRESULT>(s.textColor);
    case TVM_GETLINECOLOR:
      return static_cast<LRESULT>(Resolve(s.lineColor, COLOR_BTNSHADOW));
    case TVM_GETITEMSTATE: {
      TTreeItem* item = ItemOf(s, reinterpret_cast<HTREEITEM>(wParam));
      return item ? static_cast<LRESULT>(item->state & static_cast<UINT>(lParam)) : 0;
    }
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT TreeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    Kernel().Get(hwnd).controlState =
        std::shared_ptr<TTreeState>(new TTreeState, &ReleaseTreeState);
    return DefWindowProc(hwnd, msg, wParam, lParam);
  }
  TTreePtr s = StateOf(hwnd);  // held: a notification may destroy the window meanwhile
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  return TreeMessage(hwnd, *s, msg, wParam, lParam);
}

}  // namespace

void RegisterTreeViewClass() {
  WNDCLASS existing;
  if (GetClassInfo(HInstance(), WC_TREEVIEW, &existing)) return;
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = StaticWndProc(&TreeWndProc);
  wc.hInstance = HInstance();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = WC_TREEVIEW;
  RegisterClass(wc);
}
