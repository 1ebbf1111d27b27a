// memtable/SerialIndex.h
//
// The store's lookup from a record's serial to the record. Serials are handed
// out in increasing order and never reused until the store is cleared, so the
// lookup is a paged array indexed by serial: O(1) to find, to set and to
// clear, with memory only for the pages that hold live records (a page whose
// last record goes is freed).
//
// Not thread-safe: the store's lock guards it.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "memtable/Record.h"

class TvomSerialIndex {
 public:
  // The record stored under `serial`, or nullptr.
  TvomRecord* Find(Integer serial) const {
    if (serial < 0) return nullptr;
    const auto page = static_cast<std::size_t>(serial) >> kPageBits;
    if (page >= pages_.size() || !pages_[page]) return nullptr;
    return pages_[page]->slots[static_cast<std::size_t>(serial) & kPageMask];
  }
  // Stores `record` (nullptr: forgets the entry). REQUIRES: serial >= 0.
  void Set(Integer serial, TvomRecord* record);
  void Clear() { pages_.clear(); }

 private:
  static constexpr int kPageBits = 12;
  static constexpr std::size_t kPageMask = (std::size_t{1} << kPageBits) - 1;
  struct Page {
    std::array<TvomRecord*, std::size_t{1} << kPageBits> slots{};
    Integer live = 0;
  };
  std::vector<std::unique_ptr<Page>> pages_;
};
