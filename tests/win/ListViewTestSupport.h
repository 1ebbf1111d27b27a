// tests/win/ListViewTestSupport.h
//
// A list view in a top-level window whose procedure records the list's
// notifications and lets a test answer them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win/Header.h"
#include "platform/win/ListView.h"
#include "platform/win/Paint.h"
#include "tests/win/WindowTestSupport.h"

struct TNotice {
  UINT code = 0;
  int item = -1;
  int subItem = 0;
  UINT newState = 0, oldState = 0, changed = 0;
  std::string text;  // label edits: the text, "<null>" for none
  WORD key = 0;
};

class ListViewTest : public WindowTest {
 protected:
  ListViewTest() {
    handler = [this](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
      if (m != WM_NOTIFY) return std::nullopt;
      auto* hdr = reinterpret_cast<NMHDR*>(l);
      if (hdr->code == LVN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMLVDISPINFOA*>(l);
        ++dispInfoCount;
        if (info->item.mask & LVIF_TEXT)
          snprintf(info->item.pszText, info->item.cchTextMax, "Item %d.%d", info->item.iItem,
                   info->item.iSubItem);
        return 0;
      }
      TNotice n;
      n.code = hdr->code;
      switch (hdr->code) {
        case LVN_ITEMCHANGING:
        case LVN_ITEMCHANGED:
        case LVN_INSERTITEM:
        case LVN_DELETEITEM:
        case LVN_COLUMNCLICK: {
          auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
          n.item = nm->iItem;
          n.subItem = nm->iSubItem;
          n.newState = nm->uNewState;
          n.oldState = nm->uOldState;
          n.changed = nm->uChanged;
          break;
        }
        case NM_CLICK:
        case NM_DBLCLK:
        case NM_RCLICK:
        case LVN_ITEMACTIVATE:
          n.item = reinterpret_cast<NMITEMACTIVATE*>(l)->iItem;
          break;
        case LVN_BEGINLABELEDITA:
        case LVN_ENDLABELEDITA: {
          auto* info = reinterpret_cast<NMLVDISPINFOA*>(l);
          n.item = info->item.iItem;
          n.text = info->item.pszText ? info->item.pszText : "<null>";
          break;
        }
        case LVN_KEYDOWN:
          n.key = reinterpret_cast<NMLVKEYDOWN*>(l)->wVKey;
          break;
      }
      notices.push_back(n);
      if (answer) return answer(n);
      return 0;
    };
    top = Top(0, 0, 400, 300, WS_POPUP | WS_VISIBLE);
  }
  // The notices go before the window system: its end must not record into them.
  ~ListViewTest() override { handler = nullptr; }

  HWND List(DWORD style, int cx = 300, int cy = 200) {
    return CreateWindowEx(0, WC_LISTVIEW, "", WS_CHILD | WS_VISIBLE | style, 0, 0, cx, cy, top,
                          reinterpret_cast<HMENU>(std::uintptr_t{7}), HInstance(), nullptr);
  }
  static int Add(HWND lv, const char* text, int image = 0, int at = 1 << 30) {
    LVITEMA item;
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = at;
    item.pszText = const_cast<LPSTR>(text);
    item.iImage = image;
    return static_cast<int>(SendMessage(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  }
  static void SetSub(HWND lv, int index, int sub, const char* text) {
    LVITEMA item;
    item.iSubItem = sub;
    item.pszText = const_cast<LPSTR>(text);
    SendMessage(lv, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  }
  static std::string Text(HWND lv, int index, int sub = 0) {
    char buf[256] = {};
    LVITEMA item;
    item.iSubItem = sub;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessage(lv, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return buf;
  }
  static void Column(HWND lv, int at, const char* caption, int width, int fmt = LVCFMT_LEFT) {
    LVCOLUMNA c;
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    c.pszText = const_cast<LPSTR>(caption);
    c.cx = width;
    c.fmt = fmt;
    SendMessage(lv, LVM_INSERTCOLUMNA, at, reinterpret_cast<LPARAM>(&c));
  }
  static int ColumnWidth(HWND lv, int c) {
    return static_cast<int>(SendMessage(lv, LVM_GETCOLUMNWIDTH, c, 0));
  }
  static void SetState(HWND lv, int index, UINT state, UINT mask) {
    LVITEMA item;
    item.state = state;
    item.stateMask = mask;
    SendMessage(lv, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  }
  static UINT State(HWND lv, int index) {
    return static_cast<UINT>(
        SendMessage(lv, LVM_GETITEMSTATE, index, LVIS_SELECTED | LVIS_FOCUSED));
  }
  static RECT ItemRect(HWND lv, int index, int part = LVIR_BOUNDS) {
    RECT r;
    r.left = part;
    SendMessage(lv, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return r;
  }
  static POINT Centre(const RECT& r) {
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static POINT Screen(HWND h, POINT p) {
    ClientToScreen(h, &p);
    return p;
  }
  void ClickItem(HWND lv, int index, UINT modifier = 0) {
    if (modifier) InjectKeyDown(modifier);
    InjectClick(TInputButton::Left, Screen(lv, Centre(ItemRect(lv, index, LVIR_LABEL))));
    if (modifier) InjectKeyUp(modifier);
    Pump();
  }
  std::vector<UINT> Codes() const {
    std::vector<UINT> r;
    for (const TNotice& n : notices) r.push_back(n.code);
    return r;
  }
  std::vector<TNotice> Of(UINT code) const {
    std::vector<TNotice> r;
    for (const TNotice& n : notices)
      if (n.code == code) r.push_back(n);
    return r;
  }

  HWND top = nullptr;
  std::vector<TNotice> notices;
  std::function<std::optional<LRESULT>(const TNotice&)> answer;
  int dispInfoCount = 0;
};
