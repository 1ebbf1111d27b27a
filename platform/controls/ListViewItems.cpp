// platform/controls/ListViewItems.cpp
//
// The items and columns of TCustomListView. An item keeps its own texts;
// the window holds its place and state and asks for the texts by the
// item's pointer (its lParam).
#include <algorithm>

#include "platform/controls/ListView.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/ListView.h"
#include "platform/win/Message.h"

// --- Subitems --------------------------------------------------------------------

// The subitems of one item: a plain list of strings that tells its item of
// every change, so that the window draws the new text.
class TSubItems : public TStrings {
  ZORVET_CLASS_NAME(TSubItems)

 public:
  explicit TSubItems(TListItem* item) : item_(item) {}

  Integer Count() const override { return static_cast<Integer>(strings_.size()); }
  void Insert(Integer index, const String& s) override {
    if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
    // Rows usually carry a few subitems: one allocation for them.
    if (strings_.capacity() == 0) strings_.reserve(4);
    strings_.insert(strings_.begin() + index, s);
    Changed();
  }
  void Delete(Integer index) override {
    Check(index);
    strings_.erase(strings_.begin() + index);
    Changed();
  }
  void Clear() override {
    if (strings_.empty()) return;
    strings_.clear();
    Changed();
  }
  // The text of column `index` + 1, stable until the next change.
  const String* Text(Integer index) const {
    return index >= 0 && index < Count() ? &strings_[static_cast<size_t>(index)] : nullptr;
  }

 protected:
  String Get(Integer index) const override {
    Check(index);
    return strings_[static_cast<size_t>(index)];
  }
  void Put(Integer index, const String& s) override {
    Check(index);
    strings_[static_cast<size_t>(index)] = s;
    Changed();
  }
  void SetUpdateState(bool updating) override {
    if (!updating) item_->SubItemsChanged();
  }

 private:
  void Check(Integer index) const {
    if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
  }
  void Changed() {
    if (UpdateCount() == 0) item_->SubItemsChanged();
  }

  TListItem* item_;
  std::vector<String> strings_;
};

const String* SubItemText(const TListItem* item, Integer index) {
  return static_cast<const TSubItems*>(item->SubItems())->Text(index);
}

// --- TListItem -------------------------------------------------------------------

TListItem::TListItem(TListItems* owner)
    : owner_(owner), sub_items_(std::make_unique<TSubItems>(this)) {}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const {
  return owner_ ? owner_->Owner() : nullptr;
}

void TListItem::SetCaption(const String& value) {
  if (caption_ == value) return;
  caption_ = value;
  if (TCustomListView* lv = ListView()) {
    lv->RedrawItem(this);
    lv->ItemsChanged();
    lv->Change(this, ctText);
  }
}

void TListItem::SetImageIndex(Integer value) {
  if (image_index_ == value) return;
  image_index_ = value;
  if (TCustomListView* lv = ListView()) {
    lv->RedrawItem(this);
    lv->Change(this, ctImage);
  }
}

void TListItem::SubItemsChanged() {
  if (TCustomListView* lv = ListView()) {
    lv->RedrawItem(this);
    lv->ItemsChanged();
    lv->Change(this, ctText);
  }
}

bool TListItem::State(UINT mask) const {
  TCustomListView* lv = ListView();
  if (lv && lv->HandleAllocated())
    return SendMessage(lv->WindowHandle(), LVM_GETITEMSTATE, index_, mask) != 0;
  return (state_ & mask) != 0;
}

bool TListItem::Checked() const {
  TCustomListView* lv = ListView();
  const UINT image = lv && lv->HandleAllocated()
                         ? static_cast<UINT>(SendMessage(lv->WindowHandle(), LVM_GETITEMSTATE,
                                                         index_, LVIS_STATEIMAGEMASK))
                         : state_ & LVIS_STATEIMAGEMASK;
  return image == INDEXTOSTATEIMAGEMASK(2);
}

void TListItem::SetChecked(bool value) {
  const UINT image = INDEXTOSTATEIMAGEMASK(value ? 2 : 1);
  TCustomListView* lv = ListView();
  if (lv && lv->HandleAllocated()) {
    LVITEMA item;
    item.state = image;
    item.stateMask = LVIS_STATEIMAGEMASK;
    SendMessage(lv->WindowHandle(), LVM_SETITEMSTATE, index_, reinterpret_cast<LPARAM>(&item));
    return;
  }
  if ((state_ & LVIS_STATEIMAGEMASK) == image) return;
  state_ = (state_ & ~LVIS_STATEIMAGEMASK) | image;
  if (lv) lv->Change(this, ctState);
}

void TListItem::SetState(UINT mask, bool on) {
  TCustomListView* lv = ListView();
  if (lv && lv->HandleAllocated()) {
    LVITEMA item;
    item.state = on ? mask : 0;
    item.stateMask = mask;
    SendMessage(lv->WindowHandle(), LVM_SETITEMSTATE, index_, reinterpret_cast<LPARAM>(&item));
    return;
  }
  if (on == ((state_ & mask) != 0)) return;
  if (on && mask == LVIS_FOCUSED && owner_)
    // The focus belongs to one item only, with or without a window.
    for (const auto& other : owner_->items_) other->state_ &= ~LVIS_FOCUSED;
  state_ = on ? state_ | mask : state_ & ~mask;
  if (lv) lv->Change(this, ctState);
}

bool TListItem::Selected() const {
  return State(LVIS_SELECTED);
}

void TListItem::SetSelected(bool value) {
  SetState(LVIS_SELECTED, value);
}

bool TListItem::Focused() const {
  return State(LVIS_FOCUSED);
}

void TListItem::SetFocused(bool value) {
  SetState(LVIS_FOCUSED, value);
}

void TListItem::MakeVisible(bool partialOK) {
  TCustomListView* lv = ListView();
  if (lv && lv->HandleAllocated())
    SendMessage(lv->WindowHandle(), LVM_ENSUREVISIBLE, index_, partialOK);
}

bool TListItem::EditCaption() {
  TCustomListView* lv = ListView();
  if (!lv) return false;
  lv->SetFocus();
  return SendMessage(lv->Handle(), LVM_EDITLABELA, index_, 0) != 0;
}

RECT TListItem::DisplayRect(TDisplayCode code) const {
  RECT r;
  TCustomListView* lv = ListView();
  if (!lv || !lv->HandleAllocated()) return r;
  r.left = static_cast<LONG>(code);
  SendMessage(lv->WindowHandle(), LVM_GETITEMRECT, index_, reinterpret_cast<LPARAM>(&r));
  return r;
}

void TListItem::Delete() {
  if (owner_) owner_->Delete(index_);
}

void TListItem::Assign(const TPersistent* source) {
  if (auto* item = dynamic_cast<const TListItem*>(source)) {
    SetCaption(item->caption_);
    SetImageIndex(item->image_index_);
    data_ = item->data_;
    sub_items_->Assign(item->sub_items_.get());
    return;
  }
  TPersistent::Assign(source);
}

// --- TListItems ------------------------------------------------------------------

TListItems::~TListItems() {
  // Each item leaves without asking the window, which is gone or going.
  for (auto& item : items_) item->owner_ = nullptr;
}

TListItem* TListItems::Item(Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return items_[static_cast<size_t>(index)].get();
}

TListItem* TListItems::Add() {
  return Insert(Count());
}

TListItem* TListItems::Insert(Integer index) {
  if (index < 0 || index > Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  auto item = std::make_unique<TListItem>(this);
  TListItem* raw = item.get();
  item->index_ = index;
  items_.insert(items_.begin() + index, std::move(item));
  if (index + 1 < Count()) Renumber(index + 1);
  owner_->InsertWindowItem(raw);
  owner_->ItemsChanged();
  return raw;
}

void TListItems::Delete(Integer index) {
  TListItem* item = Item(index);
  if (owner_->HandleAllocated())
    SendMessage(owner_->WindowHandle(), LVM_DELETEITEM, index, 0);
  else if (owner_->OnDeletion)
    owner_->OnDeletion(owner_, item);
  items_.erase(items_.begin() + index);
  Renumber(index);
  owner_->ItemsChanged();
}

void TListItems::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  if (owner_->HandleAllocated()) {
    SendMessage(owner_->WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
  } else if (owner_->OnDeletion) {
    for (const auto& item : items_) owner_->OnDeletion(owner_, item.get());
  }
  items_.clear();
  owner_->ItemsChanged();
  EndUpdate();
}

void TListItems::BeginUpdate() {
  if (update_count_++ == 0 && owner_->HandleAllocated())
    SendMessage(owner_->WindowHandle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (update_count_ == 0 || --update_count_ > 0) return;
  if (!owner_->HandleAllocated()) return;
  owner_->ApplyAutoSize();
  SendMessage(owner_->WindowHandle(), WM_SETREDRAW, TRUE, 0);
}

void TListItems::Assign(const TPersistent* source) {
  if (auto* items = dynamic_cast<const TListItems*>(source)) {
    BeginUpdate();
    Clear();
    for (const auto& item : items->items_) Add()->Assign(item.get());
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

TPersistent* TListItems::GetOwner() const {
  return owner_;
}

void TListItems::Renumber(Integer from) {
  for (Integer i = from; i < Count(); ++i) items_[static_cast<size_t>(i)]->index_ = i;
}

// --- Columns ---------------------------------------------------------------------

void TListColumn::SetCaption(const String& value) {
  if (caption_ == value) return;
  caption_ = value;
  Changed(false);
}

Integer TListColumn::Width() const {
  auto* columns = static_cast<TListColumns*>(Collection());
  if (!columns || !columns->Owner()->HandleAllocated()) return width_;
  // Asked as a column, whatever the style: in the list styles the column
  // width message answers the width of the cells.
  LVCOLUMNA column;
  column.mask = LVCF_WIDTH;
  column.cx = width_;
  SendMessage(columns->Owner()->WindowHandle(), LVM_GETCOLUMNA, Index(),
              reinterpret_cast<LPARAM>(&column));
  return column.cx;
}

void TListColumn::SetWidth(Integer value) {
  if (value < ColumnHeaderWidth) value = 0;
  width_ = value;
  Changed(false);
}

void TListColumn::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Changed(false);
}

void TListColumn::Assign(const TPersistent* source) {
  if (auto* c = dynamic_cast<const TListColumn*>(source)) {
    caption_ = c->caption_;
    width_ = c->width_;
    alignment_ = c->alignment_;
    tag_ = c->tag_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

TListColumns::TListColumns(TCustomListView* owner)
    : TCollection(TCollectionItemClass::Of<TListColumn>()), owner_(owner) {}

TListColumn* TListColumns::Add() {
  // The list view hears of the new column once it is whole, not while the
  // item base is being made.
  BeginUpdate();
  TCollectionItem* item;
  TScopeExit end_update([&] { EndUpdate(); });
  item = TCollection::Add();
  return static_cast<TListColumn*>(item);
}

TPersistent* TListColumns::GetOwner() const {
  return owner_;
}

void TListColumns::Update(TCollectionItem* item) {
  if (item)
    owner_->UpdateColumn(item->Index());
  else
    owner_->UpdateColumns();
}
