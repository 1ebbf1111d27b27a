// oracle/OracleDataSetLog.cpp
//
// The change log of the Oracle dataset: while updates are cached or a data
// provider's transaction is open, every posted insert, update and delete is
// logged with the record before and after the change. The log shows cached
// changes again after a re-query, gives each record's update status, and
// lets the provider transaction be committed (the log is forgotten) or
// cancelled (every change is undone in the record list).
#include "oracle/OracleDataSet.h"
#include "platform/rtl/ScopeExit.h"

using namespace OracleRecord;

TChangeLogItem* TOracleDataSet::FindItem(const std::function<bool(TChangeLogItem*)>& match) {
  for (Integer i = change_log_->Count() - 1; i >= 0; --i) {
    TChangeLogItem* item = change_log_->Items(i);
    if (match(item) && item->BelongsToMaster()) return item;
  }
  return nullptr;
}

TChangeLogItem* TOracleDataSet::FindLogItem(Integer id) {
  return FindItem([id](TChangeLogItem* item) { return item->RecordId() == id; });
}

TChangeLogItem* TOracleDataSet::FindLogItemByRowId(const String& rowId) {
  return FindItem([&rowId](TChangeLogItem* item) {
    return item->OldRecord() != nullptr && RowId(item->OldRecord()) == rowId;
  });
}

TChangeLogItem* TOracleDataSet::FindInsertLogItem(Integer position) {
  return FindItem([position](TChangeLogItem* item) {
    return item->Action() == 'I' && item->Position() == position;
  });
}

Integer TOracleDataSet::NetInsertCount() {
  Integer count = 0;
  for (Integer i = 0; i < change_log_->Count(); ++i) {
    TChangeLogItem* item = change_log_->Items(i);
    if (!item->BelongsToMaster()) continue;
    if (item->Action() == 'I') ++count;
    if (item->Action() == 'D') --count;
  }
  return count;
}

void TOracleDataSet::LogChange(TRecordBuffer record, Integer id, TRecordBuffer after, char action,
                               Integer position) {
  if (!InDeferredMode()) return;
  if (Filtered() && records_) position = records_->FilteredToFull(position);
  if (TChangeLogItem* item = FindLogItem(id)) {
    const char was = item->Action();
    if (was == 'I' && action == 'U') {
      item->SetNewRecord(after);
    } else if (was == 'I' && action == 'D') {
      // Nothing of the record remains to be written.
      delete item;
    } else if (was == 'U' && action == 'U') {
      item->SetNewRecord(after);
    } else if (was == 'U' && action == 'D') {
      item->SetNewRecord(nullptr);
      item->SetAction('D');
    }
    return;
  }
  if (action == 'I' || action == 'D') {
    // Inserts logged behind this record move with it.
    const Integer shift = action == 'I' ? 1 : -1;
    for (Integer i = 0; i < change_log_->Count(); ++i) {
      TChangeLogItem* other = change_log_->Items(i);
      if (other->Action() == 'I' && other->Position() >= position && other->BelongsToMaster())
        other->SetPosition(other->Position() + shift);
    }
  }
  auto* item = new TChangeLogItem(this);
  item->SetOldRecord(record);
  item->SetNewRecord(after);
  item->SetAction(action);
  item->SetRecordId(id);
  item->SetPosition(position);
}

TChangeLogItem* TOracleDataSet::PendingLoggedInsert(bool anywhere) {
  for (Integer i = 0; i < change_log_->Count(); ++i) {
    TChangeLogItem* item = change_log_->Items(i);
    if (item->Action() != 'I' || item->Seen() || !item->BelongsToMaster()) continue;
    if (anywhere || item->Position() == records_->Count()) return item;
  }
  return nullptr;
}

bool TOracleDataSet::ApplyLoggedChange(TRecordBuffer record, TChangeLogItem* item) {
  item->SetSeen(true);
  if (item->Action() == 'D' || item->NewRecord() == nullptr) return false;
  TRecordDataList::FreeRecordBlobs(record);
  item->CopyNewRecordTo(record);
  return true;
}

bool TOracleDataSet::UpdatesPending() {
  return cached_updates_ && change_log_->Count() > 0;
}

TUpdateStatus TOracleDataSet::UpdateStatus() {
  if (!Active() || IsEmpty() || !ActiveBuffer()) return usUnmodified;
  if (State() == dsInsert) return usInserted;
  if (cached_updates_) {
    if (const TChangeLogItem* item = FindLogItem(RecordId(ActiveBuffer()))) {
      switch (item->Action()) {
        case 'D':
          return usDeleted;
        case 'I':
          return usInserted;
        case 'U':
          return usModified;
        default:
          break;
      }
    }
  }
  return State() == dsEdit ? usModified : usUnmodified;
}

void TOracleDataSet::StartProviderTransaction() {
  change_log_->Clear();
  provider_transaction_ = true;
}

void TOracleDataSet::CommitLoggedChanges() {
  posted_inserts_ = NetInsertCount();
  change_log_->Clear();
  provider_transaction_ = false;
  DataEvent(deDataSetChange, 0);
}

void TOracleDataSet::CancelLoggedChanges() {
  if (!Active() || !records_) {
    change_log_->Clear();
    provider_transaction_ = false;
    return;
  }
  if (State() == dsEdit || State() == dsInsert) Cancel();
  {
    // The log is emptied even when undoing a change fails.
    TScopeExit forget([this] {
      change_log_->Clear();
      provider_transaction_ = false;
    });
    for (Integer i = change_log_->Count() - 1; i >= 0; --i) change_log_->Items(i)->Revert();
  }
  const Integer count = records_->VisibleCount();
  if (position_ >= count) position_ = count - 1;
  if (position_ < 0 && count > 0) position_ = 0;
  UpdateMasterLinkFields();
  Resync({});
  DataEvent(deDataSetChange, 0);
}
