// platform/rtl/Collection.cpp
#include "platform/rtl/Collection.h"

#include <algorithm>

#include "platform/rtl/Exceptions.h"

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) {
  SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* value) {
  if (value == collection_) return;
  if (collection_) collection_->RemoveItem(this);
  if (value) value->InsertItem(this);
}

Integer TCollectionItem::Index() const {
  if (!collection_) return -1;
  const auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<Integer>(it - items.begin());
}

void TCollectionItem::SetIndex(Integer value) {
  const Integer current = Index();
  if (current >= 0 && current != value) {
    collection_->MoveItem(current, value);
    Changed(true);
  }
}

String TCollectionItem::DisplayName() const {
  return ClassName();
}

void TCollectionItem::SetDisplayName(const String&) {
  Changed(false);
}

TPersistent* TCollectionItem::GetOwner() const {
  return collection_;
}

String TCollectionItem::GetNamePath() const {
  if (!collection_) return ClassName();
  return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
  if (!collection_ || collection_->update_count_ != 0) return;
  if (allItems)
    collection_->Update(nullptr);
  else
    collection_->ItemChanged(this);
}

// ---- TCollection ----

TCollection::TCollection(TCollectionItemClass itemClass) : item_class_(std::move(itemClass)) {}

TCollection::~TCollection() {
  // Free the items without announcing each one: the descendant part of this
  // collection is already gone.
  update_count_ = 1;
  while (!items_.empty()) {
    TCollectionItem* item = items_.back();
    items_.pop_back();
    item->collection_ = nullptr;
    delete item;
  }
}

TCollectionItem* TCollection::Items(Integer index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  if (!item_class_.Create) throw EInvalidOperation("Collection has no item class");
  return item_class_.Create(this);
}

TCollectionItem* TCollection::Insert(Integer index) {
  TCollectionItem* item = Add();
  item->SetIndex(index);
  return item;
}

void TCollection::Delete(Integer index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  // The handler may have taken the item out already.
  if (std::find(items_.begin(), items_.end(), item) != items_.end()) delete item;
}

void TCollection::Clear() {
  if (items_.empty()) return;
  WithinUpdate(*this, [&] {
    while (!items_.empty()) delete items_.back();
  });
}

TCollectionItem* TCollection::FindItemID(Integer id) const {
  for (TCollectionItem* item : items_)
    if (item->id_ == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() {
  ++update_count_;
}

void TCollection::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) Changed();
}

void TCollection::Assign(const TPersistent* source) {
  if (auto other = dynamic_cast<const TCollection*>(source)) {
    if (other == this) return;
    WithinUpdate(*this, [&] {
      Clear();
      for (TCollectionItem* item : other->items_) Add()->Assign(item);
    });
    return;
  }
  TPersistent::Assign(source);
}

String TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner || prop_name_.empty()) return ClassName();
  const String owner_path = owner->GetNamePath();
  return owner_path.empty() ? prop_name_ : owner_path + "." + prop_name_;
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
  if (update_count_ == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  items_.push_back(item);
  item->collection_ = this;
  item->id_ = next_id_++;
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  Notify(item, cnExtracting);
  // Notify may have changed the list; look again.
  it = std::find(items_.begin(), items_.end(), item);
  if (it != items_.end()) items_.erase(it);
  item->collection_ = nullptr;
  Changed();
}

void TCollection::MoveItem(Integer from, Integer to) {
  const Integer last = Count() - 1;
  to = std::clamp(to, Integer{0}, last);
  TCollectionItem* item = items_[static_cast<std::size_t>(from)];
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, item);
}

void TCollection::ItemChanged(TCollectionItem* item) {
  if (update_count_ == 0) Update(item);
}
