// oracle/RecordDataList.h
//
// TRecordDataList: every record an open Oracle dataset has fetched, in
// record order, with a second list (the filtered view) holding the records
// that pass the filter, in the same order.
//
// Records live in blocks: one allocation of a 12-byte header (three 32-bit
// integers: capacity in records, records used, total bytes of the block)
// followed by capacity record buffers, record i at 12 + i x record size.
// A new block holds half as many records as the list (at least one fetch,
// ReadBuffer + 1), so fetching many rows costs few allocations. A deleted
// record's slot stays unused until the list is cleared; its memory stays
// valid until then.
//
// Each record owns its TBlobList (the header's blob-list slot); deleting
// the record or clearing the list frees it.
//
// Positions: a "full" position counts every record; a "visible" one counts
// the filtered view while the owner's filtering is active and the full list
// otherwise. Any position outside its list raises EListError "List index
// out of bounds (%d)".
//
// Threads: the dataset's thread only.
#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

#include "oracle/RecordStoreOwner.h"
#include "platform/rtl/List.h"

class TRecordDataList : public TList {
  ZORVET_CLASS_NAME(TRecordDataList)

 public:
  // `dataSet` outlives the list.
  explicit TRecordDataList(TRecordStoreOwner* dataSet);
  // Frees every record's blob list and every block.
  ~TRecordDataList() override;

  TRecordDataList(const TRecordDataList&) = delete;
  TRecordDataList& operator=(const TRecordDataList&) = delete;

  // Appends a block sized for the list's present count.
  void NewBlock();
  // The next unused slot of the last block, in a new block when the last
  // one is full. The slot is not counted as used: AddRecord does that.
  TRecordBuffer AllocRecord();
  // Storage for a new record, zero-filled, placed in the lists.
  // With alsoFiltered, `index` is a visible position: the record joins the
  // filtered view there (at its end when `index` is negative or beyond the
  // view) and the full list at the corresponding place; while filtering is
  // not active `index` is a full position and the record joins the view in
  // list order. Without alsoFiltered, `index` is a full position and the
  // view is left alone. A position outside the full list appends.
  TRecordBuffer AddRecord(Integer index, bool alsoFiltered);
  // Removes a record and frees its blob list. With alsoFiltered `index` is
  // a visible position and the record leaves the view too; without it
  // `index` is a full position.
  void DeleteRecord(Integer index, bool alsoFiltered);
  // Frees every record's blob list and every block, and empties both lists.
  void Clear();

  // The record at a visible position.
  TRecordBuffer Records(Integer index) const;
  // The record at a full position.
  TRecordBuffer FullRecords(Integer index) const {
    return static_cast<TRecordBuffer>(Items(index));
  }
  Integer VisibleCount() const;
  // The full position of view entry `index`: `index` itself while
  // filtering is not active or when it is negative, Count() beyond the view.
  Integer FilteredToFull(Integer index) const;
  // The view position of the record at full position `index`; -1 when that
  // record is not in the view.
  Integer FullToFiltered(Integer index) const;
  // Puts a record into the view: at its end with `append`, else in list
  // order. A record already there is a fault of the caller: Exception
  // "BUG: Duplicate record in filtered list (<view position>)".
  void AddToFiltered(TRecordBuffer record, bool append);
  // Empties the view (the records stay in the full list).
  void ClearFiltered();
  Integer FilteredCount() const { return filtered_.Count(); }
  TRecordBuffer FilteredRecords(Integer index) const {
    return static_cast<TRecordBuffer>(filtered_.Items(index));
  }
  // Whether the record is in the view.
  bool InFiltered(TRecordBuffer record) const { return in_view_.contains(record); }

  // Copies one record buffer, header included.
  void CopyRecord(TRecordBuffer source, TRecordBuffer dest) const;
  // Frees the record's blob list and clears its slot.
  static void FreeRecordBlobs(TRecordBuffer record);

  // The blocks, for whoever watches the memory use.
  Integer BlockCount() const { return static_cast<Integer>(blocks_.size()); }
  Integer BlockCapacity(Integer block) const;
  Integer BlockUsed(Integer block) const;

 private:
  Byte* LastBlock() const { return blocks_.empty() ? nullptr : blocks_.back().get(); }
  bool FilteringActive() const { return data_set_->RecordFilteringActive(); }
  void RemoveFromView(Integer viewIndex);

  TRecordStoreOwner* data_set_;
  std::vector<std::unique_ptr<Byte[]>> blocks_;
  TList filtered_;
  // The view's records, so that a membership test costs no walk of it.
  std::unordered_set<const void*> in_view_;
};
