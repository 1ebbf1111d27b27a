// memtable/Index.h
//
// TvomIndex: one order of a table's records. It holds references to records
// of the table's store (TvomRecordRefs) in index order, the field list that
// defines the order and the compare options it was made with. A table walks
// its current index; the row-order index "__MT__ROWORDER" keeps records in the
// order they were added.
//
// An index is "ordered" when its references are known to be complete and in
// order. Upkeep keeps an ordered index ordered; bulk operations mark indexes
// unordered and they are rebuilt before use (when made current, by the
// table's UpdateIndexes, after rollback and commit). The references of an
// unordered index other than a table's current one may name records that have
// been freed since; nothing reads them before the next Rebuild.
//
// Threads and locking: the index runs under its table's store lock.
#pragma once

#include <memory>
#include <vector>

#include "memtable/FieldList.h"
#include "memtable/MemTableTypes.h"
#include "memtable/RecordRefs.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Types.h"

class TIndexDef;
class TvomCommon;
class TvomSortKeys;
class TvomStoreClient;

inline constexpr const char* kvomRowOrderIndexName = "__MT__ROWORDER";
inline constexpr const char* kvomDefaultSortIndexName = "__MT__DEFSORT";
inline constexpr const char* kvomAutoIndexPrefix = "__MT__AUTO_";

// The compare options of the dataset model's index options: unique,
// descending, case-insensitive and non-maintained carry over; primary and
// expression are dropped.
TvomMemTableCompareOptions CompareOptionsOf(TIndexOptions options);

// The outcome of a search in one index.
struct TvomSearchResult {
  // The key compared with the entry at Position (< 0: the key sorts before
  // it); 1 when Position is past the last entry.
  Integer Compare = 0;
  bool Found = false;
  // The entry found, or where the key would go (-1 for an empty index).
  Integer Position = -1;
};

class TvomIndex {
 public:
  // An index over `fieldNames` (';'-separated, each optionally followed by
  // ':' and option letters C, D, N, P, L). Raises the dataset's
  // field-not-found error for an unknown name and EDatabaseError "Can't index
  // on field %s" for a field that cannot be indexed.
  TvomIndex(const String& name, TvomStoreClient* table, const String& fieldNames,
            TvomMemTableCompareOptions options, TvomIndexKind kind, bool internal);
  // The sorted, visible index of an index definition.
  TvomIndex(const TIndexDef& def, TvomStoreClient* table);
  ~TvomIndex();
  TvomIndex(const TvomIndex&) = delete;
  TvomIndex& operator=(const TvomIndex&) = delete;

  const String& Name() const { return name_; }
  TvomStoreClient* Table() const { return table_; }
  const String& FieldNames() const { return field_names_; }
  const TvomFieldList& FieldList() const { return field_list_; }
  TvomMemTableCompareOptions Options() const { return options_; }
  TvomIndexKind Kind() const { return kind_; }
  bool RowOrder() const { return row_order_; }
  // Internal indexes are never shown in IndexName / IndexFieldNames.
  bool Internal() const { return internal_; }
  bool Ordered() const { return ordered_; }
  void SetOrdered(bool value) { ordered_ = value; }
  // Position in the table's index list.
  Integer Position() const { return position_; }
  void SetPosition(Integer value) { position_ = value; }
  // Which update statuses the index shows (deleted only with EnableVersioning).
  TUpdateStatusSet UpdateStatuses() const { return update_statuses_; }
  void SetUpdateStatuses(TUpdateStatusSet value) { update_statuses_ = value; }

  // The references, in index order.
  const TvomRecordRefs& References() const { return refs_; }
  TvomRecordRefs& References() { return refs_; }
  Integer Count() const { return refs_.Count(); }
  // REQUIRES: 0 <= pos < Count().
  TvomRecord* Refs(Integer pos) const { return refs_.Get(pos); }

  // Whether the index shows a record of that status.
  bool ShowsStatus(Byte updateStatus) const;

  // Compares the key record with the record over `fields` (nullptr: the
  // index's own list), all fields, stop rule 0. With `tieBreak`, equal
  // records are ordered by whether they have been placed (IndexPos >= 0) and
  // then by slot number, reversed when the first field is descending.
  Integer CompareRecords(const TvomFieldList* fields, const TvomRecord* key,
                         const TvomRecord* record, bool tieBreak, bool partial) const;

  // Reloads the references from the store and sorts them. On an inactive
  // table it only marks the index ordered. A unique index over equal keys
  // stays sorted and raises EMemTableDupKey.
  void Rebuild();
  // Empties the references and marks the index unordered.
  void Clear();
  // Searches `fields` (nullptr: the index's own list) for the key record:
  // binary search on an ordered sorted index of 21 or more entries, else a
  // scan. With `respectFilter` only records that pass the table's record test
  // count; with `nearest` the first greater entry counts as found, and a text
  // key also finds the entries that begin with it.
  TvomSearchResult Search(const TvomFieldList* fields, const TvomRecord* key, bool respectFilter,
                          bool nearest);
  // The position of the entry for `record` (the same slot), or -1.
  Integer PositionOf(const TvomRecord* record);

 private:
  friend class TvomIndexes;

  void BuildFieldList(const TIndexDef* def);
  TvomCommon& Store() const;
  // The first entry that does not sort before the key over `fields`
  // (nullptr: the index's own list), or Count(); in an ordered index, the
  // first of the entries equal to the key when there are any.
  // REQUIRES: the index is ordered.
  Integer LowerBound(const TvomFieldList* fields, const TvomRecord* key) const;
  // Search, with `prefix` saying whether a text key also finds the entries
  // that begin with it. Placing a record takes the first entry that does
  // not sort before it (nearest, not as a prefix): in a descending order
  // the longer texts that begin with a key sort before it, and a new record
  // placed before them would break the order.
  TvomSearchResult SearchFor(const TvomFieldList* fields, const TvomRecord* key, bool respectFilter,
                             bool nearest, bool prefix);
  // Binary search over the entries (no progress, no filter); see SearchFor.
  TvomSearchResult BinarySearch(const TvomFieldList& fields, const TvomRecord* key, bool prefix);
  // Where the record's slot is in a row-order index, assuming the slots run
  // ascending (or descending); -1 when the assumption does not find it.
  Integer FindSlotBinary(Integer slot, bool ascending) const;
  // Sorts the loaded records, through their keys when `keys` holds them,
  // and makes them the references; see Rebuild. REQUIRES: `records` and the
  // references hold the loaded records in slot order.
  void SortReferences(std::vector<TvomRecord*>& records, TvomSortKeys* keys);
  // Upkeep of one change (see TvomIndexes::Upkeep).
  void Upkeep(TvomIndexChange change, bool changerIsThisTable, Integer position, TvomRecord* stored,
              const TvomRecord* newValues);
  void PlaceAt(Integer pos, TvomRecord* record);

  String name_;
  TvomStoreClient* table_;
  String field_names_;
  TvomFieldList field_list_;
  TvomMemTableCompareOptions options_;
  TvomIndexKind kind_;
  bool row_order_ = false;
  bool internal_;
  bool ordered_ = false;
  Integer position_ = -1;
  TUpdateStatusSet update_statuses_{usUnmodified, usModified, usInserted};
  TvomRecordRefs refs_;
};
