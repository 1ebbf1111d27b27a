// memtable/RecordRefs.h
//
// The reference list of an index: record addresses in index order, with
// access by position. Appending a catalogue scan to a table whose current
// index is sorted inserts every new row somewhere in the middle, so the list
// is kept in chunks of at most kChunkMax entries: an insert or delete moves at
// most one chunk's entries and shifts the chunk start table, instead of moving
// the whole list. Reading by position finds the chunk by binary search over
// the chunk starts and remembers the last chunk, so that walking the list in
// order costs O(1) per step.
//
// Not thread-safe: an index's references are guarded by the store's lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "memtable/Record.h"

class TvomRecordRefs {
 public:
  Integer Count() const { return count_; }
  bool Empty() const { return count_ == 0; }

  // REQUIRES: 0 <= pos < Count().
  TvomRecord* Get(Integer pos) const {
    // Most reads fall in the chunk read last (a walk reads each position
    // and a few ahead of it): that one is tried without a call.
    if (hint_ < chunks_.size()) {
      const std::vector<TvomRecord*>& chunk = chunks_[hint_];
      const auto at = static_cast<std::size_t>(pos - starts_[hint_]);
      if (at < chunk.size()) return chunk[at];
    }
    const std::size_t c = Locate(pos);
    return chunks_[c][static_cast<std::size_t>(pos - starts_[c])];
  }
  TvomRecord* operator[](Integer pos) const { return Get(pos); }
  // REQUIRES: 0 <= pos < Count().
  void Set(Integer pos, TvomRecord* record);

  void Add(TvomRecord* record);
  // REQUIRES: 0 <= pos <= Count().
  void Insert(Integer pos, TvomRecord* record);
  // REQUIRES: 0 <= pos < Count().
  void Delete(Integer pos);
  void Clear();

  // The position of the first entry from `from` on holding exactly
  // `record`, or -1. Compares addresses only, so it is safe on a list that
  // may hold freed records. REQUIRES: 0 <= from.
  Integer IndexOf(const TvomRecord* record, Integer from = 0) const;

  // Calls `visit` with every entry, in order.
  template <class Visit>
  void ForEach(Visit visit) const {
    for (const auto& chunk : chunks_)
      for (TvomRecord* record : chunk) visit(record);
  }

  // The whole list, in order, and its replacement by a given sequence.
  std::vector<TvomRecord*> ToVector() const;
  void Assign(const std::vector<TvomRecord*>& records);

  // A value that changes whenever an entry is set, added or removed, and
  // that no other list ever gave: whoever keeps something derived from the
  // positions knows it still holds while the value is the same. Drawn only
  // when asked, so that changes cost a plain store.
  std::uint64_t Stamp() const;

 private:
  static constexpr std::size_t kChunkMax = 1024;
  static constexpr std::size_t kChunkFill = 768;  // entries per chunk after Assign

  std::size_t Locate(Integer pos) const;
  void ShiftStarts(std::size_t after, Integer delta);

  std::vector<std::vector<TvomRecord*>> chunks_;
  std::vector<Integer> starts_;  // position of each chunk's first entry
  Integer count_ = 0;
  mutable std::size_t hint_ = 0;     // the chunk found last
  mutable std::uint64_t stamp_ = 0;  // 0: changed since the last one drawn
};
