// platform/win/Header.h
//
// The header control ("SysHeader32"): a row of column captions above a
// list, as the report style of the list view shows it.
//
// Items are kept in order; each has a width (cxy), a caption, a format
// (alignment, image), an image of the control's image list and an lParam.
// The parent hears of what the user does through WM_NOTIFY:
//   HDN_ITEMCLICK       a button was pressed and released over the same item
//                       (with HDS_BUTTONS);
//   HDN_DIVIDERDBLCLICK a double click on the divider right of an item;
//   HDN_BEGINTRACK      the user starts dragging a divider; a non-zero
//                       answer refuses the drag;
//   HDN_TRACK, HDN_ITEMCHANGING / HDN_ITEMCHANGED
//                       while a divider is dragged (the width follows the
//                       pointer at once: a refused HDN_ITEMCHANGING keeps
//                       the old width);
//   HDN_ENDTRACK        the drag ended.
// HDM_SETITEM sends HDN_ITEMCHANGING and HDN_ITEMCHANGED too.
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/WinMessages.h"
#include "platform/win/WinNotify.h"
#include "platform/win/WinStructs.h"
#include "platform/win/WinTypes.h"

inline constexpr const char* WC_HEADER = "SysHeader32";

// Styles.
constexpr DWORD HDS_HORZ = 0x0000;
constexpr DWORD HDS_BUTTONS = 0x0002;
constexpr DWORD HDS_HIDDEN = 0x0008;
constexpr DWORD HDS_FULLDRAG = 0x0080;

// HDITEM masks.
constexpr UINT HDI_WIDTH = 0x0001;
constexpr UINT HDI_HEIGHT = HDI_WIDTH;
constexpr UINT HDI_TEXT = 0x0002;
constexpr UINT HDI_FORMAT = 0x0004;
constexpr UINT HDI_LPARAM = 0x0008;
constexpr UINT HDI_IMAGE = 0x0020;
constexpr UINT HDI_ORDER = 0x0080;

// Formats.
constexpr int HDF_LEFT = 0x0000;
constexpr int HDF_RIGHT = 0x0001;
constexpr int HDF_CENTER = 0x0002;
constexpr int HDF_JUSTIFYMASK = 0x0003;
constexpr int HDF_SORTDOWN = 0x0200;
constexpr int HDF_SORTUP = 0x0400;
constexpr int HDF_IMAGE = 0x0800;
constexpr int HDF_STRING = 0x4000;

// Messages.
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0;
constexpr UINT HDM_INSERTITEMA = HDM_FIRST + 1;
constexpr UINT HDM_DELETEITEM = HDM_FIRST + 2;
constexpr UINT HDM_GETITEMA = HDM_FIRST + 3;
constexpr UINT HDM_SETITEMA = HDM_FIRST + 4;
constexpr UINT HDM_LAYOUT = HDM_FIRST + 5;
constexpr UINT HDM_HITTEST = HDM_FIRST + 6;
constexpr UINT HDM_GETITEMRECT = HDM_FIRST + 7;
constexpr UINT HDM_SETIMAGELIST = HDM_FIRST + 8;
constexpr UINT HDM_GETIMAGELIST = HDM_FIRST + 9;
constexpr UINT HDM_INSERTITEM = HDM_INSERTITEMA;
constexpr UINT HDM_GETITEM = HDM_GETITEMA;
constexpr UINT HDM_SETITEM = HDM_SETITEMA;

// Notifications (in NMHDR::code).
constexpr UINT HDN_FIRST = 0u - 300u;
constexpr UINT HDN_ITEMCHANGINGA = HDN_FIRST - 0;
constexpr UINT HDN_ITEMCHANGEDA = HDN_FIRST - 1;
constexpr UINT HDN_ITEMCLICKA = HDN_FIRST - 2;
constexpr UINT HDN_DIVIDERDBLCLICKA = HDN_FIRST - 5;
constexpr UINT HDN_BEGINTRACKA = HDN_FIRST - 6;
constexpr UINT HDN_ENDTRACKA = HDN_FIRST - 7;
constexpr UINT HDN_TRACKA = HDN_FIRST - 8;
constexpr UINT HDN_ITEMCHANGING = HDN_ITEMCHANGINGA;
constexpr UINT HDN_ITEMCHANGED = HDN_ITEMCHANGEDA;
constexpr UINT HDN_ITEMCLICK = HDN_ITEMCLICKA;
constexpr UINT HDN_DIVIDERDBLCLICK = HDN_DIVIDERDBLCLICKA;
constexpr UINT HDN_BEGINTRACK = HDN_BEGINTRACKA;
constexpr UINT HDN_ENDTRACK = HDN_ENDTRACKA;
constexpr UINT HDN_TRACK = HDN_TRACKA;

// HDM_HITTEST answers.
constexpr UINT HHT_NOWHERE = 0x0001;
constexpr UINT HHT_ONHEADER = 0x0002;
constexpr UINT HHT_ONDIVIDER = 0x0004;
constexpr UINT HHT_TOLEFT = 0x0800;
constexpr UINT HHT_TORIGHT = 0x0400;

struct HDITEMA {
  UINT mask = 0;
  int cxy = 0;
  LPSTR pszText = nullptr;
  HBITMAP hbm = nullptr;
  int cchTextMax = 0;
  int fmt = 0;
  LPARAM lParam = 0;
  int iImage = 0;
  int iOrder = 0;
  UINT type = 0;
  void* pvFilter = nullptr;
  UINT state = 0;
};
using HDITEM = HDITEMA;

struct NMHEADERA {
  NMHDR hdr;
  int iItem = 0;
  int iButton = 0;  // 0 left, 1 right, 2 middle
  HDITEMA* pitem = nullptr;
};
using NMHEADER = NMHEADERA;

struct HDHITTESTINFO {
  POINT pt;
  UINT flags = 0;
  int iItem = -1;
};

// HDM_LAYOUT: the header answers where it goes in *prc (the top strip) and
// takes its height off the top of *prc.
struct HDLAYOUT {
  RECT* prc = nullptr;
  WINDOWPOS* pwpos = nullptr;
};

// Registers the class; does nothing when it is registered already.
void RegisterHeaderClass();
