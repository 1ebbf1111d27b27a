// platform/rtl/List.cpp
#include "platform/rtl/List.h"

#include <algorithm>

namespace {
[[noreturn]] void ListError(const char* what, Integer value) {
  throw EListError(String(what) + " (" + std::to_string(value) + ")");
}
}  // namespace

void TList::CheckIndex(Integer index) const {
  if (index < 0 || index >= Count()) ListError("List index out of bounds", index);
}

void TList::SetCount(Integer count) {
  if (count < 0) ListError("List count out of bounds", count);
  while (Count() > count) Delete(Count() - 1);
  items_.resize(static_cast<std::size_t>(count), nullptr);
}

void TList::SetCapacity(Integer capacity) {
  if (capacity < Count()) ListError("List capacity out of bounds", capacity);
  if (capacity > Capacity())
    items_.reserve(static_cast<std::size_t>(capacity));
  else
    items_.shrink_to_fit();
}

void* TList::Items(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<std::size_t>(index)];
}

void TList::SetItems(Integer index, void* item) {
  CheckIndex(index);
  void*& slot = items_[static_cast<std::size_t>(index)];
  if (slot == item) return;
  void* old = slot;
  slot = item;
  if (old) Notify(old, lnDeleted);
  if (item) Notify(item, lnAdded);
}

Integer TList::Add(void* item) {
  items_.push_back(item);
  if (item) Notify(item, lnAdded);
  return Count() - 1;
}

void TList::Insert(Integer index, void* item) {
  if (index < 0 || index > Count()) ListError("List index out of bounds", index);
  items_.insert(items_.begin() + index, item);
  if (item) Notify(item, lnAdded);
}

void TList::Delete(Integer index) {
  CheckIndex(index);
  void* item = items_[static_cast<std::size_t>(index)];
  items_.erase(items_.begin() + index);
  if (item) Notify(item, lnDeleted);
}

Integer TList::Remove(void* item) {
  const Integer index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  const Integer index = IndexOf(item);
  if (index < 0) return nullptr;
  items_.erase(items_.begin() + index);
  Notify(item, lnExtracted);
  return item;
}

Integer TList::IndexOf(void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

void TList::Exchange(Integer index1, Integer index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(items_[static_cast<std::size_t>(index1)], items_[static_cast<std::size_t>(index2)]);
}

void TList::Move(Integer curIndex, Integer newIndex) {
  if (curIndex == newIndex) return;
  CheckIndex(curIndex);
  CheckIndex(newIndex);
  void* item = items_[static_cast<std::size_t>(curIndex)];
  items_.erase(items_.begin() + curIndex);
  items_.insert(items_.begin() + newIndex, item);
}

void TList::Pack() {
  items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Clear() {
  std::vector<void*> old;
  old.swap(items_);
  for (void* item : old)
    if (item) Notify(item, lnDeleted);
}

void TList::Sort(const TListSortCompare& compare) {
  StableSort(items_, compare);
}

void TList::Assign(const TList& source) {
  if (&source == this) return;
  Clear();
  for (void* item : source.items_) Add(item);
}

void TList::Notify(void*, TListNotification) {}

// ---- TThreadList ----

void TThreadList::Add(void* item) {
  TCriticalSectionLock hold(lock_);
  if (duplicates_ != dupAccept && list_.IndexOf(item) >= 0) {
    if (duplicates_ == dupError) throw EListError("Duplicate item in list");
    return;
  }
  list_.Add(item);
}

void TThreadList::Remove(void* item) {
  TCriticalSectionLock hold(lock_);
  list_.Remove(item);
}

void TThreadList::Clear() {
  TCriticalSectionLock hold(lock_);
  list_.Clear();
}

TList* TThreadList::LockList() {
  lock_.Enter();
  return &list_;
}

void TThreadList::UnlockList() {
  lock_.Leave();
}
