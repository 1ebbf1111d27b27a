// platform/rtl/List.h
//
// TList: an ordered list of untyped pointers, which it does not own.
// TListOf<T>: the same list handing out T* (a thin typed face, same storage).
// TThreadList: a TList behind a lock, for lists shared between threads.
//
// Indexes run from 0 to Count()-1; any other index raises EListError
// "List index out of bounds (%d)". Sort is stable and stays within the list
// whatever the comparison answers.
#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/rtl/CriticalSection.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"

// How a list treats a value it already holds (TThreadList, TStringList).
enum TDuplicates { dupIgnore, dupAccept, dupError };

// What happened to a pointer, for TList::Notify.
enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Returns < 0, 0 or > 0 as the first item sorts before, with or after the second.
using TListSortCompare = std::function<int(void* item1, void* item2)>;

class TList : public TObject {
  ZORVET_CLASS_NAME(TList)

 public:
  TList() = default;
  ~TList() override = default;

  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // Setting a larger count appends null pointers; a smaller one drops the tail.
  void SetCount(Integer count);
  Integer Capacity() const { return static_cast<Integer>(items_.capacity()); }
  // EListError "List capacity out of bounds (%d)" below Count().
  void SetCapacity(Integer capacity);

  void* Items(Integer index) const;
  void SetItems(Integer index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  // Appends and returns the new index.
  Integer Add(void* item);
  // Inserts before `index` (0..Count()).
  void Insert(Integer index, void* item);
  void Delete(Integer index);
  // Removes the first occurrence; returns its former index or -1.
  Integer Remove(void* item);
  // Removes the first occurrence and returns it (nullptr when absent).
  void* Extract(void* item);
  Integer IndexOf(void* item) const;
  void Exchange(Integer index1, Integer index2);
  // Takes the item at `curIndex` out and puts it back at `newIndex`.
  void Move(Integer curIndex, Integer newIndex);
  // Removes every null pointer.
  void Pack();
  void Clear();
  void Sort(const TListSortCompare& compare);
  // Replaces the content with `source`'s.
  void Assign(const TList& source);

  // The underlying pointers, for callers that walk a large list.
  const std::vector<void*>& List() const { return items_; }

 protected:
  // Called after an item was added and before one leaves the list; descendants
  // that own their items free them here on lnDeleted.
  virtual void Notify(void* item, TListNotification action);

 private:
  void CheckIndex(Integer index) const;
  std::vector<void*> items_;
};

template <class T>
class TListOf : public TList {
 public:
  T* Items(Integer index) const { return static_cast<T*>(TList::Items(index)); }
  void SetItems(Integer index, T* item) { TList::SetItems(index, item); }
  T* First() const { return static_cast<T*>(TList::First()); }
  T* Last() const { return static_cast<T*>(TList::Last()); }
  Integer Add(T* item) { return TList::Add(item); }
  void Insert(Integer index, T* item) { TList::Insert(index, item); }
  Integer Remove(T* item) { return TList::Remove(item); }
  T* Extract(T* item) { return static_cast<T*>(TList::Extract(item)); }
  Integer IndexOf(T* item) const { return TList::IndexOf(item); }
  void Sort(const std::function<int(T*, T*)>& compare) {
    TList::Sort([&](void* a, void* b) { return compare(static_cast<T*>(a), static_cast<T*>(b)); });
  }
};

// A list that several threads share. Hold it with LockList()/UnlockList()
// for anything beyond one Add/Remove/Clear; those lock by themselves.
class TThreadList : public TObject {
  ZORVET_CLASS_NAME(TThreadList)

 public:
  TThreadList() = default;

  // dupIgnore (the default) makes Add skip a pointer already present;
  // dupError raises EListError "Duplicate item in list".
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }

  void Add(void* item);
  void Remove(void* item);
  void Clear();
  // Enters the lock and returns the list; every LockList needs an UnlockList.
  TList* LockList();
  void UnlockList();

 private:
  TCriticalSection lock_;
  TList list_;
  TDuplicates duplicates_ = dupIgnore;
};

// Holds a TThreadList locked for a scope.
class TThreadListLock {
 public:
  explicit TThreadListLock(TThreadList& list) : list_(list), locked_(list.LockList()) {}
  ~TThreadListLock() { list_.UnlockList(); }
  TThreadListLock(const TThreadListLock&) = delete;
  TThreadListLock& operator=(const TThreadListLock&) = delete;
  TList* operator->() const { return locked_; }
  TList& operator*() const { return *locked_; }

 private:
  TThreadList& list_;
  TList* locked_;
};

// A stable merge sort by a three-way comparison (< 0, 0, > 0). It never reads
// outside the vector, whatever `compare` answers, unlike sorts that trust
// the comparison to be a strict order. Used by TList and TStringList.
template <class T, class Compare>
void StableSort(std::vector<T>& items, Compare compare) {
  const std::size_t n = items.size();
  if (n < 2) return;
  std::vector<T> buffer(n);
  for (std::size_t width = 1; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, n);
      const std::size_t hi = std::min(lo + 2 * width, n);
      std::size_t a = lo, b = mid, out = lo;
      while (a < mid && b < hi)
        buffer[out++] = compare(items[b], items[a]) < 0 ? items[b++] : items[a++];
      while (a < mid) buffer[out++] = items[a++];
      while (b < hi) buffer[out++] = items[b++];
    }
    items.swap(buffer);
  }
}
