// memtable/MemTableEditing.cpp
//
// Changing records: the new-record step (master values, default
// expressions, auto-increment), posting inserts and edits, adding a record
// in one step, deleting and cancelling. Every change happens under the
// store's lock and names the stored record by serial.
#include <algorithm>
#include <exception>

#include "memtable/MemTable.h"
#include "platform/rtl/Checked.h"

// --- new records ------------------------------------------------------------------------

void TvomCustomMemTable::DoBeforeInsert() {
  insert_rec_no_ = RecNo();
  TDataSet::DoBeforeInsert();
}

void TvomCustomMemTable::DoOnNewRecord() {
  const std::vector<TField*>& masters = master_link_->Fields();
  const TvomFieldList& details = DetailOrIndexFields();
  if (master_link_->Active() && !masters.empty() && details.Count() > 0) {
    const Integer n = std::min(static_cast<Integer>(masters.size()), details.Count());
    for (Integer i = 0; i < n; ++i)
      details.Fields(i)->SetAsVariant(masters[static_cast<std::size_t>(i)]->AsVariant());
  }
  for (TField* field : Fields())
    if (field->DataType() != ftLargeint && !field->DefaultExpression().empty())
      field->SetAsString(field->DefaultExpression());
  TDataSet::DoOnNewRecord();
  if (auto_inc_field_ == nullptr || keep_loaded_auto_inc_) return;
  // Numbered directly: the field is usually read-only for the user.
  TvomStoreLock hold(*store_);
  Byte* at = store_->FieldPointer(AsRecord(ActiveBuffer()), auto_inc_field_);
  if (at == nullptr) return;
  at[0] = kvomNotNull;
  WriteValue<Integer>(at + 1, CheckedAdd(store_->AutoIncMaxValue(), Integer{1}));
  FieldChanged(auto_inc_field_);
}

void TvomCustomMemTable::NoteAutoIncValue(const TvomRecord* buffer) {
  if (auto_inc_field_ == nullptr) return;
  const Byte* at = store_->FieldPointer(buffer, auto_inc_field_);
  if (at == nullptr || at[0] == 0) return;
  const Integer value = ReadValue<Integer>(at + 1);
  if (value > store_->AutoIncMaxValue()) store_->SetAutoIncMaxValue(value);
}

Integer TvomCustomMemTable::InsertRecordNumber(const TvomRecord* buffer, Integer fallback) {
  // A new record goes before the record whose bookmark it carries; the
  // record number taken before the insert is where that record was then.
  if (store_->BookmarkFlag(buffer, attach_index_) != bfInserted) return fallback;
  const Integer serial = store_->BookmarkSerial(buffer, attach_index_);
  if (serial < 0) return fallback;
  const Integer pos = PositionOfSerial(serial, fallback - 1);
  return pos >= 0 ? pos + 1 : fallback;
}

TvomRecord* TvomCustomMemTable::RequireStoredRecord(const TvomRecord* buffer) {
  TvomRecord* stored = StoredRecordOf(buffer);
  if (stored == nullptr || stored->UpdateStatus == usDeleted)
    throw EMemTableInvalidRecord(SvomInvalidRecord);
  return stored;
}

void TvomCustomMemTable::AddNewRecord(TvomRecord* buffer, Integer recNo) {
  // The buffer's own indirect values move into the new record.
  TvomRecord* record = store_->NewRecordFrom(buffer);
  record->IndexPos = -1;
  record->SlotNo = -1;
  record->Serial = -1;
  record->Flags = 0;
  record->UpdateStatus = usUnmodified;
  record->PrevVersion = nullptr;
  StoreNewRecord(record, recNo);
}

void TvomCustomMemTable::StoreNewRecord(TvomRecord* record, Integer recNo) {
  // Storing the record at the serial limit raises after it is stored: the
  // indexes still take it in, so that store and indexes agree, and then the
  // error goes on.
  std::exception_ptr fatal;
  try {
    store_->AppendRecord(record);
  } catch (const EMemTableFatalError&) {
    fatal = std::current_exception();
  }
  record->TransactionLevel = store_->TransactionLevel();
  record->Flags |= mtrfInStore;
  last_placed_ = -1;
  store_->UpdateIndexes(mticInsert, this, recNo, record, record);
  store_->SetModified(true);
  if (last_placed_ >= 0) {
    cursor_ = last_placed_;
    // The ring's notion of where the cursor stands is out of date: left, a
    // later step would follow a buffer's record back to where it was.
    CursorPosChanged();
  }
  if (fatal) std::rethrow_exception(fatal);
}

// --- posting ------------------------------------------------------------------------------

void TvomCustomMemTable::InternalPost() {
  TDataSet::InternalPost();
  TvomRecord* buffer = AsRecord(ActiveBuffer());
  TvomStoreLock hold(*store_);
  if (State() != dsEdit) {
    indexes_->CheckUnique(buffer, nullptr);
    NoteAutoIncValue(buffer);
    const bool append = store_->BookmarkFlag(buffer, attach_index_) == bfEOF;
    AddNewRecord(buffer, append ? -1 : InsertRecordNumber(buffer, insert_rec_no_));
    store_->ClearChangedFlags();
    return;
  }

  TvomRecord* stored = RequireStoredRecord(buffer);
  indexes_->CheckUnique(buffer, stored);
  NoteAutoIncValue(buffer);
  const bool changed = Modified();
  // The versions and status are the stored record's as they are now: the
  // buffer's copies date from when it was read, and another table sharing
  // the store may have changed the record since.
  TvomRecord* versions = stored->PrevVersion;
  if (changed) {
    buffer->UpdateStatus = usModified;
    if (store_->EnableVersioning() &&
        (store_->VersioningMode() == mtvmAllSinceCheckPoint || versions == nullptr)) {
      TvomRecord* older = store_->CopyRecord(stored, true);
      older->Flags |= mtrfInStore;
      versions = older;
    }
    store_->SetModified(true);
  } else {
    buffer->UpdateStatus = stored->UpdateStatus;
  }
  buffer->PrevVersion = versions;

  const Integer pos = PositionOfBuffer(buffer);
  last_placed_ = -1;
  store_->UpdateIndexes(mticEdit, this, pos, stored, buffer);
  // Identity and placement stay the stored record's.
  const Integer slot = stored->SlotNo;
  const Integer serial = stored->Serial;
  const Integer index_pos = stored->IndexPos;
  const Integer level = stored->TransactionLevel;
  store_->TransferRecord(buffer, stored);
  stored->SlotNo = slot;
  stored->Serial = serial;
  stored->IndexPos = index_pos;
  stored->Flags |= mtrfInStore;
  // An unchanged record keeps its level: taking the current one would let a
  // rollback undo changes made before the transaction.
  stored->TransactionLevel = changed ? store_->TransactionLevel() : level;
  if (last_placed_ >= 0)
    cursor_ = last_placed_;
  else if (pos >= 0)
    cursor_ = pos;
  CursorPosChanged();
  store_->ClearChangedFlags();
}

void TvomCustomMemTable::InternalAddRecord(TRecordBuffer buffer, bool append) {
  TvomRecord* record = AsRecord(buffer);
  TvomStoreLock hold(*store_);
  indexes_->CheckUnique(record, nullptr);
  NoteAutoIncValue(record);
  AddNewRecord(record, append ? -1 : InsertRecordNumber(record, cursor_ + 1));
}

// --- deleting and cancelling -------------------------------------------------------------------

void TvomCustomMemTable::InternalDelete() {
  TvomRecord* buffer = AsRecord(ActiveBuffer());
  TvomStoreLock hold(*store_);
  TvomRecord* stored = RequireStoredRecord(buffer);
  const Integer pos = PositionOfBuffer(buffer);
  store_->UpdateIndexes(mticDelete, this, pos, stored, stored);
  if (!store_->EnableVersioning()) {
    store_->DeleteRecord(stored);
  } else {
    TvomRecord* older = store_->CopyRecord(stored, true);
    older->Flags |= mtrfInStore;
    stored->PrevVersion = older;
    stored->UpdateStatus = usDeleted;
    stored->TransactionLevel = store_->TransactionLevel();
    store_->SetDeletedCount(store_->DeletedCount() + 1);
  }
  store_->SetModified(true);
  if (pos >= 0) cursor_ = pos;
  ClipCursor();
  CursorPosChanged();
}

void TvomCustomMemTable::InternalCancel() {
  store_->ClearChangedFlags();
}
