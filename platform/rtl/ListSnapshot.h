// platform/rtl/ListSnapshot.h
//
// TListSnapshot: a copy of a short list of pointers taken before walking it,
// for walks whose steps may add to or remove from the list itself (a
// dataset telling its data sources, a data source telling its links). Such
// lists hold a handful of entries and are walked for every field set, so
// the copy lives on the stack; only a longer list is copied to the heap.
//
// Threads: none of its own; the caller's list must not change on another
// thread while the snapshot is taken.
#pragma once

#include <cstddef>
#include <vector>

template <class T, std::size_t InlineCount = 8>
class TListSnapshot {
 public:
  explicit TListSnapshot(const std::vector<T*>& list) : count_(list.size()) {
    if (count_ <= InlineCount) {
      for (std::size_t i = 0; i < count_; ++i) inline_[i] = list[i];
      data_ = inline_;
    } else {
      heap_ = list;
      data_ = heap_.data();
    }
  }
  TListSnapshot(const TListSnapshot&) = delete;
  TListSnapshot& operator=(const TListSnapshot&) = delete;

  T* const* begin() const { return data_; }
  T* const* end() const { return data_ + count_; }
  std::size_t size() const { return count_; }

 private:
  std::size_t count_;
  T* inline_[InlineCount];
  std::vector<T*> heap_;
  T* const* data_ = nullptr;
};
