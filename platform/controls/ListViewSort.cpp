// platform/controls/ListViewSort.cpp
//
// TCustomListView: sorting the items and finding one, through the window's
// LVM_SORTITEMS and LVM_FINDITEM so that the list and the window agree.
#include <algorithm>

#include "platform/controls/ListView.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Message.h"

namespace {

struct TSortContext {
  TCustomListView* list;
  LPARAM data;
};

// The order without a function of the program's: OnCompare, else the
// captions ignoring case.
int DefaultCompare(LPARAM a, LPARAM b, LPARAM context) {
  const auto* c = reinterpret_cast<const TSortContext*>(context);
  auto* first = reinterpret_cast<TListItem*>(a);
  auto* second = reinterpret_cast<TListItem*>(b);
  if (c->list->OnCompare) {
    Integer result = 0;
    c->list->OnCompare(c->list, first, second, static_cast<Integer>(c->data), result);
    return result;
  }
  return AnsiCompareText(first->Caption(), second->Caption());
}

}  // namespace

bool TCustomListView::AlphaSort() {
  return CustomSort(nullptr, 0);
}

bool TCustomListView::CustomSort(PFNLVCOMPARE compare, LPARAM data) {
  HandleNeeded();
  TSortContext context{this, data};
  const bool sorted =
      compare ? SendMessage(WindowHandle(), LVM_SORTITEMS, static_cast<WPARAM>(data),
                            reinterpret_cast<LPARAM>(compare)) != 0
              : SendMessage(WindowHandle(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                            reinterpret_cast<LPARAM>(&DefaultCompare)) != 0;
  if (sorted) FollowWindowOrder();
  return sorted;
}

void TCustomListView::FollowWindowOrder() {
  auto& items = items_->items_;
  const Integer n = items_->Count();
  std::vector<std::unique_ptr<TListItem>> ordered;
  ordered.reserve(items.size());
  for (Integer i = 0; i < n; ++i) {
    LVITEMA lv;
    lv.mask = LVIF_PARAM;
    lv.iItem = i;
    SendMessage(WindowHandle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lv));
    auto* item = reinterpret_cast<TListItem*>(lv.lParam);
    // Until renumbered, an item's Index is still its old place.
    ordered.push_back(std::move(items[static_cast<size_t>(item->Index())]));
  }
  items = std::move(ordered);
  items_->Renumber(0);
}

TListItem* TCustomListView::Find(Integer startIndex, bool inclusive, LVFINDINFOA& find) {
  HandleNeeded();
  const Integer after = inclusive ? startIndex - 1 : startIndex;
  const auto found = static_cast<Integer>(
      SendMessage(WindowHandle(), LVM_FINDITEMA, static_cast<WPARAM>(std::max<Integer>(after, -1)),
                  reinterpret_cast<LPARAM>(&find)));
  return found >= 0 && found < items_->Count() ? items_->Item(found) : nullptr;
}

TListItem* TCustomListView::FindCaption(Integer startIndex, const String& value, bool partial,
                                        bool inclusive, bool wrap) {
  LVFINDINFOA find;
  find.flags = (partial ? LVFI_PARTIAL : LVFI_STRING) | (wrap ? LVFI_WRAP : 0);
  find.psz = value.c_str();
  return Find(startIndex, inclusive, find);
}

TListItem* TCustomListView::FindData(Integer startIndex, void* value, bool inclusive, bool wrap) {
  // The window knows the items, not their Data: a walk of the items.
  const Integer n = items_->Count();
  const Integer from = std::clamp<Integer>(inclusive ? startIndex : startIndex + 1, 0, n);
  for (Integer step = 0; step < n; ++step) {
    Integer i = from + step;
    if (i >= n) {
      if (!wrap) break;
      i -= n;
    }
    if (items_->Item(i)->Data() == value) return items_->Item(i);
  }
  return nullptr;
}
