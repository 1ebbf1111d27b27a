// memtable/StoreClient.h
//
// TvomStoreClient: the face that a table shows to its record store and to its
// indexes. The store (TvomCommon) keeps a list of the tables that share it and
// drives them through this interface (close, refresh, index upkeep, ...); an
// index (TvomIndex) reaches its table's settings, events, cursor and record
// test through it. The memory table implements it; nothing else should call
// these members except the store and the indexes.
//
// Threads: everything runs on the caller's (GUI) thread, under the store's
// lock where the store says so.
#pragma once

#include <vector>

#include "memtable/MemTableTypes.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Types.h"

class TField;
class TFieldDef;
class TvomCommon;
class TvomIndex;
class TvomIndexes;
struct TvomRecord;

class TvomStoreClient {
 public:
  virtual ~TvomStoreClient() = default;

  // --- what the table is --------------------------------------------------
  // The record store the table works on (its own, or the one it shares).
  virtual TvomCommon& Store() = 0;
  // The table's index list (row-order index, definitions' indexes, ...).
  virtual TvomIndexes& Indexes() = 0;
  // The table is open.
  virtual bool IsTableActive() const = 0;
  // The table is open and in browse mode.
  virtual bool IsTableBrowsing() const = 0;

  // --- driven by the store --------------------------------------------------
  // The table's entry number in the store's list of attached tables.
  virtual void SetAttachIndex(Integer entry) = 0;
  // Close the table (another table sharing the store is being restructured).
  virtual void CloseForStore() = 0;
  // Re-read the records shown (another table sharing the store changed them).
  virtual void RefreshForStore() = 0;
  // Forget every record buffer: the store is about to free its records.
  virtual void DiscardRecordBuffers() = 0;
  // Bring the index list in line with the index definitions and rebuild
  // every unordered index.
  virtual void UpdateIndexes() = 0;
  // The store is being destroyed: the table is closed already and must stop
  // referring to the store and to the table it was attached to.
  virtual void StoreDestroyed() = 0;

  // --- record layout (asked of the table that owns the store) --------------
  // Bytes the table needs for its calculated and lookup fields.
  virtual Integer CalcAreaSize() = 0;
  // May change the storage flags of an indirect, non-blob field
  // (bit 0 indirect, bit 1 compressed): the table's OnSetupField.
  virtual void SetupField(TFieldDef* def, Integer fieldNo, Byte& flags) = 0;

  // --- comparison hooks (asked of the table that owns the store) -----------
  // The table's OnCompareFields: false when none is assigned; otherwise it
  // has set `result` (preset to 0) and possibly `fullMatch`.
  virtual bool CompareFieldsHook(TField* field, const void* keyValue, const void* recordValue,
                                 TFieldType dataType, Byte options, bool& fullMatch,
                                 Integer& result) = 0;
  // The table's OnDecompressField for a compressed value: false when none is
  // assigned (the stored bytes are then compared as they are).
  virtual bool DecompressFieldValue(TField* field, const Byte* data, Integer size,
                                    std::vector<Byte>& result) = 0;

  // --- used by the indexes ----------------------------------------------------
  virtual bool EnableIndexes() const = 0;
  virtual bool RecalcOnIndex() const = 0;
  virtual void SetRecalcOnIndex(bool value) = 0;
  // The field of that name; the dataset's field-not-found error otherwise.
  virtual TField* IndexFieldByName(const String& name) = 0;
  // The table's OnFilterIndex for `record` while an index loads its
  // references (field reads see `record`); true when none is assigned.
  virtual bool FilterIndex(TvomIndex* index, TvomRecord* record) = 0;
  // Whether the record test (filter, range, master/detail, deleted
  // versions) applies at all.
  virtual bool MustTestRecords() const = 0;
  // The record test: true when `record` is visible.
  virtual bool FilterRecord(TvomRecord* record, bool force) = 0;
  // Computes the calculated fields of `record` in place (RecalcOnIndex).
  virtual void CalcRecordFields(TvomRecord* record) = 0;
  // Reports progress (OnProgress, filtered by ProgressFlags).
  virtual void Progress(Integer percentage, TvomProgressCode code) = 0;
  virtual TvomOperationState OperationState() const = 0;
  virtual void SetOperationState(TvomOperationState state) = 0;
  // The cursor: a position in the current index, -1 .. reference count.
  virtual Integer Cursor() const = 0;
  virtual void SetCursor(Integer position) = 0;
  // Where the current index last placed a changed record.
  virtual void SetLastPlacedPosition(Integer position) = 0;
  // Adds an index definition and its index, then updates the indexes.
  virtual void AddIndex(const String& name, const String& fields, TIndexOptions options) = 0;
};
