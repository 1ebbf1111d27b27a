// oracle/ChangeLogItem.h
//
// The change log that cached updates keep: one TChangeLogItem per changed
// record, with a copy of the record before the change (the old copy) and
// after it (the new copy), each a full record buffer owned by the entry
// together with its blob list. Reverting an entry puts the old state back
// into the record list.
//
// Threads: the dataset's thread only.
#pragma once

#include "oracle/RecordDataList.h"
#include "platform/rtl/Collection.h"

class TChangeLog;

// What change-log entries need of their dataset beyond the record store.
class TChangeLogOwner : public TRecordStoreOwner {
 public:
  // The collection the entries join (owned by the dataset).
  virtual TChangeLog* ChangeLog() = 0;
  virtual TDataSet* LogDataSet() = 0;
  // A record buffer of the dataset's size (its own allocation) and freeing
  // it (the buffer's blob list is freed by the caller first).
  virtual TRecordBuffer AllocLogBuffer() = 0;
  virtual void FreeLogBuffer(TRecordBuffer& buffer) = 0;
  // Gives `record` a fresh blob list with an empty blob per blob field.
  virtual void CreateBlobList(TRecordBuffer record) = 0;
  // The list of fetched records (nullptr while closed).
  virtual TRecordDataList* RecordList() = 0;
  // On while an entry is reverted: filtering is then not active.
  virtual void SetReverting(bool value) = 0;
  virtual bool RecordMatchesFilter(TRecordBuffer record) = 0;
  // The visible position of the record with that identifier, -1 when none.
  virtual Integer RecordIndexOfId(Integer id) = 0;
  // Whether the record belongs to the master's current record.
  virtual bool MasterRecordMatches(TRecordBuffer record) = 0;
};

class TChangeLogItem : public TCollectionItem {
  ZORVET_CLASS_NAME(TChangeLogItem)

 public:
  // Joins the dataset's change log: action ' ', no copies, position -1.
  explicit TChangeLogItem(TChangeLogOwner* dataSet);
  // Frees both copies.
  ~TChangeLogItem() override;

  char Action() const { return action_; }
  void SetAction(char value) { action_ = value; }
  // The record's position in the full list when the change was made.
  Integer Position() const { return position_; }
  void SetPosition(Integer value) { position_ = value; }
  TRecordBuffer OldRecord() const { return old_record_; }
  TRecordBuffer NewRecord() const { return new_record_; }
  // Whether the record was met again while re-fetching.
  bool Seen() const { return seen_; }
  void SetSeen(bool value) { seen_ = value; }
  // Whether the entry still stands for a change; only those revert.
  bool InEffect() const { return in_effect_; }
  void SetInEffect(bool value) { in_effect_ = value; }

  // The old copy's identifier, else the new copy's, else -1.
  Integer RecordId() const;
  // Writes the identifier into whichever copies exist.
  void SetRecordId(Integer id);
  // Replaces the old copy with a copy of `record` and its blobs (nullptr:
  // no old copy).
  void SetOldRecord(TRecordBuffer record);
  // Replaces the new copy with a copy of `record` whose blobs are the
  // edited record's for modified fields and the record's own otherwise
  // (nullptr: no new copy).
  void SetNewRecord(TRecordBuffer record);
  // Copies the new copy over `buffer`, keeping `buffer`'s identifier, and
  // gives `buffer` a copy of the new copy's blobs.
  void CopyNewRecordTo(TRecordBuffer buffer) const;
  // Undoes the change in the record list (see the source for each action).
  void Revert();
  bool BelongsToMaster() const;

 private:
  void FreeCopy(TRecordBuffer& copy);
  TRecordBuffer NewCopy(TRecordBuffer record);
  // Moves the old copy's bytes and blob list into `record` and frees the
  // copy.
  void RestoreOldInto(TRecordBuffer record);

  TChangeLogOwner* data_set_;
  char action_ = ' ';
  Integer position_ = -1;
  TRecordBuffer old_record_ = nullptr;
  TRecordBuffer new_record_ = nullptr;
  bool seen_ = false;
  bool in_effect_ = true;
};

// The dataset's change log; its items are TChangeLogItems of that dataset.
class TChangeLog : public TCollection {
  ZORVET_CLASS_NAME(TChangeLog)

 public:
  explicit TChangeLog(TChangeLogOwner* dataSet);
  TChangeLogItem* Items(Integer index) const {
    return static_cast<TChangeLogItem*>(TCollection::Items(index));
  }
};
