// oracle/ChangeLogItem.cpp
#include "oracle/ChangeLogItem.h"

#include <cstring>

#include "oracle/OracleBlob.h"
#include "platform/data/BlobFields.h"
#include "platform/rtl/ScopeExit.h"

TChangeLog::TChangeLog(TChangeLogOwner* dataSet)
    : TCollection(TCollectionItemClass{
          TChangeLogItem::StaticClassName(),
          [dataSet](TCollection*) -> TCollectionItem* { return new TChangeLogItem(dataSet); }}) {}

TChangeLogItem::TChangeLogItem(TChangeLogOwner* dataSet)
    : TCollectionItem(dataSet->ChangeLog()), data_set_(dataSet) {}

TChangeLogItem::~TChangeLogItem() {
  FreeCopy(old_record_);
  FreeCopy(new_record_);
}

void TChangeLogItem::FreeCopy(TRecordBuffer& copy) {
  if (copy == nullptr) return;
  TRecordDataList::FreeRecordBlobs(copy);
  data_set_->FreeLogBuffer(copy);
  copy = nullptr;
}

TRecordBuffer TChangeLogItem::NewCopy(TRecordBuffer record) {
  TRecordBuffer copy = data_set_->AllocLogBuffer();
  std::memcpy(copy, record, std::size_t(data_set_->RecordBufferSize()));
  // The copy must not share the record's blob list.
  OracleRecord::SetBlobList(copy, nullptr);
  return copy;
}

Integer TChangeLogItem::RecordId() const {
  if (old_record_ != nullptr) return OracleRecord::RecordId(old_record_);
  if (new_record_ != nullptr) return OracleRecord::RecordId(new_record_);
  return -1;
}

void TChangeLogItem::SetRecordId(Integer id) {
  if (old_record_ != nullptr) OracleRecord::SetRecordId(old_record_, id);
  if (new_record_ != nullptr) OracleRecord::SetRecordId(new_record_, id);
}

void TChangeLogItem::SetOldRecord(TRecordBuffer record) {
  FreeCopy(old_record_);
  if (record == nullptr) return;
  old_record_ = NewCopy(record);
  if (const TBlobList* blobs = OracleRecord::BlobList(record)) {
    auto copy = std::make_unique<TBlobList>();
    TBlobList::Copy(copy.get(), blobs);
    OracleRecord::SetBlobList(old_record_, copy.release());
  }
}

void TChangeLogItem::SetNewRecord(TRecordBuffer record) {
  FreeCopy(new_record_);
  if (record == nullptr) return;
  new_record_ = NewCopy(record);
  const TBlobList* current = data_set_->CurrentBlobList();
  if (current == nullptr) return;
  data_set_->CreateBlobList(new_record_);
  TBlobList* blobs = OracleRecord::BlobList(new_record_);
  if (blobs == nullptr) return;
  const TBlobList* own = OracleRecord::BlobList(record);
  for (Integer i = 0; i < blobs->Count(); ++i) {
    const TOracleBlob* from = nullptr;
    if (i < current->Count()) {
      auto* field = dynamic_cast<const TBlobField*>(current->Items(i)->Field());
      if (field != nullptr && field->Modified()) from = current->Items(i);
    }
    if (from == nullptr && own != nullptr && i < own->Count()) from = own->Items(i);
    if (from != nullptr && from->Size() > 0) blobs->Items(i)->SetBytes(from->Bytes(), from->Size());
  }
}

void TChangeLogItem::CopyNewRecordTo(TRecordBuffer buffer) const {
  const Integer id = OracleRecord::RecordId(buffer);
  TBlobList* keep = OracleRecord::BlobList(buffer);
  std::memcpy(buffer, new_record_, std::size_t(data_set_->RecordBufferSize()));
  OracleRecord::SetRecordId(buffer, id);
  // The buffer's own blob list stays with it; it receives the new blobs.
  OracleRecord::SetBlobList(buffer, keep);
  if (const TBlobList* blobs = OracleRecord::BlobList(new_record_)) {
    if (keep == nullptr) {
      auto fresh = std::make_unique<TBlobList>();
      keep = fresh.get();
      OracleRecord::SetBlobList(buffer, fresh.release());
    }
    TBlobList::Copy(keep, blobs);
  }
}

void TChangeLogItem::RestoreOldInto(TRecordBuffer record) {
  std::memcpy(record, old_record_, std::size_t(data_set_->RecordBufferSize()));
  // The blob list passes to the record with the bytes.
  OracleRecord::SetBlobList(old_record_, nullptr);
  data_set_->FreeLogBuffer(old_record_);
  old_record_ = nullptr;
}

void TChangeLogItem::Revert() {
  if (!in_effect_) return;
  TRecordDataList* list = data_set_->RecordList();
  if (list == nullptr) return;
  data_set_->SetReverting(true);
  TScopeExit reverting([this] { data_set_->SetReverting(false); });
  if (action_ == 'D') {
    if (old_record_ == nullptr) return;
    TRecordBuffer record = list->AddRecord(position_ < 0 ? 0 : position_, false);
    RestoreOldInto(record);
    if (data_set_->LogDataSet()->Filtered() && data_set_->RecordMatchesFilter(record))
      list->AddToFiltered(record, false);
  } else if (action_ == 'I') {
    const Integer index = data_set_->RecordIndexOfId(RecordId());
    if (index >= 0) list->DeleteRecord(index, true);
  } else if (action_ == 'U') {
    const Integer index = data_set_->RecordIndexOfId(RecordId());
    if (index < 0 || old_record_ == nullptr) return;
    TRecordBuffer record = list->Records(index);
    TRecordDataList::FreeRecordBlobs(record);
    RestoreOldInto(record);
  }
}

bool TChangeLogItem::BelongsToMaster() const {
  return data_set_->MasterRecordMatches(action_ == 'I' ? new_record_ : old_record_);
}
