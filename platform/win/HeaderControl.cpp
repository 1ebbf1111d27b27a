// platform/win/HeaderControl.cpp
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win/ControlWindow.h"
#include "platform/win/Font.h"
#include "platform/win/Gdi.h"
#include "platform/win/Header.h"
#include "platform/win/ImageList.h"
#include "platform/win/Input.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"

namespace {

struct THeaderItem {
  std::string text;
  int width = 50;
  int fmt = HDF_LEFT | HDF_STRING;
  LPARAM lParam = 0;
  int image = 0;
};

struct THeaderState {
  std::vector<THeaderItem> items;
  HFONT font = nullptr;
  HIMAGELIST images = nullptr;
  int pressed = -1;        // item whose button is held down
  bool pressedIn = false;  // the pointer is over it
  int tracking = -1;       // item whose right divider is dragged
  int trackOffset = 0;     // pointer minus divider when the drag began
};

// How far either side of a divider a press grabs it.
constexpr int kDividerGrip = 4;

THeaderState* State(HWND hwnd) {
  return ControlWindowState<THeaderState>(hwnd).get();
}

int ItemLeft(const THeaderState& s, int index) {
  int x = 0;
  for (int i = 0; i < index; ++i) x += s.items[i].width;
  return x;
}

RECT ItemRect(HWND hwnd, const THeaderState& s, int index) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int left = ItemLeft(s, index);
  return RECT{left, 0, left + s.items[index].width, client.bottom};
}

int FontHeight(HFONT font) {
  const TMeasureDC m(font);
  TEXTMETRIC tm;
  GetTextMetrics(m.Dc(), &tm);
  return tm.tmHeight;
}

void PaintItem(HDC dc, const THeaderState& s, int index, RECT r) {
  const THeaderItem& item = s.items[index];
  const bool down = s.pressed == index && s.pressedIn;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = r;
  if (down) {
    FrameRect(dc, &edge, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_SOFT);
  }
  RECT text = r;
  InflateRect(&text, -6, 0);
  if (down) {
    text.left += 1;
    text.top += 1;
    text.right += 1;
    text.bottom += 1;
  }
  if ((item.fmt & HDF_IMAGE) && s.images && text.right > text.left) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(s.images, &cx, &cy);
    ImageList_Draw(s.images, item.image, dc, text.left,
                   (r.top + r.bottom - cy) / 2 + (down ? 1 : 0), ILD_TRANSPARENT);
    text.left += cx + 4;
  }
  if (!(item.fmt & HDF_STRING)) return;  // an item without it shows its image only
  static const UINT kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER, DT_LEFT};
  DrawText(dc, item.text.c_str(), static_cast<int>(item.text.size()), &text,
           kAlign[item.fmt & HDF_JUSTIFYMASK] | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX |
               DT_END_ELLIPSIS);
  if (item.fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
    // A small triangle at the right edge marks the sort direction.
    const int cx = r.right - 12, cy = (r.top + r.bottom) / 2;
    const bool up = (item.fmt & HDF_SORTUP) != 0;
    POINT tri[3] = {
        {cx - 4, up ? cy + 2 : cy - 2}, {cx + 4, up ? cy + 2 : cy - 2}, {cx, up ? cy - 2 : cy + 2}};
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_BTNSHADOW));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, tri, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
  }
}

void Paint(HWND hwnd, HDC dc) {
  THeaderState& s = *State(hwnd);
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ oldFont = SelectObject(dc, ControlFont(s.font));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT clip;
  GetClipBox(dc, &clip);
  int x = 0;
  for (int i = 0; i < static_cast<int>(s.items.size()) && x < clip.right; ++i) {
    RECT r{x, 0, x + s.items[i].width, client.bottom};
    x = r.right;
    if (r.right <= clip.left || r.right <= r.left) continue;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    PaintItem(dc, s, i, r);
    RestoreDC(dc, saved);
  }
  // The empty part after the last item is a blank button face.
  if (x < client.right) {
    RECT rest{x, 0, client.right, client.bottom};
    FillRect(dc, &rest, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT | BF_SOFT);
  }
  SelectObject(dc, oldFont);
}

LRESULT Notify(HWND hwnd, UINT code, int item, HDITEMA* hdi, int button = 0) {
  NMHEADERA nm;
  nm.hdr.hwndFrom = hwnd;
  nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(hwnd));
  nm.hdr.code = code;
  nm.iItem = item;
  nm.iButton = button;
  nm.pitem = hdi;
  HWND parent = GetParent(hwnd);
  return parent ? SendMessage(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm)) : 0;
}

void CopyIn(THeaderItem& item, const HDITEMA& in) {
  if (in.mask & HDI_WIDTH) item.width = std::max(0, in.cxy);
  if ((in.mask & HDI_TEXT) && in.pszText) item.text = in.pszText;
  if (in.mask & HDI_FORMAT) item.fmt = in.fmt;
  if (in.mask & HDI_LPARAM) item.lParam = in.lParam;
  if (in.mask & HDI_IMAGE) item.image = in.iImage;
}

void CopyOut(const THeaderItem& item, int index, HDITEMA& out) {
  if (out.mask & HDI_WIDTH) out.cxy = item.width;
  if ((out.mask & HDI_TEXT) && out.pszText && out.cchTextMax > 0) {
    const size_t n = std::min(item.text.size(), static_cast<size_t>(out.cchTextMax - 1));
    std::memcpy(out.pszText, item.text.data(), n);
    out.pszText[n] = '\0';
  }
  if (out.mask & HDI_FORMAT) out.fmt = item.fmt;
  if (out.mask & HDI_LPARAM) out.lParam = item.lParam;
  if (out.mask & HDI_IMAGE) out.iImage = item.image;
  if (out.mask & HDI_ORDER) out.iOrder = index;
}

// Changes an item after asking the parent; true when it changed.
bool ChangeItem(HWND hwnd, THeaderState& s, int index, const HDITEMA& change) {
  HDITEMA asked = change;
  if (Notify(hwnd, HDN_ITEMCHANGING, index, &asked)) return false;
  CopyIn(s.items[index], change);
  HDITEMA told = change;
  Notify(hwnd, HDN_ITEMCHANGED, index, &told);
  InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

UINT HitTest(const THeaderState& s, POINT pt, int& item) {
  item = -1;
  int x = 0;
  for (int i = 0; i < static_cast<int>(s.items.size()); ++i) {
    const int right = x + s.items[i].width;
    if (std::abs(pt.x - right) <= kDividerGrip) {
      // A zero-width item's divider belongs to the item, so it can be widened again.
      item = i;
      while (item + 1 < static_cast<int>(s.items.size()) && s.items[item + 1].width == 0 &&
             pt.x >= right)
        ++item;
      return HHT_ONDIVIDER;
    }
    if (pt.x >= x && pt.x < right) {
      item = i;
      return HHT_ONHEADER;
    }
    x = right;
  }
  return pt.x < 0 ? HHT_TOLEFT : (pt.x >= x ? HHT_TORIGHT | HHT_NOWHERE : HHT_NOWHERE);
}

void MouseDown(HWND hwnd, THeaderState& s, POINT pt) {
  int item;
  const UINT hit = HitTest(s, pt, item);
  if (hit == HHT_ONDIVIDER) {
    HDITEMA hdi;
    hdi.mask = HDI_WIDTH;
    hdi.cxy = s.items[item].width;
    if (Notify(hwnd, HDN_BEGINTRACK, item, &hdi)) return;
    s.tracking = item;
    s.trackOffset = pt.x - (ItemLeft(s, item) + s.items[item].width);
    SetCapture(hwnd);
  } else if (hit == HHT_ONHEADER && (GetWindowLongPtr(hwnd, GWL_STYLE) & HDS_BUTTONS)) {
    s.pressed = item;
    s.pressedIn = true;
    SetCapture(hwnd);
    RECT r = ItemRect(hwnd, s, item);
    InvalidateRect(hwnd, &r, TRUE);
  }
}

void MouseMove(HWND hwnd, THeaderState& s, POINT pt) {
  if (s.tracking >= 0) {
    HDITEMA hdi;
    hdi.mask = HDI_WIDTH;
    hdi.cxy = std::max(0, pt.x - s.trackOffset - ItemLeft(s, s.tracking));
    if (hdi.cxy == s.items[s.tracking].width) return;
    Notify(hwnd, HDN_TRACK, s.tracking, &hdi);
    ChangeItem(hwnd, s, s.tracking, hdi);
  } else if (s.pressed >= 0) {
    const RECT r = ItemRect(hwnd, s, s.pressed);
    const bool in = pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
    if (in != s.pressedIn) {
      s.pressedIn = in;
      InvalidateRect(hwnd, &r, TRUE);
    }
  }
}

void MouseUp(HWND hwnd, THeaderState& s) {
  if (s.tracking >= 0) {
    const int item = s.tracking;
    s.tracking = -1;
    HDITEMA hdi;
    hdi.mask = HDI_WIDTH;
    hdi.cxy = s.items[item].width;
    if (GetCapture() == hwnd) ReleaseCapture();
    Notify(hwnd, HDN_ENDTRACK, item, &hdi);
  } else if (s.pressed >= 0) {
    const int item = s.pressed;
    const bool clicked = s.pressedIn;
    s.pressed = -1;
    s.pressedIn = false;
    if (GetCapture() == hwnd) ReleaseCapture();
    InvalidateRect(hwnd, nullptr, TRUE);
    if (clicked) Notify(hwnd, HDN_ITEMCLICK, item, nullptr, 0);
  }
}

LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const std::shared_ptr<THeaderState> s = ControlWindowState<THeaderState>(hwnd, msg);
  if (!s) return DefWindowProc(hwnd, msg, wParam, lParam);
  if (LRESULT r; HandleControlWindowMessage(hwnd, msg, wParam, lParam, s->font, &Paint, r))
    return r;
  const int count = static_cast<int>(s->items.size());
  switch (msg) {
    case HDM_GETITEMCOUNT:
      return count;
    case HDM_INSERTITEMA: {
      const auto* in = reinterpret_cast<const HDITEMA*>(lParam);
      if (!in) return -1;
      const int at = std::clamp(static_cast<int>(wParam), 0, count);
      THeaderItem item;
      CopyIn(item, *in);
      s->items.insert(s->items.begin() + at, item);
      InvalidateRect(hwnd, nullptr, TRUE);
      return at;
    }
    case HDM_DELETEITEM: {
      const int at = static_cast<int>(wParam);
      if (at < 0 || at >= count) return FALSE;
      s->items.erase(s->items.begin() + at);
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case HDM_GETITEMA: {
      auto* out = reinterpret_cast<HDITEMA*>(lParam);
      const int at = static_cast<int>(wParam);
      if (!out || at < 0 || at >= count) return FALSE;
      CopyOut(s->items[at], at, *out);
      return TRUE;
    }
    case HDM_SETITEMA: {
      const auto* in = reinterpret_cast<const HDITEMA*>(lParam);
      const int at = static_cast<int>(wParam);
      if (!in || at < 0 || at >= count) return FALSE;
      return ChangeItem(hwnd, *s, at, *in);
    }
    case HDM_GETITEMRECT: {
      auto* out = reinterpret_cast<RECT*>(lParam);
      const int at = static_cast<int>(wParam);
      if (!out || at < 0 || at >= count) return FALSE;
      *out = ItemRect(hwnd, *s, at);
      return TRUE;
    }
    case HDM_HITTEST: {
      auto* info = reinterpret_cast<HDHITTESTINFO*>(lParam);
      if (!info) return -1;
      info->flags = HitTest(*s, info->pt, info->iItem);
      return info->iItem;
    }
    case HDM_LAYOUT: {
      auto* layout = reinterpret_cast<HDLAYOUT*>(lParam);
      if (!layout || !layout->prc) return FALSE;
      RECT& r = *layout->prc;
      const bool hidden = (GetWindowLongPtr(hwnd, GWL_STYLE) & HDS_HIDDEN) != 0;
      const int height = hidden ? 0 : FontHeight(s->font) + 6;
      if (layout->pwpos) {
        layout->pwpos->hwnd = hwnd;
        layout->pwpos->x = r.left;
        layout->pwpos->y = r.top;
        layout->pwpos->cx = r.right - r.left;
        layout->pwpos->cy = height;
      }
      r.top += height;
      return TRUE;
    }
    case HDM_SETIMAGELIST: {
      HIMAGELIST old = s->images;
      s->images = reinterpret_cast<HIMAGELIST>(lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->images);
    case WM_LBUTTONDOWN:
      MouseDown(hwnd, *s, PointFromLParam(lParam));
      return 0;
    case WM_MOUSEMOVE:
      MouseMove(hwnd, *s, PointFromLParam(lParam));
      return 0;
    case WM_LBUTTONUP:
      MouseUp(hwnd, *s);
      return 0;
    case WM_LBUTTONDBLCLK: {
      int item;
      if (HitTest(*s, PointFromLParam(lParam), item) == HHT_ONDIVIDER)
        Notify(hwnd, HDN_DIVIDERDBLCLICK, item, nullptr);
      else
        MouseDown(hwnd, *s, PointFromLParam(lParam));
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd && (s->tracking >= 0 || s->pressed >= 0)) {
        s->tracking = -1;
        s->pressed = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_SIZE:
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

void RegisterHeaderClass() {
  RegisterControlWindowClass(WC_HEADER, &HeaderProc, CS_DBLCLKS);
}
