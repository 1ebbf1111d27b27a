// memtable/Indexes.h
//
// TvomIndexes: a table's indexes by name, with the row-order index that every
// table has, the index the table currently walks (Current) and the sort index
// made by Sort/SortOn. It owns the indexes. It also holds what involves
// several indexes at once: uniqueness checks before a post, upkeep after a
// change, and the table-level search that picks an index (or makes one) for a
// list of key fields.
//
// Threads and locking: under the table's store lock, like the indexes.
#pragma once

#include <memory>
#include <vector>

#include "memtable/Index.h"
#include "memtable/MemTableTypes.h"
#include "platform/rtl/Types.h"

class TIndexDef;
class TvomStoreClient;

class TvomIndexes {
 public:
  // Makes the row-order index, which is current. REQUIRES: the table's
  // Store() is usable (the index list is made after the table's store).
  explicit TvomIndexes(TvomStoreClient* table);
  ~TvomIndexes();
  TvomIndexes(const TvomIndexes&) = delete;
  TvomIndexes& operator=(const TvomIndexes&) = delete;

  Integer Count() const { return static_cast<Integer>(indexes_.size()); }
  // REQUIRES: 0 <= i < Count().
  TvomIndex* Items(Integer i) const { return indexes_[static_cast<std::size_t>(i)].get(); }
  TvomIndex* RowOrderIndex() const { return row_order_; }

  // The index the table walks; never nullptr.
  TvomIndex* Current() const { return current_; }
  // nullptr makes the row-order index current. (The table's SwitchToIndex
  // does the rest of switching: rebuild, cursor, names.)
  void SetCurrent(TvomIndex* index) { current_ = index != nullptr ? index : row_order_; }
  // The index of Sort/SortOn, or nullptr.
  TvomIndex* SortIndex() const { return sort_index_; }
  void SetSortIndex(TvomIndex* index) { sort_index_ = index; }

  // By name (compared upper-cased), or nullptr.
  TvomIndex* Find(const String& name) const;
  // By the field-name text (compared upper-cased), or nullptr.
  TvomIndex* FindByFieldNames(const String& fieldNames) const;

  // Takes ownership and appends; returns the index.
  TvomIndex* Add(std::unique_ptr<TvomIndex> index);
  // Makes and adds the index of a definition; a definition without fields
  // raises EMemTableError "Missing Name or FieldNames in IndexDef!".
  TvomIndex* AddFromDef(const TIndexDef& def);
  // Frees the index (never the row-order index). The current index falls
  // back to the row-order index; a deleted sort index is forgotten.
  void Delete(TvomIndex* index);
  // Empties every index and frees all but the row-order index.
  void Clear();

  void RebuildAll();
  void MarkAllUnordered();
  // Empties every index for a store that is being emptied; they stay
  // ordered (an empty list is in order).
  void ClearAllReferences();

  // Before a post or add: raises EMemTableDupKey "Duplicate index value.
  // Operation aborted." when a maintained unique index holds a record other
  // than `excluded` with the key record's values. Only with EnableIndexes.
  void CheckUnique(const TvomRecord* key, const TvomRecord* excluded);

  // Brings every index up to date after a change (see TvomCommon::UpdateIndexes).
  void Upkeep(TvomIndexChange change, bool changerIsThisTable, Integer position, TvomRecord* stored,
              const TvomRecord* newValues);

  // Searches the current index's records for the key record over `fields`,
  // through an ordered index that begins with those fields when the current
  // index is large enough, making one with `allowAutoIndex`. Returns whether
  // found and sets `position` to the position in the current index.
  bool Search(const TvomFieldList& fields, const TvomRecord* key, bool allowAutoIndex,
              bool respectFilter, bool nearest, Integer& position);
  // Whether Search over `fields` tests the current index's records one by
  // one instead of searching an ordered index.
  bool WalksRecords(const TvomFieldList& fields, bool allowAutoIndex) const;

 private:
  void Renumber();
  // Whether the current index is large enough to search through another.
  bool WorthAnIndex(const TvomFieldList& fields) const;
  TvomIndex* IndexBeginningWith(const TvomFieldList& fields) const;

  TvomStoreClient* table_;
  std::vector<std::unique_ptr<TvomIndex>> indexes_;
  TvomIndex* row_order_ = nullptr;
  TvomIndex* current_ = nullptr;
  TvomIndex* sort_index_ = nullptr;
};
