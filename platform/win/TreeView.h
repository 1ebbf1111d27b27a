// platform/win/TreeView.h
//
// The tree-view control, window class "SysTreeView32" (WC_TREEVIEW).
//
// Items carry a text (UTF-8; LPSTR_TEXTCALLBACK asks the parent with
// TVN_GETDISPINFO), an image and a selected image (I_IMAGECALLBACK asks too),
// a state image (the top four bits of the state), a children flag
// (I_CHILDRENCALLBACK asks the parent whether an unexpanded item has
// children) and an lParam. Items are addressed by HTREEITEM handles, which
// stay valid until the item is deleted and are never reused while the
// control lives.
//
// The parent hears of everything through WM_NOTIFY (wParam: the control's
// id, lParam: a record starting with NMHDR): selection changes, expanding
// and collapsing (which it may refuse), drags, label editing, deletions,
// keys, clicks and custom drawing (NMTVCUSTOMDRAW).
//
// Which actions notify: the user's (keys, clicks) always; of the messages,
// TVM_SELECTITEM (TVN_SELCHANGING/ED, action TVC_UNKNOWN), TVM_DELETEITEM
// (TVN_DELETEITEM for each item, children before their parent, and the
// selection change when the selected item goes: to its next sibling, else
// the previous, else its parent) and TVM_EXPAND only the first time an item
// expands (until TVIS_EXPANDEDONCE is cleared by TVE_COLLAPSERESET), as the
// class library expects to raise its own expand events otherwise.
// TVM_SETITEM and TVM_INSERTITEM do not notify. While TVN_DELETEITEM goes
// out for a subtree, its items stay in place: deleting one of them (or the
// whole tree) again does nothing more, deleting anything else waits until
// the subtree has gone, and nothing is inserted under it. A click selects on release
// (NM_CLICK follows); a press and a move of more than SM_CXDRAG/SM_CYDRAG
// sends TVN_BEGINDRAG instead, selecting nothing. A click on the label of
// the item that was already selected starts editing after the double-click
// time (TVS_EDITLABELS); Enter ends it, Escape cancels, losing the focus
// ends it. A label that does not fit is shown whole in a tip when the
// pointer rests on it; the tip asks its text of the tree with
// TTN_NEEDTEXTA (WM_NOTIFY sent to the tree itself), so a subclass can
// change it or give an empty text (no tip).
//
// Every change of items goes through a message (TVM_INSERTITEM, TVM_SETITEM,
// TVM_EXPAND, TVM_SELECTITEM, TVM_DELETEITEM), so a window that subclasses
// the control sees them all. WM_SETREDRAW FALSE stops painting and scroll
// bar updates until it is set TRUE again.
//
// The control keeps, for every item, the number of rows its expanded
// subtree shows; row numbers, hit tests, scrolling and painting cost the
// depth of the tree and the rows drawn, never a walk of all items.
//
// The scroll bars are drawn by the control inside its client area (the
// window model has no non-client bars); WM_VSCROLL and WM_HSCROLL with the
// SB_ codes of ScrollBar.h scroll it by rows and by pixels, and
// TVGN_FIRSTVISIBLE tells and sets the top row's item.
//
// The text interface is the 8-bit one (TVITEM has a char text pointer):
// the TVM_ and TVN_ names without A or W are the 8-bit messages.
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/CustomDraw.h"
#include "platform/win/Message.h"
#include "platform/win/WinMessages.h"
#include "platform/win/WinNotify.h"
#include "platform/win/WinTypes.h"

inline constexpr const char* WC_TREEVIEW = "SysTreeView32";

// --- Styles ------------------------------------------------------------------

constexpr DWORD TVS_HASBUTTONS = 0x0001;
constexpr DWORD TVS_HASLINES = 0x0002;
constexpr DWORD TVS_LINESATROOT = 0x0004;
constexpr DWORD TVS_EDITLABELS = 0x0008;
constexpr DWORD TVS_DISABLEDRAGDROP = 0x0010;
constexpr DWORD TVS_SHOWSELALWAYS = 0x0020;
constexpr DWORD TVS_RTLREADING = 0x0040;
constexpr DWORD TVS_NOTOOLTIPS = 0x0080;
constexpr DWORD TVS_CHECKBOXES = 0x0100;
constexpr DWORD TVS_TRACKSELECT = 0x0200;
constexpr DWORD TVS_SINGLEEXPAND = 0x0400;
constexpr DWORD TVS_INFOTIP = 0x0800;
constexpr DWORD TVS_FULLROWSELECT = 0x1000;
constexpr DWORD TVS_NOSCROLL = 0x2000;
constexpr DWORD TVS_NONEVENHEIGHT = 0x4000;
constexpr DWORD TVS_NOHSCROLL = 0x8000;

// --- Special handles and values -----------------------------------------------

inline HTREEITEM const TVI_ROOT = reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x10000));
inline HTREEITEM const TVI_FIRST = reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFF));
inline HTREEITEM const TVI_LAST = reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFE));
inline HTREEITEM const TVI_SORT = reinterpret_cast<HTREEITEM>(static_cast<ULONG_PTR>(-0x0FFFD));

constexpr int I_CHILDRENCALLBACK = -1;

// --- Item record ----------------------------------------------------------------

// TVITEM::mask.
constexpr UINT TVIF_TEXT = 0x0001;
constexpr UINT TVIF_IMAGE = 0x0002;
constexpr UINT TVIF_PARAM = 0x0004;
constexpr UINT TVIF_STATE = 0x0008;
constexpr UINT TVIF_HANDLE = 0x0010;
constexpr UINT TVIF_SELECTEDIMAGE = 0x0020;
constexpr UINT TVIF_CHILDREN = 0x0040;
constexpr UINT TVIF_INTEGRAL = 0x0080;
constexpr UINT TVIF_DI_SETITEM = 0x1000;  // TVN_GETDISPINFO: keep the answer

// TVITEM::state.
constexpr UINT TVIS_FOCUSED = 0x0001;
constexpr UINT TVIS_SELECTED = 0x0002;
constexpr UINT TVIS_CUT = 0x0004;
constexpr UINT TVIS_DROPHILITED = 0x0008;
constexpr UINT TVIS_BOLD = 0x0010;
constexpr UINT TVIS_EXPANDED = 0x0020;
constexpr UINT TVIS_EXPANDEDONCE = 0x0040;
constexpr UINT TVIS_EXPANDPARTIAL = 0x0080;
constexpr UINT TVIS_OVERLAYMASK = 0x0F00;
constexpr UINT TVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT TVIS_USERMASK = 0xF000;

constexpr UINT INDEXTOSTATEIMAGEMASK(int i) {
  return static_cast<UINT>(i) << 12;
}
constexpr UINT INDEXTOOVERLAYMASK(int i) {
  return static_cast<UINT>(i) << 8;
}
constexpr int STATEIMAGEMASKTOINDEX(UINT state) {
  return static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
}

struct TVITEM {
  UINT mask = 0;
  HTREEITEM hItem = nullptr;
  UINT state = 0;
  UINT stateMask = 0;
  LPSTR pszText = nullptr;  // TVM_GETITEM: the buffer of cchTextMax bytes filled
  int cchTextMax = 0;
  int iImage = 0;
  int iSelectedImage = 0;
  int cChildren = 0;
  LPARAM lParam = 0;
};
using TVITEMA = TVITEM;
using LPTVITEM = TVITEM*;

struct TVINSERTSTRUCT {
  HTREEITEM hParent = nullptr;       // nullptr or TVI_ROOT: a top-level item
  HTREEITEM hInsertAfter = nullptr;  // TVI_FIRST, TVI_LAST, TVI_SORT or a sibling
  TVITEM item;
  // Ours: the insert also sets the parent's children flag to 1, as a
  // TVM_SETITEM of TVIF_CHILDREN would, so that a parent's first child costs
  // one message, not two. Ignored for top-level items.
  bool markParent = false;
};
using TVINSERTSTRUCTA = TVINSERTSTRUCT;

// --- Messages --------------------------------------------------------------------

constexpr UINT TV_FIRST = 0x1100;
constexpr UINT TVM_INSERTITEMA = TV_FIRST + 0;  // lParam: TVINSERTSTRUCT*; result the item
constexpr UINT TVM_DELETEITEM = TV_FIRST + 1;   // lParam: item or TVI_ROOT (all)
constexpr UINT TVM_EXPAND = TV_FIRST + 2;       // wParam: TVE_ code, lParam: item
constexpr UINT TVM_GETITEMRECT = TV_FIRST + 4;  // wParam: text only; lParam: RECT* holding the item
constexpr UINT TVM_GETCOUNT = TV_FIRST + 5;
constexpr UINT TVM_GETINDENT = TV_FIRST + 6;
constexpr UINT TVM_SETINDENT = TV_FIRST + 7;
constexpr UINT TVM_GETIMAGELIST = TV_FIRST + 8;  // wParam: TVSIL_
constexpr UINT TVM_SETIMAGELIST = TV_FIRST + 9;  // wParam: TVSIL_, lParam: list; result the old
constexpr UINT TVM_GETNEXTITEM = TV_FIRST + 10;  // wParam: TVGN_, lParam: item
constexpr UINT TVM_SELECTITEM = TV_FIRST + 11;   // wParam: TVGN_CARET/DROPHILITE/FIRSTVISIBLE
constexpr UINT TVM_GETITEMA = TV_FIRST + 12;
constexpr UINT TVM_SETITEMA = TV_FIRST + 13;
constexpr UINT TVM_EDITLABELA = TV_FIRST + 14;  // lParam: item; result the edit control
constexpr UINT TVM_GETEDITCONTROL = TV_FIRST + 15;
constexpr UINT TVM_GETVISIBLECOUNT = TV_FIRST + 16;
constexpr UINT TVM_HITTEST = TV_FIRST + 17;          // lParam: TVHITTESTINFO*
constexpr UINT TVM_CREATEDRAGIMAGE = TV_FIRST + 18;  // lParam: item; result a new image list
constexpr UINT TVM_SORTCHILDREN = TV_FIRST + 19;     // wParam: recurse, lParam: parent
constexpr UINT TVM_ENSUREVISIBLE = TV_FIRST + 20;
constexpr UINT TVM_SORTCHILDRENCB = TV_FIRST + 21;   // wParam: recurse, lParam: TVSORTCB*
constexpr UINT TVM_ENDEDITLABELNOW = TV_FIRST + 22;  // wParam: cancel
constexpr UINT TVM_GETISEARCHSTRINGA = TV_FIRST + 23;
constexpr UINT TVM_SETTOOLTIPS = TV_FIRST + 24;
constexpr UINT TVM_GETTOOLTIPS = TV_FIRST + 25;
constexpr UINT TVM_SETITEMHEIGHT = TV_FIRST + 27;
constexpr UINT TVM_GETITEMHEIGHT = TV_FIRST + 28;
constexpr UINT TVM_SETBKCOLOR = TV_FIRST + 29;
constexpr UINT TVM_SETTEXTCOLOR = TV_FIRST + 30;
constexpr UINT TVM_GETBKCOLOR = TV_FIRST + 31;
constexpr UINT TVM_GETTEXTCOLOR = TV_FIRST + 32;
constexpr UINT TVM_GETITEMSTATE = TV_FIRST + 39;  // wParam: item, lParam: mask
constexpr UINT TVM_SETLINECOLOR = TV_FIRST + 40;
constexpr UINT TVM_GETLINECOLOR = TV_FIRST + 41;

// This control's own: wParam FALSE stops TVN_DELETEITEM (TRUE, the start,
// sends it again); the result is the setting before. Deleting many items
// then costs no message per item: all items at once go without unlinking
// one by one. For an owner that keeps nothing per item, or frees what it
// keeps by itself.
constexpr UINT TVM_SETDELETENOTIFY = TV_FIRST + 0xF0;

constexpr UINT TVM_INSERTITEM = TVM_INSERTITEMA;
constexpr UINT TVM_GETITEM = TVM_GETITEMA;
constexpr UINT TVM_SETITEM = TVM_SETITEMA;
constexpr UINT TVM_EDITLABEL = TVM_EDITLABELA;
constexpr UINT TVM_GETISEARCHSTRING = TVM_GETISEARCHSTRINGA;

// TVM_EXPAND.
constexpr UINT TVE_COLLAPSE = 0x0001;
constexpr UINT TVE_EXPAND = 0x0002;
constexpr UINT TVE_TOGGLE = 0x0003;
constexpr UINT TVE_ACTIONMASK = 0x0003;
constexpr UINT TVE_EXPANDPARTIAL = 0x4000;
constexpr UINT TVE_COLLAPSERESET = 0x8000;  // with TVE_COLLAPSE: also delete the children

// TVM_GETNEXTITEM / TVM_SELECTITEM.
constexpr UINT TVGN_ROOT = 0x0000;
constexpr UINT TVGN_NEXT = 0x0001;
constexpr UINT TVGN_PREVIOUS = 0x0002;
constexpr UINT TVGN_PARENT = 0x0003;
constexpr UINT TVGN_CHILD = 0x0004;
constexpr UINT TVGN_FIRSTVISIBLE = 0x0005;
constexpr UINT TVGN_NEXTVISIBLE = 0x0006;
constexpr UINT TVGN_PREVIOUSVISIBLE = 0x0007;
constexpr UINT TVGN_DROPHILITE = 0x0008;
constexpr UINT TVGN_CARET = 0x0009;
constexpr UINT TVGN_LASTVISIBLE = 0x000A;
constexpr UINT TVSI_NOSINGLEEXPAND = 0x8000;

// TVM_SETIMAGELIST / TVM_GETIMAGELIST.
constexpr WPARAM TVSIL_NORMAL = 0;
constexpr WPARAM TVSIL_STATE = 2;

// TVM_HITTEST.
constexpr UINT TVHT_NOWHERE = 0x0001;
constexpr UINT TVHT_ONITEMICON = 0x0002;
constexpr UINT TVHT_ONITEMLABEL = 0x0004;
constexpr UINT TVHT_ONITEMINDENT = 0x0008;
constexpr UINT TVHT_ONITEMBUTTON = 0x0010;
constexpr UINT TVHT_ONITEMRIGHT = 0x0020;
constexpr UINT TVHT_ONITEMSTATEICON = 0x0040;
constexpr UINT TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;
constexpr UINT TVHT_ABOVE = 0x0100;
constexpr UINT TVHT_BELOW = 0x0200;
constexpr UINT TVHT_TORIGHT = 0x0400;
constexpr UINT TVHT_TOLEFT = 0x0800;

struct TVHITTESTINFO {
  POINT pt;  // client coordinates
  UINT flags = 0;
  HTREEITEM hItem = nullptr;
};

// TVM_SORTCHILDRENCB: lpfnCompare(lParam1, lParam2, lParamSort) compares
// two items' lParams: negative, zero or positive.
using PFNTVCOMPARE = int (*)(LPARAM, LPARAM, LPARAM);
struct TVSORTCB {
  HTREEITEM hParent = nullptr;
  PFNTVCOMPARE lpfnCompare = nullptr;
  LPARAM lParam = 0;
};

// --- Notifications -------------------------------------------------------------

constexpr UINT TVN_FIRST = 0u - 400u;
constexpr UINT TVN_SELCHANGINGA = TVN_FIRST - 1;      // NMTREEVIEW; nonzero refuses
constexpr UINT TVN_SELCHANGEDA = TVN_FIRST - 2;       // NMTREEVIEW
constexpr UINT TVN_GETDISPINFOA = TVN_FIRST - 3;      // NMTVDISPINFO
constexpr UINT TVN_SETDISPINFOA = TVN_FIRST - 4;      // NMTVDISPINFO
constexpr UINT TVN_ITEMEXPANDINGA = TVN_FIRST - 5;    // NMTREEVIEW; nonzero refuses
constexpr UINT TVN_ITEMEXPANDEDA = TVN_FIRST - 6;     // NMTREEVIEW
constexpr UINT TVN_BEGINDRAGA = TVN_FIRST - 7;        // NMTREEVIEW
constexpr UINT TVN_BEGINRDRAGA = TVN_FIRST - 8;       // NMTREEVIEW
constexpr UINT TVN_DELETEITEMA = TVN_FIRST - 9;       // NMTREEVIEW (itemOld)
constexpr UINT TVN_BEGINLABELEDITA = TVN_FIRST - 10;  // NMTVDISPINFO; nonzero refuses
constexpr UINT TVN_ENDLABELEDITA = TVN_FIRST - 11;    // NMTVDISPINFO; nonzero keeps the text
constexpr UINT TVN_KEYDOWN = TVN_FIRST - 12;          // NMTVKEYDOWN; nonzero: no type-ahead
constexpr UINT TVN_GETINFOTIPA = TVN_FIRST - 13;      // NMTVGETINFOTIP
constexpr UINT TVN_SINGLEEXPAND = TVN_FIRST - 15;

constexpr UINT TVN_SELCHANGING = TVN_SELCHANGINGA;
constexpr UINT TVN_SELCHANGED = TVN_SELCHANGEDA;
constexpr UINT TVN_GETDISPINFO = TVN_GETDISPINFOA;
constexpr UINT TVN_SETDISPINFO = TVN_SETDISPINFOA;
constexpr UINT TVN_ITEMEXPANDING = TVN_ITEMEXPANDINGA;
constexpr UINT TVN_ITEMEXPANDED = TVN_ITEMEXPANDEDA;
constexpr UINT TVN_BEGINDRAG = TVN_BEGINDRAGA;
constexpr UINT TVN_BEGINRDRAG = TVN_BEGINRDRAGA;
constexpr UINT TVN_DELETEITEM = TVN_DELETEITEMA;
constexpr UINT TVN_BEGINLABELEDIT = TVN_BEGINLABELEDITA;
constexpr UINT TVN_ENDLABELEDIT = TVN_ENDLABELEDITA;
constexpr UINT TVN_GETINFOTIP = TVN_GETINFOTIPA;

// NMTREEVIEW::action for selection changes.
constexpr UINT TVC_UNKNOWN = 0x0000;
constexpr UINT TVC_BYMOUSE = 0x0001;
constexpr UINT TVC_BYKEYBOARD = 0x0002;

struct NMTREEVIEW {
  NMHDR hdr;
  UINT action = 0;  // TVC_ for selections, TVE_ for expansions
  TVITEM itemOld;
  TVITEM itemNew;
  POINT ptDrag;  // the point where a drag started (client coordinates)
};
using NMTREEVIEWA = NMTREEVIEW;

struct NMTVDISPINFO {
  NMHDR hdr;
  TVITEM item;
};
using NMTVDISPINFOA = NMTVDISPINFO;

struct NMTVKEYDOWN {
  NMHDR hdr;
  WORD wVKey = 0;
  UINT flags = 0;
};
using TV_KEYDOWN = NMTVKEYDOWN;

struct NMTVCUSTOMDRAW {
  NMCUSTOMDRAW nmcd;
  COLORREF clrText = 0;
  COLORREF clrTextBk = 0;
  int iLevel = 0;  // the item's depth, 0 for top-level items
};

struct NMTVGETINFOTIP {
  NMHDR hdr;
  LPSTR pszText = nullptr;
  int cchTextMax = 0;
  HTREEITEM hItem = nullptr;
  LPARAM lParam = 0;
};

// Registers the class; does nothing when it is registered already (every
// window system registers it with its standard controls).
void RegisterTreeViewClass();

// --- Convenience wrappers ----------------------------------------------------------

inline HTREEITEM TreeView_InsertItem(HWND tv, const TVINSERTSTRUCT* is) {
  return reinterpret_cast<HTREEITEM>(
      SendMessage(tv, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(is)));
}
inline BOOL TreeView_DeleteItem(HWND tv, HTREEITEM item) {
  return static_cast<BOOL>(SendMessage(tv, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL TreeView_DeleteAllItems(HWND tv) {
  return TreeView_DeleteItem(tv, TVI_ROOT);
}
inline BOOL TreeView_Expand(HWND tv, HTREEITEM item, UINT code) {
  return static_cast<BOOL>(SendMessage(tv, TVM_EXPAND, code, reinterpret_cast<LPARAM>(item)));
}
// `rect` receives the item's row (or with textOnly its label) in client coordinates.
inline BOOL TreeView_GetItemRect(HWND tv, HTREEITEM item, RECT* rect, BOOL textOnly) {
  *reinterpret_cast<HTREEITEM*>(rect) = item;
  return static_cast<BOOL>(
      SendMessage(tv, TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(rect)));
}
inline UINT TreeView_GetCount(HWND tv) {
  return static_cast<UINT>(SendMessage(tv, TVM_GETCOUNT, 0, 0));
}
inline UINT TreeView_GetIndent(HWND tv) {
  return static_cast<UINT>(SendMessage(tv, TVM_GETINDENT, 0, 0));
}
inline BOOL TreeView_SetIndent(HWND tv, int indent) {
  return static_cast<BOOL>(SendMessage(tv, TVM_SETINDENT, static_cast<WPARAM>(indent), 0));
}
inline HIMAGELIST TreeView_GetImageList(HWND tv, WPARAM which) {
  return reinterpret_cast<HIMAGELIST>(SendMessage(tv, TVM_GETIMAGELIST, which, 0));
}
inline HIMAGELIST TreeView_SetImageList(HWND tv, HIMAGELIST list, WPARAM which) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(tv, TVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list)));
}
inline HTREEITEM TreeView_GetNextItem(HWND tv, HTREEITEM item, UINT code) {
  return reinterpret_cast<HTREEITEM>(
      SendMessage(tv, TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}
inline HTREEITEM TreeView_GetChild(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_CHILD);
}
inline HTREEITEM TreeView_GetNextSibling(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_NEXT);
}
inline HTREEITEM TreeView_GetPrevSibling(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_PREVIOUS);
}
inline HTREEITEM TreeView_GetParent(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_PARENT);
}
inline HTREEITEM TreeView_GetFirstVisible(HWND tv) {
  return TreeView_GetNextItem(tv, nullptr, TVGN_FIRSTVISIBLE);
}
inline HTREEITEM TreeView_GetNextVisible(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_NEXTVISIBLE);
}
inline HTREEITEM TreeView_GetPrevVisible(HWND tv, HTREEITEM item) {
  return TreeView_GetNextItem(tv, item, TVGN_PREVIOUSVISIBLE);
}
inline HTREEITEM TreeView_GetLastVisible(HWND tv) {
  return TreeView_GetNextItem(tv, nullptr, TVGN_LASTVISIBLE);
}
inline HTREEITEM TreeView_GetSelection(HWND tv) {
  return TreeView_GetNextItem(tv, nullptr, TVGN_CARET);
}
inline HTREEITEM TreeView_GetDropHilight(HWND tv) {
  return TreeView_GetNextItem(tv, nullptr, TVGN_DROPHILITE);
}
inline HTREEITEM TreeView_GetRoot(HWND tv) {
  return TreeView_GetNextItem(tv, nullptr, TVGN_ROOT);
}
inline BOOL TreeView_Select(HWND tv, HTREEITEM item, UINT code) {
  return static_cast<BOOL>(SendMessage(tv, TVM_SELECTITEM, code, reinterpret_cast<LPARAM>(item)));
}
inline BOOL TreeView_SelectItem(HWND tv, HTREEITEM item) {
  return TreeView_Select(tv, item, TVGN_CARET);
}
inline BOOL TreeView_SelectDropTarget(HWND tv, HTREEITEM item) {
  return TreeView_Select(tv, item, TVGN_DROPHILITE);
}
inline BOOL TreeView_SelectSetFirstVisible(HWND tv, HTREEITEM item) {
  return TreeView_Select(tv, item, TVGN_FIRSTVISIBLE);
}
inline BOOL TreeView_GetItem(HWND tv, TVITEM* item) {
  return static_cast<BOOL>(SendMessage(tv, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL TreeView_SetItem(HWND tv, const TVITEM* item) {
  return static_cast<BOOL>(SendMessage(tv, TVM_SETITEM, 0, reinterpret_cast<LPARAM>(item)));
}
inline HWND TreeView_EditLabel(HWND tv, HTREEITEM item) {
  return reinterpret_cast<HWND>(SendMessage(tv, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(item)));
}
inline HWND TreeView_GetEditControl(HWND tv) {
  return reinterpret_cast<HWND>(SendMessage(tv, TVM_GETEDITCONTROL, 0, 0));
}
inline BOOL TreeView_EndEditLabelNow(HWND tv, BOOL cancel) {
  return static_cast<BOOL>(SendMessage(tv, TVM_ENDEDITLABELNOW, cancel, 0));
}
inline UINT TreeView_GetVisibleCount(HWND tv) {
  return static_cast<UINT>(SendMessage(tv, TVM_GETVISIBLECOUNT, 0, 0));
}
inline HTREEITEM TreeView_HitTest(HWND tv, TVHITTESTINFO* info) {
  return reinterpret_cast<HTREEITEM>(
      SendMessage(tv, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
}
inline HIMAGELIST TreeView_CreateDragImage(HWND tv, HTREEITEM item) {
  return reinterpret_cast<HIMAGELIST>(
      SendMessage(tv, TVM_CREATEDRAGIMAGE, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL TreeView_SortChildren(HWND tv, HTREEITEM parent, BOOL recurse) {
  return static_cast<BOOL>(
      SendMessage(tv, TVM_SORTCHILDREN, recurse, reinterpret_cast<LPARAM>(parent)));
}
inline BOOL TreeView_SortChildrenCB(HWND tv, const TVSORTCB* sort, BOOL recurse) {
  return static_cast<BOOL>(
      SendMessage(tv, TVM_SORTCHILDRENCB, recurse, reinterpret_cast<LPARAM>(sort)));
}
inline BOOL TreeView_EnsureVisible(HWND tv, HTREEITEM item) {
  return static_cast<BOOL>(SendMessage(tv, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)));
}
inline HWND TreeView_GetToolTips(HWND tv) {
  return reinterpret_cast<HWND>(SendMessage(tv, TVM_GETTOOLTIPS, 0, 0));
}
inline HWND TreeView_SetToolTips(HWND tv, HWND tips) {
  return reinterpret_cast<HWND>(
      SendMessage(tv, TVM_SETTOOLTIPS, reinterpret_cast<WPARAM>(tips), 0));
}
inline int TreeView_GetItemHeight(HWND tv) {
  return static_cast<int>(SendMessage(tv, TVM_GETITEMHEIGHT, 0, 0));
}
inline int TreeView_SetItemHeight(HWND tv, int height) {
  return static_cast<int>(SendMessage(tv, TVM_SETITEMHEIGHT, static_cast<WPARAM>(height), 0));
}
inline COLORREF TreeView_GetBkColor(HWND tv) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_GETBKCOLOR, 0, 0));
}
inline COLORREF TreeView_SetBkColor(HWND tv, COLORREF c) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(c)));
}
inline COLORREF TreeView_GetTextColor(HWND tv) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_GETTEXTCOLOR, 0, 0));
}
inline COLORREF TreeView_SetTextColor(HWND tv, COLORREF c) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(c)));
}
inline COLORREF TreeView_GetLineColor(HWND tv) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_GETLINECOLOR, 0, 0));
}
inline COLORREF TreeView_SetLineColor(HWND tv, COLORREF c) {
  return static_cast<COLORREF>(SendMessage(tv, TVM_SETLINECOLOR, 0, static_cast<LPARAM>(c)));
}
inline UINT TreeView_GetItemState(HWND tv, HTREEITEM item, UINT mask) {
  return static_cast<UINT>(SendMessage(tv, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask));
}
