// platform/win/ListViewState.h
//
// Inside the list view control: what one window keeps, and the geometry
// every part of it shares (ListViewLayout.cpp). Internal to the window
// layer; programs use the messages of ListView.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/ListView.h"
#include "platform/win/ScrollBars.h"

namespace listview {

// Kept small (32 bytes): items whose texts the parent keeps own no strings.
struct TItem {
  // Caption (column 0) and subitems, grown on demand; none until a text is given.
  std::unique_ptr<std::vector<std::string>> texts;
  int image = 0;
  UINT state = 0;
  LPARAM lParam = 0;
  uint32_t callbacks = 0;  // bit k: text of column k comes from the parent
  bool imageCallback = false;
};

struct TColumn {
  std::string text;
  int width = 0;
  int fmt = LVCFMT_LEFT;
  int subItem = 0;
  int image = 0;
};

// Geometry of the present style, worked out from sizes and counts alone.
struct TLayout {
  DWORD style = LVS_ICON;
  RECT view;  // where items are drawn (client less header and bars)
  int headerHeight = 0;
  int textHeight = 0;
  int cellWidth = 0;  // a grid cell (report: the whole row width)
  int cellHeight = 0;
  int perLine = 1;  // icon, small icon: cells per row; list: rows per column
  int lines = 0;    // icon, small icon: rows; list: columns; report: items
  int visibleLines = 1;
};

struct TState {
  std::vector<TItem> items;
  std::vector<TColumn> columns;
  HFONT font = nullptr;
  HIMAGELIST largeImages = nullptr;
  HIMAGELIST smallImages = nullptr;
  HWND header = nullptr;
  RECT headerRect;  // where the header was last placed
  DWORD exStyle = 0;
  COLORREF bkColor = 0xFFFFFFFF;    // CLR_DEFAULT: the window colour
  COLORREF textColor = 0xFFFFFFFF;  // CLR_DEFAULT: the window text colour
  int focused = -1;
  int mark = -1;  // anchor of Shift selections
  int selectedCount = 0;
  int listColumnWidth = 0;  // list and small icon cells; 0: from the font
  TControlScrollBar vbar{true};
  TControlScrollBar hbar{false};
  TLayout layout;
  bool hasFocus = false;
  // Mouse.
  int pressedBar = -1;  // 0 vertical, 1 horizontal while a bar is held
  int pressedCode = kScrollNone;
  bool leftDown = false;
  bool editOnRelease = false;  // a press on the focused caption may start editing
  // Label editing.
  HWND edit = nullptr;
  int editItem = -1;
  WNDPROC editProc = nullptr;
  WNDPROC editOldProc = nullptr;
  bool endingEdit = false;
};

TState* StateOf(HWND hwnd);

// Recomputes the layout, the scroll bars and the header's place.
void UpdateLayout(HWND hwnd, TState& s);
// The first item and one past the last item that may be in view.
void VisibleRange(const TState& s, int& first, int& last);
// The item's rectangles (LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL,
// LVIR_SELECTBOUNDS), client coordinates.
RECT ItemRect(HWND hwnd, const TState& s, int index, int part);
// Where an item's check box is drawn (LVS_EX_CHECKBOXES), client coordinates.
RECT StateRect(HWND hwnd, const TState& s, int index);
// Left edge of a report column (client coordinates).
int ColumnLeft(const TState& s, int column);
// The item under `pt` and where on it (LVHT_*), -1 when none.
int HitTest(HWND hwnd, const TState& s, POINT pt, UINT& flags, int& subItem);
// Text of an item's column, asked of the parent when it is a callback.
std::string ItemText(HWND hwnd, const TState& s, int index, int column);
// The same into `out`, whose storage is reused (for loops over every item).
void ItemTextInto(HWND hwnd, const TState& s, int index, int column, std::string& out);
int ItemImage(HWND hwnd, const TState& s, int index);
int TextWidth(HWND hwnd, const TState& s, const std::string& text);
// Scrolls so that `pos` is the first line (or, for a report's horizontal
// bar, pixel); true when something moved.
bool ScrollTo(HWND hwnd, TState& s, bool vertical, int pos);
void Paint(HWND hwnd, HDC dc);
// LVM_SORTITEMS and LVM_FINDITEM (ListViewSort.cpp).
BOOL SortItems(HWND hwnd, TState& s, PFNLVCOMPARE compare, LPARAM data);
int FindItem(HWND hwnd, const TState& s, int start, const LVFINDINFOA& find);
// WM_NOTIFY to the parent; 0 without one.
LRESULT Notify(HWND hwnd, UINT code, NMHDR& header);

}  // namespace listview
